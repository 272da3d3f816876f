#include "desktop_rules/preview_clock.h"

#include <gtest/gtest.h>

namespace kalidor::rules {
namespace {

TEST(PreviewClock, StartsWhenFramesAndMusicAreReady) {
    using enum MusicReadiness;
    using enum StartDecision;
    struct Case {
        bool frames;
        MusicReadiness music;
        std::int64_t waited;
        StartDecision decision;
    } const cases[] = {
        {true, Ready, 0, WithMusic},    {false, Ready, 0, Wait},   {true, Waiting, 0, Wait},
        {true, Waiting, kMusicWaitMs, Silent},  // music that never comes is left out
        {false, Waiting, kMusicWaitMs, Wait},   {true, None, 0, Silent},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecideStart(c.frames, c.music, c.waited), c.decision) << c.frames << " " << int(c.music) << " " << c.waited;
}

// Played from frame 30 (1000 ms of the movie) at 5000 ms of the steady clock, with music.
TEST(PreviewClock, FollowsTheMusicThenTheSteadyClock) {
    for (std::int64_t frame : {0, 1, 29, 30, 31, 899})
        EXPECT_EQ(FrameAtMs(MsOfFrame(frame)), frame) << frame;
    PlayClock clock;
    clock.Start(30, true, 5000);
    struct Step {
        std::optional<std::int64_t> music;
        std::int64_t now;
        std::int64_t due;
    } const steps[] = {
        {1000, 5100, 30},          // not heard yet: the picture waits for it
        {1000, 5200, 30},
        {1100, 5300, 33},          // heard: its position, not the steady clock's
        {1050, 5310, 33},          // a position that goes back never takes the picture back
        {2000, 5400, 60},
        {2000, 5450, 61},          // between moves of the position: the steady clock, for one step
        {2000, 5600, 63},
        {2000, 6400, 63},          // standing still for a second: the picture waits for it
        {2000, 7400, 93},          // stalled longer: the steady clock goes on
        {2500, 7500, 93},          // moving again, behind the picture: it holds until caught up
        {3200, 7600, 96},
        {std::nullopt, 7700, 99},  // ended: the steady clock from where the music was
        {std::nullopt, 8600, 126},
    };
    for (const Step& s : steps) EXPECT_EQ(clock.Due(s.music, s.now), s.due) << s.now;
    EXPECT_FALSE(clock.FollowsMusic());
    clock.Start(0, false, 100);
    EXPECT_EQ(clock.Due(5000, 1100), 30);  // silent: music positions count for nothing
}

}  // namespace
}  // namespace kalidor::rules
