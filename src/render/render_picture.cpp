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

int renderPlan(EffectPlanner planner, const Bitmap& fitted, const std::string& folder, const TThPicObject& picture,
               int firstFrame, FrameProgress& progress, const RenderOptions& options, bool progressFirst) {
    std::string dir = folder;
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    // The caption is laid out once per picture and blended onto every frame.
    const PreparedCaption caption = PrepareCaption(fitted.width(), fitted.height(), picture);
    std::function<void(Bitmap&)> drawCaption;
    if (!caption.layer.empty())
        drawCaption = [&caption](Bitmap& frame) { DrawCaption(frame, caption.point, caption.layer); };
    FrameComposer composer(fitted, std::move(drawCaption));
    composer.setResampleWholeZoom(options.resampleWholeZoom);
    FrameWriterOptions writer;
    writer.workers = options.workers;
    writer.progressFirst = progressFirst;
    writer.window = options.window;
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

int frameCountOf(const TThPicObject& picture) { return FramesOfPicture(picture.DisplayTime); }

}  // namespace

int RenderStill(const Bitmap& fitted, const std::string& folder, const TThPicObject& picture, int firstFrame,
                FrameProgress& progress, const RenderOptions& options) {
    // A still picture reports its progress before it polls for a cancel; the effects poll first.
    return renderPlan(EffectPlanner(apNone, fitted.width(), fitted.height(), frameCountOf(picture)), fitted, folder,
                      picture, firstFrame, progress, options, true);
}

int RenderZoom(const Bitmap& fitted, const std::string& folder, const TThPicObject& picture, int firstFrame,
               FrameProgress& progress, const RenderOptions& options) {
    const std::uint8_t action = picture.PicAction == apZoomOut ? apZoomOut : apZoomIN;
    return renderPlan(EffectPlanner(action, fitted.width(), fitted.height(), frameCountOf(picture)), fitted, folder,
                      picture, firstFrame, progress, options, false);
}

int RenderCurtain(const Bitmap& fitted, const std::string& folder, const TThPicObject& picture, int firstFrame,
                  FrameProgress& progress, const RenderOptions& options) {
    const std::uint8_t action = picture.PicAction == apCurtainRight ? apCurtainRight : apCurtainLeft;
    return renderPlan(EffectPlanner(action, fitted.width(), fitted.height(), frameCountOf(picture)), fitted, folder,
                      picture, firstFrame, progress, options, false);
}

int RenderBlind(const Bitmap& fitted, const std::string& folder, const TThPicObject& picture, int firstFrame,
                FrameProgress& progress, const RenderOptions& options) {
    const std::uint8_t action = picture.PicAction != apBlindVertical ? apBlindHorizon : apBlindVertical;
    return renderPlan(EffectPlanner(action, fitted.width(), fitted.height(), frameCountOf(picture)), fitted, folder,
                      picture, firstFrame, progress, options, false);
}

int RenderPicture(const Bitmap& fitted, const std::string& folder, const TThPicObject& picture, int firstFrame,
                  FrameProgress& progress, const RenderOptions& options) {
    switch (picture.PicAction) {
    case apZoomIN:
    case apZoomOut: return RenderZoom(fitted, folder, picture, firstFrame, progress, options);
    case apCurtainLeft:
    case apCurtainRight: return RenderCurtain(fitted, folder, picture, firstFrame, progress, options);
    case apBlindHorizon:
    case apBlindVertical: return RenderBlind(fitted, folder, picture, firstFrame, progress, options);
    default:
        // apNone, and any unknown action, keeps the numbering going as a still picture.
        return RenderStill(fitted, folder, picture, firstFrame, progress, options);
    }
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
