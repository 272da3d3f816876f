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
    : QObject(parent), state_(state), writer_(std::move(home), [this](const std::string& error) {
          // From the writer's thread; the keeper outlives it (the writer is its last member).
          QMetaObject::invokeMethod(this, [this, error] { written(error); }, Qt::QueuedConnection);
      }) {
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

bool RecoveryKeeper::MayDropPictureCopies() { return ended_ || !writer_.LastFailed(); }

void RecoveryKeeper::written(const std::string& error) {
    if (unprotected) unprotected(QString::fromStdString(error));
}

void RecoveryKeeper::keep() {
    if (ended_) return;
    // A project marked changed that a save would write as it is (a dialog closed with Cancel)
    // has nothing to keep.
    if (!state_.Project.ProjectDir.empty() && state_.DiffersFromSaved()) {
        writer_.Write(state_.TakeRecoverySnapshot(editedAt_));
        holds_ = true;
    } else if (std::exchange(holds_, false)) {
        writer_.Remove();
    }
}

}  // namespace kalidor
