#include "macclasses/Process.h"

#include <cerrno>

#include "platform/process/CreatorSignatures.h"

namespace {

constexpr UInt32 kPSNMark = 0x80000000;

ProcessSerialNumber SerialNumberOf(const ProcessEntry& process)
{
    return {kPSNMark | static_cast<UInt32>(process.startTime & 0x7FFFFFFF), static_cast<UInt32>(process.pid)};
}

bool Names(const ProcessSerialNumber& psn, const ProcessEntry& process)
{
    const ProcessSerialNumber own = SerialNumberOf(process);
    return own.highLongOfPSN == psn.highLongOfPSN && own.lowLongOfPSN == psn.lowLongOfPSN;
}

}  // namespace

TProcess::TProcess(ProcessSerialNumber theNum)
{
    ProcessSource& source = CurrentProcessSource();
    ProcessEntry self;
    if (source.Self(self)) fMyProcessID = SerialNumberOf(self);

    fProcesses = source.Scan();
    fIndex = 0;
    if (theNum.highLongOfPSN != 0 || theNum.lowLongOfPSN != kNoProcess) {
        while (fIndex < fProcesses.size() && !Names(theNum, fProcesses[fIndex])) ++fIndex;
        if (fIndex < fProcesses.size()) ++fIndex;
    }
    fError = fIndex < fProcesses.size() ? OSErr{noErr} : OSErr{procNotFound};
    fFirstIndex = fIndex;
}

Boolean TProcess::IProcess()
{
    if (fIndex + 1 < fProcesses.size()) {
        ++fIndex;
        fError = noErr;
        return true;
    }
    fError = procNotFound;
    fLast = true;
    First();
    return false;
}

void TProcess::Next() { IProcess(); }

ProcessSerialNumber TProcess::GetProcessID() const
{
    return fIndex < fProcesses.size() ? SerialNumberOf(fProcesses[fIndex]) : kMyProcess;
}

short TProcess::GetNumProcesses() { return static_cast<short>(CurrentProcessSource().Scan().size()); }

Boolean TProcess::FindProcess(OSType signature)
{
    fProcesses = CurrentProcessSource().Scan();
    for (fIndex = 0; fIndex < fProcesses.size(); ++fIndex) {
        if (CreatorSignatureForName(fProcesses[fIndex].name) == signature) return true;
    }
    return false;
}

Boolean TProcess::KillApplication(const ProcessSerialNumber* thePSN)
{
    if (thePSN == nullptr) {
        fError = paramErr;
        return false;
    }
    ProcessSource& source = CurrentProcessSource();
    fError = procNotFound;
    for (const ProcessEntry& process : source.Scan()) {
        if (!Names(*thePSN, process)) continue;
        const int error = source.Terminate(process);
        if (error == 0) {
            fError = noErr;
        } else {
            fError = error == ESRCH ? procNotFound : permErr;
        }
        break;
    }
    return fError == noErr;
}
