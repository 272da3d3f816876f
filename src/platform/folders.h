#pragma once
// Making folders, with the OS's reason when it cannot be done.

#include <string>
#include <sys/types.h>

namespace kalidor {

// Makes every missing folder of the path, each with `mode` (less the umask); folders that exist,
// or links to them, are kept as they are. Raises kalidor::Error (FileError where mkdir failed)
// naming the folder that could not be made and the reason ("cannot make the folder /ro/Orvane:
// Permission denied"); a file in the way gives "Not a directory".
void MakeFolders(const std::string& path, mode_t mode);

}  // namespace kalidor
