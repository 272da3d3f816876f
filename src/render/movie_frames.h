#pragma once
// The frames of a whole movie as a function of their index: frame k shows a frame of one
// picture, or is one of the black frames that close the movie. What the export writes as frame
// number k + 1 is what ComposeMovieFrame gives for k, before the JPEG encoding.

#include "imaging/bitmap.h"
#include "model/pic_object.h"
#include "render/picture_frames.h"

#include <cstdint>
#include <functional>

namespace kalidor {

// What the frames are made of, copied for another thread to read while the owner changes its
// project: the movie settings, ProjectDir and every picture but its thumbnail (no frame shows it).
TThPicObjectManager ProjectForFrames(const TThPicObjectManager& project);

// The pictures' frames and the closing black frames.
std::int64_t MovieFrameCount(const TThPicObjectManager& project);

// Where frame k falls: picture `picture`'s frame `frame`, or, with `picture` -1, a closing frame.
struct MovieFramePlace {
    int picture = -1;
    int frame = 0;
    bool operator==(const MovieFramePlace&) const = default;
};
MovieFramePlace PlaceOfMovieFrame(const TThPicObjectManager& project, std::int64_t k);

// The first frame of picture i.
std::int64_t FirstFrameOfPicture(const TThPicObjectManager& project, int picture);

// Gives picture i's frames at the project's movie size; the caller keeps them as long as it likes.
using PictureFramesSource = std::function<const PictureFrames&(int picture)>;

// Composes frame k (0 <= k < MovieFrameCount) of the project at its movie size into `frame`,
// as the export composes it. Raises kalidor::Error for a k outside the movie, and what the
// source raises (a picture that cannot be read).
void ComposeMovieFrame(const TThPicObjectManager& project, std::int64_t k, const PictureFramesSource& pictures,
                       Bitmap& frame);

// The same with each picture read and fitted anew: for a single frame, or a test.
Bitmap ComposeMovieFrame(const TThPicObjectManager& project, std::int64_t k);

}  // namespace kalidor
