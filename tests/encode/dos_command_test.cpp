// The runner against real child processes: small shell scripts written into a scratch folder.

#include "encode/dos_command.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

#include <signal.h>

namespace kalidor {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string script(const test::TempFolder& folder, const std::string& name, const std::string& body) {
    const auto file = folder.path() / name;
    test::writeText(file, "#!/bin/sh\n" + body);
    std::filesystem::permissions(file, std::filesystem::perms::owner_all);
    return file.string();
}

// State letter of a process from /proc, or nothing when it is gone.
std::optional<char> processState(const std::string& statFile, long* pgrp = nullptr) {
    std::ifstream in(statFile);
    std::string stat;
    if (!std::getline(in, stat))
        return std::nullopt;
    std::istringstream rest(stat.substr(stat.rfind(')') + 1));
    char state = '?';
    long ppid = 0, group = 0;
    rest >> state >> ppid >> group;
    if (pgrp)
        *pgrp = group;
    return state;
}

// Zombies count as gone: this machine's init may leave orphans unreaped.
bool alive(long pid) {
    auto state = processState("/proc/" + std::to_string(pid) + "/stat");
    return state && *state != 'Z' && *state != 'X';
}

bool groupHasLiveMembers(long pgid) {
    if (::kill(static_cast<pid_t>(-pgid), 0) != 0 && errno == ESRCH)
        return false;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        long group = 0;
        auto state = processState((entry.path() / "stat").string(), &group);
        if (state && group == pgid && *state != 'Z' && *state != 'X')
            return true;
    }
    return false;
}

// A killed process needs a moment to go; wait for it, boundedly.
template <class Gone>
bool within(std::chrono::milliseconds timeout, Gone gone) {
    const auto until = Clock::now() + timeout;
    while (!gone()) {
        if (Clock::now() > until)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

bool groupGone(long pgid) {
    return within(1s, [&] { return !groupHasLiveMembers(pgid); });
}

bool gone(long pid) {
    return within(1s, [&] { return !alive(pid); });
}

// Records every event of a command; OnTerminated can be waited for.
struct Recorder {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<std::string, TOutputType>> lines;
    std::vector<std::uint32_t> terminated;
    std::vector<std::string> errors;
    bool errorWasCreateProcess = false;
    TRunStage stageAtTermination = stStarting;

    void attach(TDosCommand& command) {
        command.OnNewLine = [this](TDosCommand&, const std::string& text, TOutputType type) {
            std::lock_guard lock(mutex);
            lines.emplace_back(text, type);
            changed.notify_all();
        };
        command.OnTerminated = [this](TDosCommand& sender, std::uint32_t code) {
            std::lock_guard lock(mutex);
            terminated.push_back(code);
            stageAtTermination = sender.RunStage();
            changed.notify_all();
        };
        command.OnError = [this](TDosCommand&, const Error& error) {
            std::lock_guard lock(mutex);
            errors.push_back(error.what());
            errorWasCreateProcess = dynamic_cast<const TCreateProcessError*>(&error) != nullptr;
        };
    }
    bool waitTerminated(std::chrono::milliseconds timeout = 5s) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, timeout, [&] { return !terminated.empty(); });
    }
    bool waitLines(std::size_t count, std::chrono::milliseconds timeout = 5s) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, timeout, [&] { return lines.size() >= count; });
    }
    std::string line(std::size_t i) {
        std::lock_guard lock(mutex);
        return lines.at(i).first;
    }
};

// Counts the steps it runs, to show that every line goes through it.
class CountingDispatcher final : public Dispatcher {
public:
    void runSync(const std::function<void()>& step) override {
        inside = true;
        step();
        inside = false;
        ++steps;
    }
    bool inside = false;
    int steps = 0;
};

TEST(TDosCommand, CutsRealOutputIntoLinesThroughTheDispatcher) {
    test::TempFolder folder;
    // Breaks of every kind, a CR and its LF in separate writes, NUL bytes, and a last line
    // without a break.
    const auto program = script(folder, "out.sh",
                                "printf 'one\\r\\ntwo\\nthree\\rfo'\nsleep 0.1\n"
                                "printf 'ur\\000x\\r'\nsleep 0.1\nprintf '\\nla'\nsleep 0.1\nprintf 'st'\n");
    CountingDispatcher dispatcher;
    TDosCommand command(dispatcher);
    std::vector<std::string> target;
    command.OutputTarget = &target;
    command.CommandLine = program;
    int outsideDispatcher = 0;
    std::vector<std::pair<std::string, TOutputType>> lines;
    command.OnNewLine = [&](TDosCommand&, const std::string& text, TOutputType type) {
        outsideDispatcher += !dispatcher.inside;
        lines.emplace_back(text, type);
    };
    std::vector<std::uint32_t> terminated;
    command.OnTerminated = [&](TDosCommand&, std::uint32_t code) { terminated.push_back(code); };

    EXPECT_EQ(command.RunAndWait(), 0u);

    EXPECT_EQ(target, (std::vector<std::string>{"one", "two", "three", "fourx", "last"}));
    std::vector<std::string> complete;
    for (const auto& [text, type] : lines)
        if (type == otCompleteLine)
            complete.push_back(text);
    EXPECT_EQ(complete, (std::vector<std::string>{"one", "two", "three", "fourx"}));
    // Text without a break ends the run as partial, never as complete.
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), std::make_pair(std::string("last"), otPartialLine));
    EXPECT_EQ(outsideDispatcher, 0);
    EXPECT_EQ(dispatcher.steps, static_cast<int>(lines.size()));
    EXPECT_EQ(command.ReportedLines().size(), lines.size());
    EXPECT_EQ(command.OutputReturnCode(), rcCRLF);  // "fourx" ended by CR, then LF
    EXPECT_EQ(terminated, std::vector<std::uint32_t>{0});
    EXPECT_EQ(command.RunStage(), stExited);
    EXPECT_FALSE(command.Running());
}

TEST(TDosCommand, ExitCodesAndRunningComeFromTheProcess) {
    test::TempFolder folder;
    struct Case {
        const char* body;
        std::uint32_t code;
        bool lasts = false;  // long enough to be seen running
    } cases[] = {
        {"exit 0\n", 0},
        {"exit 1\n", 1},
        {"sleep 0.3\nexit 3\n", 3, true},
        // POSIX keeps the low 8 bits: 259 arrives as 3 and is an ordinary end, not "running".
        {"exit 259\n", 3},
        {"kill -9 $$\n", 128 + 9},
    };
    int i = 0;
    for (const auto& c : cases) {
        TDosCommand command;
        Recorder events;
        events.attach(command);
        command.CommandLine = script(folder, "exit" + std::to_string(i++) + ".sh", c.body);
        command.Start();
        if (c.lasts) {
            EXPECT_TRUE(command.Running());
        }
        command.Wait();
        EXPECT_FALSE(command.Running()) << c.body;
        EXPECT_EQ(command.ExitCode(), c.code) << c.body;
        EXPECT_EQ(command.RunStage(), stExited) << c.body;
        EXPECT_EQ(events.terminated, std::vector<std::uint32_t>{c.code}) << c.body;
        EXPECT_EQ(events.stageAtTermination, stExited) << c.body;
    }
}

TEST(TDosCommand, ArgumentsReachTheChildAsWindowsQuotingSplitsThem) {
    test::TempFolder folder;
    std::filesystem::create_directories(folder.path() / "with blank");
    script(folder, "with blank/args.sh", "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done\n");
    TDosCommand command;
    std::vector<std::string> target;
    command.OutputTarget = &target;
    // No shell sees the line: variables and globs arrive as written.
    command.CommandLine = "\"" + folder.dir() + "with blank/args.sh\" \"a b\"  c\\\"d \"\" e\\\\f $HOME *";
    EXPECT_EQ(command.RunAndWait(), 0u);
    EXPECT_EQ(target, (std::vector<std::string>{"[a b]", "[c\"d]", "[]", "[e\\\\f]", "[$HOME]", "[*]"}));
}

TEST(TDosCommand, WritesOnlyInputQueuedDuringTheRunAndEchoesIt) {
    TDosCommand command;
    Recorder events;
    events.attach(command);
    command.InputToOutput = true;
    command.CommandLine = "head -n1";  // found on PATH
    command.InputQueue.Add("stale\n");
    command.Start();
    command.InputQueue.Add("hello\n");
    command.Wait();
    EXPECT_EQ(command.ExitCode(), 0u);
    // The echo (line break kept), then head's copy of it.
    using Line = std::pair<std::string, TOutputType>;
    EXPECT_EQ(events.lines, (std::vector<Line>{{"hello\n", otCompleteLine}, {"hello", otCompleteLine}}));
}

TEST(TDosCommand, EchoJoinsThePromptItAnswers) {
    test::TempFolder folder;
    TDosCommand command;
    std::vector<std::string> target;
    command.OutputTarget = &target;
    command.InputToOutput = true;
    command.CommandLine = script(folder, "ask.sh", "printf 'Name: '\nread n\necho \"hi $n\"\n");
    // Answered from the line handler, as an owner reacting to a prompt would.
    command.OnNewLine = [](TDosCommand& sender, const std::string& text, TOutputType type) {
        if (type == otPartialLine && text == "Name: ")
            sender.InputQueue.Add("bob\n");
    };
    EXPECT_EQ(command.RunAndWait(), 0u);
    EXPECT_EQ(target, (std::vector<std::string>{"Name: bob\n", "hi bob"}));
}

TEST(TDosCommand, MoreInputThanAPipeHoldsWhileTheChildAnswers) {
    // 200 KB through head and back: neither side may block the other.
    TDosCommand command;
    std::vector<std::string> target;
    command.OutputTarget = &target;
    const std::string line(99, 'x');
    command.CommandLine = "head -c " + std::to_string(2000 * 100);
    command.Start();
    for (int i = 0; i < 2000; ++i)
        command.InputQueue.Add(line + "\n");
    command.Wait();
    EXPECT_EQ(command.RunStage(), stExited);
    ASSERT_EQ(target.size(), 2000u);
    EXPECT_EQ(target.back(), line);
}

TEST(TDosCommand, WritingToAChildThatClosedItsInputIsHarmless) {
    test::TempFolder folder;
    TDosCommand command;
    command.CommandLine = script(folder, "deaf.sh", "exec 0<&-\nsleep 0.3\necho done\n");
    command.Start();
    for (int i = 0; i < 100; ++i)
        command.InputQueue.Add(std::string(4096, 'y'));  // EPIPE, never SIGPIPE
    command.Wait();
    EXPECT_EQ(command.RunStage(), stExited);
    EXPECT_EQ(command.ReportedLines(), std::vector<std::string>{"done"});
}

TEST(TDosCommand, TimeLimitsEndTheRunAndItsProcesses) {
    test::TempFolder folder;
    TDosCommand sinceBeginning, sinceOutput;
    Recorder a, b;
    a.attach(sinceBeginning);
    b.attach(sinceOutput);
    sinceBeginning.CommandLine = "sh -c \"exit 7\"";
    EXPECT_EQ(sinceBeginning.RunAndWait(), 7u);
    a.terminated.clear();

    sinceBeginning.CommandLine = script(folder, "quiet.sh", "echo $$\nsleep 10\n");
    sinceBeginning.MaxTimeAfterBeginning = 1;
    // A line every 0.6 s keeps this run going past its one-second limit.
    sinceOutput.CommandLine = script(folder, "chatty.sh", "echo $$\nsleep 0.6\necho a\nsleep 0.6\necho b\nsleep 10\n");
    sinceOutput.MaxTimeAfterLastOutput = 1;
    // Side by side, so that the suite waits for the longer run only.
    const auto t0 = Clock::now();
    sinceBeginning.Start();
    sinceOutput.Start();
    sinceBeginning.Wait();
    const auto endA = Clock::now() - t0;
    sinceOutput.Wait();
    const auto endB = Clock::now() - t0;

    EXPECT_GE(endA, 1s);
    EXPECT_LT(endA, 2500ms);  // loose upper bounds: CI machines are shared and busy
    EXPECT_GE(endB, 2200ms);  // a second after the last line
    EXPECT_LT(endB, 4000ms);
    for (auto* run : {&a, &b}) {
        EXPECT_EQ(run->terminated, std::vector<std::uint32_t>{kStillActive});
        EXPECT_EQ(run->stageAtTermination, stTimedOut);
        EXPECT_TRUE(groupGone(std::stol(run->line(0))));
    }
    EXPECT_EQ(sinceBeginning.ExitCode(), 7u);  // unchanged by a run that timed out
    EXPECT_EQ(sinceOutput.ExitCode(), 0u);
}

TEST(TDosCommand, RequestStopEndsTheChildAndItsChildren) {
    test::TempFolder folder;
    TDosCommand command;
    Recorder events;
    events.attach(command);
    command.CommandLine = script(folder, "family.sh", "echo $$\nsleep 30 &\necho $!\nwait\n");
    bool runningAfterRequest = true;
    // Stopped from the line handler, as the render thread's cancel does.
    command.OnNewLine = [&](TDosCommand& sender, const std::string& text, TOutputType) {
        events.lines.emplace_back(text, otCompleteLine);
        if (events.lines.size() == 2) {
            sender.RequestStop();
            runningAfterRequest = sender.Running();
        }
    };
    const auto t0 = Clock::now();
    command.Start();
    command.Wait();
    EXPECT_LT(Clock::now() - t0, 3s);  // far below the child's 30 s, with room for a busy machine
    EXPECT_FALSE(runningAfterRequest);
    ASSERT_EQ(events.lines.size(), 2u);
    const long child = std::stol(events.line(0)), grandchild = std::stol(events.line(1));
    EXPECT_TRUE(gone(child));
    EXPECT_TRUE(gone(grandchild));
    EXPECT_TRUE(groupGone(child));
    EXPECT_EQ(command.RunStage(), stStopped);
    EXPECT_EQ(events.terminated, std::vector<std::uint32_t>{kStillActive});
    EXPECT_EQ(command.ExitCode(), 0u);
}

TEST(TDosCommand, AChildIgnoringSigtermIsKilledAfterTheGrace) {
    test::TempFolder folder;
    TDosCommand command;
    Recorder events;
    events.attach(command);
    command.CommandLine = script(folder, "stubborn.sh", "trap '' TERM\necho $$\nwhile :; do sleep 0.05; done\n");
    command.Start();
    ASSERT_TRUE(events.waitLines(1));
    const auto t0 = Clock::now();
    command.RequestStop();
    command.Wait();
    EXPECT_LT(Clock::now() - t0, 3s);  // the 500 ms grace, with room for a busy machine
    EXPECT_TRUE(groupGone(std::stol(events.line(0))));
    EXPECT_EQ(command.RunStage(), stStopped);
}

TEST(TDosCommand, DestroyingARunningCommandStopsItWithoutEvents) {
    test::TempFolder folder;
    Recorder events;
    long pid = 0;
    {
        TDosCommand command;
        events.attach(command);
        command.CommandLine = script(folder, "long.sh", "echo $$\nsleep 30\n");
        command.Start();
        ASSERT_TRUE(events.waitLines(1));
        pid = std::stol(events.line(0));
    }
    EXPECT_TRUE(groupGone(pid));
    EXPECT_TRUE(events.terminated.empty());
}

TEST(TDosCommand, EndsWhenTheChildEndsEvenIfItsChildrenKeepTheOutputOpen) {
    test::TempFolder folder;
    TDosCommand command;
    std::vector<std::string> target;
    command.OutputTarget = &target;
    command.CommandLine = script(folder, "parent.sh", "sleep 5 &\necho $!\nexit 4\n");
    const auto t0 = Clock::now();
    EXPECT_EQ(command.RunAndWait(), 4u);
    EXPECT_LT(Clock::now() - t0, 4s);  // not the 5 s of the leftover child
    ASSERT_EQ(target.size(), 1u);
    ::kill(static_cast<pid_t>(std::stol(target[0])), SIGKILL);  // a child's own leftovers stay
}

TEST(TDosCommand, AProgramThatCannotStartRaisesTCreateProcessError) {
    test::TempFolder folder;
    test::writeText(folder.path() / "plain.txt", "not a program");
    const std::string lines[] = {
        "kalidor-no-such-program -y",
        "lib/kalidor-no-such-encoder -i \"a b\"",
        folder.dir() + "plain.txt",
        "   ",
    };
    for (const auto& line : lines) {
        TDosCommand command;
        Recorder events;
        events.attach(command);
        command.CommandLine = line;
        command.RunAndWait();
        const std::string message = line + " doesn't exist.";
        EXPECT_EQ(events.errors, std::vector<std::string>{message});
        EXPECT_TRUE(events.errorWasCreateProcess);
        EXPECT_EQ(command.LastErrorMessage(), message);
        EXPECT_EQ(command.RunStage(), stProcessFailed);
        // OnTerminated comes before the failure stage is set.
        EXPECT_EQ(events.stageAtTermination, stPipesReady);
        EXPECT_NE(command.ExitCode(), 0u);
        EXPECT_EQ(events.terminated, std::vector<std::uint32_t>{kStillActive});  // not 0: failure
        EXPECT_FALSE(command.Running());
    }
}

TEST(TDosCommand, AnEmptyCommandLineDoesNothing) {
    TDosCommand command;
    Recorder events;
    events.attach(command);
    command.Start();
    EXPECT_FALSE(command.Running());
    EXPECT_EQ(command.RunAndWait(), 0u);
    command.RequestStop();
    EXPECT_TRUE(events.terminated.empty());
    EXPECT_TRUE(events.lines.empty());
    EXPECT_EQ(command.RunStage(), stStarting);
}

}  // namespace
}  // namespace kalidor
