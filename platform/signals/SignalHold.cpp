// SPDX-License-Identifier: MIT
#include "platform/signals/SignalHold.h"

#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/common/KeAssert.h"

namespace kesignals {
namespace {

static_assert(std::atomic<int>::is_always_lock_free, "the handler may only touch lock-free atomics");
static_assert(std::atomic<FirstEraseGate*>::is_always_lock_free);

// What the handler may reach: a signal handler has no object to work on.
// Set before the handlers go in, cleared after they are out.
struct Notice {
    std::atomic<const char*> text{nullptr};
    std::atomic<std::size_t> length{0};
};
std::atomic<int> gNoticeFd{-1};
Notice gHeldNotice;
Notice gCancelNotice;
std::atomic<FirstEraseGate*> gGate{nullptr};
std::atomic<int> gWakeFd{-1};
std::atomic<int> gHeldSignal{0};
std::atomic<int> gCancellingSignal{0};
std::atomic<bool> gActive{false};

void Write(const Notice& notice)
{
    const int fd = gNoticeFd.load();
    // write() is async-signal-safe; a failed notice changes nothing.
    if (fd >= 0 && write(fd, notice.text.load(), notice.length.load()) < 0) {
    }
}

void OnSignal(int signalNumber)
{
    const int savedErrno = errno;
    FirstEraseGate* gate = gGate.load();
    if (gate && gate->Cancel()) {
        gCancellingSignal.store(signalNumber);
        Write(gCancelNotice);
    } else {
        gHeldSignal.store(signalNumber);
        Write(gHeldNotice);
    }
    const int wakeFd = gWakeFd.load();
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // send() is async-signal-safe; with the socket full a signal is already waiting.
    if (wakeFd >= 0 && send(wakeFd, &byte, 1, MSG_DONTWAIT | MSG_NOSIGNAL) < 0) {
    }
    errno = savedErrno;
}

void Set(Notice& notice, std::string_view text)
{
    notice.text.store(text.data());
    notice.length.store(text.size());
}

sigset_t HandledSignals()
{
    sigset_t set;
    sigemptyset(&set);
    for (int s : SignalHold::kSignals) sigaddset(&set, s);
    return set;
}

}  // namespace

SignalHold::SignalHold(const Options& options)
{
    if (options.wake && socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, mWake) != 0) {
        mWake[0] = mWake[1] = -1;
        return;
    }
    const bool wasActive = gActive.exchange(true);
    KE_ASSERT(!wasActive);
    mHolding = true;
    gNoticeFd.store(options.noticeFd);
    Set(gHeldNotice, options.notice);
    Set(gCancelNotice, options.cancelNotice);
    gGate.store(options.gate);
    gWakeFd.store(mWake[1]);
    gHeldSignal.store(0);
    gCancellingSignal.store(0);

    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = OnSignal;
    action.sa_mask = HandledSignals();
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &action, &mPrevious[i]);

    struct sigaction ignore;
    std::memset(&ignore, 0, sizeof ignore);
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &mPreviousPipe);
}

SignalHold::~SignalHold()
{
    if (!mHolding) return;
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &mPrevious[i], nullptr);
    sigaction(SIGPIPE, &mPreviousPipe, nullptr);
    gNoticeFd.store(-1);
    gGate.store(nullptr);
    gWakeFd.store(-1);
    if (mWake[0] >= 0) {
        close(mWake[0]);
        close(mWake[1]);
    }
    gActive.store(false);
}

int SignalHold::HeldSignal() const { return gHeldSignal.load(); }

int SignalHold::CancellingSignal() const { return gCancellingSignal.load(); }

int SignalHold::NextWoken()
{
    unsigned char byte = 0;
    if (mWake[0] < 0 || recv(mWake[0], &byte, 1, 0) != 1) return 0;
    return byte;
}

SignalBlock::SignalBlock()
{
    const sigset_t block = HandledSignals();
    pthread_sigmask(SIG_BLOCK, &block, &mPrevious);
}

SignalBlock::~SignalBlock() { pthread_sigmask(SIG_SETMASK, &mPrevious, nullptr); }

}  // namespace kesignals
