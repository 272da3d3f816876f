#include "encode/process_timer.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

namespace kalidor {
namespace {

using namespace std::chrono_literals;
using Clock = TProcessTimer::Clock;

TEST(TProcessTimer, LimitsPassOnlyWhenStrictlyExceeded) {
    const Clock::time_point t0{1000s};
    struct Case {
        int afterBeginning, afterOutput;
        Clock::duration outputAt;  // last output, after the start
        Clock::duration now;       // after the start
        bool expired;
        int timeoutMs;
    } cases[] = {
        {0, 0, 0s, 1000h, false, -1},
        {-5, -1, 0s, 1000h, false, -1},
        {2, 0, 0s, 2s, false, 1},           // exactly at the limit: not yet
        {2, 0, 0s, 2s + 1ns, true, 1},
        {2, 0, 0s, 500ms, false, 1501},
        {2, 0, 1900ms, 1999ms, false, 2},   // output does not extend the beginning's limit
        {0, 1, 1500ms, 2400ms, false, 101}, // the output clock counts from the last output
        {0, 1, 1500ms, 2501ms, true, 1},
        {10, 1, 5s, 5500ms, false, 501},    // the nearer deadline decides the wait
        {1, 10, 0s, 900ms, false, 101},
    };
    for (const auto& c : cases) {
        TProcessTimer timer(c.afterBeginning, c.afterOutput);
        timer.Start(t0);
        timer.ResetOutputClock(t0 + c.outputAt);
        EXPECT_EQ(timer.Expired(t0 + c.now), c.expired) << c.afterBeginning << "/" << c.afterOutput;
        EXPECT_EQ(timer.PollTimeout(t0 + c.now), c.timeoutMs) << c.afterBeginning << "/" << c.afterOutput;
    }
}

TEST(TProcessTimer, HugeLimitsDoNotOverflowTheWait) {
    TProcessTimer timer(INT32_MAX, 0);
    timer.Start(Clock::time_point{1s});
    EXPECT_EQ(timer.PollTimeout(Clock::time_point{1s}), INT_MAX);
    EXPECT_FALSE(timer.Expired(Clock::time_point{1s} + 24h * 365));
}

}  // namespace
}  // namespace kalidor
