// SPDX-License-Identifier: MIT
// A process list to give the program in place of the system's: editors
// started and stopped by name, quit requests recorded.
#pragma once

#include <sys/types.h>

#include <utility>
#include <vector>

#include "platform/process/ProcessSource.h"

namespace fakeproc {

class Processes final : public ProcessSource {
public:
    Processes(std::vector<ProcessEntry> all, ProcessEntry self) : list(std::move(all)), mSelf(std::move(self)) {}
    Processes(const Processes&) = delete;
    Processes& operator=(const Processes&) = delete;

    void Start(const char* name) { list.push_back({mNextPid++, 100, name}); }
    void Stop(const char* name)
    {
        std::erase_if(list, [&](const ProcessEntry& e) { return e.name == name; });
    }

    const std::vector<ProcessEntry>& Scan() override { return list; }
    bool Self(ProcessEntry& self) override { return self = mSelf, true; }
    int Terminate(const ProcessEntry& process) override { return terminated.push_back(process.pid), 0; }

    std::vector<ProcessEntry> list;
    std::vector<pid_t> terminated;

private:
    ProcessEntry mSelf;
    pid_t mNextPid = 100;
};

}  // namespace fakeproc
