#pragma once
// The workspace: the per-user folder that holds the projects, the action catalogue and the
// interface images, and the data delivered with the program that seeds it.
//
// Base: $KALIDOR_HOME when set (tests, portable use), else $XDG_DATA_HOME (default
// ~/.local/share, the home taken from the user database where HOME is not set); the program's
// folder is base + "Orvane/Kalidor/".

#include "translation/message.h"

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
inline constexpr const char* kInstallFailedMessage =
    QT_TRANSLATE_NOOP("Messages", "プログラムのデータを作業フォルダに置けませんでした");
inline constexpr const char* kInstallDiskFullMessage =
    QT_TRANSLATE_NOOP("Messages", "ディスクの空き容量が足りないため、プログラムのデータを作業フォルダに置けませんでした");

// Copies what the program delivers into the workspace: every file of dataDir/img and of its
// language folders into ImgDir (creating them), dataDir/config/actionList.dat and dataDir/project/thum.bmp. Each goes in whole
// or not at all (a temporary file renamed into place) and is then recorded as delivered. A file
// already there is replaced only when it is not recorded and is empty or the start of the
// delivered one (a copy cut short, as a full disk left them before); a recorded file the user
// changed, or any other file, stays. A copy that fails raises kalidor::MessageError with
// kInstallDiskFullMessage (ENOSPC, EDQUOT) or kInstallFailedMessage and, as its detail, the OS's
// reason naming the file; what was copied before it stays. Returns the number copied.
int InstallDeliveredData(const std::string& dataDir, const Workspace& workspace);

// Where an interface image of the workspace is found for the interface's language ("ja", "en",
// "pt_BR"): the images that carry words are drawn again for other languages into
// img/<language>/, English's standing for a language without its own; the rest, and the
// Japanese, are in img/ itself. A delivered image the user has replaced in img/ (it differs from
// the record of what was delivered) is the user's and shows in every language, unless the
// language's drawing was replaced too.
std::string InterfaceImagePath(const Workspace& workspace, const std::string& name, const std::string& language);
// The same for the thumbnail a new project starts with: ProjectRoot's thum.bmp (which reads
// "画像なし"), drawn again as img/<language>/thum.bmp.
std::string EmptyProjectThumbnail(const Workspace& workspace, const std::string& language);

// The delivered data folder: <exe folder>/../share/kalidor when that exists (installed),
// else `fallback` (the source tree's data folder in a build tree). Ends in '/'.
std::string DeliveredDataDir(const std::string& executablePath, const std::string& fallback);

}  // namespace kalidor
