#pragma once
// The frames of the preview: any frame of a project's movie composed on worker threads as the
// export composes it (ComposeMovieFrame), a few ahead of where the viewer is. The fitted
// pictures are kept for the picture of the first frame wanted and the next ones only, so memory
// follows the movie size, never the movie's length.
//
// The caller says which frames it wants; each is composed once and handed to the delivery on a
// worker thread. A new project (after an edit) starts a new generation: frames of the old one
// that are still being composed arrive with the old generation, for the caller to drop.

#include "imaging/bitmap.h"
#include "model/pic_object.h"
#include "render/picture_frames.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace kalidor {

class PreviewComposer {
public:
    // The frame, or the reason it cannot be shown (a picture that cannot be read) with `frame`
    // null. Called from the workers, several at once; it must not call the composer.
    using Delivery = std::function<void(std::uint64_t generation, std::int64_t index, const Bitmap* frame,
                                        const Message& problem)>;

    // `workers` threads (0: one per core); `keptPictures` fitted pictures at most.
    explicit PreviewComposer(Delivery delivery, int workers = 0, int keptPictures = 3);
    // Drops what is wanted and waits for the frames being composed.
    ~PreviewComposer();
    PreviewComposer(const PreviewComposer&) = delete;
    PreviewComposer& operator=(const PreviewComposer&) = delete;

    // The project to show from now on, copied (without its thumbnails), so that the caller's
    // edits never reach the workers. Returns the new generation.
    std::uint64_t SetProject(const TThPicObjectManager& project);
    std::uint64_t Generation() const;
    // Frames of the current project's movie, the closing ones included.
    std::int64_t FrameCount() const;

    // Wants frames [first, first + count): those not composed since the last Forget are
    // composed, the lowest first; what was wanted before and is not in the range is dropped.
    void Want(std::int64_t first, int count);
    // Frames composed so far count as not composed: the caller has let them go.
    void Forget();
    // The pictures whose fitted bitmaps are kept now, in order.
    std::vector<int> KeptPictures() const;

private:
    struct Picture;
    void work();
    std::shared_ptr<Picture> pictureFor(std::unique_lock<std::mutex>& lock, int index);
    void keepAround(int firstPicture);

    Delivery delivery_;
    const int keptPictures_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool quit_ = false;
    std::uint64_t generation_ = 0;
    std::shared_ptr<const TThPicObjectManager> project_;
    std::int64_t frameCount_ = 0;
    std::set<std::int64_t> wanted_;
    std::set<std::int64_t> taken_;  // composed or being composed, since the last Forget
    std::map<int, std::shared_ptr<Picture>> pictures_;
    std::vector<std::jthread> workers_;
};

}  // namespace kalidor
