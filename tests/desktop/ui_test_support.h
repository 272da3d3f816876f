#pragma once
// Helpers of the widget tests: a scratch workspace with the shipped images and catalogue, and
// the main window's parts that the tests reach into.

#include "desktop/browser/picture_browser.h"
#include "desktop/pages/save_movie_page.h"
#include "desktop/pages/select_action_page.h"
#include "desktop/pages/select_picture_page.h"
#include "desktop/pages/select_project_page.h"
#include "desktop/storyboard/storyboard_strip.h"
#include "desktop/window/form_make_movie.h"

#include <QImage>
#include <QStringList>
#include <QTemporaryDir>

#include <string>

namespace kalidor::uitest {

// A solid image of the size, with alpha.
QImage solidImage(int width, int height, QColor colour);

// The window's notices and questions recorded instead of shown; every question gets `answer`.
struct RecordedMessages {
    QStringList notices, questions;
    bool answer = true;
    RecoveryAnswer restoreAnswer = RecoveryAnswer::Restore;
    void record(WindowState& window) {
        window.notice = [this](QWidget*, const QString& text) { notices << text; };
        window.question = [this](QWidget*, const QString& text) {
            questions << text;
            return answer;
        };
        window.discardQuestion = window.question;
        window.restoreQuestion = [this](QWidget*, const QString& text) {
            questions << text;
            return restoreAnswer;
        };
    }
};

// A temporary workspace base; the delivered data is the source tree's.
struct ScratchWorkspace {
    QTemporaryDir base;
    std::string baseDir() const { return base.path().toStdString() + "/"; }
    std::string projectRoot() const { return baseDir() + "Orvane/Kalidor/project/"; }
    static std::string dataDir() { return KALIDOR_SOURCE_DATA "/"; }
};

}  // namespace kalidor::uitest
