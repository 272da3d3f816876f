#include "render/movie_frames.h"

#include "imaging/drawing.h"
#include "platform/error.h"
#include "render/render_picture.h"

#include <memory>

namespace kalidor {

TThPicObjectManager ProjectForFrames(const TThPicObjectManager& project) {
    TThPicObjectManager copy;
    copy.CopySettings(project);
    copy.ProjectDir = project.ProjectDir;
    for (int i = 0; i < project.Count(); ++i) {
        std::unique_ptr<TThPicObject> picture = project.Items(i).Clone();
        picture->Thumbnail = Bitmap();
        copy.Add(std::move(picture));
    }
    return copy;
}

std::int64_t MovieFrameCount(const TThPicObjectManager& project) {
    std::int64_t frames = kClosingFrames;
    for (int i = 0; i < project.Count(); ++i) frames += FramesOfPicture(project.Items(i).DisplayTime);
    return frames;
}

MovieFramePlace PlaceOfMovieFrame(const TThPicObjectManager& project, std::int64_t k) {
    if (k < 0 || k >= MovieFrameCount(project))
        throw Error("frame " + std::to_string(k) + " is outside the movie of " + std::to_string(MovieFrameCount(project)) +
                    " frames");
    for (int i = 0; i < project.Count(); ++i) {
        const int frames = FramesOfPicture(project.Items(i).DisplayTime);
        if (k < frames) return {i, static_cast<int>(k)};
        k -= frames;
    }
    return {-1, static_cast<int>(k)};
}

std::int64_t FirstFrameOfPicture(const TThPicObjectManager& project, int picture) {
    std::int64_t first = 0;
    for (int i = 0; i < picture && i < project.Count(); ++i) first += FramesOfPicture(project.Items(i).DisplayTime);
    return first;
}

void ComposeMovieFrame(const TThPicObjectManager& project, std::int64_t k, const PictureFramesSource& pictures,
                       Bitmap& frame) {
    const MovieFramePlace place = PlaceOfMovieFrame(project, k);
    if (place.picture < 0) {
        // The closing frames are black.
        if (frame.width() != project.MovWidth || frame.height() != project.MovHeight || frame.bitsPerPixel() != 24)
            frame = Bitmap(project.MovWidth, project.MovHeight, 24);
        FillBitmap(frame, 0);
        return;
    }
    pictures(place.picture).Compose(place.frame, frame);
}

Bitmap ComposeMovieFrame(const TThPicObjectManager& project, std::int64_t k) {
    std::unique_ptr<PictureFrames> loaded;
    Bitmap frame;
    ComposeMovieFrame(
        project, k,
        [&](int i) -> const PictureFrames& {
            const TThPicObject& picture = project.Items(i);
            loaded = std::make_unique<PictureFrames>(
                LoadFittedPicture(picture.PicturePath, project.MovWidth, project.MovHeight), picture);
            return *loaded;
        },
        frame);
    return frame;
}

}  // namespace kalidor
