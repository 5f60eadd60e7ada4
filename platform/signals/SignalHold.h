// SPDX-License-Identifier: MIT
// Keeps SIGINT, SIGTERM and SIGHUP from ending the program while the unit's
// flash may be written: a half-written flash is worse than a late exit. The
// handler does only what is safe there: it cancels a job that has not passed
// its first erase, writes a fixed notice, and wakes an event loop; the program
// decides the rest when it looks. SIGPIPE is ignored meanwhile, so that a
// closed terminal or pipe makes writes fail instead of ending the program.
// One hold at a time.
#pragma once

#include <signal.h>

#include <string_view>

#include "platform/signals/FirstEraseGate.h"

namespace kesignals {

class SignalHold {
public:
    struct Options {
        // Receives `notice` for a held signal, `cancelNotice` for a cancelling
        // one (standard error); -1: no notice.
        int noticeFd = -1;
        std::string_view notice;
        std::string_view cancelNotice;
        // Each signal first tries to cancel through it; none: all are held.
        FirstEraseGate* gate = nullptr;
        // Each signal's number also goes to WakeFd(), for an event loop. When
        // that cannot be set up, nothing is held: the signals keep their
        // previous handling rather than go unseen.
        bool wake = false;
    };

    explicit SignalHold(const Options& options);
    // Puts the previous handlers back.
    ~SignalHold();

    SignalHold(const SignalHold&) = delete;
    SignalHold& operator=(const SignalHold&) = delete;

    bool Holding() const { return mHolding; }
    // The last signal that arrived and was held, or 0.
    int HeldSignal() const;
    // The signal that cancelled the job, or 0.
    int CancellingSignal() const;
    // Readable when a signal arrived (with `wake`); -1 otherwise.
    int WakeFd() const { return mWake[0]; }
    // The next signal that arrived, in order, or 0 when there is none.
    int NextWoken();

    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

private:
    bool mHolding = false;
    int mWake[2] = {-1, -1};  // [0] read by the event loop, [1] written by the handler
    struct sigaction mPrevious[3];
    struct sigaction mPreviousPipe;
};

// Blocks the three signals in the calling thread for its lifetime. A thread
// started meanwhile inherits the block, so that they never interrupt its
// system calls; they reach the thread that holds them instead.
class SignalBlock {
public:
    SignalBlock();
    ~SignalBlock();

    SignalBlock(const SignalBlock&) = delete;
    SignalBlock& operator=(const SignalBlock&) = delete;

private:
    sigset_t mPrevious;
};

}  // namespace kesignals
