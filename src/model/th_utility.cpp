#include "model/th_utility.h"

#include "imaging/bmp_codec.h"
#include "imaging/jpeg_codec.h"
#include "imaging/png_codec.h"
#include "imaging/bitmap_utils.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <dirent.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace kalidor::ThUtility {
namespace {

std::string join(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

struct DirCloser {
    void operator()(DIR* d) const { closedir(d); }
};

// Calls visit(path, isFolder) for each entry but "." and "..", in the file system's order.
template <typename Visit>
void forEachEntry(const std::string& folder, Visit visit) {
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
    if (!dir)
        return;
    while (dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string path = join(folder, name);
        struct stat info {};
        // lstat: a link to a folder is not a folder here, so tree walks never leave the tree.
        const bool isFolder = lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        visit(path, isFolder);
    }
}

std::string upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool entryExists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

}  // namespace

void ListFiles(const std::string& folder, std::vector<std::string>& out, bool recursive) {
    forEachEntry(folder, [&](const std::string& path, bool isFolder) {
        if (!isFolder)
            out.push_back(path);
        else if (recursive)
            ListFiles(path, out, true);
    });
}

void ListFolders(const std::string& folder, std::vector<std::string>& out, bool recursive) {
    forEachEntry(folder, [&](const std::string& path, bool isFolder) {
        if (!isFolder)
            return;
        out.push_back(path);
        if (recursive)
            ListFolders(path, out, true);
    });
}

bool CopyFile(const std::string& source, const std::string& destination, std::error_code* error) {
    std::error_code ec;
    const auto parent = std::filesystem::path(destination).parent_path();
    if (!parent.empty())
        std::filesystem::create_directories(parent, ec);
    const bool copied =
        !ec && std::filesystem::copy_file(source, destination, std::filesystem::copy_options::overwrite_existing, ec) &&
        !ec;
    if (error)
        *error = ec;
    return copied;
}

bool DeleteFolderTree(const std::string& folder) {
    std::string self = folder;
    while (self.size() > 1 && self.back() == '/')
        self.pop_back();
    // A link (or a file) in the folder's place goes itself; what it points to is not ours.
    struct stat info {};
    if (lstat(self.c_str(), &info) != 0)
        return false;
    if (!S_ISDIR(info.st_mode))
        return unlink(self.c_str()) == 0;
    bool ok = true;
    std::vector<std::string> files;
    ListFiles(folder, files, true);
    for (const auto& file : files)
        if (unlink(file.c_str()) != 0)
            ok = false;
    std::vector<std::string> folders;
    ListFolders(folder, folders, true);
    // Case-insensitive order puts a folder before its subfolders, so removing from the end
    // removes the deepest first.
    std::sort(folders.begin(), folders.end(),
              [](const std::string& a, const std::string& b) { return lower(a) < lower(b); });
    for (auto it = folders.rbegin(); it != folders.rend(); ++it)
        if (rmdir(it->c_str()) != 0)
            ok = false;
    if (rmdir(self.c_str()) != 0)
        ok = false;
    return ok;
}

std::string ExtractFileExt(const std::string& name) {
    const auto slash = name.find_last_of('/');
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    return name.substr(dot);
}

std::string ExtractFileName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string UniqueFileName(const std::string& folder, const std::string& name,
                           std::span<const std::string_view> reserved) {
    // Without regard to case, as a folder on a FAT stick compares names.
    const auto isFree = [&](const std::string& candidate) {
        return std::find(reserved.begin(), reserved.end(), lower(candidate)) == reserved.end() &&
               !entryExists(join(folder, candidate));
    };
    if (isFree(name))
        return join(folder, name);
    const std::string ext = ExtractFileExt(name);
    const std::string base = name.substr(0, name.size() - ext.size());
    for (long long n = 1;; ++n) {
        const std::string candidate = base + "(" + std::to_string(n) + ")" + ext;
        if (isFree(candidate))
            return join(folder, candidate);
    }
}

void LoadImageFile(const std::string& path, Bitmap& bitmap) {
    const std::string ext = upper(ExtractFileExt(path));
    if (ext == ".PNG")
        bitmap = png::readFile(path);
    else if (ext == ".JPG" || ext == ".JPEG")
        bitmap = jpeg::readFile(path);
    else if (ext == ".BMP")
        bitmap = bmp::readFile(path);
    else
        bitmap = Bitmap();
}

bool LoadImageFitted(const std::string& path, int boxWidth, int boxHeight, Bitmap& bitmap,
                     const std::function<void(const std::string&)>& showMessage) {
    LoadImageFile(path, bitmap);
    if (bitmap.empty()) {
        bitmap = Bitmap();
        if (showMessage)
            showMessage(kUnsupportedImageMessage);
        return false;
    }
    const Size size = FittedSize(bitmap.width(), bitmap.height(), boxWidth, boxHeight);
    bitmap = ResizeAverage(bitmap, size.width, size.height);
    return true;
}

Message UnsupportedImageMessage(const std::string& path) {
    return {QT_TRANSLATE_NOOP("Messages", "対象外の画像形式です (%1)"), {path}};
}

Message EncodedUpToText(std::int64_t seconds) {
    const auto twoDigits = [](std::int64_t value) {
        char text[24];
        std::snprintf(text, sizeof text, "%.2lld", static_cast<long long>(value));
        return std::string(text);
    };
    return {QT_TRANSLATE_NOOP("Messages", "%1時間%2分%3秒までの動画を変換完了"),
            {twoDigits(seconds / 3600), twoDigits(seconds % 3600 / 60), twoDigits(seconds % 60)}};
}

}  // namespace kalidor::ThUtility
