#pragma once
// The start of a JPEG file, up to its frame header: the picture's stored size and its EXIF data,
// read without touching the compressed picture that follows.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kalidor::jpeg {

struct Head {
    // The frame header's size, as stored (before any EXIF orientation); 0 x 0 when the segments
    // before it are broken or there is none.
    int width = 0;
    int height = 0;
    // The payload of the first APP1 segment that starts "Exif\0\0"; empty when there is none.
    std::vector<std::uint8_t> exif;
};

// The head of JPEG data held in memory. Every segment length is checked against the data; what
// is not a JPEG gives an empty head.
Head parseHead(std::span<const std::uint8_t> bytes);

// The head of a JPEG file, reading only the markers and lengths of the segments before the frame
// header and the EXIF segment whole (at most 64 KiB). A file that cannot be read, is no regular
// file or is no JPEG gives an empty head.
Head readHead(const std::string& path);

}  // namespace kalidor::jpeg
