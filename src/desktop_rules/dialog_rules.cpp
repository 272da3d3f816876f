#include "desktop_rules/dialog_rules.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace kalidor::rules {
namespace {

constexpr int kMinFontSize = 7;
constexpr int kMaxFontSize = 50;

// Letter case is folded for ASCII only; other characters compare by their bytes.
std::string folded(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

std::vector<std::string> TimeItems() {
    std::vector<std::string> items;
    for (int seconds = kMinDisplayTime; seconds <= kMaxDisplayTime; ++seconds) {
        char text[8];
        std::snprintf(text, sizeof text, "%02d", seconds);
        items.push_back(text);
    }
    return items;
}

int TimeItemIndex(int seconds) {
    return seconds >= kMinDisplayTime && seconds <= kMaxDisplayTime ? seconds - kMinDisplayTime : -1;
}

int SecondsOfTimeItem(int index, int current) {
    return index >= 0 && index <= kMaxDisplayTime - kMinDisplayTime ? index + kMinDisplayTime : current;
}

std::vector<std::string> FontSizeItems() {
    std::vector<std::string> items;
    for (int size = kMinFontSize; size <= kMaxFontSize; ++size)
        items.push_back(std::to_string(size));
    return items;
}

int FontSizeItemIndex(int points) {
    return points >= kMinFontSize && points <= kMaxFontSize ? points - kMinFontSize : -1;
}

std::vector<std::string> FontFaceItems(std::vector<std::string> families) {
    std::erase_if(families, [](const std::string& name) { return name.empty() || name[0] == '@'; });
    // Case-blind order; names equal but for case stay, in byte order, as the sorted list keeps
    // only exact duplicates out.
    std::sort(families.begin(), families.end(), [](const std::string& a, const std::string& b) {
        const std::string fa = folded(a), fb = folded(b);
        return fa != fb ? fa < fb : a < b;
    });
    families.erase(std::unique(families.begin(), families.end()), families.end());
    return families;
}

int FontFaceItemIndex(const std::vector<std::string>& faces, const std::string& face) {
    const std::string wanted = folded(face);
    for (std::size_t i = 0; i < faces.size(); ++i)
        if (folded(faces[i]) == wanted)
            return static_cast<int>(i);
    return -1;
}

FontDialogState FontDialogStateFor(const CaptionFont& font, const std::vector<std::string>& faces,
                                   const std::string& drawnBy) {
    FontDialogState state;
    state.faceIndex = FontFaceItemIndex(faces, font.Name);
    if (state.faceIndex < 0 && !drawnBy.empty()) {
        state.faceIndex = FontFaceItemIndex(faces, drawnBy);
        state.faceStandsIn = state.faceIndex >= 0;
    }
    state.sizeIndex = FontSizeItemIndex(font.Size);
    state.color = font.Color;
    state.bold = (font.Style & fsBold) != 0;
    state.italic = (font.Style & fsItalic) != 0;
    state.underline = (font.Style & fsUnderline) != 0;
    return state;
}

void ApplyFontDialogState(CaptionFont& font, const FontDialogState& state, const std::vector<std::string>& faces) {
    if (!state.faceStandsIn && state.faceIndex >= 0 && static_cast<std::size_t>(state.faceIndex) < faces.size())
        font.Name = faces[static_cast<std::size_t>(state.faceIndex)];
    if (state.sizeIndex >= 0 && state.sizeIndex <= kMaxFontSize - kMinFontSize)
        font.Size = state.sizeIndex + kMinFontSize;
    font.Color = state.color;
    font.Style = static_cast<std::uint8_t>((state.bold ? fsBold : 0) | (state.italic ? fsItalic : 0) |
                                           (state.underline ? fsUnderline : 0));
}

std::string FolderLauncherFailure(std::optional<int> exitStatus) {
    const std::string launcher = kFolderLauncher;
    if (!exitStatus) return "no program to open folders was found (" + launcher + ", from xdg-utils)";
    if (*exitStatus < 0) return launcher + " was ended by a signal";
    // The exit statuses xdg-open documents.
    static const char* const meanings[] = {nullptr, "an error in its command line", "the folder does not exist",
                                           "no method available: no file manager is set up to open folders",
                                           "the file manager failed"};
    std::string text = launcher + " ended with exit status " + std::to_string(*exitStatus);
    if (*exitStatus > 0 && *exitStatus < 5) text += std::string(" (") + meanings[*exitStatus] + ")";
    return text;
}

}  // namespace kalidor::rules
