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
#include <set>
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

// The hidden name beside a frame's `path` with `suffix`: ".<name><suffix>".
std::string hiddenPathOf(const std::string& path, const char* suffix) {
    const auto slash = path.rfind('/');
    const std::size_t at = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(0, at) + "." + path.substr(at) + suffix;
}

// Writes `bytes` into the file `path`. Returns 0, or the errno having removed what was written.
int writeBytes(const std::string& path, const Bytes& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
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
    if (error != 0)
        ::unlink(path.c_str());
    return error;
}

[[noreturn]] void failToWrite(const std::string& frame, int error) {
    throw Error("cannot write frame " + frame + ": " + std::strerror(error));
}

// The shared state of one WriteFrames call. Frames are taken in the order of their numbers;
// frames with one recipe share one file: it is written once, hidden, and linked under each of
// their names, so a still picture costs one file on disk.
class FrameJob {
public:
    FrameJob(const EffectPlan& plan, const FrameComposer& composer, std::string folder, int firstFrame,
             FrameProgress& progress, const FrameWriterOptions& options)
        : plan_(plan), composer_(composer), folder_(std::move(folder)), firstFrame_(firstFrame),
          progress_(progress), options_(options) {
        const std::size_t n = plan.frames.size();
        source_.resize(n);
        usesLeft_.assign(n, 0);
        shared_.resize(n);
        std::map<std::string, std::size_t> firstOf;
        for (std::size_t i = 0; i < n; ++i) {
            const auto [it, inserted] = firstOf.emplace(recipeKey(recipeAt(i)), i);
            source_[i] = it->second;
            ++usesLeft_[it->second];
        }
    }

    void work() {
        Bitmap frame;
        for (;;) {
            std::size_t first = 0, count = 0;
            {
                std::unique_lock lock(mutex_);
                if (!waitForRoom(lock))
                    return;
                first = next_;
                // Each frame of the item is polled and reported on its own, in order.
                while (next_ < plan_.frames.size() && count < kMaxFramesPerItem &&
                       (count == 0 || source_[next_] == source_[first])) {
                    if (!pollAndReport()) {
                        stopped_ = stop_ = true;
                        ready_.notify_all();
                        break;
                    }
                    ++next_;
                    ++count;
                }
                if (count == 0)
                    return;
                inHand_.insert(first);
            }
            try {
                produce(first, count, frame);
                std::lock_guard lock(mutex_);
                inHand_.erase(first);
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
        if (stopped_)
            return -1;
        return firstFrame_ + static_cast<int>(plan_.frames.size());
    }

private:
    // Frame i in number order: a reversed plan shows recipe n - 1 - i there.
    const FrameRecipe& recipeAt(std::size_t i) const {
        return plan_.frames[plan_.reversed ? plan_.frames.size() - 1 - i : i];
    }

    std::string pathOf(std::size_t i) const { return folder_ + FrameFileName(firstFrame_ + static_cast<int>(i)); }

    // Waits, with `lock` let go meanwhile, until the window has room for the next frame. False
    // when the job has stopped or stops now (a closed window, a cancel seen while waiting).
    bool waitForRoom(std::unique_lock<std::mutex>& lock) {
        auto nextPoll = std::chrono::steady_clock::now() + kWindowCancelPoll;
        for (;;) {
            if (stop_)
                return false;
            if (!options_.window || next_ >= plan_.frames.size())
                return true;
            // Frames below the first item still in hand are written.
            const std::size_t unwritten = inHand_.empty() ? next_ : *inHand_.begin();
            const int number = options_.windowFrame ? options_.windowFrame : firstFrame_ + static_cast<int>(next_);
            const int writtenBelow =
                options_.windowFrame ? options_.windowFrame : firstFrame_ + static_cast<int>(unwritten);
            const FrameWindow::Room room = options_.window->RoomFor(number, writtenBelow);
            if (room == FrameWindow::Room::Free)
                return true;
            if (room == FrameWindow::Room::Closed) {
                stopped_ = stop_ = true;
                ready_.notify_all();
                return false;
            }
            lock.unlock();
            options_.window->WaitForChange(kWindowCancelPoll);
            lock.lock();
            // A reader that has stalled must not keep a cancel waiting.
            if (!stop_ && std::chrono::steady_clock::now() >= nextPoll) {
                nextPoll = std::chrono::steady_clock::now() + kWindowCancelPoll;
                if (progress_.CancelRequested()) {
                    stopped_ = stop_ = true;
                    ready_.notify_all();
                    return false;
                }
            }
        }
    }

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
        std::shared_ptr<const SharedFrameFile> file;
        if (s == first) {
            composer_.compose(recipeAt(first), frame);
            if (options_.composed)
                for (std::size_t i = first; i < source_.size(); ++i)
                    if (source_[i] == s)
                        options_.composed(firstFrame_ + static_cast<int>(i), frame);
            Bytes bytes = jpeg::encode(frame, options_.jpegQuality);
            // Other items of this recipe wait for `shared_`, so nobody has counted it down yet.
            if (usesLeft_[s] == 1) {
                WriteWholeFile(pathOf(first), bytes);
            } else {
                file = std::make_shared<const SharedFrameFile>(pathOf(first), std::move(bytes));
                std::lock_guard lock(mutex_);
                if (usesLeft_[s] > count)
                    shared_[s] = file;  // later repeats link to it
                ready_.notify_all();
            }
        } else {
            // The first frame with this recipe was taken earlier and may still be written.
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [&] { return shared_[s] != nullptr || error_ != nullptr; });
            if (!shared_[s])
                return;
            file = shared_[s];
        }
        if (file)
            for (std::size_t k = first; k < first + count; ++k)
                file->Place(pathOf(k));
        // The last item of the recipe drops the hidden file with the last reference to it.
        std::lock_guard lock(mutex_);
        usesLeft_[s] -= count;
        if (usesLeft_[s] == 0)
            shared_[s].reset();
    }

    const EffectPlan& plan_;
    const FrameComposer& composer_;
    const std::string folder_;
    const int firstFrame_;
    FrameProgress& progress_;
    const FrameWriterOptions options_;

    std::vector<std::size_t> source_;  // the first frame with the same recipe, in number order
    std::mutex mutex_;
    std::condition_variable ready_;
    std::size_t next_ = 0;
    std::set<std::size_t> inHand_;  // the first frames of the items being written
    bool stop_ = false;
    bool stopped_ = false;  // by a cancel or a closed window
    std::exception_ptr error_;
    std::vector<std::size_t> usesLeft_;
    std::vector<std::shared_ptr<const SharedFrameFile>> shared_;
};

}  // namespace

std::string FrameFileName(int frameNumber) {
    char name[32];
    std::snprintf(name, sizeof name, "%.6d.jpg", frameNumber);
    return name;
}

void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    const std::string partial = hiddenPathOf(path, ".part");
    if (const int error = writeBytes(partial, bytes); error != 0)
        failToWrite(path, error);
    if (::rename(partial.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(partial.c_str());
        failToWrite(path, error);
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

SharedFrameFile::SharedFrameFile(const std::string& firstPath, std::vector<std::uint8_t> bytes)
    : hidden_(hiddenPathOf(firstPath, ".shared")), bytes_(std::move(bytes)) {
    if (const int error = writeBytes(hidden_, bytes_); error != 0)
        failToWrite(firstPath, error);
}

SharedFrameFile::~SharedFrameFile() { ::unlink(hidden_.c_str()); }

void SharedFrameFile::Place(const std::string& path) const { LinkOrWriteFile(hidden_, path, bytes_); }

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
