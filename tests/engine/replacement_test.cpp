#include "engine/replacement.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/occurrence_search.h"
#include "tests/engine/temp_dir.h"

namespace varnolt {
namespace {

using testing_support::readBytes;
using testing_support::TempDir;
using testing_support::writeBytes;

// A row table without a window: a check state and a position text per row.
struct Rows {
    std::vector<std::pair<bool, Text>> rows;
    std::int32_t rowCount() const { return static_cast<std::int32_t>(rows.size()); }
    std::int32_t isChecked(std::int32_t r) const {
        return r >= 0 && r < rowCount() ? (rows[static_cast<std::size_t>(r)].first ? 1 : 0) : -1;
    }
    Text cellText(std::int32_t r, std::int32_t column) const {
        return column == 4 && r >= 0 && r < rowCount() ? rows[static_cast<std::size_t>(r)].second : Text();
    }
    static Rows fromSearch(const std::vector<ResultRow>& found, bool checked) {
        Rows t;
        for (const ResultRow& row : found) t.rows.push_back({checked, row.position});
        return t;
    }
};

LoadedFile fileHolding(std::string_view bytes) {
    LoadedFile f;
    f.replaceBuffer(ByteString::copyOf(bytes));
    return f;
}

struct ReplaceCase {
    const char* name;
    std::string buffer;
    std::vector<std::pair<bool, Text>> rows;
    Text replacement, search;
    ReplaceOutcome outcome;
    std::string expected;
};

class ReplaceTest : public testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceTest, WritesCheckedPlaces) {
    const ReplaceCase& c = GetParam();
    LoadedFile file = fileHolding(c.buffer);
    EXPECT_EQ(replaceChecked(file, Rows{c.rows}, c.replacement, c.search), c.outcome);
    EXPECT_EQ(file.buffer().view(), c.expected);
}

using std::string_literals::operator""s;

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceTest,
    testing::Values(
        ReplaceCase{"same_length", "xxabcxxabc", {{true, "3"}, {true, "8"}}, "XYZ", "abc", ReplaceOutcome::done, "xxXYZxxXYZ"},
        ReplaceCase{"shorter_is_zero_padded", "xxabcxx", {{true, "3"}}, "X", "abc", ReplaceOutcome::done, "xxX\0\0xx"s},
        ReplaceCase{"only_checked_rows", "abcabcabcabcabc", {{true, "1"}, {false, "4"}, {false, "7"}, {false, "10"}, {true, "13"}},
                    "XYZ", "abc", ReplaceOutcome::done, "XYZabcabcabcXYZ"},
        ReplaceCase{"crlf_replacement", "abcd", {{true, "1"}}, "\r\n", "abc", ReplaceOutcome::done, "\r\n\0d"s},
        ReplaceCase{"none_checked", "abc", {{false, "1"}}, "X", "abc", ReplaceOutcome::done, "abc"},
        ReplaceCase{"empty_list", "abc", {}, "X", "abc", ReplaceOutcome::done, "abc"},
        ReplaceCase{"empty_replacement", "abc", {{true, "1"}}, "", "abc", ReplaceOutcome::emptyReplacement, "abc"},
        ReplaceCase{"too_long", "abc", {{true, "1"}}, "abcd", "abc", ReplaceOutcome::replacementTooLong, "abc"},
        // Two characters against three: fewer characters, but four bytes.
        ReplaceCase{"too_long_in_bytes", "abc", {{true, "1"}}, "\xd6\xd0\xce\xc4", "abc", ReplaceOutcome::replacementTooLong, "abc"},
        ReplaceCase{"empty_search_box", "abc", {{true, "1"}}, "X", "", ReplaceOutcome::replacementTooLong, "abc"},
        // Overlapping places: written from the highest down, the lowest wins.
        ReplaceCase{"overlap_same_length", "aaaa", {{true, "1"}, {true, "2"}, {true, "3"}}, "bc", "aa", ReplaceOutcome::done, "bccc"},
        ReplaceCase{"overlap_padded", "aaaa", {{true, "1"}, {true, "2"}, {true, "3"}}, "b", "aa", ReplaceOutcome::done, "b\0\0\0"s},
        // Stale rows: places not wholly inside the buffer are skipped, so the
        // size never changes; those inside are written.
        ReplaceCase{"stale_past_end", "abcdef", {{true, "5"}, {true, "9"}, {true, "2"}}, "XYZ", "abc", ReplaceOutcome::done, "aXYZef"},
        ReplaceCase{"stale_bad_positions", "abcdef", {{true, "0"}, {true, "-3"}, {true, "junk"}, {true, "4"}}, "XYZ", "abc",
                    ReplaceOutcome::done, "abcXYZ"},
        ReplaceCase{"edited_search_text_shorter", "abcdef", {{true, "2"}}, "X", "ab", ReplaceOutcome::done, "aX\0def"s}),
    [](const testing::TestParamInfo<ReplaceCase>& i) { return std::string(i.param.name); });

TEST(Replace, ModifyTwiceWritesTheSameBytes) {
    LoadedFile file = fileHolding("one two one");
    const Rows rows = Rows::fromSearch(searchOccurrences(file.buffer(), "one", "10", "10"), true);
    ASSERT_EQ(replaceChecked(file, rows, "1", "one"), ReplaceOutcome::done);
    const ByteString once = file.buffer();
    ASSERT_EQ(replaceChecked(file, rows, "1", "one"), ReplaceOutcome::done);
    EXPECT_EQ(file.buffer(), once);
    EXPECT_EQ(once.view(), "1\0\0 two 1\0\0"s);
}

// Modify reuses a working copy nobody else holds; a value still held
// elsewhere must keep its bytes.
TEST(Replace, LeavesOtherHoldersOfTheOldBufferUntouched) {
    LoadedFile file = fileHolding("abcabc");
    const ByteString before = file.buffer();
    ASSERT_EQ(replaceChecked(file, Rows{{{true, "4"}}}, "X", "abc"), ReplaceOutcome::done);
    EXPECT_EQ(before.view(), "abcabc");
    EXPECT_EQ(file.buffer().view(), "abcX\0\0"s);
    ASSERT_EQ(replaceChecked(file, Rows{{{true, "1"}}}, "Y", "abc"), ReplaceOutcome::done);
    EXPECT_EQ(file.buffer().view(), "Y\0\0X\0\0"s);
}

TEST(PatchCycle, LoadSearchCheckReplaceSaveReadBack) {
    TempDir dir;
    std::string original = "MZ\0\0"s + "Hello, \xca\xc0\xbd\xe7!" + std::string(3, '\0') + "Hello, \xca\xc0\xbd\xe7!" + "\x01\x02"s;
    writeBytes(dir / "prog.exe", original);

    LoadedFile file;
    ASSERT_TRUE(file.load(dir / "prog.exe"));
    const Text search = "\xca\xc0\xbd\xe7";  // two GBK characters, four bytes
    const auto found = searchOccurrences(file.buffer(), search, "7", "1");
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].before, "Hello, ");
    EXPECT_EQ(found[0].after, "!");
    Rows rows = Rows::fromSearch(found, false);
    rows.rows[1].first = true;
    ASSERT_EQ(replaceChecked(file, rows, "\xc4\xe3", search), ReplaceOutcome::done);
    ASSERT_TRUE(file.save(dir / "patched.exe"));

    std::string expected = original;
    const std::size_t at = static_cast<std::size_t>(std::stoi(found[1].position)) - 1;
    expected.replace(at, 4, "\xc4\xe3\0\0"s);
    EXPECT_EQ(readBytes(dir / "patched.exe"), expected);
    EXPECT_EQ(readBytes(dir / "prog.exe"), original);
}

}  // namespace
}  // namespace varnolt
