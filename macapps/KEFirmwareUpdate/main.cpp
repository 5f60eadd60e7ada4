// SPDX-License-Identifier: MIT
// The program's entry point; the program itself is RunKEFirmwareUpdate.
//
//     KEFirmwareUpdate [--verbose]
//
// Trace and failure lines go to the log file alone; `--verbose`, or
// KEFIRMWAREUPDATE_VERBOSE=1 in the environment, shows them on the terminal
// as well.
#include <cstdlib>
#include <cstring>

#include "macapps/KEFirmwareUpdate/KeAlerts.h"
#include "macapps/KEFirmwareUpdate/RunKEFirmwareUpdate.h"
#include "platform/common/StandardDescriptors.h"
#include "platform/log/RotatingLog.h"
#include "platform/process/ProcessSource.h"

namespace {

bool Verbose(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--verbose") == 0) return true;
    }
    const char* value = std::getenv("KEFIRMWAREUPDATE_VERBOSE");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    KeOpenClosedStandardDescriptors();
    // Started from the desktop, the program's output goes nowhere a user can
    // find: its trace and failure lines are kept in a file, which the failure
    // alerts name. It outlives the window and its worker.
    kelog::RotatingLog::Options logOptions{"KEFirmwareUpdate", std::nullopt};
    logOptions.echo = Verbose(argc, argv) ? kelog::RotatingLog::Echo::kStreams : kelog::RotatingLog::Echo::kNone;
    kelog::RotatingLog log(logOptions);
    SetFailureLogPath(log.Path());
    // The first tick looks for video editors; read the process list meanwhile.
    StartProcessListPrefetch();
    return RunKEFirmwareUpdate();
}
