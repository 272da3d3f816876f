#include "platform/thread_priority.h"

#include <algorithm>
#include <cerrno>
#include <sys/resource.h>
#include <unistd.h>

namespace kalidor {

void LowerThisThreadsPriority(int by) {
    errno = 0;
    const int now = ::getpriority(PRIO_PROCESS, 0);
    if (errno == 0)  // Linux sets the niceness of the calling thread only
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), std::min(now + by, 19));
}

}  // namespace kalidor
