// A link to one node through its firewire-cdev character device.
#pragma once

#include <memory>
#include <string>

#include "platform/firewire/FWTransport.h"
#include "platform/firewire/LinuxCdevTransport.h"

namespace fwplat {

// An open descriptor of the node, closed (and unlocked, when locked) on
// destruction.
class CdevFd {
public:
    CdevFd() = default;
    CdevFd(std::shared_ptr<CdevSyscalls> syscalls, int fd) : mSyscalls(std::move(syscalls)), mFd(fd) {}
    ~CdevFd() { Reset(); }
    CdevFd(CdevFd&& other) noexcept;
    CdevFd& operator=(CdevFd&& other) noexcept;
    CdevFd(const CdevFd&) = delete;
    CdevFd& operator=(const CdevFd&) = delete;

    int Get() const { return mFd; }
    bool Valid() const { return mFd >= 0; }
    void MarkLocked() { mLocked = true; }
    void Reset();

private:
    std::shared_ptr<CdevSyscalls> mSyscalls;
    int mFd = -1;
    bool mLocked = false;
};

// Open() takes the node with an exclusive flock, so a second client (another
// process, or another link to the same node) gets kIOReturnExclusiveAccess.
// Open() on a link that is already open succeeds and changes nothing; a single
// Close() gives the node back.
class CdevUnitLink final : public UnitLink {
public:
    CdevUnitLink(std::string nodePath, std::shared_ptr<CdevSyscalls> syscalls, int responseTimeoutMs);
    ~CdevUnitLink() override = default;

    IOReturn Open() override;
    void Close() override;
    IOReturn GetBusGeneration(UInt32& generation) override;
    IOReturn Transact(int tcode, UInt64 offset, void* data, UInt32& length, bool failOnReset,
                      UInt32 generation) override;

    const std::string& NodePath() const { return mNodePath; }

private:
    struct Request;

    IOReturn OpenNode(CdevFd& fd);
    IOReturn QueryBusInfo(int fd);
    IOReturn SendAndAwait(const Request& request, UInt32 generation, UInt32& length);
    IOReturn AwaitReadable(const Request& request) const;

    std::string mNodePath;
    std::shared_ptr<CdevSyscalls> mSyscalls;
    int mResponseTimeoutMs;
    CdevFd mFd;
    UInt32 mGeneration = 0;
    // 0 is the bus-reset closure, so requests start at 1.
    UInt64 mNextClosure = 1;
};

}  // namespace fwplat
