#pragma once
// The undo history of the open project. Every edit, once made, is offered to the history, which
// keeps it as a command when it changed what the project holds: the project's state before and
// after, as paths and values (never bitmaps: a picture's thumbnail comes back from its copy).
// Undo and redo give the state to put back. Typing into one caption is one command until
// another edit comes between. The history is bounded; saving marks its clean point.

#include "model/caption_font.h"
#include "model/pic_object.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kalidor::rules {

// What the project holds, without the thumbnails: the movie settings and each picture's values.
struct ProjectState {
    struct Picture {
        std::string path;
        std::string text;
        std::uint8_t picAction = 0;
        std::uint8_t strAction = 0;
        CaptionFont font;
        std::int32_t displayTime = 0;
        bool selected = false;  // shown again on undo, but no edit of its own
    };
    std::uint8_t movType = 0, movQuality = 0, movRatio = 0;
    std::int32_t movWidth = 0, movHeight = 0;
    bool useMusic = false;
    std::string musicFilePath, saveFilePath;
    std::vector<Picture> pictures;

    // Equal in everything a save would write: the selection does not count.
    bool SameContent(const ProjectState& other) const;
};

ProjectState StateOf(const TThPicObjectManager& project);

// Gives the thumbnail of a picture path that the project does not hold any more.
using ThumbnailMaker = std::function<Bitmap(const std::string& path)>;

// Puts the state back into the project (its folder stays): a picture that the project still
// holds keeps its thumbnail, one that comes back gets it from `makeThumbnail`.
void RestoreState(TThPicObjectManager& project, const ProjectState& state, const ThumbnailMaker& makeThumbnail);

class UndoHistory {
public:
    static constexpr std::size_t kDefaultLimit = 200;
    explicit UndoHistory(std::size_t limit = kDefaultLimit) : limit_(limit) {}

    // A project opened (or none): an empty history, clean at its start.
    void Reset(const TThPicObjectManager& project);
    // After an edit: when it changed the project, it becomes a command (and the commands undone
    // before it are gone). A `mergeKey` merges it into the last command when that was made with
    // the same key and nothing came between. True when the project had changed.
    bool Commit(const TThPicObjectManager& project, const std::string& mergeKey = {});
    // The next edit is a command of its own, whatever its key.
    void BreakMerge() { mergeKey_.clear(); }

    bool CanUndo() const { return index_ > 0; }
    bool CanRedo() const { return index_ < commands_.size(); }
    // The state to put back; nullptr when there is nothing to undo or redo.
    const ProjectState* Undo();
    const ProjectState* Redo();

    // The project is saved as it stands now.
    void MarkClean() { clean_ = index_; }
    // Whether the project stands where it was last saved or opened.
    bool AtClean() const { return clean_ && *clean_ == index_; }

    std::size_t Count() const { return commands_.size(); }
    // Every picture path of a state the history can still bring back.
    std::set<std::string> PicturePaths() const;

private:
    struct Command {
        ProjectState before, after;
    };
    std::size_t limit_;
    std::deque<Command> commands_;
    std::size_t index_ = 0;              // commands_[0, index_) are done
    std::optional<std::size_t> clean_ = 0;  // nullopt once the saved state fell out of the history
    ProjectState current_;
    std::string mergeKey_;               // the key of commands_[index_ - 1], while it may merge
};

}  // namespace kalidor::rules
