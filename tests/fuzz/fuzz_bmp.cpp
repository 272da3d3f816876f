// Feeds arbitrary bytes to the BMP reader: any input must decode or raise kalidor::Error,
// without crashing, hanging or allocating beyond the pixel limit.

#include "imaging/bmp_codec.h"
#include "platform/error.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const kalidor::Bitmap bitmap = kalidor::bmp::decode(std::span(data, size), 4'000'000);
        // Convert small results too, so every decoded format and palette is exercised.
        if (static_cast<std::int64_t>(bitmap.width()) * bitmap.height() <= 65536)
            (void)bitmap.toBgr24();
    } catch (const kalidor::Error&) {
    }
    return 0;
}
