// SPDX-License-Identifier: MIT
#include "platform/threads/Sleep.h"

#include <sys/prctl.h>
#include <time.h>

#include <cerrno>
#include <thread>

namespace {

// How long before the deadline the kernel sleep ends. The wake-up itself is
// late by a few tens of microseconds, so most of this margin is eaten by that
// latency and little is left to wait out on the CPU.
constexpr UInt64 kWakeEarlyNanos = 30000;
constexpr UInt64 kNanosPerSecond = 1000000000;

UInt64 NowNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<UInt64>(now.tv_sec) * kNanosPerSecond + static_cast<UInt64>(now.tv_nsec);
}

void UseFineTimerSlack()
{
    thread_local const bool done = [] {
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        return true;
    }();
    (void)done;
}

void Relax()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#else
    std::this_thread::yield();
#endif
}

}  // namespace

void KeRealSleepMicroseconds(UInt32 microseconds)
{
    if (microseconds == 0) return;
    UseFineTimerSlack();

    const UInt64 duration = static_cast<UInt64>(microseconds) * 1000U;
    const UInt64 deadline = NowNanoseconds() + duration;
    if (duration > kWakeEarlyNanos) {
        const UInt64 wakeAt = deadline - kWakeEarlyNanos;
        timespec wake{};
        wake.tv_sec = static_cast<time_t>(wakeAt / kNanosPerSecond);
        wake.tv_nsec = static_cast<long>(wakeAt % kNanosPerSecond);
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr) == EINTR) {
        }
    }
    while (NowNanoseconds() < deadline) Relax();
}
