#include "model/pic_object.h"

namespace kalidor {

ListIndexError::ListIndexError(long long index)
    : Error("List index out of bounds (" + std::to_string(index) + ")") {}

int TThPicObjectManager::Add(std::unique_ptr<TThPicObject> picture) {
    known_.insert(picture->PicturePath);
    pictures_.push_back(std::move(picture));
    return Count() - 1;
}

void TThPicObjectManager::Insert(int index, std::unique_ptr<TThPicObject> picture) {
    if (index < 0 || index > Count())
        throw ListIndexError(index);
    known_.insert(picture->PicturePath);
    pictures_.insert(pictures_.begin() + index, std::move(picture));
}

void TThPicObjectManager::Delete(int index) {
    if (index < 0 || index >= Count())
        throw ListIndexError(index);
    pictures_.erase(pictures_.begin() + index);
}

std::unique_ptr<TThPicObject> TThPicObjectManager::Extract(int index) {
    if (index < 0 || index >= Count())
        throw ListIndexError(index);
    auto picture = std::move(pictures_[static_cast<std::size_t>(index)]);
    pictures_.erase(pictures_.begin() + index);
    return picture;
}

void TThPicObjectManager::Clear() { pictures_.clear(); }

TThPicObject& TThPicObjectManager::Items(int index) {
    if (index < 0 || index >= Count())
        throw ListIndexError(index);
    return *pictures_[static_cast<std::size_t>(index)];
}

const TThPicObject& TThPicObjectManager::Items(int index) const {
    return const_cast<TThPicObjectManager*>(this)->Items(index);
}

void TThPicObjectManager::CopySettings(const TThPicObjectManager& other) {
    MovType = other.MovType;
    MovQuality = other.MovQuality;
    MovRatio = other.MovRatio;
    MovWidth = other.MovWidth;
    MovHeight = other.MovHeight;
    UseMusic = other.UseMusic;
    MusicFilePath = other.MusicFilePath;
    SaveFilePath = other.SaveFilePath;
}

void TThPicObjectManager::ResetSettings() {
    MovType = 0;
    MovQuality = 0;
    MovWidth = 640;
    MovHeight = 480;
    MovRatio = 0;
    UseMusic = false;
    MusicFilePath.clear();
    SaveFilePath.clear();
    ProjectDir.clear();
}

std::int64_t TThPicObjectManager::TotalSeconds() const noexcept {
    std::int64_t total = 0;
    for (const auto& picture : pictures_)
        total += picture->DisplayTime;
    return total;
}

}  // namespace kalidor
