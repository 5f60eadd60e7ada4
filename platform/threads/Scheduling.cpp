#include "platform/threads/Scheduling.h"

#include <sched.h>

#include <algorithm>
#include <cerrno>

std::optional<KeHostSchedule> KeHostScheduleFor(int machPolicy, int basePriority)
{
    if (machPolicy == POLICY_TIMESHARE) return KeHostSchedule{SCHED_OTHER, 0};
    if (machPolicy != POLICY_FIFO) return std::nullopt;

    const long long base = std::clamp(basePriority, 0, kMachPriorityMax);
    const long long low = sched_get_priority_min(SCHED_FIFO);
    const long long high = sched_get_priority_max(SCHED_FIFO);
    const long long scaled = low + (base * (high - low) + kMachPriorityMax / 2) / kMachPriorityMax;
    return KeHostSchedule{SCHED_FIFO, static_cast<int>(scaled)};
}

int KeThreadPolicy(pthread_t thread, int machPolicy, int basePriority)
{
    const std::optional<KeHostSchedule> schedule = KeHostScheduleFor(machPolicy, basePriority);
    if (!schedule) return EINVAL;
    sched_param param{};
    param.sched_priority = schedule->priority;
    return pthread_setschedparam(thread, schedule->policy, &param);
}
