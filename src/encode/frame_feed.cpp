#include "encode/frame_feed.h"

#include "platform/error.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <map>

#include <fcntl.h>
#include <pthread.h>
#include <sys/resource.h>
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

void lowerThisThreadsPriority(int by) {
    errno = 0;
    const int now = ::getpriority(PRIO_PROCESS, 0);
    if (errno == 0)  // Linux sets the niceness of the calling thread only
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), std::min(now + by, 19));
}

// The value after the first `option` in options [from, to), or null.
const std::string* valueOf(const std::vector<std::string>& options, const std::string& option, std::size_t from,
                           std::size_t to) {
    for (std::size_t i = from; i + 1 < to; ++i)
        if (options[i] == option)
            return &options[i + 1];
    return nullptr;
}

PlaneLayout layoutOf(PlaneDecoder& decoder, const std::string& path) {
    std::vector<std::uint8_t> head = ReadFileBytes(path, kHeaderBytes);
    try {
        return decoder.layout(head, path);
    } catch (const Error&) {
        if (head.size() < kHeaderBytes)
            throw;
    }
    return decoder.layout(ReadFileBytes(path), path);
}

}  // namespace

std::unique_ptr<FrameFeed> FrameFeed::Prepare(EncoderInvocation& job, int workers) {
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
    std::optional<long> count;
    if (duration) {
        count = FramesWithin(rate ? *rate : "25", *duration);
        if (!count)
            return nullptr;
    }
    const std::vector<FrameFile> frames = FindFrameFiles(pattern, count);
    if (frames.empty())
        return nullptr;

    std::unique_ptr<FrameFeed> feed(new FrameFeed);
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::size_t> jobOfFile;
    PlaneDecoder decoder;
    for (std::size_t k = 0; k < frames.size(); ++k) {
        const auto [it, added] = jobOfFile.emplace(std::pair{frames[k].device, frames[k].inode}, feed->jobs_.size());
        if (added) {
            const PlaneLayout layout = layoutOf(decoder, frames[k].path);
            if (!layout.yuv420 || (k > 0 && layout != feed->layout_))
                return nullptr;
            feed->layout_ = layout;
            feed->jobs_.push_back({frames[k].path, k});
        }
        feed->jobs_[it->second].lastUse = k;
        feed->frameJob_.push_back(it->second);
    }
    feed->decoded_.resize(feed->jobs_.size());
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
        stop_ = true;
    }
    changed_.notify_all();
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
    const int decoders = std::min<int>(workers_, static_cast<int>(jobs_.size()));
    for (int i = 0; i < decoders; ++i)
        threads_.emplace_back([this] { decodeLoop(); });
}

std::string FrameFeed::Finish() {
    threads_.clear();
    std::lock_guard lock(mutex_);
    return error_;
}

void FrameFeed::fail(const std::string& message) {
    {
        std::lock_guard lock(mutex_);
        if (error_.empty())
            error_ = message;
        stop_ = true;
    }
    changed_.notify_all();
}

void FrameFeed::decodeLoop() {
    lowerThisThreadsPriority(kDecoderNiceness);
    PlaneDecoder decoder;
    std::vector<std::uint8_t> file;
    // Decoders run this many distinct frames ahead of the writer at most, which bounds memory.
    const std::size_t ahead = 2 * static_cast<std::size_t>(workers_) + 2;
    for (;;) {
        std::size_t j = 0;
        Planes planes;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return stop_ || nextJob_ >= jobs_.size() || nextJob_ < writerJob_ + ahead; });
            if (stop_ || nextJob_ >= jobs_.size())
                return;
            j = nextJob_++;
            if (!spare_.empty()) {
                planes = std::move(spare_.back());
                spare_.pop_back();
            }
        }
        if (!planes)
            planes = std::make_shared<std::vector<std::uint8_t>>();
        try {
            ReadFileInto(jobs_[j].path, file);
            decoder.decode(file, jobs_[j].path, layout_, *planes);
        } catch (const std::exception& e) {
            fail(e.what());
            return;
        }
        {
            std::lock_guard lock(mutex_);
            decoded_[j] = std::move(planes);
        }
        changed_.notify_all();
    }
}

void FrameFeed::writeLoop() {
    // A write to the pipe of an encoder that has ended fails with EPIPE; the signal that comes
    // with it stays pending on this thread.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
    bool encoderReads = true;
    for (std::size_t k = 0; k < frameJob_.size() && encoderReads; ++k) {
        const std::size_t j = frameJob_[k];
        Planes planes;
        bool last = false;
        {
            std::unique_lock lock(mutex_);
            writerJob_ = std::max(writerJob_, j);
            changed_.notify_all();
            changed_.wait(lock, [&] { return stop_ || decoded_[j] != nullptr; });
            if (stop_)
                break;
            planes = decoded_[j];
            last = jobs_[j].lastUse == k;
            if (last)
                decoded_[j].reset();
        }
        if (!push(*planes)) {
            encoderReads = false;  // the encoder's exit code tells why
            break;
        }
        if (last)
            inPipe_.push_back({std::move(planes), pushed_});
        // A frame's memory is decoded into again only once the encoder has read all of it: when
        // a pipe's worth of bytes has gone in after it.
        std::lock_guard lock(mutex_);
        while (!inPipe_.empty() && pushed_ - inPipe_.front().end >= pipeBytes_) {
            spare_.push_back(std::move(inPipe_.front().planes));
            inPipe_.pop_front();
        }
    }
    // End of input for the encoder: after the last frame, or early after a failure. The frames
    // still in the pipe stay in inPipe_ until the feed goes, after the encoder.
    ::close(writeFd_);
    writeFd_ = -1;
    std::lock_guard lock(mutex_);
    stop_ = true;
    changed_.notify_all();
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
