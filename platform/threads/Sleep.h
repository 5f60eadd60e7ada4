// SPDX-License-Identifier: MIT
// The program's pauses. Each object that pauses holds its sleep function, the
// real one unless it was given another (a test's virtual clock).
#pragma once

#include <functional>

#include "platform/common/MacTypes.h"

using KeSleepFunction = std::function<void(UInt32 microseconds)>;

// The real pause: lasts at least `microseconds` on the start-up clock and as
// little longer as the system allows. It sleeps to a point a little before the
// deadline and waits out the rest; the first call on a thread sets that
// thread's timer slack to 1 ns so that the kernel wakes it on time.
void KeRealSleepMicroseconds(UInt32 microseconds);
