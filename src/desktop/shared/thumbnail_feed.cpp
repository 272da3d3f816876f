#include "desktop/shared/thumbnail_feed.h"

#include "desktop/shared/bitmap_image.h"
#include "imaging/bitmap.h"

#include <QMetaObject>

namespace kalidor {

ThumbnailFeed::ThumbnailFeed(rules::ThumbnailLoader::Extractor extractor, int workers, QObject* parent)
    : QObject(parent) {
    loader_ = std::make_unique<rules::ThumbnailLoader>(
        std::move(extractor),
        [this](std::uint64_t generation, int index, std::optional<Bitmap> thumbnail) {
            // Converted on the worker, so the user-interface thread only stores and paints.
            QImage image = thumbnail ? ToQImage(*thumbnail) : QImage();
            QMetaObject::invokeMethod(
                this,
                [this, generation, index, image = std::move(image)]() mutable { deliver(generation, index, std::move(image)); },
                Qt::QueuedConnection);
        },
        workers);
}

// The loader goes first (member order), joining its threads; deliveries still queued for this
// object are discarded with it.
ThumbnailFeed::~ThumbnailFeed() = default;

void ThumbnailFeed::Start(std::vector<std::string> paths, int width, int height, qreal ratio) {
    total_ = static_cast<int>(paths.size());
    done_ = 0;
    ratio_ = ratio;
    // Rounded to the nearest device pixel: 124 at 1.25 is 155.
    generation_ = loader_->Start(std::move(paths), qRound(width * ratio), qRound(height * ratio));
    emit progress(0, total_);
    if (total_ == 0) emit finished();
}

void ThumbnailFeed::Prefer(int first, int last) { loader_->Prefer(first, last); }

void ThumbnailFeed::deliver(std::uint64_t generation, int index, QImage thumbnail) {
    if (generation != generation_) return;  // made for a folder or a ratio no longer shown
    if (!thumbnail.isNull()) thumbnail.setDevicePixelRatio(ratio_);  // the only owner: no copy
    ++done_;
    emit thumbnailReady(index, thumbnail);
    emit progress(done_, total_);
    if (done_ == total_) emit finished();
}

}  // namespace kalidor
