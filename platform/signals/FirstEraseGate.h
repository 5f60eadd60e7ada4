// SPDX-License-Identifier: MIT
// The point of no return of a job: its first erase command. Until it is
// sent, a cancel stops the job with nothing written; from then on the job
// goes on to its end. Lock-free, so that a signal handler may cancel.
#pragma once

#include <atomic>

class FirstEraseGate {
public:
    // A new job: nothing sent yet, nothing cancelled.
    void Reset() { mState.store(kOpen); }
    // True when the job is cancelled (now or before); false once the first
    // erase is out, or the job is over.
    bool Cancel() { return Move(kCancelled); }
    // Right before an erase command: false when the job is cancelled.
    bool Pass() { return Move(kPassed); }
    // At the job's end: later cancels come too late.
    void Close() { mState.store(kPassed); }
    bool Cancelled() const { return mState.load() == kCancelled; }

private:
    enum : int { kOpen, kCancelled, kPassed };
    bool Move(int to)
    {
        int expected = kOpen;
        return mState.compare_exchange_strong(expected, to) || expected == to;
    }
    std::atomic<int> mState{kOpen};
    static_assert(std::atomic<int>::is_always_lock_free);
};
