#include "render/encoder_window.h"

#include "render/frame_writer.h"

#include <cerrno>

#include <unistd.h>

namespace kalidor {

EncoderWindow::EncoderWindow(std::string folder, int size)
    : folder_(std::move(folder)), size_(size), watch_(folder_) {}

FrameWindow::Room EncoderWindow::RoomFor(int frameNumber, int writtenBelow) {
    if (closed_.load())
        return Room::Closed;
    // Frames are fed in order, so once this one is gone so are all below it; one that is not
    // there yet is not gone.
    const int behind = frameNumber - size_;
    if (behind < 1)
        return Room::Free;
    if (behind >= writtenBelow)
        return Room::Full;
    const bool gone = ::access((folder_ + FrameFileName(behind)).c_str(), F_OK) != 0 && errno == ENOENT;
    return gone ? Room::Free : Room::Full;
}

void EncoderWindow::WaitForChange(std::chrono::milliseconds timeout) {
    watch_.Wait(static_cast<int>(timeout.count()));
}

void EncoderWindow::Close() {
    closed_.store(true);
    watch_.StopWaiting();
}

}  // namespace kalidor
