#include "desktop_rules/recovery_writer.h"

#include <iostream>

namespace kalidor::rules {

RecoveryWriter::RecoveryWriter(std::string home) : home_(std::move(home)), thread_([this] { run(); }) {}

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
            else
                RemoveRecoveryCopy(home_);
        } catch (const std::exception& e) {
            error = e.what();
        }
        lock.lock();
        busy_ = false;
        // No window to show it in: the terminal hears of it, once until it changes.
        if (!error.empty() && error != lastError_) std::cerr << "kalidor: " << error << '\n';
        lastError_ = error;
        changed_.notify_all();
    }
}

}  // namespace kalidor::rules
