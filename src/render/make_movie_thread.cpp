#include "render/make_movie_thread.h"
#include "encode/encoder_arguments.h"

#include "encode/ffmpeg_queries.h"
#include "encode/frames_in_progress.h"
#include "encode/partial_movie.h"
#include "model/movie_checks.h"
#include "model/th_utility.h"
#include "imaging/bmp_codec.h"
#include "platform/error.h"
#include "platform/folder_lock.h"
#include "render/encoder_progress.h"
#include "render/encoder_run.h"
#include "render/encoder_window.h"
#include "render/fit_to_movie_frame.h"
#include "render/movie_frames.h"
#include "render/picture_frames.h"
#include "render/render_picture.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <future>
#include <optional>
#include <stdexcept>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace kalidor {
namespace {

const char* const kPass1Text = QT_TRANSLATE_NOOP("Messages", "画像を動画サイズに変換中・・・");
const char* const kPass2Text = QT_TRANSLATE_NOOP("Messages", "画像に効果を適用中・・・");
const char* const kPass3Text = QT_TRANSLATE_NOOP("Messages", "動画作成の準備中・・・");

// A codec's message names the file already; other errors get it added.
std::string withFileName(const std::string& reason, const std::string& path) {
    if (reason.find(path) != std::string::npos)
        return reason;
    return reason + " (" + path + ")";
}

}  // namespace

// Pass 2's progress: the frame about to be composed is shown with its counter, then counted.
// With `watchSpace`, the cancel poll also looks at the free space once a second of movie: with
// the encoder taking the frames, tmp/ no longer grows with the movie, but the disk may still
// fill up from elsewhere while a picture is rendered.
class TMakeMovieThread::FrameProgressSteps final : public FrameProgress {
public:
    FrameProgressSteps(TMakeMovieThread& thread, bool watchSpace) : thread_(thread), watchSpace_(watchSpace) {}
    void ReportFrame() override {
        thread_.SyncShowPosition();
        thread_.SyncShowTextCounted();
        ++thread_.ProgressPos;
    }
    bool CancelRequested() override {
        thread_.SyncCheckCancel();
        if (thread_.StopRequested())
            return true;
        if (watchSpace_ && !diskShort_ && ++polls_ % FRAME_RATE == 0)
            diskShort_ = !thread_.HasTempSpace();
        return diskShort_;
    }
    bool DiskShort() const { return diskShort_; }

private:
    TMakeMovieThread& thread_;
    const bool watchSpace_;
    int polls_ = 0;
    bool diskShort_ = false;
};

TMakeMovieThread::TMakeMovieThread(const TThPicObjectManager& project, ExportStatus& status, ExportFlags& flags,
                                   Dispatcher& dispatcher, std::unique_ptr<EncoderRunner> runner,
                                   MakeMovieOptions options)
    : TempDir(project.ProjectDir + "tmp/"), Project(ProjectForFrames(project)), status_(status), flags_(flags),
      dispatcher_(dispatcher), options_(std::move(options)), Runner(std::move(runner)) {
    if (!options_.freeSpace)
        options_.freeSpace = FreeDiskSpace;
    if (!Runner)
        Runner = MakeProcessEncoderRunner(dispatcher_);
    Runner->OnNewLine = [this](const std::string& line) { RunnerNewLine(line); };
    Runner->OnTerminated = [this](std::uint32_t exitCode) { RunnerTerminated(exitCode); };
}

TMakeMovieThread::~TMakeMovieThread() {
    if (worker_.joinable()) {
        RequestStop();
        worker_.join();
    }
}

void TMakeMovieThread::Start() {
    if (worker_.joinable() || finished_.load())
        throw std::logic_error("TMakeMovieThread: started twice");
    worker_ = std::jthread([this] { Execute(); });
}

void TMakeMovieThread::Wait() {
    if (worker_.joinable())
        worker_.join();
}

struct TMakeMovieThread::AnswerWait {
    std::mutex mutex;
    std::condition_variable changed;
    bool released = false;
    void Release() {
        {
            std::lock_guard lock(mutex);
            released = true;
        }
        changed.notify_all();
    }
};

void TMakeMovieThread::RequestStop() {
    stopRequested_.store(true);
    Runner->RequestStop();
    std::lock_guard lock(answerMutex_);
    if (answerWait_) answerWait_->Release();
}

void TMakeMovieThread::Execute() {
    // One export of a project at a time, whatever program or process runs it: tmp/ and the
    // frames in it are the export's own. Held until the owner's last step has run, as that step
    // removes tmp/ once more. Where the file system has no such locks, the export goes on.
    const FolderLock projectLock(Project.ProjectDir);
    const bool inUse = projectLock.state() == FolderLock::State::Held;
    try {
        if (inUse)
            SyncRefuseProjectInUse();
        else
            ExecuteSteps();
    } catch (const std::exception& e) {
        FailWith(MessageOf(e));
    } catch (...) {
        FailWith(Message::Verbatim("unexpected error while making the movie"));
    }
    // Every ending: the frames and bitmaps are of no use to anybody.
    if (!inUse)
        ThUtility::DeleteFolderTree(TempDir);
    try {
        dispatcher_.runSync([this] {
            // Where nothing was put in place, a cancel confirmed after the last poll still counts
            // (the movie that was there stays); once the movie was being put in place, none does.
            if (!flags_.MovieCommitted && status_.Cancelled())
                flags_.Cancelled = true;
            if (OnCompleted)
                OnCompleted();
        });
    } catch (...) {
        // The owner's handler failing must not take the program with it.
    }
    finished_.store(true);
}

void TMakeMovieThread::FailWith(const Message& message) {
    try {
        SyncRecordFailure(message);
    } catch (...) {
        // The dispatcher itself failed; the flags keep what they had.
    }
}

void TMakeMovieThread::ExecuteSteps() {
    SyncMarkSucceeded();

    // Checked again here, as the owner may not have: a size that cannot be rendered and paths
    // that the encoder line cannot carry stop the export before anything is written.
    if (const auto problem = MovieSizeProblem(Project.MovWidth, Project.MovHeight))
        return FailWith(*problem);
    if (const auto problem = ExportPathProblem(Project))
        return FailWith(*problem);
    if (const auto problem = MovieLengthProblem(Project))
        return FailWith(*problem);
    if (const auto problem = MovieOutputProblem(Project))
        return FailWith(*problem);
    // Music that is no sound (a text file, a picture) would fail the encoder only once the
    // frames are made. Where ffprobe cannot tell, the encoder is left to say.
    if (Project.UseMusic) {
        const SoundProbe music = ProbeSound(Project.MusicFilePath);
        if (music.answered && !music.hasSound)
            return FailWith(MusicWithoutSoundMessage(Project.MusicFilePath, music.reason));
    }

    // The temporary folder must be one this export made: whatever is in its place (frames of a
    // run that was killed, a link to another folder) goes first, a link without what it points to.
    ThUtility::DeleteFolderTree(TempDir);
    if (::mkdir(TempDir.c_str(), 0777) != 0)
        return FailWith(Message::Verbatim("cannot make the temporary folder " + TempDir + ": " + std::strerror(errno)));

    // Pass 1: each picture fitted into the frame. The next picture is read and fitted on a second
    // thread while this one is, so at most two are in memory at a time.
    const int count = Project.Count();
    StatusText = kPass1Text;
    SyncShowTextCounted();
    ProgressMin = 0;
    ProgressMax = count - 1;
    ProgressPos = 0;
    SyncSetRange();
    SyncCheckCancel();
    if (StopRequested())
        return;
    const int kept = KeptFittedPictures();
    std::future<FittedPicture> current;
    if (count > 0)
        current = FitAhead(0);
    for (int i = 0; i < count; ++i) {
        SyncCheckCancel();
        if (StopRequested())
            return;
        ProgressPos = i;
        SyncShowPosition();
        SyncShowTextCounted();
        std::future<FittedPicture> following;
        if (i + 1 < count)
            following = FitAhead(i + 1);
        FittedPicture fitted = current.get();
        if (!fitted.failure.empty())
            return FailWith(fitted.failure);
        // Past the kept ones, the picture is known to read; pass 2 fits it again when it comes.
        if (i < kept)
            bmp::writeFile(fitted.picture, TempDir + std::to_string(i) + ".bmp");
        if (!HasTempSpace()) {
            SyncMarkDiskShort();
            SyncMarkFailed();
            return;
        }
        current = std::move(following);
    }

    RenderAndEncode();
}

void TMakeMovieThread::RenderAndEncode() {
    // Pass 2: the frames, numbered from 1 over all pictures.
    const int count = Project.Count();
    StatusText = kPass2Text;
    SyncShowTextCounted();
    ProgressMax = static_cast<std::int32_t>(Project.TotalFrames() - 1);
    ProgressPos = 0;
    SyncSetRange();
    Runner->SetCommandLine(options_.encoderProgram + BuildEncoderArguments(Project));
    // The encoder writes the movie beside its place, into a file of ours that goes after every
    // other ending, once the encoder has ended (it is declared before the run, so it outlives it).
    // It is made just before the encoder starts, so that a killed program leaves none: the
    // encoder entry removes it then.
    std::optional<PartialMovie> partial;
    const auto makePartial = [&] {
        partial.emplace(Project.SaveFilePath);
        Runner->SetEnvironment({std::string(kMoviePartVariable) + "=" + partial->path()});
    };

    // The encoder follows the frames from the first one on, when tmp/ can be watched for it.
    std::unique_ptr<EncoderWindow> window;
    if (!options_.framesFirst) {
        try {
            window = std::make_unique<EncoderWindow>(TempDir, options_.framesAhead);
        } catch (const Error&) {
            // No watch to be had (the system's limit of watches): the frames are written first.
        }
    }
    std::optional<FramesInProgressMark> mark;
    std::optional<EncoderRun> encoder;  // after the window, which it closes when it ends
    if (window) {
        mark.emplace(TempDir);
        // A stop raised before here (the destructor) must not start a run.
        if (StopRequested())
            return;
        makePartial();
        encoder.emplace(*Runner, [this] { encoderCut_.store(true); }, [&window] { window->Close(); });
    }

    FrameProgressSteps progress(*this, window != nullptr);
    RenderOptions renderOptions;
    renderOptions.workers = options_.frameWorkers;
    renderOptions.window = window.get();
    renderOptions.composed = options_.composed;
    // A picture pass 1 did not keep is fitted again while the one before it is rendered.
    const int kept = KeptFittedPictures();
    std::future<FittedPicture> fittedAgain;
    if (kept == 0 && count > 0)
        fittedAgain = FitAhead(0);
    int nextFrame = 1;
    for (int i = 0; i < count; ++i) {
        const std::string fitted = TempDir + std::to_string(i) + ".bmp";
        Bitmap picture;
        if (i < kept) {
            picture = bmp::readFile(fitted);
        } else {
            FittedPicture again = fittedAgain.get();
            if (!again.failure.empty())
                return FailWith(again.failure);
            picture = std::move(again.picture);
        }
        if (i + 1 >= kept && i + 1 < count)
            fittedAgain = FitAhead(i + 1);
        const PictureFrames frames(std::move(picture), Project.Items(i));
        nextFrame = RenderPictureFrames(frames, TempDir, nextFrame, progress, renderOptions);
        if (nextFrame < 0) {
            // Stopped for lack of space, by a cancel, or by the encoder's end (the window closed).
            // An encoder still running is stopped on the way out.
            if (progress.DiskShort()) {
                SyncMarkDiskShort();
                SyncMarkFailed();
            } else if (!StopRequested() && encoder && encoder->Wait() == 0) {
                // A failed encoder has said why already; one that claims success without every
                // frame has failed too.
                FailWith(Message::Verbatim("the encoder ended before it had taken every frame: " +
                                           Runner->CommandLine()));
            }
            return;
        }
        ::unlink(fitted.c_str());  // every frame of it is written
        if (!HasTempSpace()) {
            SyncMarkDiskShort();
            SyncMarkFailed();
            return;
        }
    }
    WriteClosingFrames(Project.MovWidth, Project.MovHeight, TempDir, nextFrame);
    if (mark)
        mark->Finish();
    SyncCheckCancel();
    if (StopRequested())
        return;

    // Pass 3: what remains to encode; its lines move the bar (RunnerNewLine), its exit code decides.
    SyncBeginEncoderProgress();
    if (encoder) {
        if (encoder->Wait() == 0)
            PutMovieInPlace(*partial);
        return;
    }
    // A stop raised between the poll above and here (the destructor) must not start a run.
    if (StopRequested())
        return;
    makePartial();
    if (Runner->RunAndWait() == 0)
        PutMovieInPlace(*partial);
}

void TMakeMovieThread::PutMovieInPlace(PartialMovie& partial) {
    // The one step that touches the user's movie, taken by this thread after the encoder has
    // ended: not after a cancel, which keeps the movie that was there, nor before the answer to
    // a cancel question still open. Once decided, no cancel can come between: the flush of a
    // large movie takes seconds.
    if (!SyncDecideCommit())
        return;
    if (const int error = partial.Commit(); error != 0)
        FailWith(Message::Verbatim(PartialMovieCommitError(partial.movie(), error)));
}

void TMakeMovieThread::SyncBeginEncoderProgress() {
    // One step, so that no encoder line is shown between the set-up and the switch.
    dispatcher_.runSync([this] {
        ProgressMax = static_cast<std::int32_t>(Project.TotalSeconds());
        ProgressMin = 0;
        ProgressPos = 0;
        SyncSetRange();
        StatusText = kPass3Text;
        SyncShowText();
        encoderProgressShown_.store(true);
    });
}

TMakeMovieThread::FittedPicture TMakeMovieThread::FitPicture(int i) const {
    const std::string& path = Project.Items(i).PicturePath;
    FittedPicture fitted;
    try {
        fitted.picture = LoadFittedPicture(path, Project.MovWidth, Project.MovHeight);
    } catch (const MessageError& e) {
        fitted.failure = e.message();
    } catch (const std::exception& e) {
        fitted.failure = Message::Verbatim(withFileName(e.what(), path));
    }
    return fitted;
}

std::future<TMakeMovieThread::FittedPicture> TMakeMovieThread::FitAhead(int i) const {
    // On a thread of its own where there is a core to spare; else when it is asked for.
    const bool ahead = options_.frameWorkers != 1 && std::thread::hardware_concurrency() > 1;
    return std::async(ahead ? std::launch::async : std::launch::deferred, [this, i] { return FitPicture(i); });
}

int TMakeMovieThread::KeptFittedPictures() const {
    const std::uint64_t count = static_cast<std::uint64_t>(Project.Count());
    if (options_.framesFirst)
        return static_cast<int>(count);
    // As a file: the rows and the headers.
    const std::uint64_t pictureBytes =
        Bitmap::strideFor(Project.MovWidth, 24) * static_cast<std::uint64_t>(Project.MovHeight) + 54;
    return static_cast<int>(std::min(count, options_.keptFittedBytes / pictureBytes));
}

bool TMakeMovieThread::HasTempSpace() const {
    const auto available = options_.freeSpace(TempDir);
    return available && *available > kMinTempSpace;
}

void TMakeMovieThread::RunnerNewLine(const std::string& line) {
    EncoderTail.Add(line);
    // Before pass 3 the bar and its fields are the frames'.
    const auto frames = encoderProgressShown_.load() ? EncodedFrameCount(line) : std::nullopt;
    if (frames) {
        const int seconds = *frames / FRAME_RATE;  // div: truncates toward zero
        ProgressPos = seconds;
        SyncShowPosition();
        StatusText = ThUtility::EncodedUpToText(seconds);
        SyncShowText();
    }
    SyncCheckCancel();
    // The runner stops at once on request and reports the end itself; nothing to wait for here.
    if (CancelSeen.load() && Runner->Running())
        Runner->RequestStop();
}

void TMakeMovieThread::RunnerTerminated(std::uint32_t exitCode) {
    if (exitCode == 0)
        SyncMarkSucceeded();
    else if (StopRequested() || encoderCut_.load())
        SyncMarkFailed();  // stopped on request: the encoder's last words are no reason
    else if (const int signal = Runner->EndingSignal())
        // Its last line was only where it was.
        SyncRecordFailure(Message::Verbatim(EncoderSignalReason(signal)));
    else
        SyncRecordFailure(Message::Verbatim(EncoderTail.Reason(exitCode)));
}

void TMakeMovieThread::SyncRefuseProjectInUse() {
    const Message message = Message::Verbatim(
        Project.ProjectDir + " is being made into a movie elsewhere: another export of this project is running");
    dispatcher_.runSync([this, &message] {
        flags_.EncodeSucceeded = false;
        flags_.ProjectInUse = true;
        flags_.FailureMessage = message;
    });
}

void TMakeMovieThread::SyncMarkSucceeded() {
    dispatcher_.runSync([this] { flags_.EncodeSucceeded = true; });
}

void TMakeMovieThread::SyncMarkFailed() {
    dispatcher_.runSync([this] { flags_.EncodeSucceeded = false; });
}

void TMakeMovieThread::SyncMarkDiskShort() {
    dispatcher_.runSync([this] { flags_.DiskSpaceShort = true; });
}

void TMakeMovieThread::SyncRecordFailure(const Message& message) {
    dispatcher_.runSync([this, &message] {
        flags_.EncodeSucceeded = false;
        flags_.FailureMessage = message;
    });
}

void TMakeMovieThread::SyncSetRange() {
    dispatcher_.runSync([this] { status_.SetProgressRange(ProgressMin, ProgressMax); });
}

void TMakeMovieThread::SyncShowPosition() {
    dispatcher_.runSync([this] { status_.SetProgressPosition(ProgressPos); });
}

void TMakeMovieThread::SyncShowTextCounted() {
    dispatcher_.runSync([this] { status_.ShowStatusText(StatusText, true); });
}

void TMakeMovieThread::SyncShowText() {
    dispatcher_.runSync([this] { status_.ShowStatusText(StatusText, false); });
}

bool TMakeMovieThread::SyncDecideCommit() {
    bool commit = false;
    // Asked again after every answer: the user may ask to cancel once more.
    while (!StopRequested()) {
        auto wait = std::make_shared<AnswerWait>();
        {
            std::lock_guard lock(answerMutex_);
            answerWait_ = wait;
        }
        // A stop raised before the wait was known to RequestStop ends it here.
        if (StopRequested()) break;
        bool held = false;
        dispatcher_.runSync([&] {
            held = status_.HoldUntilAnswered([wait] { wait->Release(); });
            if (held) return;
            // One step: the cancel comes first, or the commit does and closes the way to it.
            if (status_.Cancelled()) {
                CancelSeen.store(true);
                stopRequested_.store(true);
                flags_.Cancelled = true;
            } else {
                commit = true;
                flags_.MovieCommitted = true;
                status_.CancelClosed();
            }
        });
        if (held) {
            std::unique_lock lock(wait->mutex);
            wait->changed.wait(lock, [&] { return wait->released; });
        }
        {
            std::lock_guard lock(answerMutex_);
            answerWait_.reset();
        }
        if (!held) return commit;
    }
    std::lock_guard lock(answerMutex_);
    answerWait_.reset();
    return false;
}

void TMakeMovieThread::SyncCheckCancel() {
    dispatcher_.runSync([this] {
        if (status_.Cancelled()) {
            CancelSeen.store(true);
            stopRequested_.store(true);
        }
    });
}

}  // namespace kalidor
