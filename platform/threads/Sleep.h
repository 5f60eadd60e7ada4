// SPDX-License-Identifier: MIT
// The program's pauses. They go through a replaceable function so that tests
// can run them on a virtual clock instead of waiting.
#pragma once

#include <functional>

#include "platform/common/MacTypes.h"

using KeSleepFunction = std::function<void(UInt32 microseconds)>;

// Pauses the calling thread for `microseconds` through the current sleep
// function.
void KeSleepMicroseconds(UInt32 microseconds);

// The real pause: lasts at least `microseconds` on the start-up clock and as
// little longer as the system allows. It sleeps to a point a little before the
// deadline and waits out the rest; the first call on a thread sets that
// thread's timer slack to 1 ns so that the kernel wakes it on time.
void KeRealSleepMicroseconds(UInt32 microseconds);

// Installs `sleep` (empty: the real pause again) for all threads and returns
// the previous function. The function may be called from any thread.
KeSleepFunction KeSetSleepFunction(KeSleepFunction sleep);

// Installs a sleep function for the lifetime of the object, then puts the
// previous one back.
class KeScopedSleepFunction {
public:
    explicit KeScopedSleepFunction(KeSleepFunction sleep);
    ~KeScopedSleepFunction();
    KeScopedSleepFunction(const KeScopedSleepFunction&) = delete;
    KeScopedSleepFunction& operator=(const KeScopedSleepFunction&) = delete;

private:
    KeSleepFunction mPrevious;
};
