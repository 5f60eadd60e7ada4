// The few reference-counted objects that service matching needs: strings,
// numbers, dictionaries and UUIDs. A new object holds one reference, which
// its creator gives up with CFRelease (or hands over, as the service lookup
// takes over the matching dictionary).
#pragma once

#include "platform/common/MacTypes.h"

struct __CFObject;
struct __CFString;
struct __CFNumber;
struct __CFDictionary;
struct __CFUUID;
struct __CFAllocator;

typedef const void* CFTypeRef;
typedef const __CFString* CFStringRef;
typedef const __CFNumber* CFNumberRef;
typedef const __CFDictionary* CFDictionaryRef;
typedef __CFDictionary* CFMutableDictionaryRef;
typedef const __CFUUID* CFUUIDRef;
typedef const __CFAllocator* CFAllocatorRef;
typedef long CFIndex;

extern const CFAllocatorRef kCFAllocatorDefault;

enum CFNumberType : CFIndex {
    kCFNumberSInt32Type = 3,
};

// A string that lives as long as the process; releasing it does nothing.
CFStringRef __CFStringMakeConstantString(const char* cStr);
#define CFSTR(cStr) __CFStringMakeConstantString(cStr)

CFTypeRef CFRetain(CFTypeRef cf);
void CFRelease(CFTypeRef cf);
CFIndex CFGetRetainCount(CFTypeRef cf);

// Only kCFNumberSInt32Type is supported; any other type gives null.
CFNumberRef CFNumberCreate(CFAllocatorRef allocator, CFNumberType theType, const void* valuePtr);
Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr);

// Keys are strings, compared by content; the dictionary retains both key and value.
CFMutableDictionaryRef CFDictionaryCreateMutable(CFAllocatorRef allocator);
void CFDictionaryAddValue(CFMutableDictionaryRef theDict, CFStringRef key, CFTypeRef value);
CFTypeRef CFDictionaryGetValue(CFDictionaryRef theDict, CFStringRef key);
CFIndex CFDictionaryGetCount(CFDictionaryRef theDict);

struct CFUUIDBytes {
    UInt8 byte[16];
};

// Constant UUIDs are interned: the same bytes give the same object.
CFUUIDRef CFUUIDGetConstantUUIDWithBytes(CFAllocatorRef alloc, UInt8 byte0, UInt8 byte1, UInt8 byte2,
                                         UInt8 byte3, UInt8 byte4, UInt8 byte5, UInt8 byte6, UInt8 byte7,
                                         UInt8 byte8, UInt8 byte9, UInt8 byte10, UInt8 byte11,
                                         UInt8 byte12, UInt8 byte13, UInt8 byte14, UInt8 byte15);
CFUUIDBytes CFUUIDGetUUIDBytes(CFUUIDRef uuid);
bool CFUUIDBytesEqual(const CFUUIDBytes& a, const CFUUIDBytes& b);
