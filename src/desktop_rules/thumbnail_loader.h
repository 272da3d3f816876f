#pragma once
// Makes the thumbnails of a folder's pictures on worker threads, so that a folder of hundreds of
// photographs never holds up the browser: each thumbnail is handed over as soon as it is made,
// the items in view can be moved to the front, and showing another folder drops the work left
// for the previous one.
//
// The delivery runs on a worker thread; a user interface passes it on to its own thread. Each
// folder is a new generation: a delivery carries the generation it was made for, and the
// receiver ignores one that is not the generation it is showing (a thumbnail finishing just as
// the folder changes can still arrive).

#include "imaging/bitmap.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kalidor::rules {

class ThumbnailLoader {
public:
    // Makes the thumbnail of a file into a bitmap of the requested size: UnitImageExtract's contract.
    using Extractor = std::function<bool(const std::string& path, Bitmap& bitmap)>;
    // The thumbnail of item `index`, or nullopt when the file has none (draw its type icon).
    // It must not throw.
    using Delivery = std::function<void(std::uint64_t generation, int index, std::optional<Bitmap> thumbnail)>;

    // `workers` threads; 0 means one per hardware thread. They run below the calling thread's
    // priority, so a user interface on it never waits for them.
    ThumbnailLoader(Extractor extractor, Delivery delivery, int workers = 0);
    // Drops what is queued and waits for the thumbnails being made.
    ~ThumbnailLoader();
    ThumbnailLoader(const ThumbnailLoader&) = delete;
    ThumbnailLoader& operator=(const ThumbnailLoader&) = delete;

    // Queues every path of the new folder in order, dropping the previous folder's queue, and
    // returns the new generation.
    std::uint64_t Start(std::vector<std::string> paths, int width, int height);
    // Moves the items first..last that are still queued to the front, in order (the items in view).
    void Prefer(int first, int last);
    // Drops what is queued.
    void Cancel();

    struct Progress {
        std::uint64_t generation = 0;
        int done = 0;   // thumbnails of this generation made or found missing
        int total = 0;  // items of this generation
    };
    Progress CurrentProgress() const;

    // Waits until nothing is queued or being made; for tests and batch use.
    void WaitIdle();

private:
    void work();

    Extractor extractor_;
    Delivery delivery_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<int> queue_;
    std::vector<std::string> paths_;
    int width_ = 0, height_ = 0;
    std::uint64_t generation_ = 0;
    int done_ = 0;
    int busy_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace kalidor::rules
