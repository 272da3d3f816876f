#pragma once
// The render thread of an export: fits every picture into the movie frame (pass 1, tmp/i.bmp),
// renders the numbered JPEG frames and the three black closing frames (pass 2, tmp/000001.jpg
// ...) and encodes them (pass 3), then removes the temporary folder.
//
// The encoder starts with pass 2 and takes each frame as soon as it is written, removing it once
// fed; pass 2 waits while MakeMovieOptions::framesAhead frames are ahead of it, and a fitted
// picture goes once its frames are written. Pass 1 keeps the fitted pictures of the first
// MakeMovieOptions::keptFittedBytes only; pass 2 fits the others again, one picture ahead. So
// tmp/ stays small however long the movie is and however many pictures it has. Pass 3 is what
// remains to encode once the last frame is written. With framesFirst (or where tmp/
// cannot be watched) every frame is written before the encoder starts, as a finished folder;
// framesFirst also keeps every fitted picture from pass 1.
//
// It reports only through synchronized steps run by the Dispatcher on the owner's thread (the
// thread waits for each): the ExportStatus (bar, label, cancel poll) and the ExportFlags. The
// thread reads its own copy of the project. The encoder's lines move the bar
// from pass 3 on; before that they only count for the cancel poll and the failure reason.
//
// Endings. Cancelled (a poll found ExportStatus::Cancelled; the encoder is stopped or never
// started), disk short (300 MiB or less free after a picture of pass 1 or 2, or once a second of
// movie while the encoder follows the frames), failed (a picture that cannot be read, a frame
// that cannot be written, a path the encoder line cannot carry, an encoder that cannot be
// started, ends with a non-zero code, or ends before it has taken every frame; FailureMessage
// says why: the check's message, the file and the OS's or codec's reason, or the encoder's own
// last error line, or the signal that ended it), or succeeded. A movie path that is a file of the
// project or inside its tmp/, display times below 1 second and a music file that holds no sound
// (ffprobe's answer) fail before anything is written.
// So does a project that another export (any program, any process) is making into a movie: the
// project folder is locked for the whole export, and that export's tmp/ is left alone
// (ExportFlags::ProjectInUse). A tmp/ left by an earlier run (or a link in its place) is removed
// first; only what is inside a real tmp/ is deleted. Nothing raised inside escapes the thread, no
// encoder outlives it, and the temporary folder is removed after every ending. Then OnCompleted
// runs through the dispatcher; FinishExport (export_result.h) is what it usually calls.
//
// The movie. The encoder writes it into a hidden partial file beside the movie's path that this
// thread makes (partial_movie.h) and removes after every ending but success, once the encoder
// has ended, whether the encoder failed, was stopped or was killed. After success the thread
// itself renames it over the movie, as its last step before OnCompleted (PutMovieInPlace); a
// movie already there stays until then, and while the user is being asked whether to cancel
// (ExportStatus::HoldUntilAnswered) until the answer is in: a yes keeps the old movie. Whether
// a cancel or the commit comes first is decided in one step, and the result follows that
// decision (ExportFlags::Cancelled, ExportFlags::MovieCommitted), never a cancel asked later.

#include "encode/partial_movie.h"
#include "model/pic_object.h"
#include "imaging/bitmap.h"
#include "platform/dispatcher.h"
#include "platform/free_space.h"
#include "render/encoder_failure.h"
#include "render/encoder_runner.h"
#include "render/export_result.h"
#include "render/export_status.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace kalidor {

// Two seconds of movie: enough for the encoder's decoders to run ahead on every core.
inline constexpr int kFramesAheadOfEncoder = 2 * FRAME_RATE;
// Fitted pictures pass 1 keeps in tmp/ for pass 2: a short movie's all (ten at 1920 x 1080),
// so only a long one reads some of its pictures twice.
inline constexpr std::uint64_t kKeptFittedBytes = 64ull * 1024 * 1024;

struct MakeMovieOptions {
    int frameWorkers = 0;                       // frame workers of pass 2; 0: one per core
    FreeSpaceQuery freeSpace;                   // empty: FreeDiskSpace
    std::string encoderProgram = "lib/ffmpeg";  // relative names are taken from the program's folder
    int framesAhead = kFramesAheadOfEncoder;    // frames pass 2 may be ahead of the encoder
    bool framesFirst = false;                   // every frame before the encoder starts
    std::uint64_t keptFittedBytes = kKeptFittedBytes;  // fitted pictures kept from pass 1
    // Shown every frame number of pass 2 with its composed frame, before it is encoded.
    std::function<void(int frameNumber, const Bitmap& frame)> composed = {};
};

// Strictly more than this many free bytes are needed after each picture of passes 1 and 2.
inline constexpr std::uint64_t kMinTempSpace = 300ull * 1024 * 1024;

class TMakeMovieThread {
public:
    // `status`, `flags` and `dispatcher` must outlive the thread; the thread renders a copy of
    // `project` taken here (ProjectForFrames), which the owner may change meanwhile. Without a
    // runner the console process runner is used, delivering its lines through `dispatcher`.
    TMakeMovieThread(const TThPicObjectManager& project, ExportStatus& status, ExportFlags& flags,
                     Dispatcher& dispatcher, std::unique_ptr<EncoderRunner> runner = nullptr,
                     MakeMovieOptions options = {});
    // Asks a running export to stop (the encoder too) and joins it. With a dispatcher that runs
    // steps on the destroying thread, Wait for OnCompleted on that thread's loop first.
    ~TMakeMovieThread();
    TMakeMovieThread(const TMakeMovieThread&) = delete;
    TMakeMovieThread& operator=(const TMakeMovieThread&) = delete;

    // Runs after Execute has ended, through the dispatcher. Set it before Start.
    std::function<void()> OnCompleted;

    // Runs Execute and then OnCompleted on a thread of its own. Once only.
    void Start();
    // Blocks until the thread has ended, OnCompleted included. Not from the dispatcher's own
    // thread when that dispatcher queues steps for it (it would wait for itself).
    void Wait();
    bool Finished() const noexcept { return finished_.load(); }

    // The whole export on the calling thread, for owners that need no thread of their own.
    // Never raises.
    void Execute();

    // Raises the stop request (as a cancel poll does) and stops a running encoder.
    void RequestStop();

    const std::string& TemporaryFolder() const noexcept { return TempDir; }
    bool CancelWasSeen() const noexcept { return CancelSeen.load(); }

private:
    class FrameProgressSteps;

    void ExecuteSteps();
    // Pass 2 from the set-up on, and pass 3.
    void RenderAndEncode();
    // Pass 3's set-up: the seconds range and its text; from then on the encoder's lines move
    // the bar.
    void SyncBeginEncoderProgress();
    bool StopRequested() const noexcept { return stopRequested_.load(); }
    bool HasTempSpace() const;
    // Pass 1's work on picture i: read and fitted, or why not.
    struct FittedPicture {
        Bitmap picture;
        Message failure;
    };
    FittedPicture FitPicture(int i) const;
    // FitPicture(i) started ahead of its use.
    std::future<FittedPicture> FitAhead(int i) const;
    // How many pictures, from the first, pass 1 keeps fitted in tmp/.
    int KeptFittedPictures() const;
    // The last step after an encoder that succeeded: the partial movie renamed over the movie.
    void PutMovieInPlace(PartialMovie& partial);
    // The cancel poll before that step, which waits while a cancel question is open and asks
    // again once it is answered; a stop request ends the wait. Decides in one step: cancelled
    // (ExportFlags::Cancelled, false) or committed (ExportFlags::MovieCommitted, the dialog's
    // Cancel closed, true).
    bool SyncDecideCommit();
    void RunnerNewLine(const std::string& line);
    void RunnerTerminated(std::uint32_t exitCode);
    void FailWith(const Message& message);

    // The synchronized steps.
    void SyncMarkSucceeded();
    void SyncMarkFailed();
    void SyncMarkDiskShort();
    void SyncSetRange();
    void SyncShowPosition();
    void SyncShowTextCounted();
    void SyncShowText();
    void SyncCheckCancel();
    void SyncRecordFailure(const Message& message);
    void SyncRefuseProjectInUse();

    // Written by the render thread, or in pass 3 by RunnerNewLine on the owner's thread while
    // the render thread waits for the encoder; read only inside steps.
    Message StatusText;
    std::int32_t ProgressPos = 0;
    std::int32_t ProgressMax = 0;
    std::int32_t ProgressMin = 0;
    std::string TempDir;
    const TThPicObjectManager Project;  // the thread's own: nothing the window does reaches it
    std::atomic<bool> CancelSeen{false};
    // Set inside the step that begins pass 3: RunnerNewLine moves the bar only from then on.
    std::atomic<bool> encoderProgressShown_{false};
    // This side is stopping the encoder (a failure, a cancel, no space): its ending is no reason.
    std::atomic<bool> encoderCut_{false};
    // The encoder's last lines, for the failure reason: filled by RunnerNewLine, read by
    // RunnerTerminated after the last line was delivered.
    EncoderOutputTail EncoderTail;

    ExportStatus& status_;
    ExportFlags& flags_;
    Dispatcher& dispatcher_;
    MakeMovieOptions options_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> finished_{false};
    // The wait for a cancel question's answer, shared with the release the owner keeps.
    struct AnswerWait;
    std::mutex answerMutex_;
    std::shared_ptr<AnswerWait> answerWait_;  // guarded by answerMutex_
    // After everything its events use, so it goes (stopping its run) before them.
    std::unique_ptr<EncoderRunner> Runner;
    std::jthread worker_;
};

}  // namespace kalidor
