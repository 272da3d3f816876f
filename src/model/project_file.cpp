// project.dat: the settings and the pictures of a project, and thum.bmp beside it.
//
//   int32 18, "PIC_OBJECT_VER1000", MovType (1), MovQuality (1 + 3 bytes written as 0),
//   MovRatio (1), MovWidth (4), MovHeight (4), UseMusic (1), MusicFilePath, SaveFilePath,
//   int32 N, then N records: file name, thumbnail, Text, PicAction (1), StrAction (1),
//   DisplayTime (4), font.
//
// Integers are little-endian, strings Shift-JIS on disk.

#include "model/byte_stream.h"
#include "model/pic_object.h"
#include "model/project_file.h"
#include "model/project_streams.h"
#include "model/th_utility.h"
#include "imaging/bmp_codec.h"
#include "platform/file_io.h"

#include <chrono>
#include <sys/stat.h>

namespace kalidor {
namespace {

constexpr const char* kSignature = "PIC_OBJECT_VER1000";
constexpr std::size_t kSignatureLength = 18;
constexpr int kProjectThumbnailBox = 148;

// Stored names are file names only. A name that would reach outside the project folder is
// cut to its last component, so no project file can point its pictures elsewhere.
std::string storedNameToFileName(const std::string& stored, ByteReader& in) {
    const auto cut = stored.find_last_of("/\\");
    std::string name = cut == std::string::npos ? stored : stored.substr(cut + 1);
    if (name == "." || name == "..")
        in.fail("picture file name \"" + stored + "\" is not a file name");
    return name;
}

// A settings byte is an index into a fixed list of choices, and every writer stores one of
// them. Any other value is damage: each reader would make its own sense of it (the command line
// one format, the window another, saved back as a third), so it is refused.
std::uint8_t choiceByte(ByteReader& in, const char* field, int last) {
    const std::size_t at = in.offset();
    const std::uint8_t value = in.byte(field);
    if (value > last)
        in.failAt(at, std::string(field) + " " + std::to_string(value) + " is not 0 to " + std::to_string(last));
    return value;
}

bool entryExists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

}  // namespace

std::vector<std::uint8_t> ProjectFileBytes(const TThPicObjectManager& project) {
    ByteWriter out;
    ThUtility::WriteString(out, kSignature);
    out.byte(project.MovType);
    out.byte(project.MovQuality);
    out.byte(0);
    out.byte(0);
    out.byte(0);
    out.byte(project.MovRatio);
    out.int32(project.MovWidth);
    out.int32(project.MovHeight);
    out.byte(project.UseMusic ? 1 : 0);
    ThUtility::WriteString(out, project.MusicFilePath);
    ThUtility::WriteString(out, project.SaveFilePath);
    out.int32(project.Count());
    for (int i = 0; i < project.Count(); ++i) {
        const TThPicObject& picture = project.Items(i);
        ThUtility::WriteString(out, ThUtility::ExtractFileName(picture.PicturePath));
        ThUtility::WriteGraphic(out, picture.Thumbnail);
        ThUtility::WriteString(out, picture.Text);
        out.byte(picture.PicAction);
        out.byte(picture.StrAction);
        out.int32(picture.DisplayTime);
        ThUtility::WriteFont(out, picture.Font);
    }
    return out.bytes();
}

bool TThPicObjectManager::SaveProject(const std::function<void(const std::string&)>& showMessage) const {
    // A save that was killed leaves its temporary files behind; the next save removes them.
    const auto started = std::chrono::system_clock::now();
    for (const std::string& file : {ProjectFileName(), ProjectDir + "thum.bmp"})
        removeStaleTemporaries(file, started);
    const std::vector<std::uint8_t> bytes = ProjectFileBytes(*this);
    // Written whole to a temporary file and renamed, so a failure never costs the old file.
    writeFileAtomically(ProjectFileName(), bytes);

    if (Count() > 0) {
        Bitmap thumbnail;
        if (ThUtility::LoadImageFitted(Items(0).PicturePath, kProjectThumbnailBox, kProjectThumbnailBox, thumbnail,
                                       showMessage))
            bmp::writeFile(thumbnail, ProjectDir + "thum.bmp");
    }
    return true;
}

bool TThPicObjectManager::LoadProject(const std::string& pathInProject) {
    const auto slash = pathInProject.find_last_of('/');
    ProjectDir = slash == std::string::npos ? std::string() : pathInProject.substr(0, slash + 1);
    const std::string fileName = ProjectFileName();
    if (!entryExists(fileName))
        return true;
    // Anything there that is not a regular file (a folder, a FIFO) is refused by the read.
    ParseProjectFile(readFileBytes(fileName), fileName, *this);
    return true;
}

void ParseProjectFile(std::span<const std::uint8_t> bytes, const std::string& fileName, TThPicObjectManager& into) {
    ByteReader in(bytes, fileName);
    // Everything is read into a scratch project first: a damaged file changes nothing.
    TThPicObjectManager read;
    // The signature's bytes are not compared, as files in the field differ, and need not even be
    // Shift-JIS, so they are skipped rather than converted. Its length is checked: every writer
    // puts 18 there and the settings' fixed offsets rest on it, so anything else (a file of
    // zeros) is no project file, and taking it for an empty project would lose every picture.
    if (const std::int32_t length = in.int32("signature"); length != kSignatureLength)
        in.failAt(0, "signature length " + std::to_string(length) + " is not " + std::to_string(kSignatureLength));
    in.skip(kSignatureLength, "signature");
    read.MovType = choiceByte(in, "movie format", 2);      // MP4, AVI, MPEG
    read.MovQuality = choiceByte(in, "movie quality", 4);  // highest .. lowest
    in.skip(3, "movie quality");                           // written as 0, never read
    read.MovRatio = choiceByte(in, "movie ratio", 1);      // 4:3, 16:9
    read.MovWidth = in.int32("movie width");
    read.MovHeight = in.int32("movie height");
    read.UseMusic = choiceByte(in, "music switch", 1) != 0;
    read.MusicFilePath = ThUtility::ReadString(in, "music file path");
    read.SaveFilePath = ThUtility::ReadString(in, "movie file path");
    const std::int32_t count = in.int32("picture count");
    if (count < 0)
        in.fail("negative picture count " + std::to_string(count));
    for (std::int32_t i = 0; i < count; ++i) {
        auto picture = std::make_unique<TThPicObject>();
        picture->PicturePath = into.ProjectDir + storedNameToFileName(ThUtility::ReadString(in, "picture file name"), in);
        ThUtility::ReadGraphic(in, picture->Thumbnail);
        picture->Text = ThUtility::ReadString(in, "caption");
        picture->PicAction = in.byte("picture action");
        picture->StrAction = in.byte("text action");
        picture->DisplayTime = in.int32("display time");
        ThUtility::ReadFont(in, picture->Font);
        read.Add(std::move(picture));
    }
    // Nothing follows the last picture in any file a project is saved as. Bytes there mean the
    // count or a length is damaged (a zeroed count would read as an empty project, and the next
    // save would remove every picture copy), so the file is refused rather than half read.
    if (in.remaining() > 0)
        in.fail("the file goes on after its last picture (" + std::to_string(in.remaining()) + " more bytes)");

    into.CopySettings(read);
    while (read.Count() > 0)
        into.Add(read.Extract(0));
}

}  // namespace kalidor
