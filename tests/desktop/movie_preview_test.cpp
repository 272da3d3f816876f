// The movie page's preview as a user drives it: the frame shown follows seeking, stepping, the
// slider and playing at 30 frames a second; pausing stops it; an edit shows when the page is
// shown again; a double-clicked panel is shown from its first frame. The keys work the player
// once it is clicked, and never the settings, also after a save. How steadily it plays is
// measured by bench/preview_play_bench.cpp.

#include "movie_test_support.h"

#include "desktop/preview/movie_preview.h"
#include "desktop_rules/panel_layout.h"
#include "desktop_rules/preview_clock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QtTest>

#include <algorithm>
#include <functional>

using kalidor::TMoviePreview;
using kalidor::uitest::MovieHarness;

class MoviePreviewTest : public QObject {
    Q_OBJECT
private slots:
    void followsSeekStepSliderAndPlay();
    void followsEditsAndDoubleClickedPanels();
    void composesNothingForASizeTheExportRefuses();
    void keysWorkThePlayerNotTheSettings();
};

void MoviePreviewTest::followsSeekStepSliderAndPlay() {
    MovieHarness h;
    auto& w = h.window;
    h.openProject(3, 2);  // 3 x 60 frames, then the 3 closing ones
    w.show();
    QVERIFY(w.SwitchPage(3));
    TMoviePreview& preview = *w.TabSheetSaveMovie->Preview;
    QCOMPARE(preview.FrameCount(), 183);
    QTRY_COMPARE(preview.ShownFrame(), 0);

    struct Step {
        const char* action;
        int expected;
        const char* time;
    } const steps[] = {
        {"seek 75", 75, "00:02 / 00:06"},  {"forward", 76, "00:02 / 00:06"},
        {"back", 75, "00:02 / 00:06"},     {"back", 74, "00:02 / 00:06"},
        {"slider 150", 150, "00:05 / 00:06"}, {"seek 999", 182, "00:06 / 00:06"},
        {"forward", 182, "00:06 / 00:06"},  {"seek -5", 0, "00:00 / 00:06"},
    };
    for (const Step& step : steps) {
        const QString action = QString::fromLatin1(step.action);
        if (action.startsWith("seek")) preview.Seek(action.mid(5).toInt());
        if (action == "forward") QTest::mouseClick(preview.BtnPreviewForward, Qt::LeftButton);
        if (action == "back") QTest::mouseClick(preview.BtnPreviewBack, Qt::LeftButton);
        if (action.startsWith("slider")) preview.SliderPreview->setValue(action.mid(7).toInt());
        QTRY_COMPARE(preview.ShownFrame(), std::int64_t(step.expected));
        QCOMPARE(preview.Position(), std::int64_t(step.expected));
        QCOMPARE(preview.SliderPreview->value(), step.expected);
        QCOMPARE(preview.LblPreviewTime->text(), QString::fromLatin1(step.time));
    }

    // Playing from 0: the frames shown move on in order by the clock, whatever else the machine
    // runs (a late frame is skipped, never shown late). Bracketed by the test's own clock: the
    // play starts after ▶, and each tick comes after the frame shown before it, so a frame is no
    // further on than the time since ▶ gives, nor further back than the time since the first
    // frame moved on gives up to the frame shown before it (2 ms either way: the two clocks
    // count whole milliseconds from different starts).
    QElapsedTimer clock;
    qint64 firstMove = -1, previous = 0;
    bool playing = true;
    std::vector<std::int64_t> shown;
    QStringList offClock;
    QObject::connect(&preview, &TMoviePreview::frameShown, [&](std::int64_t frame) {
        if (!playing) return;
        const qint64 now = clock.elapsed();
        const std::int64_t at = preview.Position();
        const std::int64_t latest = kalidor::rules::FrameAtMs(now + 2);
        const std::int64_t earliest = firstMove < 0 ? 0 : kalidor::rules::FrameAtMs(previous - firstMove - 2);
        if (frame > at || at > latest || at < std::min(earliest, preview.FrameCount() - 1))
            offClock << QStringLiteral("frame %1 at position %2, due %3 to %4").arg(frame).arg(at).arg(earliest).arg(latest);
        if (firstMove < 0 && at > 0) firstMove = now;
        previous = now;
        shown.push_back(frame);
    });
    clock.start();
    QTest::mouseClick(preview.BtnPreviewPlay, Qt::LeftButton);
    QVERIFY(preview.Playing());
    QTRY_VERIFY_WITH_TIMEOUT(preview.ShownFrame() >= 60, 10000);
    QTest::mouseClick(preview.BtnPreviewPlay, Qt::LeftButton);
    playing = false;
    QVERIFY(!preview.Playing());
    QVERIFY2(offClock.isEmpty(), qPrintable(offClock.join('\n')));
    QVERIFY(std::adjacent_find(shown.begin(), shown.end(), std::greater_equal<>()) == shown.end());
    // Paused, the frame at the position is the one on the screen and stays.
    QTRY_COMPARE(preview.ShownFrame(), preview.Position());
    const std::int64_t stopped = preview.Position();
    QTest::qWait(200);
    QCOMPARE(preview.Position(), stopped);
    // Played near the end, it stops at the last frame and shows it.
    preview.Seek(170);
    QTest::mouseClick(preview.BtnPreviewPlay, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!preview.Playing(), 10000);
    QCOMPARE(preview.Position(), std::int64_t(182));
    QTRY_COMPARE(preview.ShownFrame(), std::int64_t(182));
    QCOMPARE(preview.LblPreviewTime->text(), QStringLiteral("00:06 / 00:06"));
}

void MoviePreviewTest::followsEditsAndDoubleClickedPanels() {
    MovieHarness h;
    auto& w = h.window;
    h.openProject(3, 2);
    w.show();
    QVERIFY(w.SwitchPage(3));
    TMoviePreview& preview = *w.TabSheetSaveMovie->Preview;
    QTRY_COMPARE(preview.ShownFrame(), 0);
    // An edit on the picture page shows when the movie page is shown again.
    QVERIFY(w.SwitchPage(1));
    w.Project.Items(0).DisplayTime = 4;
    QVERIFY(w.SwitchPage(3));
    QCOMPARE(preview.FrameCount(), 243);
    // A double click on the third panel shows the movie page from that picture's first frame.
    QVERIFY(w.SwitchPage(2));
    w.ScrollBoxPicture->RefreshStoryboard();
    QWidget* thumbnail = w.ScrollBoxPicture->StoryPanels.Items(2).Control(kalidor::rules::PanelControl::Thumbnail);
    QTest::mouseClick(thumbnail, Qt::LeftButton, {}, QPoint(50, 50));
    QTest::mouseDClick(thumbnail, Qt::LeftButton, {}, QPoint(50, 50));
    QTest::mouseRelease(thumbnail, Qt::LeftButton, {}, QPoint(50, 50));
    QCOMPARE(w.PageControl->currentIndex(), 3);
    QTRY_COMPARE(preview.ShownFrame(), std::int64_t(4 * 30 + 2 * 30));
    QVERIFY(w.Project.Items(2).Selected);
}

void MoviePreviewTest::composesNothingForASizeTheExportRefuses() {
    MovieHarness h;
    auto& w = h.window;
    h.openProject(1, 1);
    w.show();
    QVERIFY(w.SwitchPage(3));
    TMoviePreview& preview = *w.TabSheetSaveMovie->Preview;
    const QString tooSmall = QStringLiteral("動画のサイズは100x100以上にしてください");
    const QString tooLarge = QStringLiteral("動画のサイズは2000x2000以下にしてください");
    const std::pair<int, QString> widths[] = {{2002, tooLarge}, {0, tooSmall}, {-4, tooSmall}, {640, QString()}};
    for (const auto& [width, message] : widths) {
        w.TabSheetSaveMovie->SEMovWidth->setValue(width);  // the height follows by the ratio
        QCOMPARE(w.Project.MovWidth, width);
        QCOMPARE(preview.SizeProblem(), message);
        if (message.isEmpty()) {
            QTRY_COMPARE(preview.ShownFrame(), 0);
        } else {
            QCOMPARE(preview.FrameCount(), 0);
            QCOMPARE(preview.ShownFrame(), -1);
            QTest::mouseClick(preview.BtnPreviewPlay, Qt::LeftButton);
            QVERIFY(!preview.Playing());
        }
    }
}

void MoviePreviewTest::keysWorkThePlayerNotTheSettings() {
    MovieHarness h;
    auto& w = h.window;
    h.openProject(3, 2);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    // To the movie page from the picture page, as opening a project leads: the page does not
    // open with the focus on a setting.
    QVERIFY(w.SwitchPage(1));
    kalidor::uitest::click(w.pngBtnMakeMovie);
    TMoviePreview& preview = *w.TabSheetSaveMovie->Preview;
    QCOMPARE(QApplication::focusWidget(), &preview);
    const auto settings = [&] {
        const auto& p = w.Project;
        return std::tuple(p.MovType, p.MovQuality, p.MovWidth, p.MovHeight, p.MovRatio, p.UseMusic, p.SaveFilePath,
                          w.TabSheetSaveMovie->Settings().format);
    };
    const auto before = settings();
    QTRY_COMPARE(preview.ShownFrame(), 0);
    QTest::mouseClick(preview.BtnPreviewPlay, Qt::LeftButton);
    QVERIFY(preview.Playing());
    QCOMPARE(QApplication::focusWidget(), &preview);

    struct Press {
        Qt::Key key;
        bool playing;
        int frame;  // -1: wherever playing has got to
    } const presses[] = {
        {Qt::Key_Space, false, -1}, {Qt::Key_Right, false, -2}, {Qt::Key_Right, false, -3},
        {Qt::Key_Left, false, -2},  {Qt::Key_End, false, 182},  {Qt::Key_Home, false, 0},
        {Qt::Key_Space, true, -1},  {Qt::Key_Space, false, -1},
    };
    std::int64_t paused = 0;
    for (const Press& press : presses) {
        QTest::keyClick(w.windowHandle(), press.key);  // to whatever has the focus, as typed
        QCOMPARE(preview.Playing(), press.playing);
        if (press.frame == -1) paused = preview.Position();
        const std::int64_t expected = press.frame >= 0 ? press.frame : press.frame == -1 ? paused : paused - press.frame - 1;
        QTRY_COMPARE(preview.ShownFrame(), expected);
    }
    QVERIFY(!w.Modified && !w.History.CanUndo());
    // A save disables the window for a moment; active again, it gives the keys to the player,
    // not to the first control that takes them.
    w.pngBtnSaveProjectClick();
    {
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
    }
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(w.windowHandle(), Qt::Key_Right);
    QTRY_COMPARE(preview.ShownFrame(), paused + 1);
    QVERIFY(settings() == before);
}

QTEST_MAIN(MoviePreviewTest)
#include "movie_preview_test.moc"
