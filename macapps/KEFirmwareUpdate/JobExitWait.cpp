// SPDX-License-Identifier: MIT
#include "macapps/KEFirmwareUpdate/JobExitWait.h"

#include <atomic>
#include <cstdlib>
#include <iostream>

#include "macapps/KEFirmwareUpdate/kefirmwareupdate.h"
#include "platform/common/KeAssert.h"

using APW::PTA::CKeFirmwareUpdate;
using APW::PTA::UpdateResult;

namespace {

// What the hook works on: exit handlers take no argument.
std::atomic<CKeFirmwareUpdate*> gWatched{nullptr};

}  // namespace

JobExitWait::JobExitWait(CKeFirmwareUpdate& job)
{
    // Registered once a job is about to start, the hook runs before the
    // destructors of the statics the program made until then. The worker
    // touches neither Qt nor the objects of the thread that exits, whose
    // stack exit() leaves in place.
    static const bool registered = std::atexit(&JobExitWait::AtExit) == 0;
    if (!registered) std::cerr << "KEFirmwareUpdate: cannot hold the exit back while the Ke is written\n";
    CKeFirmwareUpdate* none = nullptr;
    const bool alone = gWatched.compare_exchange_strong(none, &job);
    KE_ASSERT(alone);
}

JobExitWait::~JobExitWait() { gWatched.store(nullptr); }

void JobExitWait::AtExit()
{
    CKeFirmwareUpdate* job = gWatched.load();
    if (job == nullptr || !job->JobRunning()) return;
    // The signal handlers stay in place meanwhile: SIGINT, SIGTERM and SIGHUP are held.
    if (job->CancelBeforeErase()) {
        std::cerr << "KEFirmwareUpdate: the program is ending before anything was written; the update is "
                     "cancelled\n";
    } else {
        std::cerr << "KEFirmwareUpdate: the program is ending while the Ke is being written; it ends when the "
                     "update is over\n";
    }
    job->WaitForJobEnd();
    const UpdateResult result = job->GetUpdateResult();
    if (result.Succeeded()) {
        std::cerr << "KEFirmwareUpdate: Programming Complete\n";
    } else {
        std::cerr << "KEFirmwareUpdate: Programming Failed: " << APW::PTA::UpdateResultText(result) << "\n";
    }
}
