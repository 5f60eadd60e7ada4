// SPDX-License-Identifier: MIT
// Where the process list comes from: the system's /proc, or a fake in tests.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "platform/common/MacTypes.h"

struct ProcessEntry {
    pid_t pid = 0;
    UInt64 startTime = 0;  // clock ticks after boot; with the pid, names one process
    std::string name;      // the executable's name as the kernel keeps it (15 bytes at most)
};

class ProcessSource {
public:
    virtual ~ProcessSource() = default;

    // Reads the running processes afresh. The list stays valid until the next call.
    virtual const std::vector<ProcessEntry>& Scan() = 0;
    // The calling process; false when it cannot be read.
    virtual bool Self(ProcessEntry& self) = 0;
    // Asks the process to quit (SIGTERM), provided it is still the same
    // process: 0, or an errno value (ESRCH when it is gone).
    virtual int Terminate(const ProcessEntry& process) = 0;
};

// The processes of a /proc file system. Names are kept between scans: a scan
// lists the directory and reads <pid>/stat only for a pid it has not seen,
// whose directory was made anew (a new inode: the pid was reused), or that
// started less than 5 s ago (a launcher may still exec the real program).
// Every 10 s a scan reads all of them, for programs that exec later.
class ProcDirectorySource final : public ProcessSource {
public:
    explicit ProcDirectorySource(std::string root = "/proc");
    // Waits for a prefetch still running.
    ~ProcDirectorySource() override = default;

    ProcDirectorySource(const ProcDirectorySource&) = delete;
    ProcDirectorySource& operator=(const ProcDirectorySource&) = delete;

    // Scans once on a thread of its own, so that while a program starts up
    // the names are read for its first lookup. Every other call waits for
    // it. Does nothing once started.
    void Prefetch();

    const std::vector<ProcessEntry>& Scan() override;
    bool Self(ProcessEntry& self) override;
    int Terminate(const ProcessEntry& process) override;

    // How many stat files the scans have read, for tests and measurements.
    size_t StatReads();

private:
    // Until the prefetch is done, the source is its thread's.
    void AwaitPrefetch();
    const std::vector<ProcessEntry>& ScanNow();
    bool ReadStat(pid_t pid, ProcessEntry& entry);

    std::string mRoot;
    std::vector<ProcessEntry> mEntries;  // ascending pid
    std::vector<ino_t> mInodes;          // parallel to mEntries
    std::vector<ProcessEntry> mNextEntries;
    std::vector<ino_t> mNextInodes;
    size_t mStatReads = 0;
    std::chrono::steady_clock::time_point mLastFullScan{};
    // Last, so destroyed first: a prefetch still running is waited for
    // while what it writes exists.
    std::future<void> mPrefetch;
};

// Parses the contents of /proc/<pid>/stat: the name (between the first '('
// and the last ')') and the start time (field 22).
bool ParseProcStat(const std::string& stat, std::string& name, UInt64& startTime);
