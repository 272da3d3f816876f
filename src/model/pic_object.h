#pragma once
// A project in memory: its ordered pictures (the storyboard) and its movie settings.
// Text is UTF-8; folder paths end in '/'.

#include "model/action_types.h"
#include "model/caption_font.h"
#include "imaging/bitmap.h"
#include "platform/error.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace kalidor {

inline constexpr int FRAME_RATE = 30;

// The names a project folder keeps for itself: its file, its thumbnail and the export's frame
// folder. A picture copy never takes one of them, whatever the case of its letters.
inline constexpr std::array<std::string_view, 3> kProjectOwnNames{"project.dat", "thum.bmp", "tmp"};

// One picture of the storyboard.
class TThPicObject {
public:
    std::string PicturePath;     // the copy inside the project folder
    Bitmap Thumbnail;            // 105 x 105 storyboard thumbnail
    std::string Text;            // caption; empty means none
    std::uint8_t PicAction = apNone;
    std::uint8_t StrAction = asNone;
    CaptionFont Font;
    std::int32_t DisplayTime = 6;  // seconds
    bool Selected = false;         // panel selection, never stored

    // A deep copy: thumbnail and font are the clone's own.
    std::unique_ptr<TThPicObject> Clone() const { return std::make_unique<TThPicObject>(*this); }
};

// Raised for an index outside 0..Count-1 (0..Count for Insert).
class ListIndexError : public Error {
public:
    explicit ListIndexError(long long index);
};

// The project: owns its pictures, in storyboard order, and carries the movie settings.
class TThPicObjectManager {
public:
    std::uint8_t MovType = 0;     // 0 MP4, 1 AVI, 2 MPEG
    std::uint8_t MovQuality = 0;  // 0 highest .. 4 lowest
    std::int32_t MovWidth = 640;
    std::int32_t MovHeight = 480;
    std::uint8_t MovRatio = 0;    // 0 = 4:3, 1 = 16:9
    bool UseMusic = false;
    std::string MusicFilePath;
    std::string SaveFilePath;
    std::string ProjectDir;       // ends in '/' once set

    int Add(std::unique_ptr<TThPicObject> picture);
    void Insert(int index, std::unique_ptr<TThPicObject> picture);
    void Delete(int index);  // destroys the picture
    std::unique_ptr<TThPicObject> Extract(int index);  // takes the picture out, undestroyed
    void Clear();
    int Count() const noexcept { return static_cast<int>(pictures_.size()); }
    TThPicObject& Items(int index);
    const TThPicObject& Items(int index) const;

    std::string ProjectFileName() const { return ProjectDir + "project.dat"; }

    // Every picture path this object has held since it was made: those project.dat named when it
    // was read, and those added since (Add and Insert record them; Delete and Clear do not forget
    // them). A picture file the project has no record of is not its own to remove.
    const std::set<std::string>& KnownPictureFiles() const noexcept { return known_; }

    // Restores the eight movie settings and empties ProjectDir; the pictures stay.
    void ResetSettings();
    // Takes the eight movie settings of `other`; the pictures and ProjectDir stay.
    void CopySettings(const TThPicObjectManager& other);

    // Sum of the display times, and that times FRAME_RATE. 64-bit so that no project file,
    // however odd its display times, can overflow them.
    std::int64_t TotalSeconds() const noexcept;
    std::int64_t TotalFrames() const noexcept { return TotalSeconds() * FRAME_RATE; }

    // Reads ProjectDir's project.dat, given any path inside the project folder (the folder is
    // the path up to its last '/'). A missing project.dat changes nothing but ProjectDir.
    // A malformed file raises kalidor::Error and leaves the settings and pictures unchanged.
    bool LoadProject(const std::string& pathInProject);

    // Writes project.dat (atomically: the old file survives any failure) and thum.bmp, the
    // first picture fitted into 148 x 148. Raises kalidor::Error on failure. Returns true. A
    // first picture of a kind we do not read gets no thum.bmp; its message goes to showMessage.
    bool SaveProject(const std::function<void(const std::string&)>& showMessage = {}) const;

private:
    std::vector<std::unique_ptr<TThPicObject>> pictures_;
    std::set<std::string> known_;
};

}  // namespace kalidor
