#include "platform/firewire/IOKitLib.h"

#include <endian.h>
#include <linux/firewire-constants.h>

#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/firewire/FWTransport.h"
#include "platform/firewire/IOFireWireLib.h"

namespace {

constexpr mach_port_t kMasterPort = 1;
constexpr const char* kProviderClassKey = "IOProviderClass";
constexpr const char* kFireWireUnitClass = "IOFireWireUnit";

std::atomic<kern_return_t> gMasterPortStatus{kIOReturnSuccess};
std::atomic<UInt32> gPlugInObjects{0};

// A matched service: one unit directory and the way to connect to it.
struct Service {
    fwplat::UnitInfo info;
    UInt32 references = 1;
};

class ServiceTable {
public:
    io_service_t Add(fwplat::UnitInfo info)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        io_service_t handle = NextHandle();
        mServices.emplace(handle, Service{std::move(info)});
        return handle;
    }

    bool Release(io_service_t handle)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        auto it = mServices.find(handle);
        if (it == mServices.end()) return false;
        if (--it->second.references == 0) mServices.erase(it);
        return true;
    }

    bool Lookup(io_service_t handle, fwplat::UnitInfo& info)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        auto it = mServices.find(handle);
        if (it == mServices.end()) return false;
        info = it->second.info;
        return true;
    }

    UInt32 Count()
    {
        std::lock_guard<std::mutex> lock(mMutex);
        return static_cast<UInt32>(mServices.size());
    }

private:
    io_service_t NextHandle()
    {
        // Handles are never 0 and are not reused while alive.
        do {
            mNext = mNext == 0xFFFFFFFFu ? 0x1000 : mNext + 1;
        } while (mServices.count(mNext) != 0);
        return mNext;
    }

    std::mutex mMutex;
    std::map<io_service_t, Service> mServices;
    io_service_t mNext = 0x1000;
};

ServiceTable& Services()
{
    static ServiceTable table;
    return table;
}

bool StringValueIs(CFTypeRef value, const char* text)
{
    // Only constant strings are ever stored under the class key.
    return value == CFSTR(text);
}

// A key absent from the dictionary matches anything; a present one must be a
// number equal to the unit directory's entry.
bool KeyMatches(CFDictionaryRef matching, const char* key, const std::optional<UInt32>& entry)
{
    CFTypeRef value = CFDictionaryGetValue(matching, CFSTR(key));
    if (!value) return true;
    SInt32 wanted = 0;
    if (!CFNumberGetValue(static_cast<CFNumberRef>(value), kCFNumberSInt32Type, &wanted)) return false;
    return entry.has_value() && *entry == static_cast<UInt32>(wanted);
}

class DeviceInterface final : public IOFireWireDeviceInterface {
public:
    explicit DeviceInterface(std::unique_ptr<fwplat::UnitLink> link) : mLink(std::move(link))
    {
        gPlugInObjects.fetch_add(1);
    }

    UInt32 AddRef() override { return mReferences.fetch_add(1) + 1; }

    UInt32 Release() override
    {
        UInt32 left = mReferences.fetch_sub(1) - 1;
        if (left == 0) delete this;
        return left;
    }

    IOReturn Open() override
    {
        if (mOpen) return kIOReturnExclusiveAccess;
        IOReturn status = mLink->Open();
        mOpen = status == kIOReturnSuccess;
        return status;
    }

    void Close() override
    {
        if (!mOpen) return;
        mLink->Close();
        mOpen = false;
    }

    io_object_t GetDevice() override { return kUnitDevice; }

    IOReturn GetBusGeneration(UInt32* generation) override
    {
        if (!generation) return kIOReturnBadArgument;
        return mLink->GetBusGeneration(*generation);
    }

    IOReturn Read(io_object_t device, const FWAddress* addr, void* buf, UInt32* size, Boolean failOnReset,
                  UInt32 generation) override
    {
        if (!size || (!buf && *size != 0)) return kIOReturnBadArgument;
        IOReturn status = Check(device, addr);
        if (status != kIOReturnSuccess) return status;
        return mLink->Transact(TCODE_READ_BLOCK_REQUEST, Offset(*addr), buf, *size, failOnReset, generation);
    }

    IOReturn Write(io_object_t device, const FWAddress* addr, const void* buf, UInt32* size, Boolean failOnReset,
                   UInt32 generation) override
    {
        if (!size || (!buf && *size != 0)) return kIOReturnBadArgument;
        IOReturn status = Check(device, addr);
        if (status != kIOReturnSuccess) return status;
        // The link only reads the payload of a write.
        return mLink->Transact(TCODE_WRITE_BLOCK_REQUEST, Offset(*addr), const_cast<void*>(buf), *size,
                               failOnReset, generation);
    }

    IOReturn ReadQuadlet(io_object_t device, const FWAddress* addr, UInt32* val, Boolean failOnReset,
                         UInt32 generation) override
    {
        if (!val) return kIOReturnBadArgument;
        IOReturn status = Check(device, addr);
        if (status != kIOReturnSuccess) return status;
        UInt32 wire = 0;
        UInt32 length = sizeof wire;
        status = mLink->Transact(TCODE_READ_QUADLET_REQUEST, Offset(*addr), &wire, length, failOnReset, generation);
        if (status != kIOReturnSuccess) return status;
        if (length != sizeof wire) return kIOReturnIOError;
        *val = be32toh(wire);
        return kIOReturnSuccess;
    }

    IOReturn WriteQuadlet(io_object_t device, const FWAddress* addr, UInt32 val, Boolean failOnReset,
                          UInt32 generation) override
    {
        IOReturn status = Check(device, addr);
        if (status != kIOReturnSuccess) return status;
        UInt32 wire = htobe32(val);
        UInt32 length = sizeof wire;
        return mLink->Transact(TCODE_WRITE_QUADLET_REQUEST, Offset(*addr), &wire, length, failOnReset, generation);
    }

private:
    static constexpr io_object_t kUnitDevice = 1;

    ~DeviceInterface() override
    {
        Close();
        gPlugInObjects.fetch_sub(1);
    }

    static UInt64 Offset(const FWAddress& addr)
    {
        return (static_cast<UInt64>(addr.addressHi) << 32) | addr.addressLo;
    }

    IOReturn Check(io_object_t device, const FWAddress* addr) const
    {
        if (!addr) return kIOReturnBadArgument;
        // This platform reaches only the unit's own node.
        if (device == 0) return kIOReturnUnsupported;
        if (device != kUnitDevice) return kIOReturnBadArgument;
        if (!mOpen) return kIOReturnNotOpen;
        return kIOReturnSuccess;
    }

    std::unique_ptr<fwplat::UnitLink> mLink;
    std::atomic<UInt32> mReferences{1};
    bool mOpen = false;
};

class PlugIn final : public IOCFPlugInInterface {
public:
    explicit PlugIn(fwplat::UnitInfo info) : mInfo(std::move(info)) { gPlugInObjects.fetch_add(1); }

    HRESULT QueryInterface(CFUUIDBytes iid, LPVOID* ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        CFUUIDRef deviceInterface = CFUUIDGetConstantUUIDWithBytes(nullptr, KE_FIREWIRE_DEVICE_INTERFACE_ID_BYTES);
        if (!CFUUIDBytesEqual(iid, CFUUIDGetUUIDBytes(deviceInterface))) return E_NOINTERFACE;
        std::unique_ptr<fwplat::UnitLink> link = mInfo.connect ? mInfo.connect() : nullptr;
        if (!link) return kIOReturnNoDevice;
        *ppv = static_cast<IOFireWireDeviceInterface*>(new DeviceInterface(std::move(link)));
        return S_OK;
    }

private:
    ~PlugIn() override { gPlugInObjects.fetch_sub(1); }

    fwplat::UnitInfo mInfo;
};

}  // namespace

kern_return_t IOMasterPort(mach_port_t, mach_port_t* masterPort)
{
    if (!masterPort) return kIOReturnBadArgument;
    kern_return_t status = gMasterPortStatus.load();
    *masterPort = status == kIOReturnSuccess ? kMasterPort : MACH_PORT_NULL;
    return status;
}

void IOSetMasterPortStatus(kern_return_t status) { gMasterPortStatus.store(status); }

CFMutableDictionaryRef IOServiceMatching(const char* name)
{
    if (!name) return nullptr;
    CFMutableDictionaryRef matching = CFDictionaryCreateMutable(kCFAllocatorDefault);
    CFDictionaryAddValue(matching, CFSTR(kProviderClassKey), CFSTR(name));
    return matching;
}

io_service_t IOServiceGetMatchingService(mach_port_t masterPort, CFDictionaryRef matching)
{
    if (!matching) return 0;
    io_service_t found = 0;
    if (masterPort == kMasterPort &&
        StringValueIs(CFDictionaryGetValue(matching, CFSTR(kProviderClassKey)), kFireWireUnitClass)) {
        for (const auto& transport : fwplat::Transports()) {
            for (auto& unit : transport->Scan()) {
                if (KeyMatches(matching, "Unit_Spec_ID", unit.specifierId) &&
                    KeyMatches(matching, "Unit_SW_Version", unit.version)) {
                    found = Services().Add(std::move(unit));
                    break;
                }
            }
            if (found) break;
        }
    }
    CFRelease(matching);
    return found;
}

kern_return_t IOObjectRelease(io_object_t object)
{
    return Services().Release(object) ? kIOReturnSuccess : kIOReturnBadArgument;
}

UInt32 IOServiceHandlesInUse() { return Services().Count(); }

UInt32 IOPlugInObjectsInUse() { return gPlugInObjects.load(); }

kern_return_t IOCreatePlugInInterfaceForService(io_service_t service, CFUUIDRef pluginType, CFUUIDRef interfaceType,
                                                IOCFPlugInInterface** theInterface, SInt32* theScore)
{
    if (!theInterface) return kIOReturnBadArgument;
    *theInterface = nullptr;
    if (theScore) *theScore = 0;
    CFUUIDRef libType = CFUUIDGetConstantUUIDWithBytes(nullptr, KE_FIREWIRE_LIB_TYPE_ID_BYTES);
    CFUUIDRef plugInInterface = CFUUIDGetConstantUUIDWithBytes(nullptr, KE_CFPLUGIN_INTERFACE_ID_BYTES);
    if (pluginType != libType || interfaceType != plugInInterface) return kIOReturnUnsupported;
    fwplat::UnitInfo info;
    if (!Services().Lookup(service, info)) return kIOReturnBadArgument;
    *theInterface = new PlugIn(std::move(info));
    return kIOReturnSuccess;
}

kern_return_t IODestroyPlugInInterface(IOCFPlugInInterface* interface)
{
    if (!interface) return kIOReturnBadArgument;
    delete interface;
    return kIOReturnSuccess;
}
