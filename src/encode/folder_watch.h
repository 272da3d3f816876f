#pragma once
// Waiting for names to come and go in one folder without spinning: inotify on the folder, and
// an eventfd through which another thread ends every wait for good.
//
// The watch exists from construction on, so a check of the folder followed by Wait never misses
// a change made in between: that change is queued and ends the wait at once.

#include "platform/unique_fd.h"

#include <string>

namespace kalidor {

class FolderWatch {
public:
    // Watches `folder` for names made (created, linked, renamed into it) and removed. Throws
    // kalidor::Error naming the folder when the system refuses a watch.
    explicit FolderWatch(const std::string& folder);

    enum class Woken { Changed, Stopped, TimedOut };
    // Blocks until a name has been made or removed since the last wait, StopWaiting has been
    // called, or `timeoutMs` milliseconds have passed (a negative timeout waits without limit).
    Woken Wait(int timeoutMs = -1);

    // Ends the waits in progress and makes every later one return Stopped at once; from any
    // thread.
    void StopWaiting();

private:
    UniqueFd inotify_;
    UniqueFd wake_;
};

}  // namespace kalidor
