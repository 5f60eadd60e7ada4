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
#include <future>
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

ProcDirectorySource::ProcDirectorySource(std::string root) : root_(std::move(root)) {}

bool ProcDirectorySource::ReadStat(pid_t pid, ProcessEntry& entry)
{
    std::string stat;
    ++statReads_;
    if (!ReadSmallFile(root_ + "/" + std::to_string(pid) + "/stat", stat)) return false;
    entry.pid = pid;
    return ParseProcStat(stat, entry.name, entry.startTime);
}

const std::vector<ProcessEntry>& ProcDirectorySource::Scan()
{
    nextEntries_.clear();
    nextInodes_.clear();
    const auto now = std::chrono::steady_clock::now();
    const bool fullScan = now - lastFullScan_ >= kFullScanPeriod;
    if (fullScan) lastFullScan_ = now;
    static const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    const UInt64 hz = ticksPerSecond > 0 ? static_cast<UInt64>(ticksPerSecond) : 100;
    const UInt64 bootTicks = BootTicks(hz);
    const UInt64 youngSince = bootTicks > kYoungSeconds * hz ? bootTicks - kYoungSeconds * hz : 0;
    const std::unique_ptr<DIR, DirCloser> dir(opendir(root_.c_str()));
    if (!dir) {
        entries_.clear();
        inodes_.clear();
        return entries_;
    }
    while (const dirent* item = readdir(dir.get())) {
        pid_t pid = 0;
        if (!ParsePid(item->d_name, pid)) continue;
        const auto known = std::lower_bound(entries_.begin(), entries_.end(), pid,
                                            [](const ProcessEntry& e, pid_t p) { return e.pid < p; });
        const size_t index = static_cast<size_t>(known - entries_.begin());
        if (!fullScan && known != entries_.end() && known->pid == pid && inodes_[index] == item->d_ino &&
            known->startTime < youngSince) {
            nextEntries_.push_back(*known);
            nextInodes_.push_back(item->d_ino);
            continue;
        }
        ProcessEntry entry;
        // A process that ended since the listing is simply left out.
        if (!ReadStat(pid, entry)) continue;
        nextEntries_.push_back(std::move(entry));
        nextInodes_.push_back(item->d_ino);
    }
    // /proc lists in pid order; any other directory is put in order here.
    if (!std::is_sorted(nextEntries_.begin(), nextEntries_.end(),
                        [](const ProcessEntry& a, const ProcessEntry& b) { return a.pid < b.pid; })) {
        std::vector<size_t> order(nextEntries_.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::sort(order.begin(), order.end(),
                  [&](size_t a, size_t b) { return nextEntries_[a].pid < nextEntries_[b].pid; });
        entries_.clear();
        inodes_.clear();
        for (size_t i : order) {
            entries_.push_back(std::move(nextEntries_[i]));
            inodes_.push_back(nextInodes_[i]);
        }
        return entries_;
    }
    entries_.swap(nextEntries_);
    inodes_.swap(nextInodes_);
    return entries_;
}

bool ProcDirectorySource::Self(ProcessEntry& self) { return ReadStat(getpid(), self); }

int ProcDirectorySource::Terminate(const ProcessEntry& process)
{
    ProcessEntry now;
    if (process.pid <= 0 || !ReadStat(process.pid, now) || now.startTime != process.startTime) return ESRCH;
    return kill(process.pid, SIGTERM) == 0 ? 0 : errno;
}

namespace {

ProcDirectorySource& SystemSource()
{
    static ProcDirectorySource system;
    return system;
}

// Made after the system source, so destroyed before it: a prefetch still
// running at exit is waited for while the source exists.
std::future<void>& Prefetch()
{
    static std::future<void> prefetch;
    return prefetch;
}

}  // namespace

void StartProcessListPrefetch()
{
    ProcDirectorySource& system = SystemSource();
    std::future<void>& prefetch = Prefetch();
    if (prefetch.valid()) return;
    prefetch = std::async(std::launch::async, [&system] { system.Scan(); });
}

ProcessSource& SystemProcessSource()
{
    ProcDirectorySource& system = SystemSource();
    // Until the prefetch is done, the source is its thread's.
    if (std::future<void>& prefetch = Prefetch(); prefetch.valid()) prefetch.get();
    return system;
}
