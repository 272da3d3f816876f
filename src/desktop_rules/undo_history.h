#pragma once
// The undo history of the open project. An edit takes a snapshot of the project before it
// changes it and hands it to Commit afterwards, with a short name of what the step is
// ("画像の削除"); a step that changed what the project holds is kept with the project's state
// before and after it, the selection of both included. Undo and redo give the state to put back.
// Typing into one box is one step until another edit comes between. The history is bounded;
// saving marks its clean point.
//
// A state holds paths and values, and the stored thumbnail of each picture (what project.dat
// holds), so a picture that comes back is the one that went. The thumbnails are shared: one
// copy per picture path whatever the number of states naming it, let go when no kept state
// names it any more.

#include "imaging/bitmap.h"
#include "model/caption_font.h"
#include "model/pic_object.h"
#include "translation/message.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kalidor::rules {

// The names of the steps, as the user is told what an undo or a redo would take back (marked for
// translation, as the entries are).
inline constexpr const char* kStepAddPictures = QT_TRANSLATE_NOOP("Messages", "画像の追加");
inline constexpr const char* kStepDeletePictures = QT_TRANSLATE_NOOP("Messages", "画像の削除");
inline constexpr const char* kStepMovePicture = QT_TRANSLATE_NOOP("Messages", "画像の移動");
inline constexpr const char* kStepGiveAction = QT_TRANSLATE_NOOP("Messages", "アクションの追加");
inline constexpr const char* kStepTakeActions = QT_TRANSLATE_NOOP("Messages", "アクションの削除");
inline constexpr const char* kStepCaption = QT_TRANSLATE_NOOP("Messages", "文字の入力");
inline constexpr const char* kStepDisplayTime = QT_TRANSLATE_NOOP("Messages", "表示時間の変更");
inline constexpr const char* kStepFont = QT_TRANSLATE_NOOP("Messages", "フォントの変更");
inline constexpr const char* kStepMovieSettings = QT_TRANSLATE_NOOP("Messages", "動画設定の変更");

// The entries of the right-click menu that offers undo and redo.
inline constexpr const char* kUndoEntry = QT_TRANSLATE_NOOP("Messages", "元に戻す");
inline constexpr const char* kRedoEntry = QT_TRANSLATE_NOOP("Messages", "やり直し");
// An entry with the step it would take back or make again ("元に戻す: 画像の削除"); the entry
// alone when there is none.
std::string EntryWithStep(const char* entry, const std::optional<std::string>& step);

// What the project holds: the movie settings and each picture's values and thumbnail.
struct ProjectState {
    struct Picture {
        std::string path;
        std::string text;
        std::uint8_t picAction = 0;
        std::uint8_t strAction = 0;
        CaptionFont font;
        std::int32_t displayTime = 0;
        bool selected = false;                    // comes back with the step, but is no edit of its own
        std::shared_ptr<const Bitmap> thumbnail;  // as stored; shared by the states naming the path
    };
    std::uint8_t movType = 0, movQuality = 0, movRatio = 0;
    std::int32_t movWidth = 0, movHeight = 0;
    bool useMusic = false;
    std::string musicFilePath, saveFilePath;
    std::vector<Picture> pictures;

    // Equal in everything a save would write but the thumbnails, which no edit changes: the
    // selection does not count.
    bool SameContent(const ProjectState& other) const;
};

// Puts the state back into the project (its folder stays), each picture with its thumbnail.
void RestoreState(TThPicObjectManager& project, const ProjectState& state);

class UndoHistory {
public:
    static constexpr std::size_t kDefaultLimit = 200;
    explicit UndoHistory(std::size_t limit = kDefaultLimit) : limit_(limit) {}

    // A project opened (or none): an empty history, clean at its start.
    void Reset();
    // The project as it stands, thumbnails shared with the states that hold them already: taken
    // before an edit, for Commit.
    ProjectState Snapshot(const TThPicObjectManager& project);
    // After an edit that began at `before`: when it changed the project, it becomes a step named
    // `label` (and the steps undone before it are gone). A `mergeKey` merges it into the last step
    // when that was made with the same key and nothing came between. True when the project had
    // changed.
    bool Commit(ProjectState before, const TThPicObjectManager& project, const std::string& label,
                const std::string& mergeKey = {});
    // The next edit is a step of its own, whatever its key.
    void BreakMerge() { mergeKey_.clear(); }

    bool CanUndo() const { return index_ > 0; }
    bool CanRedo() const { return index_ < steps_.size(); }
    // The names of the steps an undo or a redo would take back or make again.
    std::optional<std::string> UndoLabel() const;
    std::optional<std::string> RedoLabel() const;
    // The state to put back; nullptr when there is nothing to undo or redo. Valid until the
    // history changes.
    const ProjectState* Undo();
    const ProjectState* Redo();

    // The project is saved as it stands now.
    void MarkClean() { clean_ = index_; }
    // Whether the project stands where it was last saved or opened.
    bool AtClean() const { return clean_ && *clean_ == index_; }

    std::size_t Count() const { return steps_.size(); }
    // Every picture path of a state the history can still bring back.
    std::set<std::string> PicturePaths() const;
    // The thumbnails the kept steps hold, one per picture path.
    std::size_t ThumbnailCount();

private:
    struct Step {
        ProjectState before, after;
        std::string label;
    };
    void dropUnusedThumbnails();

    std::size_t limit_;
    std::deque<Step> steps_;
    std::size_t index_ = 0;                 // steps_[0, index_) are done
    std::optional<std::size_t> clean_ = 0;  // nullopt once the saved state fell out of the history
    std::string mergeKey_;                  // the key of steps_[index_ - 1], while it may merge
    // The thumbnail of each picture path some state holds; a picture's thumbnail never changes
    // while it keeps its path (adding always makes a new copy under a free name).
    std::map<std::string, std::weak_ptr<const Bitmap>> thumbnails_;
};

}  // namespace kalidor::rules
