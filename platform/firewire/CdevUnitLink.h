// SPDX-License-Identifier: MIT
// A link to one node through its firewire-cdev character device.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
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
    // A request on it went unanswered: the kernel's close waits for
    // outstanding transactions, so the close may take at most `bound`.
    void BoundClose(std::chrono::milliseconds bound) { mCloseBound = bound; }
    void Reset();

private:
    void CloseWithin(std::chrono::milliseconds bound);

    std::shared_ptr<CdevSyscalls> mSyscalls;
    int mFd = -1;
    bool mLocked = false;
    std::optional<std::chrono::milliseconds> mCloseBound;
};

// What discovery saw of the node: its sysfs directory (<sysfs>/.../fwN), its
// GUID and the unit directory that matched. Device numbers are reused after
// an unplug, so Open checks that /dev/fwN still is that node.
struct CdevNodeIdentity {
    std::string sysfsNode;
    std::optional<UInt64> guid;
    std::optional<UInt32> specifierId;
    std::optional<UInt32> version;
};

// The node's GUID as sysfs writes it ("0x%016llx\n"); nothing when it is not one.
std::optional<UInt64> ReadNodeGuid(const std::string& sysfsNode);

// Open() takes the node with an exclusive flock, so a second client (another
// process, or another link to the same node) gets kIOReturnExclusiveAccess.
// Open() on a link that is already open succeeds and changes nothing; a single
// Close() gives the node back. With an identity, Open() fails with
// kIOReturnNoDevice once the node is no longer the one discovered.
class CdevUnitLink final : public UnitLink {
public:
    CdevUnitLink(std::string nodePath, std::shared_ptr<CdevSyscalls> syscalls, int responseTimeoutMs,
                 std::optional<CdevNodeIdentity> identity = std::nullopt);
    ~CdevUnitLink() override = default;

    IOReturn Open() override;
    void Close() override;
    IOReturn GetBusGeneration(UInt32& generation) override;
    IOReturn Transact(int tcode, UInt64 offset, void* data, UInt32& length, bool failOnReset,
                      UInt32 generation) override;

    const std::string& NodePath() const { return mNodePath; }

private:
    struct Request;
    struct Event;

    IOReturn OpenNode(CdevFd& fd);
    IOReturn QueryBusInfo(int fd);
    bool StillTheNode() const;
    IOReturn SendAndAwait(const Request& request, UInt32 generation, UInt32& length);
    IOReturn AwaitGenerationAfter(UInt32 stale, std::chrono::steady_clock::time_point deadline);
    IOReturn ReadEvent(std::chrono::steady_clock::time_point deadline, Event& event);
    IOReturn AwaitReadable(std::chrono::steady_clock::time_point deadline) const;

    std::string mNodePath;
    std::shared_ptr<CdevSyscalls> mSyscalls;
    int mResponseTimeoutMs;
    std::optional<CdevNodeIdentity> mIdentity;
    CdevFd mFd;
    UInt32 mGeneration = 0;
    // 0 is the bus-reset closure, so requests start at 1.
    UInt64 mNextClosure = 1;
};

}  // namespace fwplat
