#include "desktop_rules/picture_browser.h"

#include "desktop_rules/storyboard_editing.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace kalidor::rules {

std::vector<std::string> ListFolderPictures(const std::string& folder) {
    namespace fs = std::filesystem;
    std::vector<std::string> paths;
    std::error_code error;
    fs::directory_iterator it(folder, error), end;
    for (; !error && it != end; it.increment(error)) {
        std::error_code statusError;
        if (it->is_directory(statusError))  // follows links: a link to a folder is a folder
            continue;
        const std::string name = it->path().filename().string();
        if (IsSupportedPicture(name))
            paths.push_back((fs::path(folder) / name).string());
    }
    // Directory order on Linux looks random to a user; names in letter order, case aside, are
    // what a file manager shows.
    const auto folded = [](const std::string& path) {
        std::string key = fs::path(path).filename().string();
        for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return key;
    };
    std::sort(paths.begin(), paths.end(), [&](const std::string& a, const std::string& b) {
        const std::string fa = folded(a), fb = folded(b);
        return fa != fb ? fa < fb : a < b;
    });
    return paths;
}

int ThumbnailProgressMaximum(int count) { return count > 0 ? count - 1 : 1; }

Rect ThumbnailSquare(Rect icon, int size) {
    // Integer division truncates toward zero, as the rule's Trunc does.
    Rect square;
    square.left = icon.left + (icon.right - icon.left - size) / 2;
    square.right = square.left + size;
    square.top = icon.top + (icon.bottom - icon.top - size) / 2;
    square.bottom = square.top + size;
    return square;
}

Point ThumbnailOrigin(Rect square, int width, int height) {
    const int w = square.right - square.left, h = square.bottom - square.top;
    // div truncates toward zero.
    if (width < height)
        return {square.left + (w - width) / 2, height < h ? square.top + (h - height) / 2 : square.top};
    return {width < w ? square.left + (w - width) / 2 : square.left, square.top + (h - height) / 2};
}

Point TypeIconOrigin(Rect square) {
    return {square.left + (square.right - square.left - kTypeIconSize) / 2,
            square.top + (square.bottom - square.top - kTypeIconSize) / 2};
}

Caption PlaceCaption(const std::string& fileName, Rect square, const std::function<int(std::string_view)>& textWidth) {
    const int avail = square.right - square.left;
    const int y = square.bottom;
    const int width = textWidth(fileName);
    if (width <= avail)
        return {fileName, {square.left + avail / 2 - width / 2, y}};
    // Grow the beginning one whole UTF-8 character at a time.
    std::size_t fits = 0;
    for (std::size_t end = 0; end < fileName.size();) {
        ++end;
        while (end < fileName.size() && (static_cast<unsigned char>(fileName[end]) & 0xC0) == 0x80)
            ++end;
        if (textWidth(std::string_view(fileName).substr(0, end)) > avail)
            break;
        fits = end;
    }
    return {fileName.substr(0, fits), {square.left, y}};
}

}  // namespace kalidor::rules
