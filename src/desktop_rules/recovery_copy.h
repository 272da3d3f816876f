#pragma once
// The recovery copy: the open project's unsaved edits kept outside its folder, so that a logout,
// a kill or a crash loses none of them. The live copy is the folder <home>/recovery/: copy.dat
// (see recovery_copy_file.h) and pictures/, links to (or copies of) the pictures added since the
// last save. A copy the user put off deciding about waits in <home>/deferred-<time>/, one the
// program could not use is kept for the user in <home>/recovery-<time>/.
//
// Nothing below the state folder is reached through a symbolic link (OwnedFolder), and only
// files copy.dat names are ever removed: it names every file of pictures/ before the file is
// made, and keeps naming it until it is gone. A write that fails leaves the copy before it as
// older.dat, so that it is offered as older than the last edit; a removal first renames copy.dat
// to removed.dat, so that a removal cut short is finished, never offered.
//
// Nothing here writes into a project's folder but RestoreRecoveredPictures, which only puts back
// missing picture copies of the program's own.

#include "desktop_rules/recovery_copy_file.h"
#include "desktop_rules/undo_history.h"
#include "model/pic_object.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kalidor::rules {

// What the window hands the writer: taken on its own thread, cheap (thumbnails are shared).
struct RecoverySnapshot {
    std::string projectDir;          // ends in '/'
    std::int64_t editedAt = 0;       // the last edit, seconds since the epoch
    FileStamp saved;                 // project.dat when the edits began (the last open or save)
    std::vector<std::string> copies; // picture copies made in projectDir since the last save
    ProjectState state;
};

// Where the copies live: $XDG_STATE_HOME/kalidor/ (default ~/.local/state/kalidor/), or
// $KALIDOR_HOME/state/kalidor/ for a scratch workspace. Ends in '/'. Raises kalidor::Error
// where there is no home folder.
std::string RecoveryHome();

inline constexpr const char* kLiveRecovery = "recovery";

// Replaces the live copy in `home` whole or not at all. Raises kalidor::Error naming the file
// and the reason (a link in the way, a full disk, no permission).
void WriteRecoveryCopy(const std::string& home, const RecoverySnapshot& snapshot);
// Removes a copy and the files it wrote; true when it is gone.
bool RemoveRecoveryCopy(const std::string& home, const std::string& folder = kLiveRecovery);
// Moves a copy to <home>/recovery-<time>/ (another free name when that one is taken), where it
// is kept for the user and not offered again. Returns that folder, or empty when it could not be
// moved: it is then left where it was.
std::string SetRecoveryCopyAside(const std::string& home, const std::string& folder = kLiveRecovery);
// Moves the live copy to <home>/deferred-<time>/ to be offered again at the next start, so that
// this run's copies do not replace it. Returns its new folder name, or empty when it could not be
// moved.
std::string DeferRecoveryCopy(const std::string& home, const std::string& folder = kLiveRecovery);
// Makes a copy the live one again (it was restored): true when it is.
bool AdoptRecoveryCopy(const std::string& home, const std::string& folder);
// The copies to offer at a start: the live one, then the deferred ones, oldest first.
std::vector<std::string> RecoveryCopiesIn(const std::string& home);

enum class RecoveryCase { None, Valid, Unchanged, Damaged, ProjectGone, ProjectChanged };

struct FoundRecovery {
    RecoveryCase state = RecoveryCase::None;
    std::string folder;  // in the home: the live copy or a deferred one
    std::string projectDir;
    std::int64_t editedAt = 0;
    // A later edit could not be written: the copy holds the edits up to editedAt only.
    bool older = false;
    std::vector<std::string> copies;
    TThPicObjectManager project;  // the edited project (ProjectDir set) when it could be read
    std::string reason;           // why a Damaged copy is refused
    std::vector<StoredPicture> stored;
};

// Reads and judges a copy: Damaged when it cannot be read whole (whatever the cause: a read
// error, another version's copy) or a picture it needs is neither in the project's folder nor
// kept unchanged in the copy; ProjectGone when the project's folder is no more (deleted or
// renamed); Unchanged when it holds nothing but what project.dat holds; ProjectChanged when
// project.dat is not as the edits began from it.
FoundRecovery FindRecoveryCopy(const std::string& home, const std::string& folder = kLiveRecovery);

// For a Valid copy: puts the pictures the edits use back into the project's folder where they
// are missing. Raises kalidor::Error when one cannot be put back.
void RestoreRecoveredPictures(const std::string& home, const FoundRecovery& found);

}  // namespace kalidor::rules
