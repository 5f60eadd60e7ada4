#include "platform/threads/CondWait.h"

#include <algorithm>
#include <limits>

namespace {

constexpr SInt64 kNanosPerSecond = 1000000000LL;

timespec Latest()
{
    timespec t{};
    t.tv_sec = std::numeric_limits<time_t>::max();
    t.tv_nsec = kNanosPerSecond - 1;
    return t;
}

}  // namespace

int KeCondInitMonotonic(pthread_cond_t* cond)
{
    pthread_condattr_t attr;
    int status = pthread_condattr_init(&attr);
    if (status != 0) return status;
    status = pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
    if (status == 0) status = pthread_cond_init(cond, &attr);
    pthread_condattr_destroy(&attr);
    return status;
}

timespec KeDeadlineAfter(const timespec& now, SInt64 seconds, SInt64 nanoseconds)
{
    seconds = std::max<SInt64>(seconds, 0);
    nanoseconds = std::max<SInt64>(nanoseconds, 0);

    const SInt64 extraSeconds = nanoseconds / kNanosPerSecond;
    if (seconds > std::numeric_limits<SInt64>::max() - extraSeconds) return Latest();
    seconds += extraSeconds;

    SInt64 nsec = static_cast<SInt64>(now.tv_nsec) + nanoseconds % kNanosPerSecond;
    if (nsec >= kNanosPerSecond) {
        nsec -= kNanosPerSecond;
        if (seconds == std::numeric_limits<SInt64>::max()) return Latest();
        ++seconds;
    }

    const SInt64 room = static_cast<SInt64>(std::numeric_limits<time_t>::max()) - static_cast<SInt64>(now.tv_sec);
    if (seconds > room) return Latest();

    timespec deadline{};
    deadline.tv_sec = static_cast<time_t>(now.tv_sec + seconds);
    deadline.tv_nsec = static_cast<long>(nsec);
    return deadline;
}

int KeCondTimedWaitRelative(pthread_cond_t* cond, pthread_mutex_t* mutex, SInt64 seconds, SInt64 nanoseconds)
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const timespec deadline = KeDeadlineAfter(now, seconds, nanoseconds);
    return pthread_cond_timedwait(cond, mutex, &deadline);
}
