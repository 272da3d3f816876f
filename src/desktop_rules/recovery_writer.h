#pragma once
// Writes the recovery copy on a thread of its own, so that neither typing nor the adding of
// pictures waits for the disk. One job is pending at most: a newer one replaces it, as only the
// latest state of the project matters, and a removal is a job too, so that a write asked for
// before it can never bring the copy back after it.

#include "desktop_rules/recovery_copy.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace kalidor::rules {

class RecoveryWriter {
public:
    // `done` hears, on the writer's thread, how each job ended: an empty text when it was done,
    // else why it was not.
    explicit RecoveryWriter(std::string home, std::function<void(const std::string& error)> done = {});
    // Finishes the pending job first.
    ~RecoveryWriter();
    RecoveryWriter(const RecoveryWriter&) = delete;
    RecoveryWriter& operator=(const RecoveryWriter&) = delete;

    void Write(RecoverySnapshot snapshot);
    void Remove();
    // Waits until every job asked for so far is done.
    void Finish();

    const std::string& Home() const { return home_; }
    // Whether the last job done failed: then no copy holds the latest edits.
    bool LastFailed();

private:
    void run();

    std::string home_;
    std::function<void(const std::string&)> done_;
    std::mutex mutex_;
    std::condition_variable changed_;
    // nullopt inside: a removal.
    std::optional<std::optional<RecoverySnapshot>> pending_;
    bool busy_ = false;
    bool stopping_ = false;
    std::string lastError_;
    std::thread thread_;
};

}  // namespace kalidor::rules
