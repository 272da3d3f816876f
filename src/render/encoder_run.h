#pragma once
// One run of the encoder on a thread of its own, so that the frames can be written while it
// runs. A run that has not ended when the object goes is stopped, and waited for.

#include "render/encoder_runner.h"

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <thread>

namespace kalidor {

class EncoderRun {
public:
    // Starts runner.RunAndWait(). `onEnded` runs on the run's thread once the run has ended,
    // however; `onStopping` runs before this side stops a run that is still going.
    EncoderRun(EncoderRunner& runner, std::function<void()> onStopping, std::function<void()> onEnded);
    ~EncoderRun() { Stop(); }
    EncoderRun(const EncoderRun&) = delete;
    EncoderRun& operator=(const EncoderRun&) = delete;

    // Waits for the end. Returns the exit code, or raises what the run raised (a program that
    // could not be started).
    std::uint32_t Wait();

    // Stops the run when it is still going, and waits for it.
    void Stop();

private:
    EncoderRunner& runner_;
    std::function<void()> onStopping_;
    std::atomic<bool> ended_{false};
    std::uint32_t exitCode_ = 0;
    std::exception_ptr error_;
    std::jthread thread_;  // last: it starts once everything above is there
};

}  // namespace kalidor
