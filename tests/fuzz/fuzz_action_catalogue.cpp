// actionList.dat parsing on arbitrary bytes: errors are fine, crashes, leaks and hangs are not.

#include "actions/catalogue_file.h"
#include "platform/error.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        kalidor::ParseCatalogue({data, size}, "actionList.dat");
    } catch (const kalidor::Error&) {
    }
    return 0;
}
