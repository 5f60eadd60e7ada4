// SPDX-License-Identifier: MIT
// The window's rule for an application that may be using the unit: one whose
// creator signature is 'KeyG' holds the update back while it runs.
#pragma once

#include "platform/common/MacTypes.h"

namespace kecli {

constexpr OSType kUnitApplicationSignature = FourCC("KeyG");

// Asks the process list afresh, as each tick of the window does.
bool UnitApplicationRunning();

}  // namespace kecli
