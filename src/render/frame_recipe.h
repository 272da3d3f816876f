#pragma once
// What one frame of a picture effect shows, worked out before any pixel is touched.
//
// Every effect is a small state machine over the frame index; running it ahead gives one
// recipe per frame, so frames can then be composed in any order and on any thread. Recipes
// are normalised (clipped to the frame, empty ranges dropped, the whole picture always written
// the same way), so equal recipes mean identical frames.

#include "model/action_types.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace kalidor {

struct Span {
    int begin = 0;
    int end = 0;
    bool operator==(const Span&) const = default;
};

struct FrameRecipe {
    enum class Kind : std::uint8_t {
        Spans,  // black, with these column (or row) ranges of the picture copied in place
        Zoom,   // the picture resampled to zoomWidth x zoomHeight, drawn at (left, top)
    };
    Kind kind = Kind::Spans;
    bool rows = false;  // Spans: the ranges are rows rather than columns
    std::vector<Span> spans;

    int zoomWidth = 0;
    int zoomHeight = 0;
    int left = 0;
    int top = 0;
    bool scaled = false;  // Zoom: brightness multiplied by `brightness`
    double brightness = 1.0;

    bool operator==(const FrameRecipe&) const = default;
};

struct EffectPlan {
    std::vector<FrameRecipe> frames;  // in computation order
    bool reversed = false;            // frame k is written as s + N - 1 - k
};

// Frame count of a picture: DisplayTime x 30 (at most INT_MAX); a display time below 1 gives
// no frames (exports refuse it before).
int FramesOfPicture(std::int32_t displayTime);

// A picture's recipes worked out a piece at a time, in computation order, so that a long
// display time costs no more memory than a short one. The Plan functions below give the whole
// plan at once, for short pictures and tests.
class EffectPlanner {
public:
    // A value outside the known actions plans a still picture.
    EffectPlanner(std::uint8_t picAction, int width, int height, int frameCount);
    int FrameCount() const noexcept { return frameCount_; }
    bool Reversed() const noexcept { return reversed_; }  // as EffectPlan::reversed
    int Planned() const noexcept { return next_; }
    // The next recipes, at most maxFrames; empty once all have been given.
    std::vector<FrameRecipe> Next(int maxFrames);

private:
    std::function<FrameRecipe(int k)> step_;
    int frameCount_;
    int next_ = 0;
    bool reversed_ = false;
};

EffectPlan PlanStill(int width, int height, int frameCount);
EffectPlan PlanZoom(int width, int height, int frameCount, bool reversed);
EffectPlan PlanCurtain(int width, int height, int frameCount, bool reversed);
EffectPlan PlanBlind(int width, int height, int frameCount, bool horizontal);

// The plan for a picture action; a value outside the known actions is shown as a still picture.
EffectPlan PlanForAction(std::uint8_t picAction, int width, int height, int frameCount);

}  // namespace kalidor
