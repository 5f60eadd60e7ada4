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
    enum eThreadPolicy {
        kThreadPolicyTimeslice = 0,
        kThreadPolicyRoundRobin = 1,
        kThreadPolicyFifo = 2,
    };

    // A Mach scheduling policy and base priority for the host layer.
    struct PolicyRequest {
        int machPolicy;
        int basePriority;
    };

    // What Start asks of the scheduler for `policy` and the priority offset
    // `priority`: time-shared at 39 + priority, first-in-first-out at
    // 80 + priority, nothing for round robin.
    static std::optional<PolicyRequest> PolicyFor(eThreadPolicy policy, int priority);

    Thread(Runnable* r, int priority, eThreadPolicy policy);
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
};

}  // namespace PTA
}  // namespace APW
