#pragma once
// For the tests of the action page, the save-movie page, the progress dialog and the save
// command: a main window over a scratch workspace whose messages are recorded, with an open
// project of small pictures (or of large ones with music). bench/preview_play_bench.cpp uses it too.

#include "model/pic_object.h"
#include "desktop/window/form_make_movie.h"
#include "desktop/shared/png_button.h"
#include "desktop/ui_test_support.h"

#include <QDir>
#include <QFile>
#include <QSpinBox>
#include <QStringList>
#include <QTest>
#include <QtEndian>

#include <cmath>
#include <filesystem>
#include <string>

namespace kalidor::uitest {

// A click on an image button, as the user makes it.
inline void click(TPNGButton* button) { QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center()); }

struct MovieHarness : RecordedMessages {
    ScratchWorkspace workspace;
    TFormMakeMovie window{workspace.baseDir(), ScratchWorkspace::dataDir()};

    MovieHarness() {
        record(window);
        window.FormCreate();
    }

    // A project folder "p" holding `count` PNG pictures of 80 x 60 shown `seconds` each.
    std::string openProject(int count, int seconds = 1) {
        const std::string dir = workspace.projectRoot() + "p/";
        std::filesystem::create_directories(dir);
        window.Project.Clear();
        window.Project.ResetSettings();
        window.Project.ProjectDir = dir;
        for (int i = 0; i < count; ++i) {
            const std::string path = dir + "pic" + std::to_string(i) + ".png";
            solidImage(80, 60, QColor::fromHsv(i * 70 % 360, 200, 220)).save(QString::fromStdString(path));
            auto picture = std::make_unique<TThPicObject>();
            picture->PicturePath = path;
            picture->DisplayTime = seconds;
            window.Project.Add(std::move(picture));
        }
        showSettings();
        window.Modified = false;
        window.MarkProjectSaved();
        return dir;
    }

    // A project of three 3000 x 2000 pictures shown 2 s each, large so that the first frames
    // take a while to fit as a user's photos do, with `seconds` of a tone as its music.
    bool openMusicProject(int seconds = 10) {
        const std::string dir = openProject(3, 2);
        for (int i = 0; i < 3; ++i)
            if (!solidImage(3000, 2000, QColor::fromHsv(i * 90, 200, 200))
                     .save(QString::fromStdString(dir + "pic" + std::to_string(i) + ".png")))
                return false;
        window.Project.UseMusic = true;
        window.Project.MusicFilePath = dir + "tone.wav";
        showSettings();
        return writeTone(QString::fromStdString(window.Project.MusicFilePath), seconds);
    }

    // A 16-bit stereo WAV of a 440 Hz tone.
    static bool writeTone(const QString& path, int seconds) {
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
        return file.open(QIODevice::WriteOnly) && file.write(header + data) == header.size() + data.size();
    }

    // The project's settings into the page, as opening a project does.
    void showSettings() {
        window.TabSheetSaveMovie->AttachSettingsHandlers(false);
        window.TabSheetSaveMovie->ShowMovieSettings();
        window.TabSheetSaveMovie->AttachSettingsHandlers(true);
    }
};

}  // namespace kalidor::uitest
