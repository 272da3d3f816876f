#pragma once
// The size a picture takes fitted into a box, keeping its aspect: one side touches the box.

namespace kalidor {

struct FitSize {
    int width = 0;
    int height = 0;
    bool operator==(const FitSize&) const = default;
};

// Nearest (halves to even) of the aspect-kept side, at least 1: a very long, thin picture would
// round a side to 0, which no resampler takes.
FitSize FittedSize(int width, int height, int boxWidth, int boxHeight);

}  // namespace kalidor
