#include "render/scale_brightness.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <immintrin.h>

namespace kalidor {
namespace {

// Four values: the product in doubles as in the table, limited to 255, then converted in the
// current rounding mode, which is what nearbyint rounds in (halves to even).
__attribute__((target("avx2"))) inline __m128i scaleFour(__m128i four, __m256d factor) {
    const __m256d product = _mm256_mul_pd(_mm256_cvtepi32_pd(_mm_cvtepu8_epi32(four)), factor);
    return _mm256_cvtpd_epi32(_mm256_min_pd(product, _mm256_set1_pd(255.0)));
}

// Sixteen bytes at a time on processors with AVX2; returns how many it did.
__attribute__((target("avx2"))) std::size_t scaleWide(std::uint8_t* p, std::size_t n, double factor) {
    const __m256d f = _mm256_set1_pd(factor);
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i a = scaleFour(v, f), b = scaleFour(_mm_srli_si128(v, 4), f);
        const __m128i c = scaleFour(_mm_srli_si128(v, 8), f), d = scaleFour(_mm_srli_si128(v, 12), f);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i),
                         _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d)));
    }
    return i;
}

const bool kWide = __builtin_cpu_supports("avx2") != 0;

}  // namespace

void ScaleBrightness(Bitmap& bitmap, double factor) {
    if (bitmap.bitsPerPixel() != 24)
        bitmap = bitmap.toBgr24();
    std::uint8_t* p = bitmap.data();
    std::uint8_t* const end = p + bitmap.byteSize();
    // The vector path computes the same products; it needs a factor that keeps them >= 0.
    if (kWide && factor >= 0.0)
        p += scaleWide(p, bitmap.byteSize(), factor);
    // One product per channel value: the same Round(v x factor) for every pixel, looked up.
    std::array<std::uint8_t, 256> table{};
    for (int v = 0; v < 256; ++v)
        table[static_cast<std::size_t>(v)] =
            static_cast<std::uint8_t>(std::clamp(std::nearbyint(v * factor), 0.0, 255.0));
    for (; p != end; ++p)
        *p = table[*p];
}

}  // namespace kalidor
