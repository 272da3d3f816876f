#include "desktop_rules/undo_history.h"

#include <tuple>

namespace kalidor::rules {
namespace {

// The values of a picture and the movie settings, in the state and in the project alike: tuples
// of references, compared, or assigned to copy them one way or the other.
auto contentOf(const ProjectState::Picture& p) {
    return std::tie(p.path, p.text, p.picAction, p.strAction, p.font, p.displayTime);
}

template <class Picture>
auto valuesOf(Picture& p) {
    return std::tie(p.path, p.text, p.picAction, p.strAction, p.font, p.displayTime, p.selected);
}

template <class Picture>
auto pictureValuesOf(Picture& p) {
    return std::tie(p.PicturePath, p.Text, p.PicAction, p.StrAction, p.Font, p.DisplayTime, p.Selected);
}

template <class State>
auto settingsOf(State& s) {
    return std::tie(s.movType, s.movQuality, s.movRatio, s.movWidth, s.movHeight, s.useMusic, s.musicFilePath,
                    s.saveFilePath);
}

template <class Project>
auto projectSettingsOf(Project& p) {
    return std::tie(p.MovType, p.MovQuality, p.MovRatio, p.MovWidth, p.MovHeight, p.UseMusic, p.MusicFilePath,
                    p.SaveFilePath);
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

void RestoreState(TThPicObjectManager& project, const ProjectState& state) {
    projectSettingsOf(project) = settingsOf(state);
    project.Clear();
    for (const ProjectState::Picture& p : state.pictures) {
        auto picture = std::make_unique<TThPicObject>();
        pictureValuesOf(*picture) = valuesOf(p);
        if (p.thumbnail)
            picture->Thumbnail = *p.thumbnail;
        project.Add(std::move(picture));
    }
}

void UndoHistory::Reset() {
    steps_.clear();
    index_ = 0;
    clean_ = 0;
    mergeKey_.clear();
    thumbnails_.clear();
}

ProjectState UndoHistory::Snapshot(const TThPicObjectManager& project) {
    ProjectState state;
    settingsOf(state) = projectSettingsOf(project);
    state.pictures.resize(static_cast<std::size_t>(project.Count()));
    for (int i = 0; i < project.Count(); ++i) {
        const TThPicObject& p = project.Items(i);
        ProjectState::Picture& picture = state.pictures[static_cast<std::size_t>(i)];
        valuesOf(picture) = pictureValuesOf(p);
        std::weak_ptr<const Bitmap>& held = thumbnails_[p.PicturePath];
        picture.thumbnail = held.lock();
        if (!picture.thumbnail)
            held = picture.thumbnail = std::make_shared<const Bitmap>(p.Thumbnail);
    }
    return state;
}

bool UndoHistory::Commit(ProjectState before, const TThPicObjectManager& project, const std::string& label,
                         const std::string& mergeKey) {
    ProjectState now = Snapshot(project);
    if (now.SameContent(before))
        return false;
    const bool merge = !mergeKey.empty() && mergeKey == mergeKey_ && index_ == steps_.size() && index_ > 0 &&
                       clean_ != index_;
    if (merge && now.SameContent(steps_.back().before)) {
        // Typed back to where it began: the step has nothing left to undo.
        steps_.pop_back();
        --index_;
        mergeKey_.clear();
        dropUnusedThumbnails();
        return true;
    }
    if (merge) {
        steps_.back().after = std::move(now);
    } else {
        steps_.erase(steps_.begin() + static_cast<std::ptrdiff_t>(index_), steps_.end());
        if (clean_ && *clean_ > index_)
            clean_.reset();  // the saved state was among the undone steps: it cannot come back
        steps_.push_back({std::move(before), std::move(now), label});
        ++index_;
        if (steps_.size() > limit_) {
            steps_.pop_front();
            --index_;
            if (clean_)
                clean_ = *clean_ == 0 ? std::nullopt : std::optional<std::size_t>(*clean_ - 1);
        }
    }
    mergeKey_ = mergeKey;
    dropUnusedThumbnails();
    return true;
}

std::optional<std::string> UndoHistory::UndoLabel() const {
    if (!CanUndo())
        return std::nullopt;
    return steps_[index_ - 1].label;
}

std::optional<std::string> UndoHistory::RedoLabel() const {
    if (!CanRedo())
        return std::nullopt;
    return steps_[index_].label;
}

const ProjectState* UndoHistory::Undo() {
    if (!CanUndo())
        return nullptr;
    mergeKey_.clear();
    return &steps_[--index_].before;
}

const ProjectState* UndoHistory::Redo() {
    if (!CanRedo())
        return nullptr;
    mergeKey_.clear();
    return &steps_[index_++].after;
}

std::set<std::string> UndoHistory::PicturePaths() const {
    std::set<std::string> paths;
    for (const Step& step : steps_)
        for (const ProjectState* state : {&step.before, &step.after})
            for (const ProjectState::Picture& picture : state->pictures)
                paths.insert(picture.path);
    return paths;
}

std::size_t UndoHistory::ThumbnailCount() {
    dropUnusedThumbnails();
    return thumbnails_.size();
}

void UndoHistory::dropUnusedThumbnails() {
    std::erase_if(thumbnails_, [](const auto& entry) { return entry.second.expired(); });
}

}  // namespace kalidor::rules
