#include "cli/terminal_status.h"

#include "cli/terminal_progress.h"
#include "translation/catalogue.h"

#include <cstdio>
#include <unistd.h>

namespace kalidor::cli {

TerminalStatus::TerminalStatus() : tty_(isatty(STDERR_FILENO) == 1) {}

bool TerminalStatus::Cancelled() const { return InterruptRequested() || ExportStatus::Cancelled(); }

std::string TerminalStatus::Translate(const Message& message) const { return Catalogue::ForInterface()(message); }

void TerminalStatus::StatusLabelChanged(const std::string& label) {
    // A log gets a new line for a new pass text, not for every step of its counter.
    const auto cut = label.rfind(" (");
    const std::string text = label.substr(0, cut);
    counted_ = cut != std::string::npos && label == CountedStatusText(text, ProgressPosition(), ProgressMaximum());
    labelRange_ = RangeSerial();
    if (text != lastText_) {
        lastText_ = text;
        lastTenth_ = -1;
    }
    draw();
}

void TerminalStatus::ProgressChanged(int, int, int) {
    if (RangeSerial() != seenRange_) {
        seenRange_ = RangeSerial();
        rangeText_ = lastText_;
    }
    draw();
}

bool TerminalStatus::labelAgrees() const {
    if (!counted_)
        return true;
    // The render thread shows a pass's first text before it sets the pass's range, and a range
    // before the next counted text: such a label counts against another range.
    const auto cut = StatusLabel().rfind(" (");
    return labelRange_ == RangeSerial() && labelRange_ > 0 && lastText_ == rangeText_ &&
           StatusLabel() == CountedStatusText(StatusLabel().substr(0, cut), ProgressPosition(), ProgressMaximum());
}

void TerminalStatus::draw() {
    if (!labelAgrees())
        return;
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
