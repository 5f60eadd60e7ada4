// SPDX-License-Identifier: MIT
#include "platform/firewire/FWTransport.h"

#include <linux/firewire-constants.h>

#include <cstring>

#include "platform/firewire/LinuxCdevTransport.h"
#include "platform/firewire/SocketUnitTransport.h"

namespace fwplat {

SimulatedUnits SimulatedUnitsFrom(const char* value)
{
    return value != nullptr && std::strcmp(value, "1") == 0 ? SimulatedUnits::kLookedFor : SimulatedUnits::kLeftAlone;
}

Transports DefaultTransports(SimulatedUnits simulated)
{
    Transports transports{std::make_shared<LinuxCdevTransport>()};
    if (simulated == SimulatedUnits::kLookedFor) transports.push_back(std::make_shared<SocketUnitTransport>());
    return transports;
}

std::vector<UnitInfo> FindUnits(const Transports& transports, UInt32 specifierId, UInt32 version)
{
    std::vector<UnitInfo> found;
    for (const auto& transport : transports) {
        for (auto& unit : transport->Scan()) {
            if (unit.specifierId == specifierId && unit.version == version) found.push_back(std::move(unit));
        }
    }
    return found;
}

IOReturn IOReturnFromRcode(int rcode)
{
    switch (rcode) {
    case RCODE_COMPLETE:
        return kIOReturnSuccess;
    case RCODE_CONFLICT_ERROR:
        return kIOFireWireConflictError;
    case RCODE_DATA_ERROR:
        return kIOFireWireDataError;
    case RCODE_TYPE_ERROR:
        return kIOFireWireTypeError;
    case RCODE_ADDRESS_ERROR:
        return kIOFireWireAddressError;
    case RCODE_BUSY:
        return kIOReturnBusy;
    case RCODE_GENERATION:
        return kIOFireWireBusReset;
    case RCODE_CANCELLED:
    case RCODE_NO_ACK:
        return kIOReturnTimeout;
    case RCODE_SEND_ERROR:
        return kIOReturnIOError;
    default:
        return kIOReturnError;
    }
}

}  // namespace fwplat
