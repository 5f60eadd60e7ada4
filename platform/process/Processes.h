// The running processes as a walk from serial number to serial number, each
// with an information record, and the quit request sent to one of them.
// Main thread only.
#pragma once

#include "platform/common/MacTypes.h"

struct ProcessSerialNumber {
    UInt32 highLongOfPSN;
    UInt32 lowLongOfPSN;
};

// A process's serial number is {0x80000000 | low bits of its start time, pid}:
// a pid that the system hands to a new process gives a new serial number.
enum : UInt32 { kNoProcess = 0 };

enum : OSErr {
    procNotFound = -600,
    errAEEventNotHandled = -1708,
    errAEWrongDataType = -1703,
    errAEEventFailed = -10000,
};

struct ProcessInfoRec {
    UInt32 processInfoLength;    // set by the caller to sizeof(ProcessInfoRec)
    unsigned char* processName;  // null, or room for 32 bytes: length byte and up to 31 bytes
    ProcessSerialNumber processNumber;
    UInt32 processType;
    OSType processSignature;
    UInt32 processMode;
    void* processLocation;
    UInt32 processSize;      // not kept by this system: 0
    UInt32 processFreeMem;   // not kept by this system: 0
    ProcessSerialNumber processLauncher;
    UInt32 processLaunchDate;  // ticks (1/60 s) after boot
    UInt32 processActiveTime;
    void* processAppSpec;  // not used
};

OSErr GetCurrentProcess(ProcessSerialNumber* outPSN);
// From {0, kNoProcess}: reads the process list afresh and gives its first
// process. From a process of the list: the next one. After the last, or from
// a serial number that is not in the list: procNotFound.
OSErr GetNextProcess(ProcessSerialNumber* ioPSN);
OSErr GetProcessInformation(const ProcessSerialNumber* inPSN, ProcessInfoRec* outInfo);

// ---------------------------------------------------------- the quit request

typedef FourCharCode DescType;
typedef FourCharCode AEEventClass;
typedef FourCharCode AEEventID;
typedef SInt16 AEReturnID;
typedef SInt32 AETransactionID;
typedef SInt32 AESendMode;
typedef SInt16 AESendPriority;

struct OpaqueAEDataStorage;
typedef OpaqueAEDataStorage* AEDataStorage;

struct AEDesc {
    DescType descriptorType;
    AEDataStorage dataHandle;  // owned; freed by AEDisposeDesc
};
typedef AEDesc AEAddressDesc;
typedef AEDesc AppleEvent;

enum : FourCharCode {
    typeNull = FourCC("null"),
    typeProcessSerialNumber = FourCC("psn "),
    typeAppleEvent = FourCC("aevt"),
    kCoreEventClass = FourCC("aevt"),
    kAEQuitApplication = FourCC("quit"),
};

enum : AEReturnID { kAutoGenerateReturnID = -1 };
enum : AETransactionID { kAnyTransactionID = 0 };
enum : AESendMode { kAENoReply = 1 };
enum : AESendPriority { kAENormalPriority = 0 };
enum : SInt32 { kNoTimeOut = -2 };

void AEInitializeDesc(AEDesc* desc);
OSErr AECreateDesc(DescType typeCode, const void* dataPtr, long dataSize, AEDesc* result);
OSErr AECreateAppleEvent(AEEventClass theAEEventClass, AEEventID theAEEventID, const AEAddressDesc* target,
                         AEReturnID returnID, AETransactionID transactionID, AppleEvent* result);
// Only the quit event to a process is understood: it sends that process
// SIGTERM, if it is still the process the serial number names. No reply.
OSErr AESend(const AppleEvent* theAppleEvent, AppleEvent* reply, AESendMode sendMode, AESendPriority sendPriority,
             SInt32 timeOutInTicks, const void* idleProc, const void* filterProc);
OSErr AEDisposeDesc(AEDesc* theAEDesc);
