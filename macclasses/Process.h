// SPDX-License-Identifier: MIT
// The running programs as /proc lists them: is one with a given creator
// signature running, and asking one to quit.
#pragma once

#include "platform/process/ProcessSource.h"

// Names one process: {0x80000000 | low bits of its start time, pid}, so that
// a pid the system hands to a new process gives another serial number.
struct ProcessSerialNumber {
    UInt32 highLongOfPSN;
    UInt32 lowLongOfPSN;
};

enum : UInt32 { kNoProcess = 0 };

// "No process": where a lookup starts.
constexpr ProcessSerialNumber kMyProcess = {0, kNoProcess};

enum : OSErr {
    procNotFound = -600,
    permErr = -54,  // this user may not ask the process to quit
};

class TProcess {
public:
    // Reads nothing yet: the window makes one on every tick. The process
    // list is `source`'s, which outlives this.
    TProcess(ProcessSerialNumber theNum, ProcessSource& source) : fProcessID(theNum), fSource(source) {}

    // Reads the process list afresh; true, and GetProcessID() names it, when
    // a process with the signature runs (the lowest pid of them).
    Boolean FindProcess(OSType signature);
    // Asks the process to quit (SIGTERM), provided the serial number still
    // names it: a pid reused since is left alone.
    Boolean KillApplication(const ProcessSerialNumber* thePSN);

    // This program's own process; {0, kNoProcess} when it cannot be read.
    ProcessSerialNumber GetMyProcessID() const;
    // The process found last, or the serial number given at construction.
    ProcessSerialNumber GetProcessID() const { return fProcessID; }
    // The status of the last KillApplication.
    OSErr GetError() const { return fError; }

private:
    ProcessSerialNumber fProcessID;
    ProcessSource& fSource;
    OSErr fError = noErr;
};
