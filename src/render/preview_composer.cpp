#include "render/preview_composer.h"

#include "platform/error.h"
#include "platform/thread_priority.h"
#include "render/movie_frames.h"

#include <algorithm>

namespace kalidor {

// A fitted picture being read or read; `frames` stays null when it could not be.
struct PreviewComposer::Picture {
    bool loading = true;
    std::shared_ptr<const PictureFrames> frames;
    Message problem;
};

namespace {

constexpr int kWorkerNiceness = 5;

std::shared_ptr<const TThPicObjectManager> snapshotOf(const TThPicObjectManager& project) {
    return std::make_shared<const TThPicObjectManager>(ProjectForFrames(project));
}

}  // namespace

PreviewComposer::PreviewComposer(Delivery delivery, int workers, int keptPictures)
    : delivery_(std::move(delivery)), keptPictures_(std::max(keptPictures, 1)) {
    const int count = workers > 0 ? workers : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    for (int i = 0; i < count; ++i) workers_.emplace_back([this] { work(); });
}

PreviewComposer::~PreviewComposer() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        wanted_.clear();
    }
    changed_.notify_all();
    workers_.clear();  // joins
}

std::uint64_t PreviewComposer::SetProject(const TThPicObjectManager& project) {
    auto snapshot = snapshotOf(project);
    const std::int64_t frames = MovieFrameCount(*snapshot);
    std::lock_guard lock(mutex_);
    project_ = std::move(snapshot);
    frameCount_ = frames;
    wanted_.clear();
    taken_.clear();
    pictures_.clear();
    return ++generation_;
}

std::uint64_t PreviewComposer::Generation() const {
    std::lock_guard lock(mutex_);
    return generation_;
}

std::int64_t PreviewComposer::FrameCount() const {
    std::lock_guard lock(mutex_);
    return frameCount_;
}

void PreviewComposer::Want(std::int64_t first, int count) {
    {
        std::lock_guard lock(mutex_);
        wanted_.clear();
        // Frames composed before the ones wanted now will not be wanted again until a Forget.
        taken_.erase(taken_.begin(), taken_.lower_bound(first));
        const std::int64_t end = std::min(first + std::max(count, 0), frameCount_);
        for (std::int64_t k = std::max<std::int64_t>(first, 0); k < end; ++k)
            if (!taken_.count(k)) wanted_.insert(k);
        if (project_ && first >= 0 && first < frameCount_) keepAround(PlaceOfMovieFrame(*project_, first).picture);
    }
    changed_.notify_all();
}

void PreviewComposer::Forget() {
    std::lock_guard lock(mutex_);
    taken_.clear();
}

std::vector<int> PreviewComposer::KeptPictures() const {
    std::lock_guard lock(mutex_);
    std::vector<int> kept;
    for (const auto& entry : pictures_) kept.push_back(entry.first);
    return kept;
}

void PreviewComposer::keepAround(int firstPicture) {
    // The closing frames (-1) need no picture: keep none then.
    std::erase_if(pictures_, [&](const auto& entry) {
        return firstPicture < 0 || entry.first < firstPicture || entry.first >= firstPicture + keptPictures_;
    });
}

std::shared_ptr<PreviewComposer::Picture> PreviewComposer::pictureFor(std::unique_lock<std::mutex>& lock, int index) {
    if (auto found = pictures_.find(index); found != pictures_.end()) {
        std::shared_ptr<Picture> picture = found->second;
        changed_.wait(lock, [&] { return !picture->loading || quit_; });
        return picture;
    }
    auto picture = std::make_shared<Picture>();
    pictures_[index] = picture;
    const std::shared_ptr<const TThPicObjectManager> project = project_;
    lock.unlock();
    // Read and fitted outside the lock: the slow part, and other frames go on meanwhile.
    std::shared_ptr<const PictureFrames> frames;
    Message problem;
    try {
        const TThPicObject& source = project->Items(index);
        frames = std::make_shared<const PictureFrames>(
            LoadFittedPicture(source.PicturePath, project->MovWidth, project->MovHeight), source);
    } catch (const std::exception& error) {
        problem = MessageOf(error);
    }
    lock.lock();
    picture->frames = std::move(frames);
    picture->problem = std::move(problem);
    picture->loading = false;
    changed_.notify_all();
    return picture;
}

void PreviewComposer::work() {
    // Below the window's thread, which must go on answering and showing the frames.
    LowerThisThreadsPriority(kWorkerNiceness);
    Bitmap frame;
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return quit_ || !wanted_.empty(); });
        if (quit_) return;
        const std::int64_t index = *wanted_.begin();
        wanted_.erase(wanted_.begin());
        taken_.insert(index);
        const std::uint64_t generation = generation_;
        const std::shared_ptr<const TThPicObjectManager> project = project_;
        const MovieFramePlace place = PlaceOfMovieFrame(*project, index);
        std::shared_ptr<Picture> picture;
        if (place.picture >= 0) {
            picture = pictureFor(lock, place.picture);
            if (quit_) return;
        }
        lock.unlock();
        Message problem = picture ? picture->problem : Message();
        if (problem.empty()) {
            try {
                ComposeMovieFrame(
                    *project, index, [&](int) -> const PictureFrames& { return *picture->frames; }, frame);
            } catch (const std::exception& error) {
                problem = MessageOf(error);
            }
        }
        delivery_(generation, index, problem.empty() ? &frame : nullptr, problem);
        lock.lock();
    }
}

}  // namespace kalidor
