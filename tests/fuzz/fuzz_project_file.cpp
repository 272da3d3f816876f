// project.dat parsing on arbitrary bytes: errors are fine, crashes, leaks and hangs are not.

#include "model/project_file.h"
#include "platform/error.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kalidor::TThPicObjectManager project;
    project.ProjectDir = "/fuzz/";
    try {
        kalidor::ParseProjectFile({data, size}, "project.dat", project);
    } catch (const kalidor::Error&) {
    }
    return 0;
}
