#pragma once
// For the tests of the action page, the save-movie page, the progress dialog and the save
// command: a main window over a scratch workspace whose messages are recorded, with an open
// project of small pictures.

#include "model/pic_object.h"
#include "desktop/window/form_make_movie.h"
#include "desktop/shared/png_button.h"
#include "desktop/ui_test_support.h"

#include <QDir>
#include <QSpinBox>
#include <QStringList>
#include <QTest>

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

    // The project's settings into the page, as opening a project does.
    void showSettings() {
        window.TabSheetSaveMovie->AttachSettingsHandlers(false);
        window.TabSheetSaveMovie->ShowMovieSettings();
        window.TabSheetSaveMovie->AttachSettingsHandlers(true);
    }
};

}  // namespace kalidor::uitest
