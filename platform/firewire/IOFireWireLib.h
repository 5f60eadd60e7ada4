// The FireWire device interface of a unit: open and close it, read the bus
// generation, and move quadlets and blocks at 48-bit addresses in its node.
#pragma once

#include "platform/common/MacTypes.h"
#include "platform/firewire/IOKitLib.h"

// A FireWire address: node ID, and the upper 16 and lower 32 bits of the
// 48-bit offset within the node. Built with a node ID of 0.
struct FWAddressStruct {
    UInt16 nodeID;
    UInt16 addressHi;
    UInt32 addressLo;

    FWAddressStruct(UInt16 h = 0xDEAD, UInt32 l = 0xCAFEBABE) : nodeID(0), addressHi(h), addressLo(l) {}
};
typedef FWAddressStruct FWAddress;

// Bytes of the three UUIDs, in order (8-4-4-4-12 grouping).
// The FireWire library plug-in type.
#define KE_FIREWIRE_LIB_TYPE_ID_BYTES \
    0xCD, 0xCF, 0xCA, 0x94, 0xF1, 0x97, 0x11, 0xD4, 0x87, 0xE6, 0x00, 0x05, 0x02, 0x07, 0x2F, 0x80
// The generic plug-in interface.
#define KE_CFPLUGIN_INTERFACE_ID_BYTES \
    0xC2, 0x44, 0xE8, 0x58, 0x10, 0x9C, 0x11, 0xD4, 0x91, 0xD4, 0x00, 0x50, 0xE4, 0xC6, 0x42, 0x6F
// The FireWire device interface, in the version that has GetBusGeneration.
#define KE_FIREWIRE_DEVICE_INTERFACE_ID_BYTES \
    0xF4, 0xB3, 0x74, 0x8B, 0x69, 0x45, 0x11, 0xD6, 0x82, 0x99, 0x00, 0x03, 0x93, 0x3F, 0x84, 0xF0

// Quadlet values are in host order; the interface converts them to and from
// the big-endian bus order. Block payloads move in address order, unchanged.
//
// `device` selects the target node: the unit's own device object from
// GetDevice, or 0 for absolute addressing by addr->nodeID, which this
// platform does not offer (kIOReturnUnsupported).
//
// Bus transactions need Open first (kIOReturnNotOpen otherwise); reading the
// bus generation does not. With failOnReset false the request goes out in
// the current bus generation, whatever `generation` says; with it true, a
// stale generation fails with kIOFireWireBusReset.
class IOFireWireDeviceInterface {
public:
    virtual UInt32 AddRef() = 0;
    virtual UInt32 Release() = 0;

    // Exclusive: a unit opened by another client gives kIOReturnExclusiveAccess.
    virtual IOReturn Open() = 0;
    virtual void Close() = 0;
    virtual io_object_t GetDevice() = 0;
    virtual IOReturn GetBusGeneration(UInt32* generation) = 0;

    virtual IOReturn Read(io_object_t device, const FWAddress* addr, void* buf, UInt32* size,
                          Boolean failOnReset, UInt32 generation) = 0;
    virtual IOReturn Write(io_object_t device, const FWAddress* addr, const void* buf, UInt32* size,
                           Boolean failOnReset, UInt32 generation) = 0;
    virtual IOReturn ReadQuadlet(io_object_t device, const FWAddress* addr, UInt32* val,
                                 Boolean failOnReset, UInt32 generation) = 0;
    virtual IOReturn WriteQuadlet(io_object_t device, const FWAddress* addr, UInt32 val,
                                  Boolean failOnReset, UInt32 generation) = 0;

protected:
    virtual ~IOFireWireDeviceInterface() = default;
};

typedef IOFireWireDeviceInterface* IOFireWireLibDeviceRef;
