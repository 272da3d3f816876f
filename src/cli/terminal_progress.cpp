#include "cli/terminal_progress.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace kalidor::cli {
namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void onInterrupt(int) { interrupted = 1; }

}  // namespace

void InstallInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A closed terminal or a dropped ssh session cancels as Ctrl-C does.
    sigaction(SIGHUP, &action, nullptr);
    // After a hang-up standard error may be a pipe nobody reads; a write must fail, not kill.
    std::signal(SIGPIPE, SIG_IGN);
}

bool InterruptRequested() { return interrupted != 0; }

std::string ProgressBar(int percent) {
    constexpr int kWidth = 30;
    std::string bar(static_cast<std::size_t>(std::clamp(percent, 0, 100) * kWidth / 100), '#');
    bar.resize(kWidth, '.');
    return bar;
}

TerminalProgress::TerminalProgress(std::int64_t total) : total_(total), tty_(isatty(STDERR_FILENO) == 1) {}

void TerminalProgress::ReportFrame() {
    ++position_;
    draw(false);
}

void TerminalProgress::draw(bool force) {
    const int percent = total_ > 0 ? static_cast<int>(position_ * 100 / total_) : 100;
    if (!force && percent == lastPercent_)
        return;
    lastPercent_ = percent;
    const std::string bar = ProgressBar(percent);
    if (tty_)
        std::fprintf(stderr, "\r%s [%s] %3d%% (%lld/%lld)", label_.c_str(), bar.c_str(), percent,
                     static_cast<long long>(position_), static_cast<long long>(total_));
    else if (percent % 10 == 0)  // a log gets a line every tenth, not a redrawn bar
        std::fprintf(stderr, "%s %3d%% (%lld/%lld)\n", label_.c_str(), percent, static_cast<long long>(position_),
                     static_cast<long long>(total_));
    std::fflush(stderr);
}

void TerminalProgress::Finish() {
    if (tty_)
        std::fputc('\n', stderr);
}

}  // namespace kalidor::cli
