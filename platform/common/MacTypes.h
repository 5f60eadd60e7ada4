// Integer and status type names that the platform interfaces use.
#pragma once

#include <cstdint>

typedef std::uint8_t UInt8;
typedef std::uint16_t UInt16;
typedef std::uint32_t UInt32;
typedef std::uint64_t UInt64;
typedef std::int8_t SInt8;
typedef std::int16_t SInt16;
typedef std::int32_t SInt32;
typedef std::int64_t SInt64;
typedef unsigned char Boolean;
typedef SInt32 OSStatus;
typedef SInt16 OSErr;

enum { noErr = 0 };
