// SPDX-License-Identifier: MIT
// A monitor: a lock that its owner may take again, with a condition to wait
// on and to notify.
#pragma once

#include <pthread.h>

#include <atomic>

#include "platform/common/MacTypes.h"

namespace APW {
namespace PTA {

constexpr long long NS_PER_SEC = 1000000000LL;

class Synchronizable {
public:
    // Hands the monitor over to a condition wait, however deeply its owner
    // holds it, and gives it back at the same depth when the wait is over.
    class NestingReleaser {
    public:
        explicit NestingReleaser(Synchronizable* s);
        ~NestingReleaser();
        NestingReleaser(const NestingReleaser&) = delete;
        NestingReleaser& operator=(const NestingReleaser&) = delete;

    private:
        Synchronizable* mSync;
        UInt32 mNesting;
    };

    // Holds the monitor for its lifetime.
    class ScopedLock {
    public:
        explicit ScopedLock(Synchronizable& s) : mSync(s) { mSync.Lock(); }
        ~ScopedLock() { mSync.Unlock(); }
        ScopedLock(const ScopedLock&) = delete;
        ScopedLock& operator=(const ScopedLock&) = delete;

    private:
        Synchronizable& mSync;
    };

    Synchronizable();
    virtual ~Synchronizable();
    Synchronizable(const Synchronizable&) = delete;
    Synchronizable& operator=(const Synchronizable&) = delete;

    void Notify();
    void NotifyAll();

    // The waits and Unlock expect the caller to own the monitor.
    void Lock();
    void Unlock();
    void Wait();
    // Waits at most `nanos` (relative). True when woken for any reason but the
    // time running out; false on time-out or a negative duration.
    bool Wait(long long nanos);
    // Waits until `nanos` on the start-up clock (UpTimeNanoseconds).
    bool WaitUntil(unsigned long long nanos);

    // Now on the start-up clock (CLOCK_MONOTONIC), in nanoseconds.
    static unsigned long long UpTimeNanoseconds();

private:
    pthread_mutex_t mMutex;
    std::atomic<pthread_t> mWhichThread;
    UInt32 mRecursiveNesting;
    pthread_cond_t mCondVar;
};

}  // namespace PTA
}  // namespace APW
