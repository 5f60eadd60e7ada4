// SPDX-License-Identifier: MIT
// The FPGA configuration that this utility installs: the complete .bit file
// (tagged header, then the bitstream), byte for byte in file order. The array
// is stored in whole 32-bit words, so it is longer than the file by up to three
// zero bytes; KeXilinxDataSizeBytes is the length of the file itself.
#pragma once

#include "platform/common/MacTypes.h"

extern const UInt8 KeXilinxData[];
extern const UInt32 KeXilinxDataSizeBytes;
// Where the bitstream (from its dummy and sync words to the end of the file)
// lies in the file, as the build's check of the file found it.
extern const UInt32 KeXilinxBitstreamOffset;
extern const UInt32 KeXilinxBitstreamLength;
