#include "imaging/exif_tiff.h"

#include <array>
#include <cstring>

namespace kalidor::detail {

std::optional<ExifTiff> openExifTiff(std::span<const std::uint8_t> app1Payload) noexcept {
    static constexpr std::array<std::uint8_t, 6> kExifHeader{'E', 'x', 'i', 'f', 0, 0};
    if (app1Payload.size() < kExifHeader.size() ||
        std::memcmp(app1Payload.data(), kExifHeader.data(), kExifHeader.size()) != 0)
        return std::nullopt;
    const std::span<const std::uint8_t> tiff = app1Payload.subspan(kExifHeader.size());
    if (tiff.size() < 8)
        return std::nullopt;
    bool bigEndian;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        bigEndian = false;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        bigEndian = true;
    else
        return std::nullopt;
    const TiffReader reader(tiff, bigEndian);
    if (reader.u16(2) != 42)
        return std::nullopt;
    return ExifTiff{reader, reader.u32(4)};
}

}  // namespace kalidor::detail
