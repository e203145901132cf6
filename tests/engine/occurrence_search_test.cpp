#include "engine/occurrence_search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varnolt {
namespace {

std::vector<std::string> positions(const std::vector<ResultRow>& rows) {
    std::vector<std::string> out;
    for (const ResultRow& r : rows) out.push_back(r.position);
    return out;
}

TEST(Search, FindsOverlappingHitsInOrder) {
    EXPECT_TRUE(searchOccurrences(ByteString(), "a", "10", "10").empty());
    EXPECT_TRUE(searchOccurrences(ByteString::copyOf("abc"), "x", "10", "10").empty());
    EXPECT_TRUE(searchOccurrences(ByteString::copyOf("abc"), "", "10", "10").empty());

    const auto rows = searchOccurrences(ByteString::copyOf("aaaa"), "aa", "10", "10");
    EXPECT_EQ(positions(rows), (std::vector<std::string>{"1", "2", "3"}));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2].number, "3");
    EXPECT_EQ(rows[2].found, "aa");
}

TEST(Search, StopsAtMaxHits) {
    const auto rows = searchOccurrences(ByteString::copyOf(std::string(3000, 'z')), "zz", "1", "1");
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(maxHits));
    EXPECT_EQ(rows.front().number, "1");
    EXPECT_EQ(rows.back().number, "1000");
    EXPECT_EQ(rows.back().position, "1000");
}

struct SpanCase {
    const char* name;
    std::string buffer, search, before, after;
    std::string expectedBefore, expectedAfter;
};

class SpanTest : public testing::TestWithParam<SpanCase> {};

TEST_P(SpanTest, ContextSpans) {
    const SpanCase& c = GetParam();
    const auto rows = searchOccurrences(ByteString::copyOf(c.buffer), c.search, c.before, c.after);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0].before, c.expectedBefore);
    EXPECT_EQ(rows[0].after, c.expectedAfter);
    EXPECT_EQ(rows[0].found, c.search);
}

const std::string digits = "0123456789012345678901234567890123456789";

INSTANTIATE_TEST_SUITE_P(
    Cases, SpanTest,
    testing::Values(
        SpanCase{"middle", digits.substr(0, 20) + "HIT" + digits.substr(0, 20), "HIT", "10", "10", "0123456789", "0123456789"},
        SpanCase{"exactly_n_before", digits.substr(0, 10) + "HIT", "HIT", "10", "10", "0123456789", ""},
        // A hit nearer the start than N shows only the bytes before it.
        SpanCase{"near_start", "abHITcd", "HIT", "10", "10", "ab", "cd"},
        SpanCase{"at_start", "HITcd", "HIT", "10", "10", "", "cd"},
        SpanCase{"fewer_after", "xxHITab", "HIT", "10", "10", "xx", "ab"},
        SpanCase{"zero_byte_cuts_span", std::string("a\0bHITc\0d", 9), "HIT", "10", "10", "a", "c"},
        SpanCase{"span_starting_with_zero", std::string("ab\0HIT\0cd", 9), "HIT", "1", "10", "", ""},
        SpanCase{"zero_counts", "abHITcd", "HIT", "0", "", "", ""},
        SpanCase{"letters_as_counts", "abHITcd", "HIT", "abc", "-5", "", ""},
        SpanCase{"full_width_counts", "abHITcd", "HIT", "\xa3\xb1", "\xa3\xb1", "b", "c"},
        SpanCase{"huge_counts", "abHITcd", "HIT", "2147483647", "2147483647", "ab", "cd"},
        SpanCase{"int_min_counts", "abHITcd", "HIT", "-2147483648", "-2147483648", "", ""},
        // Two-byte characters: the after span starts after the last byte.
        SpanCase{"gbk_search_text", "ab\xd6\xd0\xce\xc4" "cd", "\xd6\xd0\xce\xc4", "1", "1", "b", "c"},
        SpanCase{"crlf_in_search_text", "one\r\ntwo", "e\r\nt", "2", "2", "on", "wo"}),
    [](const testing::TestParamInfo<SpanCase>& i) { return std::string(i.param.name); });

TEST(Search, CellTextsStopAtMaxCellBytes) {
    std::string bytes(4 * maxCellBytes, 'x');
    const std::string search(maxCellBytes + 10, 's');
    bytes.replace(static_cast<std::size_t>(maxCellBytes) + 5, search.size(), search);
    const auto rows = searchOccurrences(ByteString::copyOf(bytes), search, "99999999999", "2147483647");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].before, std::string(static_cast<std::size_t>(maxCellBytes), 'x'));
    EXPECT_EQ(rows[0].found, search.substr(0, maxCellBytes));
    EXPECT_EQ(rows[0].after, std::string(static_cast<std::size_t>(maxCellBytes), 'x'));
    EXPECT_EQ(rows[0].position, intToText(maxCellBytes + 6));
}

TEST(Search, MatchMayStartInsideATwoByteCharacter) {
    const auto rows = searchOccurrences(ByteString::copyOf("\xd6\xd0\xce\xc4"), "\xd0\xce", "10", "10");
    EXPECT_EQ(positions(rows), std::vector<std::string>{"2"});
}

}  // namespace
}  // namespace varnolt
