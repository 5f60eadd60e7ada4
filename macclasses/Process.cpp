#include "macclasses/Process.h"

namespace {

ProcessInfoRec EmptyInfoRec()
{
    ProcessInfoRec info{};
    info.processInfoLength = sizeof(ProcessInfoRec);
    info.processName = nullptr;
    info.processAppSpec = nullptr;
    return info;
}

}  // namespace

TProcess::TProcess(ProcessSerialNumber theNum)
    : fProcessID(theNum), fMyProcessID{0, kNoProcess}, fFirstPSN{0, kNoProcess}, fFirstTime(true), fLast(false),
      fState(false), fError(noErr)
{
    fError = GetCurrentProcess(&fMyProcessID);
    fState = IProcess();
    fFirstPSN = fProcessID;
    fFirstTime = false;
}

TProcess::~TProcess() = default;

Boolean TProcess::IProcess()
{
    fError = GetNextProcess(&fProcessID);
    if (fError == noErr) return true;
    if (fFirstTime) return false;
    fLast = true;
    First();
    return false;
}

void TProcess::Next() { IProcess(); }

Boolean TProcess::Last() { return fLast; }

void TProcess::First() { fProcessID = fFirstPSN; }

ProcessSerialNumber TProcess::GetProcessID() const { return fProcessID; }

ProcessSerialNumber TProcess::GetMyProcessID() const { return fMyProcessID; }

ProcessInfoRec TProcess::GetProcessInfoRec()
{
    ProcessInfoRec info = EmptyInfoRec();
    fError = GetProcessInformation(&fProcessID, &info);
    return info;
}

unsigned long TProcess::GetProcessSize() { return GetProcessInfoRec().processSize; }

unsigned long TProcess::GetFreeMem() { return GetProcessInfoRec().processFreeMem; }

unsigned long TProcess::GetLaunchDate() { return GetProcessInfoRec().processLaunchDate; }

short TProcess::GetNumProcesses()
{
    ProcessSerialNumber psn = {0, kNoProcess};
    short count = 0;
    while (GetNextProcess(&psn) == noErr) ++count;
    return count;
}

Boolean TProcess::FindProcess(OSType signature)
{
    fProcessID = {0, kNoProcess};
    ProcessInfoRec info = EmptyInfoRec();
    while (GetNextProcess(&fProcessID) == noErr) {
        if (GetProcessInformation(&fProcessID, &info) != noErr) continue;
        if (info.processSignature == signature) return true;
    }
    return false;
}

Boolean TProcess::KillApplication(ProcessSerialNumber* thePSN)
{
    AEAddressDesc target;
    AppleEvent event;
    AppleEvent reply;
    AEInitializeDesc(&target);
    AEInitializeDesc(&event);
    AEInitializeDesc(&reply);

    fError = AECreateDesc(typeProcessSerialNumber, thePSN, sizeof(ProcessSerialNumber), &target);
    if (fError != noErr) return false;
    fError = AECreateAppleEvent(kCoreEventClass, kAEQuitApplication, &target, kAutoGenerateReturnID,
                                kAnyTransactionID, &event);
    if (fError != noErr) {
        AEDisposeDesc(&target);
        return false;
    }
    fError = AESend(&event, &reply, kAENoReply, kAENormalPriority, kNoTimeOut, nullptr, nullptr);
    AEDisposeDesc(&target);
    AEDisposeDesc(&event);
    return fError == noErr;
}
