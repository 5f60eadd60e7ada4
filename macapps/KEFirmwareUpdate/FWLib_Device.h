// A handle on one FireWire unit: open and close it, read the bus generation,
// and move quadlets and blocks at 48-bit addresses in its node.
#pragma once

#include "platform/firewire/IOFireWireLib.h"
#include "platform/firewire/IOKitLib.h"

namespace FWLib {

class Device {
public:
    // Throws std::exception when the unit's device interface cannot be had.
    explicit Device(io_service_t service);
    virtual ~Device();

    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    IOReturn Open();
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
    IOCFPlugInInterface* mIOCFPlugInInterface = nullptr;
    IOFireWireLibDeviceRef mDevice = nullptr;

private:
    // The unit's own node, or 0 for absolute addressing by addr.nodeID.
    io_object_t Target(bool abs) const;
};

}  // namespace FWLib
