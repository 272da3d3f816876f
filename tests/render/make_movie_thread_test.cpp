#include "encode/dos_command.h"
#include "encode/encoder_arguments.h"
#include "encode/frame_arrivals.h"
#include "model/movie_checks.h"
#include "model/th_utility.h"
#include "imaging/bmp_codec.h"
#include "imaging/jpeg_codec.h"
#include "platform/child_process.h"
#include "platform/folder_lock.h"
#include "render/encoder_progress.h"
#include "render/frame_writer.h"
#include "render/make_movie_thread.h"
#include "render/movie_frames.h"
#include "render/preview_composer.h"
#include "render/render_picture.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <condition_variable>
#include <csignal>
#include <deque>
#include <filesystem>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include <fcntl.h>

namespace kalidor {
namespace {

using test::TempFolder;
namespace fs = std::filesystem;

const std::string kPass1 = "画像を動画サイズに変換中・・・";
const std::string kPass2 = "画像に効果を適用中・・・";
const std::string kPass3 = "動画作成の準備中・・・";
// A fitted picture of the test projects' 160 x 120 movie, as a file in tmp/.
constexpr std::uint64_t kFittedBytes = 160 * 3 * 120 + 54;

// The owner's thread of the desktop program: steps from other threads queue up and wait, a step
// that dispatches again runs at once.
class OwnerThreadDispatcher final : public Dispatcher {
public:
    OwnerThreadDispatcher() : thread_([this] { loop(); }) {}
    ~OwnerThreadDispatcher() override {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    void runSync(const std::function<void()>& step) override {
        if (std::this_thread::get_id() == thread_.get_id())
            return step();
        std::atomic<bool> done{false};  // set by the owner's thread outside the lock
        std::exception_ptr error;
        std::unique_lock lock(mutex_);
        queue_.push_back([&] {
            try {
                step();
            } catch (...) {
                error = std::current_exception();
            }
            done = true;
        });
        wake_.notify_all();
        wake_.wait(lock, [&] { return done.load(); });
        if (error)
            std::rethrow_exception(error);
    }
    bool onOwnerThread() const { return std::this_thread::get_id() == thread_.get_id(); }
    int steps() const {
        std::lock_guard lock(mutex_);
        return steps_;
    }

private:
    void loop() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return quit_ || !queue_.empty(); });
            if (queue_.empty())
                return;
            auto step = std::move(queue_.front());
            queue_.pop_front();
            ++steps_;
            lock.unlock();
            step();
            lock.lock();
            wake_.notify_all();
        }
    }

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    bool quit_ = false;
    int steps_ = 0;
    std::thread thread_;
};

// Records what the dialog would show; cancels when `cancelWhen` first holds.
class RecordingStatus final : public ExportStatus {
public:
    explicit RecordingStatus(const OwnerThreadDispatcher& owner) : owner_(owner) {}
    bool Cancelled() const override {
        check();
        if (!latched_ && cancelWhen && cancelWhen(*this))
            latched_ = true;
        return latched_ || ExportStatus::Cancelled();
    }
    void SetFinished(bool finished) override { events.push_back(finished ? "finished" : "working"); }
    void CancelClosed() override { events.push_back("cancel closed"); }
    void SetOpenFolderEnabled(bool enabled) override { openFolder = enabled; }
    void ShowFailureDetail(const std::string& message) override { failureDetail = message; }

    std::function<bool(const RecordingStatus&)> cancelWhen;
    std::vector<std::string> labels;
    std::vector<std::string> events;
    std::vector<int> positions;
    bool openFolder = false;
    std::string failureDetail;
    mutable int offOwnerThread = 0;

protected:
    void ProgressChanged(int minimum, int maximum, int position) override {
        check();
        events.push_back("range " + std::to_string(minimum) + ".." + std::to_string(maximum));
        positions.push_back(position);
    }
    void StatusLabelChanged(const std::string& label) override {
        check();
        labels.push_back(label);
    }

private:
    void check() const { offOwnerThread += !owner_.onOwnerThread(); }
    const OwnerThreadDispatcher& owner_;
    mutable bool latched_ = false;
};

// Replays scripted output lines through the dispatcher, as the process runner does.
class FakeRunner final : public EncoderRunner {
public:
    struct Script {
        std::vector<std::string> lines;
        std::uint32_t exitCode = 0;
        bool throwOnStart = false;
        bool blockUntilStopped = false;
        std::function<void()> onRun;  // on the encoder's thread, before the first line
        // When set, the runner first takes `take` frames from tmp/ as the encoder entry does,
        // each as soon as it is there, removed once taken, calling onFrame(n) before.
        bool followFrames = false;
        int take = 0;
        std::function<void(int frame)> onFrame;
        std::string folder;  // tmp/, set by exportWith
        std::string commandLine;
        int runs = 0, stops = 0, delivered = 0, taken = 0;
    };
    FakeRunner(Dispatcher& dispatcher, Script& script) : dispatcher_(dispatcher), script_(script) {}

    void SetCommandLine(const std::string& commandLine) override { script_.commandLine = commandLine; }
    const std::string& CommandLine() const override { return script_.commandLine; }
    void SetEnvironment(std::vector<std::string> entries) override { environment_ = std::move(entries); }
    std::uint32_t RunAndWait() override {
        ++script_.runs;
        if (script_.throwOnStart) {
            OnTerminated(kStillActive);
            throw TCreateProcessError(script_.commandLine + " doesn't exist.");
        }
        if (script_.onRun)
            script_.onRun();
        running_ = true;
        if (script_.followFrames)
            takeFrames();
        for (const std::string& line : script_.lines) {
            if (stopped_)
                break;
            dispatcher_.runSync([&] { OnNewLine(line); });
            ++script_.delivered;
        }
        if (script_.blockUntilStopped) {
            std::unique_lock lock(mutex_);
            started_.notify_all();
            stoppedCv_.wait(lock, [&] { return stopped_.load(); });
        }
        running_ = false;
        const std::uint32_t code = stopped_ ? kStillActive : script_.exitCode;
        if (code == 0)
            writeMovie();
        OnTerminated(code);
        return code;
    }
    void RequestStop() override {
        std::lock_guard lock(mutex_);
        ++script_.stops;
        stopped_ = true;
        if (arrivals_)
            arrivals_->Stop();
        stoppedCv_.notify_all();
    }
    bool Running() const override { return running_ && !stopped_; }

    void waitUntilBlocking() {
        std::unique_lock lock(mutex_);
        started_.wait(lock, [&] { return running_.load(); });
    }

private:
    // Into the partial file the export gave, as the encoder entry does.
    void writeMovie() {
        const std::string prefix = std::string(kMoviePartVariable) + "=";
        for (const std::string& entry : environment_)
            if (entry.starts_with(prefix))
                test::writeText(entry.substr(prefix.size()), "movie");
    }

    void takeFrames() {
        FrameArrivals arrivals(script_.folder + "%6d.jpg");
        {
            std::lock_guard lock(mutex_);
            arrivals_ = &arrivals;
            if (stopped_)
                arrivals.Stop();
        }
        for (int n = 1; n <= script_.take; ++n) {
            if (!arrivals.Open(n))
                break;
            if (script_.onFrame)
                script_.onFrame(n);
            fs::remove(fs::path(script_.folder) / FrameFileName(n));
            ++script_.taken;
        }
        std::lock_guard lock(mutex_);
        arrivals_ = nullptr;
    }

    Dispatcher& dispatcher_;
    Script& script_;
    std::vector<std::string> environment_;
    FrameArrivals* arrivals_ = nullptr;
    std::atomic<bool> running_{false}, stopped_{false};
    std::mutex mutex_;
    std::condition_variable started_, stoppedCv_;
};

Bitmap gradient(int w, int h) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.row(y)[3 * x + 1] = static_cast<std::uint8_t>(x + y);
    return b;
}

// A project of 160 x 120 pictures in a scratch folder, alternately BMP and JPEG.
struct TestProject {
    TempFolder folder;
    TThPicObjectManager project;

    explicit TestProject(std::vector<int> displayTimes) {
        project.ProjectDir = folder.dir();
        project.MovWidth = 160;
        project.MovHeight = 120;
        project.SaveFilePath = folder.dir() + "out/movie.MP4";
        fs::create_directories(folder.path() / "out");
        for (std::size_t i = 0; i < displayTimes.size(); ++i) {
            const std::string path = folder.dir() + "pic" + std::to_string(i) + (i % 2 ? ".jpg" : ".bmp");
            if (i % 2)
                jpeg::writeFile(gradient(200, 100), path, 90);
            else
                bmp::writeFile(gradient(90, 120), path);
            add(path, displayTimes[i]);
        }
    }
    void add(const std::string& path, int displayTime) {
        auto picture = std::make_unique<TThPicObject>();
        picture->PicturePath = path;
        picture->DisplayTime = displayTime;
        project.Add(std::move(picture));
    }
    bool tmpExists() const { return fs::exists(folder.path() / "tmp"); }
    // The frame files in tmp/ and, apart, the fitted pictures.
    std::pair<std::size_t, std::size_t> framesAndPictures() const {
        std::pair<std::size_t, std::size_t> counts;
        for (const auto& name : tmpFiles()) {
            counts.first += name.size() == 10 && name.ends_with(".jpg") && name.front() != '.';
            counts.second += name.ends_with(".bmp");
        }
        return counts;
    }
    std::set<std::string> tmpFiles() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder.path() / "tmp"))
            names.insert(entry.path().filename().string());
        return names;
    }
};

struct Outcome {
    ExportResult result = ExportResult::Failed;
    ExportFlags flags;
    bool completedOnOwner = false;
};

// One whole export on its own thread, ended by FinishExport as the owner would. A runner that
// does not take the frames gets them all before it starts.
Outcome exportWith(TestProject& p, RecordingStatus& status, OwnerThreadDispatcher& owner, FakeRunner::Script& script,
                   MakeMovieOptions options = {}) {
    Outcome out;
    options.framesFirst = !script.followFrames;
    script.folder = p.folder.dir() + "tmp/";
    {
        TMakeMovieThread thread(p.project, status, out.flags, owner, std::make_unique<FakeRunner>(owner, script),
                                std::move(options));
        thread.OnCompleted = [&] {
            out.completedOnOwner = owner.onOwnerThread();
            out.result = FinishExport(p.project.ProjectDir, status, out.flags);
        };
        thread.Start();
        thread.Wait();
        EXPECT_TRUE(thread.Finished());
    }
    EXPECT_TRUE(out.completedOnOwner);
    EXPECT_EQ(status.offOwnerThread, 0);
    EXPECT_FALSE(p.tmpExists());
    // The movie in place after success, and no partial one after any ending.
    EXPECT_EQ(test::filesIn(p.folder.path() / "out").size(), out.result == ExportResult::Completed ? 1u : 0u);
    return out;
}

std::vector<std::string> labelsStartingWith(const RecordingStatus& status, const std::string& prefix) {
    std::vector<std::string> out;
    for (const auto& label : status.labels)
        if (label.rfind(prefix + " (", 0) == 0)
            out.push_back(label.substr(prefix.size()));
    return out;
}

TEST(MakeMovieThread, PassOneCountsEveryPicture) {
    TestProject p({3, 3, 3, 3, 3});
    OwnerThreadDispatcher owner;
    RecordingStatus status(owner);
    FakeRunner::Script script;
    // Each fitted picture has gone once its frames were written.
    script.onRun = [&] { EXPECT_EQ(p.tmpFiles().size(), 450u + 3); };
    const Outcome out = exportWith(p, status, owner, script);
    // The first counted label comes before the range is set and still counts the old range.
    const auto counters = labelsStartingWith(status, kPass1);
    const std::vector<std::string> expected = {" (1/101)", " (1/5)", " (2/5)", " (3/5)", " (4/5)", " (5/5)"};
    EXPECT_EQ(counters, expected);
    EXPECT_EQ(script.runs, 1);
    EXPECT_EQ(out.result, ExportResult::Completed);
    EXPECT_TRUE(status.openFolder);
    EXPECT_EQ(status.labels.back(), "処理が完了しました");
}

// Every frame the preview composes is the frame the export composes for that number before
// encoding it: every action, a caption, the closing frames; from the fitted pictures pass 1 kept
// and from those pass 2 fits again.
TEST(MakeMovieThread, EveryFrameIsTheOneComposedOnItsOwn) {
    TestProject p({2, 2, 2, 2, 2, 2, 2});
    for (int i = 0; i < p.project.Count(); ++i) {
        TThPicObject& picture = p.project.Items(i);
        picture.PicAction = static_cast<std::uint8_t>(i);  // apNone .. apBlindVertical
        picture.Text = i % 2 ? "夏の海" : "Ay";
        picture.StrAction = static_cast<std::uint8_t>(1 + i);
    }
    std::mutex mutex;
    std::map<int, Bitmap> exported;
    MakeMovieOptions options;
    options.composed = [&](int number, const Bitmap& frame) {
        std::lock_guard lock(mutex);
        exported[number] = frame;
    };
    options.keptFittedBytes = 2 * kFittedBytes;
    OwnerThreadDispatcher owner;
    RecordingStatus status(owner);
    FakeRunner::Script script;
    script.followFrames = true;
    script.take = 7 * 60 + 3;
    ASSERT_EQ(exportWith(p, status, owner, script, std::move(options)).result, ExportResult::Completed);
    const std::int64_t frames = MovieFrameCount(p.project);
    ASSERT_EQ(frames, 7 * 60 + 3);
    ASSERT_EQ(exported.size(), 7u * 60);
    // The preview's composer, on two threads, keeping two fitted pictures, asked for everything.
    std::map<std::int64_t, Bitmap> previewed;
    std::condition_variable arrived;
    PreviewComposer preview(
        [&](std::uint64_t, std::int64_t index, const Bitmap* frame, const Message& problem) {
            std::lock_guard lock(mutex);
            EXPECT_TRUE(frame) << problem.Japanese();
            if (frame) previewed[index] = *frame;
            arrived.notify_all();
        },
        2, 2);
    preview.SetProject(p.project);
    ASSERT_EQ(preview.FrameCount(), frames);
    preview.Want(0, static_cast<int>(frames));
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(arrived.wait_for(lock, std::chrono::seconds(60), [&] { return previewed.size() == std::size_t(frames); }));
    }
    for (std::int64_t k = 0; k < frames; ++k) {
        if (k < 7 * 60)
            ASSERT_TRUE(previewed.at(k) == exported.at(static_cast<int>(k) + 1)) << "frame " << k;
        else
            ASSERT_TRUE(previewed.at(k) == Bitmap(160, 120, 24)) << "closing frame " << k;
    }
    // Only the wanted frame's picture and the next one stay fitted in memory.
    preview.Want(5 * 60 + 10, 1);
    EXPECT_EQ(preview.KeptPictures(), (std::vector<int>{5, 6}));
    // The plain function reads the pictures itself and gives the same.
    EXPECT_TRUE(ComposeMovieFrame(p.project, 95) == exported.at(96));
}

TEST(MakeMovieThread, TwoPicturesMakeTheirFramesAndTheEncoderLine) {
    TestProject p({3, 4});
    OwnerThreadDispatcher owner;
    RecordingStatus status(owner);
    FakeRunner::Script script;
    std::set<std::string> expectedFiles;
    for (int n = 1; n <= 213; ++n)
        expectedFiles.insert(FrameFileName(n));
    script.onRun = [&] { EXPECT_EQ(p.tmpFiles(), expectedFiles); };
    script.lines = {
        "frame=   59 fps= 30 q=2.0 size= 100kB time=1.93 bitrate= 424.2kbits/s",
        "Press [q] to stop",                       // no time=: nothing moves
        "frame=  120 time=00:00:04.00",            // no fps=: ignored
        "frame= 2250 fps= 30 q=2.0 size= 1kB TIME=75.00 bitrate=",
        "frame= 108000 fps= 30 q=2.0 size= 1kB time=3600.00 bitrate=",
    };
    MakeMovieOptions options;
    options.frameWorkers = 2;
    const Outcome out = exportWith(p, status, owner, script, options);

    const auto pass2 = labelsStartingWith(status, kPass2);
    ASSERT_EQ(pass2.size(), 211u);  // the set-up label, then one per frame
    EXPECT_EQ(pass2[1], " (1/210)");
    EXPECT_EQ(pass2.back(), " (210/210)");
    EXPECT_EQ(script.commandLine, "lib/ffmpeg" + BuildEncoderArguments(p.project));

    const std::vector<std::string> pass3(std::find(status.labels.begin(), status.labels.end(), kPass3),
                                         status.labels.end() - 1);
    const std::vector<std::string> expectedPass3 = {kPass3, "00時間00分01秒までの動画を変換完了",
                                                    "00時間01分15秒までの動画を変換完了",
                                                    "01時間00分00秒までの動画を変換完了"};
    EXPECT_EQ(pass3, expectedPass3);
    // Range 0..7 (seconds), then position 1 from the first line; later ones are held at 7.
    const std::vector<int> lastPositions(status.positions.end() - 4, status.positions.end());
    EXPECT_EQ(lastPositions, (std::vector<int>{0, 1, 7, 7}));
    EXPECT_EQ(out.result, ExportResult::Completed);
}

TEST(MakeMovieThread, CancelStopsEachPassAndIsTheResult) {
    struct Case {
        const char* name;
        std::function<bool(const RecordingStatus&)> when;
        int expectedRuns;
    };
    const std::vector<Case> cases = {
        {"pass 1", [](const RecordingStatus& s) { return s.StatusLabel() == kPass1 + " (1/3)"; }, 0},
        {"pass 2", [](const RecordingStatus& s) { return s.StatusLabel() == kPass2 + " (45/270)"; }, 0},
        {"pass 3", [](const RecordingStatus& s) { return s.StatusLabel() == kPass3; }, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestProject p({3, 3, 3});
        OwnerThreadDispatcher owner;
        RecordingStatus status(owner);
        status.cancelWhen = c.when;
        FakeRunner::Script script;
        // Success is reported, yet the cancel wins.
        script.lines = {"Input #0, image2", "frame= 30 fps= 30 q=2.0 size= 1kB time=1.00"};
        const Outcome out = exportWith(p, status, owner, script);
        EXPECT_EQ(out.result, ExportResult::Cancelled);
        EXPECT_EQ(status.labels.back(), "処理をキャンセルしました");
        EXPECT_EQ(script.runs, c.expectedRuns);
        EXPECT_FALSE(status.openFolder);
        const auto pass2 = labelsStartingWith(status, kPass2);
        if (c.expectedRuns == 0) {
            EXPECT_LT(pass2.size(), 90u);
        } else {
            // The line without time= polls, finds the cancel and stops the encoder.
            EXPECT_EQ(script.stops, 1);
            EXPECT_EQ(script.delivered, 1);
        }
    }
}

// A cancel around the last step, over a movie made before: before the step decides, it keeps
// the old movie; once the new one is being put in place, it is refused and counts for nothing,
// however the owner's cancel mark reads afterwards.
TEST(MakeMovieThread, ACancelOrTheCommitComesFirstAndIsTheResult) {
    const struct {
        bool inPlace;  // the user's cancel: once the encoder has written the movie, or once it is in place
        ExportResult result;
        const char* movie;
    } cases[] = {
        {false, ExportResult::Cancelled, "old"},
        {true, ExportResult::Completed, "movie"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.inPlace);
        TestProject p({1});
        const fs::path out = p.folder.path() / "out";
        test::writeText(p.project.SaveFilePath, "old");
        OwnerThreadDispatcher owner;
        RecordingStatus status(owner);
        status.cancelWhen = [&](const RecordingStatus&) {
            for (const auto& [name, bytes] : test::filesIn(out))
                if (bytes == std::vector<std::uint8_t>{'m', 'o', 'v', 'i', 'e'} && (name.starts_with(".") != c.inPlace))
                    return true;
            return false;
        };
        FakeRunner::Script script;
        script.lines = {"frame= 30 fps= 30 q=2.0 size= 1kB time=1.00"};
        ExportFlags flags;
        ExportResult result = ExportResult::Failed;
        {
            MakeMovieOptions options;
            options.framesFirst = true;
            TMakeMovieThread thread(p.project, status, flags, owner, std::make_unique<FakeRunner>(owner, script),
                                    options);
            thread.OnCompleted = [&] {
                (void)status.Cancelled();  // the user's cancel, as late as it comes
                result = FinishExport(p.project.ProjectDir, status, flags);
            };
            thread.Start();
            thread.Wait();
        }
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(test::readText(p.project.SaveFilePath), c.movie);
        EXPECT_EQ(test::filesIn(out).size(), 1u) << "no partial movie stays";
        const bool closed = std::ranges::find(status.events, "cancel closed") != status.events.end();
        EXPECT_EQ(closed, c.result == ExportResult::Completed);
    }
}

// The export renders the project as it was when it began: what the owner changes afterwards
// (a later batch of pictures being added, a time) does not reach it.
TEST(MakeMovieThread, RendersItsOwnCopyOfTheProject) {
    TestProject p({1, 2});
    OwnerThreadDispatcher owner;
    RecordingStatus status(owner);
    FakeRunner::Script script;
    ExportFlags flags;
    MakeMovieOptions options;
    options.framesFirst = true;
    TMakeMovieThread thread(p.project, status, flags, owner, std::make_unique<FakeRunner>(owner, script), options);
    for (int i = 0; i < 3; ++i)
        p.add(p.folder.dir() + "not yet copied.jpg", 5);
    p.project.Items(0).DisplayTime = 12;
    thread.Start();
    thread.Wait();
    EXPECT_TRUE(flags.EncodeSucceeded) << flags.FailureMessage.Japanese();
    EXPECT_EQ(labelsStartingWith(status, kPass1).back(), " (2/2)");
    EXPECT_EQ(labelsStartingWith(status, kPass2).back(), " (90/90)");
}

TEST(MakeMovieThread, EncoderFailuresAreFailures) {
    for (bool throwOnStart : {false, true}) {
        SCOPED_TRACE(throwOnStart);
        TestProject p({3});
        OwnerThreadDispatcher owner;
        RecordingStatus status(owner);
        FakeRunner::Script script;
        script.exitCode = 1;
        script.throwOnStart = throwOnStart;
        const Outcome out = exportWith(p, status, owner, script);
        EXPECT_EQ(out.result, ExportResult::Failed);
        EXPECT_FALSE(out.flags.EncodeSucceeded);
        EXPECT_EQ(status.labels.back(), "処理が失敗しました");
        EXPECT_FALSE(status.openFolder);
        EXPECT_EQ(status.failureDetail,
                  throwOnStart ? script.commandLine + " doesn't exist." : "the encoder ended with exit code 1");
    }
}

// The encoder takes the frames as they come and pass 2 waits while the window is full, so tmp/
// holds at most the window, a worker's run of up to 8 alike frames and the closing frames; of the
// fitted pictures, only those pass 1 keeps, each gone once its frames are written. A reversed picture is written in number order.
TEST(MakeMovieThread, TheEncoderTakesTheFramesWithinTheWindow) {
    TestProject p({3, 3, 3});
    p.project.Items(0).PicAction = apZoomOut;
    p.project.Items(1).PicAction = apCurtainLeft;
    OwnerThreadDispatcher owner;
    RecordingStatus status(owner);
    FakeRunner::Script script;
    script.followFrames = true;
    script.take = 273;
    MakeMovieOptions options;
    options.framesAhead = 12;
    options.frameWorkers = 2;
    options.keptFittedBytes = kFittedBytes;
    std::pair<std::size_t, std::size_t> full, last;
    std::size_t peak = 0;
    script.onFrame = [&](int n) {
        if (n == 1) {
            FrameArrivals arrivals(script.folder + "%6d.jpg");
            for (int f = 2; f <= options.framesAhead; ++f)  // until the window is full
                arrivals.Open(f);
            full = p.framesAndPictures();
        }
        peak = std::max(peak, p.framesAndPictures().first);
        if (n == script.take)
            last = p.framesAndPictures();
    };
    const Outcome out = exportWith(p, status, owner, script, options);
    EXPECT_EQ(out.result, ExportResult::Completed) << out.flags.FailureMessage.Japanese();
    EXPECT_EQ(script.taken, 273);
    EXPECT_GE(full.first, 12u);
    EXPECT_LE(peak, 12u + 7 + kClosingFrames);
    EXPECT_EQ(full.second, 1u);
    EXPECT_EQ(last, (std::pair<std::size_t, std::size_t>{1, 0}));
    // Pass 2's counter runs to its end, then pass 3 begins.
    EXPECT_EQ(labelsStartingWith(status, kPass2).back(), " (270/270)");
    const auto pass3 = std::find(status.labels.begin(), status.labels.end(), kPass3);
    ASSERT_NE(pass3, status.labels.end());
    EXPECT_EQ(*std::prev(pass3), kPass2 + " (270/270)");
}

// Every ending during pass 2 stops the encoder that is taking the frames, and says why.
TEST(MakeMovieThread, EndingsWhileTheEncoderTakesTheFrames) {
    struct Case {
        const char* name;
        std::function<void(RecordingStatus&, FakeRunner::Script&, MakeMovieOptions&)> set;
        ExportResult result;
        std::string inMessage;
        std::optional<bool> stoppedHere = true;
    };
    const auto plentyThen = [](std::optional<std::uint64_t> then) {
        return [then, queries = std::make_shared<int>(0)](const std::string&) -> std::optional<std::uint64_t> {
            return ++*queries <= 3 ? std::optional<std::uint64_t>(1ull << 40) : then;  // pass 1: plenty
        };
    };
    const std::vector<Case> cases = {
        {"cancel",
         [](RecordingStatus& status, FakeRunner::Script&, MakeMovieOptions&) {
             status.cancelWhen = [](const RecordingStatus& s) { return s.StatusLabel() == kPass2 + " (45/270)"; };
         },
         ExportResult::Cancelled, ""},
        {"encoder fails",
         [](RecordingStatus&, FakeRunner::Script& script, MakeMovieOptions&) {
             script.take = 30;
             script.lines = {"lib/ffmpeg: frame 000031.jpg is broken"};
             script.exitCode = 1;
         },
         ExportResult::Failed, "frame 000031.jpg is broken (the encoder ended with exit code 1)", false},
        {"encoder ends early",
         [](RecordingStatus&, FakeRunner::Script& script, MakeMovieOptions&) { script.take = 30; },
         ExportResult::Failed, "ended before it had taken every frame", false},
        {"frame cannot be written",
         [](RecordingStatus&, FakeRunner::Script&, MakeMovieOptions& options) {
             options.freeSpace = [](const std::string& tmp) -> std::optional<std::uint64_t> {
                 fs::create_directories(tmp + "000050.jpg");  // where a frame has to go
                 return 1ull << 40;
             };
         },
         // Whoever trips over it first names it: the writer, or the encoder finding no file there.
         ExportResult::Failed, "PROJECTtmp/000050.jpg", std::nullopt},
        {"picture gone before pass 2 fits it again",
         [](RecordingStatus&, FakeRunner::Script&, MakeMovieOptions& options) {
             options.keptFittedBytes = 0;
             options.freeSpace = [queries = std::make_shared<int>(0)](const std::string& tmp) {
                 if (++*queries == 3)  // after the last picture of pass 1
                     fs::remove(fs::path(tmp).parent_path().parent_path() / "pic1.jpg");
                 return std::optional<std::uint64_t>(1ull << 40);
             };
         },
         ExportResult::Failed, "PROJECTpic1.jpg"},
        {"disk fills up",
         [&](RecordingStatus&, FakeRunner::Script&, MakeMovieOptions& options) {
             options.freeSpace = plentyThen(kMinTempSpace);
         },
         ExportResult::DiskSpaceShort, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestProject p({3, 3, 3});
        OwnerThreadDispatcher owner;
        RecordingStatus status(owner);
        FakeRunner::Script script;
        script.followFrames = true;
        script.take = 273;
        MakeMovieOptions options;
        c.set(status, script, options);
        const Outcome out = exportWith(p, status, owner, script, options);
        EXPECT_EQ(out.result, c.result);
        std::string expected = c.inMessage;
        if (const auto at = expected.find("PROJECT"); at != std::string::npos)
            expected.replace(at, 7, p.folder.dir());
        EXPECT_NE(out.flags.FailureMessage.Japanese().find(expected), std::string::npos) << out.flags.FailureMessage.Japanese();
        EXPECT_EQ(script.runs, 1);
        EXPECT_LT(script.taken, 273);
        EXPECT_NE(labelsStartingWith(status, kPass2).back(), " (270/270)");
        if (c.stoppedHere) {
            EXPECT_EQ(script.stops > 0, *c.stoppedHere);
        }
    }
}

TEST(MakeMovieThread, TempSpaceIsCheckedAfterEveryPictureOnSixtyFourBits) {
    struct Case {
        std::optional<std::uint64_t> free;
        int okQueries;  // queries answered with plenty first
        bool short_;
        int pass1Counters;
    };
    const std::vector<Case> cases = {
        {kMinTempSpace, 0, true, 1},
        {std::nullopt, 0, true, 1},
        {kMinTempSpace + 1, 0, false, 3},
        {(1ull << 32) + 100, 0, false, 3},  // 100 bytes if cut to 32 bits
        {kMinTempSpace, 3, true, 3},        // short after the first picture of pass 2
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.okQueries);
        TestProject p({3, 3, 3});
        OwnerThreadDispatcher owner;
        RecordingStatus status(owner);
        FakeRunner::Script script;
        int queries = 0;
        MakeMovieOptions options;
        options.freeSpace = [&](const std::string& path) -> std::optional<std::uint64_t> {
            EXPECT_EQ(path, p.project.ProjectDir + "tmp/");
            return queries++ < c.okQueries ? std::optional<std::uint64_t>(1ull << 40) : c.free;
        };
        const Outcome out = exportWith(p, status, owner, script, options);
        EXPECT_EQ(out.result, c.short_ ? ExportResult::DiskSpaceShort : ExportResult::Completed);
        EXPECT_EQ(script.runs, c.short_ ? 0 : 1);
        EXPECT_EQ(labelsStartingWith(status, kPass1).size(), 1u + c.pass1Counters);
        if (c.short_) {
            EXPECT_EQ(status.labels.back(), "テンポラリのディスク容量が足りないため処理を中止しました");
        }
        if (c.okQueries == 3) {
            EXPECT_EQ(labelsStartingWith(status, kPass2).back(), " (90/270)");
        }
    }
}

TEST(MakeMovieThread, BadPicturesAndPathsFailBeforeTheEncoder) {
    struct Case {
        const char* name;
        std::function<void(TestProject&)> spoil;
        std::string inMessage;
        FreeSpaceQuery freeSpace = {};
    };
    const std::vector<Case> cases = {
        {"truncated jpeg",
         [](TestProject& p) {
             test::writeBytes(p.folder.path() / "bad.jpg", {0xFF, 0xD8, 0xFF});
             p.add(p.folder.dir() + "bad.jpg", 3);
         },
         "bad.jpg"},
        {"missing file", [](TestProject& p) { p.add(p.folder.dir() + "gone.bmp", 3); }, "gone.bmp"},
        {"unsupported kind",
         [](TestProject& p) {
             test::writeText(p.folder.path() / "pic.gif", "GIF89a");
             p.add(p.folder.dir() + "pic.gif", 3);
         },
         std::string(ThUtility::kUnsupportedImageMessage) + " (" + "PROJECT" + "pic.gif)"},
        {"quote in the movie path", [](TestProject& p) { p.project.SaveFilePath = p.folder.dir() + "a\"b.MP4"; },
         "a\"b.MP4"},
        {"absurd size", [](TestProject& p) { p.project.MovWidth = 0; }, "100x100"},
        {"no display time", [](TestProject& p) { p.project.Items(0).DisplayTime = 0; }, "「pic0.bmp」の表示時間（0秒）"},
        {"negative display time", [](TestProject& p) { p.project.Items(0).DisplayTime = -1; }, "（-1秒）"},
        {"the project file as movie", [](TestProject& p) { p.project.SaveFilePath = p.project.ProjectFileName(); },
         "（project.dat）"},
        {"a movie in tmp", [](TestProject& p) { p.project.SaveFilePath = p.folder.dir() + "tmp/m.MP4"; }, "（tmp）"},
        {"frame cannot be written", [](TestProject&) {}, "000005.jpg",
         [](const std::string& tmp) -> std::optional<std::uint64_t> {
             // After pass 1: a folder where a frame file has to go.
             fs::create_directories(tmp + "000005.jpg");
             return kMinTempSpace * 2;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestProject p({3});
        c.spoil(p);
        OwnerThreadDispatcher owner;
        RecordingStatus status(owner);
        FakeRunner::Script script;
        MakeMovieOptions options;
        options.freeSpace = c.freeSpace;
        const Outcome out = exportWith(p, status, owner, script, options);
        EXPECT_EQ(out.result, ExportResult::Failed);
        EXPECT_EQ(script.runs, 0);
        std::string expected = c.inMessage;
        if (const auto at = expected.find("PROJECT"); at != std::string::npos)
            expected.replace(at, 7, p.folder.dir());
        EXPECT_NE(out.flags.FailureMessage.Japanese().find(expected), std::string::npos) << out.flags.FailureMessage.Japanese();
        EXPECT_EQ(status.failureDetail, out.flags.FailureMessage.Japanese());
        EXPECT_EQ(status.labels.back(), "処理が失敗しました");
    }
}

// Whatever is in tmp/'s place before an export (a killed run's frames, a link to another
// folder) is replaced by a folder of its own; what a link points to is never touched.
TEST(MakeMovieThread, TheTemporaryFolderIsAlwaysItsOwn) {
    for (const bool link : {false, true}) {
        SCOPED_TRACE(link);
        TestProject p({1});
        TempFolder elsewhere;
        test::writeText(elsewhere.path() / "keep.txt", "mine");
        if (link) {
            fs::create_directory_symlink(elsewhere.path(), p.folder.path() / "tmp");
        } else {
            fs::create_directories(p.folder.path() / "tmp");
            test::writeText(p.folder.path() / "tmp" / "999999.jpg", "left by a killed run");
        }
        OwnerThreadDispatcher owner;
        RecordingStatus status(owner);
        FakeRunner::Script script;
        std::set<std::string> expected;
        for (int n = 1; n <= 33; ++n)
            expected.insert(FrameFileName(n));
        script.onRun = [&] {
            EXPECT_FALSE(fs::is_symlink(p.folder.path() / "tmp"));
            EXPECT_EQ(p.tmpFiles(), expected);
        };
        EXPECT_EQ(exportWith(p, status, owner, script).result, ExportResult::Completed);
        EXPECT_EQ(test::filesIn(elsewhere.path()).size(), 1u);
    }
}

// The encoder's failure reason: its entry's own message first, else ffmpeg's last error line.
TEST(EncoderOutputTail, ShowsTheMeaningfulLine) {
    const struct {
        std::vector<std::string> lines;
        std::string reason;
    } cases[] = {
        {{"lib/ffmpeg: cannot create a partial file beside /m/a.mp4: Permission denied",
          "lib/ffmpeg: usage: ffmpeg -y -r 30 ..."},
         "cannot create a partial file beside /m/a.mp4: Permission denied (the encoder ended with exit code 1)"},
        {{"ffmpeg version 5.1", "  Stream #0:0: Video: mjpeg", "frame=   10 fps=0.0 q=2.0 size= 1kB time=0.3",
          "/m/song.mp3: Invalid data found when processing input", ""},
         "/m/song.mp3: Invalid data found when processing input (the encoder ended with exit code 1)"},
        {{"av_interleaved_write_frame(): No space left on device", "Error writing trailer: No space left on device",
          "Conversion failed!"},
         "Error writing trailer: No space left on device (the encoder ended with exit code 1)"},
        {{"frame=   10 fps=0.0 q=2.0 size= 1kB time=0.3"}, "the encoder ended with exit code 1"},
    };
    for (const auto& c : cases) {
        EncoderOutputTail tail;
        for (const auto& line : c.lines)
            tail.Add(line);
        EXPECT_EQ(tail.Reason(1), c.reason);
    }
}

// An encoder that follows the frames and ends before it has taken them all has failed, whatever
// its exit code says; one started on the finished frames is judged by its exit code and by the
// movie it wrote into the partial file the export gave it. One ended by a signal is reported as
// that, not by its last words; its partial file goes all the same.
TEST(MakeMovieThread, RealRunnerReportsTheProgramsEnding) {
    TempFolder scripts;
    const auto script = [&](const char* name, const std::string& body) {
        test::writeText(scripts.path() / name, "#!/bin/sh\n" + body + "\n");
        fs::permissions(scripts.path() / name, fs::perms::owner_all);
        return scripts.dir() + name;
    };
    const std::string writes = script("writes", "echo movie > \"$KALIDOR_MOVIE_PART\"");
    const std::string killed = script("killed", "echo 'frame=   3 fps=0.0 time=0.1 cpb: bitrate max/min/avg'; kill -9 $$");
    struct Case {
        std::string program;
        bool framesFirst;
        ExportResult result;
        const char* inMessage;
    };
    const std::vector<Case> cases = {
        {writes, true, ExportResult::Completed, ""},
        {"/bin/true", true, ExportResult::Failed, "the encoder ended without writing"},
        {"/bin/true", false, ExportResult::Failed, "ended before it had taken every frame"},
        {"/bin/false", false, ExportResult::Failed, "exit code 1"},
        {killed, true, ExportResult::Failed, "the encoder was ended by signal 9 (Killed)"},
        {killed, false, ExportResult::Failed, "the encoder was ended by signal 9 (Killed)"},
        {"/nonexistent/encoder", false, ExportResult::Failed, "doesn't exist."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program + (c.framesFirst ? " frames first" : ""));
        TestProject p({3});
        test::writeText(p.project.SaveFilePath, "the old movie");
        OwnerThreadDispatcher owner;
        RecordingStatus status(owner);
        ExportFlags flags;
        ExportResult result = ExportResult::Cancelled;
        {
            MakeMovieOptions options;
            options.encoderProgram = c.program;
            options.framesFirst = c.framesFirst;
            TMakeMovieThread thread(p.project, status, flags, owner, nullptr, options);
            thread.OnCompleted = [&] { result = FinishExport(p.project.ProjectDir, status, flags); };
            thread.Start();
            thread.Wait();
        }
        EXPECT_EQ(result, c.result);
        EXPECT_NE(flags.FailureMessage.Japanese().find(c.inMessage), std::string::npos) << flags.FailureMessage.Japanese();
        EXPECT_FALSE(p.tmpExists());
        const auto out = test::filesIn(p.folder.path() / "out");
        ASSERT_EQ(out.size(), 1u);  // the movie, no partial one
        EXPECT_EQ(test::readText(p.project.SaveFilePath), c.result == ExportResult::Completed ? "movie\n" : "the old movie");
    }
}

// One export of a project at a time, whatever runs it: a second one is refused at once with its
// reason and leaves the first one's tmp/ alone; the lock goes with its holder, however that ends
// (here an export of this program held in its encoder, then another process killed).
TEST(MakeMovieThread, OneExportOfAProjectAtATime) {
    TestProject p({1});
    const auto refused = [&] {
        const std::set<std::string> before = p.tmpExists() ? p.tmpFiles() : std::set<std::string>{};
        OwnerThreadDispatcher owner;
        RecordingStatus status(owner);
        ExportFlags flags;
        FakeRunner::Script script;
        ExportResult result = ExportResult::Completed;
        {
            TMakeMovieThread thread(p.project, status, flags, owner, std::make_unique<FakeRunner>(owner, script));
            thread.OnCompleted = [&] { result = FinishExport(p.project.ProjectDir, status, flags); };
            thread.Start();
            thread.Wait();
        }
        EXPECT_EQ(result, ExportResult::Failed);
        EXPECT_EQ(status.labels.back(), "処理が失敗しました");
        EXPECT_EQ(status.failureDetail, p.folder.dir() + " is being made into a movie elsewhere: another export of "
                                                         "this project is running");
        EXPECT_EQ(script.runs, 0);
        EXPECT_EQ(p.tmpExists() ? p.tmpFiles() : std::set<std::string>{}, before);
    };

    std::promise<void> running, release;
    OwnerThreadDispatcher owner;
    RecordingStatus status(owner);
    FakeRunner::Script first;
    first.onRun = [&] {
        running.set_value();
        release.get_future().wait();
    };
    Outcome firstOutcome;
    std::thread firstExport([&] { firstOutcome = exportWith(p, status, owner, first); });
    running.get_future().wait();
    ASSERT_EQ(p.framesAndPictures().first, 33u);
    refused();
    release.set_value();
    firstExport.join();
    EXPECT_EQ(firstOutcome.result, ExportResult::Completed);

    ChildProcess holder;
    UniqueFd devNull(::open("/dev/null", O_RDWR | O_CLOEXEC));
    // flock(1) holds the lock itself (-o: not its command), and is killed with its command.
    ASSERT_EQ(holder.spawn("/usr/bin/flock", {"flock", "-o", p.folder.dir(), "sleep", "60"}, devNull.get(),
                           devNull.get()),
              0);
    for (int i = 0; i < 500 && FolderLock(p.folder.dir()).state() != FolderLock::State::Held; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    refused();
    ::kill(-holder.pid(), SIGKILL);
    while (!holder.tryWait())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    FakeRunner::Script after;
    EXPECT_EQ(exportWith(p, status, owner, after).result, ExportResult::Completed);
}

TEST(MakeMovieThread, DestroyingARunningExportStopsTheEncoderAndJoins) {
    TestProject p({3});
    OwnerThreadDispatcher owner;
    RecordingStatus status(owner);
    ExportFlags flags;
    FakeRunner::Script script;
    script.blockUntilStopped = true;
    auto runner = std::make_unique<FakeRunner>(owner, script);
    FakeRunner& fake = *runner;
    bool completed = false;
    {
        TMakeMovieThread thread(p.project, status, flags, owner, std::move(runner));
        thread.OnCompleted = [&] { completed = true; };
        thread.Start();
        fake.waitUntilBlocking();
    }
    EXPECT_GE(script.stops, 1);  // the thread's stop, and its encoder run's own when it comes first
    EXPECT_TRUE(completed);
    EXPECT_FALSE(flags.EncodeSucceeded);
    EXPECT_FALSE(p.tmpExists());
}

TEST(ExportPathProblem, RefusesWhatTheEncoderLineCannotCarry) {
    TempFolder folder;
    test::writeText(folder.path() / "music.mp3", "x");
    test::writeText(folder.path() / "mu\"sic.mp3", "x");
    struct Case {
        std::string projectDir, music, save;
        bool useMusic;
        std::optional<std::string> startsWith;
    };
    const std::string d = folder.dir();
    const std::vector<Case> cases = {
        {d, d + "music.mp3", d + "m.MP4", true, std::nullopt},
        {d, d + "mu\"sic.mp3", d + "m.MP4", false, std::nullopt},  // not used, not passed on
        {d, d + "none.mp3", d + "m.MP4", true, "指定された音楽ファイルが見つかりません"},
        {d, "", "  ", false, "保存場所を指定してください"},
        {d, d + "mu\"sic.mp3", d + "m.MP4", true, "音楽ファイルのパス"},
        {d, "", d + "m\".MP4", false, "動画の保存先"},
        {d, "", d + "m.MP4\\", false, "動画の保存先"},
        {"/a\"b/", "", d + "m.MP4", false, "プロジェクトフォルダのパス"},
    };
    for (const Case& c : cases) {
        TThPicObjectManager project;
        project.ProjectDir = c.projectDir;
        project.MusicFilePath = c.music;
        project.SaveFilePath = c.save;
        project.UseMusic = c.useMusic;
        const auto problem = ExportPathProblem(project);
        ASSERT_EQ(problem.has_value(), c.startsWith.has_value()) << c.save << " " << c.music;
        if (problem) {
            EXPECT_EQ(problem->Japanese().rfind(*c.startsWith, 0), 0u) << problem->Japanese();
        }
    }
}

TEST(EncodedFrameCount, ReadsOnlyProgressLines) {
    const std::vector<std::pair<std::string, std::optional<int>>> cases = {
        {"frame=   59 fps= 30 q=2.0 size= 100kB time=1.93 bitrate= 424.2kbits/s", 59},
        {"frame=108000 fps=30 TiMe=3600", 108000},
        {"frame= +7 fps= time=\r", 7},
        {"frame= -30 fps= time=", -30},
        {"size= 100kB bitrate=1", std::nullopt},           // no time=
        {"frame= 120 time=00:00:04", std::nullopt},        // no fps=: empty text
        {"FRAME= 120 fps= 30 time=4", std::nullopt},       // frame= is exact
        {"frame= 12a fps= time=1", std::nullopt},
        {"frame= fps= time=1", std::nullopt},
        {"frame= 99999999999 fps= time=1", std::nullopt},  // beyond 32 bits
        {"time=1 fps= 5 frame= 6 fps= 7", 6},              // fps= after frame= ends the number
    };
    for (const auto& [line, frames] : cases)
        EXPECT_EQ(EncodedFrameCount(line), frames) << line;
}

TEST(ExportStatus, CounterAndResultTexts) {
    OwnerThreadDispatcher owner;
    RecordingStatus status(owner);
    owner.runSync([&] {
        status.SetProgressRange(0, 9);
        status.ShowStatusText("x", true);
        EXPECT_EQ(status.StatusLabel(), "x (1/10)");
        status.SetProgressPosition(9);
        status.ShowStatusText("x", true);
        EXPECT_EQ(status.StatusLabel(), "x (10/10)");
        status.SetProgressPosition(12);  // held at the maximum, as a bar does
        EXPECT_EQ(status.ProgressPosition(), 9);
    });
    EXPECT_EQ(CountedStatusText("t", INT_MAX - 1, INT_MAX), "t (2147483647/2147483648)");

    ExportFlags flags{.EncodeSucceeded = true, .DiskSpaceShort = true, .FailureMessage = ""};
    flags.Cancelled = true;
    EXPECT_EQ(DecideExportResult(flags), ExportResult::Cancelled);
    flags.Cancelled = false;
    EXPECT_EQ(DecideExportResult(flags), ExportResult::Completed);
    flags.EncodeSucceeded = false;
    EXPECT_EQ(DecideExportResult(flags), ExportResult::DiskSpaceShort);
    flags.DiskSpaceShort = false;
    EXPECT_EQ(DecideExportResult(flags), ExportResult::Failed);

    // The owner's own clean-up, whatever the thread left.
    TempFolder project;
    fs::create_directories(project.path() / "tmp" / "sub");
    test::writeText(project.path() / "tmp" / "sub" / "000001.jpg", "x");
    owner.runSync([&] { EXPECT_EQ(FinishExport(project.dir(), status, flags), ExportResult::Failed); });
    EXPECT_FALSE(fs::exists(project.path() / "tmp"));
    EXPECT_EQ(status.events.back(), "finished");
}

}  // namespace
}  // namespace kalidor
