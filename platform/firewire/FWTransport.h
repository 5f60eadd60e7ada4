// SPDX-License-Identifier: MIT
// The buses units are found on. Each transport lists the unit directories it
// can reach and connects to one of them; FWLib::Device sits on top of the
// connection.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/common/MacTypes.h"
#include "platform/firewire/IOReturn.h"

namespace fwplat {

// How long a link waits for the answer to one request. Any node may set the
// bus's split timeout up to 3 s (the kernel clamps it there), after which the
// kernel ends the request with RCODE_CANCELLED itself; waiting longer lets that
// answer come first, so no transaction is still outstanding when we give up.
constexpr int kResponseTimeoutMs = 4000;

// A connection to one unit. Open state, byte order and the choice of target
// node are handled above it; a link sees only raw requests to its unit.
class UnitLink {
public:
    virtual ~UnitLink() = default;

    // Takes the unit for this client alone (kIOReturnExclusiveAccess when
    // another client has it, kIOReturnNotPermitted when access is denied).
    virtual IOReturn Open() = 0;
    // Gives the unit back. Harmless when not open.
    virtual void Close() = 0;
    // The current bus generation; works whether or not the link is open.
    virtual IOReturn GetBusGeneration(UInt32& generation) = 0;

    // One request to the unit, only while open. tcode is one of
    // TCODE_{READ,WRITE}_{QUADLET,BLOCK}_REQUEST of <linux/firewire-constants.h>.
    // For writes `data` holds `length` bytes in bus order; for reads it
    // receives them and `length` comes back as the count the unit returned.
    // With failOnReset false the link sends in its current generation and,
    // when a bus reset overtakes the request, sends it again once the new
    // generation is known, within the request's time.
    virtual IOReturn Transact(int tcode, UInt64 offset, void* data, UInt32& length, bool failOnReset,
                              UInt32 generation) = 0;
};

// A unit directory as discovery sees it.
struct UnitInfo {
    std::string name;                                    // where it is, for messages ("fw1.0", a socket path...)
    std::optional<UInt32> specifierId;                   // unit specifier ID, if the directory has one
    std::optional<UInt32> version;                       // unit software version, if the directory has one
    std::optional<UInt64> guid;                          // the node's GUID, when the bus tells it
    std::function<std::unique_ptr<UnitLink>()> connect;  // null result: the unit is gone
};

class Transport {
public:
    virtual ~Transport() = default;
    // The units reachable now, in discovery order.
    virtual std::vector<UnitInfo> Scan() = 0;
};

// The transports discovery asks, in order. Whoever finds units holds its own.
using Transports = std::vector<std::shared_ptr<Transport>>;

// The units whose directory carries both IDs, over `transports` in order.
std::vector<UnitInfo> FindUnits(const Transports& transports, UInt32 specifierId, UInt32 version);

// Whether discovery also looks for simulated units. Only a program asked to
// may: an installed program left alone must never mistake a stray socket for
// hardware.
enum class SimulatedUnits { kLeftAlone, kLookedFor };
// What the value of KE_SIMULATED_UNITS (null: unset) asks for: "1" looks for
// them, anything else leaves them alone. The program's main reads it.
SimulatedUnits SimulatedUnitsFrom(const char* value);

// The real transports: the kernel's FireWire character devices (under /sys
// and /dev); with kLookedFor also the simulated units serving sockets in this
// user's runtime directory, after the real ones.
Transports DefaultTransports(SimulatedUnits simulated);

// Maps an IEEE 1394 response code to a status; RCODE_COMPLETE gives 0.
IOReturn IOReturnFromRcode(int rcode);

}  // namespace fwplat
