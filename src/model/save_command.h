#pragma once
// The save command without its window: stores the settings page, writes the project and removes
// the picture copies that no picture of the project uses any more.

#include "model/movie_settings.h"
#include "translation/message.h"

#include <set>
#include <string>
#include <vector>

namespace kalidor {

class TThPicObjectManager;

inline constexpr const char* kSaveQuestion = QT_TRANSLATE_NOOP("Messages", "現在のプロジェクトを保存しますか？");
inline constexpr const char* kSavedMessage = QT_TRANSLATE_NOOP("Messages", "保存しました");

struct SaveCommandResult {
    bool saved = false;
    Message message;  // kSavedMessage, or why the project could not be written
    std::vector<std::string> kept = {};  // unused copies kept because `keep` names them
};

// For a Yes to kSaveQuestion: stores the page into the project, saves it (atomically; the old
// project.dat survives a failure), clears `modified` and removes the unused picture copies.
// When saving fails nothing is removed and `modified` stays set.
// Copies named in `keep` (those an undo could bring back) stay.
SaveCommandResult SaveProjectCommand(MovieSettingsPage& page, TThPicObjectManager& project, bool& modified,
                                     const std::set<std::string>& keep = {});

// Deletes the picture files directly inside the project folder that no picture's PicturePath
// names (exactly, letter case included) and that the project has a record of naming
// (KnownPictureFiles: named when it was opened, or added since). Only regular files with a
// picture's extension are candidates: thum.bmp and project.dat, subfolders, links, other files
// and files the project never named stay. Failed deletes are passed over; those in `keep` stay
// too. Returns the paths deleted; `kept` gets the unused
// ones that stayed for `keep`.
std::vector<std::string> RemoveUnusedPictureCopies(const TThPicObjectManager& project,
                                                   const std::set<std::string>& keep = {},
                                                   std::vector<std::string>* kept = nullptr);

}  // namespace kalidor
