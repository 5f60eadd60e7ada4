// SPDX-License-Identifier: MIT
// Keeps SIGINT, SIGTERM and SIGHUP from ending the program while the unit's
// flash is being written: a half-written flash is worse than a late exit.
// Before the job's first erase such a signal cancels the job instead, with
// nothing written. Either way it prints a notice and is remembered; the
// caller decides what to do once the job is over.
#pragma once

#include <signal.h>

#include "macapps/KEFirmwareUpdate/Downloader.h"

namespace kecli {

class SignalGuard {
public:
    // Installs the handlers; `noticeFd` receives the notice (standard error).
    // A signal first tries to cancel through `gate`, when given.
    // SIGPIPE is ignored meanwhile, so that a closed terminal or pipe makes
    // writes fail instead of ending the program. One guard at a time.
    explicit SignalGuard(int noticeFd, FirstEraseGate* gate = nullptr);
    // Puts the previous handlers back.
    ~SignalGuard();

    SignalGuard(const SignalGuard&) = delete;
    SignalGuard& operator=(const SignalGuard&) = delete;

    // The last guarded signal that arrived and was held, or 0.
    int DeferredSignal() const;
    // The signal that cancelled the job, or 0.
    int CancellingSignal() const;

    static constexpr char kNotice[] = "\nkefirmwareupdate-cli: the update cannot be interrupted safely; it goes on\n";
    static constexpr char kCancelNotice[] =
        "\nkefirmwareupdate-cli: nothing has been written yet; the update is cancelled\n";

private:
    static constexpr int kGuarded[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction mPrevious[3];
    struct sigaction mPreviousPipe;
};

// Blocks the guarded signals in the calling thread for its lifetime. Threads
// started meanwhile inherit the block, so the signals reach only the thread
// that polls the job and never interrupt the worker's system calls.
class SignalBlock {
public:
    SignalBlock();
    ~SignalBlock();

    SignalBlock(const SignalBlock&) = delete;
    SignalBlock& operator=(const SignalBlock&) = delete;

private:
    sigset_t mPrevious;
};

}  // namespace kecli
