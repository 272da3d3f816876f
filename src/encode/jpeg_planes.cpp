#include "encode/jpeg_planes.h"

#include "platform/error.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <turbojpeg.h>
#include <unistd.h>

namespace kalidor {
namespace {

std::uint8_t clip8(int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

// The tables of LimitedLuma and LimitedChroma, applied to whole planes.
struct RangeTables {
    std::array<std::uint8_t, 256> luma{}, chroma{};
    RangeTables() {
        for (int v = 0; v < 256; ++v) {
            luma[v] = LimitedLuma(static_cast<std::uint8_t>(v));
            chroma[v] = LimitedChroma(static_cast<std::uint8_t>(v));
        }
    }
};
const RangeTables& rangeTables() {
    static const RangeTables tables;
    return tables;
}

}  // namespace

std::size_t PlaneLayout::frameBytes() const {
    const std::size_t cw = (static_cast<std::size_t>(width) + 1) / 2, ch = (static_cast<std::size_t>(height) + 1) / 2;
    return static_cast<std::size_t>(width) * height + 2 * cw * ch;
}

// 219/255 and 224/255 in 14 and 11 fraction bits, with the offsets 16 and 128 (<< 7) and the
// rounding folded in; the final ">> 7" adds half (64) first: Round half up.
std::uint8_t LimitedLuma(std::uint8_t v) { return clip8(((((v << 7) * 14071 + 33561947) >> 14) + 64) >> 7); }
std::uint8_t LimitedChroma(std::uint8_t v) { return clip8(((((v << 7) * 1799 + 4081085) >> 11) + 64) >> 7); }

PlaneDecoder::PlaneDecoder() : handle_(tjInitDecompress()) {
    if (!handle_)
        throw Error("JPEG: cannot make a TurboJPEG decompressor");
}

PlaneDecoder::~PlaneDecoder() { tjDestroy(handle_); }

PlaneLayout PlaneDecoder::layout(const std::vector<std::uint8_t>& jpeg, const std::string& name) {
    int w = 0, h = 0, sampling = 0, colours = 0;
    if (tjDecompressHeader3(handle_, jpeg.data(), jpeg.size(), &w, &h, &sampling, &colours) != 0)
        throw Error("frame " + name + " is no JPEG picture: " + tjGetErrorStr2(handle_));
    return {w, h, sampling == TJSAMP_420 && colours == TJCS_YCbCr};
}

void PlaneDecoder::decode(const std::vector<std::uint8_t>& jpeg, const std::string& name,
                          const PlaneLayout& expected, std::vector<std::uint8_t>& out) {
    if (layout(jpeg, name) != expected)
        throw Error("frame " + name + " differs in size or sampling from the first frame");
    const int w = expected.width, h = expected.height, cw = (w + 1) / 2, ch = (h + 1) / 2;
    out.resize(expected.frameBytes());
    std::uint8_t* planes[3] = {out.data(), out.data() + static_cast<std::size_t>(w) * h,
                               out.data() + static_cast<std::size_t>(w) * h + static_cast<std::size_t>(cw) * ch};
    int strides[3] = {w, cw, cw};
    // A warning (a truncated or damaged file) fails too: the frame would not be whole.
    if (tjDecompressToYUVPlanes(handle_, jpeg.data(), jpeg.size(), planes, w, strides, h, TJFLAG_STOPONWARNING) != 0)
        throw Error("frame " + name + " does not decode: " + tjGetErrorStr2(handle_));
    const RangeTables& t = rangeTables();
    const std::size_t lumaBytes = static_cast<std::size_t>(w) * h;
    for (std::size_t i = 0; i < lumaBytes; ++i)
        out[i] = t.luma[out[i]];
    for (std::size_t i = lumaBytes; i < out.size(); ++i)
        out[i] = t.chroma[out[i]];
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path, std::size_t limit) {
    std::vector<std::uint8_t> bytes;
    ReadFileInto(path, bytes, limit);
    return bytes;
}

void ReadFileInto(const std::string& path, std::vector<std::uint8_t>& bytes, std::size_t limit) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw Error("cannot read frame " + path + ": " + std::strerror(errno));
    struct stat info {};
    int error = ::fstat(fd, &info) == 0 ? 0 : errno;
    if (error == 0)
        bytes.resize(std::min(limit, static_cast<std::size_t>(info.st_size)));
    std::size_t size = 0;
    while (error == 0 && size < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + size, bytes.size() - size);
        if (n < 0 && errno != EINTR)
            error = errno;
        if (n == 0)
            break;
        if (n > 0)
            size += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (error != 0)
        throw Error("cannot read frame " + path + ": " + std::strerror(error));
    bytes.resize(size);
}

}  // namespace kalidor
