#pragma once
// Adding a picture file to a project: a copy in the project folder under a free name, a
// storyboard thumbnail, and a new picture with the default settings.

#include "model/pic_object.h"

#include <optional>
#include <string>

namespace kalidor {

inline constexpr int kStoryboardThumbnailSize = 105;

// A name for the copy that the project file can store: characters that Shift-JIS cannot hold,
// and each byte that is no UTF-8 character (a Latin-1 name), become '_'.
std::string StorablePictureName(const std::string& fileName);

// The 105 x 105 storyboard thumbnail of a picture thumbnail that keeps its aspect (one side
// 105): centred on white, with a one-pixel grey (160, 160, 160) frame along the edge. A dense
// screen's copy is `size` square with a frame `frame` pixels wide, placed by the same rule.
Bitmap FramedStoryboardThumbnail(const Bitmap& fitted, int size = kStoryboardThumbnailSize, int frame = 1);

// The storyboard thumbnail of a picture file, made as adding it makes it. Raises kalidor::Error
// with the codec's or the OS's reason naming the file.
Bitmap StoryboardThumbnailOf(const std::string& path);

// True unless the file is a .jpg/.jpeg that does not decode (the check made before adding).
bool IsLoadableJpeg(const std::string& path);
// The same check with its reason: nothing when IsLoadableJpeg is true, else why the file does
// not load, as the OS or the codec says it, naming the file ("JPEG: premature end of data
// (/p/a.jpg)").
std::optional<std::string> JpegLoadProblem(const std::string& path);

// Raised when the picture file cannot be copied into the project folder.
class PictureCopyError : public Error {
public:
    using Error::Error;
};

// The first half of adding, which leaves the project alone and may run on a worker thread: copies
// the file into `projectDir` under a free, storable name and makes the new picture with its
// thumbnail and the default settings. Raises PictureCopyError when the copy fails and
// kalidor::Error when the file is no picture we read; no copy is left behind then. The error's
// text is the OS's or the codec's reason naming `sourcePath`, the user's file. Two calls for the
// same folder must not run at the same time (both could pick the same free name).
std::unique_ptr<TThPicObject> PreparePictureFile(const std::string& projectDir, const std::string& sourcePath);

// Inserts the picture at `index` (appends when negative) and returns it.
TThPicObject& InsertPicture(TThPicObjectManager& project, std::unique_ptr<TThPicObject> picture, int index);

// Both halves at once. The project is unchanged when it raises.
TThPicObject& AddPictureFile(TThPicObjectManager& project, const std::string& sourcePath, int index);

}  // namespace kalidor
