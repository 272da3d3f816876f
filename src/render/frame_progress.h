#pragma once
// How frame rendering reports progress and learns of a cancel. The render thread implements
// it with its synchronized steps; tests implement it to count steps and to cancel.
// Calls are never concurrent: the frame workers take turns.

namespace kalidor {

class FrameProgress {
public:
    virtual ~FrameProgress() = default;
    // Shows the position of the frame about to be composed (and its counter), then advances it.
    virtual void ReportFrame() = 0;
    // Polls for the user's cancel; true stops the rendering.
    virtual bool CancelRequested() = 0;
};

}  // namespace kalidor
