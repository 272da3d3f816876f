#pragma once
// Where the project list draws a project: its thumbnail centred in a 148 x 148 box centred in
// the item's icon area, and its name below the box, centred or cut to the box's width.

#include <functional>
#include <string>
#include <string_view>

namespace kalidor {

inline constexpr int kProjectThumbSize = 148;

struct TileRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const TileRect&) const = default;
};
struct TilePoint {
    int x = 0, y = 0;
    bool operator==(const TilePoint&) const = default;
};

// The 148 x 148 box centred in the icon rectangle (Trunc of the half difference).
TileRect ThumbnailBox(const TileRect& icon);

// The top-left corner of a W x H thumbnail in the box (div truncates toward zero). Portrait
// pictures at least 148 high stand at the box's top, wide ones at least 148 wide at its left.
TilePoint ThumbnailOrigin(const TileRect& box, int width, int height);

// The name as drawn: the whole name when `widthOf(name)` fits in `maxWidth`, else its longest
// beginning, taken character by character (never inside a UTF-8 character), that fits. No
// ellipsis.
std::string FitName(const std::string& name, int maxWidth, const std::function<int(std::string_view)>& widthOf);

// The name's left edge: centred in the box when it fits (BL + A div 2 - width div 2), else BL.
int NameLeft(const TileRect& box, int textWidth);

}  // namespace kalidor
