#include "ui_images.h"

#include "style.h"

#include "platform/error.h"

#include <cmath>
#include <optional>
#include <string>

namespace kalidor::uidata {
namespace {

bool isActive(Face face) { return face == Face::Active || face == Face::ActiveOver || face == Face::ActiveDown; }

// What stands left of a label: a step number or a pictogram, in a round badge.
struct Badge {
    std::optional<int> number;
    std::optional<Glyph> glyph;
    Rgba colour = colours::accent;
};

// A face with a badge and a label, centred together; the badge is left out when both would
// not fit, so a label is never cut.
Bitmap LabelledButton(int width, int height, Face face, const Badge& badge, const std::string& label, int points,
                      int scale) {
    Canvas c(width, height, scale);
    const float radius = height >= 50 ? 10 : 8;
    DrawFace(c, face, radius);
    FontRasterizer font = UiFont(points, true);
    const float r = height >= 60 ? 14 : 12;
    const bool hasBadge = badge.number || badge.glyph;
    const int textWidth = font.TextWidth(label);
    const float gap = 9;
    const bool showBadge = hasBadge && textWidth + 2 * r + gap <= width - 16;
    if (textWidth > width - 8)
        throw Error("make-ui-data: \"" + label + "\" does not fit a " + std::to_string(width) + "-pixel button");
    const float block = textWidth + (showBadge ? 2 * r + gap : 0);
    float x = (width - block) / 2;
    const float cy = (height - 1) / 2.0f;
    const bool active = isActive(face);
    if (showBadge) {
        const Rgba badgeColour = active ? hex(0xFFFFFF) : badge.colour;
        const Rgba content = active ? badge.colour : hex(0xFFFFFF);
        c.circle(x + r, cy, r, badgeColour);
        if (badge.number) {
            FontRasterizer digits = UiFont(points, true);
            c.textCentred(digits, std::to_string(*badge.number), x, cy - r, 2 * r, 2 * r, content);
        } else {
            DrawGlyph(c, *badge.glyph, x + r, cy, r * 1.2f, content, badgeColour);
        }
        x += 2 * r + gap;
    }
    c.text(font, label, std::floor(x), std::floor(cy - font.LineHeight() / 2.0f + 0.5f),
           active ? hex(0xFFFFFF) : colours::ink);
    return c.toBgra32();
}

Bitmap MenuBack(int scale) {
    Canvas c(8, 63, scale);
    c.roundRectGradient(0, 0, 8, 62, 0, hex(0xFAFBFD), hex(0xE7ECF2));
    c.roundRect(0, 62, 8, 1, 0, hex(0xC9D3DE));
    return c.toBgra32();
}

Bitmap TimeIcon(int scale) {
    Canvas c(23, 23, scale);
    c.circle(11.5f, 11.5f, 10.5f, hex(0xFFFFFF));
    DrawGlyph(c, Glyph::Clock, 11.5f, 11.5f, 22, colours::accent, hex(0xFFFFFF));
    return c.toBgra32();
}

// The caption font button of a storyboard panel.
Bitmap FontButton(Face face, int scale) {
    Canvas c(40, 40, scale);
    DrawFace(c, face, 8);
    FontRasterizer big = UiFont(14, true);
    FontRasterizer small = UiFont(10, true);
    const int aw = big.TextWidth("A"), sw = small.TextWidth("あ");  // a sign for fonts: not translated
    const float x = (40 - aw - sw - 1) / 2.0f;
    const float baseline = 27;
    c.text(big, "A", std::floor(x), baseline - big.Ascent(), colours::accent);
    c.text(small, "あ", std::floor(x + aw + 1), baseline - small.Ascent(), colours::ink);  // not translated
    return c.toBgra32();
}

struct Command {
    const char* control;
    int width;
    int height;
    Glyph glyph;
    Rgba colour;
    const char* label;
    bool primary = false;
};

}  // namespace

std::vector<NamedImage> InterfaceImages(int scale, const Catalogue& words) {
    const auto say = [&words](const char* text) { return std::string(words.Translate("Buttons", text)); };
    std::vector<NamedImage> images;
    images.push_back({"menuback.png", MenuBack(scale)});

    struct Page {
        const char* base;
        int width;
        const char* label;
    };
    const Page pages[] = {
        {"menu01", 192, QT_TRANSLATE_NOOP("Buttons", "プロジェクト選択")},
        {"menu02", 137, QT_TRANSLATE_NOOP("Buttons", "画像選択")},
        {"menu03", 180, QT_TRANSLATE_NOOP("Buttons", "アクション選択")},
        {"menu04", 137, QT_TRANSLATE_NOOP("Buttons", "動画保存")},
    };
    int number = 1;
    for (const Page& page : pages) {
        const Badge badge{number++, std::nullopt};
        const std::string base = page.base;
        const std::string label = say(page.label);
        for (const auto& [suffix, face] : {std::pair{"_01.png", Face::Normal}, std::pair{"_02.png", Face::Active},
                                           std::pair{"_03.png", Face::Over}})
            images.push_back({base + suffix, LabelledButton(page.width, 55, face, badge, label, 11, scale), true});
    }
    const Badge save{std::nullopt, Glyph::Save, colours::green};
    const std::string saveLabel = say(QT_TRANSLATE_NOOP("Buttons", "プロジェクト保存"));
    images.push_back({"menu05_01.png", LabelledButton(137, 55, Face::Normal, save, saveLabel, 11, scale), true});
    images.push_back({"menu05_02.png", LabelledButton(137, 55, Face::Down, save, saveLabel, 11, scale), true});
    images.push_back({"menu05_03.png", LabelledButton(137, 55, Face::Over, save, saveLabel, 11, scale), true});

    images.push_back({"time.png", TimeIcon(scale)});
    images.push_back({"config1.png", FontButton(Face::Normal, scale)});
    images.push_back({"config2.png", FontButton(Face::Over, scale)});
    images.push_back({"config3.png", FontButton(Face::Down, scale)});

    const Command commands[] = {
        {"pngBtnMakeProject", 220, 46, Glyph::Plus, colours::green, QT_TRANSLATE_NOOP("Buttons", "新規作成")},
        {"pngBtnRenameProject", 220, 46, Glyph::Pencil, colours::accent, QT_TRANSLATE_NOOP("Buttons", "名前の変更")},
        {"pngBtnDelProject", 220, 46, Glyph::Trash, colours::rose, QT_TRANSLATE_NOOP("Buttons", "削除")},
        {"pngBtnToSelectPicture", 220, 46, Glyph::Open, colours::accent, QT_TRANSLATE_NOOP("Buttons", "開く")},
        {"PngBtnDesktop", 220, 46, Glyph::Desktop, colours::accent, QT_TRANSLATE_NOOP("Buttons", "デスクトップ")},
        {"PngBtnDocument", 220, 46, Glyph::Document, colours::accent, QT_TRANSLATE_NOOP("Buttons", "ドキュメント")},
        {"pngBtnPicPrev", 218, 62, Glyph::ArrowLeft, colours::accent, QT_TRANSLATE_NOOP("Buttons", "前へ")},
        {"pngBtnPicBack", 218, 62, Glyph::ArrowRight, colours::accent, QT_TRANSLATE_NOOP("Buttons", "後ろへ")},
        {"pngBtnAddPicture", 218, 62, Glyph::Plus, colours::green, QT_TRANSLATE_NOOP("Buttons", "画像を追加")},
        {"pngBtnDelPicture", 218, 62, Glyph::Trash, colours::rose, QT_TRANSLATE_NOOP("Buttons", "画像を削除")},
        {"pngBtnAddAction", 218, 62, Glyph::Sparkle, colours::green, QT_TRANSLATE_NOOP("Buttons", "アクションを追加")},
        {"pngBtnDelAction", 218, 62, Glyph::Cross, colours::rose, QT_TRANSLATE_NOOP("Buttons", "アクションを削除")},
        {"pngBtnMakeMov", 218, 62, Glyph::Film, colours::accent, QT_TRANSLATE_NOOP("Buttons", "動画を作成"), true},
    };
    for (const Command& command : commands) {
        const Badge badge{std::nullopt, command.glyph, command.colour};
        const std::string base = command.control;
        const int points = command.height >= 60 ? 12 : 11;
        const auto make = [&](Face plain, Face primary) {
            return LabelledButton(command.width, command.height, command.primary ? primary : plain, badge,
                                  say(command.label), points, scale);
        };
        images.push_back({base + "_normal.png", make(Face::Normal, Face::Active), true});
        images.push_back({base + "_over.png", make(Face::Over, Face::ActiveOver), true});
        images.push_back({base + "_down.png", make(Face::Down, Face::ActiveDown), true});
    }
    return images;
}

Bitmap DefaultThumbnail(const Catalogue& words) {
    Canvas c(148, 148);
    c.fill(hex(0xEEF2F7));
    c.roundRectOutline(6, 6, 136, 136, 10, 1.5f, hex(0xC6D0DC));
    DrawGlyph(c, Glyph::Images, 74, 62, 64, hex(0xA9B7C7), hex(0xEEF2F7));
    FontRasterizer font = UiFont(10, true);
    c.textCentred(font, words.Translate("Images", QT_TRANSLATE_NOOP("Images", "画像なし")), 0, 100, 148, 20,
                  hex(0x7F8FA0));
    return c.toBgr24(hex(0xEEF2F7));
}

}  // namespace kalidor::uidata
