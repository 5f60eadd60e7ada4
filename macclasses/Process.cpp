// SPDX-License-Identifier: MIT
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

ProcessSerialNumber TProcess::GetMyProcessID() const
{
    ProcessEntry self;
    return fSource.Self(self) ? SerialNumberOf(self) : kMyProcess;
}

Boolean TProcess::FindProcess(OSType signature)
{
    fProcessID = kMyProcess;
    for (const ProcessEntry& process : fSource.Scan()) {
        if (CreatorSignatureForName(process.name) != signature) continue;
        fProcessID = SerialNumberOf(process);
        return true;
    }
    return false;
}

Boolean TProcess::KillApplication(const ProcessSerialNumber* thePSN)
{
    if (thePSN == nullptr) {
        fError = paramErr;
        return false;
    }
    fError = procNotFound;
    for (const ProcessEntry& process : fSource.Scan()) {
        if (!Names(*thePSN, process)) continue;
        const int error = fSource.Terminate(process);
        if (error == 0) {
            fError = noErr;
        } else {
            fError = error == ESRCH ? procNotFound : permErr;
        }
        break;
    }
    return fError == noErr;
}
