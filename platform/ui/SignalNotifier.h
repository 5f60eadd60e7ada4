// SPDX-License-Identifier: MIT
// Brings SIGINT, SIGTERM and SIGHUP into the event loop: the handler only
// writes the signal's number to a socket pair, and a QSocketNotifier on the
// other end calls back on the main thread, where anything may be done.
// SIGPIPE is ignored meanwhile, so that a closed pipe makes a write fail
// instead of ending the program. One notifier at a time.
#pragma once

#include <QSocketNotifier>
#include <csignal>
#include <functional>
#include <memory>

namespace keui {

class SignalNotifier {
public:
    // `onSignal` gets each signal's number, on the thread of the event loop.
    explicit SignalNotifier(std::function<void(int)> onSignal);
    // Puts the previous handlers back and closes the socket pair.
    ~SignalNotifier();

    SignalNotifier(const SignalNotifier&) = delete;
    SignalNotifier& operator=(const SignalNotifier&) = delete;

    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

private:
    void Drain();

    int mFds[2] = {-1, -1};  // [0] read by the notifier, [1] written by the handler
    struct sigaction mPrevious[3];
    struct sigaction mPreviousPipe;
    std::function<void(int)> mOnSignal;
    std::unique_ptr<QSocketNotifier> mNotifier;
};

// Blocks the three signals in the calling thread for its lifetime. A thread
// started meanwhile inherits the block, so that they never interrupt its
// system calls; they reach the event loop's thread instead.
class ScopedSignalBlock {
public:
    ScopedSignalBlock();
    ~ScopedSignalBlock();

    ScopedSignalBlock(const ScopedSignalBlock&) = delete;
    ScopedSignalBlock& operator=(const ScopedSignalBlock&) = delete;

private:
    sigset_t mPrevious;
};

}  // namespace keui
