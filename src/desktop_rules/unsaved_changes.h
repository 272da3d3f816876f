#pragma once
// What the open project holds that is not saved. The edits set the window's own mark; this keeps
// the fingerprint of what the last open or save read or wrote, so an edit that forgot its mark
// still counts, and the picture copies made since then, which are the program's own to remove
// when the changes are thrown away.

#include "model/pic_object.h"

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kalidor::rules {

class UnsavedChanges {
public:
    // The project was opened or saved: it now holds what project.dat holds.
    void Saved(const TThPicObjectManager& project);
    // Whether a save would write other bytes than those read or written last.
    bool Differs(const TThPicObjectManager& project) const;

    // A copy made in the project folder by adding a picture.
    void CopyMade(const std::string& path);
    // The copies made since the last save, which a recovery copy keeps.
    const std::set<std::string>& Copies() const { return copies_; }
    // The unsaved changes are thrown away (another project opened, the program ends): removes
    // the copies made since the last save that the saved project.dat does not use. Returns them.
    std::vector<std::string> Discard(const std::string& projectDir);

private:
    std::optional<std::size_t> saved_;
    std::set<std::string> copies_;
};

}  // namespace kalidor::rules
