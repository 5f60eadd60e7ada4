#include "platform/process/Processes.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/process/CreatorSignatures.h"
#include "platform/process/ProcessSource.h"

struct OpaqueAEDataStorage {
    ProcessSerialNumber target{};  // of an address or an event
    AEEventClass eventClass = 0;
    AEEventID eventID = 0;
};

namespace {

constexpr UInt32 kPSNMark = 0x80000000;

ProcessSerialNumber SerialNumberOf(const ProcessEntry& process)
{
    return {kPSNMark | static_cast<UInt32>(process.startTime & 0x7FFFFFFF), static_cast<UInt32>(process.pid)};
}

bool Same(const ProcessSerialNumber& a, const ProcessSerialNumber& b)
{
    return a.highLongOfPSN == b.highLongOfPSN && a.lowLongOfPSN == b.lowLongOfPSN;
}

// The list that walks step through, read when a walk starts.
class ProcessTable {
public:
    void Refresh()
    {
        const std::vector<ProcessEntry>& scanned = CurrentProcessSource().Scan();
        entries_.assign(scanned.begin(), scanned.end());
        hint_ = 0;
    }

    // Index of the process, or -1. Walks ask for the last one found, or the next.
    long Find(const ProcessSerialNumber& psn)
    {
        for (size_t i : {hint_, hint_ + 1}) {
            if (i < entries_.size() && Same(SerialNumberOf(entries_[i]), psn)) return Found(i);
        }
        for (size_t i = 0; i < entries_.size(); ++i) {
            if (Same(SerialNumberOf(entries_[i]), psn)) return Found(i);
        }
        return -1;
    }

    const ProcessEntry& At(long index) const { return entries_[static_cast<size_t>(index)]; }
    size_t Size() const { return entries_.size(); }

private:
    long Found(size_t i)
    {
        hint_ = i;
        return static_cast<long>(i);
    }

    std::vector<ProcessEntry> entries_;
    size_t hint_ = 0;
};

ProcessTable& Table()
{
    static ProcessTable table;
    return table;
}

UInt32 TicksAfterBoot(UInt64 clockTicks)
{
    static const long clockTicksPerSecond = sysconf(_SC_CLK_TCK);
    if (clockTicksPerSecond <= 0) return 0;
    return static_cast<UInt32>(clockTicks * 60 / static_cast<UInt64>(clockTicksPerSecond));
}

}  // namespace

OSErr GetCurrentProcess(ProcessSerialNumber* outPSN)
{
    if (outPSN == nullptr) return paramErr;
    ProcessEntry self;
    if (!CurrentProcessSource().Self(self)) return procNotFound;
    *outPSN = SerialNumberOf(self);
    return noErr;
}

OSErr GetNextProcess(ProcessSerialNumber* ioPSN)
{
    if (ioPSN == nullptr) return paramErr;
    ProcessTable& table = Table();
    long next = 0;
    if (ioPSN->highLongOfPSN == 0 && ioPSN->lowLongOfPSN == kNoProcess) {
        table.Refresh();
    } else {
        const long current = table.Find(*ioPSN);
        if (current < 0) return procNotFound;
        next = current + 1;
    }
    if (next >= static_cast<long>(table.Size())) return procNotFound;
    *ioPSN = SerialNumberOf(table.At(next));
    table.Find(*ioPSN);
    return noErr;
}

OSErr GetProcessInformation(const ProcessSerialNumber* inPSN, ProcessInfoRec* outInfo)
{
    if (inPSN == nullptr || outInfo == nullptr || outInfo->processInfoLength != sizeof(ProcessInfoRec)) {
        return paramErr;
    }
    ProcessTable& table = Table();
    long index = table.Find(*inPSN);
    if (index < 0) {
        // A serial number from GetCurrentProcess before any walk.
        table.Refresh();
        index = table.Find(*inPSN);
    }
    if (index < 0) return procNotFound;
    const ProcessEntry& process = table.At(index);

    unsigned char* name = outInfo->processName;
    if (name != nullptr) {
        const size_t length = std::min<size_t>(process.name.size(), 31);
        name[0] = static_cast<unsigned char>(length);
        std::memcpy(name + 1, process.name.data(), length);
    }
    outInfo->processNumber = *inPSN;
    outInfo->processType = FourCC("APPL");
    outInfo->processSignature = CreatorSignatureForName(process.name);
    outInfo->processMode = 0;
    outInfo->processLocation = nullptr;
    outInfo->processSize = 0;
    outInfo->processFreeMem = 0;
    outInfo->processLauncher = {0, kNoProcess};
    outInfo->processLaunchDate = TicksAfterBoot(process.startTime);
    outInfo->processActiveTime = 0;
    return noErr;
}

// ------------------------------------------------------------ apple events

void AEInitializeDesc(AEDesc* desc)
{
    if (desc == nullptr) return;
    desc->descriptorType = typeNull;
    desc->dataHandle = nullptr;
}

OSErr AECreateDesc(DescType typeCode, const void* dataPtr, long dataSize, AEDesc* result)
{
    if (result == nullptr) return paramErr;
    AEInitializeDesc(result);
    if (typeCode != typeProcessSerialNumber) return errAEWrongDataType;
    if (dataPtr == nullptr || dataSize != static_cast<long>(sizeof(ProcessSerialNumber))) return paramErr;
    auto* storage = new OpaqueAEDataStorage;  // owned by the descriptor
    std::memcpy(&storage->target, dataPtr, sizeof(ProcessSerialNumber));
    result->descriptorType = typeCode;
    result->dataHandle = storage;
    return noErr;
}

OSErr AECreateAppleEvent(AEEventClass theAEEventClass, AEEventID theAEEventID, const AEAddressDesc* target,
                         AEReturnID /*returnID*/, AETransactionID /*transactionID*/, AppleEvent* result)
{
    if (result == nullptr) return paramErr;
    AEInitializeDesc(result);
    if (target == nullptr || target->descriptorType != typeProcessSerialNumber || target->dataHandle == nullptr) {
        return errAEWrongDataType;
    }
    auto* storage = new OpaqueAEDataStorage;  // owned by the event
    storage->target = target->dataHandle->target;
    storage->eventClass = theAEEventClass;
    storage->eventID = theAEEventID;
    result->descriptorType = typeAppleEvent;
    result->dataHandle = storage;
    return noErr;
}

OSErr AESend(const AppleEvent* theAppleEvent, AppleEvent* reply, AESendMode sendMode,
             AESendPriority /*sendPriority*/, SInt32 /*timeOutInTicks*/, const void* /*idleProc*/,
             const void* /*filterProc*/)
{
    if (reply) AEInitializeDesc(reply);
    if (theAppleEvent == nullptr || theAppleEvent->descriptorType != typeAppleEvent ||
        theAppleEvent->dataHandle == nullptr || sendMode != kAENoReply) {
        return paramErr;
    }
    const OpaqueAEDataStorage& event = *theAppleEvent->dataHandle;
    if (event.eventClass != kCoreEventClass || event.eventID != kAEQuitApplication) return errAEEventNotHandled;

    ProcessSource& source = CurrentProcessSource();
    for (const ProcessEntry& process : source.Scan()) {
        if (!Same(SerialNumberOf(process), event.target)) continue;
        const int error = source.Terminate(process);
        if (error == 0) return noErr;
        return error == ESRCH ? procNotFound : errAEEventFailed;
    }
    return procNotFound;
}

OSErr AEDisposeDesc(AEDesc* theAEDesc)
{
    if (theAEDesc == nullptr) return paramErr;
    delete theAEDesc->dataHandle;
    AEInitializeDesc(theAEDesc);
    return noErr;
}
