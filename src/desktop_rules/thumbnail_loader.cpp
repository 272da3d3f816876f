#include "desktop_rules/thumbnail_loader.h"

#include "platform/thread_priority.h"

#include <algorithm>

namespace kalidor::rules {
namespace {
constexpr int kWorkerNiceness = 5;
}  // namespace

ThumbnailLoader::ThumbnailLoader(Extractor extractor, Delivery delivery, int workers)
    : extractor_(std::move(extractor)), delivery_(std::move(delivery)) {
    if (workers <= 0)
        workers = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    for (int i = 0; i < workers; ++i)
        threads_.emplace_back([this] { work(); });
}

ThumbnailLoader::~ThumbnailLoader() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
}

std::uint64_t ThumbnailLoader::Start(std::vector<std::string> paths, int width, int height) {
    std::uint64_t generation;
    {
        std::lock_guard lock(mutex_);
        paths_ = std::move(paths);
        width_ = width;
        height_ = height;
        generation = ++generation_;
        done_ = 0;
        queue_.clear();
        for (int i = 0; i < static_cast<int>(paths_.size()); ++i)
            queue_.push_back(i);
    }
    wake_.notify_all();
    return generation;
}

void ThumbnailLoader::Prefer(int first, int last) {
    std::lock_guard lock(mutex_);
    std::stable_partition(queue_.begin(), queue_.end(), [&](int index) { return index >= first && index <= last; });
}

void ThumbnailLoader::Cancel() {
    std::lock_guard lock(mutex_);
    queue_.clear();
    if (busy_ == 0)
        idle_.notify_all();
}

ThumbnailLoader::Progress ThumbnailLoader::CurrentProgress() const {
    std::lock_guard lock(mutex_);
    return {generation_, done_, static_cast<int>(paths_.size())};
}

void ThumbnailLoader::WaitIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && busy_ == 0; });
}

void ThumbnailLoader::work() {
    // On every core, but below the window's thread, which goes on answering while they work.
    LowerThisThreadsPriority(kWorkerNiceness);
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_)
            return;
        const int index = queue_.front();
        queue_.pop_front();
        const std::uint64_t generation = generation_;
        const std::string path = paths_[static_cast<std::size_t>(index)];
        const int width = width_, height = height_;
        ++busy_;
        lock.unlock();

        std::optional<Bitmap> thumbnail;
        try {
            Bitmap bitmap(width, height);
            if (extractor_(path, bitmap))
                thumbnail = std::move(bitmap);
        } catch (const std::exception&) {
            // No thumbnail: the item shows its type icon.
        }

        lock.lock();
        const bool current = generation == generation_;
        if (current)
            ++done_;
        lock.unlock();
        if (current)
            delivery_(generation, index, std::move(thumbnail));
        lock.lock();
        --busy_;
        if (queue_.empty() && busy_ == 0)
            idle_.notify_all();
    }
}

}  // namespace kalidor::rules
