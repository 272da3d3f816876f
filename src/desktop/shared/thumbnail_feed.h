#pragma once
// Brings the thumbnails that ThumbnailLoader makes on its worker threads to the user-interface
// thread, for the list being shown only (a browser's folder, the storyboard's pictures): a
// thumbnail of a list left behind is dropped here.

#include "desktop_rules/thumbnail_loader.h"

#include <QImage>
#include <QObject>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kalidor {

class Bitmap;

class ThumbnailFeed : public QObject {
    Q_OBJECT
public:
    // `extractor` makes one thumbnail (UnitImageExtract's contract); `workers` as ThumbnailLoader.
    explicit ThumbnailFeed(rules::ThumbnailLoader::Extractor extractor, int workers = 0, QObject* parent = nullptr);
    ~ThumbnailFeed() override;

    // Drops the work left for the previous folder and starts on these files. The box is in
    // logical pixels; the thumbnails are made for `ratio` device pixels to one and carry it.
    void Start(std::vector<std::string> paths, int width, int height, qreal ratio = 1);
    // The items first..last are in view: made first among what is left.
    void Prefer(int first, int last);

    int Done() const { return done_; }
    int Total() const { return total_; }
    bool Finished() const { return done_ == total_; }

signals:
    // Item `index` of the shown folder: its thumbnail, or a null image when it has none.
    void thumbnailReady(int index, const QImage& thumbnail);
    // `done` of `total` items have their thumbnail or are known to have none.
    void progress(int done, int total);
    // Every item of the shown folder is through (also at once for an empty folder).
    void finished();

private:
    void deliver(std::uint64_t generation, int index, QImage thumbnail);

    std::uint64_t generation_ = 0;
    qreal ratio_ = 1;  // of the shown generation
    int done_ = 0;
    int total_ = 0;
    std::unique_ptr<rules::ThumbnailLoader> loader_;  // last: its threads stop before the rest goes
};

}  // namespace kalidor
