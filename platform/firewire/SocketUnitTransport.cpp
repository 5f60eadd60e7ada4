// SPDX-License-Identifier: MIT
#include "platform/firewire/SocketUnitTransport.h"

#include <dirent.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <linux/firewire-constants.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "sim/SimWireProtocol.h"

namespace fwplat {
namespace {

namespace wire = kesim::wire;
using Clock = std::chrono::steady_clock;

// How soon a request overtaken by a bus reset is tried again: the unit may
// take a while to settle in its new generation.
constexpr auto kResendInterval = std::chrono::milliseconds(10);

// Milliseconds left until `deadline`, rounded up, for poll.
int Remaining(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for `events` on `fd`: 1 ready, 0 time over, -1 error.
int Wait(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, Remaining(deadline));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n;
        // POLLHUP with data still queued: the data is read first.
        return (p.revents & events) != 0 || (p.revents & POLLHUP) != 0 ? 1 : -1;
    }
}

// One connection to a unit's server; one request at a time.
class Connection {
public:
    bool Alive() const { return mFd.Valid(); }

    // Connects and says hello, all within `timeoutMs`.
    bool Open(const std::string& path, int timeoutMs, wire::HelloReply& hello)
    {
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        sockaddr_un address{};
        if (!wire::MakeAddress(path, address)) return false;
        mFd.Reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        if (!mFd.Valid()) return false;
        // A dead socket refuses at once; a full backlog counts as not answering.
        if (::connect(mFd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            mFd.Reset();
            return false;
        }
        wire::Frame reply;
        if (Exchange(wire::Type::Hello, wire::EncodeHello(), deadline, reply) != kIOReturnSuccess) return false;
        if (!wire::Decode(reply.body, hello) || hello.version != wire::kProtocolVersion) {
            mFd.Reset();
            return false;
        }
        return true;
    }

    // The unit's GUID; nothing from a server that predates the question
    // (it hangs up) or does not answer in time.
    std::optional<std::uint64_t> Identity(int timeoutMs)
    {
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        wire::Frame reply;
        std::uint64_t guid = 0;
        if (Exchange(wire::Type::Identity, {}, deadline, reply) != kIOReturnSuccess ||
            !wire::DecodeIdentity(reply.body, guid))
            return std::nullopt;
        return guid;
    }

    // Sends one request and takes its reply. Any failure drops the connection.
    IOReturn Exchange(wire::Type type, const wire::Bytes& body, Clock::time_point deadline, wire::Frame& reply)
    {
        if (!mFd.Valid()) return kIOReturnNoDevice;
        wire::Bytes out;
        wire::AppendFrame(out, type, body);
        IOReturn status = Send(out, deadline);
        if (status == kIOReturnSuccess) status = Receive(deadline, reply);
        if (status == kIOReturnSuccess && reply.type != wire::ReplyTo(type)) status = kIOReturnNoDevice;
        if (status != kIOReturnSuccess) Drop();
        return status;
    }

    // The answer did not make sense: nothing more from this peer is trusted.
    void Drop()
    {
        mFd.Reset();
        mInbox.clear();
    }

private:
    IOReturn Send(const wire::Bytes& out, Clock::time_point deadline)
    {
        std::size_t done = 0;
        while (done < out.size()) {
            const ssize_t n = ::send(mFd.Get(), out.data() + done, out.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN) return kIOReturnNoDevice;  // EPIPE, ECONNRESET: the unit hung up
            const int ready = Wait(mFd.Get(), POLLOUT, deadline);
            if (ready == 0) return kIOReturnTimeout;
            if (ready < 0) return kIOReturnNoDevice;
        }
        return kIOReturnSuccess;
    }

    IOReturn Receive(Clock::time_point deadline, wire::Frame& reply)
    {
        for (;;) {
            switch (wire::TakeFrame(mInbox, reply)) {
            case wire::Parse::Complete:
                // One request is outstanding, so one reply may be waiting.
                return mInbox.empty() ? kIOReturnSuccess : kIOReturnNoDevice;
            case wire::Parse::Malformed:
                return kIOReturnNoDevice;
            case wire::Parse::Incomplete:
                break;
            }
            std::uint8_t buffer[wire::kFrameHeaderSize + wire::kMaxBody];
            const ssize_t n = ::recv(mFd.Get(), buffer, sizeof buffer, MSG_DONTWAIT);
            if (n > 0) {
                mInbox.insert(mInbox.end(), buffer, buffer + n);
                continue;
            }
            if (n == 0 || (errno != EAGAIN && errno != EINTR)) return kIOReturnNoDevice;
            if (errno == EINTR) continue;
            const int ready = Wait(mFd.Get(), POLLIN, deadline);
            if (ready == 0) return kIOReturnTimeout;
            if (ready < 0) return kIOReturnNoDevice;
        }
    }

    wire::Fd mFd;
    wire::Bytes mInbox;
};

class SocketUnitLink : public UnitLink {
public:
    SocketUnitLink(Connection connection, int timeoutMs) : mConnection(std::move(connection)), mTimeoutMs(timeoutMs) {}

    ~SocketUnitLink() override { Close(); }

    IOReturn Open() override
    {
        std::lock_guard lock(mMutex);
        if (mOpen) return kIOReturnSuccess;
        wire::Frame reply;
        const IOReturn status = mConnection.Exchange(wire::Type::Acquire, {}, Deadline(), reply);
        if (status != kIOReturnSuccess) return status;
        wire::AcquireResult result{};
        if (!wire::Decode(reply.body, result)) return Garbage();
        switch (result) {
        case wire::AcquireResult::Granted:
            mOpen = true;
            return kIOReturnSuccess;
        case wire::AcquireResult::Held:
            return kIOReturnExclusiveAccess;
        default:
            return kIOReturnNoDevice;
        }
    }

    void Close() override
    {
        std::lock_guard lock(mMutex);
        if (!mOpen) return;
        mOpen = false;
        wire::Frame reply;
        // Should the answer not come, the dropped connection gives the unit back.
        if (mConnection.Exchange(wire::Type::Relinquish, {}, Deadline(), reply) == kIOReturnSuccess &&
            !reply.body.empty())
            mConnection.Drop();
    }

    IOReturn GetBusGeneration(UInt32& generation) override
    {
        std::lock_guard lock(mMutex);
        wire::Frame reply;
        const IOReturn status = mConnection.Exchange(wire::Type::Generation, {}, Deadline(), reply);
        if (status != kIOReturnSuccess) return status;
        wire::GenerationReply answer;
        if (!wire::Decode(reply.body, answer)) return Garbage();
        if (!answer.attached) return kIOReturnNoDevice;
        generation = answer.generation;
        return kIOReturnSuccess;
    }

    IOReturn Transact(int tcode, UInt64 offset, void* data, UInt32& length, bool failOnReset,
                      UInt32 generation) override
    {
        std::lock_guard lock(mMutex);
        if (!mOpen) return kIOReturnNotOpen;
        const auto code = static_cast<std::uint8_t>(tcode);
        const bool read = tcode == code && wire::IsRead(code);
        const bool write = tcode == code && wire::IsWrite(code);
        if ((!read && !write) || (data == nullptr && length > 0) || length > wire::kMaxData || offset >> 48 != 0)
            return kIOReturnBadArgument;

        const Clock::time_point deadline = Deadline();
        wire::TransactRequest request;
        request.tcode = code;
        request.flags = failOnReset ? 0 : wire::kFlagCurrentGeneration;
        request.offset = offset;
        request.length = length;
        request.generation = generation;
        if (write && length > 0)
            request.data.assign(static_cast<const std::uint8_t*>(data),
                                static_cast<const std::uint8_t*>(data) + length);
        if (read) length = 0;  // until the unit says otherwise

        // The server sends a request without failOnReset in the unit's
        // current generation; RCODE_GENERATION means it never reached the
        // unit, so it is safe to send again.
        for (;;) {
            const IOReturn status = Send(request, deadline, data, length);
            if (status != kIOFireWireBusReset || failOnReset || Clock::now() + kResendInterval >= deadline)
                return status;
            std::this_thread::sleep_for(kResendInterval);
        }
    }

private:
    IOReturn Send(const wire::TransactRequest& request, Clock::time_point deadline, void* data, UInt32& length)
    {
        const bool write = wire::IsWrite(request.tcode);
        wire::Frame frame;
        const IOReturn status = mConnection.Exchange(wire::Type::Transact, wire::Encode(request), deadline, frame);
        if (status != kIOReturnSuccess) return status;
        wire::TransactReply reply;
        // A read answers at most what was asked, a write nothing at all.
        if (!wire::Decode(frame.body, reply) || reply.data.size() > request.length ||
            (!reply.data.empty() && (write || reply.rcode != RCODE_COMPLETE)))
            return Garbage();
        if (!write && !reply.data.empty()) {
            std::memcpy(data, reply.data.data(), reply.data.size());
            length = static_cast<UInt32>(reply.data.size());
        }
        return IOReturnFromRcode(reply.rcode);
    }

    Clock::time_point Deadline() const { return Clock::now() + std::chrono::milliseconds(mTimeoutMs); }

    IOReturn Garbage()
    {
        mConnection.Drop();
        return kIOReturnNoDevice;
    }

    std::mutex mMutex;
    Connection mConnection;
    const int mTimeoutMs;
    bool mOpen = false;
};

}  // namespace

SocketUnitTransport::SocketUnitTransport(SocketTransportOptions options) : mOptions(std::move(options)) {}

std::vector<UnitInfo> SocketUnitTransport::Scan()
{
    const std::string dir = mOptions.runtimeDir.empty() ? wire::DefaultRuntimeDirectory() : mOptions.runtimeDir;
    std::vector<UnitInfo> units;
    if (!wire::CheckRuntimeDirectory(dir, false, nullptr)) return units;
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        const std::string suffix = wire::kSocketSuffix;
        while (const dirent* entry = ::readdir(d)) {
            const std::string name = entry->d_name;
            if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
                names.push_back(name);
        }
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());

    for (const std::string& name : names) {
        const std::string path = dir + "/" + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode) || st.st_uid != ::getuid()) continue;
        Connection connection;
        wire::HelloReply hello;
        if (!connection.Open(path, mOptions.helloTimeoutMs, hello) || !hello.attached) continue;
        UnitInfo info;
        info.name = path;
        info.specifierId = hello.specifierId;
        info.version = hello.swVersion;
        info.guid = connection.Identity(mOptions.helloTimeoutMs);
        info.connect = [path, options = mOptions] { return Connect(path, options); };
        units.push_back(std::move(info));
    }
    return units;
}

std::unique_ptr<UnitLink> SocketUnitTransport::Connect(const std::string& path, const SocketTransportOptions& options)
{
    Connection connection;
    wire::HelloReply hello;
    if (!connection.Open(path, options.helloTimeoutMs, hello) || !hello.attached) return nullptr;
    return std::make_unique<SocketUnitLink>(std::move(connection), options.responseTimeoutMs);
}

}  // namespace fwplat
