// SPDX-License-Identifier: MIT
#include "macclasses/APW_PTA_Synchronizable.h"

#include <time.h>

#include <cerrno>
#include <limits>

namespace APW {
namespace PTA {

namespace {

constexpr pthread_t kNoThread{};

// The absolute time on `clock` that lies `nanos` (>= 0) after now, clamped
// to the largest time the clock can express.
timespec DeadlineAfter(clockid_t clock, long long nanos)
{
    timespec now{};
    clock_gettime(clock, &now);
    timespec latest{};
    latest.tv_sec = std::numeric_limits<time_t>::max();
    latest.tv_nsec = NS_PER_SEC - 1;

    long long nsec = now.tv_nsec + nanos % NS_PER_SEC;
    long long sec = nanos / NS_PER_SEC + nsec / NS_PER_SEC;
    nsec %= NS_PER_SEC;
    if (sec > std::numeric_limits<time_t>::max() - now.tv_sec) return latest;
    timespec deadline{};
    deadline.tv_sec = static_cast<time_t>(now.tv_sec + sec);
    deadline.tv_nsec = static_cast<long>(nsec);
    return deadline;
}

}  // namespace

unsigned long long Synchronizable::UpTimeNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<unsigned long long>(now.tv_sec) * NS_PER_SEC + static_cast<unsigned long long>(now.tv_nsec);
}

Synchronizable::NestingReleaser::NestingReleaser(Synchronizable* s) : mSync(s), mNesting(s->mRecursiveNesting)
{
    mSync->mRecursiveNesting = 0;
    mSync->mWhichThread.store(kNoThread, std::memory_order_relaxed);
}

Synchronizable::NestingReleaser::~NestingReleaser()
{
    mSync->mRecursiveNesting = mNesting;
    mSync->mWhichThread.store(pthread_self(), std::memory_order_relaxed);
}

Synchronizable::Synchronizable() : mWhichThread(kNoThread), mRecursiveNesting(0)
{
    pthread_mutex_init(&mMutex, nullptr);
    pthread_cond_init(&mCondVar, nullptr);
}

Synchronizable::~Synchronizable()
{
    pthread_cond_destroy(&mCondVar);
    pthread_mutex_destroy(&mMutex);
}

void Synchronizable::Notify() { pthread_cond_signal(&mCondVar); }

void Synchronizable::NotifyAll() { pthread_cond_broadcast(&mCondVar); }

void Synchronizable::Lock()
{
    // Only the owner can find its own identity here, so the test needs no lock.
    if (mWhichThread.load(std::memory_order_relaxed) == pthread_self()) {
        ++mRecursiveNesting;
        return;
    }
    pthread_mutex_lock(&mMutex);
    mRecursiveNesting = 0;
    mWhichThread.store(pthread_self(), std::memory_order_relaxed);
}

void Synchronizable::Unlock()
{
    if (mRecursiveNesting != 0) {
        --mRecursiveNesting;
        return;
    }
    mWhichThread.store(kNoThread, std::memory_order_relaxed);
    pthread_mutex_unlock(&mMutex);
}

void Synchronizable::Wait()
{
    NestingReleaser releaser(this);
    pthread_cond_wait(&mCondVar, &mMutex);
}

bool Synchronizable::Wait(long long nanos)
{
    if (nanos < 0) return false;
    // Timed on the start-up clock: a change of the wall-clock time neither
    // cuts the wait short nor stretches it.
    const timespec deadline = DeadlineAfter(CLOCK_MONOTONIC, nanos);
    NestingReleaser releaser(this);
    return pthread_cond_clockwait(&mCondVar, &mMutex, CLOCK_MONOTONIC, &deadline) != ETIMEDOUT;
}

bool Synchronizable::WaitUntil(unsigned long long nanos)
{
    const unsigned long long now = UpTimeNanoseconds();
    const unsigned long long remaining = nanos > now ? nanos - now : 0;
    // A deadline further away than a signed duration can hold waits as long
    // as one can, rather than turning negative and failing at once.
    constexpr auto kLongest = static_cast<unsigned long long>(std::numeric_limits<long long>::max());
    return Wait(static_cast<long long>(remaining < kLongest ? remaining : kLongest));
}

}  // namespace PTA
}  // namespace APW
