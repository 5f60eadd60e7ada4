// SPDX-License-Identifier: MIT
// Integer and status type names that the platform interfaces use.
#pragma once

#include <cstdint>

typedef std::uint8_t UInt8;
typedef std::uint16_t UInt16;
typedef std::uint32_t UInt32;
typedef std::uint64_t UInt64;
typedef std::int16_t SInt16;
typedef std::int32_t SInt32;
typedef unsigned char Boolean;
typedef SInt16 OSErr;

enum { noErr = 0 };

enum { paramErr = -50 };

// Four-character codes (signatures, event classes, command IDs): the four
// bytes read as one big-endian 32-bit value.
typedef UInt32 FourCharCode;
typedef FourCharCode OSType;

constexpr FourCharCode FourCC(const char (&code)[5])
{
    return (static_cast<FourCharCode>(static_cast<UInt8>(code[0])) << 24) |
           (static_cast<FourCharCode>(static_cast<UInt8>(code[1])) << 16) |
           (static_cast<FourCharCode>(static_cast<UInt8>(code[2])) << 8) |
           static_cast<FourCharCode>(static_cast<UInt8>(code[3]));
}
