#include "render/render_picture.h"

#include "platform/drawing.h"
#include "platform/jpeg_codec.h"
#include "render/caption.h"
#include "render/frame_composer.h"
#include "render/frame_writer.h"

namespace kalidor {
namespace {

int renderPlan(const EffectPlan& plan, const Bitmap& fitted, const std::string& folder, const TThPicObject& picture,
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
    return WriteFrames(plan, composer, dir, firstFrame, progress, writer);
}

int frameCountOf(const TThPicObject& picture) { return FramesOfPicture(picture.DisplayTime); }

}  // namespace

int RenderStill(const Bitmap& fitted, const std::string& folder, const TThPicObject& picture, int firstFrame,
                FrameProgress& progress, const RenderOptions& options) {
    // A still picture reports its progress before it polls for a cancel; the effects poll first.
    return renderPlan(PlanStill(fitted.width(), fitted.height(), frameCountOf(picture)), fitted, folder, picture,
                      firstFrame, progress, options, true);
}

int RenderZoom(const Bitmap& fitted, const std::string& folder, const TThPicObject& picture, int firstFrame,
               FrameProgress& progress, const RenderOptions& options) {
    const bool reversed = picture.PicAction == apZoomOut;
    return renderPlan(PlanZoom(fitted.width(), fitted.height(), frameCountOf(picture), reversed), fitted, folder,
                      picture, firstFrame, progress, options, false);
}

int RenderCurtain(const Bitmap& fitted, const std::string& folder, const TThPicObject& picture, int firstFrame,
                  FrameProgress& progress, const RenderOptions& options) {
    const bool reversed = picture.PicAction == apCurtainRight;
    return renderPlan(PlanCurtain(fitted.width(), fitted.height(), frameCountOf(picture), reversed), fitted, folder,
                      picture, firstFrame, progress, options, false);
}

int RenderBlind(const Bitmap& fitted, const std::string& folder, const TThPicObject& picture, int firstFrame,
                FrameProgress& progress, const RenderOptions& options) {
    const bool horizontal = picture.PicAction != apBlindVertical;
    return renderPlan(PlanBlind(fitted.width(), fitted.height(), frameCountOf(picture), horizontal), fitted, folder,
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
    const auto bytes = jpeg::encode(black, 90);
    for (int i = 0; i < kClosingFrames; ++i)
        WriteWholeFile(dir + FrameFileName(firstFrame + i), bytes);
    return firstFrame + kClosingFrames;
}

}  // namespace kalidor
