#pragma once
// Writes the frames of one picture as numbered JPEG files, composing them on several threads.
//
// Before each frame the progress is reported and a cancel is polled, in one order or the other,
// exactly once per frame and never concurrently. Frames are composed in parallel, each written
// as soon as it is encoded; equal recipes are encoded once, written once and hard-linked under
// each further frame number (or written again where the file system has no links). The files are byte-identical whatever the worker count. A cancel stops
// every worker before its next frame; a frame file is either whole or absent.

#include "render/frame_composer.h"
#include "render/frame_progress.h"
#include "render/frame_recipe.h"

#include <string>

namespace kalidor {

struct FrameWriterOptions {
    int workers = 0;         // 0: one per core
    int jpegQuality = 100;
    bool progressFirst = false;  // report progress before polling for a cancel (still pictures)
};

// The file name of a frame: the number with at least six digits, then ".jpg".
std::string FrameFileName(int frameNumber);

// Writes the plan's frames into `folder` (ending in '/') from number `firstFrame`. Returns the
// next free frame number, or -1 after a cancel. A frame that cannot be written raises
// kalidor::Error naming the file; the partial file is removed.
int WriteFrames(const EffectPlan& plan, const FrameComposer& composer, const std::string& folder, int firstFrame,
                FrameProgress& progress, const FrameWriterOptions& options = {});

// Writes one file whole or raises kalidor::Error (and removes what was written).
void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Makes `path` a hard link to `existing`, whose content is `bytes`; where the file system
// refuses the link, writes `bytes` with WriteWholeFile.
void LinkOrWriteFile(const std::string& existing, const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace kalidor
