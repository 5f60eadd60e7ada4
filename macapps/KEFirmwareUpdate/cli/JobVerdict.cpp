// SPDX-License-Identifier: MIT
#include "macapps/KEFirmwareUpdate/cli/JobVerdict.h"

#include "macapps/KEFirmwareUpdate/cli/RunReport.h"

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
    switch (result.outcome) {
    case UpdateOutcome::kSucceeded:
        verdict.code = kExitSuccess;
        verdict.message = kDoneMessage;
        return verdict;
    case UpdateOutcome::kDownloadFailed: {
        verdict.imageFailed = true;
        verdict.image = result.image;
        const std::string image = FlashDisplayName(result.image);
        // After a failed image the job writes nothing more: say what the unit holds.
        const bool first = result.image == fileXILINX;
        const std::string other = first ? std::string("The microcontroller image was left as it was.\n")
                                        : std::string("The FPGA image was written.\n");
        if (IsAccessStatus(result.status)) {
            verdict.code = kExitNoAccess;
            verdict.message = "Update failed: the Ke could not be opened to write the " + image +
                              " image: " + StatusText(result.status) +
                              (first ? "; nothing was written.\n" : ".\n" + other + kRunAgain);
            return verdict;
        }
        verdict.code = kExitUpdateFailed;
        verdict.message = "Update failed: the " + image + " image was not written: " + StatusText(result.status) +
                          ".\n" + other + kRunAgain;
        return verdict;
    }
    case UpdateOutcome::kUnitNotFound:
        verdict.code = kExitNoUnit;
        verdict.message = "Ke Not Found: the unit was gone when the update started; nothing was written.\n";
        return verdict;
    case UpdateOutcome::kUnitChanged:
        verdict.code = kExitNoUnit;
        verdict.message = "The update did not start: " + result.reason + "; nothing was written.\n";
        return verdict;
    case UpdateOutcome::kUnitUnreadable:
        verdict.code = kExitUnitUnreadable;
        verdict.message = "The update did not start: " + result.reason + "; nothing was written.\n";
        return verdict;
    case UpdateOutcome::kThreadNotStarted:
        verdict.code = kExitUpdateFailed;
        verdict.message = "Update failed: the update could not be started (status " + StatusText(result.status) +
                          "); nothing was written.\n";
        return verdict;
    case UpdateOutcome::kNone:
        break;
    }
    verdict.code = kExitUpdateFailed;
    verdict.message = "Update failed: the update ended without a result.\n";
    return verdict;
}

}  // namespace kecli
