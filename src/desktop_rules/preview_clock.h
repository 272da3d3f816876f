#pragma once
// The preview's clock while it plays. A play starts once its first frames are composed and the
// music, when there is music to hear, stands loaded at the play's position; from then on the
// frame due is taken from the music's own position while the music is heard, so picture and
// sound cannot drift apart, and from a steady clock otherwise (no music, or music that has
// ended), going on from where the music was. The picture never goes back while it plays.

#include <cstdint>
#include <optional>

namespace kalidor::rules {

// Where the music stands for a play from a given position.
enum class MusicReadiness {
    None,     // nothing to hear there: no music, no sound device, music that failed or ends before
    Waiting,  // loading, or being moved to the position
    Ready,    // loaded and at the position
};

enum class StartDecision { Wait, WithMusic, Silent };

// A sound back end may move the music's position a buffer at a time (Qt's FFmpeg one: about
// every 93 ms); between its moves the music goes on with the steady clock for up to this long.
inline constexpr std::int64_t kMusicStepMs = 100;

// Music whose position stands still for longer than this while it is said to play (a stalled
// sound server) no longer holds the picture: it goes on with the steady clock until the music
// moves again.
inline constexpr std::int64_t kMusicStallMs = 1000;

// Music still not ready after this long is left out of the play: the picture plays silent
// rather than never.
inline constexpr std::int64_t kMusicWaitMs = 5000;

// Whether a play that has waited `waitedMs` for its first frames and its music starts now.
StartDecision DecideStart(bool framesReady, MusicReadiness music, std::int64_t waitedMs);

// The frame shown at a time in milliseconds of the movie (Trunc), and the first millisecond of
// a frame (Ceil, for frames from 0).
std::int64_t FrameAtMs(std::int64_t ms);
std::int64_t MsOfFrame(std::int64_t frame);

class PlayClock {
public:
    // Playing from `frame` at `nowMs` of the steady clock, following the music when `withMusic`.
    void Start(std::int64_t frame, bool withMusic, std::int64_t nowMs);
    // The frame due at `nowMs`: from `musicMs`, the position heard, while the music plays (once
    // it has moved, it goes on with the steady clock until it moves again, for kMusicStepMs at
    // most); once it no longer plays (nothing given), from the steady clock from where it was.
    std::int64_t Due(std::optional<std::int64_t> musicMs, std::int64_t nowMs);
    bool FollowsMusic() const { return followsMusic_; }

private:
    bool followsMusic_ = false;
    std::int64_t anchorMovieMs_ = 0;  // the movie's time at anchorNowMs_ of the steady clock
    std::int64_t anchorNowMs_ = 0;
    std::int64_t due_ = 0;
    std::optional<std::int64_t> heardMs_;  // the music's position last given, since it stood there
    std::int64_t heardAtMs_ = 0;
    bool musicMoved_ = false;  // the position has moved since the start: the music is heard
};

}  // namespace kalidor::rules
