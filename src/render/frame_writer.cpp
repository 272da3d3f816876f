#include "render/frame_writer.h"

#include "platform/error.h"
#include "imaging/jpeg_codec.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace kalidor {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A byte key for a recipe, so equal recipes can be found with a map.
std::string recipeKey(const FrameRecipe& r) {
    std::string key;
    auto put = [&key](const auto& v) { key.append(reinterpret_cast<const char*>(&v), sizeof v); };
    put(r.kind);
    put(r.rows);
    put(r.zoomWidth);
    put(r.zoomHeight);
    put(r.left);
    put(r.top);
    put(r.scaled);
    put(r.brightness);
    for (const Span& s : r.spans) {
        put(s.begin);
        put(s.end);
    }
    return key;
}

// Consecutive frames with one recipe are taken together, up to this many, so the worker that
// encodes a frame also writes its repeats instead of leaving other workers waiting for it.
constexpr std::size_t kMaxFramesPerItem = 8;

// The shared state of one WriteFrames call. Frames with one recipe share one file: the first
// is written, the others are hard links to it, so a still picture costs one file on disk.
class FrameJob {
public:
    FrameJob(const EffectPlan& plan, const FrameComposer& composer, std::string folder, int firstFrame,
             FrameProgress& progress, const FrameWriterOptions& options)
        : plan_(plan), composer_(composer), folder_(std::move(folder)), firstFrame_(firstFrame),
          progress_(progress), options_(options) {
        const std::size_t n = plan.frames.size();
        source_.resize(n);
        usesLeft_.assign(n, 0);
        encoded_.resize(n);
        std::map<std::string, std::size_t> firstOf;
        for (std::size_t k = 0; k < n; ++k) {
            const auto [it, inserted] = firstOf.emplace(recipeKey(plan.frames[k]), k);
            source_[k] = it->second;
            ++usesLeft_[it->second];
        }
    }

    void work() {
        Bitmap frame;
        for (;;) {
            std::size_t first = 0, count = 0;
            {
                std::lock_guard lock(mutex_);
                if (stop_)
                    return;
                first = next_;
                // Each frame of the item is polled and reported on its own, in order.
                while (next_ < plan_.frames.size() && count < kMaxFramesPerItem &&
                       (count == 0 || source_[next_] == source_[first])) {
                    if (!pollAndReport()) {
                        cancelled_ = stop_ = true;
                        ready_.notify_all();
                        break;
                    }
                    ++next_;
                    ++count;
                }
                if (count == 0)
                    return;
            }
            try {
                produce(first, count, frame);
            } catch (...) {
                std::lock_guard lock(mutex_);
                if (!error_)
                    error_ = std::current_exception();
                stop_ = true;
                ready_.notify_all();
                return;
            }
        }
    }

    int finish() const {
        if (error_)
            std::rethrow_exception(error_);
        if (cancelled_)
            return -1;
        return firstFrame_ + static_cast<int>(plan_.frames.size());
    }

private:
    bool pollAndReport() {
        if (options_.progressFirst) {
            progress_.ReportFrame();
            return !progress_.CancelRequested();
        }
        if (progress_.CancelRequested())
            return false;
        progress_.ReportFrame();
        return true;
    }

    // Writes frames [first, first + count), which share one recipe.
    void produce(std::size_t first, std::size_t count, Bitmap& frame) {
        const std::size_t s = source_[first];
        std::shared_ptr<const Bytes> bytes;
        if (s == first) {
            composer_.compose(plan_.frames[first], frame);
            bytes = std::make_shared<const Bytes>(jpeg::encode(frame, options_.jpegQuality));
            WriteWholeFile(pathOf(s), *bytes);
            std::lock_guard lock(mutex_);
            if (usesLeft_[s] > count)
                encoded_[s] = bytes;  // its file exists now; later repeats link to it
            ready_.notify_all();
        } else {
            // The first frame with this recipe was taken earlier and may still be written.
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [&] { return encoded_[s] != nullptr || error_ != nullptr; });
            if (!encoded_[s])
                return;
            bytes = encoded_[s];
        }
        for (std::size_t k = first; k < first + count; ++k)
            if (k != s)
                LinkOrWriteFile(pathOf(s), pathOf(k), *bytes);
        std::lock_guard lock(mutex_);
        usesLeft_[s] -= count;
        if (usesLeft_[s] == 0)
            encoded_[s].reset();
    }

    // The file of plan frame k.
    std::string pathOf(std::size_t k) const {
        const std::size_t position = plan_.reversed ? plan_.frames.size() - 1 - k : k;
        return folder_ + FrameFileName(firstFrame_ + static_cast<int>(position));
    }

    const EffectPlan& plan_;
    const FrameComposer& composer_;
    const std::string folder_;
    const int firstFrame_;
    FrameProgress& progress_;
    const FrameWriterOptions options_;

    std::vector<std::size_t> source_;  // the first frame with the same recipe
    std::mutex mutex_;
    std::condition_variable ready_;
    std::size_t next_ = 0;
    bool stop_ = false;
    bool cancelled_ = false;
    std::exception_ptr error_;
    std::vector<std::size_t> usesLeft_;
    std::vector<std::shared_ptr<const Bytes>> encoded_;
};

}  // namespace

std::string FrameFileName(int frameNumber) {
    char name[32];
    std::snprintf(name, sizeof name, "%.6d.jpg", frameNumber);
    return name;
}

void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        throw Error("cannot write frame " + path + ": " + std::strerror(errno));
    const std::uint8_t* p = bytes.data();
    std::size_t left = bytes.size();
    int error = 0;
    while (left > 0 && error == 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno != EINTR)
                error = errno;
            continue;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0) {
        ::unlink(path.c_str());
        throw Error("cannot write frame " + path + ": " + std::strerror(error));
    }
}

void LinkOrWriteFile(const std::string& existing, const std::string& path, const std::vector<std::uint8_t>& bytes) {
    if (::link(existing.c_str(), path.c_str()) == 0)
        return;
    if (errno == EEXIST && ::unlink(path.c_str()) == 0 && ::link(existing.c_str(), path.c_str()) == 0)
        return;
    // File systems without hard links (or out of links for one file) get the bytes again.
    WriteWholeFile(path, bytes);
}

int WriteFrames(const EffectPlan& plan, const FrameComposer& composer, const std::string& folder, int firstFrame,
                FrameProgress& progress, const FrameWriterOptions& options) {
    FrameJob job(plan, composer, folder, firstFrame, progress, options);
    int workers = options.workers > 0 ? options.workers : static_cast<int>(std::thread::hardware_concurrency());
    workers = std::clamp(workers, 1, std::max(1, static_cast<int>(plan.frames.size())));
    {
        std::vector<std::jthread> pool;
        for (int i = 1; i < workers; ++i)
            pool.emplace_back([&job] { job.work(); });
        job.work();  // the calling thread is one of the workers
    }
    return job.finish();
}

}  // namespace kalidor
