#pragma once
// The editing rules of the storyboard, for the widget handlers to call: selection, adding files
// from the browser or the desktop, moving, deleting and captions. Each call changes the project only; the handler then makes the panel count equal the
// picture count (appending or removing panels at the end) and refreshes the panels.
// Functions that can refuse return the message to show (a plain notice) or nullopt.

#include "model/pic_object.h"
#include "translation/message.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kalidor::rules {

inline constexpr const char* kSelectPicturesToAdd = QT_TRANSLATE_NOOP("Messages", "追加する写真を選択してください");
inline constexpr const char* kSelectOnePictureToDelete = QT_TRANSLATE_NOOP("Messages", "削除する写真を１つだけ選択してください");
inline constexpr const char* kDeleteQuestion = QT_TRANSLATE_NOOP("Messages", "選択中の写真を削除してよろしいですか？");  // Yes/No
inline constexpr const char* kQuestionCaption = QT_TRANSLATE_NOOP("Messages", "確認");
inline constexpr const char* kSelectOnePictureToMove =
    QT_TRANSLATE_NOOP("Messages", "移動するストーリーボードを１つだけ選択してください");
inline constexpr const char* kCannotMoveForward = QT_TRANSLATE_NOOP("Messages", "これ以上、前に移動できません");
inline constexpr const char* kCannotMoveBack = QT_TRANSLATE_NOOP("Messages", "これ以上、後ろに移動できません");

// "「name」は非対応画像です": the named file is a picture we do not read.
// "「name」をプロジェクトにコピーできませんでした": the file could not be copied into the project.
// A reason, when given, follows on a line of its own: the OS's or the codec's words naming the
// file, as below an export's result.
Message UnsupportedImageMessage(const std::string& fileName, const std::string& reason = {});
Message CopyFailedMessage(const std::string& fileName, const std::string& reason = {});

// --- Selection --------------------------------------------------------------------------------

struct ClickKeys {
    bool ctrl = false;
    bool shift = false;
};

// A click on panel `index`: Ctrl toggles that picture alone (and wins over Shift); Shift selects
// from the first selected picture (0 when none is) to the clicked one, both included, and
// unselects the rest; a plain click selects the clicked picture alone.
void ClickPicture(TThPicObjectManager& project, int index, ClickKeys keys);
// A click on the empty strip.
void ClearSelection(TThPicObjectManager& project);
int SelectedCount(const TThPicObjectManager& project);
// The lowest selected index, or -1.
int FirstSelected(const TThPicObjectManager& project);

// --- Adding -----------------------------------------------------------------------------------

// The browser's extension test: .bmp, .jpg, .jpeg, .png in any letter case.
bool IsSupportedPicture(const std::string& fileName);

// The check pass before adding by the button or by a drop on the strip: the message naming the
// first file that is a .jpg/.jpeg which does not decode, with the reason; nullopt when all may
// be added (other kinds are not read). With `fromButton`, an empty selection gives
// kSelectPicturesToAdd.
std::optional<Message> CheckPicturesToAdd(const std::vector<std::string>& paths, bool fromButton);

// Called after each file with the count done and the total; returning false stops the adding
// after that file (what was added stays).
using AddProgress = std::function<bool(int done, int total)>;

struct AddResult {
    int added = 0;                      // pictures inserted; append as many panels
    std::vector<Message> messages;  // one per file that was not added, in order
};

// Copies the files into the project folder and inserts their pictures. With a negative index
// they are appended in order; with index k every file is inserted at k, so n files end at k to
// k + n - 1 in reverse order, before the picture that was at k. A file that cannot be copied or
// read adds nothing and gets a message naming it, with the reason; the others are added.
AddResult AddPictureFiles(TThPicObjectManager& project, const std::vector<std::string>& paths, int index,
                          const AddProgress& progress = {});

// --- Dragging and dropping --------------------------------------------------------------------

enum class DragSource {
    BrowserFiles,    // items of the picture browser's list
    DesktopFiles,    // file URLs from the desktop's file manager
    ActionList,      // the action page's list
    ActionPreview,   // the action page's preview image
    PanelControl,    // a draggable control of a panel (its tag is the picture's index)
    Other,
};

// Whether the empty strip takes the drag: files, of which at least one is on offer.
bool StripAcceptsDrop(DragSource source, int fileCount);
// Whether a panel takes the drag: files (at least one), the action list with a selected item,
// the action preview, or a panel's control.
bool PanelAcceptsDrop(DragSource source, int fileCount, bool actionSelected);

enum class PanelDrop { InsertFiles, GiveAction, MovePicture, Nothing };
PanelDrop PanelDropFor(DragSource source);

// Takes the picture at `from` out and puts it at `to`: dropping panel 0 on panel 3 moves the
// former pictures 1 to 3 one place forward. The picture keeps its selection.
void MovePicture(TThPicObjectManager& project, int from, int to);

// The move buttons: tag 0 moves the one selected picture a place forward, any other tag a place
// back. Refused when not exactly one picture is selected or it is already at that end.
std::optional<Message> MoveSelectedPicture(TThPicObjectManager& project, int tag);

// --- Deleting ---------------------------------------------------------------------------------

// kSelectOnePictureToDelete when nothing is selected; otherwise ask kDeleteQuestion first.
std::optional<Message> CheckDelete(const TThPicObjectManager& project);
// Takes out every selected picture (their copies stay in the project folder); returns how many,
// that is how many panels to remove from the end.
int DeleteSelectedPictures(TThPicObjectManager& project);

// --- Captions ---------------------------------------------------------------------------------

// A caption must fit code page 932, or the project could not be saved: nullopt when it does,
// else the message naming the first character that does not, to show where it is typed.
std::optional<Message> CheckCaptionText(const std::string& text);

}  // namespace kalidor::rules
