#include "render/scale_brightness.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace kalidor {

void ScaleBrightness(Bitmap& bitmap, double factor) {
    if (bitmap.bitsPerPixel() != 24)
        bitmap = bitmap.toBgr24();
    // One product per channel value: the same Round(v x factor) for every pixel, looked up.
    std::array<std::uint8_t, 256> table{};
    for (int v = 0; v < 256; ++v)
        table[static_cast<std::size_t>(v)] =
            static_cast<std::uint8_t>(std::clamp(std::nearbyint(v * factor), 0.0, 255.0));
    std::uint8_t* p = bitmap.data();
    std::uint8_t* const end = p + bitmap.byteSize();
    for (; p != end; ++p)
        *p = table[*p];
}

}  // namespace kalidor
