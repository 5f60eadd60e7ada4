// Condition waits timed by a relative duration on the start-up clock, so that
// changes of the wall-clock time neither cut a wait short nor stretch it.
#pragma once

#include <pthread.h>
#include <time.h>

#include "platform/common/MacTypes.h"

// Initialises `cond` to time its waits on CLOCK_MONOTONIC. 0 or an errno value.
int KeCondInitMonotonic(pthread_cond_t* cond);

// As pthread_cond_wait, but gives up once `seconds` and `nanoseconds` have
// passed; `cond` must come from KeCondInitMonotonic. Returns 0 when woken
// (also spuriously) or ETIMEDOUT. Negative parts count as zero and a
// duration too long to represent waits as long as the clock can express.
int KeCondTimedWaitRelative(pthread_cond_t* cond, pthread_mutex_t* mutex, SInt64 seconds, SInt64 nanoseconds);

// The absolute time `seconds` + `nanoseconds` after `now`, with the carry
// into seconds done and the result clamped to the largest timespec.
timespec KeDeadlineAfter(const timespec& now, SInt64 seconds, SInt64 nanoseconds);
