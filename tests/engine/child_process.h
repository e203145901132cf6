// Faults that hang, kill or need another user are tried in a forked child, so
// that they can only end the child, never the test program.
#pragma once

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace varnolt::testing_support {

// The exit code a child returns when it cannot become an unprivileged user.
inline constexpr int kCannotDropPrivileges = 77;
// The exit code of a child whose body threw: the exception must not reach the
// test framework, which would go on running the other tests in the child.
inline constexpr int kChildThrew = 78;

struct ChildEnd {
    int exitCode = -1;  // -1 when the child did not exit by itself
    int signal = 0;     // the signal that ended it, 0 if none

    bool exitedWith(int code) const { return signal == 0 && exitCode == code; }
    std::string describe() const {
        if (signal == SIGALRM) return "did not finish in time (hang)";
        if (signal != 0) return "died of signal " + std::to_string(signal);
        if (exitCode == kChildThrew) return "threw an exception";
        return "exited with " + std::to_string(exitCode);
    }
};

// Runs body in a child and waits for it. The alarm turns a hang into SIGALRM.
inline ChildEnd runInChild(const std::function<int()>& body, unsigned timeoutSeconds = 20) {
    const pid_t pid = fork();
    if (pid == 0) {
        alarm(timeoutSeconds);
        int code = kChildThrew;
        try {
            code = body();
        } catch (...) {
        }
        _exit(code);
    }
    int status = 0;
    ChildEnd end;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) return end;
    if (WIFEXITED(status)) end.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) end.signal = WTERMSIG(status);
    return end;
}

// Root ignores permission bits; a child that means to meet them becomes
// nobody. False when that is impossible; a process that is not root meets
// permissions already.
inline bool dropPrivileges() {
    if (geteuid() != 0) return true;
    const passwd* nobody = getpwnam("nobody");
    return nobody != nullptr && setgroups(0, nullptr) == 0 && setgid(nobody->pw_gid) == 0 &&
           setuid(nobody->pw_uid) == 0;
}

}  // namespace varnolt::testing_support
