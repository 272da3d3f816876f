#pragma once
// The picture and text actions a picture can carry, one byte each; 0 means no action.
// Values outside the enumerations can come from a project file and are kept as they are.

#include <cstdint>

namespace kalidor {

enum TActionTypePic : std::uint8_t {
    apNone = 0,
    apZoomIN = 1,
    apZoomOut = 2,
    apCurtainLeft = 3,
    apCurtainRight = 4,
    apBlindHorizon = 5,
    apBlindVertical = 6,
};

enum TActionTypeStr : std::uint8_t {
    asNone = 0,
    asCenterL = 1,
    asCenterC = 2,
    asCenterR = 3,
    asTopL = 4,
    asTopC = 5,
    asTopR = 6,
    asBottomL = 7,
    asBottomC = 8,
    asBottomR = 9,
};

}  // namespace kalidor
