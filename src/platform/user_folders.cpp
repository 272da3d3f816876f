#include "platform/user_folders.h"

#include "platform/error.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kalidor {
namespace {

std::string absoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    return value && *value == '/' ? value : "";
}

// Browsing only reads, so the root will do where there is no home.
std::string homeFolder() {
    const std::string home = HomeFolder();
    return home.empty() ? "/" : home;
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
    const std::string config = absoluteEnv("XDG_CONFIG_HOME");
    const std::string configDir = config.empty() ? home + "/.config" : config;
    std::ifstream file(configDir + "/user-dirs.dirs");
    std::stringstream text;
    text << file.rdbuf();
    const std::string fromConfig = UserDirFromConfig(text.str(), key, home);
    if (!fromConfig.empty() && isDirectory(fromConfig)) return withSlash(fromConfig);
    if (isDirectory(home + "/" + fallbackName)) return withSlash(home + "/" + fallbackName);
    return withSlash(home);
}

}  // namespace

std::string HomeFolder() {
    if (std::string home = absoluteEnv("HOME"); !home.empty())
        return home;
    const long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 1024);
    passwd entry{};
    passwd* found = nullptr;
    int error = 0;
    while ((error = ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
           buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (error != 0 || !found || !found->pw_dir || found->pw_dir[0] != '/')
        return {};
    return found->pw_dir;
}

std::string XdgBaseFolder(const char* variable, const char* underHome) {
    if (std::string folder = absoluteEnv(variable); !folder.empty())
        return withSlash(folder);
    const std::string home = HomeFolder();
    if (home.empty())
        throw Error("no home folder for " + std::string(variable) +
                    ": HOME is not set and the user database has no home for user " + std::to_string(::getuid()));
    return withSlash(home + "/" + underHome);
}

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
