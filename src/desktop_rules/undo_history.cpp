#include "desktop_rules/undo_history.h"

#include <map>

namespace kalidor::rules {
namespace {

auto contentOf(const ProjectState::Picture& p) {
    return std::tie(p.path, p.text, p.picAction, p.strAction, p.font, p.displayTime);
}

auto settingsOf(const ProjectState& s) {
    return std::tie(s.movType, s.movQuality, s.movRatio, s.movWidth, s.movHeight, s.useMusic, s.musicFilePath,
                    s.saveFilePath);
}

}  // namespace

bool ProjectState::SameContent(const ProjectState& other) const {
    if (settingsOf(*this) != settingsOf(other) || pictures.size() != other.pictures.size())
        return false;
    for (std::size_t i = 0; i < pictures.size(); ++i)
        if (contentOf(pictures[i]) != contentOf(other.pictures[i]))
            return false;
    return true;
}

ProjectState StateOf(const TThPicObjectManager& project) {
    ProjectState state;
    state.movType = project.MovType;
    state.movQuality = project.MovQuality;
    state.movRatio = project.MovRatio;
    state.movWidth = project.MovWidth;
    state.movHeight = project.MovHeight;
    state.useMusic = project.UseMusic;
    state.musicFilePath = project.MusicFilePath;
    state.saveFilePath = project.SaveFilePath;
    state.pictures.reserve(static_cast<std::size_t>(project.Count()));
    for (int i = 0; i < project.Count(); ++i) {
        const TThPicObject& p = project.Items(i);
        state.pictures.push_back({p.PicturePath, p.Text, p.PicAction, p.StrAction, p.Font, p.DisplayTime, p.Selected});
    }
    return state;
}

void RestoreState(TThPicObjectManager& project, const ProjectState& state, const ThumbnailMaker& makeThumbnail) {
    std::map<std::string, Bitmap> thumbnails;
    for (int i = 0; i < project.Count(); ++i)
        thumbnails.emplace(project.Items(i).PicturePath, project.Items(i).Thumbnail);
    project.MovType = state.movType;
    project.MovQuality = state.movQuality;
    project.MovRatio = state.movRatio;
    project.MovWidth = state.movWidth;
    project.MovHeight = state.movHeight;
    project.UseMusic = state.useMusic;
    project.MusicFilePath = state.musicFilePath;
    project.SaveFilePath = state.saveFilePath;
    project.Clear();
    for (const ProjectState::Picture& p : state.pictures) {
        auto picture = std::make_unique<TThPicObject>();
        picture->PicturePath = p.path;
        picture->Text = p.text;
        picture->PicAction = p.picAction;
        picture->StrAction = p.strAction;
        picture->Font = p.font;
        picture->DisplayTime = p.displayTime;
        picture->Selected = p.selected;
        if (auto known = thumbnails.find(p.path); known != thumbnails.end())
            picture->Thumbnail = known->second;
        else if (makeThumbnail)
            picture->Thumbnail = thumbnails[p.path] = makeThumbnail(p.path);
        project.Add(std::move(picture));
    }
}

void UndoHistory::Reset(const TThPicObjectManager& project) {
    commands_.clear();
    index_ = 0;
    clean_ = 0;
    current_ = StateOf(project);
    mergeKey_.clear();
}

bool UndoHistory::Commit(const TThPicObjectManager& project, const std::string& mergeKey) {
    ProjectState now = StateOf(project);
    if (now.SameContent(current_)) {
        current_ = std::move(now);  // the selection as it is now, for the next command's start
        return false;
    }
    const bool merge = !mergeKey.empty() && mergeKey == mergeKey_ && index_ == commands_.size() && index_ > 0 &&
                       clean_ != index_;
    if (merge && now.SameContent(commands_.back().before)) {
        // Typed back to where it began: the command has nothing left to undo.
        commands_.pop_back();
        --index_;
        current_ = std::move(now);
        mergeKey_.clear();
        return true;
    }
    if (merge) {
        commands_.back().after = now;
    } else {
        commands_.erase(commands_.begin() + static_cast<std::ptrdiff_t>(index_), commands_.end());
        if (clean_ && *clean_ > index_)
            clean_.reset();  // the saved state was among the undone commands: it cannot come back
        commands_.push_back({std::move(current_), now});
        ++index_;
        if (commands_.size() > limit_) {
            commands_.pop_front();
            --index_;
            if (clean_)
                clean_ = *clean_ == 0 ? std::nullopt : std::optional<std::size_t>(*clean_ - 1);
        }
    }
    current_ = std::move(now);
    mergeKey_ = mergeKey;
    return true;
}

const ProjectState* UndoHistory::Undo() {
    if (!CanUndo())
        return nullptr;
    mergeKey_.clear();
    current_ = commands_[--index_].before;
    return &current_;
}

const ProjectState* UndoHistory::Redo() {
    if (!CanRedo())
        return nullptr;
    mergeKey_.clear();
    current_ = commands_[index_++].after;
    return &current_;
}

std::set<std::string> UndoHistory::PicturePaths() const {
    std::set<std::string> paths;
    for (const Command& command : commands_)
        for (const ProjectState* state : {&command.before, &command.after})
            for (const ProjectState::Picture& picture : state->pictures)
                paths.insert(picture.path);
    return paths;
}

}  // namespace kalidor::rules
