// SPDX-License-Identifier: MIT
#include "macapps/KEFirmwareUpdate/cli/SignalGuard.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/common/KeAssert.h"

namespace kecli {
namespace {

static_assert(std::atomic<int>::is_always_lock_free, "the handler may only touch lock-free atomics");

// What the handler may reach: a signal handler has no object to work on.
std::atomic<int> gNoticeFd{-1};
std::atomic<int> gDeferredSignal{0};
std::atomic<int> gCancellingSignal{0};
std::atomic<FirstEraseGate*> gGate{nullptr};
static_assert(std::atomic<FirstEraseGate*>::is_always_lock_free);

void Notify(const char* text, std::size_t length)
{
    const int fd = gNoticeFd.load();
    // write() is async-signal-safe; a failed notice changes nothing.
    if (fd >= 0 && write(fd, text, length) < 0) {
    }
}
std::atomic<bool> gGuardActive{false};

void OnGuardedSignal(int signalNumber)
{
    const int savedErrno = errno;
    FirstEraseGate* gate = gGate.load();
    if (gate && gate->Cancel()) {
        gCancellingSignal.store(signalNumber);
        Notify(SignalGuard::kCancelNotice, sizeof SignalGuard::kCancelNotice - 1);
    } else {
        gDeferredSignal.store(signalNumber);
        Notify(SignalGuard::kNotice, sizeof SignalGuard::kNotice - 1);
    }
    errno = savedErrno;
}

}  // namespace

SignalGuard::SignalGuard(int noticeFd, FirstEraseGate* gate)
{
    const bool wasActive = gGuardActive.exchange(true);
    KE_ASSERT(!wasActive);
    gNoticeFd.store(noticeFd);
    gDeferredSignal.store(0);
    gCancellingSignal.store(0);
    gGate.store(gate);

    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = OnGuardedSignal;
    sigemptyset(&action.sa_mask);
    for (int s : kGuarded) sigaddset(&action.sa_mask, s);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) sigaction(kGuarded[i], &action, &mPrevious[i]);

    struct sigaction ignore;
    std::memset(&ignore, 0, sizeof ignore);
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &mPreviousPipe);
}

SignalGuard::~SignalGuard()
{
    for (int i = 0; i < 3; ++i) sigaction(kGuarded[i], &mPrevious[i], nullptr);
    sigaction(SIGPIPE, &mPreviousPipe, nullptr);
    gNoticeFd.store(-1);
    gGate.store(nullptr);
    gGuardActive.store(false);
}

int SignalGuard::DeferredSignal() const { return gDeferredSignal.load(); }

int SignalGuard::CancellingSignal() const { return gCancellingSignal.load(); }

SignalBlock::SignalBlock()
{
    sigset_t block;
    sigemptyset(&block);
    sigaddset(&block, SIGINT);
    sigaddset(&block, SIGTERM);
    sigaddset(&block, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &block, &mPrevious);
}

SignalBlock::~SignalBlock() { pthread_sigmask(SIG_SETMASK, &mPrevious, nullptr); }

}  // namespace kecli
