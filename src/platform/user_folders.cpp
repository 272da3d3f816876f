#include "platform/user_folders.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace kalidor {
namespace {

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    return (home && *home) ? home : "/";
}

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

bool isDirectory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string userFolder(const std::string& key, const std::string& fallbackName) {
    const std::string home = homeFolder();
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string configDir = (config && *config == '/') ? config : home + "/.config";
    std::ifstream file(configDir + "/user-dirs.dirs");
    std::stringstream text;
    text << file.rdbuf();
    const std::string fromConfig = UserDirFromConfig(text.str(), key, home);
    if (!fromConfig.empty() && isDirectory(fromConfig)) return withSlash(fromConfig);
    if (isDirectory(home + "/" + fallbackName)) return withSlash(home + "/" + fallbackName);
    return withSlash(home);
}

}  // namespace

std::string UserDirFromConfig(const std::string& configText, const std::string& key, const std::string& home) {
    std::istringstream lines(configText);
    std::string line;
    std::string value;
    while (std::getline(lines, line)) {
        if (line.rfind(key + "=", 0) != 0) continue;
        std::string raw = line.substr(key.size() + 1);
        if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"') raw = raw.substr(1, raw.size() - 2);
        if (raw.rfind("$HOME", 0) == 0) raw = home + raw.substr(5);
        // The format allows only "$HOME/..." or an absolute path; the last entry wins.
        value = (!raw.empty() && raw.front() == '/') ? raw : std::string();
    }
    return value;
}

std::string DocumentsFolder() { return userFolder("XDG_DOCUMENTS_DIR", "Documents"); }
std::string DesktopFolder() { return userFolder("XDG_DESKTOP_DIR", "Desktop"); }

}  // namespace kalidor
