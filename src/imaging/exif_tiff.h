#pragma once
// The TIFF structure inside an EXIF APP1 payload, shared by the EXIF readers of this folder; not
// part of the engine's interface. Every read is checked against the end of the payload.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace kalidor::detail {

inline constexpr std::size_t kIfdEntrySize = 12;
inline constexpr std::uint16_t kTiffShort = 3;
inline constexpr std::uint16_t kTiffLong = 4;

// Reads the TIFF data in the byte order its header names. Offsets count from the start of the
// TIFF header, as EXIF's own offsets do.
class TiffReader {
public:
    TiffReader(std::span<const std::uint8_t> data, bool bigEndian) : data_(data), bigEndian_(bigEndian) {}

    std::span<const std::uint8_t> data() const noexcept { return data_; }
    bool has(std::size_t offset, std::size_t length) const noexcept {
        return offset <= data_.size() && length <= data_.size() - offset;
    }
    // Callers check has(offset, 2) / has(offset, 4) first.
    std::uint16_t u16(std::size_t offset) const noexcept {
        const unsigned a = data_[offset], b = data_[offset + 1];
        return static_cast<std::uint16_t>(bigEndian_ ? (a << 8) | b : (b << 8) | a);
    }
    std::uint32_t u32(std::size_t offset) const noexcept {
        const std::uint32_t a = u16(offset), b = u16(offset + 2);
        return bigEndian_ ? (a << 16) | b : (b << 16) | a;
    }

    // The number of entries of the IFD at `ifd`; nullopt when its count lies outside.
    std::optional<std::size_t> entryCount(std::size_t ifd) const noexcept {
        if (!has(ifd, 2))
            return std::nullopt;
        return u16(ifd);
    }
    // Where entry `i` of the IFD at `ifd` starts; nullopt when it does not lie wholly inside.
    std::optional<std::size_t> entry(std::size_t ifd, std::size_t i) const noexcept {
        const std::size_t at = ifd + 2 + i * kIfdEntrySize;
        if (!has(at, kIfdEntrySize))
            return std::nullopt;
        return at;
    }
    // The single SHORT or LONG held in the entry at `at`; nullopt for another type or no value.
    std::optional<std::uint32_t> number(std::size_t at) const noexcept {
        const std::uint16_t type = u16(at + 2);
        if (u32(at + 4) < 1)
            return std::nullopt;
        if (type == kTiffShort)
            return u16(at + 8);
        if (type == kTiffLong)
            return u32(at + 8);
        return std::nullopt;
    }

private:
    std::span<const std::uint8_t> data_;
    bool bigEndian_;
};

struct ExifTiff {
    TiffReader reader;
    std::size_t firstIfd;  // IFD0, the main picture's
};

// The TIFF data of an APP1 payload (the bytes after the segment length, starting "Exif\0\0");
// nullopt when it is not EXIF or its header is broken.
std::optional<ExifTiff> openExifTiff(std::span<const std::uint8_t> app1Payload) noexcept;

}  // namespace kalidor::detail
