#pragma once
// Rendering one fitted picture into its run of numbered JPEG frames, as its picture action
// says, with its caption on every frame; and the closing black frames of a movie.

#include "model/pic_object.h"
#include "imaging/bitmap.h"
#include "render/frame_progress.h"
#include "render/frame_window.h"
#include "render/picture_frames.h"

#include <functional>
#include <string>

namespace kalidor {

struct RenderOptions {
    int workers = 0;  // frame workers; 0 means one per core
    bool resampleWholeZoom = false;  // for measurements only: same bytes, more work
    FrameWindow* window = nullptr;   // how far the frames may run ahead of their reader
    // Shown every frame number with the frame composed for it, before it is encoded (see
    // FrameWriterOptions::composed).
    std::function<void(int frameNumber, const Bitmap& frame)> composed = {};
};

// Writes the picture's frames into `folder` from frame number `firstFrame`. Returns the next
// free frame number, or -1 when a cancel (or a closed window) stopped it. Raises kalidor::Error
// when a frame cannot be written.
int RenderPictureFrames(const PictureFrames& frames, const std::string& folder, int firstFrame,
                        FrameProgress& progress, const RenderOptions& options = {});

// The same for `fitted` (movie size, 24-bit) and the picture's action, time and caption: a
// picture action outside the known ones renders as a still picture.
int RenderPicture(const Bitmap& fitted, const std::string& folder, const TThPicObject& picture, int firstFrame,
                  FrameProgress& progress, const RenderOptions& options = {});

// The three black frames that close a movie, at JPEG quality 90, from `firstFrame`; returns
// the number after them.
inline constexpr int kClosingFrames = 3;
int WriteClosingFrames(int width, int height, const std::string& folder, int firstFrame);

}  // namespace kalidor
