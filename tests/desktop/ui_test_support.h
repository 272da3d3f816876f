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
#include <QTemporaryDir>

#include <string>

namespace kalidor::uitest {

// A solid image of the size, with alpha.
QImage solidImage(int width, int height, QColor colour);

// A temporary workspace base; the delivered data is the source tree's.
struct ScratchWorkspace {
    QTemporaryDir base;
    std::string baseDir() const { return base.path().toStdString() + "/"; }
    std::string projectRoot() const { return baseDir() + "Orvane/Kalidor/project/"; }
    static std::string dataDir() { return KALIDOR_SOURCE_DATA "/"; }
};

}  // namespace kalidor::uitest
