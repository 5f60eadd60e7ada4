// The running programs as /proc lists them: find one by its creator
// signature, step from one to the next, count them, and ask one to quit.
#pragma once

#include <vector>

#include "platform/process/ProcessSource.h"

// Names one process: {0x80000000 | low bits of its start time, pid}, so that
// a pid the system hands to a new process gives another serial number.
struct ProcessSerialNumber {
    UInt32 highLongOfPSN;
    UInt32 lowLongOfPSN;
};

enum : UInt32 { kNoProcess = 0 };

// "No process": a walk from here starts at the first process of the list.
constexpr ProcessSerialNumber kMyProcess = {0, kNoProcess};

enum : OSErr {
    procNotFound = -600,
    permErr = -54,  // the process may not be asked to quit by this user
};

class TProcess {
public:
    // Reads the process list; the walk stands on the process after `theNum`
    // (the first one from kMyProcess).
    explicit TProcess(ProcessSerialNumber theNum);

    // Asks the process to quit (SIGTERM), provided the serial number still
    // names it: a pid reused since is left alone.
    Boolean KillApplication(const ProcessSerialNumber* thePSN);
    // How many processes run now; the walk stays where it is.
    short GetNumProcesses();
    // Reads the list afresh and stops on the first process with the signature.
    Boolean FindProcess(OSType signature);
    ProcessSerialNumber GetMyProcessID() const { return fMyProcessID; }
    ProcessSerialNumber GetProcessID() const;
    // Steps on; past the last process Last() turns true and the walk is back
    // on its first process.
    void Next();
    Boolean Last() const { return fLast; }
    void First() { fIndex = fFirstIndex; }

    // The status of the last recorded call.
    OSErr GetError() const { return fError; }

private:
    Boolean IProcess();

    std::vector<ProcessEntry> fProcesses;  // as read when the walk (re)started
    size_t fIndex = 0;                     // fProcesses.size(): on no process
    size_t fFirstIndex = 0;
    ProcessSerialNumber fMyProcessID = kMyProcess;
    Boolean fLast = false;
    OSErr fError = noErr;
};
