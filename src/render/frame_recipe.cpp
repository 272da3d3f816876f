#include "render/frame_recipe.h"

#include "model/pic_object.h"

#include <algorithm>
#include <cmath>

namespace kalidor {
namespace {

// Round: nearest, halves to even. Ceil: toward plus infinity. Trunc: toward zero.
int roundEven(double v) { return static_cast<int>(std::nearbyint(v)); }
int ceilOf(double v) { return static_cast<int>(std::ceil(v)); }
int truncOf(double v) { return static_cast<int>(std::trunc(v)); }

constexpr int kPhaseFrames = 30;

// Clips the ranges to [0, extent), drops empty ones and merges touching ones, so that the same
// pixels always give the same recipe. A frame showing the whole picture becomes columns
// [0, width) whichever way it was reached.
FrameRecipe spansRecipe(std::vector<Span> spans, bool rows, int width, int height) {
    const int extent = rows ? height : width;
    std::vector<Span> clipped;
    for (Span s : spans) {
        s.begin = std::max(s.begin, 0);
        s.end = std::min(s.end, extent);
        if (s.begin < s.end)
            clipped.push_back(s);
    }
    std::sort(clipped.begin(), clipped.end(), [](Span a, Span b) { return a.begin < b.begin; });
    std::vector<Span> merged;
    for (Span s : clipped) {
        if (!merged.empty() && s.begin <= merged.back().end)
            merged.back().end = std::max(merged.back().end, s.end);
        else
            merged.push_back(s);
    }
    FrameRecipe r;
    r.kind = FrameRecipe::Kind::Spans;
    r.rows = rows;
    if (merged.empty() || (merged.size() == 1 && merged[0].begin == 0 && merged[0].end == extent)) {
        r.rows = false;
        if (!merged.empty())
            merged = {{0, width}};
    }
    r.spans = std::move(merged);
    return r;
}

FrameRecipe wholePicture(int width, int height) { return spansRecipe({{0, width}}, false, width, height); }

}  // namespace

int FramesOfPicture(std::int32_t displayTime) {
    return displayTime > 0 ? static_cast<int>(std::min<std::int64_t>(displayTime, 1 << 24)) * FRAME_RATE : 0;
}

EffectPlan PlanStill(int width, int height, int frameCount) {
    EffectPlan plan;
    plan.frames.assign(static_cast<std::size_t>(std::max(frameCount, 0)), wholePicture(width, height));
    return plan;
}

EffectPlan PlanZoom(int width, int height, int frameCount, bool reversed) {
    EffectPlan plan;
    plan.reversed = reversed;
    const int n = frameCount;
    const int m = n - 2 * kPhaseFrames;  // the held middle: (DisplayTime - 2) x 30
    int sw = roundEven(width / 3.0), sh = roundEven(height / 3.0);
    int dx = roundEven((width - sw) / 30.0), dy = roundEven((height - sh) / 30.0);
    if (dx % 2 != 0)
        ++dx;  // an odd step is made even
    if (dy % 2 != 0)
        ++dy;
    int cx0 = 0, cy0 = 0;
    int phase = 1;
    for (int k = 0; k < n; ++k) {
        FrameRecipe r;
        r.kind = FrameRecipe::Kind::Zoom;
        // The resampler needs at least one pixel a side; only absurd frame sizes get here.
        r.zoomWidth = std::max(sw, 1);
        r.zoomHeight = std::max(sh, 1);
        // Ceil of a half difference: -5 / 2 gives -2.
        r.left = ceilOf((width - r.zoomWidth) / 2.0);
        r.top = ceilOf((height - r.zoomHeight) / 2.0);
        if (phase == 1) {
            r.scaled = true;
            r.brightness = (k + 1) / 30.0;
        } else if (phase == 3) {
            r.scaled = true;
            r.brightness = (n - k) / 30.0;
        }
        plan.frames.push_back(r);

        // The size grows by the step in force during frame k; then the next step is set.
        sw += dx;
        sh += dy;
        if (30 < k && k < 30 + m) {
            phase = 2;
            dy = std::max(roundEven(height * 0.001), 1);
            dx = std::max(roundEven(width * 0.001), 1);
            // An odd slow step alternates between 0 and step + 1, starting with 0.
            if (dy % 2 != 0) {
                if (cy0 == 0) {
                    cy0 = dy;
                    dy = 0;
                } else {
                    cy0 = 0;
                    dy += 1;
                }
            }
            if (dx % 2 != 0) {
                if (cx0 == 0) {
                    cx0 = dx;
                    dx = 0;
                } else {
                    cx0 = 0;
                    dx += 1;
                }
            }
        } else if (k == 30 + m) {
            phase = 3;
            dx = ceilOf((3.0 * width - sw) / 30.0);
            dy = ceilOf((3.0 * height - sh) / 30.0);
        }
    }
    return plan;
}

EffectPlan PlanCurtain(int width, int height, int frameCount, bool reversed) {
    EffectPlan plan;
    plan.reversed = reversed;
    const int n = frameCount;
    const int m = n - 2 * kPhaseFrames;
    const int fullStep = ceilOf((width + 100) / 30.0);
    int right = -100, rightStep = fullStep;
    int left = 0, leftStep = 0;
    int phase = 1;
    for (int k = 0; k < n; ++k) {
        std::vector<Span> spans{{left, right + 10}};
        // Bands of widths 9, 8, ... 1 with growing gaps comb the moving edge.
        if (phase == 1)
            for (int i = 1; i <= 10; ++i)
                spans.push_back({right + 10 * i, right + 10 * i + 10 - i});
        else if (phase == 3)
            for (int i = 1; i <= 10; ++i)
                spans.push_back({left - 10 * i, left - 10 * i + 10 - i});
        plan.frames.push_back(spansRecipe(std::move(spans), false, width, height));

        right += rightStep;
        left += leftStep;
        if (k == 30) {
            phase = 2;
            rightStep = 0;
        } else if (k == 30 + m) {
            phase = 3;
            leftStep = fullStep;
        }
    }
    return plan;
}

EffectPlan PlanBlind(int width, int height, int frameCount, bool horizontal) {
    EffectPlan plan;
    const int n = frameCount;
    const int m = n - 2 * kPhaseFrames;
    // apBlindHorizon moves columns, apBlindVertical rows.
    const int extent = horizontal ? width : height;
    const double slat = extent / 20.0;
    const double growth = slat / 30.0;
    int phase = 1;
    for (int k = 0; k < n; ++k) {
        if (phase == 2) {
            plan.frames.push_back(wholePicture(width, height));
        } else {
            std::vector<Span> spans;
            for (int i = 0; i < 20; ++i) {
                if (phase == 1) {
                    spans.push_back({truncOf(i * slat), truncOf(i * slat + k * growth)});
                } else {
                    const int e = 30 - (n - k);
                    spans.push_back({ceilOf(i * slat + e * growth), ceilOf((i + 1) * slat)});
                }
            }
            plan.frames.push_back(spansRecipe(std::move(spans), !horizontal, width, height));
        }
        if (k == 29)
            phase = 2;
        else if (k == 29 + m)
            phase = 3;
    }
    return plan;
}

EffectPlan PlanForAction(std::uint8_t picAction, int width, int height, int frameCount) {
    switch (picAction) {
    case apZoomIN: return PlanZoom(width, height, frameCount, false);
    case apZoomOut: return PlanZoom(width, height, frameCount, true);
    case apCurtainLeft: return PlanCurtain(width, height, frameCount, false);
    case apCurtainRight: return PlanCurtain(width, height, frameCount, true);
    case apBlindHorizon: return PlanBlind(width, height, frameCount, true);
    case apBlindVertical: return PlanBlind(width, height, frameCount, false);
    default: return PlanStill(width, height, frameCount);
    }
}

}  // namespace kalidor
