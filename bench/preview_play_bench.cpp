// How steadily the movie page's preview plays (the widget tests check only that it keeps to its
// clock and to the music). On the offscreen platform, with three 3000 x 2000 pictures, quiet and
// then with a spinning thread per core beside it, side by side:
//   - a play of 150 frames: the gaps between the frames shown (median, 95th percentile,
//     longest; 33 ms when no frame is skipped), the frames skipped, the longest wait of the
//     window's event loop (a 5 ms timer measures it) and the play's time over the movie's;
//   - with music (when Qt has a sound output: run it through tests/desktop/null_sink.sh), the
//     music's position heard minus the start of the frame shown, on the first play after the
//     page opened and after a seek while playing: 0 to 33 ms is within the frame.
// Usage: [tests/desktop/null_sink.sh] build/bin/preview_play_bench

#include "desktop/movie_test_support.h"
#include "desktop/preview/movie_preview.h"
#include "desktop_rules/preview_clock.h"

#include <QApplication>
#include <QAudioDevice>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QSlider>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

using kalidor::TMoviePreview;
using kalidor::uitest::MovieHarness;

namespace {

// A thread per core spinning while it lives: the machine busy, as with a build beside it.
class Busy {
public:
    explicit Busy(unsigned threads) {
        for (unsigned i = 0; i < threads; ++i)
            threads_.emplace_back([this] {
                while (!stop_.load(std::memory_order_relaxed)) {
                }
            });
    }
    ~Busy() {
        stop_ = true;
        for (std::thread& thread : threads_) thread.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::vector<std::thread> threads_;
};

// The window's events until `done`; a play that has not got there in a minute is reported and
// left (music that never starts playing holds the picture at the start).
void runUntil(const std::function<bool()>& done, const char* what) {
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > 60000) {
            std::fprintf(stderr, "%s: not there after a minute\n", what);
            std::exit(1);
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
}

double percentile(std::vector<double> values, double share) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(share * double(values.size() - 1))];
}

struct Play {
    std::vector<double> gaps;  // ms between frames shown
    std::int64_t skipped = 0, frames = 0;
    double loopWaitMs = 0, overMovie = 0;
};

// Frames 0 to `until` played on a freshly opened page.
Play play(std::int64_t until) {
    MovieHarness h;
    h.openMusicProject();
    h.window.Project.UseMusic = false;
    h.showSettings();
    h.window.show();
    h.window.SwitchPage(3);
    TMoviePreview& preview = *h.window.TabSheetSaveMovie->Preview;
    runUntil([&] { return preview.ShownFrame() == 0; }, "the first frame");
    Play result;
    QElapsedTimer clock;
    clock.start();
    qint64 lastShown = -1, lastProbe = 0;
    std::int64_t firstFrame = -1, lastFrame = -1;
    QObject::connect(&preview, &TMoviePreview::frameShown, [&](std::int64_t frame) {
        const qint64 now = clock.elapsed();
        if (lastShown >= 0) result.gaps.push_back(double(now - lastShown));
        if (firstFrame < 0) firstFrame = frame;
        lastShown = now, lastFrame = frame;
        ++result.frames;
    });
    QTimer probe;
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        result.loopWaitMs = std::max(result.loopWaitMs, double(clock.elapsed() - lastProbe));
        lastProbe = clock.elapsed();
    });
    probe.start();
    preview.Play();
    runUntil([&] { return preview.Position() >= until; }, "the play");
    const double played = double(clock.elapsed());
    preview.Pause();
    result.skipped = (lastFrame - firstFrame + 1) - result.frames;
    result.overMovie = played / double(kalidor::rules::MsOfFrame(until));
    return result;
}

struct Offsets {
    std::vector<double> ms;  // music heard minus the start of the frame shown
    double low() const { return ms.empty() ? 0 : *std::min_element(ms.begin(), ms.end()); }
    double high() const { return ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
};

// The first play after the page opened, to frame 60, then a seek to 120 while playing, to 170.
std::pair<Offsets, Offsets> playWithMusic() {
    MovieHarness h;
    h.openMusicProject();
    h.window.show();
    h.window.SwitchPage(3);
    TMoviePreview& preview = *h.window.TabSheetSaveMovie->Preview;
    // A back end that moves the position a buffer at a time (Qt's FFmpeg one) plays on between
    // its moves: what is heard is the last position plus the time since it moved.
    QMediaPlayer* player = nullptr;
    QElapsedTimer sinceMove;
    qint64 lastPosition = -1;
    Offsets first, afterSeek, *into = nullptr;
    const auto moved = [&] {
        if (player->position() == lastPosition) return;
        lastPosition = player->position();
        sinceMove.start();
    };
    QObject::connect(&preview, &TMoviePreview::frameShown, [&](std::int64_t frame) {
        if (!player && (player = preview.findChild<QMediaPlayer*>()))
            QObject::connect(player, &QMediaPlayer::positionChanged, moved);
        if (!into || !player || player->playbackState() != QMediaPlayer::PlayingState) return;
        moved();
        into->ms.push_back(double(lastPosition + sinceMove.elapsed() - kalidor::rules::MsOfFrame(frame)));
    });
    into = &first;
    preview.Play();
    runUntil([&] { return preview.Position() >= 60; }, "the first play with music");
    into = &afterSeek;
    preview.SliderPreview->setValue(120);
    runUntil([&] { return preview.Position() >= 170; }, "the play with music after a seek");
    preview.Pause();
    return {first, afterSeek};
}

struct Run {
    Play play;
    std::pair<Offsets, Offsets> music;
};

Run measure(bool withMusic) {
    Run run;
    run.play = play(150);
    if (withMusic) run.music = playWithMusic();
    return run;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool withMusic = !QMediaDevices::audioOutputs().isEmpty();
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());

    const Run quiet = measure(withMusic);
    const Run busy = [&] {
        const Busy load(cores);
        return measure(withMusic);
    }();

    std::printf("%-44s %12s %12s %8s\n", "preview, 150 frames played", "quiet",
                qPrintable(QStringLiteral("%1 busy").arg(cores)), "ratio");
    const auto row = [](const char* what, double q, double b) {
        std::printf("%-44s %12.1f %12.1f %8.2f\n", what, q, b, q > 0 ? b / q : 0.0);
    };
    row("frame gap, median (ms)", percentile(quiet.play.gaps, 0.5), percentile(busy.play.gaps, 0.5));
    row("frame gap, 95th percentile (ms)", percentile(quiet.play.gaps, 0.95), percentile(busy.play.gaps, 0.95));
    row("frame gap, longest (ms)", percentile(quiet.play.gaps, 1), percentile(busy.play.gaps, 1));
    row("frames skipped", double(quiet.play.skipped), double(busy.play.skipped));
    row("longest wait of the event loop (ms)", quiet.play.loopWaitMs, busy.play.loopWaitMs);
    row("play time / movie time", quiet.play.overMovie, busy.play.overMovie);
    if (!withMusic) {
        std::printf("no sound output: the music was left out (run it through tests/desktop/null_sink.sh)\n");
        return 0;
    }
    const auto range = [](const char* what, const Offsets& q, const Offsets& b) {
        std::printf("%-44s %5.0f to %-4.0f %5.0f to %-4.0f (%zu and %zu frames)\n", what, q.low(), q.high(), b.low(),
                    b.high(), q.ms.size(), b.ms.size());
    };
    std::printf("music heard - frame start (ms), 0 to 33 in the frame:\n");
    range("  first play after the page opened", quiet.music.first, busy.music.first);
    range("  after a seek while playing", quiet.music.second, busy.music.second);
    return 0;
}
