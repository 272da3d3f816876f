#pragma once
// The workspace: the per-user folder that holds the projects, the action catalogue and the
// interface images, and the data delivered with the program that seeds it.
//
// Base: $KALIDOR_HOME when set (tests, portable use), else $XDG_DATA_HOME (default
// ~/.local/share, the home taken from the user database where HOME is not set); the program's
// folder is base + "Orvane/Kalidor/".

#include <string>

namespace kalidor {

struct Workspace {
    std::string ProjectRoot;  // every folder ends in '/'
    std::string ConfigDir;
    std::string ImgDir;
};

// The base folder from the environment, ending in '/'. Raises kalidor::Error when it would
// need the home folder and the user has none (XdgBaseFolder).
std::string WorkspaceBase();

// The folders under `base` (which may or may not end in '/').
Workspace WorkspaceAt(const std::string& base);

// Creates Orvane, Kalidor, project and config under `base` in that order (and the base itself
// when it is missing, private to the user as XDG asks); the image folder is not created. A
// folder that cannot be made raises kalidor::Error with the folder and the OS's reason: nothing
// of the program can work without them.
Workspace PrepareWorkspace(const std::string& base);

// The record of what was delivered, in ConfigDir: one line per file delivered whole, in md5sum's
// form ("<md5>  img/menu01_01.png", paths under the program's folder).
inline constexpr const char* kDeliveredRecordName = "delivered.md5";

// The notice's first line when delivered data cannot be put in place; the reason follows it.
inline constexpr const char* kInstallFailedMessage = "プログラムのデータを作業フォルダに置けませんでした";
inline constexpr const char* kInstallDiskFullMessage =
    "ディスクの空き容量が足りないため、プログラムのデータを作業フォルダに置けませんでした";

// Copies what the program delivers into the workspace: every file of dataDir/img into ImgDir
// (creating it), dataDir/config/actionList.dat and dataDir/project/thum.bmp. Each goes in whole
// or not at all (a temporary file renamed into place) and is then recorded as delivered. A file
// already there is replaced only when it is not recorded and is empty or the start of the
// delivered one (a copy cut short, as a full disk left them before); a recorded file the user
// changed, or any other file, stays. A copy that fails raises kalidor::Error with
// kInstallDiskFullMessage (ENOSPC, EDQUOT) or kInstallFailedMessage, a line break and the OS's
// reason naming the file; what was copied before it stays. Returns the number copied.
int InstallDeliveredData(const std::string& dataDir, const Workspace& workspace);

// The delivered data folder: <exe folder>/../share/kalidor when that exists (installed),
// else `fallback` (the source tree's data folder in a build tree). Ends in '/'.
std::string DeliveredDataDir(const std::string& executablePath, const std::string& fallback);

}  // namespace kalidor
