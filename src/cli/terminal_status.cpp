#include "cli/terminal_status.h"

#include "cli/terminal_progress.h"

#include <cstdio>
#include <unistd.h>

namespace kalidor::cli {

TerminalStatus::TerminalStatus() : tty_(isatty(STDERR_FILENO) == 1) {}

bool TerminalStatus::Cancelled() const { return InterruptRequested() || ExportStatus::Cancelled(); }

void TerminalStatus::ProgressChanged(int, int, int) { draw(); }

void TerminalStatus::StatusLabelChanged(const std::string& label) {
    // A log gets a new line for a new pass text, not for every step of its counter.
    const std::string text = label.substr(0, label.rfind(" ("));
    if (text != lastText_) {
        lastText_ = text;
        lastTenth_ = -1;
    }
    draw();
}

void TerminalStatus::draw() {
    const int span = ProgressMaximum() - ProgressMinimum();
    const int done = ProgressPosition() - ProgressMinimum();
    const int percent = span > 0 ? static_cast<int>(static_cast<long long>(done) * 100 / span) : 0;
    if (tty_) {
        std::fprintf(stderr, "\r%s [%s] %3d%%\x1b[K", StatusLabel().c_str(), ProgressBar(percent).c_str(), percent);
        drawn_ = true;
    } else if (percent / 10 != lastTenth_) {
        lastTenth_ = percent / 10;
        std::fprintf(stderr, "%s %d%%\n", StatusLabel().c_str(), percent);
    }
    std::fflush(stderr);
}

void TerminalStatus::Finish() {
    if (tty_ && drawn_)
        std::fputc('\n', stderr);
    drawn_ = false;
}

}  // namespace kalidor::cli
