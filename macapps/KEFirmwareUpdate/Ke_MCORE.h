// SPDX-License-Identifier: MIT
// The M·CORE program that this utility installs: Motorola S-record text, kept
// byte for byte in file order (CR LF line ends included), as it is sent to the
// unit. The array holds exactly KeMCORE06dataSize bytes; no terminator.
#pragma once

#include "platform/common/MacTypes.h"

extern const UInt8 KeMCORE06data[];
extern const UInt32 KeMCORE06dataSize;
