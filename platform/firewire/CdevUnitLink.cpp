#include "platform/firewire/CdevUnitLink.h"

#include <fcntl.h>
#include <linux/firewire-cdev.h>
#include <linux/firewire-constants.h>
#include <sys/file.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <mutex>
#include <set>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

namespace fwplat {
namespace {

using Clock = std::chrono::steady_clock;

// Kept at 4: from ABI 6 on the kernel sends a response event this header does
// not describe.
constexpr UInt32 kCdevAbiVersion = 4;
constexpr UInt32 kMaxPayload = 4096;
constexpr UInt64 kMaxOffset = (UInt64{1} << 48) - 1;
// A request overtaken by a bus reset is sent again in the new generation this
// many times at most.
constexpr int kGenerationRetries = 1;

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
bool IsQuadletTcode(int tcode)
{
    return tcode == TCODE_READ_QUADLET_REQUEST || tcode == TCODE_WRITE_QUADLET_REQUEST;
}

}  // namespace

CdevFd::CdevFd(CdevFd&& other) noexcept
    : mSyscalls(std::move(other.mSyscalls)), mFd(std::exchange(other.mFd, -1)),
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
    }
    return *this;
}

void CdevFd::Reset()
{
    if (mFd < 0) return;
    if (mLocked) mSyscalls->Flock(mFd, LOCK_UN);
    mSyscalls->Close(mFd);
    mFd = -1;
    mLocked = false;
}

struct CdevUnitLink::Request {
    int tcode;
    UInt64 offset;
    void* data;
    UInt32 length;  // asked for, or sent
    Clock::time_point deadline;
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

CdevUnitLink::CdevUnitLink(std::string nodePath, std::shared_ptr<CdevSyscalls> syscalls, int responseTimeoutMs)
    : mNodePath(std::move(nodePath)),
      mSyscalls(syscalls ? std::move(syscalls) : CdevSyscalls::System()),
      mResponseTimeoutMs(std::max(responseTimeoutMs, 0))
{
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
    for (int attempt = 0;; ++attempt) {
        const IOReturn status = SendAndAwait(request, sendGeneration, length);
        if (status != kIOFireWireBusReset || failOnReset || attempt >= kGenerationRetries) return status;
        // The bus-reset event may still be on its way; ask for the generation.
        if (IOReturn refresh = QueryBusInfo(mFd.Get()); refresh != kIOReturnSuccess) return refresh;
        sendGeneration = mGeneration;
    }
}

IOReturn CdevUnitLink::AwaitReadable(const Request& request) const
{
    for (;;) {
        const auto now = Clock::now();
        if (now >= request.deadline) return kIOReturnTimeout;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(request.deadline - now).count();
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

    // Each field is taken only after the size check that shows it arrived.
    alignas(8) std::array<unsigned char, kEventBufferSize> event{};
    for (;;) {
        if (IOReturn status = AwaitReadable(request); status != kIOReturnSuccess) return status;
        const long got = mSyscalls->Read(mFd.Get(), event.data(), event.size());
        if (got < 0) {
            const int error = errno;
            if (error == EINTR || error == EAGAIN) continue;
            return error == ENODEV ? kIOReturnNoDevice : kIOReturnIOError;
        }
        const auto size = std::min(static_cast<std::size_t>(got), event.size());
        if (size < kEventHeaderSize) return kIOReturnIOError;

        fw_cdev_event_common common{};
        std::memcpy(&common, event.data(), kEventHeaderSize);
        if (common.type == FW_CDEV_EVENT_BUS_RESET) {
            if (size < kBusResetSize) return kIOReturnIOError;
            fw_cdev_event_bus_reset reset{};
            std::memcpy(&reset, event.data(), kBusResetSize);
            mGeneration = reset.generation;
            continue;
        }
        if (common.type != FW_CDEV_EVENT_RESPONSE) continue;
        if (size < kResponseHeaderSize) return kIOReturnIOError;
        fw_cdev_event_response response{};
        std::memcpy(&response, event.data(), kResponseHeaderSize);
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
        if (count > 0) std::memcpy(request.data, event.data() + kResponseHeaderSize, count);
        length = count;
        return kIOReturnSuccess;
    }
}

}  // namespace fwplat
