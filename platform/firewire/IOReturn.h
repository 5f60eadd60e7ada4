// SPDX-License-Identifier: MIT
// Status codes of the device-access services. 0 is success.
#pragma once

#include "platform/common/MacTypes.h"

typedef int kern_return_t;
typedef kern_return_t IOReturn;

constexpr IOReturn MakeIOReturn(UInt32 bits) { return static_cast<IOReturn>(bits); }

constexpr IOReturn kIOReturnSuccess = 0;
constexpr IOReturn kIOReturnError = MakeIOReturn(0xE00002BC);
constexpr IOReturn kIOReturnNoMemory = MakeIOReturn(0xE00002BD);
constexpr IOReturn kIOReturnNoResources = MakeIOReturn(0xE00002BE);
constexpr IOReturn kIOReturnBadArgument = MakeIOReturn(0xE00002C2);
constexpr IOReturn kIOReturnNoDevice = MakeIOReturn(0xE00002C0);
constexpr IOReturn kIOReturnExclusiveAccess = MakeIOReturn(0xE00002C5);
constexpr IOReturn kIOReturnUnsupported = MakeIOReturn(0xE00002C7);
constexpr IOReturn kIOReturnIOError = MakeIOReturn(0xE00002CA);
constexpr IOReturn kIOReturnNotOpen = MakeIOReturn(0xE00002CD);
constexpr IOReturn kIOReturnBusy = MakeIOReturn(0xE00002D5);
constexpr IOReturn kIOReturnTimeout = MakeIOReturn(0xE00002D6);
constexpr IOReturn kIOReturnOffline = MakeIOReturn(0xE00002D7);
constexpr IOReturn kIOReturnNotPermitted = MakeIOReturn(0xE00002E2);
constexpr IOReturn kIOReturnAborted = MakeIOReturn(0xE00002EB);
constexpr IOReturn kIOReturnNotFound = MakeIOReturn(0xE00002F0);

// Results of a bus transaction that the unit answered with an error rcode,
// or that was overtaken by a bus reset.
constexpr IOReturn kIOFireWireResponseBase = MakeIOReturn(0xE0008010);
constexpr IOReturn kIOFireWireConflictError = MakeIOReturn(0xE0008014);  // rcode 4
constexpr IOReturn kIOFireWireDataError = MakeIOReturn(0xE0008015);      // rcode 5
constexpr IOReturn kIOFireWireTypeError = MakeIOReturn(0xE0008016);      // rcode 6
constexpr IOReturn kIOFireWireAddressError = MakeIOReturn(0xE0008017);   // rcode 7
constexpr IOReturn kIOFireWireBusReset = MakeIOReturn(0xE0008020);       // stale generation
constexpr IOReturn kIOReturnUnderrun = MakeIOReturn(0xE00002E7);         // fewer bytes than asked for
constexpr IOReturn kIOReturnOverrun = MakeIOReturn(0xE00002E8);          // more bytes than asked for

// A status in words for messages ("timed out"); null for one without words.
constexpr const char* IOReturnWords(IOReturn status)
{
    switch (status) {
    case kIOReturnSuccess:
        return "success";
    case kIOReturnError:
        return "general error";
    case kIOReturnNoMemory:
        return "out of memory";
    case kIOReturnNoResources:
        return "no resources";
    case kIOReturnBadArgument:
        return "bad argument";
    case kIOReturnNoDevice:
        return "device gone";
    case kIOReturnExclusiveAccess:
        return "held by another program";
    case kIOReturnUnsupported:
        return "not supported";
    case kIOReturnIOError:
        return "I/O error";
    case kIOReturnNotOpen:
        return "not open";
    case kIOReturnBusy:
        return "busy";
    case kIOReturnTimeout:
        return "timed out";
    case kIOReturnOffline:
        return "offline";
    case kIOReturnNotPermitted:
        return "not permitted";
    case kIOReturnUnderrun:
        return "short reply";
    case kIOReturnOverrun:
        return "reply too long";
    case kIOReturnAborted:
        return "aborted";
    case kIOReturnNotFound:
        return "not found";
    case kIOFireWireConflictError:
    case kIOFireWireDataError:
    case kIOFireWireTypeError:
    case kIOFireWireAddressError:
        return "refused by the unit";
    case kIOFireWireBusReset:
        return "bus reset";
    default:
        return nullptr;
    }
}
