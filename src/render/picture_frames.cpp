#include "render/picture_frames.h"

#include "model/th_utility.h"
#include "platform/error.h"
#include "render/fit_to_movie_frame.h"

namespace kalidor {
namespace {

bool knownAction(std::uint8_t action) {
    switch (action) {
    case apZoomIN:
    case apZoomOut:
    case apCurtainLeft:
    case apCurtainRight:
    case apBlindHorizon:
    case apBlindVertical: return true;
    default: return false;
    }
}

std::function<void(Bitmap&)> captionDrawer(const PreparedCaption& caption) {
    if (caption.layer.empty()) return {};
    return [&caption](Bitmap& frame) { DrawCaption(frame, caption.point, caption.layer); };
}

}  // namespace

Bitmap LoadFittedPicture(const std::string& path, int width, int height) {
    Bitmap picture;
    ThUtility::LoadImageFile(path, picture);
    // An extension we do not read gives no picture, and an empty picture cannot be fitted.
    if (picture.empty()) throw MessageError(ThUtility::UnsupportedImageMessage(path));
    FitToMovieFrame(picture, width, height);
    return picture;
}

PictureFrames::PictureFrames(Bitmap fitted, const TThPicObject& picture)
    : fitted_(std::move(fitted)),
      action_(knownAction(picture.PicAction) ? picture.PicAction : std::uint8_t{apNone}),
      frameCount_(FramesOfPicture(picture.DisplayTime)),
      still_(!knownAction(picture.PicAction)),
      caption_(PrepareCaption(fitted_.width(), fitted_.height(), picture)),
      composer_(fitted_, captionDrawer(caption_)) {}

EffectPlanner PictureFrames::Planner() const {
    return EffectPlanner(action_, fitted_.width(), fitted_.height(), frameCount_);
}

FrameRecipe PictureFrames::RecipeOfFrame(int j) const {
    if (j < 0 || j >= frameCount_) throw Error("frame " + std::to_string(j) + " of a picture of " +
                                               std::to_string(frameCount_) + " frames");
    EffectPlanner planner = Planner();
    // A reversed action shows its recipes from the last to the first.
    const int recipe = planner.Reversed() ? frameCount_ - 1 - j : j;
    const std::size_t checkpoint = static_cast<std::size_t>(recipe / kCheckpointFrames);
    {
        std::lock_guard lock(mutex_);
        if (checkpoints_.empty()) checkpoints_.push_back(planner);
        while (checkpoints_.size() <= checkpoint) {
            EffectPlanner next = checkpoints_.back();
            next.Next(kCheckpointFrames);
            checkpoints_.push_back(std::move(next));
        }
        planner = checkpoints_[checkpoint];
    }
    const int skip = recipe - static_cast<int>(checkpoint) * kCheckpointFrames;
    if (skip > 0) planner.Next(skip);
    return planner.Next(1).front();
}

void PictureFrames::Compose(int j, Bitmap& frame) const { composer_.compose(RecipeOfFrame(j), frame); }

}  // namespace kalidor
