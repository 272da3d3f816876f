#include "desktop_rules/preview_clock.h"

#include "model/pic_object.h"

#include <algorithm>

namespace kalidor::rules {

StartDecision DecideStart(bool framesReady, MusicReadiness music, std::int64_t waitedMs) {
    if (music == MusicReadiness::Waiting && waitedMs < kMusicWaitMs) return StartDecision::Wait;
    if (!framesReady) return StartDecision::Wait;
    return music == MusicReadiness::Ready ? StartDecision::WithMusic : StartDecision::Silent;
}

std::int64_t FrameAtMs(std::int64_t ms) { return ms * FRAME_RATE / 1000; }

// Ceil, so that the time maps back to the frame itself.
std::int64_t MsOfFrame(std::int64_t frame) { return (frame * 1000 + FRAME_RATE - 1) / FRAME_RATE; }

void PlayClock::Start(std::int64_t frame, bool withMusic, std::int64_t nowMs) {
    followsMusic_ = withMusic;
    anchorMovieMs_ = MsOfFrame(frame);
    anchorNowMs_ = nowMs;
    due_ = frame;
    heardMs_.reset();
    musicMoved_ = false;
}

std::int64_t PlayClock::Due(std::optional<std::int64_t> musicMs, std::int64_t nowMs) {
    std::int64_t movieMs = 0;
    if (followsMusic_ && musicMs) {
        if (*musicMs != heardMs_) {
            musicMoved_ = heardMs_.has_value();
            heardMs_ = *musicMs;
            heardAtMs_ = nowMs;
        }
        const std::int64_t stood = nowMs - heardAtMs_;
        movieMs = *musicMs + (musicMoved_ ? std::min(stood, kMusicStepMs) : 0) + std::max<std::int64_t>(stood - kMusicStallMs, 0);
        anchorMovieMs_ = movieMs;
        anchorNowMs_ = nowMs;
    } else {
        // The music has ended (or there is none): the steady clock from the last position heard.
        followsMusic_ = false;
        movieMs = anchorMovieMs_ + (nowMs - anchorNowMs_);
    }
    due_ = std::max(due_, FrameAtMs(movieMs));
    return due_;
}

}  // namespace kalidor::rules
