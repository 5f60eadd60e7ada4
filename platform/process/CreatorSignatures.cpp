// SPDX-License-Identifier: MIT
#include "platform/process/CreatorSignatures.h"

#include <array>

namespace {

struct SignatureEntry {
    std::string_view name;
    OSType signature;
};

// Programs that capture from or play out to a FireWire video unit, or edit
// video live from one. Kept narrow on purpose: general tools such as ffmpeg
// would hold the update back for work that has nothing to do with the unit.
constexpr std::array<SignatureEntry, 7> kSignatures = {{
    {"dvgrab", kVideoEditorSignature},     // DV and HDV capture
    {"kino", kVideoEditorSignature},       // DV capture and editing
    {"kdenlive", kVideoEditorSignature},   // editor with FireWire capture
    {"shotcut", kVideoEditorSignature},    // editor with capture
    {"cinelerra", kVideoEditorSignature},  // editor (older builds)
    {"cin", kVideoEditorSignature},        // editor (current builds' executable)
    {"obs", kVideoEditorSignature},        // live capture and streaming
}};

}  // namespace

OSType CreatorSignatureForName(std::string_view executableName)
{
    for (const SignatureEntry& entry : kSignatures) {
        if (entry.name == executableName) return entry.signature;
    }
    return kUnknownSignature;
}
