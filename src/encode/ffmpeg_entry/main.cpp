// lib/ffmpeg: the encoder entry. Takes the export's argument line, runs the installed ffmpeg
// with it adapted (encoder_entry.h) and passes ffmpeg's output and exit code through.
//
// The frames are decoded here and reach ffmpeg raw (frame_feed.h); frames that the program which
// started us is still writing are followed as they come, and removed once fed.
//
// ffmpeg inherits our standard streams, so its progress lines (CR-ended, on standard error)
// reach the runner's pipe byte for byte. It runs in our process group, so the runner's group
// stop reaches it as well.
//
// The movie is written to a hidden partial file beside it and renamed over the real path only
// when ffmpeg exits 0, so a failed or cancelled encode leaves the previous movie as it was and
// no partial one. SIGTERM, SIGINT, SIGHUP and SIGQUIT are forwarded to ffmpeg; the partial file
// is removed and the entry ends by that signal. SIGKILL cannot be caught: the entry and ffmpeg
// (in the group, or by its parent-death signal) end at once and a ".<name>.part-XXXXXX<ext>" file
// may stay behind; such names are never a finished movie and may be deleted.
//
// The entry ends with the program that started it, however that one ends: the kernel sends it
// SIGTERM when its parent goes (a stop as above), and a parent that went before the entry could
// ask for that is noticed by comparing with the owner's pid in the environment. A run whose
// owner is gone never replaces the movie.

#include "platform/command_line.h"
#include "encode/encoder_entry.h"
#include "encode/frame_feed.h"
#include "platform/child_process.h"
#include "platform/error.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace kalidor;

constexpr int kExitUsage = 2;
constexpr int kExitFailed = 1;
constexpr int kExitNoEncoder = 127;
// ffmpeg gets this long to end after a forwarded stop signal before it is killed; the partial
// file is dropped either way, and the runner kills the group 500 ms after its own SIGTERM.
constexpr std::chrono::milliseconds kStopGrace{300};

const int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

void report(const std::string& message) { std::cerr << "lib/ffmpeg: " << message << std::endl; }

// The pid of the program that started us, as it put it in our environment; empty when run by
// hand, with no owner to lose.
const std::string& ownerPid() {
    static const std::string owner = std::getenv(kOwnerPidVariable) ? std::getenv(kOwnerPidVariable) : "";
    return owner;
}

// True when the program that started us is no longer our parent.
bool ownerGone() { return !ownerPid().empty() && std::to_string(::getppid()) != ownerPid(); }

std::string errnoText(int error) { return std::strerror(error); }

// The partial movie: removed on destruction unless committed.
class PartialFile {
public:
    explicit PartialFile(std::string path) : path_(std::move(path)) {}
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;
    ~PartialFile() { discard(); }

    const std::string& path() const { return path_; }
    void discard() {
        if (!path_.empty())
            ::unlink(path_.c_str());
        path_.clear();
    }
    // Flushes the finished movie and renames it over `target`. Returns 0 or the errno.
    int commit(const std::string& target) {
        const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return errno;
        struct stat info {};
        const bool empty = ::fstat(fd, &info) == 0 && info.st_size == 0;
        const bool synced = ::fsync(fd) == 0;
        const int syncError = errno;
        ::close(fd);
        if (empty)
            return ENODATA;
        if (!synced)
            return syncError;
        if (::rename(path_.c_str(), target.c_str()) != 0)
            return errno;
        path_.clear();
        return 0;
    }

private:
    std::string path_;
};

sigset_t stopAndChildSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : kStopSignals)
        sigaddset(&set, s);
    sigaddset(&set, SIGCHLD);
    return set;
}

int pendingStopSignal() {
    sigset_t pending;
    sigpending(&pending);
    for (int s : kStopSignals)
        if (sigismember(&pending, s))
            return s;
    return 0;
}

[[noreturn]] void dieBy(int signal) {
    std::signal(signal, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(signal);
    std::_Exit(128 + signal);
}

// Starts ffmpeg with our streams, our group and an empty signal mask; it is killed if we die.
// `frames` (when not -1) becomes its kFrameFeedFd.
pid_t startEncoder(const std::string& program, const std::vector<std::string>& argv, int frames) {
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(kExitFailed);
    if (frames == kFrameFeedFd)
        ::fcntl(frames, F_SETFD, 0);
    else if (frames >= 0)
        ::dup2(frames, kFrameFeedFd);
    sigset_t empty;
    sigemptyset(&empty);
    sigprocmask(SIG_SETMASK, &empty, nullptr);
    ::execv(program.c_str(), args.data());
    const std::string message = "lib/ffmpeg: cannot start " + program + ": " + errnoText(errno) + "\n";
    [[maybe_unused]] auto written = ::write(2, message.data(), message.size());
    ::_exit(kExitNoEncoder);
}

// Waits for ffmpeg, forwarding the first stop signal and killing it when it outlasts the grace.
// Returns its exit code and the stop signal received (0 for none).
std::pair<int, int> waitForEncoder(pid_t pid) {
    const sigset_t set = stopAndChildSignals();
    int stopSignal = 0;
    bool killed = false;
    std::chrono::steady_clock::time_point killAt;
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid)
            return {ExitCodeOfStatus(status), stopSignal};
        if (r < 0 && errno != EINTR)
            return {255, stopSignal};
        // The child is unreaped here, so pid still names it.
        int signal;
        if (stopSignal && !killed) {
            const auto left = killAt - std::chrono::steady_clock::now();
            const auto ns = std::max<long long>(0, std::chrono::duration_cast<std::chrono::nanoseconds>(left).count());
            const timespec timeout{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
            signal = ::sigtimedwait(&set, nullptr, &timeout);
            if (signal < 0 && errno == EAGAIN) {
                ::kill(pid, SIGKILL);
                killed = true;
                continue;
            }
        } else {
            signal = ::sigwaitinfo(&set, nullptr);
        }
        if (signal > 0 && signal != SIGCHLD && !stopSignal) {
            stopSignal = signal;
            ::kill(pid, signal);
            killAt = std::chrono::steady_clock::now() + kStopGrace;
        }
    }
}

int run(const std::vector<std::string>& args) {
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    // Checked after asking: the owner may have ended between starting us and the call above.
    if (ownerGone()) {
        report("the program that started the encoder has ended; nothing was done");
        return kExitFailed;
    }
    if (std::getenv(kEncoderEntryMarker)) {
        report("the ffmpeg found on PATH is another Kalidor encoder entry, not the encoder; "
               "put Debian's ffmpeg (/usr/bin/ffmpeg) first on PATH");
        return kExitNoEncoder;
    }
    EncoderInvocation job;
    try {
        job = AdaptEncoderArguments(args);
    } catch (const Error& e) {
        report(e.what());
        report("usage: ffmpeg -y -r 30 -i <frames> [-i <music>] -vcodec C -f F [-acodec C] -b Nkb [-ab Nkb] "
               "-s WxH -t S <output>");
        return kExitUsage;
    }
    struct stat existing {};
    const bool exists = ::stat(job.output.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        report("the output " + job.output + " is a folder");
        return kExitUsage;
    }
    if (exists && !job.overwrite) {
        report(job.output + " already exists and -y was not given; left as it is");
        return kExitFailed;
    }
    const std::filesystem::path encoder = FindEncoderProgram(ProgramSearchPath(), "/proc/self/exe");
    if (encoder.empty()) {
        report("cannot find the encoder \"ffmpeg\" on PATH (Debian package ffmpeg: apt-get install ffmpeg)");
        return kExitNoEncoder;
    }

    // The frames are decoded here on every core and reach ffmpeg raw through a pipe. Frames our
    // owner is still writing are followed, which waits here for the first one.
    std::unique_ptr<FrameFeed> feed;
    try {
        feed = FrameFeed::Prepare(job, 0, ownerPid());
    } catch (const Error& e) {
        report(e.what());
        return kExitFailed;
    }

    // From here on stop signals wait for waitForEncoder, so none can slip in between making
    // the partial file and starting ffmpeg. An inherited SIG_IGN for SIGCHLD would let the
    // kernel reap ffmpeg and lose its exit code.
    std::signal(SIGCHLD, SIG_DFL);
    const sigset_t blocked = stopAndChildSignals();
    sigprocmask(SIG_BLOCK, &blocked, nullptr);

    PartialOutputTemplate name = PartialOutputTemplateFor(job.output);
    const int fd = ::mkostemps(name.path.data(), name.suffixLength, O_CLOEXEC);
    if (fd < 0) {
        report("cannot create a partial file beside " + job.output + ": " + errnoText(errno));
        return kExitFailed;
    }
    PartialFile partial(name.path);
    // mkostemps makes the file 0600; ffmpeg only truncates it, so give it a new file's mode.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    ::close(fd);

    std::vector<std::string> argv{"ffmpeg"};
    argv.insert(argv.end(), job.options.begin(), job.options.end());
    // "file:" keeps ffmpeg from reading a protocol into a relative name holding ':'.
    argv.push_back("file:" + partial.path());
    ::setenv(kEncoderEntryMarker, "1", 1);
    ::setenv(kOwnerPidVariable, std::to_string(::getpid()).c_str(), 1);  // ffmpeg's owner is us
    if (feed)
        FrameFeed::TuneEncoderMemory();
    const pid_t pid = startEncoder(encoder.string(), argv, feed ? feed->encoderEnd() : -1);
    if (pid < 0) {
        report("cannot start " + encoder.string() + ": " + errnoText(errno));
        return kExitFailed;
    }
    if (feed)
        feed->Start();
    const auto [code, stopSignal] = waitForEncoder(pid);
    const int lateStop = stopSignal ? stopSignal : pendingStopSignal();
    if (lateStop) {
        partial.discard();
        dieBy(lateStop);
    }
    if (feed) {
        if (const std::string error = feed->Finish(); !error.empty()) {
            report(error);
            return kExitFailed;
        }
    }
    if (code != 0)
        return code;
    if (ownerGone()) {
        report("the program that started the encoder has ended; " + job.output + " was not replaced");
        return kExitFailed;
    }
    if (const int error = partial.commit(job.output); error != 0) {
        report(error == ENODATA ? "ffmpeg ended without writing " + job.output
                                : "cannot replace " + job.output + ": " + errnoText(error));
        return kExitFailed;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) { return run(std::vector<std::string>(argv + 1, argv + argc)); }
