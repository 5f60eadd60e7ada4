// SPDX-License-Identifier: MIT
#include "cli/UnitApplication.h"

#include "macclasses/Process.h"

namespace kecli {

bool UnitApplicationRunning()
{
    TProcess process(kMyProcess);
    return process.FindProcess(kUnitApplicationSignature);
}

}  // namespace kecli
