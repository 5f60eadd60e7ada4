// SPDX-License-Identifier: MIT
// What the end of an update job means for the user: the exit code, the
// message, and the image that failed.
#pragma once

#include <optional>
#include <string>

#include "macapps/KEFirmwareUpdate/cli/ExitCodes.h"
#include "macapps/KEFirmwareUpdate/kefirmwareupdate.h"

namespace kecli {

struct JobVerdict {
    ExitCode code = kExitUpdateFailed;
    std::string message;  // one or more lines, each ending in "\n"
    bool imageFailed = false;
    DOWNLOADTYPE image = fileXILINX;
    IOReturn status = 0;

    static JobVerdict From(const APW::PTA::UpdateResult& result);
};

}  // namespace kecli
