// kalidor-cli new <project-folder> <picture>...: a project folder with copies of the pictures,
// their thumbnails and the default settings, as adding pictures in the desktop program makes it.
// The folder appears whole or not at all.

#include "cli/commands.h"
#include "platform/error.h"
#include "cli/project_loading.h"
#include "cli/terminal_progress.h"
#include "model/picture_adding.h"
#include "model/th_utility.h"
#include "platform/folder_lock.h"

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The hidden folder a run builds the project in, beside the target, renamed into place when
// complete: ".<name>.kalidor-new-<pid>".
constexpr const char* kBuildMarker = ".kalidor-new-";

std::string buildFolderName(const std::string& name, pid_t pid) {
    return "." + name + kBuildMarker + std::to_string(pid);
}

// Removes the build folders of earlier runs for the same name that were killed before they could
// clean up, when they are provably such: named by a run whose process is gone, not locked by a
// living run, and holding regular files only (what a run writes).
void removeKilledBuilds(const fs::path& parent, const std::string& name) {
    const std::string prefix = "." + name + kBuildMarker;
    std::error_code ec;
    for (fs::directory_iterator it(parent, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        const std::string pid = entry.substr(std::min(entry.size(), prefix.size()));
        if (!entry.starts_with(prefix) || pid.empty() || pid.size() > 9 ||
            pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        // Its run, or another process with its number, alive; ours cannot have made it yet.
        if (const auto owner = static_cast<pid_t>(std::stol(pid));
            owner != ::getpid() && (::kill(owner, 0) == 0 || errno != ESRCH))
            continue;
        std::error_code entryError;
        if (!fs::is_directory(fs::symlink_status(it->path(), entryError)))
            continue;
        const FolderLock unused(it->path().string());
        if (unused.state() != FolderLock::State::Acquired)
            continue;
        bool onlyFiles = true;
        for (fs::directory_iterator file(it->path(), entryError), last; !entryError && file != last;
             file.increment(entryError))
            onlyFiles = onlyFiles && fs::is_regular_file(fs::symlink_status(file->path(), entryError));
        if (onlyFiles && !entryError)
            ThUtility::DeleteFolderTree(it->path().string());
    }
}

// The folders from `folder` up that do not exist yet, the outermost last.
std::vector<fs::path> missingFolders(fs::path folder) {
    std::vector<fs::path> missing;
    std::error_code ec;
    for (; !folder.empty() && folder != folder.root_path() && !fs::exists(fs::symlink_status(folder, ec));
         folder = folder.parent_path())
        missing.push_back(folder);
    return missing;
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
            reportError(Message(QT_TRANSLATE_NOOP("Messages", "「%1」は非対応画像です: %2"),
                                {ThUtility::ExtractFileName(args[i]), *problem}));
            return kExitFailed;
        }
    }
    // Built under a hidden name beside the target and renamed into place whole, so that no half
    // project is ever at the target: a failure, Ctrl-C, SIGTERM or SIGHUP remove what this run
    // wrote; a killed run leaves only its hidden folder, which the next run for the name removes.
    InstallInterruptHandler();
    const fs::path target = fs::path(folder).parent_path();  // without the final '/'
    const fs::path parent = target.parent_path();
    const std::vector<fs::path> madeParents = missingFolders(parent);
    fs::create_directories(parent, ec);
    if (ec) {
        reportError("cannot make " + parent.string() + ": " + ec.message());
        return kExitFailed;
    }
    removeKilledBuilds(parent, target.filename().string());
    const fs::path build = parent / buildFolderName(target.filename().string(), ::getpid());
    bool madeBuild = false;  // what is at that name otherwise is not this run's to delete
    const auto giveUp = [&](const std::string& why, int exitCode) {
        if (madeBuild)
            ThUtility::DeleteFolderTree(build.string());
        for (const fs::path& made : madeParents)
            fs::remove(made, ec);  // only while empty: another run may have put something there
        reportError(why);
        return exitCode;
    };
    if (::mkdir(build.c_str(), 0777) != 0) {
        const int error = errno;
        return giveUp("cannot make " + build.string() + ": " + std::strerror(error), kExitFailed);
    }
    madeBuild = true;
    // Held while the folder is built: a living run's folder is never taken for a killed one's.
    const FolderLock building(build.string());
    TThPicObjectManager project;
    project.ProjectDir = build.string() + "/";
    try {
        for (std::size_t i = 1; i < args.size() && !InterruptRequested(); ++i)
            AddPictureFile(project, fs::absolute(args[i]).string(), -1);
        if (!InterruptRequested())
            project.SaveProject();
    } catch (const std::exception& e) {
        // A copy the signal cut short fails too; the stop is what happened then.
        if (!InterruptRequested())
            return giveUp(e.what(), kExitFailed);
    }
    if (InterruptRequested())
        return giveUp("cancelled; nothing was made", kExitCancelled);
    // Into place whole: onto nothing, or onto the empty folder that was there (rename refuses a
    // folder that is no longer empty, and RENAME_NOREPLACE a target that appeared meanwhile).
    const bool ontoEmptyFolder = fs::is_directory(fs::symlink_status(target, ec));
    int renamed = ontoEmptyFolder ? ::rename(build.c_str(), target.c_str())
                                  : ::renameat2(AT_FDCWD, build.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
    if (renamed != 0 && errno == EINVAL && !ontoEmptyFolder && !fs::exists(fs::symlink_status(target, ec)))
        renamed = ::rename(build.c_str(), target.c_str());  // a file system without RENAME_NOREPLACE
    if (renamed != 0) {
        const int error = errno;
        return giveUp("cannot put the project in place at " + target.string() + ": " + std::strerror(error),
                      kExitFailed);
    }
    std::cout << "made " << folder << " with " << project.Count() << " picture" << (project.Count() == 1 ? "" : "s")
              << ", " << project.TotalSeconds() << " seconds\n";
    return kExitOk;
}

}  // namespace kalidor::cli
