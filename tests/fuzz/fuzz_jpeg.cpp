// Decodes arbitrary bytes as JPEG: any outcome but kalidor::Error is a bug.
#include "platform/error.h"
#include "imaging/jpeg_codec.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        kalidor::jpeg::decode({data, size}, {.applyExifOrientation = true, .maxPixels = 4'000'000});
    } catch (const kalidor::Error&) {
    }
    return 0;
}
