#include "cli/project_loading.h"

#include <filesystem>
#include <sys/stat.h>

namespace kalidor::cli {

std::string projectFolderPath(const std::string& argument) {
    std::error_code ec;
    std::string path = std::filesystem::absolute(argument, ec).lexically_normal().string();
    if (ec)
        path = argument;
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

void loadProjectFolder(const std::string& folder, TThPicObjectManager& project) {
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        throw Error("no project folder at " + folder);
    project.ResetSettings();
    project.Clear();
    if (stat((folder + "project.dat").c_str(), &info) != 0)
        throw Error(folder + " holds no project.dat");
    project.LoadProject(folder + "thum.bmp");
}

}  // namespace kalidor::cli
