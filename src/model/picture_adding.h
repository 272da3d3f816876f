#pragma once
// Adding a picture file to a project: a copy in the project folder under a free name, a
// storyboard thumbnail, and a new picture with the default settings.

#include "model/pic_object.h"

#include <string>

namespace kalidor {

inline constexpr int kStoryboardThumbnailSize = 105;

// A name for the copy that the project file can store: characters that Shift-JIS cannot hold
// become '_'.
std::string StorablePictureName(const std::string& fileName);

// The 105 x 105 storyboard thumbnail of a picture thumbnail that keeps its aspect (one side
// 105): centred on white, with a one-pixel grey (160, 160, 160) frame along the edge.
Bitmap FramedStoryboardThumbnail(const Bitmap& fitted);

// True unless the file is a .jpg/.jpeg that does not decode (the check made before adding).
bool IsLoadableJpeg(const std::string& path);

// Copies the file into project.ProjectDir under a free, storable name, makes its thumbnail and
// inserts the new picture at `index` (appends when negative). Returns the new picture. Raises
// kalidor::Error when the copy fails or the picture cannot be read; the project is then
// unchanged and no copy is left behind.
TThPicObject& AddPictureFile(TThPicObjectManager& project, const std::string& sourcePath, int index);

}  // namespace kalidor
