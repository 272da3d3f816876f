// Reading the text keys of thumbnail cache entries on arbitrary bytes: any answer is fine,
// crashes, leaks and hangs are not.

#include "imaging/png_writer.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = kalidor::png::readText({data, size});
    if (text)
        for (const auto& [key, value] : *text)
            if (key.size() + value.size() > size)
                __builtin_trap();  // a key or value longer than the input was made up
    return 0;
}
