// The preview's music and picture in step, measured on a sound server without a device
// (null_sink.sh starts one): on the first play after a project is opened and after a seek while
// playing, the music's position heard is compared with the frame on the screen each time a frame
// comes to it. A frame is on time while the music is within it, so the offset from the frame's
// start is 0 to 33 ms; "a frame or two" allows up to 67 ms either way.

#include "movie_test_support.h"

#include "desktop/preview/movie_preview.h"

#include <QAudioDevice>
#include <QFile>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QPushButton>
#include <QSlider>
#include <QtEndian>
#include <QtTest>

#include <algorithm>
#include <cmath>

using kalidor::TMoviePreview;
using kalidor::uitest::MovieHarness;

namespace {

// A 16-bit stereo WAV of a 440 Hz tone.
void writeTone(const QString& path, int seconds) {
    constexpr int kRate = 44100;
    const int samples = kRate * seconds;
    QByteArray data(samples * 4, '\0');
    for (int i = 0; i < samples; ++i) {
        const auto value = static_cast<qint16>(8000 * std::sin(2 * M_PI * 440 * i / kRate));
        qToLittleEndian(value, data.data() + 4 * i);
        qToLittleEndian(value, data.data() + 4 * i + 2);
    }
    QByteArray header("RIFF....WAVEfmt ");
    const auto le32 = [&](quint32 v) { header.append(reinterpret_cast<const char*>(&(v = qToLittleEndian(v))), 4); };
    const auto le16 = [&](quint16 v) { header.append(reinterpret_cast<const char*>(&(v = qToLittleEndian(v))), 2); };
    le32(16), le16(1), le16(2), le32(kRate), le32(kRate * 4), le16(4), le16(16);
    header.append("data"), le32(data.size());
    qToLittleEndian<quint32>(header.size() - 8 + data.size(), header.data() + 4);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(header + data);
}

struct Offsets {
    std::vector<qint64> ms;  // music position heard minus the start of the frame shown
    qint64 worst() const {
        qint64 w = 0;
        for (qint64 v : ms) w = std::max(w, std::max(v - 33, -v));  // beyond the frame's own 0..33
        return w;
    }
    QString text() const {
        if (ms.empty()) return QStringLiteral("no samples");
        const auto [lo, hi] = std::minmax_element(ms.begin(), ms.end());
        return QStringLiteral("%1 frames, music ahead of the frame's start by %2 to %3 ms")
            .arg(ms.size()).arg(*lo).arg(*hi);
    }
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
    const std::string dir = h.openProject(3, 2);
    // Large pictures, so that the first frames take a while to fit, as a user's photos do.
    for (int i = 0; i < 3; ++i)
        kalidor::uitest::solidImage(3000, 2000, QColor::fromHsv(i * 90, 200, 200))
            .save(QString::fromStdString(dir + "pic" + std::to_string(i) + ".png"));
    const QString music = QString::fromStdString(dir) + "tone.wav";
    writeTone(music, 10);
    w.Project.UseMusic = true;
    w.Project.MusicFilePath = music.toStdString();
    h.showSettings();
    w.show();
    QVERIFY(w.SwitchPage(3));
    TMoviePreview& preview = *w.TabSheetSaveMovie->Preview;

    // Each frame shown while the music plays, against the music's position at that moment.
    // A back end that moves the position a buffer at a time (Qt's FFmpeg one) plays on between
    // its moves: what is heard is the last position plus the time since it moved.
    QMediaPlayer* player = nullptr;
    Offsets* into = nullptr;
    QElapsedTimer sinceMove;
    qint64 lastPosition = -1;
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
        into->ms.push_back(lastPosition + sinceMove.elapsed() - frame * 1000 / 30);
    });
    const auto measure = [&](Offsets& offsets, std::int64_t until) {
        into = &offsets;
        QTRY_VERIFY_WITH_TIMEOUT(preview.Position() >= until, 15000);
        into = nullptr;
    };

    // The first play, at once after the page opened: nothing is fitted nor loaded yet.
    Offsets first, afterSeek;
    QElapsedTimer waited;
    waited.start();
    QTest::mouseClick(preview.BtnPreviewPlay, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(preview.Position() > 0, 15000);
    const qint64 startedAfter = waited.elapsed();
    measure(first, 60);
    // A seek while playing, to the third picture.
    preview.SliderPreview->setValue(120);
    measure(afterSeek, 170);
    preview.Pause();

    qInfo("first play (it began %lld ms after the click): %s", static_cast<long long>(startedAfter),
          qPrintable(first.text()));
    qInfo("after a seek: %s", qPrintable(afterSeek.text()));
    QVERIFY2(first.ms.size() >= 20 && afterSeek.ms.size() >= 20, "too few frames shown while the music played");
    QVERIFY2(first.worst() <= 34, qPrintable(first.text()));
    QVERIFY2(afterSeek.worst() <= 34, qPrintable(afterSeek.text()));
}

QTEST_MAIN(PreviewMusicTest)
#include "preview_music_test.moc"
