#include "desktop/window/recovery_keeper.h"

#include "desktop/shared/window_state.h"

#include <ctime>
#include <utility>

namespace kalidor {
namespace {

// Long enough that a run of typing is one write, short enough that little is lost.
constexpr int kDelayMs = 1000;

}  // namespace

RecoveryKeeper::RecoveryKeeper(WindowState& state, std::string home, QObject* parent)
    : QObject(parent), state_(state), writer_(std::move(home)) {
    timer_.setSingleShot(true);
    timer_.setInterval(kDelayMs);
    connect(&timer_, &QTimer::timeout, this, &RecoveryKeeper::keep);
}

void RecoveryKeeper::Changed() {
    editedAt_ = std::time(nullptr);
    // Not restarted by each key: steady typing still gets a copy every moment.
    if (!timer_.isActive()) timer_.start();
}

void RecoveryKeeper::Discarded() {
    timer_.stop();
    if (std::exchange(holds_, false)) writer_.Remove();
}

void RecoveryKeeper::Ended() {
    Discarded();
    ended_ = true;
}

void RecoveryKeeper::KeepNow() {
    timer_.stop();
    if (!ended_) keep();
    writer_.Finish();
}

void RecoveryKeeper::keep() {
    if (ended_) return;
    if (state_.Modified && !state_.Project.ProjectDir.empty()) {
        writer_.Write(state_.TakeRecoverySnapshot(editedAt_));
        holds_ = true;
    } else if (std::exchange(holds_, false)) {
        writer_.Remove();
    }
}

}  // namespace kalidor
