#pragma once
// The encoder's argument line for a project: what lib/ffmpeg is started with.

#include "model/pic_object.h"

#include <string>

namespace kalidor {

// The line for the project's frames in its tmp/ folder, its music, format, quality, size and
// length; it begins with a blank, to follow the program's name.
std::string BuildEncoderArguments(const TThPicObjectManager& project);

}  // namespace kalidor
