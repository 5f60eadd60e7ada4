// SPDX-License-Identifier: MIT
// What the end of an update job means for the user: the exit code, the
// message, and the image that failed.
#pragma once

#include <optional>
#include <string>

#include "cli/ExitCodes.h"
#include "macapps/KEFirmwareUpdate/kefirmwareupdate.h"

namespace kecli {

struct JobVerdict {
    ExitCode code = kExitUpdateFailed;
    const char* result = nullptr;  // the JSON "result" when not the code's own name
    std::string message;           // one or more lines, each ending in "\n"
    bool imageFailed = false;
    DOWNLOADTYPE image = fileXILINX;
    IOReturn status = 0;
    FlashStep step = FlashStep::kNone;

    static JobVerdict From(const APW::PTA::UpdateResult& result);
};

}  // namespace kecli
