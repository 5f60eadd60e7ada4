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

bool IsAccessStatus(IOReturn status)
{
    return status == kIOReturnNotPermitted || status == kIOReturnExclusiveAccess;
}

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
        if (IsAccessStatus(result.status)) {
            verdict.code = kExitNoAccess;
            verdict.message = "Update failed: the Ke could not be opened to write the " + image + " image (status " +
                              StatusText(result.status) + "): " +
                              (result.status == kIOReturnNotPermitted ? "permission denied.\n"
                                                                      : "another program holds it.\n") +
                              kRunAgain;
            return verdict;
        }
        verdict.code = kExitUpdateFailed;
        verdict.message = "Update failed: the " + image + " image was not written (status " +
                          StatusText(result.status) + ").\n" + kRunAgain;
        return verdict;
    }
    case UpdateOutcome::kUnitNotFound:
        verdict.code = kExitNoUnit;
        verdict.message = "Ke Not Found: the unit was gone when the update started; nothing was written.\n";
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
