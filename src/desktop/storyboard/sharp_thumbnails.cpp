#include "desktop/storyboard/sharp_thumbnails.h"

#include "desktop/shared/bitmap_image.h"
#include "model/picture_adding.h"

#include <QMetaObject>
#include <QTimer>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>

namespace kalidor {
namespace {

int sideFor(qreal ratio) { return static_cast<int>(std::lround(kStoryboardThumbnailSize * ratio)); }

}  // namespace

SharpThumbnails::SharpThumbnails(rules::ThumbnailLoader::Extractor extractor, QObject* parent)
    : QObject(parent), extractor_(std::move(extractor)) {}

SharpThumbnails::~SharpThumbnails() = default;

SharpThumbnails::FileStamp SharpThumbnails::stampOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return {};
    return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
            static_cast<std::uint64_t>(status.st_size),
            static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec};
}

QImage SharpThumbnails::Find(const std::string& path, qreal ratio) {
    if (ratio != ratio_) {
        // Made for another screen: none of them fits this one.
        entries_.clear();
        queued_.clear();
        loader_.reset();
        ++loaderNumber_;  // what it still has on its way is dropped
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
    if (queued_.empty()) return;
    if (!loader_) {
        const int side = sideFor(ratio_), frame = std::max(1, static_cast<int>(std::lround(ratio_)));
        const qreal ratio = ratio_;
        const std::uint64_t loader = ++loaderNumber_;
        loader_ = std::make_unique<rules::ThumbnailLoader>(
            [extractor = extractor_, side, frame](const std::string& path, Bitmap& bitmap) {
                Bitmap fitted(side, side);
                if (!extractor(path, fitted)) return false;
                bitmap = FramedStoryboardThumbnail(fitted, side, frame);
                return true;
            },
            [this, ratio, loader](std::uint64_t generation, int index, std::optional<Bitmap> thumbnail) {
                QImage image = thumbnail ? ToQImage(*thumbnail) : QImage();
                if (!image.isNull()) image.setDevicePixelRatio(ratio);
                QMetaObject::invokeMethod(
                    this,
                    [this, loader, generation, index, image = std::move(image)] {
                        deliver(loader, generation, index, image);
                    },
                    Qt::QueuedConnection);
            });
    }
    // The loader takes the whole list again: what it had not reached is still in it.
    generation_ = loader_->Start(queued_, sideFor(ratio_), sideFor(ratio_));
}

void SharpThumbnails::deliver(std::uint64_t loader, std::uint64_t generation, int index, const QImage& image) {
    // One of an older list (or of another screen) is made again from the current list.
    if (loader != loaderNumber_ || generation != generation_ || index < 0 || index >= static_cast<int>(queued_.size())) return;
    const std::string path = queued_[static_cast<std::size_t>(index)];
    const auto found = entries_.find(path);
    if (found == entries_.end() || found->second.made) return;
    found->second.image = image;
    found->second.made = true;
    emit ready(QString::fromStdString(path));
}

}  // namespace kalidor
