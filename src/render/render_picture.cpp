#include "render/render_picture.h"

#include "imaging/drawing.h"
#include "imaging/jpeg_codec.h"
#include "render/caption.h"
#include "render/frame_composer.h"
#include "render/frame_recipe.h"
#include "render/frame_writer.h"

namespace kalidor {
namespace {

// Recipes are worked out and written this many frames at a time, so a picture's plan takes the
// same memory however long it is shown.
constexpr int kPlanChunkFrames = 4096;

}  // namespace

int RenderPictureFrames(const PictureFrames& frames, const std::string& folder, int firstFrame,
                        FrameProgress& progress, const RenderOptions& options) {
    std::string dir = folder;
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    FrameComposer composer = frames.Composer();
    composer.setResampleWholeZoom(options.resampleWholeZoom);
    FrameWriterOptions writer;
    writer.workers = options.workers;
    // A still picture reports its progress before it polls for a cancel; the effects poll first.
    writer.progressFirst = frames.Still();
    writer.window = options.window;
    writer.composed = options.composed;
    EffectPlanner planner = frames.Planner();
    const int total = planner.FrameCount();
    for (;;) {
        const int done = planner.Planned();
        EffectPlan chunk;
        chunk.reversed = planner.Reversed();
        chunk.frames = planner.Next(kPlanChunkFrames);
        if (chunk.frames.empty())
            return firstFrame + total;
        const int count = static_cast<int>(chunk.frames.size());
        // A reversed plan writes recipe k as frame first + total - 1 - k; a chunk of recipes
        // [done, done + count) fills the frames from first + total - done - count on.
        const int chunkFirst = chunk.reversed ? firstFrame + total - done - count : firstFrame + done;
        // The frames of a reversed picture below this chunk come later: the window judges the
        // picture's first frame, the lowest one still to be written.
        writer.windowFrame = chunkFirst > firstFrame && chunk.reversed ? firstFrame : 0;
        if (WriteFrames(chunk, composer, dir, chunkFirst, progress, writer) < 0)
            return -1;
    }
}

int RenderPicture(const Bitmap& fitted, const std::string& folder, const TThPicObject& picture, int firstFrame,
                  FrameProgress& progress, const RenderOptions& options) {
    const PictureFrames frames(fitted, picture);
    return RenderPictureFrames(frames, folder, firstFrame, progress, options);
}

int WriteClosingFrames(int width, int height, const std::string& folder, int firstFrame) {
    std::string dir = folder;
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    Bitmap black(width, height, 24);
    FillBitmap(black, 0);
    // One file on disk under every name.
    const SharedFrameFile file(dir + FrameFileName(firstFrame), jpeg::encode(black, 90));
    for (int i = 0; i < kClosingFrames; ++i)
        file.Place(dir + FrameFileName(firstFrame + i));
    return firstFrame + kClosingFrames;
}

}  // namespace kalidor
