#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "engine/byte_string.h"
#include "tests/engine/child_process.h"
#include "tests/engine/temp_dir.h"

namespace varnolt {
namespace {

using testing_support::dropPrivileges;
using testing_support::kCannotDropPrivileges;
using testing_support::readBytes;
using testing_support::runInChild;
using testing_support::TempDir;
using testing_support::writeBytes;

TEST(ReadFile, FailuresAreNotSuccessfulReads) {
    TempDir dir;
    writeBytes(dir / "empty", "");
    mkdir((dir / "folder").c_str(), 0755);

    EXPECT_FALSE(tryReadFile(""));
    EXPECT_FALSE(tryReadFile(dir / "missing"));
    EXPECT_FALSE(tryReadFile(dir / "folder"));
    EXPECT_FALSE(tryReadFile("/dev/zero"));
    const auto empty = tryReadFile(dir / "empty");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->size(), 0);
    EXPECT_TRUE(readFile(dir / "missing").empty());
}

TEST(ReadFile, FifoWithoutWriterFailsAtOnce) {
    TempDir dir;
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
    // In a child, so a regression hangs only the child, which the alarm ends.
    const auto end = runInChild([&] { return tryReadFile(dir / "fifo") ? 1 : 0; }, 5);
    EXPECT_TRUE(end.exitedWith(0)) << end.describe();
}

TEST(ReadFile, ReadsEveryByte) {
    TempDir dir;
    std::string content(5'000'000, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7 % 251);
    writeBytes(dir / "f", content);
    const auto read = tryReadFile(dir / "f");
    ASSERT_TRUE(read);
    EXPECT_EQ(read->view(), content);
}

TEST(WriteFile, ReplacesTheWholeContent) {
    TempDir dir;
    writeBytes(dir / "f", "a much longer old content");
    ASSERT_TRUE(writeFile(dir / "f", ByteString::copyOf(std::string("ne\0w", 4))));
    EXPECT_EQ(readBytes(dir / "f"), std::string("ne\0w", 4));

    ASSERT_TRUE(writeFile(dir / "f", ByteString()));
    EXPECT_EQ(readBytes(dir / "f"), "");
    ASSERT_TRUE(writeFile(dir / "new", ByteString::copyOf("x")));
    EXPECT_EQ(readBytes(dir / "new"), "x");
    EXPECT_EQ(dir.entryCount(), 2u) << "no temporary file may be left behind";
}

TEST(WriteFile, RefusesWhatItCannotWriteAndCreatesNothing) {
    TempDir dir;
    EXPECT_FALSE(writeFile("", ByteString::copyOf("x")));
    EXPECT_FALSE(writeFile(dir / "missing/f", ByteString::copyOf("x")));
    mkdir((dir / "folder").c_str(), 0755);
    writeBytes(dir / "folder/inside", "keep");
    EXPECT_FALSE(writeFile(dir / "folder", ByteString::copyOf("x")));
    EXPECT_EQ(readBytes(dir / "folder/inside"), "keep");
    EXPECT_EQ(dir.entryCount(), 1u);
}

TEST(WriteFile, KeepsPermissionBitsAndLinks) {
    TempDir dir;
    writeBytes(dir / "tool", "old");
    chmod((dir / "tool").c_str(), 0750);
    ASSERT_EQ(symlink("tool", (dir / "link").c_str()), 0);

    ASSERT_TRUE(writeFile(dir / "link", ByteString::copyOf("new")));
    struct stat st {};
    ASSERT_EQ(lstat((dir / "link").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "saving through a link must not replace the link";
    ASSERT_EQ(stat((dir / "tool").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0750u);
    EXPECT_EQ(readBytes(dir / "tool"), "new");
}

TEST(WriteFile, FailingMidwayLeavesTheOldFileAndNoTemporary) {
    TempDir dir;
    const std::string old(100'000, 'o');
    writeBytes(dir / "f", old);
    // A file size limit makes the write fail the way a full disk does.
    const auto end = runInChild([&] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{50'000, 50'000};
        setrlimit(RLIMIT_FSIZE, &limit);
        return writeFile(dir / "f", ByteString::copyOf(std::string(200'000, 'n'))) ? 1 : 0;
    });
    EXPECT_TRUE(end.exitedWith(0)) << "a failed write must report false; the child " << end.describe();
    EXPECT_EQ(readBytes(dir / "f"), old);
    EXPECT_EQ(dir.entryCount(), 1u);
}

TEST(WriteFile, ReadOnlyFolder) {
    TempDir dir;
    writeBytes(dir / "locked", "old");
    writeBytes(dir / "open", "old");
    chmod((dir / "locked").c_str(), 0644);
    chmod((dir / "open").c_str(), 0666);
    chmod(dir.path().c_str(), 0755);
    const auto end = runInChild([&] {
        if (!dropPrivileges()) return kCannotDropPrivileges;
        // The folder takes no temporary file: a file we may not write stays as
        // it was, and one we may write is written in place.
        if (writeFile(dir / "locked", ByteString::copyOf("new"))) return 1;
        if (!writeFile(dir / "open", ByteString::copyOf("new!"))) return 2;
        return 0;
    });
    if (end.exitedWith(kCannotDropPrivileges)) GTEST_SKIP() << "cannot drop to an unprivileged user here";
    EXPECT_TRUE(end.exitedWith(0)) << end.describe();
    EXPECT_EQ(readBytes(dir / "locked"), "old");
    EXPECT_EQ(readBytes(dir / "open"), "new!");
    EXPECT_EQ(dir.entryCount(), 2u);
}

}  // namespace
}  // namespace varnolt
