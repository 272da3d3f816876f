#include "platform/child_process.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>

extern char** environ;

namespace kalidor {
namespace {

constexpr std::chrono::milliseconds kFallbackPollStep{10};

UniqueFd openPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
    long fd = ::syscall(SYS_pidfd_open, pid, 0);  // close-on-exec by definition
    if (fd >= 0)
        return UniqueFd(static_cast<int>(fd));
#else
    (void)pid;
#endif
    return {};
}

// dup2 onto the same number would keep close-on-exec set, so descriptors that could land on
// 0, 1 or 2 (when this process runs with a standard stream closed) are moved above them.
int aboveStandardStreams(int fd, UniqueFd& holder) {
    if (fd > 2)
        return fd;
    holder.reset(::fcntl(fd, F_DUPFD_CLOEXEC, 3));
    return holder.get();
}

struct SpawnAttr {
    posix_spawnattr_t attr;
    int init = posix_spawnattr_init(&attr);
    ~SpawnAttr() {
        if (init == 0)
            posix_spawnattr_destroy(&attr);
    }
};

struct SpawnActions {
    posix_spawn_file_actions_t actions;
    int init = posix_spawn_file_actions_init(&actions);
    ~SpawnActions() {
        if (init == 0)
            posix_spawn_file_actions_destroy(&actions);
    }
};

}  // namespace

int ExitCodeOfStatus(int status) {
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return 255;
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)), pidfd_(std::move(other.pidfd_)),
      exitCode_(std::exchange(other.exitCode_, std::nullopt)), endingSignal_(std::exchange(other.endingSignal_, 0)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        stopGroup(std::chrono::milliseconds(0));
        pid_ = std::exchange(other.pid_, -1);
        pidfd_ = std::move(other.pidfd_);
        exitCode_ = std::exchange(other.exitCode_, std::nullopt);
        endingSignal_ = std::exchange(other.endingSignal_, 0);
    }
    return *this;
}

ChildProcess::~ChildProcess() { stopGroup(std::chrono::milliseconds(200)); }

int ChildProcess::spawn(const std::string& path, const std::vector<std::string>& argv, int stdinFd,
                        int outputFd, const std::vector<std::string>& extra) {
    if (started())
        return EBUSY;
    UniqueFd inHolder, outHolder;
    stdinFd = aboveStandardStreams(stdinFd, inHolder);
    outputFd = aboveStandardStreams(outputFd, outHolder);
    if (stdinFd < 0 || outputFd < 0)
        return errno;

    SpawnActions actions;
    SpawnAttr attr;
    if (actions.init != 0)
        return actions.init;
    if (attr.init != 0)
        return attr.init;
    int rc = 0;
    if ((rc = posix_spawn_file_actions_adddup2(&actions.actions, stdinFd, 0)) != 0 ||
        (rc = posix_spawn_file_actions_adddup2(&actions.actions, outputFd, 1)) != 0 ||
        (rc = posix_spawn_file_actions_adddup2(&actions.actions, outputFd, 2)) != 0)
        return rc;

    sigset_t empty, defaults;
    sigemptyset(&empty);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGTERM);
    if ((rc = posix_spawnattr_setflags(&attr.attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                                       POSIX_SPAWN_SETSIGDEF)) != 0 ||
        (rc = posix_spawnattr_setpgroup(&attr.attr, 0)) != 0 ||
        (rc = posix_spawnattr_setsigmask(&attr.attr, &empty)) != 0 ||
        (rc = posix_spawnattr_setsigdefault(&attr.attr, &defaults)) != 0)
        return rc;

    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    std::vector<std::string> added = extra;
    added.push_back(std::string(kOwnerPidVariable) + "=" + std::to_string(::getpid()));
    const auto replaced = [&](const char* entry) {
        for (const std::string& a : added)
            if (const auto name = a.find('='); name != std::string::npos && std::strncmp(entry, a.c_str(), name + 1) == 0)
                return true;
        return false;
    };
    std::vector<char*> environment;
    for (char** e = environ; *e; ++e)
        if (!replaced(*e))
            environment.push_back(*e);
    for (std::string& a : added)
        environment.push_back(a.data());
    environment.push_back(nullptr);

    pid_t pid = -1;
    rc = posix_spawn(&pid, path.c_str(), &actions.actions, &attr.attr, args.data(), environment.data());
    if (rc != 0)
        return rc;
    pid_ = pid;
    pidfd_ = openPidFd(pid);
    return 0;
}

std::optional<int> ChildProcess::tryWait() {
    if (exitCode_ || !started())
        return exitCode_;
    int status = 0;
    pid_t r;
    do
        r = ::waitpid(pid_, &status, WNOHANG);
    while (r < 0 && errno == EINTR);
    if (r == pid_)
        reaped(status);
    else if (r < 0)
        exitCode_ = 255;  // reaped elsewhere (SIGCHLD ignored): ended, code unknown
    if (exitCode_)
        pidfd_.reset();
    return exitCode_;
}

bool ChildProcess::waitForEnd(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (pidfd_) {
            pollfd p{pidfd_.get(), POLLIN, 0};
            int r = ::poll(&p, 1, static_cast<int>(std::max<long long>(0, left.count())));
            if (r > 0)
                return true;
            if (r == 0)
                return false;
            if (errno != EINTR)
                pidfd_.reset();  // fall back to waitid below
            continue;
        }
        siginfo_t info{};
        int r = ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT);
        if (r < 0 && errno != EINTR)
            return true;  // nothing to wait for any more
        if (r == 0 && info.si_pid == pid_)
            return true;
        if (left.count() <= 0)
            return false;
        std::this_thread::sleep_for(std::min(left, kFallbackPollStep));
    }
}

void ChildProcess::reapBlocking() {
    int status = 0;
    pid_t r;
    do
        r = ::waitpid(pid_, &status, 0);
    while (r < 0 && errno == EINTR);
    if (r == pid_)
        reaped(status);
    else
        exitCode_ = 255;
    pidfd_.reset();
}

void ChildProcess::reaped(int status) {
    exitCode_ = ExitCodeOfStatus(status);
    endingSignal_ = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

void ChildProcess::stopGroup(std::chrono::milliseconds grace) {
    if (!started() || exitCode_)
        return;
    // The child is unreaped here, so -pid_ still names its group and nobody else's.
    ::kill(-pid_, SIGTERM);
    waitForEnd(grace);
    ::kill(-pid_, SIGKILL);
    reapBlocking();
}

}  // namespace kalidor
