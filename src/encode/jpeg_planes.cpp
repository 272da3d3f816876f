#include "encode/jpeg_planes.h"

#include "platform/error.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <immintrin.h>
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

// The formula of LimitedLuma and LimitedChroma on eight values, on processors with AVX2.
template <int Factor, int Offset, int Shift>
__attribute__((target("avx2"))) inline __m256i limitEight(__m128i eight) {
    const __m256i v = _mm256_slli_epi32(_mm256_cvtepu8_epi32(eight), 7);
    const __m256i scaled = _mm256_srai_epi32(
        _mm256_add_epi32(_mm256_mullo_epi32(v, _mm256_set1_epi32(Factor)), _mm256_set1_epi32(Offset)), Shift);
    return _mm256_srai_epi32(_mm256_add_epi32(scaled, _mm256_set1_epi32(64)), 7);
}

// A plane 32 bytes at a time; the end that is not a whole 32 bytes goes through the table.
template <int Factor, int Offset, int Shift>
__attribute__((target("avx2"))) void limitWide(std::uint8_t* p, std::size_t n, const std::uint8_t* table) {
    std::size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 16));
        const __m256i r0 = limitEight<Factor, Offset, Shift>(low);
        const __m256i r1 = limitEight<Factor, Offset, Shift>(_mm_srli_si128(low, 8));
        const __m256i r2 = limitEight<Factor, Offset, Shift>(high);
        const __m256i r3 = limitEight<Factor, Offset, Shift>(_mm_srli_si128(high, 8));
        // The packs clip to a byte and interleave the 128-bit halves; the permutation undoes that.
        const __m256i packed = _mm256_packus_epi16(_mm256_packus_epi32(r0, r1), _mm256_packus_epi32(r2, r3));
        const __m256i ordered = _mm256_permutevar8x32_epi32(packed, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + i), ordered);
    }
    for (; i < n; ++i)
        p[i] = table[p[i]];
}

const bool kWide = __builtin_cpu_supports("avx2") != 0;

}  // namespace

void LimitLumaPlane(std::uint8_t* p, std::size_t n) {
    const std::uint8_t* table = rangeTables().luma.data();
    if (kWide)
        return limitWide<14071, 33561947, 14>(p, n, table);
    for (std::size_t i = 0; i < n; ++i)
        p[i] = table[p[i]];
}

void LimitChromaPlane(std::uint8_t* p, std::size_t n) {
    const std::uint8_t* table = rangeTables().chroma.data();
    if (kWide)
        return limitWide<1799, 4081085, 11>(p, n, table);
    for (std::size_t i = 0; i < n; ++i)
        p[i] = table[p[i]];
}

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
    const std::size_t lumaBytes = static_cast<std::size_t>(w) * h;
    LimitLumaPlane(out.data(), lumaBytes);
    LimitChromaPlane(out.data() + lumaBytes, out.size() - lumaBytes);
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
    try {
        ReadOpenFileInto(fd, path, bytes, limit);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
}

void ReadOpenFileInto(int fd, const std::string& path, std::vector<std::uint8_t>& bytes, std::size_t limit) {
    struct stat info {};
    int error = ::fstat(fd, &info) == 0 ? 0 : errno;
    if (error == 0)
        bytes.resize(std::min(limit, static_cast<std::size_t>(info.st_size)));
    std::size_t size = 0;
    while (error == 0 && size < bytes.size()) {
        const ssize_t n = ::pread(fd, bytes.data() + size, bytes.size() - size, static_cast<off_t>(size));
        if (n < 0 && errno != EINTR)
            error = errno;
        if (n == 0)
            break;
        if (n > 0)
            size += static_cast<std::size_t>(n);
    }
    if (error != 0)
        throw Error("cannot read frame " + path + ": " + std::strerror(error));
    bytes.resize(size);
}

}  // namespace kalidor
