#pragma once
// The window of frames an export keeps ahead of its encoder. The encoder entry follows the
// frames in the temporary folder and removes each one once it has fed it, so frame n may be
// written once frame n - size is gone: the folder then holds at most `size` frames (and those
// the workers have in hand). Close says that the encoder has ended and takes no more frames.

#include "encode/folder_watch.h"
#include "render/frame_window.h"

#include <atomic>
#include <string>

namespace kalidor {

class EncoderWindow final : public FrameWindow {
public:
    // Watches `folder` (ending in '/'). Throws kalidor::Error when it cannot be watched.
    EncoderWindow(std::string folder, int size);

    Room RoomFor(int frameNumber, int writtenBelow) override;
    void WaitForChange(std::chrono::milliseconds timeout) override;

    // The encoder has ended: every wait ends, and no frame has room any more. From any thread.
    void Close();

private:
    const std::string folder_;
    const int size_;
    FolderWatch watch_;
    std::atomic<bool> closed_{false};
};

}  // namespace kalidor
