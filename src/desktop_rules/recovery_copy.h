#pragma once
// The recovery copy: the open project's unsaved edits kept outside its folder, so that a logout,
// a kill or a crash loses none of them. One copy at a time (one window runs): the folder
// <home>/recovery/ holds copy.dat -- the project's folder, the time of the last edit, what
// project.dat was when the edits began, the picture copies made since, and the project as a save
// would write it (project.dat's own bytes) -- and pictures/, links to (or copies of) the pictures
// added since the last save. Nothing here writes into a project's folder but
// RestoreRecoveredPictures, which only puts back missing picture copies of the program's own.

#include "desktop_rules/undo_history.h"
#include "model/pic_object.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kalidor::rules {

// A file as it stood: whether it existed, its size and its change time.
struct FileStamp {
    bool exists = false;
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;
    bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::string& path);

// What the window hands the writer: taken on its own thread, cheap (thumbnails are shared).
struct RecoverySnapshot {
    std::string projectDir;          // ends in '/'
    std::int64_t editedAt = 0;       // the last edit, seconds since the epoch
    FileStamp saved;                 // project.dat when the edits began (the last open or save)
    std::vector<std::string> copies; // picture copies made in projectDir since the last save
    ProjectState state;
};

// Where the copy lives: $XDG_STATE_HOME/kalidor/ (default ~/.local/state/kalidor/), or
// $KALIDOR_HOME/state/kalidor/ for a scratch workspace. Ends in '/'. Raises kalidor::Error
// where there is no home folder.
std::string RecoveryHome();

// Replaces the copy in `home` whole or not at all (copy.dat is renamed into place last, after
// the pictures it needs). Raises kalidor::Error naming the file and the reason.
void WriteRecoveryCopy(const std::string& home, const RecoverySnapshot& snapshot);
// Removes the copy; true when none is left.
bool RemoveRecoveryCopy(const std::string& home);
// Moves the copy aside to <home>/recovery-<time>/ so that it is not offered again; returns that
// folder, or empty when it could not be moved (it is then removed).
std::string SetRecoveryCopyAside(const std::string& home);

enum class RecoveryCase { None, Valid, Damaged, ProjectGone, ProjectChanged };

struct FoundRecovery {
    RecoveryCase state = RecoveryCase::None;
    std::string projectDir;
    std::int64_t editedAt = 0;
    std::vector<std::string> copies;
    TThPicObjectManager project;  // the edited project (ProjectDir set) when it could be read
    std::string reason;           // why a Damaged copy is refused
};

// Reads and judges the copy in `home`: Damaged when it cannot be read whole or a picture it needs
// is neither in the project's folder nor in the copy; ProjectGone when the project's folder is no
// more (deleted or renamed); ProjectChanged when project.dat is not as the edits began from it.
FoundRecovery FindRecoveryCopy(const std::string& home);

// For a Valid copy: puts the pictures the edits use back into the project's folder where they
// are missing. Raises kalidor::Error when one cannot be put back.
void RestoreRecoveredPictures(const std::string& home, const FoundRecovery& found);

}  // namespace kalidor::rules
