#include "platform/threads/UpTime.h"

#include <limits>

namespace {

constexpr UInt64 kNanosPerSecond = 1000000000ULL;

}  // namespace

UInt64 KeUpTimeNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return KeTimespecToNanoseconds(now);
}

UInt64 KeTimespecToNanoseconds(const timespec& t)
{
    if (t.tv_sec < 0) return 0;
    const auto seconds = static_cast<UInt64>(t.tv_sec);
    if (seconds > (std::numeric_limits<UInt64>::max() - kNanosPerSecond) / kNanosPerSecond) {
        return std::numeric_limits<UInt64>::max();
    }
    return seconds * kNanosPerSecond + static_cast<UInt64>(t.tv_nsec);
}

timespec KeNanosecondsToTimespec(UInt64 nanos)
{
    timespec t{};
    t.tv_sec = static_cast<time_t>(nanos / kNanosPerSecond);
    t.tv_nsec = static_cast<long>(nanos % kNanosPerSecond);
    return t;
}
