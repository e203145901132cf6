// Loading under faults: a file that cannot be read fails at once and leaves
// the working copy, unsaved patches included, as it was.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "engine/loaded_file.h"
#include "engine/occurrence_search.h"
#include "engine/replacement.h"
#include "tests/engine/temp_dir.h"
#include "tests/engine/child_process.h"
#include "tests/hardening/special_files.h"

namespace varnolt {
namespace {

namespace fs = std::filesystem;
using testing_support::ChildEnd;
using testing_support::dropPrivileges;
using testing_support::kCannotDropPrivileges;
using testing_support::makeSparse;
using testing_support::makeUnixSocket;
using testing_support::runInChild;
using testing_support::TempDir;
using testing_support::writeBytes;

constexpr std::int64_t kTwoGiB = std::int64_t{1} << 31;

struct LoadFault {
    const char* name;
    std::function<std::string(const TempDir&)> arrange;  // gives the dropped path
    bool asNobody = false;
};

// Failures name the case instead of dumping its bytes.
void PrintTo(const LoadFault& c, std::ostream* os) { *os << c.name; }

class LoadFaultTest : public testing::TestWithParam<LoadFault> {};

TEST_P(LoadFaultTest, FailsAtOnceAndKeepsTheWorkingCopy) {
    const LoadFault& c = GetParam();
    TempDir dir;
    chmod(dir.path().c_str(), 0755);
    writeBytes(dir / "earlier.exe", "earlier file");
    const std::string path = c.arrange(dir);

    // The child's exit code says what went wrong; the alarm catches a hang.
    enum { kFine, kLoaded, kFlagLost, kCopyChanged, kEarlierUnreadable };
    const ChildEnd end = runInChild(
        [&] {
            if (c.asNobody && !dropPrivileges()) return kCannotDropPrivileges;
            LoadedFile file;
            if (!file.load(dir / "earlier.exe")) return static_cast<int>(kEarlierUnreadable);
            file.replaceBuffer(ByteString::copyOf("patched, not saved"));
            if (file.load(path)) return static_cast<int>(kLoaded);
            if (!file.isLoaded()) return static_cast<int>(kFlagLost);
            return static_cast<int>(file.buffer().view() == "patched, not saved" ? kFine : kCopyChanged);
        },
        10);
    if (end.exitedWith(kCannotDropPrivileges)) GTEST_SKIP() << "cannot become the unprivileged user nobody here";
    EXPECT_FALSE(end.exitedWith(kLoaded)) << "the load reported success";
    EXPECT_FALSE(end.exitedWith(kFlagLost)) << "the loaded flag was cleared";
    EXPECT_FALSE(end.exitedWith(kCopyChanged)) << "the unsaved working copy was replaced";
    EXPECT_TRUE(end.exitedWith(kFine)) << "the load " << end.describe();
}

INSTANTIATE_TEST_SUITE_P(
    Faults, LoadFaultTest,
    testing::Values(
        LoadFault{"no_read_permission",
                  [](const TempDir& d) {
                      writeBytes(d / "secret", "unreadable to nobody");
                      chmod((d / "secret").c_str(), 0600);
                      return d / "secret";
                  },
                  true},
        LoadFault{"folder_without_permission",
                  [](const TempDir& d) {
                      fs::create_directory(d / "closed");
                      writeBytes(d / "closed/f", "behind a closed folder");
                      chmod((d / "closed").c_str(), 0700);
                      return d / "closed/f";
                  },
                  true},
        // One byte past the largest size a length can hold.
        LoadFault{"sparse_two_gib",
                  [](const TempDir& d) {
                      EXPECT_TRUE(makeSparse(d / "huge", kTwoGiB));
                      return d / "huge";
                  }},
        // Cut to 32 bits this size would read as 10 bytes.
        LoadFault{"sparse_four_gib_and_ten",
                  [](const TempDir& d) {
                      EXPECT_TRUE(makeSparse(d / "huge", (kTwoGiB << 1) + 10, "0123456789"));
                      return d / "huge";
                  }},
        LoadFault{"unix_socket",
                  [](const TempDir& d) {
                      EXPECT_TRUE(makeUnixSocket(d / "sock"));
                      return d / "sock";
                  }},
        LoadFault{"link_loop",
                  [](const TempDir& d) {
                      fs::create_symlink("b", d / "a");
                      fs::create_symlink("a", d / "b");
                      return d / "a";
                  }},
        LoadFault{"file_named_as_folder", [](const TempDir& d) { return d / "earlier.exe/"; }}),
    [](const testing::TestParamInfo<LoadFault>& i) { return std::string(i.param.name); });

// The largest file a length can hold loads whole, and a pattern ending on its
// very last byte is found: its after span would start at 2^31, one past the
// largest position.
TEST(LargestFile, LoadsAndIsSearchedAndPatchedToItsLastByte) {
    TempDir dir;
    const std::string tail = "abcdEND-MARK";
    ASSERT_TRUE(makeSparse(dir / "largest", kTwoGiB - 1, tail));

    LoadedFile file;
    ASSERT_TRUE(file.load(dir / "largest"));
    ASSERT_EQ(file.buffer().size(), INT32_MAX);
    const std::string hitAt = std::to_string(INT32_MAX - 8 + 1);

    auto rows = searchOccurrences(file.buffer(), "END-MARK", "4", "2147483647");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].position, hitAt);
    EXPECT_EQ(rows[0].before, "abcd");
    EXPECT_EQ(rows[0].after, "");
    // Counts that leave 32 bits when added to the position.
    rows = searchOccurrences(file.buffer(), "END-MARK", "-2147483648", "99999999999");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].before, "");
    EXPECT_EQ(rows[0].after, "");

    struct OneRow {
        Text position;
        std::int32_t rowCount() const { return 1; }
        std::int32_t isChecked(std::int32_t r) const { return r == 0 ? 1 : -1; }
        Text cellText(std::int32_t, std::int32_t) const { return position; }
    };
    ASSERT_EQ(replaceChecked(file, OneRow{hitAt}, "PATCH", "END-MARK"), ReplaceOutcome::done);
    ASSERT_EQ(file.buffer().size(), INT32_MAX);
    EXPECT_EQ(file.buffer().view().substr(INT32_MAX - 12), std::string("abcdPATCH\0\0\0", 12));
}

}  // namespace
}  // namespace varnolt
