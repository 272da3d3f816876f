#pragma once
// The user's documents and desktop folders, as xdg-user-dir reports them: the entry of
// $XDG_CONFIG_HOME/user-dirs.dirs (default ~/.config), else ~/Documents or ~/Desktop when they
// exist, else the home folder. Results end in '/'.

#include <string>

namespace kalidor {

std::string DocumentsFolder();
std::string DesktopFolder();

// The value of `key` ("XDG_DOCUMENTS_DIR") in the text of a user-dirs.dirs file with "$HOME"
// expanded; empty when absent or not an absolute path.
std::string UserDirFromConfig(const std::string& configText, const std::string& key, const std::string& home);

}  // namespace kalidor
