// SPDX-License-Identifier: MIT
#include "cli/JobVerdict.h"

#include "cli/RunReport.h"

namespace kecli {
namespace {

using APW::PTA::UpdateOutcome;

// The window's completion notice.
const char kDoneMessage[] =
    "Programming Complete\n"
    "You will need to cycle the Power on your Ke for changes to take affect\n";

const char kRunAgain[] = "Do not power the Ke off: run the update again.\n";

bool IsAccessStatus(IOReturn status) { return status == kIOReturnNotPermitted || status == kIOReturnExclusiveAccess; }

}  // namespace

JobVerdict JobVerdict::From(const APW::PTA::UpdateResult& result)
{
    JobVerdict verdict;
    verdict.status = result.status;
    if (result.Succeeded()) {
        verdict.code = kExitSuccess;
        verdict.message = kDoneMessage;
        return verdict;
    }
    verdict.message = APW::PTA::UpdateResultText(result) + "\n";
    switch (result.outcome) {
    case UpdateOutcome::kDownloadFailed:
        verdict.imageFailed = true;
        verdict.image = result.image;
        verdict.step = result.step;
        verdict.code = IsAccessStatus(result.status) ? kExitNoAccess : kExitUpdateFailed;
        verdict.message += kRunAgain;
        return verdict;
    case UpdateOutcome::kUnitHeld:
        verdict.code = kExitNoAccess;
        return verdict;
    case UpdateOutcome::kUnitNotFound:
        verdict.code = kExitNoUnit;
        return verdict;
    case UpdateOutcome::kUnitChanged:
        verdict.code = kUnitChangedResult.code;
        verdict.result = kUnitChangedResult.name;
        return verdict;
    case UpdateOutcome::kUnitUnreadable:
        verdict.code = kExitUnitUnreadable;
        return verdict;
    case UpdateOutcome::kCancelled:
        verdict.code = kExitCancelled;
        return verdict;
    default:
        verdict.code = kExitUpdateFailed;
        return verdict;
    }
}

}  // namespace kecli
