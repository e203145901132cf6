// Files that are not plain files, or are plain only in name, for fault tests.
#pragma once

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace varnolt::testing_support {

// A Unix socket bound at path; the socket is closed again, the name stays.
inline bool makeUnixSocket(const std::string& path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int s = socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = s >= 0 && bind(s, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
    if (s >= 0) close(s);
    return bound;
}

// A file of size bytes that are holes (zeros, no disk space) but for tail,
// which ends it.
inline bool makeSparse(const std::string& path, std::int64_t size, const std::string& tail = {}) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = ftruncate(fd, size) == 0;
    if (ok && !tail.empty())
        ok = pwrite(fd, tail.data(), tail.size(), size - static_cast<std::int64_t>(tail.size())) ==
             static_cast<ssize_t>(tail.size());
    return close(fd) == 0 && ok;
}

}  // namespace varnolt::testing_support
