#pragma once
// Pieces shared by the resamplers in this folder; not part of the engine's interface.

#include "imaging/bitmap_utils.h"

#include <cmath>
#include <string>

namespace kalidor::detail {

// Raises AssertionFailure "Assertion failure (BitmapUtils, line N): <what>".
[[noreturn]] void failAssertion(int line, const std::string& what);

#define KALIDOR_RESAMPLE_REQUIRE_AT(line, condition, what)     \
    do {                                                       \
        if (!(condition))                                      \
            ::kalidor::detail::failAssertion((line), (what));  \
    } while (false)
#define KALIDOR_RESAMPLE_REQUIRE(condition, what) KALIDOR_RESAMPLE_REQUIRE_AT(__LINE__, condition, what)

// The lines the precondition failures of the two public resamplers name, as users of the unit
// have always seen them; the other checks name the line of this source.
inline constexpr int kResizeAverageLine = 942;
inline constexpr int kResizeBilinearLine = 1066;

// Whether the bilinear resampler uses four-double vectors (AVX2): on where the processor has them;
// `wanted` false turns them off, so that both ways can be compared. Returns the setting now in use.
bool UseWideVectors(bool wanted);

// Floor toward minus infinity; the coordinates here are small enough for int.
inline int floorToInt(double v) { return static_cast<int>(std::floor(v)); }

// How the unit cell [i, i + 1] meets the interval [a, b]: the covered length, and the middle of
// the covered part measured from the cell's left (or top) edge.
struct CellOverlap {
    double weight;
    double middle;
};

inline CellOverlap overlapOf(int i, double a, double b) {
    const bool startsInside = i > a;
    const bool endsInside = i + 1 < b;
    if (startsInside && endsInside)
        return {1.0, 0.5};
    if (endsInside)
        return {1.0 - (a - i), ((a - i) + 1.0) / 2.0};
    if (startsInside)
        return {b - i, (b - i) / 2.0};
    return {b - a, ((b - i) + (a - i)) / 2.0};
}

// Round (halves to even, the default rounding mode) and clamp to a byte.
inline std::uint8_t roundToByte(double v) {
    const double r = std::nearbyint(v);
    if (!(r > 0.0))
        return 0;
    return r >= 255.0 ? std::uint8_t{255} : static_cast<std::uint8_t>(r);
}

}  // namespace kalidor::detail
