#pragma once
// The picture copies of unsaved changes that are thrown away.

#include <set>
#include <string>
#include <vector>

namespace kalidor {

// Removes those of `copies` (picture copies the program made in `projectDir` since the project
// was last saved) that the saved project.dat does not use; all of them when there is no
// project.dat yet. Only regular files directly inside the folder go. When project.dat cannot be
// read, nothing is removed: its pictures are not known. Returns the paths removed.
std::vector<std::string> RemoveDiscardedCopies(const std::string& projectDir, const std::set<std::string>& copies);

}  // namespace kalidor
