#pragma once
// Composes the frames of one picture from their recipes. Read-only after construction, so
// several threads can compose frames with one composer, each into its own frame bitmap.

#include "imaging/bitmap.h"
#include "render/frame_recipe.h"

#include <functional>

namespace kalidor {

class FrameComposer {
public:
    // `picture` is the fitted picture (movie size, 24-bit); `drawCaption` is applied to every
    // composed frame and must be safe to call from several threads at once (may be empty).
    FrameComposer(const Bitmap& picture, std::function<void(Bitmap&)> drawCaption);

    // Resample the whole enlargement of a zoom frame instead of only its visible part. The
    // bytes are the same; this exists to measure what the visible-part resampling saves.
    void setResampleWholeZoom(bool whole) { resampleWholeZoom_ = whole; }

    // Composes the recipe into `frame`, which is (re)made at the movie size when it is not.
    void compose(const FrameRecipe& recipe, Bitmap& frame) const;

private:
    // Makes `frame` a black frame of the movie size; `sized` says it already has that size.
    void blank(Bitmap& frame, bool sized) const;
    void composeZoom(const FrameRecipe& recipe, Bitmap& frame, bool sized) const;

    const Bitmap& picture_;
    std::function<void(Bitmap&)> drawCaption_;
    bool resampleWholeZoom_ = false;
};

}  // namespace kalidor
