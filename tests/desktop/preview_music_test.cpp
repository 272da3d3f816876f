// The preview's music and picture in step, on a sound server without a device (null_sink.sh
// starts one): on the first play after a project is opened and after a seek while playing, each
// time a frame comes to the screen the preview stands at the frame the music's position falls in,
// or up to a back end's step further on (a back end may move the position a buffer at a time,
// and the music plays on between its moves). The music's position is read at the frame shown
// before, which comes before the preview's own look, and at this one, which comes after it, so the
// check holds however late the window's thread runs. How close they are is measured by
// bench/preview_play_bench.cpp.

#include "movie_test_support.h"

#include "desktop/preview/movie_preview.h"
#include "desktop_rules/preview_clock.h"

#include <QAudioDevice>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

#include <algorithm>

using kalidor::TMoviePreview;
using kalidor::uitest::MovieHarness;
using kalidor::rules::FrameAtMs;
using kalidor::rules::kMusicStepMs;
using kalidor::rules::kMusicStallMs;

namespace {

// The frames seen while the music played, and those off its position.
struct InStep {
    qint64 heardBefore = 0;  // the music's position at the frame shown before
    qint64 heardSince = 0;   // when (the test's clock) it was first read at that position
    int frames = 0;
    QStringList off;
};

}  // namespace

class PreviewMusicTest : public QObject {
    Q_OBJECT
private slots:
    void musicAndPictureInStep();
};

void PreviewMusicTest::musicAndPictureInStep() {
    if (QMediaDevices::audioOutputs().isEmpty()) {
        if (qEnvironmentVariableIsSet("KALIDOR_SOUND_SERVER")) QFAIL("the sound server started has no output for Qt");
        QSKIP("no sound output: run it through tests/desktop/null_sink.sh");
    }
    MovieHarness h;
    auto& w = h.window;
    QVERIFY(h.openMusicProject());
    w.show();
    QVERIFY(w.SwitchPage(3));
    TMoviePreview& preview = *w.TabSheetSaveMovie->Preview;

    // Each frame shown while the music plays, against the music's position.
    QMediaPlayer* player = nullptr;
    InStep* into = nullptr;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&preview, &TMoviePreview::frameShown, [&](std::int64_t frame) {
        if (!player) player = preview.findChild<QMediaPlayer*>();
        if (!into || !player || player->playbackState() != QMediaPlayer::PlayingState) return;
        const qint64 heard = player->position();
        const std::int64_t at = preview.Position();
        if (heard != into->heardBefore) into->heardSince = clock.elapsed();
        // Music standing still for over kMusicStallMs no longer holds the picture; the preview
        // may have read the position up to a step before this test did.
        const qint64 stalled = std::max<qint64>(0, clock.elapsed() - into->heardSince + kMusicStepMs - kMusicStallMs);
        const std::int64_t earliest = FrameAtMs(into->heardBefore), latest = FrameAtMs(heard + kMusicStepMs + stalled);
        if (frame > at || at < earliest || at > latest)
            into->off << QStringLiteral("frame %1 at position %2 with the music at %3 to %4 ms")
                             .arg(frame).arg(at).arg(into->heardBefore).arg(heard);
        into->heardBefore = heard;
        ++into->frames;
    });
    // On a busy machine the sound server may hold the music's position for seconds.
    const auto measure = [&](InStep& step, std::int64_t until) {
        step.heardBefore = player ? player->position() : 0;
        step.heardSince = clock.elapsed();
        into = &step;
        QTRY_VERIFY_WITH_TIMEOUT(preview.Position() >= until, 45000);
        into = nullptr;
    };

    // The first play, at once after the page opened: nothing is fitted nor loaded yet.
    InStep first, afterSeek;
    QTest::mouseClick(preview.BtnPreviewPlay, Qt::LeftButton);
    measure(first, 60);
    // A seek while playing, to the third picture.
    preview.SliderPreview->setValue(120);
    measure(afterSeek, 170);
    preview.Pause();

    QVERIFY2(first.frames > 0 && afterSeek.frames > 0, "no frame shown while the music played");
    QVERIFY2(first.off.isEmpty(), qPrintable(first.off.join('\n')));
    QVERIFY2(afterSeek.off.isEmpty(), qPrintable(afterSeek.off.join('\n')));
}

QTEST_MAIN(PreviewMusicTest)
#include "preview_music_test.moc"
