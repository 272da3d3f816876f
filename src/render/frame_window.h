#pragma once
// How far frame writing may run ahead of whoever reads the frames: frame n may be written once
// the reader has taken the frames far enough below it. The frame writer asks before it takes
// frames; the export's encoder window (encoder_window.h) answers.
//
// Calls may come from several frame workers at once.

#include <chrono>

namespace kalidor {

class FrameWindow {
public:
    virtual ~FrameWindow() = default;

    enum class Room {
        Free,    // frame n may be written now
        Full,    // not yet: the reader is too far behind
        Closed,  // never: the reader has gone
    };
    // Whether frame `frameNumber` may be written, every frame below `writtenBelow` being written
    // (the reader cannot have taken one that is not).
    virtual Room RoomFor(int frameNumber, int writtenBelow) = 0;

    // Blocks until the answer of RoomFor may have changed, or `timeout` has passed.
    virtual void WaitForChange(std::chrono::milliseconds timeout) = 0;
};

}  // namespace kalidor
