#pragma once
// The places of the picture browser's drive box: the desktop, documents and home folders, then every
// mounted file system a user keeps files on (the root, disks, removable media, network shares),
// without the kernel's pseudo file systems.

#include <string>
#include <string_view>
#include <vector>

namespace kalidor::browser {

// The mount points of a mounts table (the text of /proc/self/mounts), in table order, each once,
// with the table's octal escapes (\040 for a blank) decoded. Pseudo and system mounts are left out.
std::vector<std::string> UserMountPoints(std::string_view mountsTable);

struct BrowserPlace {
    std::string folder;  // ends in '/'
    bool fileSystem = false;  // a mount point, not a user folder
};

// Desktop, documents, home (each folder once), then the user mount points of this machine that
// are folders.
std::vector<BrowserPlace> BrowserPlaces();

// The place holding `folder`: the one with the longest folder that begins it; -1 when none does.
int PlaceOf(const std::vector<BrowserPlace>& places, const std::string& folder);

}  // namespace kalidor::browser
