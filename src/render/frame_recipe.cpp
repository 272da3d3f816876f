#include "render/frame_recipe.h"

#include "model/pic_object.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>

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

using Step = std::function<FrameRecipe(int k)>;

// Each effect below is its state machine as one step per frame, called for k = 0, 1, ... in
// order; the state lives in the closure, so a plan can be worked out a piece at a time.

Step stillStep(int width, int height) {
    return [whole = wholePicture(width, height)](int) { return whole; };
}

Step zoomStep(int width, int height, int n) {
    struct State {
        int sw, sh, dx, dy, cx0 = 0, cy0 = 0, phase = 1;
    };
    const int m = n - 2 * kPhaseFrames;  // the held middle: (DisplayTime - 2) x 30
    State st{roundEven(width / 3.0), roundEven(height / 3.0), 0, 0};
    st.dx = roundEven((width - st.sw) / 30.0);
    st.dy = roundEven((height - st.sh) / 30.0);
    if (st.dx % 2 != 0)
        ++st.dx;  // an odd step is made even
    if (st.dy % 2 != 0)
        ++st.dy;
    return [st, width, height, n, m](int k) mutable {
        FrameRecipe r;
        r.kind = FrameRecipe::Kind::Zoom;
        // The resampler needs at least one pixel a side; only absurd frame sizes get here.
        r.zoomWidth = std::max(st.sw, 1);
        r.zoomHeight = std::max(st.sh, 1);
        // Ceil of a half difference: -5 / 2 gives -2.
        r.left = ceilOf((width - r.zoomWidth) / 2.0);
        r.top = ceilOf((height - r.zoomHeight) / 2.0);
        if (st.phase == 1) {
            r.scaled = true;
            r.brightness = (k + 1) / 30.0;
        } else if (st.phase == 3) {
            r.scaled = true;
            r.brightness = (n - k) / 30.0;
        }

        // The size grows by the step in force during frame k; then the next step is set.
        st.sw += st.dx;
        st.sh += st.dy;
        if (30 < k && k < 30 + m) {
            st.phase = 2;
            st.dy = std::max(roundEven(height * 0.001), 1);
            st.dx = std::max(roundEven(width * 0.001), 1);
            // An odd slow step alternates between 0 and step + 1, starting with 0.
            if (st.dy % 2 != 0) {
                if (st.cy0 == 0) {
                    st.cy0 = st.dy;
                    st.dy = 0;
                } else {
                    st.cy0 = 0;
                    st.dy += 1;
                }
            }
            if (st.dx % 2 != 0) {
                if (st.cx0 == 0) {
                    st.cx0 = st.dx;
                    st.dx = 0;
                } else {
                    st.cx0 = 0;
                    st.dx += 1;
                }
            }
        } else if (k == 30 + m) {
            st.phase = 3;
            st.dx = ceilOf((3.0 * width - st.sw) / 30.0);
            st.dy = ceilOf((3.0 * height - st.sh) / 30.0);
        }
        return r;
    };
}

Step curtainStep(int width, int height, int n) {
    const int m = n - 2 * kPhaseFrames;
    const int fullStep = ceilOf((width + 100) / 30.0);
    struct State {
        int right = -100, rightStep, left = 0, leftStep = 0, phase = 1;
    };
    State st;
    st.rightStep = fullStep;
    return [st, width, height, m, fullStep](int k) mutable {
        std::vector<Span> spans{{st.left, st.right + 10}};
        // Bands of widths 9, 8, ... 1 with growing gaps comb the moving edge.
        if (st.phase == 1)
            for (int i = 1; i <= 10; ++i)
                spans.push_back({st.right + 10 * i, st.right + 10 * i + 10 - i});
        else if (st.phase == 3)
            for (int i = 1; i <= 10; ++i)
                spans.push_back({st.left - 10 * i, st.left - 10 * i + 10 - i});
        FrameRecipe r = spansRecipe(std::move(spans), false, width, height);

        st.right += st.rightStep;
        st.left += st.leftStep;
        if (k == 30) {
            st.phase = 2;
            st.rightStep = 0;
        } else if (k == 30 + m) {
            st.phase = 3;
            st.leftStep = fullStep;
        }
        return r;
    };
}

Step blindStep(int width, int height, int n, bool horizontal) {
    const int m = n - 2 * kPhaseFrames;
    // apBlindHorizon moves columns, apBlindVertical rows.
    const int extent = horizontal ? width : height;
    const double slat = extent / 20.0;
    const double growth = slat / 30.0;
    return [phase = 1, width, height, n, m, horizontal, slat, growth](int k) mutable {
        FrameRecipe r;
        if (phase == 2) {
            r = wholePicture(width, height);
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
            r = spansRecipe(std::move(spans), !horizontal, width, height);
        }
        if (k == 29)
            phase = 2;
        else if (k == 29 + m)
            phase = 3;
        return r;
    };
}

EffectPlan wholePlan(std::uint8_t picAction, int width, int height, int frameCount) {
    EffectPlanner planner(picAction, width, height, frameCount);
    EffectPlan plan;
    plan.reversed = planner.Reversed();
    plan.frames = planner.Next(planner.FrameCount());
    return plan;
}

}  // namespace

int FramesOfPicture(std::int32_t displayTime) {
    return displayTime > 0 ? static_cast<int>(std::min<std::int64_t>(std::int64_t{displayTime} * FRAME_RATE, INT_MAX))
                           : 0;
}

EffectPlanner::EffectPlanner(std::uint8_t picAction, int width, int height, int frameCount)
    : frameCount_(std::max(frameCount, 0)) {
    switch (picAction) {
    case apZoomIN:
    case apZoomOut:
        step_ = zoomStep(width, height, frameCount_);
        reversed_ = picAction == apZoomOut;
        break;
    case apCurtainLeft:
    case apCurtainRight:
        step_ = curtainStep(width, height, frameCount_);
        reversed_ = picAction == apCurtainRight;
        break;
    case apBlindHorizon:
    case apBlindVertical: step_ = blindStep(width, height, frameCount_, picAction == apBlindHorizon); break;
    default: step_ = stillStep(width, height);
    }
}

std::vector<FrameRecipe> EffectPlanner::Next(int maxFrames) {
    std::vector<FrameRecipe> recipes;
    const int count = std::clamp(frameCount_ - next_, 0, std::max(maxFrames, 0));
    recipes.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        recipes.push_back(step_(next_++));
    return recipes;
}

EffectPlan PlanStill(int width, int height, int frameCount) { return wholePlan(apNone, width, height, frameCount); }

EffectPlan PlanZoom(int width, int height, int frameCount, bool reversed) {
    return wholePlan(reversed ? apZoomOut : apZoomIN, width, height, frameCount);
}

EffectPlan PlanCurtain(int width, int height, int frameCount, bool reversed) {
    return wholePlan(reversed ? apCurtainRight : apCurtainLeft, width, height, frameCount);
}

EffectPlan PlanBlind(int width, int height, int frameCount, bool horizontal) {
    return wholePlan(horizontal ? apBlindHorizon : apBlindVertical, width, height, frameCount);
}

EffectPlan PlanForAction(std::uint8_t picAction, int width, int height, int frameCount) {
    switch (picAction) {
    case apZoomIN:
    case apZoomOut:
    case apCurtainLeft:
    case apCurtainRight:
    case apBlindHorizon:
    case apBlindVertical: return wholePlan(picAction, width, height, frameCount);
    default: return wholePlan(apNone, width, height, frameCount);
    }
}

}  // namespace kalidor
