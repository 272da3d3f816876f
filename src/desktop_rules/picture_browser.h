#pragma once
// The picture browser's rules that need no widget: which files of a folder it lists, and where
// each item's thumbnail, type icon, selection frame and caption are drawn.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kalidor::rules {

inline constexpr int kBrowserThumbnailSize = 124;
inline constexpr int kTypeIconSize = 32;

// The full paths of the folder's picture files (IsSupportedPicture), by name with letter case
// ignored; folders are never listed, whatever their names, nor searched. A folder that cannot be
// read gives an empty list.
std::vector<std::string> ListFolderPictures(const std::string& folder);

// The progress bar's range while thumbnails are made: 0 to count - 1, or 0 to 1 with no items.
int ThumbnailProgressMaximum(int count);

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Rect&) const = default;
};
struct Point {
    int x = 0, y = 0;
    bool operator==(const Point&) const = default;
};

// The size x size square centred in the item's icon rectangle; the square is filled with the
// window colour before anything is drawn in it.
Rect ThumbnailSquare(Rect icon, int size = kBrowserThumbnailSize);

// Where a thumbnail of width x height (at most the square) is drawn: centred across its shorter
// side; a portrait one at the square's top, a landscape one at its left when it fills the width.
Point ThumbnailOrigin(Rect square, int width, int height);

// Where the 32 x 32 file-type icon of an item without a thumbnail is drawn.
Point TypeIconOrigin(Rect square);

// The caption under the square: the whole name centred when it fits the square's width, else the
// longest beginning that fits, at the left, cut between characters and without an ellipsis.
// `textWidth` measures a text in the list's font.
struct Caption {
    std::string text;
    Point origin;  // the text's top-left corner
    bool operator==(const Caption&) const = default;
};
Caption PlaceCaption(const std::string& fileName, Rect square, const std::function<int(std::string_view)>& textWidth);

}  // namespace kalidor::rules
