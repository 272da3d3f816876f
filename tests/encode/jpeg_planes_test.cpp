#include "encode/jpeg_planes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace kalidor {
namespace {

// Every value, at lengths around the 32-byte steps and with the planes starting off alignment.
TEST(LimitPlanes, AgreeWithThePerValueFormulaAtEveryLength) {
    struct Case {
        const char* name;
        void (*plane)(std::uint8_t*, std::size_t);
        std::uint8_t (*value)(std::uint8_t);
    };
    for (const Case& c : {Case{"luma", LimitLumaPlane, LimitedLuma}, Case{"chroma", LimitChromaPlane, LimitedChroma}}) {
        for (std::size_t n : {0, 1, 31, 32, 33, 95, 256, 1000}) {
            std::vector<std::uint8_t> bytes(n + 1);
            for (std::size_t i = 0; i < bytes.size(); ++i)
                bytes[i] = static_cast<std::uint8_t>(i * 7 + n);
            const std::vector<std::uint8_t> before = bytes;
            c.plane(bytes.data() + 1, n);
            EXPECT_EQ(bytes[0], before[0]) << c.name << " " << n;
            for (std::size_t i = 1; i < bytes.size(); ++i)
                ASSERT_EQ(bytes[i], c.value(before[i])) << c.name << " length " << n << " at " << i;
        }
    }
}

}  // namespace
}  // namespace kalidor
