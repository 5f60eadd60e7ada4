// The start-up clock: nanoseconds on a clock that only runs forward and is
// not moved by changes of the wall-clock time.
#pragma once

#include <time.h>

#include "platform/common/MacTypes.h"

// The current time in nanoseconds on CLOCK_MONOTONIC.
UInt64 KeUpTimeNanoseconds();

// Conversions between nanoseconds and timespec values of that clock. A value
// beyond what timespec can hold is clamped to the largest one.
UInt64 KeTimespecToNanoseconds(const timespec& t);
timespec KeNanosecondsToTimespec(UInt64 nanos);
