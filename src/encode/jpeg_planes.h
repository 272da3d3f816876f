#pragma once
// Frame files decoded straight to the planes the video encoders take (yuv420p), for the encoder
// entry to hand ffmpeg raw frames instead of JPEG files.
//
// The frames are 4:2:0 JPEGs in full-range YCbCr; decoding them to planes skips the colour
// conversion and chroma upsampling, and the planes are then taken to the limited (studio) range
// with the same integer formula as ffmpeg's own conversion, so the encoder sees the values it
// sees when ffmpeg reads the files.

#include <cstdint>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace kalidor {

struct PlaneLayout {
    int width = 0, height = 0;
    bool yuv420 = false;  // 4:2:0 YCbCr, which decodes straight to planes

    bool operator==(const PlaneLayout&) const = default;
    // Bytes of one yuv420p frame: Y, then U and V of Ceil(w / 2) x Ceil(h / 2) each, no padding.
    std::size_t frameBytes() const;
};

// Full-range (JPEG) values to limited range, as ffmpeg's scaler converts them: values shifted
// to 15 bits, scaled with its fixed-point factors, then rounded back to 8 bits.
std::uint8_t LimitedLuma(std::uint8_t fullRange);
std::uint8_t LimitedChroma(std::uint8_t fullRange);
// The same over `n` bytes in place, vectorised where the processor allows.
void LimitLumaPlane(std::uint8_t* plane, std::size_t n);
void LimitChromaPlane(std::uint8_t* plane, std::size_t n);

// One TurboJPEG decompressor; not shared between threads.
class PlaneDecoder {
public:
    PlaneDecoder();
    ~PlaneDecoder();
    PlaneDecoder(const PlaneDecoder&) = delete;
    PlaneDecoder& operator=(const PlaneDecoder&) = delete;

    // The layout from a file's header. Throws kalidor::Error naming `name` when it is no JPEG.
    PlaneLayout layout(const std::vector<std::uint8_t>& jpeg, const std::string& name);

    // Decodes a 4:2:0 JPEG of `expected` layout into `out` (frameBytes() long) as limited-range
    // yuv420p. Throws kalidor::Error naming `name` for a file that does not decode whole, or of
    // another layout.
    void decode(const std::vector<std::uint8_t>& jpeg, const std::string& name, const PlaneLayout& expected,
                std::vector<std::uint8_t>& out);

private:
    void* handle_;
};

// The bytes of a file, or at most `limit` of them. Throws kalidor::Error naming it.
std::vector<std::uint8_t> ReadFileBytes(const std::string& path, std::size_t limit = SIZE_MAX);
// The same into `bytes`, reusing its memory.
void ReadFileInto(const std::string& path, std::vector<std::uint8_t>& bytes, std::size_t limit = SIZE_MAX);
// The same from an open file `fd`, from its start whatever its offset; errors name `path`.
void ReadOpenFileInto(int fd, const std::string& path, std::vector<std::uint8_t>& bytes,
                      std::size_t limit = SIZE_MAX);

}  // namespace kalidor
