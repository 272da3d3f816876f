#include "desktop_rules/recovery_writer.h"

#include <iostream>

namespace kalidor::rules {

RecoveryWriter::RecoveryWriter(std::string home, std::function<void(const std::string& error)> done)
    : home_(std::move(home)), done_(std::move(done)), thread_([this] { run(); }) {}

RecoveryWriter::~RecoveryWriter() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void RecoveryWriter::Write(RecoverySnapshot snapshot) {
    {
        std::lock_guard lock(mutex_);
        pending_.emplace(std::move(snapshot));
    }
    changed_.notify_all();
}

void RecoveryWriter::Remove() {
    {
        std::lock_guard lock(mutex_);
        pending_.emplace(std::nullopt);
    }
    changed_.notify_all();
}

void RecoveryWriter::Finish() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !pending_ && !busy_; });
}

bool RecoveryWriter::LastFailed() {
    std::lock_guard lock(mutex_);
    return !lastError_.empty();
}

void RecoveryWriter::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return pending_ || stopping_; });
        if (!pending_) return;  // stopping with nothing left to do
        std::optional<RecoverySnapshot> job = std::move(*pending_);
        pending_.reset();
        busy_ = true;
        lock.unlock();
        std::string error;
        try {
            if (job)
                WriteRecoveryCopy(home_, *job);
            else if (!RemoveRecoveryCopy(home_))
                error = "Recovery: cannot remove the copy in " + home_ + kLiveRecovery;
        } catch (const std::exception& e) {
            error = e.what();
        }
        // The terminal hears of a failure once until it changes, the window through done_. A
        // removal that failed leaves no edits unprotected: the copy is of saved or given-up work.
        if (!error.empty() && error != lastError_) std::cerr << "kalidor: " << error << '\n';
        if (!job) error.clear();
        if (done_) done_(error);
        lock.lock();
        busy_ = false;
        lastError_ = error;
        changed_.notify_all();
    }
}

}  // namespace kalidor::rules
