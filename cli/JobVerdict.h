// SPDX-License-Identifier: MIT
// What the end of an update job means for the user: the exit code, the
// message, and the image that failed.
#pragma once

#include <optional>
#include <string>

#include "cli/ExitCodes.h"
#include "macapps/KEFirmwareUpdate/KeResults.h"

namespace kecli {

struct JobVerdict {
    ExitCode code = kExitUpdateFailed;
    const char* result = nullptr;  // the JSON "result"
    std::string message;           // one or more lines, each ending in "\n", in English for the JSON
    std::string text;              // the message in the user's language, for the terminal
    bool imageFailed = false;
    DOWNLOADTYPE image = fileXILINX;
    IOReturn status = 0;
    FlashStep step = FlashStep::kNone;

    // From the outcome's row (see kOutcomeRows).
    static JobVerdict From(const APW::PTA::UpdateResult& result);
};

}  // namespace kecli
