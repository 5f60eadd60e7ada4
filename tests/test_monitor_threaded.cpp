// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <sched.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <future>
#include <thread>
#include <utility>
#include <vector>

#include "macclasses/APW_PTA_Synchronizable.h"
#include "macclasses/APW_PTA_Thread.h"
#include "platform/threads/Sleep.h"

using APW::PTA::Synchronizable;
using APW::PTA::Thread;

namespace {

constexpr long long kMs = 1000000LL;

UInt64 KeUpTimeNanoseconds() { return Synchronizable::UpTimeNanoseconds(); }

// Records where and how it ran; optionally deletes its Thread like the update job.
class ProbeJob : public APW::PTA::Runnable {
public:
    void Run() override
    {
        self = pthread_self();
        pthread_attr_t attr;
        pthread_getattr_np(self, &attr);
        pthread_attr_getdetachstate(&attr, &detachState);
        pthread_attr_destroy(&attr);
        sched_param param{};
        pthread_getschedparam(self, &policy, &param);
        priority = param.sched_priority;
        delete ownThread;
        done.set_value();
    }

    Thread* ownThread = nullptr;
    pthread_t self{};
    int detachState = -1, policy = -1, priority = -1;
    std::promise<void> done;
};

int FailingCreate(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*) { return EAGAIN; }

}  // namespace

// A wait hands over the monitor however deeply it is held, and gives it back at that depth.
TEST(Monitor, RecursiveDepthSurvivesAWait)
{
    for (bool timed : {false, true}) {
        Synchronizable s;
        bool changed = false;
        for (int depth = 0; depth < 3; ++depth) s.Lock();
        std::thread other([&] {
            Synchronizable::ScopedLock lock(s);
            changed = true;
            s.Notify();
        });
        while (!changed) timed ? (void)s.Wait(10 * APW::PTA::NS_PER_SEC) : s.Wait();
        other.join();
        std::atomic<bool> lateHolds{false};
        std::jthread late([&] {
            Synchronizable::ScopedLock lock(s);
            lateHolds = true;
        });
        for (int depth = 0; depth < 2; ++depth) s.Unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_FALSE(lateHolds) << "timed " << timed;  // only the last Unlock frees it
        s.Unlock();
    }
}

TEST(Monitor, TimedWaitsThatCannotOrDoNotWait)
{
    Synchronizable s;
    Synchronizable::ScopedLock lock(s);
    EXPECT_FALSE(s.Wait(-1) || s.Wait(0) || s.WaitUntil(0) || s.WaitUntil(KeUpTimeNanoseconds() - 1));
    for (bool untilDeadline : {false, true}) {
        const UInt64 deadline = KeUpTimeNanoseconds() + 20 * kMs;
        EXPECT_FALSE(untilDeadline ? s.WaitUntil(deadline) : s.Wait(20 * kMs));
        EXPECT_GE(KeUpTimeNanoseconds(), deadline) << "until deadline " << untilDeadline;
    }
}

// A far deadline or the longest duration must wait, not time out or fail at once.
TEST(Monitor, LongestWaitsLastUntilNotified)
{
    Synchronizable s;
    int waiting = 0;
    bool go = false;
    std::vector<std::thread> waiters;
    for (bool untilDeadline : {false, true})
        waiters.emplace_back([&, untilDeadline] {
            Synchronizable::ScopedLock lock(s);
            ++waiting;
            s.NotifyAll();
            while (!go) ASSERT_TRUE(untilDeadline ? s.WaitUntil(ULLONG_MAX) : s.Wait(LLONG_MAX));
        });
    {
        Synchronizable::ScopedLock lock(s);
        while (waiting < 2) s.Wait();
        go = true;
        s.NotifyAll();
    }
    for (std::thread& t : waiters) t.join();
}

TEST(ThreadPolicy, MapsMachPoliciesOntoTheHostScheduler)
{
    auto mach = [](Thread::eThreadPolicy policy, int priority) {
        const auto request = Thread::PolicyFor(policy, priority);
        return request ? std::pair(request->machPolicy, request->basePriority) : std::pair(0, 0);
    };
    EXPECT_EQ(mach(Thread::kThreadPolicyFifo, 5), std::pair(Thread::POLICY_FIFO, 85));
    EXPECT_EQ(mach(Thread::kThreadPolicyTimeslice, 0), std::pair(Thread::POLICY_TIMESHARE, 39));
    EXPECT_EQ(mach(Thread::kThreadPolicyRoundRobin, 5), std::pair(0, 0));
    EXPECT_EQ(mach(Thread::kThreadPolicyFifo, INT_MAX), std::pair(Thread::POLICY_FIFO, INT_MAX));

    auto host = [](int machPolicy, int basePriority) {
        const auto schedule = Thread::HostScheduleFor({machPolicy, basePriority});
        return schedule ? std::pair(schedule->policy, schedule->priority) : std::pair(-1, -1);
    };
    const int low = sched_get_priority_min(SCHED_FIFO);
    const int high = sched_get_priority_max(SCHED_FIFO);
    EXPECT_EQ(host(Thread::POLICY_FIFO, 85), std::pair(SCHED_FIFO, low + (85 * (high - low) + 63) / 127));
    EXPECT_EQ(host(Thread::POLICY_FIFO, INT_MIN), std::pair(SCHED_FIFO, low));
    EXPECT_EQ(host(Thread::POLICY_FIFO, INT_MAX), std::pair(SCHED_FIFO, high));
    EXPECT_EQ(host(Thread::POLICY_TIMESHARE, 39), std::pair(SCHED_OTHER, 0));
    EXPECT_EQ(host(2, 85), std::pair(-1, -1));  // round robin: none
}

TEST(Thread, RunsDetachedOnItsOwnThreadUnderTheMappedPolicy)
{
    for (auto policy : {Thread::kThreadPolicyTimeslice, Thread::kThreadPolicyFifo, Thread::kThreadPolicyRoundRobin}) {
        ProbeJob job;
        Thread thread(&job, 5, policy);
        ASSERT_TRUE(thread.Start());
        job.done.get_future().wait();
        EXPECT_TRUE(pthread_equal(job.self, thread.GetPThread()) && !pthread_equal(job.self, pthread_self()));
        EXPECT_EQ(job.detachState, PTHREAD_CREATE_DETACHED);
        if (policy == Thread::kThreadPolicyFifo && job.policy == SCHED_FIFO) {
            EXPECT_EQ(job.priority, Thread::HostScheduleFor({Thread::POLICY_FIFO, 85})->priority);
        } else {
            // Time-shared, untouched, or real-time refused for lack of privilege.
            EXPECT_EQ(job.policy, SCHED_OTHER) << policy;
        }
    }
}

TEST(Thread, MayBeDeletedByItsRunOrRightAfterStart)
{
    for (int i = 0; i < 200; ++i) {
        ProbeJob job;
        job.ownThread = new Thread(&job, 0, Thread::kThreadPolicyTimeslice);
        ASSERT_TRUE(job.ownThread->Start());
        job.done.get_future().wait();

        ProbeJob other;
        auto thread = std::make_unique<Thread>(&other, 0, Thread::kThreadPolicyFifo);
        ASSERT_TRUE(thread->Start());
        thread.reset();
        other.done.get_future().wait();
    }
}

TEST(Thread, StartReportsWhatCouldNotRun)
{
    Thread nothing(nullptr, 0, Thread::kThreadPolicyTimeslice);
    EXPECT_FALSE(nothing.Start());

    ProbeJob job;
    Thread refused(&job, 0, Thread::kThreadPolicyTimeslice, &FailingCreate);
    EXPECT_FALSE(refused.Start());
    EXPECT_EQ(job.self, pthread_t{});
}

TEST(Sleep, EachRealPauseLastsAtLeastTheTimeAsked)
{
    for (UInt32 us : {0U, 29U, 31U, 1000U}) {
        const UInt64 before = KeUpTimeNanoseconds();
        KeRealSleepMicroseconds(us);
        EXPECT_GE(KeUpTimeNanoseconds() - before, UInt64(us) * 1000U) << us;
    }
}
