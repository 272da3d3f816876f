#include "model/picture_adding.h"

#include "model/th_utility.h"
#include "platform/drawing.h"
#include "platform/freedesktop_thumbnails.h"
#include "platform/jpeg_codec.h"
#include "platform/text_encoding.h"

#include <cctype>
#include <cstdio>

namespace kalidor {

std::string StorablePictureName(const std::string& fileName) {
    if (FitsShiftJis(fileName))
        return fileName;
    std::string out;
    for (std::size_t i = 0; i < fileName.size();) {
        // One UTF-8 character at a time: its length from the lead byte.
        const unsigned char lead = static_cast<unsigned char>(fileName[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        const std::string character = fileName.substr(i, length);
        out += FitsShiftJis(character) ? character : "_";
        i += length;
    }
    return out;
}

Bitmap FramedStoryboardThumbnail(const Bitmap& fitted) {
    constexpr int size = kStoryboardThumbnailSize, half = size / 2;
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
    for (int i = 0; i < size; ++i)
        for (auto [x, y] : {std::pair{i, 0}, std::pair{i, size - 1}, std::pair{0, i}, std::pair{size - 1, i}}) {
            std::uint8_t* p = thumbnail.row(y) + 3 * x;
            p[0] = blueOf(grey);
            p[1] = greenOf(grey);
            p[2] = redOf(grey);
        }
    return thumbnail;
}

bool IsLoadableJpeg(const std::string& path) {
    std::string ext = ThUtility::ExtractFileExt(path);
    for (char& c : ext)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (ext != ".JPG" && ext != ".JPEG")
        return true;
    try {
        jpeg::readFile(path);
        return true;
    } catch (const Error&) {
        return false;
    }
}

std::unique_ptr<TThPicObject> PreparePictureFile(const std::string& projectDir, const std::string& sourcePath) {
    const std::string target =
        ThUtility::UniqueFileName(projectDir, StorablePictureName(ThUtility::ExtractFileName(sourcePath)));
    if (!ThUtility::CopyFile(sourcePath, target)) {
        std::remove(target.c_str());  // a partial copy names no picture
        throw PictureCopyError("cannot copy " + sourcePath + " to " + target);
    }
    auto picture = std::make_unique<TThPicObject>();
    picture->PicturePath = target;
    // The thumbnail is made as the shell would, decoding at a reduced JPEG scale.
    Bitmap fitted(kStoryboardThumbnailSize, kStoryboardThumbnailSize);
    if (!MakeThumbnail(target, fitted)) {
        std::remove(target.c_str());
        throw Error(std::string(ThUtility::kUnsupportedImageMessage) + " (" + sourcePath + ")");
    }
    picture->Thumbnail = FramedStoryboardThumbnail(fitted);
    return picture;
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
