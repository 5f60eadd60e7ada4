#include "macclasses/APW_PTA_Synchronizable.h"

#include <cerrno>
#include <limits>

#include "platform/threads/CondWait.h"
#include "platform/threads/UpTime.h"

namespace APW {
namespace PTA {

namespace {

constexpr pthread_t kNoThread{};

}  // namespace

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

Synchronizable::Duration Synchronizable::SplitNanoseconds(long long nanos)
{
    if (nanos >= NS_PER_SEC) return Duration{nanos / NS_PER_SEC, nanos % NS_PER_SEC};
    return Duration{0, nanos};
}

Synchronizable::Synchronizable() : mWhichThread(kNoThread), mRecursiveNesting(0)
{
    pthread_mutex_init(&mMutex, nullptr);
    KeCondInitMonotonic(&mCondVar);
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
    const Duration duration = SplitNanoseconds(nanos);
    NestingReleaser releaser(this);
    const int status = KeCondTimedWaitRelative(&mCondVar, &mMutex, duration.seconds, duration.nanoseconds);
    return status != ETIMEDOUT;
}

bool Synchronizable::WaitUntil(unsigned long long nanos)
{
    const unsigned long long now = KeUpTimeNanoseconds();
    const unsigned long long remaining = nanos > now ? nanos - now : 0;
    // A deadline further away than a signed duration can hold waits as long
    // as one can, rather than turning negative and failing at once.
    constexpr auto kLongest = static_cast<unsigned long long>(std::numeric_limits<long long>::max());
    return Wait(static_cast<long long>(remaining < kLongest ? remaining : kLongest));
}

}  // namespace PTA
}  // namespace APW
