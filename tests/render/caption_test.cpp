#include "render/caption.h"

#include "platform/error.h"
#include "imaging/font_rasterizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

namespace kalidor {
namespace {

constexpr int W = 640;
constexpr int H = 360;

TThPicObject picture(const std::string& text, std::uint8_t action, std::uint8_t style = 0,
                     std::uint32_t color = 0x000000FF, int size = 12, const char* face = "IPAGothic") {
    TThPicObject o;
    o.Text = text;
    o.StrAction = action;
    o.Font = CaptionFont{face, size, color, style};
    return o;
}

Bitmap filled(Color color, int width = W, int height = H) {
    Bitmap frame(width, height);
    frame.fillBgr24(color);
    return frame;
}

// The bounding box of the pixels that differ from `background`, and their count.
struct Ink {
    int count = 0;
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // inclusive
};
Ink inkOf(const Bitmap& frame, const Bitmap& background, int x0 = 0, int x1 = -1) {
    if (x1 < 0) x1 = frame.width();
    Ink ink;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = std::max(0, x0); x < std::min(x1, frame.width()); ++x)
            if (std::memcmp(frame.row(y) + x * 3, background.row(y) + x * 3, 3) != 0) {
                ++ink.count;
                ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y);
            }
    return ink;
}

Bitmap drawn(const TThPicObject& o, Color background = 0, int width = W, int height = H) {
    Bitmap frame = filled(background, width, height);
    const PreparedCaption caption = PrepareCaption(width, height, o);
    DrawCaption(frame, caption.point, caption.layer);
    return frame;
}

TEST(CaptionFont, SizeIsTheLargestAtWhichTheKanaFitsTheTarget) {
    struct Case {
        int frameWidth;
        int size;
        std::uint8_t style;
        int target;
    };
    for (const Case& c : {Case{640, 12, 0, 25}, Case{1280, 12, 0, 51}, Case{640, 12, fsBold, 25}}) {
        SCOPED_TRACE(c.frameWidth);
        // Measured independently over every size, not by walking down.
        FontRasterizer reference("IPAGothic", c.style & fsBold, false);
        int expected = 1;
        for (int points = 1; points <= 100; ++points) {
            reference.SetPointSize(points);
            if (reference.TextWidth("あ") <= c.target) expected = points;
        }
        ASSERT_GT(expected, 1);
        ASSERT_LT(expected, 100);
        CaptionSurface surface;
        SetupCaptionFont(surface, c.frameWidth, picture("字幕", asTopL, c.style, 0x00123456, c.size));
        EXPECT_EQ(surface.Font().Size, expected);
        EXPECT_EQ(surface.Font().Color, 0x00123456u);
        EXPECT_EQ(surface.Font().Style, c.style);
        EXPECT_LE(surface.TextWidth("あ"), c.target);
    }
    // A full-width kana is one em wide, so the em in pixels is MulDiv(points, 96, 72).
    EXPECT_EQ(PointsToPixels(12), 16);
    EXPECT_EQ(PointsToPixels(100), 133);
    EXPECT_EQ(PointsToPixels(19), 25);  // 25.33
    EXPECT_EQ(PointsToPixels(38), 51);  // 50.67
}

TEST(CaptionFont, NeverBelowOnePointAndBlankTextKeepsTheFont) {
    for (int size : {1, 0, -40}) {
        CaptionSurface surface;
        SetupCaptionFont(surface, 60, picture("字", asTopL, 0, 0, size));
        EXPECT_EQ(surface.Font().Size, 1) << size;
    }
    for (const char* text : {"", "   ", "\t \r\n"}) {
        CaptionSurface surface;
        SetupCaptionFont(surface, W, picture(text, asTopL, fsUnderline, 0x00FF00FF, 40, "IPAPGothic"));
        EXPECT_EQ(surface.Font(), CaptionFont{});
    }
}

TEST(CaptionPlacement, RuleForEveryAction) {
    struct Case {
        std::uint8_t action;
        int tw, th;
        CaptionPoint expected;
    };
    // 320 - 50.5 = 269.5 -> 270 and 320 - 49.5 = 270.5 -> 270 (halves to even); 180 - 10.5 = 169.5 -> 170.
    const Case cases[] = {
        {asNone, 101, 21, {0, 0}},
        {asCenterL, 101, 21, {10, 170}},
        {asCenterC, 101, 21, {270, 170}},
        {asCenterR, 101, 21, {529, 170}},
        {asTopL, 101, 21, {10, 10}},
        {asTopC, 99, 21, {270, 10}},
        {asTopR, 101, 21, {529, 10}},
        {asBottomL, 101, 21, {10, 329}},
        {asBottomC, 101, 23, {270, 327}},
        {asBottomR, 101, 21, {529, 329}},
        {10, 101, 21, {0, 0}},
        {255, 101, 21, {0, 0}},
        {asCenterC, 99, 23, {270, 168}},
        {asBottomR, 700, 21, {-70, 329}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CaptionPositionFor(c.action, W, H, c.tw, c.th), c.expected) << int(c.action) << " " << c.tw;
}

TEST(CaptionPlacement, MeasuresTheWholeTextInTheSurfaceFont) {
    TThPicObject o = picture(" Caption あ ", asTopL);
    CaptionSurface surface;
    SetupCaptionFont(surface, W, o);
    const int tw = surface.TextWidth(o.Text), th = surface.TextHeight();
    // Whole-pixel advances, blanks included, no kerning: widths add up.
    EXPECT_EQ(tw, surface.TextWidth(" Caption") + surface.TextWidth(" あ "));
    EXPECT_GT(surface.TextWidth(" "), 0);
    EXPECT_GE(th, PointsToPixels(surface.Font().Size));
    const int cx = static_cast<int>(std::nearbyint(W / 2.0 - tw / 2.0));
    const int my = static_cast<int>(std::nearbyint(H / 2.0 - th / 2.0));
    const CaptionPoint expected[] = {
        {0, 0},   {10, my},          {cx, my},          {W - tw - 10, my}, {10, 10},
        {cx, 10}, {W - tw - 10, 10}, {10, H - th - 10}, {cx, H - th - 10}, {W - tw - 10, H - th - 10}};
    for (int action = 0; action <= 9; ++action) {
        o.StrAction = static_cast<std::uint8_t>(action);
        EXPECT_EQ(CaptionPosition(surface, W, H, o), expected[action]) << action;
    }
    o.StrAction = 255;
    EXPECT_EQ(CaptionPosition(surface, W, H, o), (CaptionPoint{0, 0}));
}

TEST(CaptionDrawing, NothingForNoActionOrNoText) {
    const Bitmap black = filled(0);
    for (const TThPicObject& o :
         {picture("字幕 text", asNone), picture("", asCenterC, fsUnderline | fsStrikeOut),
          picture("   ", asBottomC, fsUnderline | fsStrikeOut)})
        EXPECT_EQ(drawn(o), black) << "'" << o.Text << "'";
}

TEST(CaptionDrawing, InkStaysInTheCellAndTakesTheColour) {
    const TThPicObject o = picture("Red あ", asCenterC, 0, 0x000000FF, 40);
    CaptionSurface surface;
    SetupCaptionFont(surface, W, o);
    const CaptionPoint at = CaptionPosition(surface, W, H, o);
    const int tw = surface.TextWidth(o.Text), th = surface.TextHeight();
    const Bitmap black = filled(0);
    Bitmap frame = filled(0);
    DrawCaption(frame, at, RasterizeCaption(surface, o));
    const Ink ink = inkOf(frame, black);
    ASSERT_GT(ink.count, 500);
    EXPECT_GE(ink.left, at.x);
    EXPECT_LT(ink.right, at.x + tw);
    EXPECT_GE(ink.top, at.y);
    EXPECT_LT(ink.bottom, at.y + th);
    int brightest = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const std::uint8_t* p = frame.row(y) + x * 3;
            EXPECT_EQ(p[0] | p[1], 0) << x << "," << y;  // no blue or green anywhere
            brightest = std::max<int>(brightest, p[2]);
        }
    EXPECT_EQ(brightest, 255);
}

TEST(CaptionDrawing, UnknownActionDrawsAtTheCorner) {
    const TThPicObject o = picture("Corner 角", 255);
    CaptionSurface surface;
    SetupCaptionFont(surface, W, o);
    const Ink ink = inkOf(drawn(o), filled(0));
    ASSERT_GT(ink.count, 0);
    EXPECT_LT(ink.left, 5);
    EXPECT_LT(ink.top, surface.TextHeight() / 2);
    EXPECT_LT(ink.right, surface.TextWidth(o.Text));
    EXPECT_LT(ink.bottom, surface.TextHeight());
}

TEST(CaptionDrawing, WiderThanTheFrameIsClipped) {
    const TThPicObject o = picture("A caption much wider than this small frame あいうえお", asBottomR,
                                   fsUnderline, 0x000000FF, 40);
    const PreparedCaption prepared = PrepareCaption(160, 90, o);
    ASSERT_LT(prepared.point.x, 0);
    Bitmap clipped = filled(0, 160, 90);
    DrawCaption(clipped, prepared.point, prepared.layer);
    EXPECT_GT(inkOf(clipped, filled(0, 160, 90)).count, 100);
    // Keeping only the visible part changes nothing on the frame.
    CaptionSurface surface;
    SetupCaptionFont(surface, 160, o);
    Bitmap whole = filled(0, 160, 90);
    DrawCaption(whole, prepared.point, RasterizeCaption(surface, o));
    EXPECT_EQ(clipped, whole);
    EXPECT_LE(prepared.layer.mask().width, 160);
}

TEST(CaptionDrawing, JapaneseAndLatinFromAMissingOrLatinOnlyFace) {
    for (const char* face : {"ＭＳ Ｐゴシック", "ＭＳ ゴシック", "DejaVu Sans"}) {
        SCOPED_TRACE(face);
        const TThPicObject o = picture("あA漢b", asTopL, 0, 0x00FFFFFF, 12, face);
        CaptionSurface surface;
        SetupCaptionFont(surface, W, o);
        if (std::string(face) == "DejaVu Sans") {
            if (surface.Rasterizer().PrimaryFamily() != "DejaVu Sans")
                GTEST_SKIP() << "DejaVu Sans not installed";
            EXPECT_NE(surface.Rasterizer().FamilyFor(U'あ'), "DejaVu Sans");  // a fallback face
        }
        const Bitmap frame = drawn(o);
        const Bitmap black = filled(0);
        int x = CAPTION_MARGIN;
        for (const char* character : {"あ", "A", "漢", "b"}) {
            const int width = surface.TextWidth(character);
            EXPECT_GT(inkOf(frame, black, x, x + width).count, 10) << character;
            x += width;
        }
    }
}

TEST(CaptionDrawing, StylesAddInkWhereExpected) {
    const Bitmap black = filled(0);
    const TThPicObject plain = picture("abc あい", asCenterL, 0, 0x00FFFFFF, 20);
    CaptionSurface surface;
    SetupCaptionFont(surface, W, plain);
    const CaptionPoint at = CaptionPosition(surface, W, H, plain);
    const int tw = surface.TextWidth(plain.Text);
    auto fullRows = [&](const Bitmap& frame) {
        std::vector<int> rows;  // rows inked across nearly the whole text
        for (int y = 0; y < H; ++y) {
            int count = 0;
            for (int x = at.x; x < at.x + tw; ++x) count += frame.row(y)[x * 3] > 128;
            if (count > tw * 9 / 10) rows.push_back(y);
        }
        return rows;
    };
    const Bitmap regular = drawn(plain);
    ASSERT_TRUE(fullRows(regular).empty());
    TThPicObject o = plain;
    o.Font.Style = fsUnderline;
    const std::vector<int> under = fullRows(drawn(o));
    o.Font.Style = fsStrikeOut;
    const std::vector<int> strike = fullRows(drawn(o));
    ASSERT_FALSE(under.empty());
    ASSERT_FALSE(strike.empty());
    const int baseline = at.y + surface.Rasterizer().Ascent();
    EXPECT_GE(under.front(), baseline);
    EXPECT_LT(strike.back(), baseline);
    EXPECT_GT(strike.front(), at.y + surface.Rasterizer().Ascent() / 4);

    // Synthesized bold (the face has no bold) adds ink; synthesized italic leans the stems right.
    o.Font.Style = fsBold;
    EXPECT_GT(inkOf(drawn(o), black).count, inkOf(regular, black).count * 6 / 5);
    auto lean = [&](std::uint8_t style) {
        const TThPicObject stem = picture("l", asTopL, style, 0x00FFFFFF, 40);
        const Bitmap frame = drawn(stem);
        const Ink ink = inkOf(frame, black);
        auto meanX = [&](int y) {
            double sum = 0, weight = 0;
            for (int x = 0; x < W; ++x) sum += x * frame.row(y)[x * 3], weight += frame.row(y)[x * 3];
            return sum / weight;
        };
        return meanX(ink.top + 2) - meanX(ink.bottom - 2);
    };
    EXPECT_GT(lean(fsItalic) - lean(0), 5);
}

TEST(CaptionDrawing, SystemColourWindowTextIsBlack) {
    const Bitmap white = filled(0x00FFFFFF);
    const Bitmap frame = drawn(picture("黒 Black", asCenterC, 0, clWindowText, 20), 0x00FFFFFF);
    ASSERT_GT(inkOf(frame, white).count, 100);
    int darkest = 255 * 3;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const std::uint8_t* p = frame.row(y) + x * 3;
            darkest = std::min(darkest, p[0] + p[1] + p[2]);
            EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]) << x << "," << y;  // only greys
        }
    EXPECT_EQ(darkest, 0);
    EXPECT_EQ(ResolveCaptionColor(0x80000005), 0x00FFFFFFu);
    EXPECT_EQ(ResolveCaptionColor(0x80000018), 0x00E1FFFFu);
    EXPECT_EQ(ResolveCaptionColor(0x800000FF), 0x00000000u);
    EXPECT_EQ(ResolveCaptionColor(0x00336699), 0x00336699u);
}

TEST(CaptionDrawing, BlendsRoundedAndClipsAtTheEdges) {
    CoverageMask mask{-1, 0, 3, 1, {255, 128, 1}};
    const CaptionLayer layer(mask, 0x00FF8000);  // blue 255, green 128, red 0
    Bitmap frame = filled(0x00646464, 2, 2);     // 100 everywhere
    DrawCaption(frame, {0, 1}, layer);           // the 255 falls left of the frame
    const std::uint8_t* p = frame.row(1);
    EXPECT_EQ(p[0], 178);  // 100 + 155 * 128 / 255 = 177.8
    EXPECT_EQ(p[1], 114);  // 100 + 28 * 128 / 255 = 14.05
    EXPECT_EQ(p[2], 50);   // 100 - 100 * 128 / 255 = -50.2
    EXPECT_EQ(p[3], 101);  // 100 + 155 / 255 = 100.6
    EXPECT_EQ(p[5], 100);  // 100 - 100 / 255 = -0.39
    EXPECT_EQ(frame.row(0)[0], 100);
    DrawCaption(frame, {-5, 1}, layer);
    DrawCaption(frame, {0, 2}, layer);
    DrawCaption(frame, {1 << 30, -(1 << 30)}, layer);
    EXPECT_EQ(frame.row(1)[0], 178);
    Bitmap paletted(4, 4, 8);
    EXPECT_THROW(DrawCaption(paletted, {0, 0}, layer), Error);
}

TEST(CaptionDrawing, ConcurrentSetUpsAndDrawsMatchSerialOnes) {
    const TThPicObject o = picture("並行 Threads", asBottomC, fsItalic, 0x0000FFFF, 16, "ＭＳ Ｐゴシック");
    const PreparedCaption caption = PrepareCaption(W, H, o);
    Bitmap background(W, H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W * 3; ++x) background.row(y)[x] = static_cast<std::uint8_t>(x * 7 + y * 13);
    Bitmap serial = background;
    DrawCaption(serial, caption.point, caption.layer);
    ASSERT_NE(serial, background);
    std::vector<Bitmap> frames(8, background);
    std::vector<std::thread> threads;
    for (Bitmap& frame : frames)
        threads.emplace_back([&] { DrawCaption(frame, caption.point, caption.layer); });
    for (std::thread& thread : threads) thread.join();
    for (const Bitmap& frame : frames) EXPECT_EQ(frame, serial);

    // Set-ups of several pictures may run at once too: nothing is shared between surfaces.
    std::vector<PreparedCaption> prepared(4);
    threads.clear();
    for (PreparedCaption& p : prepared) threads.emplace_back([&] { p = PrepareCaption(W, H, o); });
    for (std::thread& thread : threads) thread.join();
    for (const PreparedCaption& p : prepared) {
        EXPECT_EQ(p.point, caption.point);
        EXPECT_EQ(p.layer.mask().alpha, caption.layer.mask().alpha);
    }
}

}  // namespace
}  // namespace kalidor
