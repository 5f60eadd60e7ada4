// SPDX-License-Identifier: MIT
// Units on the Linux kernel's FireWire stack: discovery from sysfs, requests
// through the firewire-cdev character device of the unit's node.
#pragma once

#include <poll.h>

#include <cstddef>
#include <memory>
#include <string>

#include "platform/firewire/FWTransport.h"

namespace fwplat {

// The system calls the transport makes, replaceable by tests. Each behaves
// like the call it is named after: -1 with errno set on failure.
class CdevSyscalls {
public:
    virtual ~CdevSyscalls() = default;
    virtual int Open(const char* path, int flags) = 0;
    virtual int Ioctl(int fd, unsigned long request, void* arg) = 0;
    virtual int Poll(struct pollfd* fds, nfds_t nfds, int timeoutMs) = 0;
    virtual long Read(int fd, void* buf, std::size_t count) = 0;
    virtual int Close(int fd) = 0;
    virtual int Flock(int fd, int operation) = 0;
    // The real calls; a fresh object that holds no state.
    static std::shared_ptr<CdevSyscalls> System();
};

struct CdevOptions {
    std::string sysfsRoot = "/sys";
    std::string devRoot = "/dev";
    int responseTimeoutMs = kResponseTimeoutMs;
    std::shared_ptr<CdevSyscalls> syscalls = CdevSyscalls::System();
};

class LinuxCdevTransport : public Transport {
public:
    explicit LinuxCdevTransport(CdevOptions options = {});
    // Every unit device fwN.M, ordered by N then M, with the GUID of its node
    // fwN. An attribute that is missing or unreadable leaves its optional
    // empty. connect() gives a link to <devRoot>/fwN that opens only while
    // that node is still the one scanned, or null once the unit has left sysfs.
    std::vector<UnitInfo> Scan() override;

private:
    CdevOptions mOptions;
};

}  // namespace fwplat
