#include "desktop/storyboard/sharp_thumbnails.h"

#include "desktop/shared/thumbnail_feed.h"
#include "model/picture_adding.h"

#include <QTimer>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>

namespace kalidor {

SharpThumbnails::SharpThumbnails(rules::ThumbnailLoader::Extractor extractor, QObject* parent) : QObject(parent) {
    feed_ = new ThumbnailFeed(
        [extractor = std::move(extractor)](const std::string& path, Bitmap& bitmap) {
            // The box is the screen's pixel size; the frame as wide as one of its logical pixels.
            const int side = bitmap.width();
            const int frame = std::max(1, static_cast<int>(std::lround(side / double(kStoryboardThumbnailSize))));
            Bitmap fitted(side, side);
            if (!extractor(path, fitted)) return false;
            bitmap = FramedStoryboardThumbnail(fitted, side, frame);
            return true;
        },
        0, this);
    connect(feed_, &ThumbnailFeed::thumbnailReady, this, &SharpThumbnails::deliver);
}

SharpThumbnails::FileStamp SharpThumbnails::stampOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return {};
    return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
            static_cast<std::uint64_t>(status.st_size),
            static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec};
}

QImage SharpThumbnails::Find(const std::string& path, qreal ratio) {
    if (ratio != ratio_) {
        // Made for another screen: none of them fits this one, and what is on its way is dropped.
        entries_.clear();
        queued_.clear();
        feed_->Start({}, 0, 0);
        ratio_ = ratio;
    }
    const FileStamp stamp = stampOf(path);
    const auto found = entries_.find(path);
    if (found != entries_.end() && found->second.stamp == stamp) return found->second.image;
    entries_[path] = Entry{stamp, QImage(), false};
    queued_.push_back(path);
    // One start for all the panels of a refresh.
    if (!startPending_) {
        startPending_ = true;
        QTimer::singleShot(0, this, [this] { startQueued(); });
    }
    return {};
}

void SharpThumbnails::startQueued() {
    startPending_ = false;
    // What is made, or asked again under a later place in the list, leaves it.
    std::vector<std::string> waiting;
    for (const std::string& path : queued_) {
        const auto found = entries_.find(path);
        if (found != entries_.end() && !found->second.made && std::find(waiting.begin(), waiting.end(), path) == waiting.end())
            waiting.push_back(path);
    }
    queued_ = std::move(waiting);
    // The feed takes the whole list again: what it had not reached is still in it.
    if (!queued_.empty()) feed_->Start(queued_, kStoryboardThumbnailSize, kStoryboardThumbnailSize, ratio_);
}

void SharpThumbnails::deliver(int index, const QImage& image) {
    if (index < 0 || index >= static_cast<int>(queued_.size())) return;
    const auto found = entries_.find(queued_[static_cast<std::size_t>(index)]);
    if (found == entries_.end() || found->second.made) return;
    found->second.image = image;
    found->second.made = true;
    emit ready(QString::fromStdString(found->first));
}

}  // namespace kalidor
