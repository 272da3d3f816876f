#include "model/picture_adding.h"

#include "model/th_utility.h"
#include "imaging/drawing.h"
#include "imaging/freedesktop_thumbnails.h"
#include "imaging/jpeg_codec.h"
#include "platform/text_encoding.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace kalidor {

namespace {

// The length of the UTF-8 character at `at`, or 0 when the bytes there are no character (a
// Latin-1 name, a cut sequence).
std::size_t utf8CharacterLength(const std::string& text, std::size_t at) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80)
            return 0;
    return length;
}

}  // namespace

std::string StorablePictureName(const std::string& fileName) {
    if (FitsShiftJis(fileName))
        return fileName;
    std::string out;
    for (std::size_t i = 0; i < fileName.size();) {
        // A byte that starts no character is replaced alone, so what follows (the extension) stays.
        const std::size_t length = utf8CharacterLength(fileName, i);
        const std::string character = fileName.substr(i, std::max<std::size_t>(length, 1));
        out += length > 0 && FitsShiftJis(character) ? character : "_";
        i += character.size();
    }
    return out;
}

Bitmap FramedStoryboardThumbnail(const Bitmap& fitted, int size, int frame) {
    const int half = size / 2;
    Bitmap thumbnail(size, size);
    const Bitmap picture = fitted.toBgr24();
    if (picture.width() == picture.height() && picture.width() == size) {
        thumbnail = picture;
    } else {
        FillBitmap(thumbnail, 0x00FFFFFF);
        // div truncates toward zero.
        if (picture.width() > picture.height())
            DrawBitmap(thumbnail, picture, 0, half - picture.height() / 2);
        else
            DrawBitmap(thumbnail, picture, half - picture.width() / 2, 0);
    }
    const Color grey = 0x00A0A0A0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            if (x >= frame && y >= frame && x < size - frame && y < size - frame) continue;
            std::uint8_t* p = thumbnail.row(y) + 3 * x;
            p[0] = blueOf(grey);
            p[1] = greenOf(grey);
            p[2] = redOf(grey);
        }
    return thumbnail;
}

bool IsLoadableJpeg(const std::string& path) { return !JpegLoadProblem(path); }

std::optional<std::string> JpegLoadProblem(const std::string& path) {
    std::string ext = ThUtility::ExtractFileExt(path);
    for (char& c : ext)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (ext != ".JPG" && ext != ".JPEG")
        return std::nullopt;
    try {
        jpeg::readFile(path);
        return std::nullopt;
    } catch (const Error& e) {
        return e.what();
    }
}

std::unique_ptr<TThPicObject> PreparePictureFile(const std::string& projectDir, const std::string& sourcePath) {
    const std::string target = ThUtility::UniqueFileName(
        projectDir, StorablePictureName(ThUtility::ExtractFileName(sourcePath)), kProjectOwnNames);
    // Removes the copy unless the picture is made: a copy that names no picture is no one's.
    struct CopyGuard {
        const std::string& path;
        bool keep = false;
        ~CopyGuard() {
            if (!keep)
                std::remove(path.c_str());
        }
    } copy{target};
    std::error_code error;
    if (!ThUtility::CopyFile(sourcePath, target, &error))
        throw PictureCopyError("cannot copy " + sourcePath + " to " + target + ": " +
                               (error ? error.message() : std::string("unknown error")));
    auto picture = std::make_unique<TThPicObject>();
    picture->PicturePath = target;
    // The thumbnail is made from the user's file, which the copy equals, so that a failure names
    // the file the user chose.
    picture->Thumbnail = StoryboardThumbnailOf(sourcePath);
    copy.keep = true;
    return picture;
}

Bitmap StoryboardThumbnailOf(const std::string& path) {
    // Made as the shell would, decoding at a reduced JPEG scale.
    Bitmap fitted(kStoryboardThumbnailSize, kStoryboardThumbnailSize);
    MakeThumbnail(path, fitted);
    return FramedStoryboardThumbnail(fitted);
}

TThPicObject& InsertPicture(TThPicObjectManager& project, std::unique_ptr<TThPicObject> picture, int index) {
    if (index < 0) {
        project.Add(std::move(picture));
        return project.Items(project.Count() - 1);
    }
    project.Insert(index, std::move(picture));
    return project.Items(index);
}

TThPicObject& AddPictureFile(TThPicObjectManager& project, const std::string& sourcePath, int index) {
    if (index > project.Count())
        throw ListIndexError(index);  // before anything is copied
    return InsertPicture(project, PreparePictureFile(project.ProjectDir, sourcePath), index);
}

}  // namespace kalidor
