// A walk over the running processes: step from one to the next, read a
// process's information, find one by creator signature, count them, and ask
// one to quit.
#pragma once

#include "platform/process/Processes.h"

// "No process": a walk from here starts at the first process of the list.
constexpr ProcessSerialNumber kMyProcess = {0, kNoProcess};

class TProcess {
public:
    explicit TProcess(ProcessSerialNumber theNum);
    virtual ~TProcess();

    virtual Boolean KillApplication(ProcessSerialNumber* thePSN);
    virtual short GetNumProcesses();
    virtual ProcessInfoRec GetProcessInfoRec();
    virtual unsigned long GetProcessSize();
    virtual unsigned long GetFreeMem();
    virtual unsigned long GetLaunchDate();
    virtual Boolean FindProcess(OSType signature);
    virtual ProcessSerialNumber GetMyProcessID() const;
    virtual ProcessSerialNumber GetProcessID() const;
    virtual void Next();
    virtual Boolean Last();
    virtual void First();

    // The status of the last recorded call.
    OSErr GetError() const { return fError; }

protected:
    virtual Boolean IProcess();

private:
    ProcessSerialNumber fProcessID;
    ProcessSerialNumber fMyProcessID;
    ProcessSerialNumber fFirstPSN;
    Boolean fFirstTime;
    Boolean fLast;
    Boolean fState;
    OSErr fError;
};
