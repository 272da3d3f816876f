// lib/ffmpeg: the encoder entry. Takes the export's argument line, runs the installed ffmpeg
// with it adapted (encoder_entry.h) and passes ffmpeg's output and its ending through: its exit
// code, or the signal that ended it (the entry then ends by that signal too).
//
// The frames are decoded here and reach ffmpeg raw (frame_feed.h); frames that the program which
// started us is still writing are followed as they come, and removed once fed.
//
// ffmpeg inherits our standard streams, so its progress lines (CR-ended, on standard error)
// reach the runner's pipe byte for byte. It runs in our process group, so the runner's group
// stop reaches it as well.
//
// The movie is written to a hidden partial file beside it (partial_movie.h). When the program
// that started us names one in KALIDOR_MOVIE_PART, that file is its own: we only write into it,
// and it puts it in place or removes it once we have ended, however we end. Run by hand, we make
// our own and rename it over the real path only when ffmpeg exits 0, so a failed or cancelled
// encode leaves the previous movie as it was and no partial one (SIGKILL aside).
//
// Before ffmpeg starts, the entry asks it whether it has libx264 (an MP4 is H.264 or nothing)
// and asks ffprobe how long the music is (music running past the movie fades out).
//
// SIGTERM, SIGINT, SIGHUP and SIGQUIT are forwarded to ffmpeg; the entry then ends by that
// signal. SIGKILL cannot be caught: the entry and ffmpeg (in the group, or by its parent-death
// signal) end at once.
//
// The entry ends with the program that started it, however that one ends: the kernel sends it
// SIGUSR1 when its parent goes (then a stop as above, with the owner's partial file removed, as
// the owner no longer can), and a parent that went before the entry could ask for that is
// noticed by comparing with the owner's pid in the environment. A run whose owner is gone never
// replaces the movie.

#include "platform/command_line.h"
#include "encode/encoder_entry.h"
#include "encode/ffmpeg_queries.h"
#include "encode/frame_feed.h"
#include "encode/partial_movie.h"
#include "platform/child_process.h"
#include "platform/error.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <future>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
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

// The kernel tells us of our owner's end with a signal of its own, not a stop signal: a stop may
// come from an owner that lives on (a cancel), which removes its partial file itself; an owner
// that ended cannot. (The owner's threads end one by one, and the first to go signals us while
// the process is still our parent, so the parent's pid cannot tell the two apart.)
constexpr int kOwnerEndSignal = SIGUSR1;

// The owner's partial file, for its end before ffmpeg runs (while the first frames are awaited).
char gOwnersPartial[4096];

void ownerEnded(int) {
    if (gOwnersPartial[0])
        ::unlink(gOwnersPartial);
    ::signal(SIGTERM, SIG_DFL);
    ::raise(SIGTERM);
}

// The owner's end, once waited for as a signal like the stops (from ffmpeg's start on).
bool gOwnerEndSeen = false;

// A stop or the owner's end taken as a stop: the signal to pass on to ffmpeg and end by.
int asStop(int signal) {
    if (signal != kOwnerEndSignal)
        return signal;
    gOwnerEndSeen = true;
    return SIGTERM;
}

void removeOnOwnersEnd(const std::string& partial) {
    if (partial.size() >= sizeof gOwnersPartial)
        return;
    partial.copy(gOwnersPartial, partial.size());
    gOwnersPartial[partial.size()] = '\0';
}

sigset_t stopAndChildSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : kStopSignals)
        sigaddset(&set, s);
    sigaddset(&set, kOwnerEndSignal);
    sigaddset(&set, SIGCHLD);
    return set;
}

int pendingStopSignal() {
    sigset_t pending;
    sigpending(&pending);
    for (int s : kStopSignals)
        if (sigismember(&pending, s))
            return s;
    return sigismember(&pending, kOwnerEndSignal) ? asStop(kOwnerEndSignal) : 0;
}

[[noreturn]] void dieBy(int signal) {
    // Passing on ffmpeg's crash is no crash of ours: no core file for it.
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
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

struct EncoderEnd {
    int code = 0;        // the exit code, or 128 + the signal that ended it
    int signal = 0;      // the signal that ended it, or 0
    int stopSignal = 0;  // the stop signal we received and forwarded, or 0
};

// Waits for ffmpeg, forwarding the first stop signal and killing it when it outlasts the grace.
EncoderEnd waitForEncoder(pid_t pid) {
    const sigset_t set = stopAndChildSignals();
    int stopSignal = 0;
    bool killed = false;
    std::chrono::steady_clock::time_point killAt;
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid)
            return {ExitCodeOfStatus(status), WIFSIGNALED(status) ? WTERMSIG(status) : 0, stopSignal};
        if (r < 0 && errno != EINTR)
            return {255, 0, stopSignal};
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
            stopSignal = asStop(signal);
            ::kill(pid, stopSignal);
            killAt = std::chrono::steady_clock::now() + kStopGrace;
        }
    }
}

int run(const std::vector<std::string>& args) {
    // An inherited SIG_IGN for SIGCHLD would let the kernel reap our children (the tools we ask,
    // then ffmpeg) and lose their exit codes.
    std::signal(SIGCHLD, SIG_DFL);
    // Ready before the owner's end can reach us as a signal, so that its partial file goes with
    // the owner however early that is.
    const char* given = std::getenv(kMoviePartVariable);
    if (given && IsPartialOutputName(std::filesystem::path(given).filename().string()))
        removeOnOwnersEnd(given);
    ::signal(kOwnerEndSignal, ownerEnded);
    ::prctl(PR_SET_PDEATHSIG, kOwnerEndSignal);
    // Checked after asking: the owner may have ended between starting us and the call above.
    // The owner's file goes before any report: with the owner gone, writing to its pipe may end
    // us (SIGPIPE).
    if (ownerGone()) {
        if (gOwnersPartial[0])
            ::unlink(gOwnersPartial);
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

    // The owner's partial file, or (below) our own.
    std::string partial;
    if (given && *given) {
        partial = given;
        const std::filesystem::path path(partial), output(job.output);
        if (path.parent_path() != output.parent_path() || !IsPartialOutputName(path.filename().string())) {
            gOwnersPartial[0] = '\0';
            report("the partial file " + partial + " is not one beside " + job.output);
            return kExitUsage;
        }
    }

    // Asked while the first frame is awaited.
    auto h264 = std::async(std::launch::async, [video = job.videoEncoder, encoder]() -> std::string {
        if (video != "libx264" || EncoderAvailable(encoder, "libx264") != false)
            return {};
        return encoder.string() + " has no libx264, the H.264 encoder that MP4 movies are made with; "
               "install Debian's ffmpeg (apt-get install ffmpeg), which has it";
    });
    auto musicSeconds = std::async(std::launch::async, [music = job.music]() -> std::optional<double> {
        if (music.empty())
            return std::nullopt;
        return ProbeSound(music).seconds;
    });

    // The frames are decoded here on every core and reach ffmpeg raw through a pipe. Frames our
    // owner is still writing are followed, which waits here for the first one.
    std::unique_ptr<FrameFeed> feed;
    try {
        feed = FrameFeed::Prepare(job, 0, ownerPid());
    } catch (const Error& e) {
        if (!partial.empty() && ownerGone())
            ::unlink(partial.c_str());
        report(e.what());
        return kExitFailed;
    }

    if (const std::string failure = h264.get(); !failure.empty()) {
        if (!partial.empty() && ownerGone())
            ::unlink(partial.c_str());
        report(failure);
        return kExitFailed;
    }
    AddMusicFadeOut(job, musicSeconds.get());

    // From here on stop signals wait for waitForEncoder, so none can slip in between making
    // the partial file and starting ffmpeg.
    const sigset_t blocked = stopAndChildSignals();
    sigprocmask(SIG_BLOCK, &blocked, nullptr);

    std::optional<PartialMovie> own;
    if (partial.empty()) {
        try {
            partial = own.emplace(job.output).path();
        } catch (const Error& e) {
            report(e.what());
            return kExitFailed;
        }
    }

    std::vector<std::string> argv{"ffmpeg"};
    argv.insert(argv.end(), job.options.begin(), job.options.end());
    // "file:" keeps ffmpeg from reading a protocol into a relative name holding ':'.
    argv.push_back("file:" + partial);
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
    const EncoderEnd end = waitForEncoder(pid);
    // Our own partial file goes unless committed; the owner's is the owner's, unless the owner
    // is gone (killed, however) and so can no longer remove it.
    const int lateStop = end.stopSignal ? end.stopSignal : pendingStopSignal();
    const auto leave = [&] {
        if (own)
            own->Discard();
        else if (gOwnerEndSeen || ownerGone())
            ::unlink(partial.c_str());
    };
    // Stopped, or ffmpeg ended by a signal of someone else's (killed, crashed): we end the same way.
    if (const int signal = lateStop ? lateStop : end.signal) {
        leave();
        dieBy(signal);
    }
    const int code = end.code;
    if (feed) {
        if (const std::string error = feed->Finish(); !error.empty()) {
            leave();
            report(error);
            return kExitFailed;
        }
    }
    if (ownerGone()) {
        leave();
        report("the program that started the encoder has ended; " + job.output + " was not replaced");
        return kExitFailed;
    }
    if (code != 0 || !own)
        return code;  // the owner's file is the owner's to put in place
    if (const int error = own->Commit(); error != 0) {
        report(PartialMovieCommitError(job.output, error));
        return kExitFailed;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) { return run(std::vector<std::string>(argv + 1, argv + argc)); }
