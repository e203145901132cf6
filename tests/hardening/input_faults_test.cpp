// Texts as users paste them: huge search texts and length texts that are no
// plain numbers. None may crash, hang or change the buffer's size.
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "engine/loaded_file.h"
#include "engine/occurrence_search.h"
#include "engine/replacement.h"
#include "tests/engine/child_process.h"

namespace varnolt {
namespace {

struct LengthCase {
    const char* name;
    Text lengthText;  // typed into both length boxes
    std::string expectedBefore, expectedAfter;
};

class LengthTextTest : public testing::TestWithParam<LengthCase> {};

TEST_P(LengthTextTest, ContextSpansStayInsideTheBuffer) {
    const LengthCase& c = GetParam();
    // Hits at the very start and the very end, where a wrong span would reach
    // outside the buffer.
    const auto rows = searchOccurrences(ByteString::copyOf("HIT0123456789HIT"), "HIT", c.lengthText, c.lengthText);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].before, "");
    EXPECT_EQ(rows[0].after, c.expectedAfter);
    EXPECT_EQ(rows[1].before, c.expectedBefore);
    EXPECT_EQ(rows[1].after, "");
}

INSTANTIATE_TEST_SUITE_P(
    Pasted, LengthTextTest,
    testing::Values(
        // Wraps to 1215752191: everything there is.
        LengthCase{"eleven_nines", "99999999999", "HIT0123456789", "0123456789HIT"},
        LengthCase{"int_min", "-2147483648", "", ""}, LengthCase{"int_max", "2147483647", "HIT0123456789", "0123456789HIT"},
        LengthCase{"double_minus", "--5", "", ""},
        // Wraps to 4.
        LengthCase{"wraps_to_small", "4294967300", "6789", "0123"},
        LengthCase{"full_width_digits", "\xa3\xb4", "6789", "0123"},
        LengthCase{"full_width_minus", "\xa3\xad\xa3\xb4", "", ""},
        LengthCase{"full_width_space_and_plus", "\xa1\xa1\xa3\xab\xa3\xb4", "6789", "0123"},
        LengthCase{"lone_lead_byte", "\xa3", "", ""}),
    [](const testing::TestParamInfo<LengthCase>& i) { return std::string(i.param.name); });

// Bytes of address space the process uses now.
rlim_t addressSpaceInUse() {
    std::ifstream statm("/proc/self/statm");
    rlim_t pages = 0;
    statm >> pages;
    return pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
}

// "99999999999" asks for every byte before and after each hit. On a file
// without zero bytes (a text, a table of data) rows holding all of them would
// take about 1000 times the file's size, 32 GB for this 16 MiB buffer: the
// program would die of its memory. The search must fit in 1 GiB more.
TEST(PastedLength, HugeCountsOnAFileWithoutZeroBytesStayWithinMemory) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space, so no limit on it can be set";
#endif
    std::string bytes(16 << 20, 'x');
    for (std::size_t i = 0; i < 1000; ++i) bytes.replace(bytes.size() / 1000 * i + 7, 3, "HIT");
    const ByteString buffer = ByteString::copyOf(bytes);
    const testing_support::ChildEnd end = testing_support::runInChild(
        [&] {
            const rlim_t bound = addressSpaceInUse() + (rlim_t{1} << 30);
            const rlimit limit{bound, bound};
            if (setrlimit(RLIMIT_AS, &limit) != 0) return 2;
            return searchOccurrences(buffer, "HIT", "99999999999", "99999999999").size() == 1000 ? 0 : 1;
        },
        120);
    // An exception here is std::bad_alloc; exit code 255 the engine's own
    // out-of-memory stop.
    EXPECT_TRUE(end.exitedWith(0)) << "the search " << end.describe();
}

// A search text of 1 MiB, no zero byte in it.
std::string mebibyteText() {
    std::string t(1 << 20, '\0');
    for (std::size_t i = 0; i < t.size(); ++i) t[i] = static_cast<char>(1 + i * 131 % 254);
    return t;
}

struct Rows {
    std::vector<ResultRow> found;
    std::int32_t rowCount() const { return static_cast<std::int32_t>(found.size()); }
    std::int32_t isChecked(std::int32_t r) const { return r >= 0 && r < rowCount() ? 1 : -1; }
    Text cellText(std::int32_t r, std::int32_t) const { return found[static_cast<std::size_t>(r)].position; }
};

TEST(PastedSearchText, MebibyteTextIsFoundListedAndReplacedInPlace) {
    const std::string text = mebibyteText();
    const std::string buffer = "head" + text + "middle" + text + "tail";
    LoadedFile file;
    file.replaceBuffer(ByteString::copyOf(buffer));

    const auto rows = searchOccurrences(file.buffer(), text, "4", "6");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].position, "5");
    EXPECT_EQ(rows[1].position, std::to_string(5 + text.size() + 6));
    EXPECT_EQ(rows[0].before, "head");
    EXPECT_EQ(rows[0].after, "middle");
    EXPECT_TRUE(rows[1].found == text.substr(0, maxCellBytes)) << "the shown search text is cut, not garbled";

    const std::string shorter = text.substr(1);
    ASSERT_EQ(replaceChecked(file, Rows{rows}, shorter, text), ReplaceOutcome::done);
    std::string expected = buffer;
    expected.replace(4, text.size(), shorter + '\0');
    expected.replace(4 + text.size() + 6, text.size(), shorter + '\0');
    ASSERT_EQ(file.buffer().size(), static_cast<std::int32_t>(buffer.size()));
    EXPECT_TRUE(file.buffer().view() == expected) << "the patched buffer differs";
}

TEST(PastedSearchText, MebibyteTextLongerThanTheBufferFindsNothing) {
    EXPECT_TRUE(searchOccurrences(ByteString::copyOf("short buffer"), mebibyteText(), "10", "10").empty());
}

// Every position of a periodic buffer agrees with a 1 MiB pattern but for its
// last bytes: a search that compared every candidate in full would take hours.
TEST(PastedSearchText, NearMissOnEveryCandidateFinishes) {
    std::string buffer;
    for (int i = 0; i < (4 << 20); ++i) buffer += "ab";
    std::string pattern = buffer.substr(0, 1 << 20) + "aa";
    EXPECT_TRUE(searchOccurrences(ByteString::copyOf(buffer), pattern, "10", "10").empty());
}

}  // namespace
}  // namespace varnolt
