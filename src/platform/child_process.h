#pragma once
// A console child process started without a shell, in a process group of its own.
//
// The handle is move-only. Its destructor ends a child that has not been reaped (stopGroup),
// so neither a running child nor a zombie outlives it. The group is signalled only while the
// child is unreaped: its zombie keeps the group id from being reused.

#include "platform/unique_fd.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace kalidor {

// Set in every child's environment to the pid of the process that started it, so that a child
// can tell whether its parent is still the one that started it (a parent that died before the
// child asked for a parent-death signal leaves it with another parent).
inline constexpr const char* kOwnerPidVariable = "KALIDOR_OWNER_PID";

// A wait status as a shell reports it: the exit code, or 128 + the signal that ended the process.
int ExitCodeOfStatus(int status);

class ChildProcess {
public:
    ChildProcess() noexcept = default;
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    // Starts the program at `path` with `argv` (argv[0] included) and this process's
    // environment (plus kOwnerPidVariable and `environment`'s "NAME=value" entries, each
    // replacing an inherited one of that name) and current folder. Its standard input is
    // `stdinFd`, its standard output and error both `outputFd`; every other descriptor of ours
    // must be close-on-exec. The child gets an empty signal mask and the default actions for
    // SIGPIPE and SIGTERM, whatever this process has set. Returns 0, or the errno of the failure.
    int spawn(const std::string& path, const std::vector<std::string>& argv, int stdinFd, int outputFd,
              const std::vector<std::string>& environment = {});

    bool started() const noexcept { return pid_ > 0; }
    pid_t pid() const noexcept { return pid_; }

    // Readable once the child has ended; -1 when the kernel has no process descriptors, in
    // which case the caller checks tryWait now and then.
    int exitFd() const noexcept { return pidfd_.get(); }

    // The child's exit code once it has ended (reaping it), else nothing. A child ended by
    // signal N gives 128 + N, as shells report it.
    std::optional<int> tryWait();
    std::optional<int> exitCode() const { return exitCode_; }
    // The signal that ended the child once it has been reaped, 0 when it exited by itself.
    int endingSignal() const noexcept { return endingSignal_; }

    // Asks the whole group to end (SIGTERM), gives the child up to `grace` to go, then kills
    // what is left of the group (SIGKILL) and reaps the child. Does nothing once reaped.
    void stopGroup(std::chrono::milliseconds grace);

private:
    bool waitForEnd(std::chrono::milliseconds timeout);  // without reaping
    void reapBlocking();
    void reaped(int status);  // records how the child ended

    pid_t pid_ = -1;
    UniqueFd pidfd_;
    std::optional<int> exitCode_;
    int endingSignal_ = 0;
};

}  // namespace kalidor
