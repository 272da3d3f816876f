#include "imaging/exif_thumbnail.h"

#include "imaging/bitmap_utils.h"
#include "imaging/exif_orientation.h"
#include "imaging/exif_tiff.h"
#include "imaging/fitted_size.h"
#include "imaging/jpeg_codec.h"
#include "platform/error.h"

#include <algorithm>
#include <cstdlib>

namespace kalidor {
namespace {

constexpr std::uint16_t kCompressionTag = 0x0103;
constexpr std::uint16_t kJpegOffsetTag = 0x0201;  // JPEGInterchangeFormat
constexpr std::uint16_t kJpegLengthTag = 0x0202;  // JPEGInterchangeFormatLength
constexpr std::uint32_t kUncompressed = 1;

// An APP1 segment holds at most 64 KiB, and so a thumbnail in it far fewer pixels than this.
constexpr std::int64_t kMaxThumbnailPixels = 4'000'000;

// Where the IFD after the one at `ifd` starts (0 when none); nullopt when that IFD is broken.
std::optional<std::size_t> nextIfd(const detail::TiffReader& reader, std::size_t ifd) noexcept {
    const std::optional<std::size_t> count = reader.entryCount(ifd);
    if (!count)
        return std::nullopt;
    const std::size_t link = ifd + 2 + *count * detail::kIfdEntrySize;
    if (!reader.has(link, 4))
        return std::nullopt;
    return reader.u32(link);
}

}  // namespace

std::span<const std::uint8_t> exifThumbnailJpeg(std::span<const std::uint8_t> app1Payload) noexcept {
    const std::optional<detail::ExifTiff> tiff = detail::openExifTiff(app1Payload);
    if (!tiff)
        return {};
    const detail::TiffReader& reader = tiff->reader;
    const std::optional<std::size_t> ifd1 = nextIfd(reader, tiff->firstIfd);
    if (!ifd1 || *ifd1 == 0 || *ifd1 == tiff->firstIfd)
        return {};
    const std::optional<std::size_t> count = reader.entryCount(*ifd1);
    if (!count)
        return {};
    std::optional<std::uint32_t> offset, length;
    for (std::size_t i = 0; i < *count; ++i) {
        const std::optional<std::size_t> entry = reader.entry(*ifd1, i);
        if (!entry)
            return {};
        switch (reader.u16(*entry)) {
        case kCompressionTag:
            if (reader.number(*entry) == kUncompressed)
                return {};  // the thumbnail is TIFF strips, not a JPEG
            break;
        case kJpegOffsetTag: offset = reader.number(*entry); break;
        case kJpegLengthTag: length = reader.number(*entry); break;
        default: break;
        }
    }
    if (!offset || !length || *length == 0 || !reader.has(*offset, *length))
        return {};
    return reader.data().subspan(*offset, *length);
}

std::optional<Bitmap> embeddedThumbnail(const jpeg::Head& photo, int side) {
    if (photo.width <= 0 || photo.height <= 0 || side <= 0)
        return std::nullopt;
    const std::span<const std::uint8_t> bytes = exifThumbnailJpeg(photo.exif);
    // Its own frame header tells its size before anything is decoded.
    const jpeg::Head stored = jpeg::parseHead(bytes);
    const int target = std::min(side, std::max(photo.width, photo.height));
    if (std::max(stored.width, stored.height) < target)
        return std::nullopt;
    const FitSize same = FittedSize(photo.width, photo.height, stored.width, stored.height);
    if (std::abs(same.width - stored.width) > 1 || std::abs(same.height - stored.height) > 1)
        return std::nullopt;
    Bitmap thumbnail;
    try {
        thumbnail = jpeg::decode(bytes, {.applyExifOrientation = false, .maxPixels = kMaxThumbnailPixels});
    } catch (const Error&) {
        return std::nullopt;
    }
    if (thumbnail.width() != stored.width || thumbnail.height() != stored.height)
        return std::nullopt;
    thumbnail = applyExifOrientation(thumbnail, exifOrientation(photo.exif));
    const FitSize fitted = FittedSize(thumbnail.width(), thumbnail.height(), target, target);
    if (fitted.width == thumbnail.width() && fitted.height == thumbnail.height())
        return thumbnail;
    return ResizeAverage(thumbnail, fitted.width, fitted.height);
}

}  // namespace kalidor
