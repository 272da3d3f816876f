#pragma once
// Waiting for names to come and go in one folder without spinning: inotify on the folder, and
// an eventfd through which another thread ends every wait for good.
//
// The watch exists from construction on, so a check of the folder followed by Wait never misses
// a change made in between: that change is queued and ends the wait at once.
//
// Where the user's inotify instances or watches are used up (fs.inotify.max_user_instances,
// fs.inotify.max_user_watches; another program may hold the last one), the folder is looked at
// again every kPollInterval instead: Wait then ends after that interval at the latest, as if
// something had changed, and the caller looks again. Nothing fails for it.

#include "platform/unique_fd.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

namespace kalidor {

class FolderWatch {
public:
    static constexpr std::chrono::milliseconds kPollInterval{20};

    // Watches `folder` for names made (created, linked, renamed into it) and removed. Throws
    // kalidor::Error naming the folder when it cannot be watched for another reason than the
    // limits above (it is missing, or no folder).
    explicit FolderWatch(const std::string& folder);

    enum class Woken { Changed, Stopped, TimedOut };
    // Blocks until a name has been made or removed since the last wait (when polling: the poll
    // interval has passed), StopWaiting has been called, or `timeoutMs` milliseconds have passed
    // (a negative timeout waits without limit).
    Woken Wait(int timeoutMs = -1);

    // Ends the waits in progress and makes every later one return Stopped at once; from any
    // thread.
    void StopWaiting();

private:
    UniqueFd inotify_;
    UniqueFd wake_;
    std::mutex mutex_;
    std::condition_variable stopped_;
    bool stop_ = false;
};

}  // namespace kalidor
