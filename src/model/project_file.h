#pragma once
// Parsing of project.dat held in memory (TThPicObjectManager::LoadProject reads the file and
// calls this; the fuzzer calls it directly).

#include "model/pic_object.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kalidor {

// Reads the settings and pictures into `into`, whose ProjectDir prefixes the picture paths.
// `fileName` names the data in error messages. Raises kalidor::Error for damaged data; `into`
// is then unchanged.
void ParseProjectFile(std::span<const std::uint8_t> bytes, const std::string& fileName, TThPicObjectManager& into);

// The bytes SaveProject writes as project.dat for the project as it is now: what a save would
// keep of it, so two projects that save alike are alike for the user.
std::vector<std::uint8_t> ProjectFileBytes(const TThPicObjectManager& project);

}  // namespace kalidor
