#pragma once
// The console process runner: runs one console program as a child process, feeds its standard
// input from a queue of strings, reads its standard output and error through one pipe, cuts
// what arrives into lines and reports each line and the end of the run by events.
//
// Threads. The owner (the render thread) calls Start, RunAndWait and Running; RequestStop may
// come from any thread, also from inside OnNewLine. Each run has a worker thread (TDosThread)
// that starts the process and runs the read loop. Every reported line reaches OnNewLine and
// OutputTarget through the command's Dispatcher (runSync: on the owner's thread, the worker
// waiting), so lines arrive in order and one at a time. OnTerminated runs on the worker thread.
//
// Waiting. Start (for a previous worker), RunAndWait and the destructor wait for a worker that
// may be delivering a line through the dispatcher, so they must not run on the dispatcher's
// own thread while a run is in progress; OnTerminated must not wait for the thread that
// destroys the command.
//
// The child starts without a shell (see command_line.h for how CommandLine is split and how the
// program is found) in a process group of its own. Stopping it (RequestStop, a time limit, the
// destructor) ends the whole group: SIGTERM, a short grace, SIGKILL, and the child is reaped.
//
// Exit codes. A POSIX exit status is 0..255, so the Windows still-active code 259 can never be a
// child's own exit code; Running is decided from the worker's state, never from a code. 259
// (kStillActive) is what OnTerminated reports when the child did not end by itself: the run was
// stopped, timed out or failed. A child ended by signal N reports 128 + N.

#include "encode/line_splitter.h"
#include "platform/dispatcher.h"
#include "platform/error.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kalidor {

inline constexpr std::uint32_t kStillActive = 259;

enum TRunStage : std::uint8_t {
    stStarting = 0,
    stStartFailed = 1,
    stBuffersReady = 2,
    stPipeFailed = 3,
    stPipesReady = 4,
    stProcessFailed = 5,
    stRunning = 6,
    stRunFailed = 7,
    stExited = 8,     // ExitCode holds the child's exit code
    stStopped = 9,    // RequestStop
    stTimedOut = 10,  // MaxTimeAfterBeginning or MaxTimeAfterLastOutput
};

// Windows show commands and creation flags, kept so that owners can set them as they always
// did. A POSIX child has no window or console of its own; neither has any effect here.
enum TShowWindow : std::uint32_t {
    swHIDE = 0,
    swMAXIMIZE = 3,
    swMINIMIZE = 6,
    swRESTORE = 9,
    swSHOW = 5,
    swSHOWDEFAULT = 10,
    swSHOWMAXIMIZED = 3,
    swSHOWMINIMIZED = 2,
    swSHOWMINNOACTIVE = 7,
    swSHOWNA = 8,
    swSHOWNOACTIVATE = 4,
    swSHOWNORMAL = 1,
};

enum TCreationFlag : std::uint32_t {
    fCREATE_DEFAULT_ERROR_MODE = 0x04000000,
    fCREATE_NEW_CONSOLE = 0x10,
    fCREATE_NEW_PROCESS_GROUP = 0x200,
    fCREATE_SEPARATE_WOW_VDM = 0x800,
    fCREATE_SHARED_WOW_VDM = 0x1000,
    fCREATE_SUSPENDED = 0x4,
    fCREATE_UNICODE_ENVIRONMENT = 0x400,
    fDEBUG_PROCESS = 0x1,
    fDEBUG_ONLY_THIS_PROCESS = 0x2,
    fDETACHED_PROCESS = 0x8,
};

// The pipes could not be made.
class TCreatePipeError : public Error {
public:
    using Error::Error;
};

// The program could not be started; the message is the command line + " doesn't exist.".
class TCreateProcessError : public Error {
public:
    using Error::Error;
};

class TDosCommand;
class TDosThread;

using TNewLineEvent = std::function<void(TDosCommand& sender, const std::string& newLine, TOutputType outputType)>;
using TTerminateEvent = std::function<void(TDosCommand& sender, std::uint32_t exitCode)>;
// Where a start-up error (TCreatePipeError, TCreateProcessError) is shown to the user.
using TErrorEvent = std::function<void(TDosCommand& sender, const Error& error)>;

// Strings waiting to be written to the child's standard input, taken from the front. Filled by
// the owner from any thread; adding wakes the worker at once.
class TInputQueue {
public:
    void Add(std::string text);
    void Clear();
    std::size_t Count() const;
    bool Empty() const { return Count() == 0; }

private:
    friend class TDosThread;
    bool TakeFirst(std::string& text);
    void SetWaker(int fd);
    void ReleaseWaker(int fd);

    mutable std::mutex mutex_;
    std::deque<std::string> items_;
    int waker_ = -1;
};

class TDosCommand {
public:
    // `dispatcher` runs line deliveries on the owner's thread; it must outlive the command.
    explicit TDosCommand(Dispatcher& dispatcher = directDispatcher());
    // Stops a run in progress and waits for its worker. Once destruction has begun no event is
    // raised any more: the objects the handlers refer to are usually going too.
    ~TDosCommand();
    TDosCommand(const TDosCommand&) = delete;
    TDosCommand& operator=(const TDosCommand&) = delete;

    // Settings; a run takes a copy of them when it starts.
    std::string CommandLine;              // program, then arguments
    TNewLineEvent OnNewLine;              // every complete and every partial line
    TTerminateEvent OnTerminated;         // once when a run has ended, on the worker thread
    bool InputToOutput = false;           // also report what is written to the child's input
    std::int32_t MaxTimeAfterBeginning = 0;   // seconds; 0 or less: no limit
    std::int32_t MaxTimeAfterLastOutput = 0;  // seconds without a reported line; 0 or less: no limit
    TShowWindow ShowWindow = swHIDE;
    TCreationFlag CreationFlag = fCREATE_NEW_CONSOLE;
    TReturnCode ReturnCode = rcCRLF;      // kept for the owner; the runner never consults it
    std::uint32_t PriorityClass = 0x20;   // Windows normal priority class; no effect here
    // "NAME=value" entries added to the child's environment (replacing inherited ones).
    std::vector<std::string> Environment;
    // Mirrors the output, each line once: a partial text takes the last entry and is replaced
    // as it grows and completes. Not owned; changed only inside dispatcher steps.
    std::vector<std::string>* OutputTarget = nullptr;
    TErrorEvent OnError;                  // raised through the dispatcher after OnTerminated

    // Strings queued before Start are discarded when the run starts.
    TInputQueue InputQueue;

    // Results; safe to read from any thread.
    TReturnCode OutputReturnCode() const noexcept { return outputReturnCode_.load(); }
    // Every reported text, complete or partial, in order; cleared by Start.
    std::vector<std::string> ReportedLines() const;
    // How far the current or last run got; keeps its value after the run.
    TRunStage RunStage() const noexcept { return runStage_.load(); }
    // The child's exit code after stExited, the errno of the failure after a failed run;
    // unchanged by a run that was stopped or timed out. 0 at first.
    std::uint32_t ExitCode() const noexcept { return exitCode_.load(); }
    // After stExited: the signal that ended the child (ExitCode is then 128 + it), 0 when the
    // child exited by itself. A child this side stopped is stStopped, not ended by a signal.
    int EndingSignal() const noexcept { return endingSignal_.load(); }
    // The message of the start-up error of the last run, empty if there was none.
    std::string LastErrorMessage() const;

    // Starts a run on a new worker; does nothing when CommandLine is empty. A run still in
    // progress is stopped first.
    void Start();
    // Start, then Wait. Returns ExitCode.
    std::uint32_t RunAndWait();
    // Blocks (without spinning) until the worker of the current or last run has finished, its
    // clean-up and OnTerminated included, also when the run was stopped; at once when there is
    // none. Call it from the owner's thread.
    void Wait();
    // Asks the run to end and returns at once; Running is false from now on. The worker ends
    // the child's process group, sets stStopped and raises OnTerminated with kStillActive.
    // After the request no more lines are reported.
    void RequestStop();
    // True while a run is in progress and has not been asked to stop.
    bool Running() const;

private:
    friend class TDosThread;

    Dispatcher& dispatcher_;
    mutable std::mutex mutex_;  // guards worker_
    std::unique_ptr<TDosThread> worker_;  // the current or last run, until the next Start

    mutable std::mutex resultsMutex_;  // guards reportedLines_ and lastErrorMessage_
    std::vector<std::string> reportedLines_;
    std::string lastErrorMessage_;
    std::atomic<TRunStage> runStage_{stStarting};
    std::atomic<std::uint32_t> exitCode_{0};
    std::atomic<int> endingSignal_{0};
    std::atomic<TReturnCode> outputReturnCode_{rcCRLF};
};

}  // namespace kalidor
