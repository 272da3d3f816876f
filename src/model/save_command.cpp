#include "model/save_command.h"

#include "model/pic_object.h"
#include "model/th_utility.h"
#include "platform/error.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <filesystem>
#include <set>

namespace kalidor {

namespace {

// The kinds a picture copy can be: the ones the project reads.
bool hasPictureExtension(const std::string& path) {
    std::string ext = ThUtility::ExtractFileExt(ThUtility::ExtractFileName(path));
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".jpg" || ext == ".jpeg" || ext == ".png" || ext == ".bmp";
}

}  // namespace

std::vector<std::string> RemoveUnusedPictureCopies(const TThPicObjectManager& project,
                                                   const std::set<std::string>& keep,
                                                   std::vector<std::string>* kept) {
    std::vector<std::string> removed;
    if (project.ProjectDir.empty())
        return removed;  // no folder of its own: never sweep the working folder
    std::set<std::string> used;
    for (int i = 0; i < project.Count(); ++i)
        used.insert(project.Items(i).PicturePath);
    std::vector<std::string> files;
    ThUtility::ListFiles(project.ProjectDir, files, false);
    for (const std::string& file : files) {
        const std::string name = ThUtility::ExtractFileName(file);
        if (name == "thum.bmp" || name == "project.dat" || used.count(file) || !hasPictureExtension(name))
            continue;
        // A file the project never named (it opened as less than it was, or the file came from
        // elsewhere) is not a copy of its own.
        if (!project.KnownPictureFiles().count(file))
            continue;
        std::error_code ec;
        // symlink_status: a link is never taken for the file it points to.
        if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(file, ec)))
            continue;
        if (keep.count(file)) {
            if (kept)
                kept->push_back(file);
            continue;
        }
        if (std::filesystem::remove(file, ec))
            removed.push_back(file);
    }
    return removed;
}

SaveCommandResult SaveProjectCommand(MovieSettingsPage& page, TThPicObjectManager& project, bool& modified,
                                     const std::set<std::string>& keep) {
    StoreMovieSettings(page, project);
    try {
        project.SaveProject();
    } catch (const std::exception& e) {
        return {false, MessageOf(e)};
    }
    modified = false;
    SaveCommandResult result{true, kSavedMessage, {}};
    RemoveUnusedPictureCopies(project, keep, &result.kept);
    return result;
}

}  // namespace kalidor
