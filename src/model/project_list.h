#pragma once
// The projects of the workspace: one folder each directly under the project root, named by
// the user. Listing, the name checks of the name dialog, and new, rename and delete.
// Names are UTF-8; their limits count Shift-JIS bytes, as project.dat stores them.

#include "imaging/bitmap.h"
#include "translation/message.h"

#include <string>
#include <vector>

namespace kalidor {

// One entry per project folder: root + name + "/thum.bmp". Symbolic links are not projects.
// Sorted by name, so the list does not follow the file system's hash order.
std::vector<std::string> ListProjectEntries(const std::string& projectRoot);

// The folder of an entry (ending in '/') and the project's name.
std::string ProjectFolderOf(const std::string& entry);
std::string ProjectNameOf(const std::string& entry);

// The messages of the name checks.
inline constexpr const char* kEnterNameMessage = QT_TRANSLATE_NOOP("Messages", "プロジェクト名を入力してください");
inline constexpr const char* kBadCharacterMessage =
    QT_TRANSLATE_NOOP("Messages", "プロジェクト名に「\\/:*?\"<>|」の文字は使用できません");
inline constexpr const char* kNameTooLongMessage =
    QT_TRANSLATE_NOOP("Messages", "プロジェクト名は全角10文字以内で入力してください");
inline constexpr const char* kSelectProjectMessage = QT_TRANSLATE_NOOP("Messages", "プロジェクトを選択してください");
Message ProjectExistsMessage(const std::string& name);

// The checks in their order; the first failing one gives its message, an empty one when the
// name passes. The name is checked as typed (only the emptiness check trims it). A character that
// Shift-JIS cannot hold fails like the forbidden characters, with its own text.
Message CheckProjectName(const std::string& name, const std::string& projectRoot);

// New, rename and delete. Each returns "" when done, else why not: the OS's reason with the path,
// to show below the matching message here.
inline constexpr const char* kCreateFailedMessage = QT_TRANSLATE_NOOP("Messages", "プロジェクトを作成できませんでした");
inline constexpr const char* kRenameFailedMessage = QT_TRANSLATE_NOOP("Messages", "プロジェクト名を変更できませんでした");
inline constexpr const char* kDeleteFailedMessage = QT_TRANSLATE_NOOP("Messages", "プロジェクトを削除できませんでした");

// Makes root + name and copies `thumbnail` (root + "thum.bmp" when empty) into it as its
// thum.bmp (a project without it opens all the same, so only the folder counts).
std::string CreateProject(const std::string& projectRoot, const std::string& name, const std::string& thumbnail = {});
// Never replaces an existing entry. Rename and delete hold the lock an export takes on the
// project folder while they work, and refuse, touching nothing, while an export (of any process)
// holds it: "cannot rename <folder>: an export of this project is running".
std::string RenameProject(const std::string& projectRoot, const std::string& oldName, const std::string& newName);
// Deletes the project folder's tree without following symbolic links (a link in place of the
// folder is removed, not its target). Refuses names that are not one plain component. Either
// the whole project goes or, when a folder of it or the root cannot be written, nothing does.
std::string DeleteProject(const std::string& projectRoot, const std::string& name);

// Removes the project's tmp/ when no export holds the project (one that was killed, or whose
// project was renamed under it, left its frames there). Called when a project is opened.
void RemoveLeftoverFrames(const std::string& projectDir);

// What the list shows of a project: its thumbnail, or an empty bitmap and the reason it cannot
// be shown or opened (an unreadable thum.bmp, a damaged project.dat). Never throws; writes
// nothing. For a screen of `scale` above 1 it also fits the first picture into `scale` times the
// thumbnail's box, kept only when it shows what thum.bmp shows (a thum.bmp from before the
// picture was changed, or put there by hand, is shown as it is).
struct ProjectTile {
    Bitmap thumbnail;
    Bitmap sharpThumbnail;  // empty unless made as above
    std::string problem;    // "" when the project is sound
};
ProjectTile LoadProjectTile(const std::string& entry, int scale = 1);

}  // namespace kalidor
