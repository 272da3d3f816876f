#include "render/encoder_run.h"

namespace kalidor {

EncoderRun::EncoderRun(EncoderRunner& runner, std::function<void()> onStopping, std::function<void()> onEnded)
    : runner_(runner), onStopping_(std::move(onStopping)), thread_([this, onEnded = std::move(onEnded)] {
          try {
              exitCode_ = runner_.RunAndWait();
          } catch (...) {
              error_ = std::current_exception();
          }
          ended_.store(true);
          if (onEnded)
              onEnded();
      }) {}

std::uint32_t EncoderRun::Wait() {
    if (thread_.joinable())
        thread_.join();
    if (error_)
        std::rethrow_exception(error_);
    return exitCode_;
}

void EncoderRun::Stop() {
    if (!thread_.joinable())
        return;
    if (!ended_.load()) {
        if (onStopping_)
            onStopping_();
        runner_.RequestStop();
    }
    thread_.join();
}

}  // namespace kalidor
