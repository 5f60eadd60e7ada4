// SPDX-License-Identifier: MIT
// One detached POSIX thread running a Runnable under a chosen scheduling
// policy.
#pragma once

#include <pthread.h>

#include <optional>

#include "macclasses/APW_PTA_Runnable.h"

namespace APW {
namespace PTA {

class Thread {
public:
    // How Start creates the thread: 0 or an errno value, as pthread_create.
    using CreateFunction = int (*)(pthread_t* thread, const pthread_attr_t* attr, void* (*entry)(void*), void* arg);

    enum eThreadPolicy {
        kThreadPolicyTimeslice = 0,
        kThreadPolicyRoundRobin = 1,
        kThreadPolicyFifo = 2,
    };

    // A Mach scheduling policy and base priority (0..127, higher runs first).
    struct PolicyRequest {
        int machPolicy;
        int basePriority;
    };
    static constexpr int POLICY_TIMESHARE = 1;
    static constexpr int POLICY_FIFO = 4;
    static constexpr int kMachPriorityMax = 127;

    // The Linux scheduling for a request, as pthread_setschedparam takes it.
    struct HostSchedule {
        int policy;    // SCHED_OTHER or SCHED_FIFO
        int priority;  // sched_priority; 0 under SCHED_OTHER
    };

    // What Start asks of the scheduler for `policy` and the priority offset
    // `priority`: time-shared at 39 + priority, first-in-first-out at
    // 80 + priority, nothing for round robin.
    static std::optional<PolicyRequest> PolicyFor(eThreadPolicy policy, int priority);
    // Time-shared threads stay under SCHED_OTHER at the default nice value;
    // first-in-first-out ones go to SCHED_FIFO. Other policies: none.
    static std::optional<HostSchedule> HostScheduleFor(const PolicyRequest& request);

    Thread(Runnable* r, int priority, eThreadPolicy policy, CreateFunction create = &pthread_create);
    // Leaves the thread alone: it may still run, and may be the one deleting
    // this object.
    virtual ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Creates the thread and applies the policy; false when no thread could be
    // created (or there is nothing to run). A refused policy still starts the
    // thread under default scheduling. Once it returns true the thread owns
    // its start and this object may be deleted at any time.
    bool Start();
    pthread_t GetPThread() const;

private:
    struct StartRecord;
    static void* RunHelper(void* param);

    Runnable* mRunnable;
    int mPriority;
    eThreadPolicy mPolicy;
    pthread_t mPThread;
    CreateFunction mCreate;
};

}  // namespace PTA
}  // namespace APW
