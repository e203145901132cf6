// Whole-file reads and atomic whole-file writes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "engine/byte_string.h"

namespace varnolt {
namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now and reports whether the close succeeded.
    bool reset() {
        if (fd_ < 0) return true;
        const bool ok = ::close(fd_) == 0;
        fd_ = -1;
        return ok;
    }

private:
    int fd_;
};

bool writeAll(int fd, const std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

// Used only where the folder takes no temporary file. The old bytes are not
// touched until the space for the new ones is reserved, so a full disk or a
// file size limit fails before anything is lost; only a device error in the
// middle of the write could still leave a mix.
bool writeInPlace(const Text& path, const ByteString& data) {
    Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666));
    if (!fd.valid()) return false;
    const auto size = static_cast<off_t>(data.size());
    if (size > 0) {
        const int reserved = ::posix_fallocate(fd.get(), 0, size);
        // A file system that cannot reserve space is written without.
        if (reserved != 0 && reserved != EOPNOTSUPP && reserved != EINVAL) return false;
    }
    bool ok = writeAll(fd.get(), data.data(), static_cast<std::size_t>(data.size()));
    ok = ok && ::ftruncate(fd.get(), size) == 0;
    ok = ok && ::fsync(fd.get()) == 0;
    return fd.reset() && ok;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

mode_t currentUmask() {
    const mode_t m = ::umask(0);
    ::umask(m);
    return m;
}

}  // namespace

std::optional<ByteString> tryReadFile(const Text& path) {
    if (path.empty()) return std::nullopt;
    // Non-blocking so that a FIFO without a writer cannot hang the open; only
    // regular files are read at all.
    Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.valid()) return std::nullopt;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    if (st.st_size < 0 || st.st_size > INT32_MAX) return std::nullopt;
    const auto size = static_cast<std::int32_t>(st.st_size);

    std::optional<ByteBuilder> b = ByteBuilder::tryAllocate(size);
    if (!b) return std::nullopt;
    std::size_t got = 0;
    const auto want = static_cast<std::size_t>(size);
    while (got < want) {
        const ssize_t r = ::read(fd.get(), b->data() + got, want - got);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return std::nullopt;
        if (r == 0) break;  // the file shrank while being read: keep what arrived
        got += static_cast<std::size_t>(r);
    }
    b->shrink(static_cast<std::int32_t>(got));
    return std::move(*b).freeze();
}

ByteString readFile(const Text& path) { return tryReadFile(path).value_or(ByteString()); }

bool writeFile(const Text& path, const ByteString& data) {
    if (path.empty()) return false;

    // Write next to the file a link points at, so the link stays a link.
    std::string target = path;
    struct stat st {};
    bool exists = ::lstat(path.c_str(), &st) == 0;
    if (exists && S_ISLNK(st.st_mode)) {
        char* resolved = ::realpath(path.c_str(), nullptr);
        if (resolved != nullptr) {
            target = resolved;
            std::free(resolved);
        }
        exists = ::stat(target.c_str(), &st) == 0;
    }
    if (exists && !S_ISREG(st.st_mode)) return false;  // never replace a folder, device or FIFO

    std::string tempName = folderOf(target) + "/.varnolt-XXXXXX";
    Fd fd(::mkostemp(tempName.data(), O_CLOEXEC));
    if (!fd.valid()) {
        // A folder we may not create in can still hold a file we may write.
        if (errno == EACCES || errno == EPERM) return writeInPlace(target, data);
        return false;
    }
    const mode_t mode = exists ? (st.st_mode & 07777) : (0666 & ~currentUmask());
    if (exists) (void)!::fchown(fd.get(), st.st_uid, st.st_gid);  // best effort: only root may
    bool ok = ::fchmod(fd.get(), mode) == 0;  // after chown, which may clear set-id bits
    ok = ok && writeAll(fd.get(), data.data(), static_cast<std::size_t>(data.size()));
    ok = ok && ::fsync(fd.get()) == 0;
    ok = fd.reset() && ok;
    ok = ok && ::rename(tempName.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tempName.c_str());
        return false;
    }
    // Make the rename itself durable; the data is already safe either way.
    Fd folder(::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid()) (void)::fsync(folder.get());
    return true;
}

}  // namespace varnolt
