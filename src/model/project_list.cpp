#include "model/project_list.h"

#include "model/pic_object.h"
#include "model/project_tile_layout.h"
#include "model/th_utility.h"
#include "imaging/bitmap_utils.h"
#include "imaging/bmp_codec.h"
#include "platform/error.h"
#include "platform/folder_lock.h"
#include "platform/text_encoding.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalidor {
namespace {

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

bool isPlainComponent(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

// Trim as the name check means it: blanks and control characters (bytes up to ' ').
bool blankOnly(const std::string& name) {
    return std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

// The first character (a whole UTF-8 sequence) that code page 932 cannot hold; "" when none.
std::string firstUnstorable(const std::string& name) {
    for (std::size_t i = 0; i < name.size();) {
        std::size_t length = 1;
        const auto lead = static_cast<unsigned char>(name[i]);
        if (lead >= 0xF0) length = 4;
        else if (lead >= 0xE0) length = 3;
        else if (lead >= 0xC0) length = 2;
        const std::string character = name.substr(i, length);
        if (!FitsShiftJis(character)) return character;
        i += length;
    }
    return {};
}

constexpr const char* kExportRunningReason = "an export of this project is running";

std::string osReason(const char* what, const std::string& path) {
    return std::string(what) + " " + path + ": " + std::strerror(errno);
}

// The first of the root and the project's folders (links not followed) in which entries cannot
// be removed, with errno set; "" when there is none.
std::string firstLockedFolder(const std::string& root, const std::string& folder) {
    if (access(root.c_str(), W_OK | X_OK) != 0) return root;
    std::vector<std::string> folders{folder};
    ThUtility::ListFolders(folder, folders, true);
    for (const std::string& inner : folders)
        if (access(inner.c_str(), R_OK | W_OK | X_OK) != 0) return inner;
    return {};
}

}  // namespace

std::vector<std::string> ListProjectEntries(const std::string& projectRoot) {
    std::vector<std::string> folders;
    ThUtility::ListFolders(projectRoot, folders, false);
    std::sort(folders.begin(), folders.end());
    for (auto& folder : folders) folder += "/thum.bmp";
    return folders;
}

std::string ProjectFolderOf(const std::string& entry) {
    return entry.substr(0, entry.find_last_of('/') + 1);
}

std::string ProjectNameOf(const std::string& entry) {
    std::string folder = ProjectFolderOf(entry);
    if (!folder.empty()) folder.pop_back();
    return folder.substr(folder.find_last_of('/') + 1);
}

Message ProjectExistsMessage(const std::string& name) {
    return {QT_TRANSLATE_NOOP("Messages", "「%1」は既に存在するプロジェクトです"), {name}};
}

Message CheckProjectName(const std::string& name, const std::string& projectRoot) {
    if (blankOnly(name)) return kEnterNameMessage;
    struct stat info {};
    if (lstat((withSlash(projectRoot) + name).c_str(), &info) == 0) return ProjectExistsMessage(name);
    // Byte by byte is character by character here: every byte of a multi-byte UTF-8 character
    // is 0x80 or above, so the trail byte of a full-width character never matches.
    if (name.find_first_of("\\/:*?\"<>|") != std::string::npos) return kBadCharacterMessage;
    if (const std::string bad = firstUnstorable(name); !bad.empty())
        return {QT_TRANSLATE_NOOP("Messages", "プロジェクト名に「%1」の文字は使用できません"), {bad}};
    if (ShiftJisLength(name) > 20) return kNameTooLongMessage;
    return {};
}

std::string CreateProject(const std::string& projectRoot, const std::string& name, const std::string& thumbnail) {
    if (!isPlainComponent(name)) return "not a project name: " + name;
    const std::string root = withSlash(projectRoot);
    if (mkdir((root + name).c_str(), 0755) != 0) return osReason("cannot make", root + name);
    ThUtility::CopyFile(thumbnail.empty() ? root + "thum.bmp" : thumbnail, root + name + "/thum.bmp");
    return {};
}

std::string RenameProject(const std::string& projectRoot, const std::string& oldName, const std::string& newName) {
    if (!isPlainComponent(oldName) || !isPlainComponent(newName)) return "not a project name: " + newName;
    const std::string root = withSlash(projectRoot);
    const FolderLock exportLock(root + oldName);
    if (exportLock.state() == FolderLock::State::Held)
        return "cannot rename " + root + oldName + ": " + kExportRunningReason;
    if (renameat2(AT_FDCWD, (root + oldName).c_str(), AT_FDCWD, (root + newName).c_str(), RENAME_NOREPLACE) != 0)
        return osReason("cannot rename", root + oldName + " to " + root + newName);
    return {};
}

std::string DeleteProject(const std::string& projectRoot, const std::string& name) {
    if (!isPlainComponent(name)) return "not a project name: " + name;
    const std::string root = withSlash(projectRoot);
    const std::string folder = root + name;
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0) return osReason("cannot delete", folder);
    if (!S_ISDIR(info.st_mode)) return unlink(folder.c_str()) == 0 ? std::string() : osReason("cannot delete", folder);
    // Held until the folder is gone, so no export can start in it meanwhile.
    const FolderLock exportLock(folder);
    if (exportLock.state() == FolderLock::State::Held) return "cannot delete " + folder + ": " + kExportRunningReason;
    // Every folder the deletion empties must be writable, the root included, or it would stop
    // half way: a project is deleted whole or left whole.
    if (const std::string locked = firstLockedFolder(root, folder); !locked.empty())
        return osReason("cannot delete", locked);
    if (!ThUtility::DeleteFolderTree(folder)) return "cannot delete " + folder + ": some of its files could not be removed";
    return {};
}

void RemoveLeftoverFrames(const std::string& projectDir) {
    const FolderLock exportLock(projectDir);
    if (exportLock.state() == FolderLock::State::Acquired) ThUtility::DeleteFolderTree(withSlash(projectDir) + "tmp");
}

ProjectTile LoadProjectTile(const std::string& entry, int scale) {
    ProjectTile tile;
    // A scratch project: the check must not touch the open one.
    TThPicObjectManager scratch;
    try {
        scratch.LoadProject(entry);
    } catch (const std::exception& e) {
        tile.problem = e.what();
        return tile;
    }
    try {
        struct stat info {};
        if (stat(entry.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            throw Error("thum.bmp: no thumbnail file (" + entry + ")");
        tile.thumbnail = bmp::readFile(entry).toBgr24();
    } catch (const std::exception& e) {
        tile.thumbnail = Bitmap();
        tile.problem = e.what();
        return tile;
    }
    if (scale > 1 && scratch.Count() > 0) {
        // Each side rounds on its own, so it may be a pixel off twice the kept one's.
        const auto near = [scale](int sharpSide, int side) { return std::abs(sharpSide - side * scale) < scale; };
        Bitmap sharp;
        try {
            if (ThUtility::LoadImageFitted(scratch.Items(0).PicturePath, kProjectThumbSize * scale,
                                           kProjectThumbSize * scale, sharp) &&
                near(sharp.width(), tile.thumbnail.width()) && near(sharp.height(), tile.thumbnail.height()) &&
                ShowsTheSamePicture(sharp, tile.thumbnail))
                tile.sharpThumbnail = std::move(sharp);
        } catch (const std::exception&) {
            // The kept thumbnail shows.
        }
    }
    return tile;
}

}  // namespace kalidor
