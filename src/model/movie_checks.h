#pragma once
// The checks a movie's settings pass before an export starts, with the messages the user sees.

#include <optional>
#include <string>

namespace kalidor {

class TThPicObjectManager;

inline constexpr int kMinMovieSide = 100;
inline constexpr int kMaxMovieSide = 2000;

// The message for a size outside 100..2000 a side, or nothing when the size is fine.
std::optional<std::string> MovieSizeProblem(int width, int height);

// The message for paths the export cannot use, or nothing when they are fine: a missing music
// file (when music is used), an empty movie path, and a project folder, music or movie path
// that the encoder's command line cannot carry (a double quote, a NUL byte, a final backslash),
// and a movie path that is a file of the project (project.dat, thum.bmp, a picture) or lies in
// its tmp folder, which the export fills and removes.
std::optional<std::string> ExportPathProblem(const TThPicObjectManager& project);

// The paths of an export that the settings page holds before they are stored in the project.
struct ExportPaths {
    bool useMusic = false;
    std::string musicFilePath;
    std::string saveFilePath;
};
// The same checks for these paths in that project.
std::optional<std::string> ExportPathProblem(const TThPicObjectManager& project, const ExportPaths& paths);

}  // namespace kalidor
