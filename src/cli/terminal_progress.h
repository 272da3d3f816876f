#pragma once
// Frame progress on the terminal: a bar on standard error that redraws in place when standard
// error is a terminal, and a cancel that Ctrl-C raises.

#include "render/frame_progress.h"

#include <cstdint>
#include <string>

namespace kalidor::cli {

// Turns SIGINT (Ctrl-C) and SIGTERM into a flag that CancelRequested reads, instead of killing
// the process half-way through a file.
void InstallInterruptHandler();
bool InterruptRequested();

// A 30-character bar of '#' and '.', filled to the percentage (0..100).
std::string ProgressBar(int percent);

class TerminalProgress : public FrameProgress {
public:
    explicit TerminalProgress(std::int64_t total);

    void SetLabel(std::string label) { label_ = std::move(label); }
    void ReportFrame() override;
    bool CancelRequested() override { return InterruptRequested(); }
    // Ends the bar's line.
    void Finish();

private:
    void draw(bool force);

    std::int64_t total_;
    std::int64_t position_ = 0;
    std::string label_;
    bool tty_;
    int lastPercent_ = -1;
};

}  // namespace kalidor::cli
