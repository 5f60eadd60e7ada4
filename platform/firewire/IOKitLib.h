// Service matching and plug-in creation for FireWire units.
//
// Services are found through the transports installed in FWTransport.h (the
// kernel's FireWire character devices by default). A service handle holds one
// reference; IOObjectRelease gives it up.
#pragma once

#include "platform/common/MacTypes.h"
#include "platform/firewire/CoreFoundation.h"
#include "platform/firewire/IOReturn.h"

typedef UInt32 mach_port_t;
typedef UInt32 io_object_t;
typedef io_object_t io_service_t;

constexpr mach_port_t MACH_PORT_NULL = 0;

kern_return_t IOMasterPort(mach_port_t bootstrapPort, mach_port_t* masterPort);

// A matching dictionary for the services of the given class; only
// "IOFireWireUnit" matches anything. Null for a null name.
CFMutableDictionaryRef IOServiceMatching(const char* name);

// The first service that matches every key of the dictionary ("Unit_Spec_ID"
// and "Unit_SW_Version" are compared with the unit directory's entries), or 0.
// Consumes one reference to the dictionary whether or not a service matches.
io_service_t IOServiceGetMatchingService(mach_port_t masterPort, CFDictionaryRef matching);

kern_return_t IOObjectRelease(io_object_t object);

// Number of service handles, plug-ins and device interfaces alive; lets tests
// check that discovery leaks none.
UInt32 IOServiceHandlesInUse();
UInt32 IOPlugInObjectsInUse();

// Makes IOMasterPort fail with the given status (0 restores it), standing in
// for a system whose service registry cannot be reached.
void IOSetMasterPortStatus(kern_return_t status);

typedef SInt32 HRESULT;
typedef void* LPVOID;
constexpr HRESULT S_OK = 0;
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80000004);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);

// The generic plug-in object of a service; QueryInterface hands out the
// interfaces the plug-in implements, each with one reference of its own.
class IOCFPlugInInterface {
public:
    virtual HRESULT QueryInterface(CFUUIDBytes iid, LPVOID* ppv) = 0;

protected:
    virtual ~IOCFPlugInInterface() = default;
    friend kern_return_t IODestroyPlugInInterface(IOCFPlugInInterface* interface);
};

// pluginType must be the FireWire library type and interfaceType the generic
// plug-in interface (see IOFireWireLib.h). theScore may be null.
kern_return_t IOCreatePlugInInterfaceForService(io_service_t service, CFUUIDRef pluginType,
                                                CFUUIDRef interfaceType,
                                                IOCFPlugInInterface** theInterface, SInt32* theScore);
kern_return_t IODestroyPlugInInterface(IOCFPlugInInterface* interface);
