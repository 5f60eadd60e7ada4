// SPDX-License-Identifier: MIT
#include "macclasses/APW_PTA_Thread.h"

#include <sched.h>

#include <algorithm>
#include <future>
#include <limits>
#include <memory>

namespace APW {
namespace PTA {

namespace {

// Detached-thread attributes for the length of Start.
class DetachedAttr {
public:
    DetachedAttr()
    {
        pthread_attr_init(&mAttr);
        pthread_attr_setdetachstate(&mAttr, PTHREAD_CREATE_DETACHED);
    }
    ~DetachedAttr() { pthread_attr_destroy(&mAttr); }
    DetachedAttr(const DetachedAttr&) = delete;
    DetachedAttr& operator=(const DetachedAttr&) = delete;

    const pthread_attr_t* Get() const { return &mAttr; }

private:
    pthread_attr_t mAttr;
};

int SaturatingAdd(int priority, int base)
{
    const long long sum = static_cast<long long>(priority) + base;
    if (sum > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (sum < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(sum);
}

}  // namespace

// What the new thread takes with it. The thread owns it, so it never needs
// the Thread object, which its Run may delete. It holds the thread back until
// Start has finished with the handle and the object.
struct Thread::StartRecord {
    Runnable* runnable;
    std::future<void> go;
};

std::optional<Thread::PolicyRequest> Thread::PolicyFor(eThreadPolicy policy, int priority)
{
    if (policy == kThreadPolicyFifo) return PolicyRequest{POLICY_FIFO, SaturatingAdd(priority, 80)};
    if (policy == kThreadPolicyTimeslice) return PolicyRequest{POLICY_TIMESHARE, SaturatingAdd(priority, 39)};
    return std::nullopt;
}

std::optional<Thread::HostSchedule> Thread::HostScheduleFor(const PolicyRequest& request)
{
    // Raising a time-shared thread's weight needs privileges on Linux, and the
    // base priority asked for is above an ordinary thread's: leave it alone.
    if (request.machPolicy == POLICY_TIMESHARE) return HostSchedule{SCHED_OTHER, 0};
    if (request.machPolicy != POLICY_FIFO) return std::nullopt;
    // The Mach range 0..127 scaled linearly onto the host's SCHED_FIFO range.
    const long long base = std::clamp(request.basePriority, 0, kMachPriorityMax);
    const long long low = sched_get_priority_min(SCHED_FIFO);
    const long long high = sched_get_priority_max(SCHED_FIFO);
    return HostSchedule{SCHED_FIFO,
                        static_cast<int>(low + (base * (high - low) + kMachPriorityMax / 2) / kMachPriorityMax)};
}

Thread::Thread(Runnable* r, int priority, eThreadPolicy policy, CreateFunction create)
    : mRunnable(r), mPriority(priority), mPolicy(policy), mPThread(), mCreate(create ? create : &pthread_create)
{
}

Thread::~Thread() = default;

bool Thread::Start()
{
    if (!mRunnable) return false;

    std::promise<void> go;
    auto record = std::make_unique<StartRecord>(StartRecord{mRunnable, go.get_future()});
    DetachedAttr attr;
    pthread_t handle{};
    if (mCreate(&handle, attr.Get(), &RunHelper, record.get()) != 0) return false;
    record.release();

    // The thread waits for `go`, so its handle is valid here and nothing of
    // this object is in use by it yet. A refused policy leaves the default.
    mPThread = handle;
    // Without the privilege for real-time scheduling the thread keeps the default.
    const std::optional<PolicyRequest> request = PolicyFor(mPolicy, mPriority);
    if (const std::optional<HostSchedule> schedule = request ? HostScheduleFor(*request) : std::nullopt) {
        sched_param param{};
        param.sched_priority = schedule->priority;
        pthread_setschedparam(handle, schedule->policy, &param);
    }
    // From here on the thread may delete this object.
    go.set_value();
    return true;
}

pthread_t Thread::GetPThread() const { return mPThread; }

void* Thread::RunHelper(void* param)
{
    std::unique_ptr<StartRecord> record(static_cast<StartRecord*>(param));
    record->go.wait();
    Runnable* runnable = record->runnable;
    record.reset();
    runnable->Run();
    return nullptr;
}

}  // namespace PTA
}  // namespace APW
