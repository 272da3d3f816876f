#pragma once
// Writes the frames of one picture as numbered JPEG files, composing them on several threads.
//
// Before each frame the progress is reported and a cancel is polled, in one order or the other,
// exactly once per frame and never concurrently; while a window keeps the writer waiting, a
// cancel is also polled every kWindowCancelPoll. Frames are composed in parallel, in the order
// of their numbers, each written as soon as it is encoded; equal recipes are encoded once,
// written once under a hidden name and linked under every frame number that shows them (or
// written again where the file system has no links). The files are byte-identical whatever the
// worker count. Every frame appears under its name whole, by a rename or a link, so a reader
// that follows the folder never sees part of one. A cancel stops every worker before its next
// frame.

#include "render/frame_composer.h"
#include "render/frame_progress.h"
#include "render/frame_recipe.h"
#include "render/frame_window.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace kalidor {

inline constexpr std::chrono::milliseconds kWindowCancelPoll{100};

struct FrameWriterOptions {
    int workers = 0;         // 0: one per core
    int jpegQuality = 100;
    bool progressFirst = false;  // report progress before polling for a cancel (still pictures)
    // When set, each run of frames is taken only once the window has room for its first frame;
    // a closed window stops the writing as a cancel does.
    FrameWindow* window = nullptr;
    // When not 0, the frame number the window is asked about instead: the lowest one that is not
    // written yet, for a reversed picture written in pieces from its end.
    int windowFrame = 0;
    // When set, shown every frame number with the frame composed for it, before it is encoded:
    // the frames that show one recipe share one call's bitmap. Called from the workers at once.
    std::function<void(int frameNumber, const Bitmap& frame)> composed = {};
};

// The file name of a frame: the number with at least six digits, then ".jpg".
std::string FrameFileName(int frameNumber);

// Writes the plan's frames into `folder` (ending in '/') from number `firstFrame`. Returns the
// next free frame number, or -1 after a cancel or a closed window. A frame that cannot be
// written raises kalidor::Error naming the file; no partial or hidden file is left.
int WriteFrames(const EffectPlan& plan, const FrameComposer& composer, const std::string& folder, int firstFrame,
                FrameProgress& progress, const FrameWriterOptions& options = {});

// Writes one file under a hidden name beside `path` and renames it into place, or raises
// kalidor::Error naming `path` (and removes what was written).
void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Makes `path` a hard link to `existing`, whose content is `bytes`; where the file system
// refuses the link, writes `bytes` with WriteWholeFile.
void LinkOrWriteFile(const std::string& existing, const std::string& path, const std::vector<std::uint8_t>& bytes);

// The bytes of frames that look alike, in a hidden file of their folder from which each of
// them is linked. The hidden file goes with the object: once the last frame is linked, the file
// has only the frames' names, and a reader that removes each frame once read frees its room.
class SharedFrameFile {
public:
    // Writes the hidden file beside `firstPath`, the first frame showing the bytes. Raises
    // kalidor::Error naming that frame.
    SharedFrameFile(const std::string& firstPath, std::vector<std::uint8_t> bytes);
    ~SharedFrameFile();
    SharedFrameFile(const SharedFrameFile&) = delete;
    SharedFrameFile& operator=(const SharedFrameFile&) = delete;

    // Puts the bytes under the frame name `path` (LinkOrWriteFile).
    void Place(const std::string& path) const;

private:
    std::string hidden_;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace kalidor
