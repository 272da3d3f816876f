#include "encode/frame_feed.h"

#include "encode/frames_in_progress.h"
#include "platform/error.h"
#include "platform/thread_priority.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <map>

#include <fcntl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace kalidor {
namespace {

// Enough of a frame file for its header; a header that needs more is read whole.
constexpr std::size_t kHeaderBytes = 16 * 1024;
// A pipe this large lets ffmpeg take a whole small frame per read.
constexpr int kPipeBytes = 1 << 20;
// Every frame passes through the encoder one after another, while the decoders run ahead of it
// by a bounded queue: at a lower priority they take only the time the encoder leaves, and the
// encoder does not wait for a core (about a tenth faster at 1280 x 720 on two cores).
constexpr int kDecoderNiceness = 6;

// The value after the first `option` in options [from, to), or null.
const std::string* valueOf(const std::vector<std::string>& options, const std::string& option, std::size_t from,
                           std::size_t to) {
    for (std::size_t i = from; i + 1 < to; ++i)
        if (options[i] == option)
            return &options[i + 1];
    return nullptr;
}

// The layout from the head of a frame file, read whole when its header needs more.
PlaneLayout layoutOf(PlaneDecoder& decoder, int fd, const std::string& path) {
    std::vector<std::uint8_t> head;
    const auto read = [&](std::size_t limit) {
        if (fd >= 0)
            ReadOpenFileInto(fd, path, head, limit);
        else
            ReadFileInto(path, head, limit);
    };
    read(kHeaderBytes);
    try {
        return decoder.layout(head, path);
    } catch (const Error&) {
        if (head.size() < kHeaderBytes)
            throw;
    }
    read(SIZE_MAX);
    return decoder.layout(head, path);
}

// Frames found this far ahead of the writer at most, each distinct one held open.
constexpr std::size_t kFramesFoundAhead = 256;

}  // namespace

std::unique_ptr<FrameFeed> FrameFeed::Prepare(EncoderInvocation& job, int workers, const std::string& ownerPid) {
    std::vector<std::string>& o = job.options;
    const auto input = std::find(o.begin(), o.end(), "-i");
    if (input == o.end() || input + 1 == o.end())
        return nullptr;
    const std::size_t at = static_cast<std::size_t>(input - o.begin());
    const std::string pattern = UnescapeFramePattern(o[at + 1]);
    if (pattern.find("%6d") == std::string::npos || pattern.starts_with("pipe:"))
        return nullptr;
    // ffmpeg reads an image sequence at 25 frames a second unless -r says otherwise.
    const std::string* rate = valueOf(o, "-r", 0, at);
    const std::string* duration = valueOf(o, "-t", at + 2, o.size());
    const bool following = FramesBeingWrittenBy(FolderOfPattern(pattern), ownerPid);
    std::optional<long> count;
    if (duration) {
        count = FramesWithin(rate ? *rate : "25", *duration);
        if (!count && !following)
            return nullptr;
    }
    std::unique_ptr<FrameFeed> feed(new FrameFeed);
    feed->pattern_ = pattern;
    PlaneDecoder decoder;
    if (following) {
        // Nothing but this feed can read frames that are still coming.
        if (!count || *count <= 0)
            throw Error("frames being written into " + FolderOfPattern(pattern) +
                        " need a plain -t with -r to tell how many to take");
        feed->arrivals_ = std::make_unique<FrameArrivals>(pattern);
        feed->first_ = 1;  // the writer numbers them from 1
        feed->frameTotal_ = static_cast<std::size_t>(*count);
        feed->allFound_ = false;
        const std::string path = FrameFilePath(pattern, feed->first_);
        const UniqueFd first = feed->arrivals_->Open(feed->first_);
        feed->layout_ = layoutOf(decoder, first.get(), path);
        if (!feed->layout_.yuv420)
            throw Error("frame " + path + " is no 4:2:0 JPEG, which frames being written must be");
    } else {
        // A frame missing after the first fails the feed as it does when following: once the
        // frames before it are fed, from Finish. Which of the two a feed is can depend on how fast
        // the writer was, and must not change what the frame's absence looks like.
        const std::vector<FrameFile> frames = FindFrameFiles(pattern, count, &feed->missing_);
        if (frames.empty())
            return nullptr;
        std::map<std::pair<std::uint64_t, std::uint64_t>, std::size_t> jobOfFile;
        for (std::size_t k = 0; k < frames.size(); ++k) {
            const auto [it, added] =
                jobOfFile.emplace(std::pair{frames[k].device, frames[k].inode}, feed->jobs_.size());
            if (added) {
                const PlaneLayout layout = layoutOf(decoder, -1, frames[k].path);
                if (!layout.yuv420 || (k > 0 && layout != feed->layout_))
                    return nullptr;
                feed->layout_ = layout;
                feed->jobs_.push_back({frames[k].path, k, {}, {}, 0});
            }
            feed->jobs_[it->second].lastUse = k;
            feed->frameJob_.push_back(it->second);
        }
        feed->frameTotal_ = frames.size();
    }
    feed->workers_ = workers > 0 ? workers : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw Error(std::string("cannot make the frame pipe: ") + std::strerror(errno));
    feed->readFd_ = fds[0];
    feed->writeFd_ = fds[1];
    ::fcntl(feed->writeFd_, F_SETPIPE_SZ, kPipeBytes);  // a smaller pipe only costs more switches
    if (const int size = ::fcntl(feed->writeFd_, F_GETPIPE_SZ); size > 0)
        feed->pipeBytes_ = static_cast<std::uint64_t>(size);

    const std::string size = std::to_string(feed->layout_.width) + "x" + std::to_string(feed->layout_.height);
    o.erase(input, input + 2);
    o.insert(o.begin() + static_cast<std::ptrdiff_t>(at),
             {"-f", "rawvideo", "-pix_fmt", "yuv420p", "-s", size, "-i", "pipe:" + std::to_string(kFrameFeedFd)});
    return feed;
}

void FrameFeed::TuneEncoderMemory() {
    std::string tunables = "glibc.malloc.mmap_threshold=33554432:glibc.malloc.trim_threshold=268435456";
    if (const char* set = std::getenv("GLIBC_TUNABLES"); set && *set)
        tunables = std::string(set) + ":" + tunables;
    ::setenv("GLIBC_TUNABLES", tunables.c_str(), 1);
}

FrameFeed::~FrameFeed() {
    {
        std::lock_guard lock(mutex_);
        stopAll();
    }
    threads_.clear();  // joins
    if (readFd_ >= 0)
        ::close(readFd_);
    if (writeFd_ >= 0)
        ::close(writeFd_);
}

void FrameFeed::Start() {
    ::close(readFd_);
    readFd_ = -1;
    threads_.emplace_back([this] { writeLoop(); });
    if (arrivals_)
        threads_.emplace_back([this] { arrivalLoop(); });
    const int decoders = arrivals_ ? workers_ : std::min<int>(workers_, static_cast<int>(jobs_.size()));
    for (int i = 0; i < decoders; ++i)
        threads_.emplace_back([this] { decodeLoop(); });
}

std::string FrameFeed::Finish() {
    threads_.clear();
    std::lock_guard lock(mutex_);
    return error_;
}

std::size_t FrameFeed::distinctFrames() {
    std::lock_guard lock(mutex_);
    return jobs_.size();
}

void FrameFeed::stopAll() {
    stop_ = true;
    if (arrivals_)
        arrivals_->Stop();
    decodable_.notify_all();
    feedable_.notify_all();
    writerMoved_.notify_all();
}

void FrameFeed::fail(const std::string& message) {
    std::lock_guard lock(mutex_);
    if (error_.empty())
        error_ = message;
    stopAll();
}

void FrameFeed::decodeLoop() {
    LowerThisThreadsPriority(kDecoderNiceness);
    PlaneDecoder decoder;
    std::vector<std::uint8_t> file;
    // Decoders run this many distinct frames ahead of the writer at most, which bounds memory.
    const std::size_t ahead = 2 * static_cast<std::size_t>(workers_) + 2;
    for (;;) {
        std::size_t j = 0;
        std::string path;
        int fd = -1;
        Planes planes;
        {
            std::unique_lock lock(mutex_);
            decodable_.wait(lock, [&] {
                return stop_ || (nextJob_ < jobs_.size() ? nextJob_ < writerJob_ + ahead : allFound_);
            });
            if (stop_ || nextJob_ >= jobs_.size())
                return;
            j = nextJob_++;
            path = jobs_[j].path;
            fd = jobs_[j].file.get();  // open until this job's planes are fed
            if (!spare_.empty()) {
                planes = std::move(spare_.back());
                spare_.pop_back();
            }
        }
        if (!planes)
            planes = std::make_shared<std::vector<std::uint8_t>>();
        try {
            if (fd >= 0)
                ReadOpenFileInto(fd, path, file);
            else
                ReadFileInto(path, file);
            decoder.decode(file, path, layout_, *planes);
        } catch (const std::exception& e) {
            fail(e.what());
            return;
        }
        {
            std::lock_guard lock(mutex_);
            jobs_[j].planes = std::move(planes);
        }
        feedable_.notify_one();
    }
}

void FrameFeed::arrivalLoop() {
    for (std::size_t k = 0; k < frameTotal_; ++k) {
        {
            std::unique_lock lock(mutex_);
            writerMoved_.wait(lock, [&] { return stop_ || k < writerFrame_ + kFramesFoundAhead; });
            if (stop_)
                return;
        }
        const long number = first_ + static_cast<long>(k);
        std::string path = FrameFilePath(pattern_, number);
        UniqueFd file;
        struct stat info {};
        try {
            file = arrivals_->Open(number);
            if (!file)
                return;  // stopped
            if (::fstat(file.get(), &info) != 0)
                throw Error("cannot read frame " + path + ": " + std::strerror(errno));
        } catch (const std::exception& e) {
            // As for a finished folder: the frames found are fed, then the feed fails with this.
            {
                std::lock_guard lock(mutex_);
                missing_ = e.what();
                allFound_ = true;
            }
            feedable_.notify_one();
            decodable_.notify_all();
            return;
        }
        bool newJob = false;
        {
            std::lock_guard lock(mutex_);
            if (stop_)
                return;
            // A file still open here is one of ours: its inode cannot have been reused.
            const auto key = std::pair<std::uint64_t, std::uint64_t>{info.st_dev, info.st_ino};
            const auto [it, added] = openJobs_.emplace(key, jobs_.size());
            if (added)
                jobs_.push_back({std::move(path), k, std::move(file), {}, 0});
            jobs_[it->second].lastUse = k;
            frameJob_.push_back(it->second);
            allFound_ = k + 1 == frameTotal_;
            newJob = added || allFound_;
        }
        feedable_.notify_one();
        if (newJob)
            decodable_.notify_all();
    }
}

void FrameFeed::releaseUnnamedJobs(std::size_t j, std::size_t k) {
    if (jobs_[j].lastUse == k)
        lingering_.push_back(j);
    std::erase_if(lingering_, [&](std::size_t l) {
        Job& job = jobs_[l];
        if (job.lastUse > k)
            return true;  // a later frame shows it; it comes back after that one
        // While a file has a name, the writer may link another frame to it.
        struct stat info {};
        if (::fstat(job.file.get(), &info) != 0 || info.st_nlink > 0)
            return false;
        openJobs_.erase({info.st_dev, info.st_ino});
        job.file.reset();
        inPipe_.push_back({std::move(job.planes), job.pushedEnd});
        return true;
    });
}

void FrameFeed::writeLoop() {
    writeFrames();
    // End of input for the encoder: after the last frame, or early after a failure. The frames
    // still in the pipe stay in inPipe_ until the feed goes, after the encoder.
    ::close(writeFd_);
    writeFd_ = -1;
    std::lock_guard lock(mutex_);
    if (!missing_.empty() && error_.empty())
        error_ = missing_;
    stopAll();
}

void FrameFeed::writeFrames() {
    // A write to the pipe of an encoder that has ended fails with EPIPE; the signal that comes
    // with it stays pending on this thread.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
    for (std::size_t k = 0; k < frameTotal_; ++k) {
        std::size_t j = 0;
        Planes planes;
        bool last = false;
        {
            std::unique_lock lock(mutex_);
            feedable_.wait(lock, [&] { return stop_ || k < frameJob_.size() || allFound_; });
            if (stop_ || k >= frameJob_.size())
                break;  // stopped, or the frames end early (missing_ says why)
            j = frameJob_[k];
            writerFrame_ = k;
            writerMoved_.notify_one();
            if (j > writerJob_) {
                writerJob_ = j;
                decodable_.notify_all();
            }
            feedable_.wait(lock, [&] { return stop_ || jobs_[j].planes != nullptr; });
            if (stop_)
                break;
            planes = jobs_[j].planes;
            last = !arrivals_ && jobs_[j].lastUse == k;
            if (last)
                jobs_[j].planes.reset();
        }
        if (!push(*planes))
            break;  // the encoder no longer reads; its exit code tells why
        if (last)
            inPipe_.push_back({std::move(planes), pushed_});
        planes.reset();
        // Fed: its name goes, which makes room for the writer of the frames.
        if (arrivals_)
            ::unlink(FrameFilePath(pattern_, first_ + static_cast<long>(k)).c_str());
        std::lock_guard lock(mutex_);
        if (arrivals_) {
            jobs_[j].pushedEnd = pushed_;
            releaseUnnamedJobs(j, k);
        }
        // A frame's memory is decoded into again only once the encoder has read all of it: when
        // a pipe's worth of bytes has gone in after it.
        while (!inPipe_.empty() && pushed_ - inPipe_.front().end >= pipeBytes_) {
            spare_.push_back(std::move(inPipe_.front().planes));
            inPipe_.pop_front();
        }
    }
}

bool FrameFeed::push(const std::vector<std::uint8_t>& frame) {
    const std::uint8_t* p = frame.data();
    std::size_t left = frame.size();
    while (left > 0) {
        // vmsplice hands the pipe our pages instead of copying them in; the encoder's read copies
        // them out as before. Where the kernel refuses, write copies.
        iovec part{const_cast<std::uint8_t*>(p), left};
        ssize_t n = spliceToPipe_ ? ::vmsplice(writeFd_, &part, 1, 0) : ::write(writeFd_, p, left);
        if (n < 0 && spliceToPipe_ && (errno == EINVAL || errno == ENOSYS)) {
            spliceToPipe_ = false;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= static_cast<std::size_t>(n);
        pushed_ += static_cast<std::uint64_t>(n);
    }
    return true;
}

}  // namespace kalidor
