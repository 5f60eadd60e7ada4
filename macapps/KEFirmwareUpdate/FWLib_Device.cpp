// SPDX-License-Identifier: MIT
#include "macapps/KEFirmwareUpdate/FWLib_Device.h"

#include <endian.h>
#include <linux/firewire-constants.h>

#include <exception>
#include <iostream>

namespace FWLib {

Device::Device(const fwplat::UnitInfo& unit, DeviceTrace trace) : mTrace(trace)
{
    const bool traced = mTrace == DeviceTrace::kTraced;
    if (!unit.connect) {
        if (traced) std::cerr << "Couldn't create plug in interface\n";
        throw std::exception();
    }
    mLink = unit.connect();
    if (!mLink) {
        // The unit left between discovery and here.
        if (traced) std::cerr << "FWLib_Device:" << __LINE__ << " the unit could not be connected to\n";
        throw std::exception();
    }
}

Device::~Device()
{
    // Callers close the unit themselves; this only lets go of a link left open.
    if (mOpen) mLink->Close();
}

IOReturn Device::Open()
{
    if (mTrace == DeviceTrace::kTraced) std::cout << "FWDL::Open\n";
    if (mOpen) return kIOReturnExclusiveAccess;
    const IOReturn status = mLink->Open();
    mOpen = status == kIOReturnSuccess;
    return status;
}

IOReturn Device::OpenWaitingOutAHold(const KeSleepFunction& sleep, int retries)
{
    IOReturn status = Open();
    for (int retry = 0; status == kIOReturnExclusiveAccess && retry < retries; ++retry) {
        sleep(kHoldRetryMicroseconds);
        status = Open();
    }
    return status;
}

void Device::Close()
{
    if (mTrace == DeviceTrace::kTraced) std::cout << "FWDL::Close\n";
    if (!mOpen) return;
    mLink->Close();
    mOpen = false;
}

IOReturn Device::GetBusGeneration(UInt32& generation) const { return mLink->GetBusGeneration(generation); }

IOReturn Device::Transact(int tcode, const FWAddressStruct& addr, void* data, UInt32& size, bool abs, bool failOnReset,
                          UInt32 generation) const
{
    if (abs) return kIOReturnUnsupported;
    if (!mOpen) return kIOReturnNotOpen;
    const UInt64 offset = (static_cast<UInt64>(addr.addressHi) << 32) | addr.addressLo;
    return mLink->Transact(tcode, offset, data, size, failOnReset, generation);
}

IOReturn Device::Write(const FWAddressStruct& addr, const void* buf, UInt32& size, bool abs, bool failOnReset,
                       UInt32 generation) const
{
    if (!buf && size != 0) return kIOReturnBadArgument;
    // The link only reads the payload of a write.
    return Transact(TCODE_WRITE_BLOCK_REQUEST, addr, const_cast<void*>(buf), size, abs, failOnReset, generation);
}

IOReturn Device::Read(const FWAddressStruct& addr, void* buf, UInt32& size, bool abs, bool failOnReset,
                      UInt32 generation) const
{
    if (!buf && size != 0) return kIOReturnBadArgument;
    return Transact(TCODE_READ_BLOCK_REQUEST, addr, buf, size, abs, failOnReset, generation);
}

IOReturn Device::ReadQuadlet(const FWAddressStruct& addr, UInt32& value, bool abs, bool failOnReset,
                             UInt32 generation) const
{
    UInt32 wire = 0;
    UInt32 length = sizeof wire;
    const IOReturn status = Transact(TCODE_READ_QUADLET_REQUEST, addr, &wire, length, abs, failOnReset, generation);
    if (status != kIOReturnSuccess) return status;
    if (length != sizeof wire) return kIOReturnIOError;
    value = be32toh(wire);
    return kIOReturnSuccess;
}

IOReturn Device::WriteQuadlet(const FWAddressStruct& addr, UInt32 val, bool abs, bool failOnReset, UInt32 generation)
{
    UInt32 wire = htobe32(val);
    UInt32 length = sizeof wire;
    return Transact(TCODE_WRITE_QUADLET_REQUEST, addr, &wire, length, abs, failOnReset, generation);
}

}  // namespace FWLib
