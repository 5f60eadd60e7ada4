// SPDX-License-Identifier: MIT
#include "platform/firewire/CdevUnitLink.h"

#include <fcntl.h>
#include <linux/firewire-cdev.h>
#include <linux/firewire-constants.h>
#include <sys/file.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <set>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

namespace fwplat {
namespace {

using Clock = std::chrono::steady_clock;

// Kept at 4: from ABI 6 on the kernel sends a response event this header does
// not describe.
constexpr UInt32 kCdevAbiVersion = 4;
constexpr UInt32 kMaxPayload = 4096;
constexpr UInt64 kMaxOffset = (UInt64{1} << 48) - 1;
// While the kernel has not yet published a new generation, it is asked again
// this often (a bus-reset event ends the wait sooner).
constexpr auto kGenerationPollInterval = std::chrono::milliseconds(10);

constexpr std::size_t kEventHeaderSize = offsetof(fw_cdev_event_common, type) + sizeof(__u32);
constexpr std::size_t kBusResetSize = offsetof(fw_cdev_event_bus_reset, generation) + sizeof(__u32);
// The payload starts at data[], before the struct's tail padding; the kernel
// still sends sizeof(struct) + length bytes.
constexpr std::size_t kResponseHeaderSize = offsetof(fw_cdev_event_response, data);
constexpr std::size_t kEventBufferSize = sizeof(fw_cdev_event_response) + kMaxPayload;

IOReturn IOReturnFromErrno(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return kIOReturnNotPermitted;
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return kIOReturnNoDevice;
    case EIO:
        return kIOReturnIOError;
    case EINVAL:
    case EFAULT:
        return kIOReturnBadArgument;
    case ENOMEM:
        return kIOReturnNoMemory;
    case EMFILE:
    case ENFILE:
        return kIOReturnNoResources;
    case EBUSY:
    case EAGAIN:
        return kIOReturnBusy;
    default:
        return kIOReturnError;
    }
}

bool IsReadTcode(int tcode) { return tcode == TCODE_READ_QUADLET_REQUEST || tcode == TCODE_READ_BLOCK_REQUEST; }
bool IsWriteTcode(int tcode) { return tcode == TCODE_WRITE_QUADLET_REQUEST || tcode == TCODE_WRITE_BLOCK_REQUEST; }
bool IsQuadletTcode(int tcode) { return tcode == TCODE_READ_QUADLET_REQUEST || tcode == TCODE_WRITE_QUADLET_REQUEST; }

}  // namespace

CdevFd::CdevFd(CdevFd&& other) noexcept
    : mSyscalls(std::move(other.mSyscalls)),
      mFd(std::exchange(other.mFd, -1)),
      mLocked(std::exchange(other.mLocked, false))
{
}

CdevFd& CdevFd::operator=(CdevFd&& other) noexcept
{
    if (this != &other) {
        Reset();
        mSyscalls = std::move(other.mSyscalls);
        mFd = std::exchange(other.mFd, -1);
        mLocked = std::exchange(other.mLocked, false);
        mCloseBound = std::exchange(other.mCloseBound, std::nullopt);
    }
    return *this;
}

void CdevFd::Reset()
{
    if (mFd < 0) return;
    if (mLocked) mSyscalls->Flock(mFd, LOCK_UN);
    if (mCloseBound)
        CloseWithin(*mCloseBound);
    else
        mSyscalls->Close(mFd);
    mFd = -1;
    mLocked = false;
    mCloseBound.reset();
}

// The close runs on a thread of its own; past the bound it finishes there
// without us.
void CdevFd::CloseWithin(std::chrono::milliseconds bound)
{
    struct Done {
        std::mutex mutex;
        std::condition_variable changed;
        bool closed = false;
    };
    auto done = std::make_shared<Done>();
    try {
        std::thread([syscalls = mSyscalls, fd = mFd, done] {
            syscalls->Close(fd);
            std::lock_guard<std::mutex> lock(done->mutex);
            done->closed = true;
            done->changed.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        mSyscalls->Close(mFd);
        return;
    }
    std::unique_lock<std::mutex> lock(done->mutex);
    done->changed.wait_for(lock, bound, [&] { return done->closed; });
}

struct CdevUnitLink::Request {
    int tcode;
    UInt64 offset;
    void* data;
    UInt32 length;  // asked for, or sent
    Clock::time_point deadline;
};

struct CdevUnitLink::Event {
    alignas(8) std::array<unsigned char, kEventBufferSize> bytes{};
    std::size_t size = 0;
    UInt32 type = 0;
};

namespace {

// Discovery retries twice a second; say it once per node, not on every try.
bool FirstRefusal(const std::string& nodePath)
{
    static std::mutex mutex;
    static std::set<std::string> told;
    std::lock_guard<std::mutex> lock(mutex);
    return told.insert(nodePath).second;
}

}  // namespace

std::optional<UInt64> ReadNodeGuid(const std::string& sysfsNode)
{
    std::ifstream in(sysfsNode + "/guid", std::ios::binary);
    char buffer[20];
    in.read(buffer, sizeof buffer);
    std::string_view text(buffer, static_cast<std::size_t>(in.gcount()));
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    if (text.size() < 3 || text.size() > 18 || text.substr(0, 2) != "0x") return std::nullopt;
    text.remove_prefix(2);
    UInt64 value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

CdevUnitLink::CdevUnitLink(std::string nodePath, std::shared_ptr<CdevSyscalls> syscalls, int responseTimeoutMs,
                           std::optional<CdevNodeIdentity> identity)
    : mNodePath(std::move(nodePath)),
      mSyscalls(syscalls ? std::move(syscalls) : CdevSyscalls::System()),
      mResponseTimeoutMs(std::max(responseTimeoutMs, 0)),
      mIdentity(std::move(identity))
{
}

// Asked after the open: the descriptor belongs to whatever node had the
// number then, so a node that changed before or since fails the check.
bool CdevUnitLink::StillTheNode() const
{
    if (!mIdentity) return true;
    if (mIdentity->guid && ReadNodeGuid(mIdentity->sysfsNode) != mIdentity->guid) return false;
    if (!mIdentity->specifierId || !mIdentity->version) return true;
    char unit[24];
    std::snprintf(unit, sizeof unit, "0x%06x:0x%06x", static_cast<unsigned>(*mIdentity->specifierId),
                  static_cast<unsigned>(*mIdentity->version));
    std::ifstream in(mIdentity->sysfsNode + "/units");
    std::string word;
    while (in >> word) {
        if (word == unit) return true;
    }
    return false;
}

IOReturn CdevUnitLink::OpenNode(CdevFd& fd)
{
    const int raw = mSyscalls->Open(mNodePath.c_str(), O_RDWR | O_CLOEXEC);
    if (raw < 0) {
        const int error = errno;
        if ((error == EACCES || error == EPERM) && FirstRefusal(mNodePath)) {
            std::fprintf(stderr,
                         "Permission denied on %s: the unit's node needs read/write access for this user "
                         "(udev rule, video group)\n",
                         mNodePath.c_str());
        }
        return IOReturnFromErrno(error);
    }
    fd = CdevFd(mSyscalls, raw);
    return kIOReturnSuccess;
}

// Learns the generation; also starts bus-reset events on the fd.
IOReturn CdevUnitLink::QueryBusInfo(int fd)
{
    fw_cdev_event_bus_reset reset{};
    fw_cdev_get_info info{};
    info.version = kCdevAbiVersion;
    info.bus_reset = reinterpret_cast<std::uintptr_t>(&reset);
    if (mSyscalls->Ioctl(fd, FW_CDEV_IOC_GET_INFO, &info) < 0) return IOReturnFromErrno(errno);
    mGeneration = reset.generation;
    return kIOReturnSuccess;
}

IOReturn CdevUnitLink::Open()
{
    if (mFd.Valid()) return kIOReturnSuccess;

    CdevFd fd;
    if (IOReturn status = OpenNode(fd); status != kIOReturnSuccess) return status;
    if (mSyscalls->Flock(fd.Get(), LOCK_EX | LOCK_NB) < 0) {
        const int error = errno;
        return error == EWOULDBLOCK ? kIOReturnExclusiveAccess : IOReturnFromErrno(error);
    }
    fd.MarkLocked();
    if (!StillTheNode()) return kIOReturnNoDevice;
    if (IOReturn status = QueryBusInfo(fd.Get()); status != kIOReturnSuccess) return status;
    mFd = std::move(fd);
    return kIOReturnSuccess;
}

void CdevUnitLink::Close() { mFd.Reset(); }

IOReturn CdevUnitLink::GetBusGeneration(UInt32& generation)
{
    if (mFd.Valid()) {
        if (IOReturn status = QueryBusInfo(mFd.Get()); status != kIOReturnSuccess) return status;
        generation = mGeneration;
        return kIOReturnSuccess;
    }
    // Asking for the generation does not take the unit, so no lock here.
    CdevFd fd;
    if (IOReturn status = OpenNode(fd); status != kIOReturnSuccess) return status;
    if (IOReturn status = QueryBusInfo(fd.Get()); status != kIOReturnSuccess) return status;
    generation = mGeneration;
    return kIOReturnSuccess;
}

IOReturn CdevUnitLink::Transact(int tcode, UInt64 offset, void* data, UInt32& length, bool failOnReset,
                                UInt32 generation)
{
    if (!mFd.Valid()) return kIOReturnNotOpen;
    if (!IsReadTcode(tcode) && !IsWriteTcode(tcode)) return kIOReturnBadArgument;
    if (IsQuadletTcode(tcode) ? length != 4 : length > kMaxPayload) return kIOReturnBadArgument;
    if ((data == nullptr && length > 0) || offset > kMaxOffset) return kIOReturnBadArgument;

    const Request request{tcode, offset, data, length, Clock::now() + std::chrono::milliseconds(mResponseTimeoutMs)};
    UInt32 sendGeneration = failOnReset ? generation : mGeneration;
    for (;;) {
        const IOReturn status = SendAndAwait(request, sendGeneration, length);
        if (status == kIOReturnTimeout) mFd.BoundClose(std::chrono::milliseconds(mResponseTimeoutMs));
        // Only a request ended by a bus reset never reached the unit; any
        // other failure may have, and is not repeated.
        if (status != kIOFireWireBusReset || failOnReset) return status;
        if (IOReturn wait = AwaitGenerationAfter(sendGeneration, request.deadline); wait != kIOReturnSuccess)
            return wait;
        sendGeneration = mGeneration;
    }
}

// The kernel ends requests in flight with RCODE_GENERATION before it
// publishes the new generation, so the old one is still reported for a while.
IOReturn CdevUnitLink::AwaitGenerationAfter(UInt32 stale, Clock::time_point deadline)
{
    for (;;) {
        if (mGeneration != stale) return kIOReturnSuccess;
        if (IOReturn status = QueryBusInfo(mFd.Get()); status != kIOReturnSuccess) return status;
        if (mGeneration != stale) return kIOReturnSuccess;
        const auto now = Clock::now();
        if (now >= deadline) return kIOFireWireBusReset;
        // Late answers to earlier requests are dropped; a bus-reset event
        // sets the generation.
        Event event;
        const IOReturn status = ReadEvent(std::min(deadline, now + kGenerationPollInterval), event);
        if (status != kIOReturnSuccess && status != kIOReturnTimeout) return status;
    }
}

IOReturn CdevUnitLink::AwaitReadable(Clock::time_point deadline) const
{
    for (;;) {
        const auto now = Clock::now();
        if (now >= deadline) return kIOReturnTimeout;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
        pollfd fds{mFd.Get(), POLLIN, 0};
        const int ready = mSyscalls->Poll(&fds, 1, static_cast<int>(left));
        if (ready < 0) {
            if (errno == EINTR) continue;
            return kIOReturnIOError;
        }
        if (ready == 0) continue;
        if (fds.revents & (POLLHUP | POLLERR)) return kIOReturnNoDevice;
        if (fds.revents & POLLNVAL) return kIOReturnIOError;
        if (fds.revents & POLLIN) return kIOReturnSuccess;
    }
}

// One event, or kIOReturnTimeout when none comes by `deadline`. A bus reset
// is taken in here: it carries the new generation.
IOReturn CdevUnitLink::ReadEvent(Clock::time_point deadline, Event& event)
{
    for (;;) {
        if (IOReturn status = AwaitReadable(deadline); status != kIOReturnSuccess) return status;
        const long got = mSyscalls->Read(mFd.Get(), event.bytes.data(), event.bytes.size());
        if (got < 0) {
            const int error = errno;
            if (error == EINTR || error == EAGAIN) continue;
            return error == ENODEV ? kIOReturnNoDevice : kIOReturnIOError;
        }
        // Each field is taken only after the size check that shows it arrived.
        event.size = std::min(static_cast<std::size_t>(got), event.bytes.size());
        if (event.size < kEventHeaderSize) return kIOReturnIOError;
        fw_cdev_event_common common{};
        std::memcpy(&common, event.bytes.data(), kEventHeaderSize);
        event.type = common.type;
        if (event.type == FW_CDEV_EVENT_BUS_RESET) {
            if (event.size < kBusResetSize) return kIOReturnIOError;
            fw_cdev_event_bus_reset reset{};
            std::memcpy(&reset, event.bytes.data(), kBusResetSize);
            mGeneration = reset.generation;
        }
        return kIOReturnSuccess;
    }
}

IOReturn CdevUnitLink::SendAndAwait(const Request& request, UInt32 generation, UInt32& length)
{
    const bool isRead = IsReadTcode(request.tcode);
    fw_cdev_send_request send{};
    send.tcode = static_cast<__u32>(request.tcode);
    send.length = request.length;
    send.offset = request.offset;
    send.closure = mNextClosure++;
    send.data = isRead ? 0 : reinterpret_cast<std::uintptr_t>(request.data);
    send.generation = generation;
    if (mSyscalls->Ioctl(mFd.Get(), FW_CDEV_IOC_SEND_REQUEST, &send) < 0) return IOReturnFromErrno(errno);

    Event event;
    for (;;) {
        if (IOReturn status = ReadEvent(request.deadline, event); status != kIOReturnSuccess) return status;
        if (event.type != FW_CDEV_EVENT_RESPONSE) continue;
        const std::size_t size = event.size;
        if (size < kResponseHeaderSize) return kIOReturnIOError;
        fw_cdev_event_response response{};
        std::memcpy(&response, event.bytes.data(), kResponseHeaderSize);
        // A late answer to an earlier request that timed out.
        if (response.closure != send.closure) continue;

        const IOReturn status = IOReturnFromRcode(static_cast<int>(response.rcode));
        if (!isRead) return status;
        if (status != kIOReturnSuccess) {
            length = 0;
            return status;
        }
        // More than was asked is cut to what the caller's buffer holds.
        const UInt32 count = std::min(response.length, request.length);
        if (count > size - kResponseHeaderSize) return kIOReturnIOError;
        if (count > 0) std::memcpy(request.data, event.bytes.data() + kResponseHeaderSize, count);
        length = count;
        return kIOReturnSuccess;
    }
}

}  // namespace fwplat
