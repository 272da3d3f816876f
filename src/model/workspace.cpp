#include "model/workspace.h"

#include "model/th_utility.h"
#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/folders.h"
#include "platform/md5.h"
#include "platform/user_folders.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <map>
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

std::string md5Of(const std::vector<std::uint8_t>& bytes) {
    return Md5Hex(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// name -> digest; a missing or unreadable record is an empty one, and lines not of its form are
// passed over.
std::map<std::string, std::string> readRecord(const std::string& path) {
    std::map<std::string, std::string> record;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line))
        if (line.size() > 34 && line.compare(32, 2, "  ") == 0) record[line.substr(34)] = line.substr(0, 32);
    return record;
}

// Written only when it changed. A record that cannot be written costs nothing but a comparison
// at the next start, so its failure is passed over.
void writeRecord(const std::string& path, const std::map<std::string, std::string>& record,
                 const std::map<std::string, std::string>& before) {
    if (record == before) return;
    std::string text;
    for (const auto& [name, digest] : record) text += digest + "  " + name + "\n";
    try {
        writeFileAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    } catch (const Error&) {
    }
}

}  // namespace

std::string WorkspaceBase() {
    if (const std::string home = env("KALIDOR_HOME"); !home.empty()) return withSlash(home);
    try {
        return XdgBaseFolder("XDG_DATA_HOME", ".local/share");
    } catch (const Error& e) {
        throw Error("Workspace: " + std::string(e.what()) + " (set HOME, or KALIDOR_HOME for the workspace)");
    }
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
    struct Delivered {
        std::string source, target, name;  // name: the path under the program's folder
    };
    std::vector<Delivered> delivered;
    // The images, and those drawn again for other languages in img/<language>/.
    std::vector<std::string> images;
    ThUtility::ListFiles(data + "img", images, true);
    std::sort(images.begin(), images.end());
    for (const auto& image : images) {
        const std::string file = image.substr(data.size() + 4);
        delivered.push_back({image, workspace.ImgDir + file, "img/" + file});
    }
    delivered.push_back({data + "config/actionList.dat", workspace.ConfigDir + "actionList.dat", "config/actionList.dat"});
    delivered.push_back({data + "project/thum.bmp", workspace.ProjectRoot + "thum.bmp", "project/thum.bmp"});

    const std::string recordPath = workspace.ConfigDir + kDeliveredRecordName;
    std::map<std::string, std::string> record = readRecord(recordPath);
    const std::map<std::string, std::string> recorded = record;
    int copied = 0;
    try {
        for (const Delivered& file : delivered) {
            if (file.name.rfind("img/", 0) == 0)
                MakeFolders(file.target.substr(0, file.target.find_last_of('/')), 0755);
            struct stat info {};
            const bool present = lstat(file.target.c_str(), &info) == 0;
            if (!exists(file.source) || (present && (!S_ISREG(info.st_mode) || record.count(file.name)))) continue;
            const std::vector<std::uint8_t> bytes = readFileBytes(file.source);
            if (present) {
                const std::vector<std::uint8_t> there = readFileBytes(file.target);
                const bool cutShort = there.size() < bytes.size() && std::equal(there.begin(), there.end(), bytes.begin());
                if (there == bytes) record[file.name] = md5Of(bytes);
                if (!cutShort) continue;
            }
            // A write killed before its rename leaves its temporary file; only one start installs.
            removeStaleTemporaries(file.target, std::chrono::system_clock::now());
            writeFileAtomically(file.target, bytes);
            record[file.name] = md5Of(bytes);
            ++copied;
        }
    } catch (const Error& e) {
        writeRecord(recordPath, record, recorded);
        const auto* fileError = dynamic_cast<const FileError*>(&e);
        const bool full = fileError && (fileError->osError() == ENOSPC || fileError->osError() == EDQUOT);
        throw MessageError(Message(full ? kInstallDiskFullMessage : kInstallFailedMessage).WithDetail(e.what()));
    }
    writeRecord(recordPath, record, recorded);
    return copied;
}

namespace {

// The delivered file `own` (`ownName` in the record), or its drawing for the language in
// img/<language>/ or img/en/ under `name`.
std::string localisedPath(const Workspace& workspace, const std::string& own, const std::string& ownName,
                          const std::string& name, const std::string& language) {
    if (language.empty() || language == "ja") return own;
    std::string drawn;
    for (const std::string& folder : {language, std::string("en")})
        if (drawn.empty() && exists(workspace.ImgDir + folder + "/" + name)) drawn = workspace.ImgDir + folder + "/" + name;
    if (drawn.empty()) return own;
    // The user's own picture in place of a delivered one shows in every language, unless the
    // user has replaced the drawing for the language too.
    const std::map<std::string, std::string> record = readRecord(workspace.ConfigDir + kDeliveredRecordName);
    const auto replaced = [&](const std::string& path, const std::string& recordName) {
        const auto recorded = record.find(recordName);
        if (recorded == record.end()) return false;
        try {
            return md5Of(readFileBytes(path)) != recorded->second;
        } catch (const Error&) {
            return false;
        }
    };
    return replaced(own, ownName) && !replaced(drawn, "img/" + drawn.substr(workspace.ImgDir.size())) ? own : drawn;
}

}  // namespace

std::string InterfaceImagePath(const Workspace& workspace, const std::string& name, const std::string& language) {
    return localisedPath(workspace, workspace.ImgDir + name, "img/" + name, name, language);
}

std::string EmptyProjectThumbnail(const Workspace& workspace, const std::string& language) {
    return localisedPath(workspace, workspace.ProjectRoot + "thum.bmp", "project/thum.bmp", "thum.bmp", language);
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
