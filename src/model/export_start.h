#pragma once
// What the export button checks and asks before an export starts, on the settings page's
// values: the first refusal in order (size, music, movie path, paths the encoder cannot use,
// a movie path that is the project's own), then whether an existing movie file is to be
// replaced.

#include "model/movie_settings.h"
#include "translation/message.h"

#include <optional>
#include <string>

namespace kalidor {

class TThPicObjectManager;

// The title of the program's Yes/No questions.
inline constexpr const char* kConfirmTitle = QT_TRANSLATE_NOOP("Messages", "確認");

struct ExportStartCheck {
    std::optional<Message> refusal;            // shown in a plain message box; the click ends
    std::optional<Message> overwriteQuestion;  // asked Yes/No when no refusal; No ends the click
};

ExportStartCheck CheckExportStart(const MovieSettingsPage& page, const TThPicObjectManager& project);

// "<name>は既に存在します。" CR LF "上書きしてもよろしいですか？", the name without its folder.
Message OverwriteQuestion(const std::string& moviePath);

// The folder of the movie path, ending in '/' (the progress dialog opens it).
std::string MovieFolderOf(const std::string& moviePath);

// Makes the movie's folder with its missing parents. A failure is left for the encoder to
// report, so this only says whether the folder is there.
bool MakeMovieFolder(const std::string& moviePath);

}  // namespace kalidor
