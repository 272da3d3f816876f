#include "encode/dos_command.h"

#include "platform/command_line.h"
#include "encode/process_timer.h"
#include "platform/child_process.h"
#include "platform/unique_fd.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace kalidor {
namespace {

constexpr std::chrono::milliseconds kStopGrace{500};
// Without process descriptors the end of the child is noticed by checking this often.
constexpr int kExitCheckMs = 50;
constexpr std::size_t kInitialBufferSize = 1024;

void wake(int fd) {
    if (fd < 0)
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t r = ::write(fd, &one, sizeof one);  // a full counter is awake anyway
}

std::string errnoText(int code) { return std::strerror(code); }

struct PipePair {
    UniqueFd read;
    UniqueFd write;
};

// Returns 0 or the errno. Both ends are close-on-exec; the child gets its end through dup2.
int makePipe(PipePair& pipe) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return errno;
    pipe.read.reset(fds[0]);
    pipe.write.reset(fds[1]);
    return 0;
}

void setNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

}  // namespace

// ---- TInputQueue ----

void TInputQueue::Add(std::string text) {
    std::lock_guard lock(mutex_);
    items_.push_back(std::move(text));
    wake(waker_);
}

void TInputQueue::Clear() {
    std::lock_guard lock(mutex_);
    items_.clear();
}

std::size_t TInputQueue::Count() const {
    std::lock_guard lock(mutex_);
    return items_.size();
}

bool TInputQueue::TakeFirst(std::string& text) {
    std::lock_guard lock(mutex_);
    if (items_.empty())
        return false;
    text = std::move(items_.front());
    items_.pop_front();
    return true;
}

void TInputQueue::SetWaker(int fd) {
    std::lock_guard lock(mutex_);
    waker_ = fd;
}

void TInputQueue::ReleaseWaker(int fd) {
    std::lock_guard lock(mutex_);
    if (waker_ == fd)
        waker_ = -1;
}

// ---- TDosThread: the worker of one run ----

class TDosThread {
public:
    explicit TDosThread(TDosCommand& command);
    ~TDosThread();  // joins
    TDosThread(const TDosThread&) = delete;
    TDosThread& operator=(const TDosThread&) = delete;

    void RequestTerminate() {
        terminate_.store(true);
        wake(wake_.get());
    }
    void Silence() { silenced_.store(true); }
    bool Terminated() const { return terminate_.load(); }
    bool RunningMark() const { return running_.load(); }
    void WaitFinished();

private:
    void Execute();
    void RunProcess();
    void ReadLoop();
    bool ReadOutput();
    void CutLines(std::string_view bytes);
    void WriteInput();
    void FinishInput();
    void ReportLine(const std::string& text, TOutputType type);
    void DeliverLine(const std::string& text, TOutputType type);
    void SetStage(TRunStage stage) {
        stage_ = stage;
        command_.runStage_.store(stage);
    }
    // Records errno-style failures for ExitCode.
    [[noreturn]] void Fail(int code, const std::string& what);

    TDosCommand& command_;
    Dispatcher& dispatcher_;
    // Copies taken at creation.
    const std::string commandLine_;
    const TNewLineEvent onNewLine_;
    const TTerminateEvent onTerminated_;
    const TErrorEvent onError_;
    const bool inputToOutput_;
    std::vector<std::string>* const outputTarget_;
    const std::vector<std::string> environment_;

    UniqueFd wake_;
    int wakeError_ = 0;
    std::atomic<bool> running_{true};
    std::atomic<bool> terminate_{false};
    std::atomic<bool> silenced_{false};

    std::mutex finishedMutex_;
    std::condition_variable finishedCv_;
    bool finished_ = false;

    // Worker-only state of the run.
    TRunStage stage_ = stStarting;
    int lastError_ = 0;
    std::uint32_t reportedExitCode_ = kStillActive;
    TProcessTimer timer_;
    LineSplitter splitter_;
    bool sawLineEnd_ = false;
    bool deliveredPartial_ = false;  // touched only in DeliverLine
    std::vector<char> buffer_;
    PipePair input_, output_;
    ChildProcess child_;
    std::string writing_;          // the queued string being written
    std::size_t writtenBytes_ = 0;
    bool hasWriting_ = false;

    std::thread thread_;  // last: starts when everything above is ready
};

TDosThread::TDosThread(TDosCommand& command)
    : command_(command), dispatcher_(command.dispatcher_), commandLine_(command.CommandLine),
      onNewLine_(command.OnNewLine), onTerminated_(command.OnTerminated), onError_(command.OnError),
      inputToOutput_(command.InputToOutput), outputTarget_(command.OutputTarget), environment_(command.Environment),
      timer_(command.MaxTimeAfterBeginning, command.MaxTimeAfterLastOutput) {
    wake_.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!wake_)
        wakeError_ = errno;
    command.InputQueue.Clear();
    command.InputQueue.SetWaker(wake_.get());
    try {
        thread_ = std::thread([this] { Execute(); });
    } catch (...) {
        command.InputQueue.ReleaseWaker(wake_.get());
        throw;
    }
}

TDosThread::~TDosThread() {
    if (thread_.joinable())
        thread_.join();
}

void TDosThread::WaitFinished() {
    std::unique_lock lock(finishedMutex_);
    finishedCv_.wait(lock, [this] { return finished_; });
}

void TDosThread::Fail(int code, const std::string& what) {
    lastError_ = code;
    throw Error(what + ": " + errnoText(code));
}

void TDosThread::Execute() {
    // A write to a child that closed its input must give EPIPE, not kill the program. Blocking
    // SIGPIPE in this thread alone leaves the rest of the program as it is; the child gets an
    // empty mask and the default action back (ChildProcess::spawn).
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);

    std::exception_ptr startError;
    try {
        RunProcess();
    } catch (const TCreatePipeError&) {
        startError = std::current_exception();
    } catch (const TCreateProcessError&) {
        startError = std::current_exception();
    } catch (...) {
        // Other errors end the run silently with its failure stage.
    }

    // Clean up, the child first, so that it is gone when OnTerminated is raised.
    if (child_.started() && !child_.exitCode())
        child_.stopGroup(kStopGrace);
    input_ = {};
    output_ = {};
    command_.InputQueue.ReleaseWaker(wake_.get());

    if (startError) {
        try {
            std::rethrow_exception(startError);
        } catch (const Error& e) {
            std::lock_guard lock(command_.resultsMutex_);
            command_.lastErrorMessage_ = e.what();
        }
    }

    // OnTerminated first, then the failure stage and code: a handler sees the stage the run
    // reached, not yet its failure value.
    if (onTerminated_ && !silenced_.load()) {
        try {
            onTerminated_(command_, reportedExitCode_);
        } catch (...) {
        }
    }
    if (stage_ == stStarting || stage_ == stBuffersReady || stage_ == stPipesReady || stage_ == stRunning) {
        SetStage(static_cast<TRunStage>(stage_ + 1));
        command_.exitCode_.store(static_cast<std::uint32_t>(lastError_));
    }
    if (startError && onError_ && !silenced_.load()) {
        try {
            dispatcher_.runSync([&] {
                try {
                    std::rethrow_exception(startError);
                } catch (const Error& e) {
                    onError_(command_, e);
                }
            });
        } catch (...) {
        }
    }

    running_.store(false);
    terminate_.store(true);
    {
        std::lock_guard lock(finishedMutex_);
        finished_ = true;
    }
    finishedCv_.notify_all();
}

void TDosThread::RunProcess() {
    SetStage(stStarting);
    if (!wake_)
        Fail(wakeError_, "cannot make the wake-up descriptor");
    buffer_.assign(kInitialBufferSize, 0);
    SetStage(stBuffersReady);

    if (int rc = makePipe(input_)) {
        lastError_ = rc;
        throw TCreatePipeError("cannot create the encoder's input pipe: " + errnoText(rc));
    }
    if (int rc = makePipe(output_)) {
        lastError_ = rc;
        input_ = {};
        throw TCreatePipeError("cannot create the encoder's output pipe: " + errnoText(rc));
    }
    // Our ends never block the loop: poll says when to read and write, so a child that does
    // not read its input cannot hold up the reading of its output.
    setNonBlocking(input_.write.get());
    setNonBlocking(output_.read.get());
    SetStage(stPipesReady);

    std::vector<std::string> args = SplitCommandLine(commandLine_);
    const std::filesystem::path program =
        args.empty() ? std::filesystem::path() : ResolveProgram(args[0], ExecutableFolder(), ProgramSearchPath());
    const std::string notFound = commandLine_ + " doesn't exist.";
    if (program.empty()) {
        lastError_ = ENOENT;
        throw TCreateProcessError(notFound);
    }
    // A name relative to our own folder would mean something else in the child's current one.
    if (args[0].find('/') != std::string::npos && args[0].front() != '/')
        args[0] = program.string();
    if (int rc = child_.spawn(program.string(), args, input_.read.get(), output_.write.get(), environment_)) {
        lastError_ = rc;
        throw TCreateProcessError(notFound);
    }
    // Only the child keeps these ends; holding the write end would hide the end of its output.
    input_.read.reset();
    output_.write.reset();

    timer_.Start(TProcessTimer::Clock::now());
    reportedExitCode_ = kStillActive;
    SetStage(stRunning);

    ReadLoop();

    if (!splitter_.Pending().empty())
        ReportLine(splitter_.Pending(), otPartialLine);
}

void TDosThread::ReadLoop() {
    for (;;) {
        pollfd fds[4];
        nfds_t count = 0;
        int outIndex = -1, inIndex = -1, wakeIndex, exitIndex = -1;
        if (output_.read) {
            outIndex = static_cast<int>(count);
            fds[count++] = {output_.read.get(), POLLIN, 0};
        }
        if (input_.write && (hasWriting_ || !command_.InputQueue.Empty())) {
            inIndex = static_cast<int>(count);
            fds[count++] = {input_.write.get(), POLLOUT, 0};
        }
        wakeIndex = static_cast<int>(count);
        fds[count++] = {wake_.get(), POLLIN, 0};
        if (child_.exitFd() >= 0) {
            exitIndex = static_cast<int>(count);
            fds[count++] = {child_.exitFd(), POLLIN, 0};
        }
        int timeout = timer_.PollTimeout(TProcessTimer::Clock::now());
        if (exitIndex < 0)
            timeout = timeout < 0 ? kExitCheckMs : std::min(timeout, kExitCheckMs);

        const int ready = ::poll(fds, count, timeout);
        if (ready < 0 && errno != EINTR)
            Fail(errno, "poll failed");
        auto readyAt = [&](int index, short events) {
            return ready > 0 && index >= 0 && (fds[index].revents & events) != 0;
        };
        if (readyAt(wakeIndex, POLLIN)) {
            std::uint64_t counter;
            [[maybe_unused]] ssize_t r = ::read(wake_.get(), &counter, sizeof counter);
        }

        // The child's state first: whatever it wrote before ending is in the pipe by now and
        // is still read below.
        const std::optional<int> exited = child_.tryWait();
        if (readyAt(outIndex, POLLIN | POLLHUP | POLLERR))
            ReadOutput();
        if (inIndex >= 0 && (readyAt(inIndex, POLLOUT | POLLERR | POLLHUP)))
            WriteInput();

        if (exited) {
            if (output_.read)
                ReadOutput();
            SetStage(stExited);
            reportedExitCode_ = static_cast<std::uint32_t>(*exited);
            command_.exitCode_.store(reportedExitCode_);
            command_.endingSignal_.store(child_.endingSignal());
            return;
        }
        if (terminate_.load()) {
            SetStage(stStopped);
            return;
        }
        if (timer_.Expired(TProcessTimer::Clock::now())) {
            SetStage(stTimedOut);
            return;
        }
    }
}

// One read of whatever the pipe holds. Returns whether bytes came; closes our end at the end
// of the output or on a read error, so poll does not report it again and again.
bool TDosThread::ReadOutput() {
    int available = 0;
    if (::ioctl(output_.read.get(), FIONREAD, &available) == 0 &&
        static_cast<std::size_t>(available) > buffer_.size())
        buffer_.resize(static_cast<std::size_t>(available));  // grows only
    ssize_t r;
    do
        r = ::read(output_.read.get(), buffer_.data(), buffer_.size());
    while (r < 0 && errno == EINTR);
    if (r > 0) {
        CutLines(std::string_view(buffer_.data(), static_cast<std::size_t>(r)));
        return true;
    }
    if (r == 0 || errno != EAGAIN)
        output_.read.reset();
    return false;
}

void TDosThread::CutLines(std::string_view bytes) {
    for (const OutputLine& line : splitter_.Feed(bytes)) {
        if (terminate_.load())
            return;
        if (line.type == otCompleteLine) {
            sawLineEnd_ = true;
            command_.outputReturnCode_.store(line.lineEnd);
        }
        ReportLine(line.text, line.type);
    }
    if (sawLineEnd_)
        command_.outputReturnCode_.store(splitter_.LastLineEnd());
}

void TDosThread::WriteInput() {
    while (!terminate_.load()) {
        if (!hasWriting_) {
            if (!command_.InputQueue.TakeFirst(writing_))
                return;
            hasWriting_ = true;
            writtenBytes_ = 0;
        }
        while (writtenBytes_ < writing_.size()) {
            const ssize_t r = ::write(input_.write.get(), writing_.data() + writtenBytes_,
                                      writing_.size() - writtenBytes_);
            if (r > 0) {
                writtenBytes_ += static_cast<std::size_t>(r);
                continue;
            }
            if (r < 0 && errno == EINTR)
                continue;
            if (r < 0 && errno == EAGAIN)
                return;  // the pipe is full: go on when poll says it has room
            break;       // EPIPE and the like: the string is dropped, the run goes on
        }
        FinishInput();
    }
}

void TDosThread::FinishInput() {
    hasWriting_ = false;
    if (inputToOutput_) {
        const OutputLine line = splitter_.Echo(writing_);
        ReportLine(line.text, line.type);
    }
    writing_.clear();
}

void TDosThread::ReportLine(const std::string& text, TOutputType type) {
    if (terminate_.load() || silenced_.load())
        return;
    try {
        {
            std::lock_guard lock(command_.resultsMutex_);
            command_.reportedLines_.push_back(text);
        }
        timer_.ResetOutputClock(TProcessTimer::Clock::now());
        dispatcher_.runSync([&] { DeliverLine(text, type); });
    } catch (...) {
        // A failing handler does not stop the run.
    }
}

void TDosThread::DeliverLine(const std::string& text, TOutputType type) {
    if (outputTarget_) {
        if (outputTarget_->empty() || !deliveredPartial_)
            outputTarget_->push_back(text);
        else
            outputTarget_->back() = text;
    }
    deliveredPartial_ = type == otPartialLine;
    if (onNewLine_)
        onNewLine_(command_, text, type);
}

// ---- TDosCommand ----

TDosCommand::TDosCommand(Dispatcher& dispatcher) : dispatcher_(dispatcher) {}

TDosCommand::~TDosCommand() {
    std::unique_ptr<TDosThread> worker;
    {
        std::lock_guard lock(mutex_);
        worker = std::move(worker_);
    }
    if (worker) {
        worker->Silence();
        worker->RequestTerminate();
    }
    // worker joins here, before the members it uses go.
}

std::vector<std::string> TDosCommand::ReportedLines() const {
    std::lock_guard lock(resultsMutex_);
    return reportedLines_;
}

std::string TDosCommand::LastErrorMessage() const {
    std::lock_guard lock(resultsMutex_);
    return lastErrorMessage_;
}

void TDosCommand::Start() {
    if (CommandLine.empty())
        return;
    std::unique_ptr<TDosThread> previous;
    {
        std::lock_guard lock(mutex_);
        previous = std::move(worker_);
    }
    if (previous && !previous->Terminated())
        previous->RequestTerminate();
    previous.reset();  // waits for its clean-up

    {
        std::lock_guard lock(resultsMutex_);
        reportedLines_.clear();
        lastErrorMessage_.clear();
    }
    runStage_.store(stStarting);
    endingSignal_.store(0);
    auto worker = std::make_unique<TDosThread>(*this);
    std::lock_guard lock(mutex_);
    worker_ = std::move(worker);
}

std::uint32_t TDosCommand::RunAndWait() {
    Start();
    Wait();
    return ExitCode();
}

void TDosCommand::Wait() {
    TDosThread* worker;
    {
        std::lock_guard lock(mutex_);
        worker = worker_.get();
    }
    // Only this (the owner's) thread replaces worker_, so the pointer stays valid.
    if (worker)
        worker->WaitFinished();
}

void TDosCommand::RequestStop() {
    std::lock_guard lock(mutex_);
    if (worker_ && !worker_->Terminated())
        worker_->RequestTerminate();
}

bool TDosCommand::Running() const {
    std::lock_guard lock(mutex_);
    return worker_ && worker_->RunningMark() && !worker_->Terminated();
}

}  // namespace kalidor
