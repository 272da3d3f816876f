#pragma once
// The checks a movie's settings pass before an export starts, with the messages the user sees.

#include "translation/message.h"

#include <optional>
#include <string>

namespace kalidor {

class TThPicObjectManager;

inline constexpr int kMinMovieSide = 100;
inline constexpr int kMaxMovieSide = 2000;

// The message for a size outside 100..2000 a side, or nothing when the size is fine.
std::optional<Message> MovieSizeProblem(int width, int height);

// The message for paths the export cannot use, or nothing when they are fine: a music file
// (when music is used) that is missing or is no regular file (a folder, a FIFO, a device), an
// empty movie path, and a project folder, music or movie path
// that the encoder's command line cannot carry (a double quote, a NUL byte, a final backslash).
std::optional<Message> ExportPathProblem(const TThPicObjectManager& project);

// The message for a movie path that would overwrite the project's own files: project.dat,
// thum.bmp, one of its pictures, or anything inside its tmp/ folder (removed after every
// export). Nothing when the path is free of them. Links and ".." are resolved first, and a path
// naming an existing file is compared by identity too, so a second name of a file is caught.
std::optional<Message> MovieOutputProblem(const TThPicObjectManager& project);
std::optional<Message> MovieOutputProblem(const TThPicObjectManager& project, const std::string& saveFilePath);

// The message for a music file that holds no sound the movie can take, naming it, with `reason`
// (the prober's words, naming the file) after it: "「song.txt」には音声がありません: <reason>".
// The export checks for it before anything is made (the check needs ffprobe, so it runs on the
// export's own thread).
Message MusicWithoutSoundMessage(const std::string& musicPath, const std::string& reason);

// The message for display times that cannot be rendered: a picture shown for less than 1
// second (naming it), or a movie longer than the frame numbering holds.
std::optional<Message> MovieLengthProblem(const TThPicObjectManager& project);

// The paths of an export that the settings page holds before they are stored in the project.
struct ExportPaths {
    bool useMusic = false;
    std::string musicFilePath;
    std::string saveFilePath;
};
// The checks of ExportPathProblem, then those of MovieOutputProblem, for these paths in that project.
std::optional<Message> ExportPathProblem(const TThPicObjectManager& project, const ExportPaths& paths);

}  // namespace kalidor
