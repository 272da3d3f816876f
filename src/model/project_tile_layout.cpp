#include "model/project_tile_layout.h"

namespace kalidor {

TileRect ThumbnailBox(const TileRect& icon) {
    // C++ integer division truncates toward zero, which is Trunc here.
    const int left = icon.left + (icon.right - icon.left - kProjectThumbSize) / 2;
    const int top = icon.top + (icon.bottom - icon.top - kProjectThumbSize) / 2;
    return {left, top, left + kProjectThumbSize, top + kProjectThumbSize};
}

TilePoint ThumbnailOrigin(const TileRect& box, int width, int height) {
    const int s = kProjectThumbSize;
    if (width < height)
        return {box.left + (s - width) / 2, height < s ? box.top + (s - height) / 2 : box.top};
    return {width < s ? box.left + (s - width) / 2 : box.left, box.top + (s - height) / 2};
}

std::string FitName(const std::string& name, int maxWidth, const std::function<int(std::string_view)>& widthOf) {
    if (widthOf(name) <= maxWidth) return name;
    std::size_t fits = 0;
    for (std::size_t i = 0; i < name.size();) {
        std::size_t next = i + 1;
        while (next < name.size() && (static_cast<unsigned char>(name[next]) & 0xC0) == 0x80) ++next;
        if (widthOf(std::string_view(name).substr(0, next)) > maxWidth) break;
        fits = next;
        i = next;
    }
    return name.substr(0, fits);
}

int NameLeft(const TileRect& box, int textWidth) {
    const int a = box.right - box.left;
    return textWidth <= a ? box.left + a / 2 - textWidth / 2 : box.left;
}

}  // namespace kalidor
