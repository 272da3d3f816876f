// kalidor-cli new <project-folder> <picture>...: a project folder with copies of the pictures,
// their thumbnails and the default settings, as adding pictures in the desktop program makes it.

#include "cli/commands.h"
#include "cli/project_loading.h"
#include "model/picture_adding.h"
#include "model/th_utility.h"

#include <cctype>
#include <filesystem>
#include <iostream>
#include <optional>

namespace kalidor::cli {
namespace {

namespace fs = std::filesystem;

// Why the export could not read the picture, or nothing: it is decoded as the export and the
// project's thumbnail will decode it, by its extension, so a refusal names the user's file.
std::optional<std::string> pictureProblem(const std::string& path) {
    std::string ext = ThUtility::ExtractFileExt(ThUtility::ExtractFileName(path));
    for (char& c : ext)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (ext != ".BMP" && ext != ".JPG" && ext != ".JPEG" && ext != ".PNG")
        return "the file name does not end in .bmp, .jpg, .jpeg or .png (" + path + ")";
    Bitmap picture;
    try {
        ThUtility::LoadImageFile(path, picture);
    } catch (const std::exception& e) {
        return e.what();
    }
    if (picture.empty())
        return "the picture has no pixels (" + path + ")";
    return std::nullopt;
}

// Everything in a project folder is the program's: a save removes the picture files no picture
// uses and an export replaces tmp/. So a project is made only in a new or an empty folder, where
// nothing of the user's can be lost. Returns the refusal, or nothing.
std::optional<std::string> folderProblem(const std::string& folder) {
    std::error_code ec;
    const fs::file_status status = fs::status(fs::path(folder).parent_path(), ec);  // without the final '/'
    if (!fs::exists(status))
        return std::nullopt;
    if (!fs::is_directory(status))
        return folder + " is not a folder";
    if (fs::exists(folder + "project.dat", ec))
        return folder + " already holds a project";
    if (!fs::is_empty(folder, ec) || ec)
        return ec ? "cannot read " + folder + ": " + ec.message()
                  : folder + " is not empty; a project is made only in a new or an empty folder";
    return std::nullopt;
}

}  // namespace

int runNew(const std::vector<std::string>& args) {
    if (args.size() < 2) {
        reportError("usage: kalidor-cli new <project-folder> <picture>...");
        return kExitUsage;
    }
    const std::string folder = projectFolderPath(args[0]);
    if (const auto problem = folderProblem(folder)) {
        reportError(*problem);
        return kExitFailed;
    }
    // Every picture is checked before anything is made, as the desktop program does.
    std::error_code ec;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (!fs::is_regular_file(args[i], ec)) {
            reportError("no picture file at " + args[i]);
            return kExitFailed;
        }
        if (const auto problem = pictureProblem(args[i])) {
            reportError("「" + ThUtility::ExtractFileName(args[i]) + "」は非対応画像です: " + *problem);
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
        // Leave nothing half made behind, and only what this run wrote: the folder was new or
        // empty, and thum.bmp, the last file a save writes, was not written when the save failed.
        for (int i = 0; i < project.Count(); ++i)
            fs::remove(project.Items(i).PicturePath, ec);
        fs::remove(folder + "project.dat", ec);
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
