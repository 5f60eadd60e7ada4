// SPDX-License-Identifier: MIT
// A handle on one FireWire unit: open and close it, read the bus generation,
// and move quadlets and blocks at 48-bit addresses in its node.
#pragma once

#include <memory>

#include "platform/common/MacTypes.h"
#include "platform/firewire/FWTransport.h"
#include "platform/firewire/IOReturn.h"
#include "platform/threads/Sleep.h"

// A FireWire address: node ID, and the upper 16 and lower 32 bits of the
// 48-bit offset within the node. Built with a node ID of 0.
struct FWAddressStruct {
    UInt16 nodeID;
    UInt16 addressHi;
    UInt32 addressLo;

    FWAddressStruct(UInt16 h = 0xDEAD, UInt32 l = 0xCAFEBABE) : nodeID(0), addressHi(h), addressLo(l) {}
};

namespace FWLib {

// Whether a handle writes its trace lines (open, close, construction): the
// update job's do; a look at the bus that runs twice a second does not.
enum class DeviceTrace { kTraced, kQuiet };

// Quadlet values are in host order here and big-endian on the bus; block
// payloads move in address order, unchanged.
//
// Bus transactions need Open first (kIOReturnNotOpen otherwise); reading the
// bus generation does not. `abs` asks for absolute addressing by
// addr.nodeID, which no transport offers (kIOReturnUnsupported): a request
// reaches only the unit's own node. `failOnReset` and `generation` pass
// through to the link, which alone acts on them; the kernel's does so in
// CdevUnitLink::Transact (a stale generation fails only with failOnReset,
// otherwise the request goes out in the current generation).
class Device {
public:
    // Connects to the unit; throws std::exception when that cannot be done.
    explicit Device(const fwplat::UnitInfo& unit, DeviceTrace trace = DeviceTrace::kTraced);
    virtual ~Device();

    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    // Exclusive: kIOReturnExclusiveAccess while another client has the unit,
    // or while this handle already has it open.
    IOReturn Open();
    // Open, asked again while another program holds the unit (its discovery
    // holds it for a few milliseconds): at most `retries` more times,
    // kHoldRetryMicroseconds apart, through `sleep`.
    IOReturn OpenWaitingOutAHold(const KeSleepFunction& sleep, int retries);
    static constexpr UInt32 kHoldRetryMicroseconds = 10000;
    void Close();
    IOReturn GetBusGeneration(UInt32& generation) const;

    IOReturn Write(const FWAddressStruct& addr, const void* buf, UInt32& size, bool abs, bool failOnReset,
                   UInt32 generation) const;
    IOReturn Read(const FWAddressStruct& addr, void* buf, UInt32& size, bool abs, bool failOnReset,
                  UInt32 generation) const;
    IOReturn ReadQuadlet(const FWAddressStruct& addr, UInt32& value, bool abs, bool failOnReset,
                         UInt32 generation) const;
    IOReturn WriteQuadlet(const FWAddressStruct& addr, UInt32 val, bool abs, bool failOnReset, UInt32 generation);

protected:
    std::unique_ptr<fwplat::UnitLink> mLink;
    const DeviceTrace mTrace;

private:
    IOReturn Transact(int tcode, const FWAddressStruct& addr, void* data, UInt32& size, bool abs, bool failOnReset,
                      UInt32 generation) const;

    bool mOpen = false;
};

}  // namespace FWLib
