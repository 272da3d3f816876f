#pragma once
// Numbered frame files that are still being written (their folder holds the writer's mark,
// frames_in_progress.h): each frame is opened as soon as it is there. The writer puts every
// frame in place whole (renamed or linked into its name), so a frame that is there can be read
// at once; the mark's removal says that no more frames will come.

#include "encode/folder_watch.h"
#include "platform/unique_fd.h"

#include <string>

namespace kalidor {

class FrameArrivals {
public:
    // `pattern` as for FrameFilePath (frame_sequence.h). Throws kalidor::Error when the folder
    // cannot be watched.
    explicit FrameArrivals(const std::string& pattern);

    // The open file of frame `number`, waiting until it is there. Throws kalidor::Error naming
    // the frame when the writer has finished without it, or when it is no regular file or cannot
    // be opened. Empty once Stop has been called.
    UniqueFd Open(long number);

    // Ends a wait in Open, and every later one; from any thread.
    void Stop() { watch_.StopWaiting(); }

private:
    std::string pattern_;
    std::string mark_;
    FolderWatch watch_;
};

// The folder of a frame pattern ("." when it has none), ending in '/'.
std::string FolderOfPattern(const std::string& pattern);

}  // namespace kalidor
