#include "engine/byte_string.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace varnolt {
namespace {

ByteString B(std::string_view s) { return ByteString::copyOf(s); }
std::string S(const ByteString& b) { return std::string(b.view()); }

struct FindCase {
    const char* name;
    std::string haystack, pattern;
    std::int32_t start, expected;
};

class FindTest : public testing::TestWithParam<FindCase> {};

TEST_P(FindTest, FirstOccurrenceAtOrAfterStart) {
    const FindCase& c = GetParam();
    EXPECT_EQ(find(B(c.haystack), B(c.pattern), c.start), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindTest,
    testing::Values(
        FindCase{"empty_pattern", "abc", "", 1, -1},
        FindCase{"empty_pattern_empty_haystack", "", "", 0, -1},
        FindCase{"empty_haystack", "", "a", 1, -1},
        FindCase{"from_start", "abcabc", "bc", 1, 2},
        FindCase{"from_middle", "abcabc", "bc", 3, 5},
        FindCase{"start_zero", "abcabc", "bc", 0, 2},
        FindCase{"start_negative", "abcabc", "bc", -100, 2},
        FindCase{"start_int_min", "abcabc", "bc", INT32_MIN, 2},
        FindCase{"start_at_last_byte", "abcabc", "bc", 6, -1},
        FindCase{"start_past_end", "abcabc", "bc", 7, -1},
        FindCase{"start_int_max", "abcabc", "c", INT32_MAX, -1},
        FindCase{"pattern_longer_than_rest", "abc", "abcd", 1, -1},
        FindCase{"single_byte_at_end", "abc", "c", 3, 3},
        FindCase{"match_at_very_end", "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxabcdef", "abcdef", 1, 70},
        FindCase{"embedded_zero", std::string("ab\0cd\0ce", 8), std::string("\0c", 2), 1, 3},
        FindCase{"zero_then_second", std::string("ab\0cd\0ce", 8), std::string("\0c", 2), 4, 6},
        FindCase{"second_byte_of_gbk_char", "\xd6\xd0\xce\xc4", "\xd0\xce", 1, 2},
        FindCase{"partial_match_then_full", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "aaab", 1, 36}),
    [](const testing::TestParamInfo<FindCase>& i) { return std::string(i.param.name); });

TEST(Find, OverlappingOccurrencesFoundByRestartingAfterEachHit) {
    const ByteString h = B("aaaa"), p = B("aa");
    EXPECT_EQ(find(h, p, 1), 1);
    EXPECT_EQ(find(h, p, 2), 2);
    EXPECT_EQ(find(h, p, 3), 3);
    EXPECT_EQ(find(h, p, 4), -1);
}

// The fast path filters 16 and 64 candidates at a time; compare it with a
// plain scan at every alignment, pattern length and density, the dense
// haystacks driving it onto its fallback.
TEST(Find, AgreesWithPlainScanAcrossAlignmentsAndDensities) {
    auto plain = [](const std::string& h, const std::string& p, std::size_t from) -> std::int32_t {
        const std::size_t at = h.find(p, from);
        return at == std::string::npos ? -1 : static_cast<std::int32_t>(at) + 1;
    };
    std::uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1664525u + 1013904223u, seed >> 24; };
    for (int alphabet : {2, 3, 256}) {
        std::string h(3000, '\0');
        for (char& ch : h) ch = static_cast<char>(next() % static_cast<unsigned>(alphabet));
        for (std::size_t m = 1; m <= 20; m += 3) {
            for (int trial = 0; trial < 20; ++trial) {
                const std::size_t at = next() * 11 % (h.size() - m);
                const std::string p = trial % 2 ? h.substr(at, m) : std::string(m, static_cast<char>(next() % 3));
                for (std::size_t from : {std::size_t{0}, at, at + 1, h.size() - m - 5}) {
                    ASSERT_EQ(find(B(h), B(p), static_cast<std::int32_t>(from) + 1), plain(h, p, from))
                        << "alphabet " << alphabet << " m " << m << " from " << from;
                }
            }
        }
    }
}

struct MidCase {
    const char* name;
    std::int32_t start, count;
    std::string expected;
};

class MidTest : public testing::TestWithParam<MidCase> {};

TEST_P(MidTest, ClipsStartAndCount) {
    const MidCase& c = GetParam();
    const ByteString r = mid(B("abcdef"), c.start, c.count);
    EXPECT_EQ(S(r), c.expected);
    EXPECT_EQ(r.data() == nullptr, c.expected.empty()) << "the empty value owns no storage";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MidTest,
    testing::Values(MidCase{"inside", 2, 3, "bcd"}, MidCase{"start_before_one_keeps_count", -7, 3, "abc"},
                    MidCase{"count_past_end", 5, 10, "ef"}, MidCase{"start_past_end", 7, 1, ""},
                    MidCase{"count_zero", 3, 0, ""}, MidCase{"count_negative", 3, -1, ""},
                    MidCase{"count_int_max", 2, INT32_MAX, "bcdef"}, MidCase{"start_int_max", INT32_MAX, INT32_MAX, ""},
                    MidCase{"start_int_min", INT32_MIN, 2, "ab"}),
    [](const testing::TestParamInfo<MidCase>& i) { return std::string(i.param.name); });

struct ReplaceCase {
    const char* name;
    std::int32_t start, length;
    std::string replacement, expected;
};

class ReplaceRangeTest : public testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceRangeTest, InsertsTheWholeReplacement) {
    const ReplaceCase& c = GetParam();
    EXPECT_EQ(S(replaceRange(B("abcdef"), c.start, c.length, B(c.replacement))), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceRangeTest,
    testing::Values(ReplaceCase{"same_length", 3, 2, "XY", "abXYef"}, ReplaceCase{"longer", 3, 2, "XYZ", "abXYZef"},
                    ReplaceCase{"span_cut_by_end_grows", 6, 3, "XYZ", "abcdeXYZ"},
                    ReplaceCase{"start_past_end_appends", 9, 2, "XY", "abcdefXY"},
                    ReplaceCase{"start_zero", 0, 2, "XY", "XYcdef"}, ReplaceCase{"length_zero_inserts", 3, 0, "XY", "abXYcdef"},
                    ReplaceCase{"length_negative_inserts", 3, -4, "XY", "abXYcdef"},
                    ReplaceCase{"empty_replacement_removes", 2, 2, "", "adef"},
                    ReplaceCase{"remove_everything", 1, 6, "", ""},
                    ReplaceCase{"huge_length", 4, INT32_MAX, "Z", "abcZ"}),
    [](const testing::TestParamInfo<ReplaceCase>& i) { return std::string(i.param.name); });

TEST(Values, ZerosConcatAndEmptiness) {
    EXPECT_TRUE(zeros(0).empty());
    EXPECT_TRUE(zeros(-3).empty());
    EXPECT_EQ(S(zeros(4)), std::string(4, '\0'));
    EXPECT_TRUE(concat({ByteString(), ByteString()}).empty());
    EXPECT_EQ(S(concat({textToBytes("ab"), zeros(2)})), std::string("ab\0\0", 4));
    EXPECT_EQ(S(concat({B("a"), ByteString(), B("bc")})), "abc");
    EXPECT_EQ(replaceRange(B("ab"), 1, 2, ByteString()).data(), nullptr);
}

TEST(Texts, BytesAndTextsConvertAtTheFirstZero) {
    EXPECT_TRUE(textToBytes("").empty());
    EXPECT_EQ(S(textToBytes("ab")), "ab");
    EXPECT_EQ(textLength("\xd6\xd0"), 2);
    EXPECT_EQ(length(textToBytes("\xd6\xd0")), textLength("\xd6\xd0"));
    EXPECT_EQ(bytesToText(B(std::string("AB\0C", 4))), "AB");
    EXPECT_EQ(bytesToText(B(std::string("\0A", 2))), "");
    EXPECT_EQ(bytesToText(B("\xb0")), "\xb0");
    EXPECT_EQ(bytesToText(B("a\r\n\tb")), "a\r\n\tb");
    EXPECT_EQ(textLength(std::string("ab\0cd", 5)), 2);
}

TEST(Texts, IntToText) {
    EXPECT_EQ(intToText(0), "0");
    EXPECT_EQ(intToText(-1), "-1");
    EXPECT_EQ(intToText(-5), "-5");
    EXPECT_EQ(intToText(INT32_MIN), "-2147483648");
    EXPECT_EQ(intToText(INT32_MAX), "2147483647");
}

struct IntCase {
    const char* name;
    std::string text;
    std::int32_t expected;
};

class TextToIntTest : public testing::TestWithParam<IntCase> {};

TEST_P(TextToIntTest, ReadsLikeTheLengthBoxesNeed) { EXPECT_EQ(textToInt(GetParam().text), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Cases, TextToIntTest,
    testing::Values(IntCase{"plain", "12", 12}, IntCase{"decimal_point", "12.7", 12}, IntCase{"exponent", "1e3", 1},
                    IntCase{"leading_space_sign", "  -5x", -5}, IntCase{"space_after_sign", "- 5", 0},
                    IntCase{"letters", "abc", 0}, IntCase{"empty", "", 0}, IntCase{"plus", "+7", 7},
                    IntCase{"tab_space", " \t12", 12}, IntCase{"all_white_space", "\n\v\f\r 3", 3},
                    IntCase{"hex_prefix", "0x10", 0}, IntCase{"double_minus", "--5", 0},
                    IntCase{"int_min", "-2147483648", INT32_MIN}, IntCase{"wraps_to_min", "2147483648", INT32_MIN},
                    IntCase{"wraps_to_zero", "4294967296", 0}, IntCase{"many_nines", "99999999999", 1215752191},
                    IntCase{"full_width_digits", "\xa3\xb1\xa3\xb2", 12},
                    IntCase{"full_width_minus", "\xa3\xad\xa3\xb5", -5},
                    IntCase{"full_width_space", "\xa1\xa1" "12", 12},
                    IntCase{"other_pair_stops", "\xd6\xd0" "12", 0},
                    IntCase{"lone_lead_byte_ends", "7\xa3", 7},
                    IntCase{"stops_at_embedded_zero", std::string("1\0" "2", 3), 1}),
    [](const testing::TestParamInfo<IntCase>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace varnolt
