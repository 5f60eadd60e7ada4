// SPDX-License-Identifier: MIT
#include "platform/process/ProcessSource.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

struct FdCloser {
    int fd;
    ~FdCloser()
    {
        if (fd >= 0) close(fd);
    }
};

bool ParsePid(const char* name, pid_t& pid)
{
    if (*name < '1' || *name > '9') return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(name, &end, 10);
    if (errno != 0 || *end != '\0' || value <= 0 || value > 0x7FFFFFFF) return false;
    pid = static_cast<pid_t>(value);
    return true;
}

bool ReadSmallFile(const std::string& path, std::string& contents)
{
    const FdCloser file{open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0) return false;
    // The fields up to the start time fit well within this.
    char buffer[1024];
    const ssize_t count = read(file.fd, buffer, sizeof buffer);
    if (count <= 0) return false;
    contents.assign(buffer, static_cast<size_t>(count));
    return true;
}

constexpr std::chrono::seconds kFullScanPeriod{10};
constexpr UInt64 kYoungSeconds = 5;

// Clock ticks since boot, the unit of a process's start time.
UInt64 BootTicks(UInt64 ticksPerSecond)
{
    timespec now{};
    if (clock_gettime(CLOCK_BOOTTIME, &now) != 0) return 0;
    return static_cast<UInt64>(now.tv_sec) * ticksPerSecond +
           static_cast<UInt64>(now.tv_nsec) * ticksPerSecond / 1000000000u;
}

}  // namespace

bool ParseProcStat(const std::string& stat, std::string& name, UInt64& startTime)
{
    const size_t open = stat.find('(');
    const size_t close = stat.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open) return false;
    // After the name: state is field 3, the start time field 22.
    size_t pos = close + 1;
    for (int field = 3; field < 22; ++field) {
        pos = stat.find(' ', pos + 1);
        if (pos == std::string::npos) return false;
    }
    const char* digits = stat.c_str() + pos + 1;
    if (*digits < '0' || *digits > '9') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(digits, &end, 10);
    if (errno != 0 || (*end != ' ' && *end != '\n' && *end != '\0')) return false;
    name = stat.substr(open + 1, close - open - 1);
    startTime = value;
    return true;
}

ProcDirectorySource::ProcDirectorySource(std::string root) : mRoot(std::move(root)) {}

void ProcDirectorySource::Prefetch()
{
    if (mPrefetch.valid()) return;
    mPrefetch = std::async(std::launch::async, [this] { ScanNow(); });
}

void ProcDirectorySource::AwaitPrefetch()
{
    if (mPrefetch.valid()) mPrefetch.get();
}

size_t ProcDirectorySource::StatReads()
{
    AwaitPrefetch();
    return mStatReads;
}

bool ProcDirectorySource::ReadStat(pid_t pid, ProcessEntry& entry)
{
    std::string stat;
    ++mStatReads;
    if (!ReadSmallFile(mRoot + "/" + std::to_string(pid) + "/stat", stat)) return false;
    entry.pid = pid;
    return ParseProcStat(stat, entry.name, entry.startTime);
}

const std::vector<ProcessEntry>& ProcDirectorySource::Scan()
{
    AwaitPrefetch();
    return ScanNow();
}

const std::vector<ProcessEntry>& ProcDirectorySource::ScanNow()
{
    mNextEntries.clear();
    mNextInodes.clear();
    const auto now = std::chrono::steady_clock::now();
    const bool fullScan = now - mLastFullScan >= kFullScanPeriod;
    if (fullScan) mLastFullScan = now;
    static const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    const UInt64 hz = ticksPerSecond > 0 ? static_cast<UInt64>(ticksPerSecond) : 100;
    const UInt64 bootTicks = BootTicks(hz);
    const UInt64 youngSince = bootTicks > kYoungSeconds * hz ? bootTicks - kYoungSeconds * hz : 0;
    const std::unique_ptr<DIR, DirCloser> dir(opendir(mRoot.c_str()));
    if (!dir) {
        mEntries.clear();
        mInodes.clear();
        return mEntries;
    }
    while (const dirent* item = readdir(dir.get())) {
        pid_t pid = 0;
        if (!ParsePid(item->d_name, pid)) continue;
        const auto known = std::lower_bound(mEntries.begin(), mEntries.end(), pid,
                                            [](const ProcessEntry& e, pid_t p) { return e.pid < p; });
        const size_t index = static_cast<size_t>(known - mEntries.begin());
        if (!fullScan && known != mEntries.end() && known->pid == pid && mInodes[index] == item->d_ino &&
            known->startTime < youngSince) {
            mNextEntries.push_back(*known);
            mNextInodes.push_back(item->d_ino);
            continue;
        }
        ProcessEntry entry;
        // A process that ended since the listing is simply left out.
        if (!ReadStat(pid, entry)) continue;
        mNextEntries.push_back(std::move(entry));
        mNextInodes.push_back(item->d_ino);
    }
    // /proc lists in pid order; any other directory is put in order here.
    if (!std::is_sorted(mNextEntries.begin(), mNextEntries.end(),
                        [](const ProcessEntry& a, const ProcessEntry& b) { return a.pid < b.pid; })) {
        std::vector<size_t> order(mNextEntries.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::sort(order.begin(), order.end(),
                  [&](size_t a, size_t b) { return mNextEntries[a].pid < mNextEntries[b].pid; });
        mEntries.clear();
        mInodes.clear();
        for (size_t i : order) {
            mEntries.push_back(std::move(mNextEntries[i]));
            mInodes.push_back(mNextInodes[i]);
        }
        return mEntries;
    }
    mEntries.swap(mNextEntries);
    mInodes.swap(mNextInodes);
    return mEntries;
}

bool ProcDirectorySource::Self(ProcessEntry& self)
{
    AwaitPrefetch();
    return ReadStat(getpid(), self);
}

int ProcDirectorySource::Terminate(const ProcessEntry& process)
{
    AwaitPrefetch();
    ProcessEntry now;
    if (process.pid <= 0 || !ReadStat(process.pid, now) || now.startTime != process.startTime) return ESRCH;
    return kill(process.pid, SIGTERM) == 0 ? 0 : errno;
}
