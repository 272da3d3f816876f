#pragma once
// The two time limits of a run, as steady-clock deadlines: the run may last `maxAfterBeginning`
// seconds, and may go `maxAfterLastOutput` seconds without reporting a line. A limit of 0 or
// less is no limit. A limit is passed once strictly more time than it allows has gone by.
//
// The read loop asks PollTimeout how long it may block, so it wakes when a limit runs out
// instead of ticking.

#include <chrono>
#include <cstdint>

namespace kalidor {

class TProcessTimer {
public:
    using Clock = std::chrono::steady_clock;

    TProcessTimer(std::int32_t maxAfterBeginning, std::int32_t maxAfterLastOutput) noexcept
        : maxAfterBeginning_(maxAfterBeginning), maxAfterLastOutput_(maxAfterLastOutput) {}

    void Start(Clock::time_point now) noexcept { started_ = lastOutput_ = now; }
    void ResetOutputClock(Clock::time_point now) noexcept { lastOutput_ = now; }

    bool Expired(Clock::time_point now) const noexcept;

    // Milliseconds to wait so that the nearest limit has passed when the wait ends (at least 1,
    // at most INT_MAX); -1 when no limit applies.
    int PollTimeout(Clock::time_point now) const noexcept;

private:
    std::int32_t maxAfterBeginning_;
    std::int32_t maxAfterLastOutput_;
    Clock::time_point started_{};
    Clock::time_point lastOutput_{};
};

}  // namespace kalidor
