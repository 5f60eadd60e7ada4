// SPDX-License-Identifier: MIT
#include "platform/ui/SignalNotifier.h"

#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace keui {
namespace {

static_assert(std::atomic<int>::is_always_lock_free, "the handler may only touch lock-free atomics");

// The handler has no object to work on: the write end of the active pair.
std::atomic<int> gWriteFd{-1};

void OnSignal(int signalNumber)
{
    const int savedErrno = errno;
    const int fd = gWriteFd.load();
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // send() is async-signal-safe; with the socket full a signal is already waiting.
    if (fd >= 0 && send(fd, &byte, 1, MSG_DONTWAIT | MSG_NOSIGNAL) < 0) {
    }
    errno = savedErrno;
}

sigset_t HandledSignals()
{
    sigset_t set;
    sigemptyset(&set);
    for (int s : SignalNotifier::kSignals) sigaddset(&set, s);
    return set;
}

}  // namespace

SignalNotifier::SignalNotifier(std::function<void(int)> onSignal) : mOnSignal(std::move(onSignal))
{
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, mFds) != 0) {
        mFds[0] = mFds[1] = -1;
        return;  // the signals keep their previous handling
    }
    mNotifier = std::make_unique<QSocketNotifier>(mFds[0], QSocketNotifier::Read);
    QObject::connect(mNotifier.get(), &QSocketNotifier::activated, mNotifier.get(), [this] { Drain(); });
    gWriteFd.store(mFds[1]);

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

SignalNotifier::~SignalNotifier()
{
    if (mFds[0] < 0) return;
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &mPrevious[i], nullptr);
    sigaction(SIGPIPE, &mPreviousPipe, nullptr);
    gWriteFd.store(-1);
    mNotifier.reset();
    close(mFds[0]);
    close(mFds[1]);
}

void SignalNotifier::Drain()
{
    unsigned char bytes[16];
    for (;;) {
        const ssize_t got = recv(mFds[0], bytes, sizeof bytes, 0);
        if (got <= 0) return;
        for (ssize_t i = 0; i < got; ++i) mOnSignal(bytes[i]);
    }
}

ScopedSignalBlock::ScopedSignalBlock()
{
    const sigset_t block = HandledSignals();
    pthread_sigmask(SIG_BLOCK, &block, &mPrevious);
}

ScopedSignalBlock::~ScopedSignalBlock() { pthread_sigmask(SIG_SETMASK, &mPrevious, nullptr); }

}  // namespace keui
