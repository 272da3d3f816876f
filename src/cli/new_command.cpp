// kalidor-cli new <project-folder> <picture>...: a project folder with copies of the pictures,
// their thumbnails and the default settings, as adding pictures in the desktop program makes it.

#include "cli/commands.h"
#include "cli/project_loading.h"
#include "model/picture_adding.h"
#include "model/th_utility.h"

#include <filesystem>
#include <iostream>

namespace kalidor::cli {

int runNew(const std::vector<std::string>& args) {
    if (args.size() < 2) {
        reportError("usage: kalidor-cli new <project-folder> <picture>...");
        return kExitUsage;
    }
    const std::string folder = projectFolderPath(args[0]);
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::exists(folder + "project.dat", ec)) {
        reportError(folder + " already holds a project");
        return kExitFailed;
    }
    // Every picture is checked before anything is made, as the desktop program does.
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (!fs::is_regular_file(args[i], ec)) {
            reportError("no picture file at " + args[i]);
            return kExitFailed;
        }
        if (!IsLoadableJpeg(args[i])) {
            reportError("「" + ThUtility::ExtractFileName(args[i]) + "」は非対応画像です");
            return kExitFailed;
        }
    }
    const bool madeFolder = !fs::exists(folder, ec);
    fs::create_directories(folder, ec);
    if (ec) {
        reportError("cannot make " + folder + ": " + ec.message());
        return kExitFailed;
    }
    TThPicObjectManager project;
    project.ProjectDir = folder;
    try {
        for (std::size_t i = 1; i < args.size(); ++i)
            AddPictureFile(project, fs::absolute(args[i]).string(), -1);
        project.SaveProject();
    } catch (const std::exception& e) {
        // Leave nothing half made behind.
        for (int i = 0; i < project.Count(); ++i)
            fs::remove(project.Items(i).PicturePath, ec);
        fs::remove(folder + "project.dat", ec);
        fs::remove(folder + "thum.bmp", ec);
        if (madeFolder)
            fs::remove(folder, ec);
        reportError(e.what());
        return kExitFailed;
    }
    std::cout << "made " << folder << " with " << project.Count() << " picture" << (project.Count() == 1 ? "" : "s")
              << ", " << project.TotalSeconds() << " seconds\n";
    return kExitOk;
}

}  // namespace kalidor::cli
