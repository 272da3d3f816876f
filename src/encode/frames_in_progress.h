#pragma once
// The mark that numbered frames are still being written into a folder, left there by the program
// that writes them for as long as it does. The encoder entry that program starts finds the mark
// and follows the frames: it reads each one as it comes and removes it once fed, instead of
// taking the folder as finished. The mark holds the writer's process id, so a mark left behind
// by a killed writer means nothing to a later run.

#include <string>

namespace kalidor {

inline constexpr const char* kFramesInProgressName = ".frames-in-progress";

// The mark's path in `folder` (with or without its final '/').
std::string FramesInProgressPath(const std::string& folder);

// Whether the frames in `folder` are being written by the process whose id is `writerPid` (in
// decimal), as its mark says. False without a mark, or with an empty or other id.
bool FramesBeingWrittenBy(const std::string& folder, const std::string& writerPid);

// The writer's mark, made for this process; removed by Finish or on destruction.
class FramesInProgressMark {
public:
    // Throws kalidor::Error naming the mark when it cannot be made.
    explicit FramesInProgressMark(const std::string& folder);
    ~FramesInProgressMark() { Finish(); }
    FramesInProgressMark(const FramesInProgressMark&) = delete;
    FramesInProgressMark& operator=(const FramesInProgressMark&) = delete;

    // The last frame is written: a frame still missing now is missing for good.
    void Finish();

private:
    std::string path_;
};

}  // namespace kalidor
