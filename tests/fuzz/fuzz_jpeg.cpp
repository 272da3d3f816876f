// Decodes arbitrary bytes as JPEG, and reads their head and EXIF thumbnail as the browser does:
// any outcome but kalidor::Error from the decoder is a bug; the head and the thumbnail never
// raise.
#include "platform/error.h"
#include "imaging/exif_thumbnail.h"
#include "imaging/jpeg_codec.h"
#include "imaging/jpeg_head.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        kalidor::jpeg::decode({data, size}, {.applyExifOrientation = true, .maxPixels = 4'000'000});
    } catch (const kalidor::Error&) {
    }
    // A box of one pixel takes any thumbnail that shows the same picture, so each one is decoded.
    kalidor::embeddedThumbnail(kalidor::jpeg::parseHead({data, size}), 1);
    return 0;
}
