// SPDX-License-Identifier: MIT
// The unit's two flashes, named in one place: the image each one takes, the
// value that selects it in the unit's update command, the embedded file and
// where its bytes for the unit start, what users, logs and the history call
// it, its share of the progress bar and its half of the unit's version.
#pragma once

#include <span>
#include <string>

#include "platform/common/MacTypes.h"

// The image of one download.
enum DOWNLOADTYPE : UInt32 {
    fileMCORE = 0,
    fileXILINX = 1,
};

// The flash being written; its value also selects the flash in the unit's
// update (erase) command.
enum DL_DEVICE_TYPE : UInt32 {
    Xilinx = 0,
    MCORE = 1,
};

struct FlashImage {
    DOWNLOADTYPE type;
    DL_DEVICE_TYPE device;
    const char* displayName;  // "FPGA", "microcontroller"
    const char* jsonName;     // "fpga", "microcontroller"
    const char* openingTrace;
    const char* erasingTrace;
    const UInt8* file;  // the embedded file, in file order
    UInt32 fileSize;
    UInt32 streamOffset;  // the first byte sent: the .bit file's bitstream, the whole S-record text
    // The progress value (of 100) when its erase begins, and what its
    // writing adds to it.
    UInt32 eraseProgress;
    UInt32 writeProgress;
    // Its half of the unit's software version word: 0 the high half, the
    // first number of "21-26"; 1 the low half, the second.
    unsigned versionSlot;
    UInt32 carriedVersion;  // the version of the embedded image

    UInt32 EraseCommand() const { return device; }
    // This flash's version within the unit's software version word.
    UInt32 VersionIn(UInt32 softwareVersion) const { return (softwareVersion >> (16 * (1 - versionSlot))) & 0xFFFF; }
};

// The steps of writing one image, in order. Nothing of a flash changes
// before its erase command is sent.
enum class FlashStep {
    kNone,  // no step known to have failed
    kOpen,
    kUpdateMode,
    kErase,
    kHeader,
    kBlocks,
    kCrc,
    kRestore,
};

// The translation context of the texts below that people read.
inline constexpr char kFlashImageContext[] = "FlashImage";

// "erase", "update-mode"... for JSON; null for kNone.
const char* FlashStepJsonName(FlashStep step);
// "at the erase", "entering update mode"... for users.
const char* FlashStepWords(FlashStep step);

// Both flashes, in update order: the FPGA first.
std::span<const FlashImage, 2> FlashImagesInOrder();
// Null for a value that names no flash.
const FlashImage* FlashImageFor(DOWNLOADTYPE type);
const FlashImage* FlashImageFor(DL_DEVICE_TYPE device);

// "FPGA" or "microcontroller" ("unknown" for any other value).
const char* FlashDisplayName(DOWNLOADTYPE type);

// The unit's software version word as users read it: "21-26".
std::string FlashVersionText(UInt32 softwareVersion);
// The embedded images' versions, read the same way.
std::string CarriedVersionText();
