#pragma once
// The rules of the display-time and font dialogs, for the dialogs to call: which item a value
// selects, and what the selected items make of the value. An attribute whose list has no item
// selected (a value no item offers, possible only through a project file) keeps the picture's
// own value.

#include "model/caption_font.h"
#include "translation/message.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kalidor::rules {

// Texts marked for translation (translation/message.h); face names are not.
inline constexpr const char* kOkButtonText = QT_TRANSLATE_NOOP("Messages", "設定");
inline constexpr const char* kCancelButtonText = QT_TRANSLATE_NOOP("Messages", "キャンセル");

// --- Display time: items "03" to "12"; item n is n + 3 seconds --------------------------------

inline constexpr const char* kTimeDialogCaption = QT_TRANSLATE_NOOP("Messages", "時間設定");
inline constexpr int kMinDisplayTime = 3;
inline constexpr int kMaxDisplayTime = 12;

std::vector<std::string> TimeItems();
// The item for a display time, or -1 outside 3..12.
int TimeItemIndex(int seconds);
// The display time the dialog returns: the item's, or `current` when no item is selected.
int SecondsOfTimeItem(int index, int current);

// --- Font -------------------------------------------------------------------------------------

inline constexpr const char* kFontDialogCaption = QT_TRANSLATE_NOOP("Messages", "フォント設定");
inline constexpr const char* kFontPreviewText = QT_TRANSLATE_NOOP("Messages", "あア亜Ａｙ１アイウAy123㍉");
// Selected when the face list offers it.
inline constexpr const char* kPreferredFace = "ＭＳ ゴシック";  // a face name: not translated

// Items "7" to "50".
std::vector<std::string> FontSizeItems();
int FontSizeItemIndex(int points);  // -1 outside 7..50

// The face list from the installed scalable families: vertical-writing faces (names starting
// with '@') left out, duplicates dropped, sorted without regard to letter case.
std::vector<std::string> FontFaceItems(std::vector<std::string> families);
// The item equal to the face, compared without regard to letter case; -1 when none is.
int FontFaceItemIndex(const std::vector<std::string>& faces, const std::string& face);

// What the font dialog's controls show.
struct FontDialogState {
    int faceIndex = -1;
    int sizeIndex = -1;
    std::uint32_t color = clWindowText;  // the colour shape's fill
    bool bold = false;
    bool italic = false;
    bool underline = false;
    // The face item shows the installed face that draws a name the list does not offer (a
    // Windows name such as "ＭＳ Ｐゴシック"): the name stays unless another face is chosen.
    bool faceStandsIn = false;
    bool operator==(const FontDialogState&) const = default;
};

// Loading the controls from the font being edited. `drawnBy` is the installed face that draws
// the font's name (fontconfig's match), shown when the list does not offer the name itself.
FontDialogState FontDialogStateFor(const CaptionFont& font, const std::vector<std::string>& faces,
                                   const std::string& drawnBy = {});

// Any change in the dialog writes every control into the edited font: face and size from the
// lists (kept when the list has no item selected or shows a stand-in), the colour, and the style rebuilt from the
// three toggles, which clears strike-out. Opening and closing without a change keeps it.
void ApplyFontDialogState(CaptionFont& font, const FontDialogState& state, const std::vector<std::string>& faces);

// --- Progress dialog: the movie's folder opened with xdg-open ---------------------------------

inline constexpr const char* kFolderLauncher = "xdg-open";
inline constexpr const char* kFolderNotOpened = QT_TRANSLATE_NOOP("Messages", "保存先のフォルダを開けませんでした");
// Why the folder was not opened, from how the launcher ended: its exit status, with the meaning
// xdg-open gives it (3 is its "no method available"); nothing when it could not be started; a
// negative status when a signal ended it.
std::string FolderLauncherFailure(std::optional<int> exitStatus);

}  // namespace kalidor::rules
