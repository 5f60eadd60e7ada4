// Thread scheduling on the host. Callers speak in the policies and base
// priorities of the Mach scheduler (priorities 0..127, higher runs first);
// this layer maps them onto the Linux scheduler.
//
// Time-shared threads run under SCHED_OTHER at the default nice value: the
// base priority asked for (39 + offset in practice) is above what ordinary
// threads get, and raising a thread's weight on Linux needs privileges, so
// the mapping leaves it alone. First-in-first-out threads run under
// SCHED_FIFO, with the base priority scaled linearly from 0..127 onto the
// host's SCHED_FIFO range. Without the privilege for real-time scheduling
// the change fails and the thread keeps the default scheduling.
#pragma once

#include <pthread.h>

#include <optional>

constexpr int POLICY_TIMESHARE = 1;
constexpr int POLICY_RR = 2;
constexpr int POLICY_FIFO = 4;

constexpr int kMachPriorityMax = 127;

// A scheduling policy and priority as pthread_setschedparam takes them.
struct KeHostSchedule {
    int policy;    // SCHED_OTHER or SCHED_FIFO
    int priority;  // sched_priority; 0 under SCHED_OTHER
};

// The host scheduling for a Mach policy and base priority. Round robin and
// unknown policies map to none: the thread keeps its scheduling.
std::optional<KeHostSchedule> KeHostScheduleFor(int machPolicy, int basePriority);

// Applies the mapped scheduling to `thread`. 0, or an errno value when the
// host refused (EPERM without privileges) or the policy maps to none (EINVAL).
int KeThreadPolicy(pthread_t thread, int machPolicy, int basePriority);
