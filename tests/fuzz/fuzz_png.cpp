// Decodes arbitrary bytes as PNG: any outcome but kalidor::Error is a bug.
#include "platform/error.h"
#include "imaging/png_codec.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        kalidor::png::decode({data, size}, 4'000'000);
    } catch (const kalidor::Error&) {
    }
    return 0;
}
