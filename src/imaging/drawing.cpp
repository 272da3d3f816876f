#include "imaging/drawing.h"

#include "platform/error.h"

#include <algorithm>
#include <cstring>

namespace kalidor {
namespace {

void require24(const Bitmap& b, const char* routine) {
    if (b.bitsPerPixel() != 24)
        throw Error(std::string(routine) + ": needs a 24-bit bitmap");
}

void requireSameSize(const Bitmap& a, const Bitmap& b, const char* routine) {
    require24(a, routine);
    require24(b, routine);
    if (a.width() != b.width() || a.height() != b.height())
        throw Error(std::string(routine) + ": bitmaps differ in size");
}

}  // namespace

void FillBitmap(Bitmap& bitmap, Color color) {
    require24(bitmap, "FillBitmap");
    if (color == 0) {
        if (bitmap.byteSize() > 0)
            std::memset(bitmap.data(), 0, bitmap.byteSize());
        return;
    }
    bitmap.fillBgr24(color);
}

void DrawBitmap(Bitmap& destination, const Bitmap& source, int x, int y) {
    require24(destination, "DrawBitmap");
    require24(source, "DrawBitmap");
    const int left = std::max(0, x), top = std::max(0, y);
    const int right = std::min(destination.width(), x + source.width());
    const int bottom = std::min(destination.height(), y + source.height());
    if (left >= right || top >= bottom)
        return;
    const std::size_t bytes = static_cast<std::size_t>(right - left) * 3;
    for (int row = top; row < bottom; ++row)
        std::memcpy(destination.row(row) + static_cast<std::size_t>(left) * 3,
                    source.row(row - y) + static_cast<std::size_t>(left - x) * 3, bytes);
}

void CopyColumns(Bitmap& destination, const Bitmap& source, int left, int right) {
    requireSameSize(destination, source, "CopyColumns");
    left = std::max(left, 0);
    right = std::min(right, destination.width());
    if (left >= right)
        return;
    const std::size_t offset = static_cast<std::size_t>(left) * 3;
    const std::size_t bytes = static_cast<std::size_t>(right - left) * 3;
    for (int row = 0; row < destination.height(); ++row)
        std::memcpy(destination.row(row) + offset, source.row(row) + offset, bytes);
}

void CopyRows(Bitmap& destination, const Bitmap& source, int top, int bottom) {
    requireSameSize(destination, source, "CopyRows");
    top = std::max(top, 0);
    bottom = std::min(bottom, destination.height());
    if (top >= bottom)
        return;
    std::memcpy(destination.row(top), source.row(top), destination.stride() * static_cast<std::size_t>(bottom - top));
}

}  // namespace kalidor
