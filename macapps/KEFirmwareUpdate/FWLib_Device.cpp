#include "macapps/KEFirmwareUpdate/FWLib_Device.h"

#include <exception>
#include <iostream>

namespace FWLib {

Device::Device(io_service_t service)
{
    CFUUIDRef libType = CFUUIDGetConstantUUIDWithBytes(kCFAllocatorDefault, KE_FIREWIRE_LIB_TYPE_ID_BYTES);
    CFUUIDRef plugInType = CFUUIDGetConstantUUIDWithBytes(nullptr, KE_CFPLUGIN_INTERFACE_ID_BYTES);
    SInt32 score = 0;
    if (IOCreatePlugInInterfaceForService(service, libType, plugInType, &mIOCFPlugInInterface, &score) != 0) {
        std::cerr << "Couldn't create plug in interface\n";
        throw std::exception();
    }

    CFUUIDRef deviceType = CFUUIDGetConstantUUIDWithBytes(kCFAllocatorDefault, KE_FIREWIRE_DEVICE_INTERFACE_ID_BYTES);
    LPVOID device = nullptr;
    if (mIOCFPlugInInterface->QueryInterface(CFUUIDGetUUIDBytes(deviceType), &device) != S_OK) {
        std::cerr << "FWLib_Device:" << __LINE__ << " CFPlugInInterface->QueryInterface returned error\n";
        // No destructor runs for a failed construction: give the plug-in back here.
        IODestroyPlugInInterface(mIOCFPlugInInterface);
        mIOCFPlugInInterface = nullptr;
        throw std::exception();
    }
    mDevice = static_cast<IOFireWireLibDeviceRef>(device);
}

Device::~Device()
{
    if (mDevice) mDevice->Release();
    if (mIOCFPlugInInterface) IODestroyPlugInInterface(mIOCFPlugInInterface);
}

IOReturn Device::Open()
{
    std::cout << "FWDL::Open\n";
    return mDevice->Open();
}

void Device::Close()
{
    std::cout << "FWDL::Close\n";
    mDevice->Close();
}

IOReturn Device::GetBusGeneration(UInt32& generation) const { return mDevice->GetBusGeneration(&generation); }

io_object_t Device::Target(bool abs) const { return abs ? 0 : mDevice->GetDevice(); }

IOReturn Device::Write(const FWAddressStruct& addr, const void* buf, UInt32& size, bool abs, bool failOnReset,
                       UInt32 generation) const
{
    return mDevice->Write(Target(abs), &addr, buf, &size, failOnReset, generation);
}

IOReturn Device::Read(const FWAddressStruct& addr, void* buf, UInt32& size, bool abs, bool failOnReset,
                      UInt32 generation) const
{
    return mDevice->Read(Target(abs), &addr, buf, &size, failOnReset, generation);
}

IOReturn Device::ReadQuadlet(const FWAddressStruct& addr, UInt32& value, bool abs, bool failOnReset,
                             UInt32 generation) const
{
    return mDevice->ReadQuadlet(Target(abs), &addr, &value, failOnReset, generation);
}

IOReturn Device::WriteQuadlet(const FWAddressStruct& addr, UInt32 val, bool abs, bool failOnReset, UInt32 generation)
{
    return mDevice->WriteQuadlet(Target(abs), &addr, val, failOnReset, generation);
}

}  // namespace FWLib
