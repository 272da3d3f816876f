#pragma once
// One picture's frames as the export makes them: its fitted bitmap, its caption laid out once
// for that frame size, and the plan of its picture action. The export writes them in order;
// any one of them can be composed on its own, from any thread, as the preview does.

#include "imaging/bitmap.h"
#include "model/pic_object.h"
#include "render/caption.h"
#include "render/frame_composer.h"
#include "render/frame_recipe.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace kalidor {

// The picture file read and fitted into a width x height frame on black, as pass 1 of an export
// does. Raises kalidor::Error naming the file when it cannot be read or is of a kind we do not
// read.
Bitmap LoadFittedPicture(const std::string& path, int width, int height);

class PictureFrames {
public:
    // `fitted` is the picture fitted into the movie frame (24-bit); `picture` gives the action,
    // display time and caption. Raises kalidor::Error when the caption cannot be laid out.
    PictureFrames(Bitmap fitted, const TThPicObject& picture);
    PictureFrames(const PictureFrames&) = delete;
    PictureFrames& operator=(const PictureFrames&) = delete;

    int FrameCount() const noexcept { return frameCount_; }
    const Bitmap& Fitted() const noexcept { return fitted_; }
    const FrameComposer& Composer() const noexcept { return composer_; }
    // A planner at the picture's first recipe, in the order the action works them out.
    EffectPlanner Planner() const;
    // A picture without a known action reports each frame before polling for a cancel.
    bool Still() const noexcept { return still_; }

    // The recipe of the picture's frame j (0 is the first it shows), 0 <= j < FrameCount().
    FrameRecipe RecipeOfFrame(int j) const;
    // Composes frame j into `frame` (made at the movie size when it is not).
    void Compose(int j, Bitmap& frame) const;

private:
    Bitmap fitted_;
    std::uint8_t action_;
    int frameCount_;
    bool still_;
    PreparedCaption caption_;
    FrameComposer composer_;

    // Recipes are worked out from a planner saved every kCheckpointFrames, so any one costs a
    // few steps and a long picture no more memory than a short one.
    static constexpr int kCheckpointFrames = 256;
    mutable std::mutex mutex_;
    mutable std::vector<EffectPlanner> checkpoints_;  // checkpoints_[c] stands at recipe c * kCheckpointFrames
};

}  // namespace kalidor
