// The encoder entry's argument parsing on arbitrary argument lists (NUL-separated): a refusal
// is fine, crashes, leaks and hangs are not.

#include "encode/encoder_entry.h"
#include "platform/error.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back().push_back(static_cast<char>(data[i]));
    }
    try {
        const kalidor::EncoderInvocation job = kalidor::AdaptEncoderArguments(args);
        kalidor::PartialOutputTemplateFor(job.output);
    } catch (const kalidor::Error&) {
    }
    return 0;
}
