#pragma once
// The encoder entry's frame reader: instead of letting ffmpeg decode every numbered JPEG frame
// on one core, it decodes each distinct frame file (one inode: a still picture's frames are links
// of one file) once, on every core, straight to limited-range yuv420p planes, and writes the raw
// frames in order into a pipe that ffmpeg reads as "-f rawvideo" input. ffmpeg still encodes and
// muxes with everything else the line says (size, codec, bit rate, -t, the music).
//
// Frames still being written (their folder holds the mark of the program that started the entry,
// frames_in_progress.h) are followed: numbered from 1, each is read as soon as it is there and its
// file (every link of it) is removed once fed, so the folder holds only the frames the writer is
// ahead. Each file is kept open while its frames may still come, so its inode cannot be taken by
// a newer frame and mistaken for it.

#include "encode/encoder_entry.h"
#include "encode/frame_arrivals.h"
#include "encode/frame_sequence.h"
#include "encode/jpeg_planes.h"
#include "platform/unique_fd.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kalidor {

// The descriptor on which ffmpeg reads the raw frames ("pipe:3"); its standard input stays ours.
inline constexpr int kFrameFeedFd = 3;

class FrameFeed {
public:
    // Takes over the line's frame input "-i <numbered pattern>": finds the frames (as many as
    // -t holds at the -r rate, or all there are without -t) and reads their headers, then
    // rewrites the input of `job` as raw frames on kFrameFeedFd. Returns null, leaving `job`
    // as it is, where ffmpeg had better read the files itself: an input that is no numbered
    // pattern, a rate or duration that is not a plain number, frames that are not all 4:2:0
    // JPEGs of one size. Throws kalidor::Error naming the first frame file when it is missing
    // or is no JPEG. A later frame that is missing is not thrown here: the frames before it are
    // fed and Finish names it, as for frames still being written. `workers` decoders run (0: one
    // per core).
    //
    // When the process `ownerPid` is writing the frames, waits for the first one only; there is
    // no falling back to ffmpeg then, and a line or a first frame the feed cannot follow throws.
    static std::unique_ptr<FrameFeed> Prepare(EncoderInvocation& job, int workers = 0,
                                              const std::string& ownerPid = {});

    ~FrameFeed();  // stops and joins the threads, closes the pipe
    FrameFeed(const FrameFeed&) = delete;
    FrameFeed& operator=(const FrameFeed&) = delete;

    // The pipe's read end, to become kFrameFeedFd in the encoder (close-on-exec here).
    int encoderEnd() const { return readFd_; }

    // Sets, for the encoder to be started, glibc's malloc to keep freed frame-sized blocks
    // instead of mapping and unmapping one for every raw frame it reads (page faults that cost
    // as much as the decoding). Adds to a GLIBC_TUNABLES already set.
    static void TuneEncoderMemory();

    // Starts decoding and writing, once the encoder has been started; closes our read end.
    void Start();

    // Waits until every frame is written (then closes the pipe: the encoder sees the end) or
    // the encoder stopped reading. Returns the message of a frame that failed to read or
    // decode, or empty; after a failure the pipe is closed early, so the encode is incomplete
    // and must be discarded.
    std::string Finish();

    std::size_t frameCount() const { return frameTotal_; }
    std::size_t distinctFrames();
    bool followsWriter() const { return arrivals_ != nullptr; }

private:
    using Planes = std::shared_ptr<std::vector<std::uint8_t>>;
    struct Job {
        std::string path;
        std::size_t lastUse = 0;  // the last frame showing it (found so far, when following)
        UniqueFd file;            // when following: open until no more frames can show it
        Planes planes;            // decoded, until no more frames will show it
        std::uint64_t pushedEnd = 0;  // the writer's byte count after its latest push
    };

    FrameFeed() = default;
    void decodeLoop();
    void arrivalLoop();
    void writeLoop();
    void writeFrames();  // writeLoop's frames, until the last or a stop
    // Puts all of `frame` into the pipe; false when the encoder no longer reads.
    bool push(const std::vector<std::uint8_t>& frame);
    // Following: after frame k of job j was fed and its name removed, lets go of the jobs whose
    // file has no name left (no frame to come can show them). Under mutex_.
    void releaseUnnamedJobs(std::size_t j, std::size_t k);
    void fail(const std::string& message);
    void stopAll();  // under mutex_

    PlaneLayout layout_;
    std::string pattern_;
    long first_ = 0;
    std::size_t frameTotal_ = 0;
    std::unique_ptr<FrameArrivals> arrivals_;  // when following
    std::string missing_;  // why the frames end before frameTotal_ (a frame missing), reported after them
    int workers_ = 1;
    int readFd_ = -1, writeFd_ = -1;

    std::mutex mutex_;
    // Each thread waits on its own condition, so that a frame passing by wakes only who can go on.
    std::condition_variable decodable_;  // decoders: a job to take
    std::condition_variable feedable_;   // writer: its frame found, its planes decoded
    std::condition_variable writerMoved_;  // arrivals: the writer has gone on
    std::deque<Job> jobs_;               // distinct files, in order of first use
    std::vector<std::size_t> frameJob_;  // frame -> job
    bool allFound_ = true;               // every frame is in frameJob_
    std::size_t nextJob_ = 0;     // the next job a decoder takes
    std::size_t writerJob_ = 0;   // the job the writer waits for or writes
    std::size_t writerFrame_ = 0; // the frame the writer waits for or writes
    bool stop_ = false;
    std::string error_;
    std::vector<Planes> spare_;  // written frames' memory, for the next decodes
    // Following: the open files by device and inode, and the jobs fed up to their last known
    // use whose file may still get names.
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::size_t> openJobs_;
    std::vector<std::size_t> lingering_;
    // The writer's own: frames whose pages the pipe may still hold, with the byte count pushed
    // when each was last written.
    struct InPipe {
        Planes planes;
        std::uint64_t end = 0;
    };
    std::deque<InPipe> inPipe_;
    std::uint64_t pushed_ = 0;
    std::uint64_t pipeBytes_ = 64 * 1024;  // the kernel's default
    bool spliceToPipe_ = true;
    std::vector<std::jthread> threads_;
};

}  // namespace kalidor
