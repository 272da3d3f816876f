// ResizeBilinear integrates the bilinear surface through the source pixel centres over each output
// pixel. Per cell the surface is c00(1-u)(1-v) + c10 u(1-v) + c01(1-u)v + c11 uv with u, v the
// middle of the covered part, so the weight of a source pixel is a product of one weight per axis.
// The fast path therefore filters each needed source row horizontally once, then combines rows.
//
// Its sums are grouped differently from the per-cell definition, so they differ from it by a few
// rounding errors. A value that far from a half rounds to the same byte either way; values closer
// than that are recomputed cell by cell in the defining order, which keeps the bytes identical.

#include "imaging/bitmap_utils.h"

#include "imaging/resample_detail.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <immintrin.h>

namespace kalidor {

namespace detail {

namespace {
std::atomic<bool> wideVectors{__builtin_cpu_supports("avx2") != 0};
}  // namespace

bool UseWideVectors(bool wanted) {
    const bool possible = __builtin_cpu_supports("avx2") != 0;
    wideVectors = wanted && possible;
    return wideVectors;
}

}  // namespace detail

namespace {

using detail::CellOverlap;
using detail::floorToInt;
using detail::overlapOf;

// The interval of output index o in source coordinates, pixel centres at integers.
struct Interval {
    double a;
    double b;
};

Interval intervalOf(int o, double k) { return {o * k - 0.5, (o + 1) * k - 0.500001}; }

struct Scales {
    double kx;
    double ky;
    double area;
};

// One output pixel computed cell by cell, in the order the sums are defined in.
void exactPixel(const Bitmap& src, int x, int y, const Scales& s, std::uint8_t* d) {
    const int w = src.width();
    const int h = src.height();
    const Interval ix = intervalOf(x, s.kx);
    const Interval iy = intervalOf(y, s.ky);
    std::array<double, 3> sum{0.0, 0.0, 0.0};
    // Floor on the ends of both intervals.
    const int lastRow = floorToInt(iy.b);
    const int lastColumn = floorToInt(ix.b);
    for (int j = floorToInt(iy.a); j <= lastRow; ++j) {
        const std::uint8_t* upper = src.row(j < 0 ? 0 : j);
        const std::uint8_t* lower = src.row(j + 1 > h - 1 ? h - 1 : j + 1);
        const CellOverlap oy = overlapOf(j, iy.a, iy.b);
        for (int i = floorToInt(ix.a); i <= lastColumn; ++i) {
            const int left = 3 * (i < 0 ? 0 : i);
            const int right = 3 * (i + 1 > w - 1 ? w - 1 : i + 1);
            const CellOverlap ox = overlapOf(i, ix.a, ix.b);
            const double ux = ox.middle;
            const double vy = oy.middle;
            for (int ch = 0; ch < 3; ++ch) {
                const int c00 = upper[left + ch];
                const int c10 = upper[right + ch];
                const int c01 = lower[left + ch];
                const int c11 = lower[right + ch];
                sum[ch] += ox.weight * oy.weight *
                           (c00 + (c10 - c00) * ux + (c01 - c00) * vy + (c11 + c00 - c10 - c01) * ux * vy);
            }
        }
    }
    for (int ch = 0; ch < 3; ++ch)
        d[ch] = detail::roundToByte(sum[ch] / s.area);  // Round halves to even
}

// Per output index of one axis: the first source index and `taps` weights, zero-padded so that
// every index reads the same number of source samples.
struct SeparableAxis {
    int taps = 1;
    bool negative = false;  // some weight below zero: an interval shorter than its 0.000001 cut
    std::vector<int> first;
    std::vector<double> weight;  // taps per output index
};

SeparableAxis separableAxis(int start, int count, int sourceSize, double k, double scale) {
    SeparableAxis axis;
    axis.first.resize(count);
    std::vector<int> lowest(count);
    std::vector<std::vector<double>> local(count);
    for (int o = 0; o < count; ++o) {
        const Interval iv = intervalOf(start + o, k);
        const int firstCell = floorToInt(iv.a);  // Floor
        const int lastCell = floorToInt(iv.b);   // Floor
        const int lo = std::clamp(firstCell, 0, sourceSize - 1);
        const int hi = std::clamp(lastCell + 1, 0, sourceSize - 1);
        lowest[o] = lo;
        local[o].assign(static_cast<std::size_t>(std::max(hi - lo + 1, 1)), 0.0);
        for (int i = firstCell; i <= lastCell; ++i) {
            const int leftIndex = std::clamp(i, 0, sourceSize - 1);
            const int rightIndex = std::clamp(i + 1, 0, sourceSize - 1);
            const CellOverlap ov = overlapOf(i, iv.a, iv.b);
            local[o][leftIndex - lo] += ov.weight * (1.0 - ov.middle);
            local[o][rightIndex - lo] += ov.weight * ov.middle;
            axis.negative |= ov.weight < 0.0;
        }
        axis.taps = std::max(axis.taps, static_cast<int>(local[o].size()));
    }
    axis.weight.assign(static_cast<std::size_t>(count) * axis.taps, 0.0);
    for (int o = 0; o < count; ++o) {
        // Near the far edge start earlier so that all taps stay inside the source.
        const int first = std::min(lowest[o], sourceSize - axis.taps);
        axis.first[o] = first;
        double* w = &axis.weight[static_cast<std::size_t>(o) * axis.taps];
        for (std::size_t t = 0; t < local[o].size(); ++t)
            w[lowest[o] - first + static_cast<int>(t)] = local[o][t] * scale;
    }
    return axis;
}

// Two doubles at a time; GCC and Clang map this onto SIMD registers where the target has them.
using Pair = double __attribute__((vector_size(16)));

Pair loadPair(const double* p) {
    Pair v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void storePair(double* p, Pair v) { std::memcpy(p, &v, sizeof v); }

// One source row filtered horizontally: three doubles (blue, green, red) per output column, from
// the row's samples as doubles starting at the first column any output reads.
template <int Taps>
void filterRowFixed(const double* samples, const SeparableAxis& columns, int taps, double* out) {
    const int n = static_cast<int>(columns.first.size());
    const int base = columns.first[0];
    const double* w = columns.weight.data();
    for (int x = 0; x < n; ++x, w += taps, out += 3) {
        const double* p = samples + 3 * (columns.first[x] - base);
        Pair blueGreen = w[0] * loadPair(p);
        double red = w[0] * p[2];
        for (int t = 1; t < (Taps > 0 ? Taps : taps); ++t) {
            blueGreen += w[t] * loadPair(p + 3 * t);
            red += w[t] * p[3 * t + 2];
        }
        storePair(out, blueGreen);
        out[2] = red;
    }
}

// Four doubles at a time on processors with AVX2. Every lane sees the same multiplications and
// additions in the same order as above (no fused multiply-add), so the values are the same.
using Quad = double __attribute__((vector_size(32)));

__attribute__((target("avx2"))) inline Quad loadQuad(const double* p) {
    Quad v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

__attribute__((target("avx2"))) inline void storeQuad(double* p, Quad v) { std::memcpy(p, &v, sizeof v); }

// As filterRowFixed with blue, green and red in one register; the fourth lane reads the next
// sample and its result is overwritten by the next column, or lands in the slot's spare double.
template <int Taps>
__attribute__((target("avx2"))) void filterRowWide(const double* samples, const SeparableAxis& columns, int taps,
                                                   double* out) {
    const int n = static_cast<int>(columns.first.size());
    const int base = columns.first[0];
    const double* w = columns.weight.data();
    for (int x = 0; x < n; ++x, w += taps, out += 3) {
        const double* p = samples + 3 * (columns.first[x] - base);
        Quad sum = w[0] * loadQuad(p);
        for (int t = 1; t < (Taps > 0 ? Taps : taps); ++t)
            sum += w[t] * loadQuad(p + 3 * t);
        storeQuad(out, sum);
    }
}

__attribute__((target("avx2"))) void filterRowWide(const double* samples, const SeparableAxis& columns,
                                                   double* out) {
    switch (columns.taps) {
    case 1: filterRowWide<1>(samples, columns, 1, out); break;
    case 2: filterRowWide<2>(samples, columns, 2, out); break;
    case 3: filterRowWide<3>(samples, columns, 3, out); break;
    case 4: filterRowWide<4>(samples, columns, 4, out); break;
    default: filterRowWide<0>(samples, columns, columns.taps, out); break;
    }
}

__attribute__((target("avx2"))) void bytesToDoublesWide(const std::uint8_t* bytes, std::size_t count,
                                                        double* out) {
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        std::int32_t four;
        std::memcpy(&four, bytes + i, sizeof four);
        _mm256_storeu_pd(out + i, _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(four))));
    }
    for (; i < count; ++i)
        out[i] = bytes[i];
}

void filterRow(const double* samples, const SeparableAxis& columns, double* out) {
    if (detail::wideVectors.load(std::memory_order_relaxed))
        return filterRowWide(samples, columns, out);
    switch (columns.taps) {
    case 1: filterRowFixed<1>(samples, columns, 1, out); break;
    case 2: filterRowFixed<2>(samples, columns, 2, out); break;
    case 3: filterRowFixed<3>(samples, columns, 3, out); break;
    case 4: filterRowFixed<4>(samples, columns, 4, out); break;
    default: filterRowFixed<0>(samples, columns, columns.taps, out); break;
    }
}

// Horizontally filtered source rows. Consecutive output rows share at most the last two rows of
// the previous one, and rows are asked for in increasing order, so a few slots avoid refiltering.
class FilteredRows {
public:
    FilteredRows(const Bitmap& src, const SeparableAxis& columns)
        : src_(src),
          columns_(columns),
          firstByte_(3 * static_cast<std::size_t>(columns.first.front())),
          count_(3 * static_cast<std::size_t>(columns.first.back() + columns.taps - columns.first.front())),
          samples_(count_ + 1) {  // the spare double: a wide filter reads one sample past the last
        const std::size_t length = 3 * columns.first.size() + 1;  // and writes one past the last
        for (Slot& slot : slots_)
            slot.values.resize(length);
    }

    const double* get(int sourceRow) {
        Slot& slot = slots_[static_cast<std::size_t>(sourceRow) % slots_.size()];
        if (slot.row != sourceRow) {
            const std::uint8_t* bytes = src_.row(sourceRow) + firstByte_;
            if (detail::wideVectors.load(std::memory_order_relaxed)) {
                bytesToDoublesWide(bytes, count_, samples_.data());
            } else {
                for (std::size_t i = 0; i < count_; ++i)
                    samples_[i] = bytes[i];
            }
            filterRow(samples_.data(), columns_, slot.values.data());
            slot.row = sourceRow;
        }
        return slot.values.data();
    }

private:
    struct Slot {
        int row = -1;
        std::vector<double> values;
    };
    const Bitmap& src_;
    const SeparableAxis& columns_;
    std::size_t firstByte_;
    std::size_t count_;
    std::vector<double> samples_;
    std::array<Slot, 4> slots_;
};

// Adding 1.5 * 2^52 rounds v to an integer in the default rounding mode, which is Round (halves
// to even), for |v| < 2^51; the integer is then the low bits of the sum's representation.
constexpr double kRoundingShift = 6755399441055744.0;

std::uint8_t lowByte(double shifted) {
    std::uint64_t bits;
    std::memcpy(&bits, &shifted, sizeof bits);
    return static_cast<std::uint8_t>(bits);
}

// 1 when v lies within about `tolerance` of a half, else 0: Round of v - tolerance and of
// v + tolerance then differ. Plain arithmetic, so that a row of them adds up without branches.
template <typename T>
T nearHalf(T v, double tolerance) {
    return ((v + tolerance) + kRoundingShift) - ((v - tolerance) + kRoundingShift);
}

// The weighted sum of Count filtered rows at k, added to acc when Accumulate, in row order.
template <int Count, bool Accumulate>
Pair weightedPair(const double* acc, std::size_t k, const Pair* w, const double* const* h) {
    Pair sum = Accumulate ? loadPair(acc + k) : Pair{0.0, 0.0};
    if constexpr (Count >= 1)
        sum = Accumulate ? sum + w[0] * loadPair(h[0] + k) : w[0] * loadPair(h[0] + k);
    if constexpr (Count >= 2)
        sum += w[1] * loadPair(h[1] + k);
    if constexpr (Count >= 3)
        sum += w[2] * loadPair(h[2] + k);
    if constexpr (Count >= 4)
        sum += w[3] * loadPair(h[3] + k);
    return sum;
}

template <int Count, bool Accumulate>
double weightedValue(const double* acc, std::size_t k, const double* w, const double* const* h) {
    double sum = Accumulate ? acc[k] : 0.0;
    for (int t = 0; t < Count; ++t)
        sum += w[t] * h[t][k];
    return sum;
}

// The values past the last whole vector, one at a time; adds the near-half flags to `any`.
template <int Count, bool Accumulate, bool Finish>
bool combineTail(double* acc, std::size_t k, std::size_t length, const double* weights, const double* const* h,
                 double tolerance, std::uint8_t* out, double any) {
    for (; k < length; ++k) {
        acc[k] = weightedValue<Count, Accumulate>(acc, k, weights, h);
        if constexpr (Finish) {
            out[k] = lowByte(acc[k] + kRoundingShift);
            any += nearHalf(acc[k], tolerance);
        }
    }
    return any != 0.0;
}

// acc = (acc +) the weighted sum of Count filtered rows. With Finish, also writes Round (halves to
// even) of every value as a byte to `out` and reports whether some value is near a half, whose
// byte must then be recomputed exactly. No weight is negative here, so the values lie in [0, 255]
// up to rounding errors and the low byte of the rounded value is the clamped one.
template <int Count, bool Accumulate, bool Finish>
bool combineRowsFixed(double* acc, std::size_t length, const double* weights, const double* const* h,
                      double tolerance, std::uint8_t* out) {
    Pair w[4];
    for (int t = 0; t < 4; ++t)
        w[t] = Pair{weights[t], weights[t]};
    Pair near{0.0, 0.0};
    std::size_t k = 0;
    for (; k + 2 <= length; k += 2) {
        const Pair x = weightedPair<Count, Accumulate>(acc, k, w, h);
        storePair(acc + k, x);
        if constexpr (Finish) {
            const Pair shifted = x + kRoundingShift;
            near += nearHalf(x, tolerance);
            out[k] = lowByte(shifted[0]);
            out[k + 1] = lowByte(shifted[1]);
        }
    }
    double any = near[0] + near[1];
    return combineTail<Count, Accumulate, Finish>(acc, k, length, weights, h, tolerance, out, any);
}

template <int Count, bool Accumulate>
__attribute__((target("avx2"))) Quad weightedQuad(const double* acc, std::size_t k, const Quad* w,
                                                  const double* const* h) {
    Quad sum = Accumulate ? loadQuad(acc + k) : Quad{0.0, 0.0, 0.0, 0.0};
    if constexpr (Count >= 1)
        sum = Accumulate ? sum + w[0] * loadQuad(h[0] + k) : w[0] * loadQuad(h[0] + k);
    if constexpr (Count >= 2)
        sum += w[1] * loadQuad(h[1] + k);
    if constexpr (Count >= 3)
        sum += w[2] * loadQuad(h[2] + k);
    if constexpr (Count >= 4)
        sum += w[3] * loadQuad(h[3] + k);
    return sum;
}

// combineRowsFixed four values at a time.
template <int Count, bool Accumulate, bool Finish>
__attribute__((target("avx2"))) bool combineRowsWide(double* acc, std::size_t length, const double* weights,
                                                     const double* const* h, double tolerance, std::uint8_t* out) {
    Quad w[4];
    for (int t = 0; t < 4; ++t)
        w[t] = Quad{weights[t], weights[t], weights[t], weights[t]};
    Quad near{0.0, 0.0, 0.0, 0.0};
    std::size_t k = 0;
    for (; k + 4 <= length; k += 4) {
        const Quad x = weightedQuad<Count, Accumulate>(acc, k, w, h);
        storeQuad(acc + k, x);
        if constexpr (Finish) {
            const Quad shifted = x + kRoundingShift;
            near += ((x + tolerance) + kRoundingShift) - ((x - tolerance) + kRoundingShift);
            // The low byte of each lane's bits: the rounded value.
            const __m256i bits = _mm256_castpd_si256(static_cast<__m256d>(shifted));
            const __m256i packed = _mm256_shuffle_epi8(
                bits, _mm256_setr_epi8(0, 8, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 8, -1, -1, -1,
                                       -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1));
            const std::uint32_t low = static_cast<std::uint32_t>(_mm256_extract_epi16(packed, 0)) |
                                      static_cast<std::uint32_t>(_mm256_extract_epi16(packed, 8)) << 16;
            std::memcpy(out + k, &low, sizeof low);
        }
    }
    double any = (near[0] + near[1]) + (near[2] + near[3]);
    return combineTail<Count, Accumulate, Finish>(acc, k, length, weights, h, tolerance, out, any);
}

template <bool Accumulate, bool Finish>
__attribute__((target("avx2"))) bool combineRowsWideAs(double* acc, std::size_t length, const double* w,
                                                       const double* const* h, int count, double tolerance,
                                                       std::uint8_t* out) {
    switch (count) {
    case 0: return combineRowsWide<0, Accumulate, Finish>(acc, length, w, h, tolerance, out);
    case 1: return combineRowsWide<1, Accumulate, Finish>(acc, length, w, h, tolerance, out);
    case 2: return combineRowsWide<2, Accumulate, Finish>(acc, length, w, h, tolerance, out);
    case 3: return combineRowsWide<3, Accumulate, Finish>(acc, length, w, h, tolerance, out);
    default: return combineRowsWide<4, Accumulate, Finish>(acc, length, w, h, tolerance, out);
    }
}

template <bool Accumulate, bool Finish>
bool combineRowsAs(double* acc, std::size_t length, const double* w, const double* const* h, int count,
                   double tolerance, std::uint8_t* out) {
    switch (count) {
    case 0: return combineRowsFixed<0, Accumulate, Finish>(acc, length, w, h, tolerance, out);
    case 1: return combineRowsFixed<1, Accumulate, Finish>(acc, length, w, h, tolerance, out);
    case 2: return combineRowsFixed<2, Accumulate, Finish>(acc, length, w, h, tolerance, out);
    case 3: return combineRowsFixed<3, Accumulate, Finish>(acc, length, w, h, tolerance, out);
    default: return combineRowsFixed<4, Accumulate, Finish>(acc, length, w, h, tolerance, out);
    }
}

// Up to four rows at a time; `accumulate` adds to the batches before, `out` (when given) receives
// the bytes of the last batch.
bool combineRows(double* acc, std::size_t length, const double* w, const double* const* h, int count,
                 bool accumulate, double tolerance, std::uint8_t* out) {
    if (detail::wideVectors.load(std::memory_order_relaxed)) {
        if (out == nullptr) {
            return accumulate ? combineRowsWideAs<true, false>(acc, length, w, h, count, tolerance, out)
                              : combineRowsWideAs<false, false>(acc, length, w, h, count, tolerance, out);
        }
        return accumulate ? combineRowsWideAs<true, true>(acc, length, w, h, count, tolerance, out)
                          : combineRowsWideAs<false, true>(acc, length, w, h, count, tolerance, out);
    }
    if (out == nullptr) {
        return accumulate ? combineRowsAs<true, false>(acc, length, w, h, count, tolerance, out)
                          : combineRowsAs<false, false>(acc, length, w, h, count, tolerance, out);
    }
    return accumulate ? combineRowsAs<true, true>(acc, length, w, h, count, tolerance, out)
                      : combineRowsAs<false, true>(acc, length, w, h, count, tolerance, out);
}

Bitmap bilinearWindow(const char* routine, const Bitmap& source, int outputWidth, int outputHeight, int left,
                      int top, int width, int height) {
    const std::string name = routine;
    KALIDOR_RESAMPLE_REQUIRE_AT(detail::kResizeBilinearLine, source.width() >= 1 && source.height() >= 1,
                                name + " needs a source of at least 1 x 1");
    KALIDOR_RESAMPLE_REQUIRE_AT(detail::kResizeBilinearLine, outputWidth >= 1 && outputHeight >= 1,
                                name + " needs an output of at least 1 x 1");
    KALIDOR_RESAMPLE_REQUIRE(width >= 1 && height >= 1 && left >= 0 && top >= 0 &&
                                 std::int64_t{left} + width <= outputWidth &&
                                 std::int64_t{top} + height <= outputHeight,
                             name + " needs a window of at least 1 x 1 inside the output");

    const Scales scales{static_cast<double>(source.width()) / outputWidth,
                        static_cast<double>(source.height()) / outputHeight,
                        static_cast<double>(source.width()) * source.height() / outputWidth / outputHeight};
    // An interval covers at most floor(k) + 2 cells per axis and each cell adds a few roundings of
    // values below 256, so both sums stay far closer than this to the true value (measured: under
    // 3e-13 where this is at least 4e-9). Depending only on the scales, it makes a window take the
    // same decisions as the whole picture.
    const double tolerance = 1e-9 * (scales.kx + 2.0) * (scales.ky + 2.0);

    Bitmap out(width, height, 24);
    Bitmap converted;
    const Bitmap* srcPtr = &source;
    if (source.bitsPerPixel() != 24) {
        converted = source.toBgr24();
        srcPtr = &converted;
    }
    const Bitmap& src = *srcPtr;

    const SeparableAxis columns = separableAxis(left, width, src.width(), scales.kx, 1.0);
    // The row weights carry the division by the area.
    const SeparableAxis rows = separableAxis(top, height, src.height(), scales.ky, 1.0 / scales.area);
    if (columns.negative || rows.negative) {
        // Sums of mixed signs may leave [0, 255] and lose the error bound: take every pixel exactly.
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                exactPixel(src, left + x, top + y, scales, out.row(y) + 3 * static_cast<std::size_t>(x));
        return out;
    }
    FilteredRows filtered(src, columns);
    const std::size_t length = 3 * static_cast<std::size_t>(width);
    std::vector<double> acc(length);

    for (int y = 0; y < height; ++y) {
        const double* wy = &rows.weight[static_cast<std::size_t>(y) * rows.taps];
        std::array<const double*, 4> lines{};
        std::array<double, 4> weights{};
        int used = 0;
        bool accumulate = false;
        for (int t = 0; t < rows.taps; ++t) {
            if (wy[t] == 0.0)
                continue;  // padding, or a row the interval does not reach
            if (used == 4) {
                combineRows(acc.data(), length, weights.data(), lines.data(), used, accumulate, tolerance, nullptr);
                used = 0;
                accumulate = true;
            }
            lines[used] = filtered.get(rows.first[y] + t);
            weights[used++] = wy[t];
        }
        std::uint8_t* d = out.row(y);
        if (combineRows(acc.data(), length, weights.data(), lines.data(), used, accumulate, tolerance, d)) {
            for (int x = 0; x < width; ++x) {
                const std::size_t at = 3 * static_cast<std::size_t>(x);
                const double near = nearHalf(acc[at], tolerance) + nearHalf(acc[at + 1], tolerance) +
                                    nearHalf(acc[at + 2], tolerance);
                if (near != 0.0)
                    exactPixel(src, left + x, top + y, scales, d + at);
            }
        }
    }
    return out;
}

}  // namespace

Bitmap ResizeBilinear(const Bitmap& source, int outputWidth, int outputHeight) {
    return bilinearWindow("ResizeBilinear", source, outputWidth, outputHeight, 0, 0, outputWidth, outputHeight);
}

Bitmap ResizeBilinearWindow(const Bitmap& source, int outputWidth, int outputHeight, int left, int top, int width,
                            int height) {
    return bilinearWindow("ResizeBilinearWindow", source, outputWidth, outputHeight, left, top, width, height);
}

}  // namespace kalidor
