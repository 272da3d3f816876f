#pragma once
// Slow, literal per-pixel versions of ResizeAverage and ResizeBilinear: every sum is formed cell by
// cell in the defining order, with nothing precomputed. The tests and the benchmark measure the
// engine's resamplers against these.

#include "imaging/bitmap.h"

#include <cmath>
#include <cstdint>

namespace kalidor::test {

// How the cell [i, i + 1] meets [a, b]: the covered length w and its middle u from the cell's start.
struct ReferenceOverlap {
    double w;
    double u;
};

inline ReferenceOverlap referenceOverlap(int i, double a, double b) {
    if (i > a && i + 1 < b)
        return {1.0, 0.5};
    if (i <= a && i + 1 < b)
        return {1.0 - (a - i), ((a - i) + 1.0) / 2.0};
    if (i > a && i + 1 >= b)
        return {b - i, (b - i) / 2.0};
    return {b - a, ((b - i) + (a - i)) / 2.0};
}

// Round (halves to even under the default rounding mode), clamped to a byte.
inline std::uint8_t referenceByte(double v) {
    double r = std::nearbyint(v);
    if (r < 0.0)
        r = 0.0;
    if (r > 255.0)
        r = 255.0;
    return static_cast<std::uint8_t>(r);
}

inline Bitmap ReferenceResizeAverage(const Bitmap& source, int outputWidth, int outputHeight) {
    const Bitmap src = source.toBgr24();
    const int W = src.width(), H = src.height();
    const float area = static_cast<float>(static_cast<double>(W) * H / outputWidth / outputHeight);
    const double kx = static_cast<double>(W) / outputWidth;
    const double ky = static_cast<double>(H) / outputHeight;
    Bitmap out(outputWidth, outputHeight, 24);
    for (int y = 0; y < outputHeight; ++y) {
        for (int x = 0; x < outputWidth; ++x) {
            const double x0 = x * kx, x1 = (x + 1) * kx - 0.000001;
            const double y0 = y * ky, y1 = (y + 1) * ky - 0.000001;
            double sum[3] = {0.0, 0.0, 0.0};
            // Floor of each end.
            for (int j = static_cast<int>(std::floor(y0)); j <= static_cast<int>(std::floor(y1)); ++j) {
                for (int i = static_cast<int>(std::floor(x0)); i <= static_cast<int>(std::floor(x1)); ++i) {
                    const double weight = referenceOverlap(i, x0, x1).w * referenceOverlap(j, y0, y1).w;
                    for (int ch = 0; ch < 3; ++ch)
                        sum[ch] += weight * src.row(j)[3 * i + ch];
                }
            }
            for (int ch = 0; ch < 3; ++ch)
                out.row(y)[3 * x + ch] = referenceByte(sum[ch] / area);
        }
    }
    return out;
}

inline Bitmap ReferenceResizeBilinear(const Bitmap& source, int outputWidth, int outputHeight) {
    const Bitmap src = source.toBgr24();
    const int W = src.width(), H = src.height();
    const double area = static_cast<double>(W) * H / outputWidth / outputHeight;
    const double kx = static_cast<double>(W) / outputWidth;
    const double ky = static_cast<double>(H) / outputHeight;
    Bitmap out(outputWidth, outputHeight, 24);
    for (int y = 0; y < outputHeight; ++y) {
        for (int x = 0; x < outputWidth; ++x) {
            const double x0 = x * kx - 0.5, x1 = (x + 1) * kx - 0.500001;
            const double y0 = y * ky - 0.5, y1 = (y + 1) * ky - 0.500001;
            double sum[3] = {0.0, 0.0, 0.0};
            // Floor of each end.
            for (int j = static_cast<int>(std::floor(y0)); j <= static_cast<int>(std::floor(y1)); ++j) {
                const int upper = j < 0 ? 0 : j;
                const int lower = j + 1 > H - 1 ? H - 1 : j + 1;
                for (int i = static_cast<int>(std::floor(x0)); i <= static_cast<int>(std::floor(x1)); ++i) {
                    const int left = i < 0 ? 0 : i;
                    const int right = i + 1 > W - 1 ? W - 1 : i + 1;
                    const ReferenceOverlap ox = referenceOverlap(i, x0, x1);
                    const ReferenceOverlap oy = referenceOverlap(j, y0, y1);
                    const double wx = ox.w, ux = ox.u, wy = oy.w, vy = oy.u;
                    for (int ch = 0; ch < 3; ++ch) {
                        const int c00 = src.row(upper)[3 * left + ch];
                        const int c10 = src.row(upper)[3 * right + ch];
                        const int c01 = src.row(lower)[3 * left + ch];
                        const int c11 = src.row(lower)[3 * right + ch];
                        sum[ch] += wx * wy *
                                   (c00 + (c10 - c00) * ux + (c01 - c00) * vy + (c11 + c00 - c10 - c01) * ux * vy);
                    }
                }
            }
            for (int ch = 0; ch < 3; ++ch)
                out.row(y)[3 * x + ch] = referenceByte(sum[ch] / area);
        }
    }
    return out;
}

}  // namespace kalidor::test
