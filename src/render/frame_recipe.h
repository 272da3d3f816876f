#pragma once
// What one frame of a picture effect shows, worked out before any pixel is touched.
//
// Every effect is a small state machine over the frame index; running it ahead gives one
// recipe per frame, so frames can then be composed in any order and on any thread. Recipes
// are normalised (clipped to the frame, empty ranges dropped, the whole picture always written
// the same way), so equal recipes mean identical frames.

#include "actions/action_types.h"

#include <cstdint>
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

// Frame count of a picture: DisplayTime x 30; a display time below 0 gives no frames.
int FramesOfPicture(std::int32_t displayTime);

EffectPlan PlanStill(int width, int height, int frameCount);
EffectPlan PlanZoom(int width, int height, int frameCount, bool reversed);
EffectPlan PlanCurtain(int width, int height, int frameCount, bool reversed);
EffectPlan PlanBlind(int width, int height, int frameCount, bool horizontal);

// The plan for a picture action; a value outside the known actions is shown as a still picture.
EffectPlan PlanForAction(std::uint8_t picAction, int width, int height, int frameCount);

}  // namespace kalidor
