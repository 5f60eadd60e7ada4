// SPDX-License-Identifier: MIT
// Creator signatures of running programs. Linux programs carry none, so a
// small table gives one to the programs the utility needs to recognise.
#pragma once

#include <string_view>

#include "platform/common/MacTypes.h"

// The video capture and editing programs that may be driving the unit.
constexpr OSType kVideoEditorSignature = FourCC("KeyG");
// Any program that the table does not name.
constexpr OSType kUnknownSignature = FourCC("????");

// The signature of a program by its executable name, as /proc reports it.
OSType CreatorSignatureForName(std::string_view executableName);
