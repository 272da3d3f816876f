#pragma once
// The workspace: the per-user folder that holds the projects, the action catalogue and the
// interface images, and the data delivered with the program that seeds it.
//
// Base: $KALIDOR_HOME when set (tests, portable use), else $XDG_DATA_HOME (default
// ~/.local/share); the program's folder is base + "Orvane/Kalidor/".

#include <string>

namespace kalidor {

struct Workspace {
    std::string ProjectRoot;  // every folder ends in '/'
    std::string ConfigDir;
    std::string ImgDir;
};

// The base folder from the environment, ending in '/'.
std::string WorkspaceBase();

// The folders under `base` (which may or may not end in '/').
Workspace WorkspaceAt(const std::string& base);

// Creates Orvane, Kalidor, project and config under `base` in that order (and the base itself
// when it is missing, private to the user as XDG asks); the image folder is not created. A
// folder that cannot be made raises kalidor::Error with the folder and the OS's reason: nothing
// of the program can work without them.
Workspace PrepareWorkspace(const std::string& base);

// Copies what the program delivers into the workspace where it is missing: every file of
// dataDir/img into ImgDir (creating it), dataDir/config/actionList.dat and
// dataDir/project/thum.bmp. Existing files are never replaced. Returns the number copied.
int InstallDeliveredData(const std::string& dataDir, const Workspace& workspace);

// The delivered data folder: <exe folder>/../share/kalidor when that exists (installed),
// else `fallback` (the source tree's data folder in a build tree). Ends in '/'.
std::string DeliveredDataDir(const std::string& executablePath, const std::string& fallback);

}  // namespace kalidor
