#pragma once
// Opening a project folder from the command line.

#include "model/pic_object.h"

#include <string>

namespace kalidor::cli {

// The folder as the engine holds folders: absolute where possible, ending in '/'.
std::string projectFolderPath(const std::string& argument);

// Loads the project in `folder`; raises kalidor::Error with a message for the user when the
// folder or its project.dat is missing or the file is damaged.
void loadProjectFolder(const std::string& folder, TThPicObjectManager& project);

}  // namespace kalidor::cli
