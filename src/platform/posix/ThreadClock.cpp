#include "platform/ThreadClock.h"

#include <time.h>

namespace quorvel::ThreadClock {

std::chrono::nanoseconds now()
{
    struct timespec time;
    if (::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time) != 0)
        return std::chrono::nanoseconds(0);
    return std::chrono::seconds(time.tv_sec) + std::chrono::nanoseconds(time.tv_nsec);
}

} // namespace quorvel::ThreadClock
