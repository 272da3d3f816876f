#pragma once
// The user's documents and desktop folders, as xdg-user-dir reports them: the entry of
// $XDG_CONFIG_HOME/user-dirs.dirs (default ~/.config), else ~/Documents or ~/Desktop when they
// exist, else the home folder. Results end in '/'.

#include <string>

namespace kalidor {

// The user's home folder: $HOME when it holds an absolute path, else the home the user database
// gives the process's user (getpwuid_r), as a login would have set it. "" when neither gives one
// (a service started without HOME, for a user without an entry). No trailing '/'.
std::string HomeFolder();

// An XDG base folder, ending in '/': $<variable> when it holds an absolute path (a relative one
// is ignored, as the standard says), else HomeFolder() + "/" + `underHome`
// (XdgBaseFolder("XDG_STATE_HOME", ".local/state")). Raises kalidor::Error saying that there is
// no home folder when it needs one: never a shared folder such as /tmp in its place.
std::string XdgBaseFolder(const char* variable, const char* underHome);

std::string DocumentsFolder();
std::string DesktopFolder();

// The value of `key` ("XDG_DOCUMENTS_DIR") in the text of a user-dirs.dirs file with "$HOME"
// expanded; empty when absent or not an absolute path.
std::string UserDirFromConfig(const std::string& configText, const std::string& key, const std::string& home);

}  // namespace kalidor
