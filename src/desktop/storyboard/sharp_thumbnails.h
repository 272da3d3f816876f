#pragma once
// The storyboard's thumbnails for a dense screen. A project keeps each picture's thumbnail at
// 105 x 105, which a screen of scale 2 would show stretched; these are made again from the
// picture's file at the screen's pixel size, on worker threads, and kept while the file stays
// the same. Until one is there (or where the file gives none) the panel shows the kept one.

#include "desktop_rules/thumbnail_loader.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kalidor {

class ThumbnailFeed;

class SharpThumbnails : public QObject {
    Q_OBJECT
public:
    // `extractor` fits a picture file into a bitmap (UnitImageExtract's contract).
    explicit SharpThumbnails(rules::ThumbnailLoader::Extractor extractor, QObject* parent = nullptr);

    // The framed thumbnail of the file at `path` for a screen of `ratio` (above 1), with that
    // device pixel ratio; a null image while it is being made (then `ready` follows) and when the
    // file gives none. A file changed since its thumbnail was made is made again.
    QImage Find(const std::string& path, qreal ratio);

signals:
    // The thumbnail of the file at `path` is made, or the file gives none.
    void ready(const QString& path);

private:
    struct FileStamp {
        std::uint64_t device = 0, inode = 0, size = 0;
        std::int64_t modified = 0;  // nanoseconds
        bool operator==(const FileStamp&) const = default;
    };
    struct Entry {
        FileStamp stamp;
        QImage image;
        bool made = false;  // false while queued
    };
    static FileStamp stampOf(const std::string& path);
    void startQueued();
    void deliver(int index, const QImage& image);

    qreal ratio_ = 0;
    std::map<std::string, Entry> entries_;
    std::vector<std::string> queued_;  // what the feed works through, in its order
    bool startPending_ = false;
    ThumbnailFeed* feed_;
};

}  // namespace kalidor
