#include "imaging/drawing.h"
#include "imaging/bitmap_utils.h"
#include "render/frame_composer.h"
#include "render/frame_recipe.h"
#include "render/scale_brightness.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kalidor {
namespace {

// A picture whose every pixel differs from black and from its neighbours.
Bitmap testPicture(int w, int h) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = b.row(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(1 + x % 250);
            p[1] = static_cast<std::uint8_t>(1 + y % 250);
            p[2] = static_cast<std::uint8_t>(1 + (x + y) % 250);
        }
    return b;
}

bool isBlack(const Bitmap& b, int x, int y) {
    const std::uint8_t* p = b.row(y) + 3 * x;
    return p[0] == 0 && p[1] == 0 && p[2] == 0;
}

bool samePixel(const Bitmap& a, const Bitmap& b, int x, int y) {
    return std::equal(a.row(y) + 3 * x, a.row(y) + 3 * x + 3, b.row(y) + 3 * x);
}

// Columns (or rows) of the frame that show the picture; all others must be black.
std::vector<int> shownLines(const Bitmap& frame, const Bitmap& picture, bool rows) {
    std::vector<int> shown;
    const int extent = rows ? frame.height() : frame.width();
    for (int i = 0; i < extent; ++i) {
        const int x = rows ? frame.width() / 2 : i, y = rows ? i : frame.height() / 2;
        if (samePixel(frame, picture, x, y))
            shown.push_back(i);
        else
            EXPECT_TRUE(isBlack(frame, x, y)) << i;
    }
    return shown;
}

std::vector<int> range(int begin, int end) {
    std::vector<int> v;
    for (int i = begin; i < end; ++i)
        v.push_back(i);
    return v;
}

TEST(FrameRecipe, EveryActionGivesDisplayTimeTimesThirtyFrames) {
    for (int action = 0; action < 256; action += (action < 8 ? 1 : 61))
        for (int seconds : {3, 4, 12}) {
            const auto plan = PlanForAction(static_cast<std::uint8_t>(action), 640, 480, FramesOfPicture(seconds));
            EXPECT_EQ(plan.frames.size(), static_cast<std::size_t>(seconds * 30)) << action;
        }
    EXPECT_EQ(FramesOfPicture(0), 0);
    EXPECT_EQ(FramesOfPicture(-4), 0);
    // Unknown actions are still pictures.
    EXPECT_EQ(PlanForAction(255, 640, 480, 90).frames, PlanStill(640, 480, 90).frames);
    EXPECT_EQ(PlanForAction(7, 640, 480, 90).frames, PlanStill(640, 480, 90).frames);
}

// A plan worked out in pieces is the plan worked out at once, and no piece is longer than asked.
TEST(FrameRecipe, PlannerPiecesMakeTheWholePlan) {
    for (int action = 0; action <= 7; ++action)
        for (int piece : {1, 7, 31, 100000}) {
            EffectPlanner planner(static_cast<std::uint8_t>(action), 160, 120, 130);
            std::vector<FrameRecipe> joined;
            for (auto next = planner.Next(piece); !next.empty(); next = planner.Next(piece)) {
                EXPECT_LE(next.size(), static_cast<std::size_t>(piece));
                joined.insert(joined.end(), next.begin(), next.end());
            }
            const EffectPlan whole = PlanForAction(static_cast<std::uint8_t>(action), 160, 120, 130);
            EXPECT_EQ(joined, whole.frames) << action << " in pieces of " << piece;
            EXPECT_EQ(planner.Reversed(), whole.reversed) << action;
        }
}

TEST(FrameRecipe, ZoomGeometryAt640x480ForThreeSeconds) {
    const auto plan = PlanZoom(640, 480, 90, false);
    struct Expect {
        int k, w, h;
        bool scaled;
        double brightness;
    } expected[] = {
        {0, 213, 160, true, 1 / 30.0},   {1, 227, 172, true, 2 / 30.0}, {30, 633, 520, true, 31 / 30.0},
        {31, 647, 532, true, 32 / 30.0}, {32, 661, 544, false, 1},      {33, 661, 544, false, 1},
        {34, 663, 546, false, 1},        {60, 689, 572, false, 1},      {61, 689, 572, true, 29 / 30.0},
        {62, 731, 601, true, 28 / 30.0},
        {89, 1865, 1384, true, 1 / 30.0},
    };
    for (const auto& e : expected) {
        const FrameRecipe& r = plan.frames[static_cast<std::size_t>(e.k)];
        EXPECT_EQ(r.zoomWidth, e.w) << e.k;
        EXPECT_EQ(r.zoomHeight, e.h) << e.k;
        EXPECT_EQ(r.scaled, e.scaled) << e.k;
        if (e.scaled) {
            EXPECT_EQ(r.brightness, e.brightness) << e.k;
        }
        // Ceil of the half difference, negative once larger than the frame.
        EXPECT_EQ(r.left, static_cast<int>(std::ceil((640 - e.w) / 2.0))) << e.k;
        EXPECT_EQ(r.top, static_cast<int>(std::ceil((480 - e.h) / 2.0))) << e.k;
    }
    EXPECT_EQ(plan.frames[0].left, 214);
    EXPECT_EQ(plan.frames[0].top, 160);
    EXPECT_EQ(plan.frames[89].left, -612);
}

TEST(FrameRecipe, ReversedEffectsAreTheSameSequence) {
    const auto in = PlanZoom(640, 480, 120, false), out = PlanZoom(640, 480, 120, true);
    EXPECT_EQ(in.frames, out.frames);
    EXPECT_FALSE(in.reversed);
    EXPECT_TRUE(out.reversed);
    const auto left = PlanCurtain(640, 480, 120, false), right = PlanCurtain(640, 480, 120, true);
    EXPECT_EQ(left.frames, right.frames);
    EXPECT_TRUE(right.reversed);
    EXPECT_FALSE(PlanBlind(640, 480, 90, true).reversed);
}

TEST(FrameRecipe, CurtainFramesOnTheComposedBitmap) {
    const Bitmap picture = testPicture(640, 480);
    FrameComposer composer(picture, {});
    const auto plan = PlanCurtain(640, 480, 90, false);
    Bitmap frame;
    composer.compose(plan.frames[0], frame);
    EXPECT_TRUE(shownLines(frame, picture, false).empty());
    composer.compose(plan.frames[1], frame);
    EXPECT_EQ(shownLines(frame, picture, false), (std::vector<int>{5, 6, 15}));
    composer.compose(plan.frames[30], frame);  // R = 650: uncovered past the right edge
    EXPECT_EQ(frame, picture);
    composer.compose(plan.frames[61], frame);  // first covering frame, L = 0
    EXPECT_EQ(frame, picture);
    // The last frame has L = 28 x 25 = 700: only the ends of the comb are left.
    composer.compose(plan.frames[89], frame);
    EXPECT_EQ(shownLines(frame, picture, false), (std::vector<int>{610, 620, 621, 630, 631, 632}));
    composer.compose(plan.frames[63], frame);  // L = 50: [50, 640) and the bands left of it
    std::vector<int> expected;
    for (int i = 5; i >= 1; --i)
        for (int c : range(50 - 10 * i, 50 - 10 * i + 10 - i))
            expected.push_back(c);
    for (int c : range(50, 640))
        expected.push_back(c);
    EXPECT_EQ(shownLines(frame, picture, false), expected);
}

TEST(FrameRecipe, BlindFramesOnTheComposedBitmap) {
    const Bitmap picture = testPicture(640, 480);
    FrameComposer composer(picture, {});
    Bitmap frame;
    const auto vertical = PlanBlind(640, 480, 90, false);
    composer.compose(vertical.frames[7], frame);  // slats 24 rows high, 0.8 rows a frame
    std::vector<int> rows;
    for (int i = 0; i < 20; ++i)
        for (int r : range(24 * i, 24 * i + 5))
            rows.push_back(r);
    EXPECT_EQ(shownLines(frame, picture, true), rows);

    const auto horizontal = PlanBlind(640, 480, 120, true);
    composer.compose(horizontal.frames[0], frame);
    EXPECT_TRUE(shownLines(frame, picture, false).empty());
    for (int k : {30, 45, 89}) {
        composer.compose(horizontal.frames[static_cast<std::size_t>(k)], frame);
        EXPECT_EQ(frame, picture) << k;
    }
    composer.compose(horizontal.frames[90], frame);  // e = 0: whole slats
    EXPECT_EQ(frame, picture);
    composer.compose(horizontal.frames[119], frame);  // e = 29: the last 1/30 of each 32-column slat
    std::vector<int> columns;
    for (int i = 0; i < 20; ++i)
        for (int c : range(static_cast<int>(std::ceil(i * 32 + 29 * (32 / 30.0))), 32 * (i + 1)))
            columns.push_back(c);
    EXPECT_EQ(shownLines(frame, picture, false), columns);
}

TEST(FrameRecipe, ZoomFramesOnTheComposedBitmap) {
    const Bitmap picture = testPicture(640, 480);
    const auto plan = PlanZoom(640, 480, 90, false);
    Bitmap frame, whole;
    FrameComposer composer(picture, {});
    FrameComposer wholeComposer(picture, {});
    wholeComposer.setResampleWholeZoom(true);

    composer.compose(plan.frames[0], frame);
    Bitmap expected = ResizeBilinear(picture, 213, 160);
    ScaleBrightness(expected, 1 / 30.0);
    Bitmap reference(640, 480);
    DrawBitmap(reference, expected, 214, 160);
    EXPECT_EQ(frame, reference);

    // Late frames: only the visible part is resampled, with the same bytes.
    for (std::size_t k : {40u, 75u, 89u}) {
        composer.compose(plan.frames[k], frame);
        wholeComposer.compose(plan.frames[k], whole);
        EXPECT_EQ(frame, whole) << k;
    }
    Bitmap last = ResizeBilinear(picture, 1865, 1384);
    ScaleBrightness(last, 1 / 30.0);
    Bitmap centre(640, 480);
    DrawBitmap(centre, last, -612, -452);
    composer.compose(plan.frames[89], frame);
    EXPECT_EQ(frame, centre);
}

}  // namespace
}  // namespace kalidor
