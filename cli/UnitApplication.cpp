// SPDX-License-Identifier: MIT
#include "cli/UnitApplication.h"

#include "macclasses/Process.h"

namespace kecli {

bool UnitApplicationRunning()
{
    // Asked once or twice a run: nothing to keep between the scans.
    ProcDirectorySource processes;
    TProcess process(kMyProcess, processes);
    return process.FindProcess(kUnitApplicationSignature);
}

}  // namespace kecli
