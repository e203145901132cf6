// Saving under faults: whatever goes wrong, the destination holds exactly its
// old bytes or exactly the new ones, and nothing else in its folder changes.
#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <thread>

#include "engine/byte_string.h"
#include "tests/engine/temp_dir.h"
#include "tests/engine/child_process.h"
#include "tests/hardening/special_files.h"

namespace varnolt {
namespace {

namespace fs = std::filesystem;
using testing_support::ChildEnd;
using testing_support::dropPrivileges;
using testing_support::kCannotDropPrivileges;
using testing_support::makeUnixSocket;
using testing_support::readBytes;
using testing_support::runInChild;
using testing_support::TempDir;
using testing_support::writeBytes;

// Every name below a folder with what it is. Two equal snapshots mean nothing
// changed, and a stray temporary file shows as an extra name.
struct Entry {
    std::string kind;   // "file", "folder", "link" or "special"
    unsigned mode = 0;  // permission bits
    std::string bytes;  // a file's content or a link's target

    bool operator==(const Entry&) const = default;
};
using Snapshot = std::map<std::string, Entry>;

Snapshot snapshot(const fs::path& root) {
    Snapshot s;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(root)) {
        struct stat st {};
        lstat(e.path().c_str(), &st);
        Entry& entry = s[fs::relative(e.path(), root).string()];
        entry.mode = st.st_mode & 07777;
        if (S_ISLNK(st.st_mode)) {
            entry = {"link", 0, fs::read_symlink(e.path()).string()};
        } else if (S_ISDIR(st.st_mode)) {
            entry.kind = "folder";
        } else if (S_ISREG(st.st_mode)) {
            entry.kind = "file";
            entry.bytes = readBytes(e.path().string());
        } else {
            entry.kind = "special";
        }
    }
    return s;
}

struct SaveFault {
    const char* name;
    // Makes the folder as it is when the bytes go out (after the save dialog).
    std::function<void(const TempDir&)> arrange;
    std::string destination;      // relative to the scratch folder
    bool asNobody = false;        // permissions must apply
    rlim_t sizeLimit = 0;         // a file size limit, as a full disk would be
    std::optional<bool> written;  // the one right result, where there is one
    std::size_t newSize = 200'000;  // the old file has 100'000 bytes
};

const std::string oldBytes(100'000, 'o');

void noChange(const TempDir&) {}

// Failures name the case instead of dumping its bytes.
void PrintTo(const SaveFault& c, std::ostream* os) { *os << c.name; }

class SaveFaultTest : public testing::TestWithParam<SaveFault> {};

TEST_P(SaveFaultTest, DestinationHoldsOldOrNewBytesAndNothingElseChanges) {
    const SaveFault& c = GetParam();
    const std::string newBytes(c.newSize, 'n');
    TempDir dir;
    chmod(dir.path().c_str(), 0755);  // root-owned: read-only to nobody, yet passable
    writeBytes(dir / "f", oldBytes);
    c.arrange(dir);
    const Snapshot before = snapshot(dir.path());

    const ChildEnd end = runInChild([&] {
        if (c.asNobody && !dropPrivileges()) return kCannotDropPrivileges;
        if (c.sizeLimit != 0) {
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{c.sizeLimit, c.sizeLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        return writeFile(dir / c.destination, ByteString::copyOf(newBytes)) ? 1 : 0;
    });
    if (end.exitedWith(kCannotDropPrivileges)) GTEST_SKIP() << "cannot become the unprivileged user nobody here";
    ASSERT_TRUE(end.exitedWith(0) || end.exitedWith(1)) << "writeFile " << end.describe();
    const bool written = end.exitCode == 1;
    EXPECT_EQ(written, c.written.value_or(written)) << "writeFile returned the wrong result";

    Snapshot expected = before;
    if (written) {
        // A new file gets the usual permissions; an existing one keeps its own.
        const auto old = before.find(c.destination);
        const mode_t umaskNow = umask(0);
        umask(umaskNow);
        const unsigned mode = old != before.end() ? old->second.mode : 0666 & ~umaskNow;
        expected[c.destination] = {"file", mode, newBytes};
    }
    const Snapshot after = snapshot(dir.path());
    EXPECT_EQ(after.size(), expected.size()) << "a name appeared or vanished (a temporary file left behind?)";
    for (const auto& [name, what] : expected) {
        const auto it = after.find(name);
        ASSERT_NE(it, after.end()) << name << " vanished";
        // Described, not printed: the bytes run to hundreds of kilobytes.
        const Entry& got = it->second;
        EXPECT_TRUE(got == what) << name << " is a " << got.kind << " " << std::oct << got.mode << std::dec << " of "
                                 << got.bytes.size() << " bytes starting \"" << got.bytes.substr(0, 8)
                                 << "\" instead of a " << what.kind << " " << std::oct << what.mode << std::dec << " of "
                                 << what.bytes.size() << " bytes starting \"" << what.bytes.substr(0, 8) << "\"";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SaveFaultTest,
    testing::Values(
        // The folder takes no temporary file, so the file is written in place;
        // a write that fails there must not leave a stub of the new bytes.
        SaveFault{"in_place_write_fails_midway", [](const TempDir& d) { chmod((d / "f").c_str(), 0666); }, "f", true,
                  50'000, false},
        // Written in place, a shorter file leaves no tail of the old one.
        SaveFault{"in_place_shorter", [](const TempDir& d) { chmod((d / "f").c_str(), 0666); }, "f", true, 0, true,
                  40'000},
        SaveFault{"read_only_folder_new_name", noChange, "new", true, 0, false},
        // The file the dialog named is gone by the time Save writes.
        SaveFault{"deleted_after_dialog", [](const TempDir& d) { fs::remove(d / "f"); }, "f", false, 0, true},
        SaveFault{"folder_deleted_after_dialog", noChange, "gone/f", false, 0, false},
        SaveFault{"replaced_by_folder_after_dialog",
                  [](const TempDir& d) {
                      fs::remove(d / "f");
                      fs::create_directory(d / "f");
                      writeBytes(d / "f/inside", "keep");
                  },
                  "f", false, 0, false},
        SaveFault{"link_to_folder",
                  [](const TempDir& d) {
                      fs::create_directory(d / "sub");
                      fs::create_directory_symlink("sub", d / "link");
                  },
                  "link", false, 0, false},
        // Opening a FIFO for writing blocks until a reader comes: must be refused.
        SaveFault{"fifo_without_reader", [](const TempDir& d) { mkfifo((d / "fifo").c_str(), 0666); }, "fifo", false, 0,
                  false},
        SaveFault{"unix_socket",
                  [](const TempDir& d) { EXPECT_TRUE(makeUnixSocket(d / "sock")); },
                  "sock", false, 0, false},
        // In a shared sticky folder a temporary file can be made but not
        // renamed over another user's file: that temporary file must go.
        SaveFault{"sticky_folder_other_owner",
                  [](const TempDir& d) {
                      fs::create_directory(d / "shared");
                      chmod((d / "shared").c_str(), 01777);
                      writeBytes(d / "shared/f", oldBytes);
                      chmod((d / "shared/f").c_str(), 0666);
                  },
                  "shared/f", true, 0, std::nullopt}),
    [](const testing::TestParamInfo<SaveFault>& i) { return std::string(i.param.name); });

// Compares a file with expected bytes a chunk at a time: the files here are
// too large to hold twice.
bool fileHolds(const std::string& path, const std::string& expected) {
    std::ifstream in(path, std::ios::binary);
    std::string chunk(1 << 20, '\0');
    std::size_t at = 0;
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (at + got > expected.size() || expected.compare(at, got, chunk, 0, got) != 0) return false;
        at += got;
    }
    return at == expected.size();
}

std::optional<fs::path> temporaryFileIn(const TempDir& dir) {
    for (const fs::directory_entry& e : fs::directory_iterator(dir.path()))
        if (e.path().filename().string().starts_with(".varnolt-")) return e.path();
    return std::nullopt;
}

// The saving process is killed while the bytes of a large file are on their
// way: at the start of the write, halfway, and once all of them are written
// (before the rename or during the sync). The destination must hold exactly
// the old file or exactly the new one.
TEST(SaveKilled, DestinationIsOldOrNewNeverAMix) {
    TempDir dir;
    const std::string path = dir / "big.exe";
    std::string oldFile(96u << 20, '\0'), newFile(192u << 20, '\0');
    for (std::size_t i = 0; i < oldFile.size(); ++i) oldFile[i] = static_cast<char>(i % 251);
    for (std::size_t i = 0; i < newFile.size(); ++i) newFile[i] = static_cast<char>(i % 241 + 7);
    const ByteString data = ByteString::copyOf(newFile);

    int killedMidway = 0;
    for (const double fraction : {0.0, 0.5, 1.0}) {
        SCOPED_TRACE("killed once the temporary file held " + std::to_string(fraction) + " of the bytes");
        writeBytes(path, oldFile);
        const pid_t pid = fork();
        if (pid == 0) _exit(writeFile(path, data) ? 0 : 1);

        // Polls the temporary file's size, then kills. The deadline only ends
        // a broken run: the write itself takes well under a second.
        const auto threshold = static_cast<std::uintmax_t>(fraction * static_cast<double>(newFile.size()));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        bool sawTemporary = false;
        int status = 0;
        while (waitpid(pid, &status, WNOHANG) == 0 && std::chrono::steady_clock::now() < deadline) {
            const auto temporary = temporaryFileIn(dir);
            std::error_code ec;
            if (temporary && fs::file_size(*temporary, ec) >= std::max<std::uintmax_t>(threshold, 1) && !ec) {
                sawTemporary = true;
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                break;
            }
            std::this_thread::yield();
        }
        if (!WIFEXITED(status) && !WIFSIGNALED(status)) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            FAIL() << "the saving process neither finished nor made its temporary file";
        }
        const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        if (killed && sawTemporary) ++killedMidway;

        const bool holdsOld = fileHolds(path, oldFile);
        const bool holdsNew = !holdsOld && fileHolds(path, newFile);
        EXPECT_TRUE(holdsOld || holdsNew) << "the destination holds neither the old nor the new bytes";
        EXPECT_TRUE(killed || holdsNew) << "a save that finished must have written the new bytes";
        // Only a killed save may leave its temporary file; clear it for the next round.
        const auto leftover = temporaryFileIn(dir);
        EXPECT_TRUE(killed || !leftover) << "a finished save left its temporary file behind";
        if (leftover) fs::remove(*leftover);
    }
    EXPECT_GT(killedMidway, 0) << "no round killed the save while it was writing, so nothing was tried";
}

}  // namespace
}  // namespace varnolt
