#pragma once
// The save-movie page without its widgets: the values its controls hold, how they are filled
// from the project and stored back, how width and height follow the aspect ratio, and the file
// dialogs' filters. A page handler keeps one MovieSettingsPage in step with its controls and
// calls these.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kalidor {

class TThPicObjectManager;

// The format buttons stand in the order MP4, MPEG, AVI; a project value outside 0..2 selects none.
enum class MovieFormatButton { None, MP4, MPEG, AVI };

inline constexpr int kQualityItemCount = 5;
// The quality list's items, highest first; the item index is the project's MovQuality. Marked
// for translation (translation/message.h), as the filters' labels are.
extern const char* const kQualityItems[kQualityItemCount];

struct MovieSettingsPage {
    MovieFormatButton format = MovieFormatButton::None;
    bool ratio16_9 = false;   // false: 4:3 selected
    int width = 640;
    int height = 480;
    int qualityIndex = -1;    // -1: no item selected
    bool useMusic = false;
    std::string musicFilePath;
    std::string saveFilePath;

    // The music path box and its browse button are usable only while music is used.
    bool MusicControlsEnabled() const noexcept { return useMusic; }
};

// Project -> page. A quality outside 0..4 leaves the list as it was.
void ShowMovieSettings(const TThPicObjectManager& project, MovieSettingsPage& page);

// Page -> project. Gives the page's movie path the format's extension first (".MP4", ".AVI",
// ".MPG"), so the page shows the path the project holds.
void StoreMovieSettings(MovieSettingsPage& page, TThPicObjectManager& project);

// A settings control changed by the user: marks the project modified and passes the page
// through the project, which rewrites the path's extension and stores every value at once.
void ApplyMovieSettingsChange(MovieSettingsPage& page, TThPicObjectManager& project, bool& modified);

// The movie path with its extension replaced by `extension` (appended when it has none). A path
// whose file name would be only the extension becomes empty, so an unchosen path stays empty.
std::string WithMovieExtension(const std::string& path, const std::string& extension);

// The extension StoreMovieSettings gives a format: ".MP4", ".AVI" or ".MPG".
const char* MovieExtension(std::uint8_t movType);

// Width edited or ratio clicked: the width raised to even, the height following it by the
// ratio and raised to even. Height edited: the same the other way round.
void CoupleHeightToWidth(MovieSettingsPage& page);
void CoupleWidthToHeight(MovieSettingsPage& page);

// A file dialog's filter: the label the user reads and the patterns it matches. The patterns
// list each extension in upper and lower case, as Linux names are case-sensitive.
struct FileDialogFilter {
    std::string label;
    std::vector<std::string> patterns;
};

// Qt's filter string: label followed by the patterns in parentheses.
std::string FilterText(const FileDialogFilter& filter);
// Whether a file name passes the filter: its extension in upper or in lower case.
bool FilterMatches(const FileDialogFilter& filter, const std::string& fileName);

FileDialogFilter MusicFileFilter();
// The movie dialog's filter for a format; nothing for a value outside 0..2 (the filter stays).
std::optional<FileDialogFilter> MovieFileFilter(std::uint8_t movType);

// The name chosen in the movie dialog, with the format's extension appended when its own (in
// any case) is not the format's. MPEG takes ".MPG" and ".MPEG".
std::string ChosenMovieFileName(const std::string& name, std::uint8_t movType);

}  // namespace kalidor
