#include "encode/process_timer.h"

#include <algorithm>
#include <climits>
#include <optional>

namespace kalidor {
namespace {

std::optional<TProcessTimer::Clock::time_point> deadline(TProcessTimer::Clock::time_point from,
                                                         std::int32_t seconds) {
    if (seconds <= 0)
        return std::nullopt;
    return from + std::chrono::seconds(seconds);
}

}  // namespace

bool TProcessTimer::Expired(Clock::time_point now) const noexcept {
    for (auto d : {deadline(started_, maxAfterBeginning_), deadline(lastOutput_, maxAfterLastOutput_)})
        if (d && now > *d)
            return true;
    return false;
}

int TProcessTimer::PollTimeout(Clock::time_point now) const noexcept {
    std::optional<Clock::time_point> nearest;
    for (auto d : {deadline(started_, maxAfterBeginning_), deadline(lastOutput_, maxAfterLastOutput_)})
        if (d && (!nearest || *d < *nearest))
            nearest = d;
    if (!nearest)
        return -1;
    if (now > *nearest)
        return 1;
    // Truncated milliseconds plus one: the wait always ends past the deadline, never on it.
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(*nearest - now).count() + 1;
    return static_cast<int>(std::min<long long>(ms, INT_MAX));
}

}  // namespace kalidor
