#include "desktop/browser/browser_places.h"

#include "platform/user_folders.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kalidor::browser {
namespace {

// Mounts of /proc/self/mounts use octal escapes for blanks, tabs, newlines and backslashes.
std::string unescape(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string_view digits = field.substr(i + 1, 3);
            if (std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '7'; })) {
                out += static_cast<char>((digits[0] - '0') * 64 + (digits[1] - '0') * 8 + (digits[2] - '0'));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

bool under(const std::string& path, std::string_view folder) {
    return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                              path[folder.size()] == '/');
}

// Where the system keeps its own mounts; removable media under /run/media stay.
bool systemMount(const std::string& point) {
    if (under(point, "/run/media")) return false;
    constexpr std::array<std::string_view, 6> system = {"/proc", "/sys", "/dev", "/run", "/snap", "/boot"};
    return std::any_of(system.begin(), system.end(), [&](std::string_view folder) { return under(point, folder); });
}

// A file system that holds files: a block device, a network share or a user-space file system.
bool holdsFiles(const std::string& source, const std::string& type) {
    if (source.rfind("/dev/", 0) == 0 || source.rfind("//", 0) == 0) return true;
    if (type.rfind("nfs", 0) == 0 || type == "cifs" || type == "smb3" || type.rfind("fuse.", 0) == 0) return true;
    return false;
}

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

}  // namespace

std::vector<std::string> UserMountPoints(std::string_view mountsTable) {
    std::vector<std::string> points;
    std::istringstream lines{std::string(mountsTable)};
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string source, point, type;
        if (!(fields >> source >> point >> type)) continue;
        point = unescape(point);
        if (point.empty() || point[0] != '/') continue;
        if (point != "/" && (systemMount(point) || !holdsFiles(unescape(source), type))) continue;
        if (std::find(points.begin(), points.end(), point) == points.end()) points.push_back(point);
    }
    return points;
}

std::vector<BrowserPlace> BrowserPlaces() {
    std::vector<BrowserPlace> places;
    // Without those folders both are the home folder: each folder is listed once.
    for (const std::string& folder : {DesktopFolder(), DocumentsFolder(), withSlash(HomeFolder())}) {
        const bool listed = std::any_of(places.begin(), places.end(), [&](const BrowserPlace& p) { return p.folder == folder; });
        if (folder != "/" && !listed) places.push_back({folder, false});
    }
    std::ifstream file("/proc/self/mounts");
    std::stringstream table;
    table << file.rdbuf();
    std::vector<std::string> points = UserMountPoints(table.str());
    if (points.empty()) points.push_back("/");
    for (const std::string& point : points) {
        std::error_code error;
        // Containers bind single files into place; only folders are places.
        if (std::filesystem::is_directory(point, error)) places.push_back({withSlash(point), true});
    }
    return places;
}

int PlaceOf(const std::vector<BrowserPlace>& places, const std::string& folder) {
    const std::string target = withSlash(folder);
    int best = -1;
    for (int i = 0; i < static_cast<int>(places.size()); ++i) {
        const std::string& candidate = places[static_cast<std::size_t>(i)].folder;
        if (target.compare(0, candidate.size(), candidate) == 0 &&
            (best < 0 || candidate.size() > places[static_cast<std::size_t>(best)].folder.size()))
            best = i;
    }
    return best;
}

}  // namespace kalidor::browser
