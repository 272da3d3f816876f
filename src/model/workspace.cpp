#include "model/workspace.h"

#include "model/th_utility.h"
#include "platform/error.h"
#include "platform/folders.h"

#include <cstdlib>
#include <sys/stat.h>
#include <vector>

namespace kalidor {
namespace {

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

bool isDirectory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

}  // namespace

std::string WorkspaceBase() {
    if (const std::string home = env("KALIDOR_HOME"); !home.empty()) return withSlash(home);
    // XDG: a relative XDG_DATA_HOME is invalid and ignored.
    if (const std::string data = env("XDG_DATA_HOME"); !data.empty() && data.front() == '/') return withSlash(data);
    const std::string home = env("HOME");
    return withSlash((home.empty() ? std::string("/tmp") : home) + "/.local/share");
}

Workspace WorkspaceAt(const std::string& base) {
    const std::string program = withSlash(base) + "Orvane/Kalidor/";
    return {program + "project/", program + "config/", program + "img/"};
}

Workspace PrepareWorkspace(const std::string& base) {
    const std::string maker = withSlash(base) + "Orvane";
    Workspace workspace = WorkspaceAt(base);
    try {
        MakeFolders(base, 0700);
        for (const std::string& folder : {maker, maker + "/Kalidor", workspace.ProjectRoot, workspace.ConfigDir})
            MakeFolders(folder, 0755);
    } catch (const Error& e) {
        throw Error("Workspace: " + std::string(e.what()));
    }
    return workspace;
}

int InstallDeliveredData(const std::string& dataDir, const Workspace& workspace) {
    const std::string data = withSlash(dataDir);
    int copied = 0;
    const auto install = [&copied](const std::string& source, const std::string& target) {
        if (!exists(target) && exists(source) && ThUtility::CopyFile(source, target)) ++copied;
    };
    std::vector<std::string> images;
    ThUtility::ListFiles(data + "img", images, false);
    for (const auto& image : images) install(image, workspace.ImgDir + image.substr(image.find_last_of('/') + 1));
    install(data + "config/actionList.dat", workspace.ConfigDir + "actionList.dat");
    install(data + "project/thum.bmp", workspace.ProjectRoot + "thum.bmp");
    return copied;
}

std::string DeliveredDataDir(const std::string& executablePath, const std::string& fallback) {
    const auto slash = executablePath.find_last_of('/');
    if (slash != std::string::npos) {
        const std::string installed = executablePath.substr(0, slash) + "/../share/kalidor/";
        if (isDirectory(installed)) return installed;
    }
    return withSlash(fallback);
}

}  // namespace kalidor
