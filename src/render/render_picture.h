#pragma once
// Rendering one fitted picture into its run of numbered JPEG frames, as its picture action
// says, with its caption on every frame; and the closing black frames of a movie.

#include "model/pic_object.h"
#include "imaging/bitmap.h"
#include "render/frame_progress.h"
#include "render/frame_window.h"

#include <string>

namespace kalidor {

struct RenderOptions {
    int workers = 0;  // frame workers; 0 means one per core
    bool resampleWholeZoom = false;  // for measurements only: same bytes, more work
    FrameWindow* window = nullptr;   // how far the frames may run ahead of their reader
};

// Writes DisplayTime x 30 frames of `fitted` (movie size, 24-bit) into `folder` from frame
// number `firstFrame`. Returns the next free frame number, or -1 when a cancel (or a closed
// window) stopped it. A
// picture action outside the known ones renders as a still picture. Raises kalidor::Error when
// a frame cannot be written.
int RenderPicture(const Bitmap& fitted, const std::string& folder, const TThPicObject& picture, int firstFrame,
                  FrameProgress& progress, const RenderOptions& options = {});

// The renderers RenderPicture chooses from, by picture action.
int RenderStill(const Bitmap& fitted, const std::string& folder, const TThPicObject& picture, int firstFrame,
                FrameProgress& progress, const RenderOptions& options = {});
int RenderZoom(const Bitmap& fitted, const std::string& folder, const TThPicObject& picture, int firstFrame,
               FrameProgress& progress, const RenderOptions& options = {});
int RenderCurtain(const Bitmap& fitted, const std::string& folder, const TThPicObject& picture, int firstFrame,
                  FrameProgress& progress, const RenderOptions& options = {});
int RenderBlind(const Bitmap& fitted, const std::string& folder, const TThPicObject& picture, int firstFrame,
                FrameProgress& progress, const RenderOptions& options = {});

// The three black frames that close a movie, at JPEG quality 90, from `firstFrame`; returns
// the number after them.
inline constexpr int kClosingFrames = 3;
int WriteClosingFrames(int width, int height, const std::string& folder, int firstFrame);

}  // namespace kalidor
