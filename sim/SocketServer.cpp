// SPDX-License-Identifier: MIT
#include "sim/SocketServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <linux/firewire-constants.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace kesim {

using wire::Bytes;
using wire::Type;

struct SocketServer::Client {
    wire::Fd fd;
    std::uint64_t number = 0;
    pid_t pid = 0;
    bool greeted = false;
    bool closing = false;  // drop once the outbox is out
    Bytes inbox;
    Bytes outbox;
};

namespace {

std::string Errno(const std::string& what) { return what + ": " + std::strerror(errno); }

bool SameFile(const std::string& path, dev_t dev, ino_t ino)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && st.st_dev == dev && st.st_ino == ino;
}

}  // namespace

SocketServer::SocketServer(std::shared_ptr<UnitPort> port, std::string socketPath, Observer observer)
    : mPort(std::move(port)), mPath(std::move(socketPath)), mLockPath(mPath + ".lock"), mObserver(std::move(observer))
{
}

SocketServer::~SocketServer()
{
    Stop();
    ReleaseName();
}

bool SocketServer::Start(std::string& error)
{
    if (mThread.joinable() || mServing.load()) {
        error = mPath + ": already serving";
        return false;
    }
    sockaddr_un address{};
    if (!mPort || !wire::MakeAddress(mPath, address)) {
        error = mPath + ": not a usable socket path (too long?)";
        return false;
    }
    if ((!mLock.Valid() && !TakeLock(error)) || !ClearPath(error)) {
        ReleaseName();
        return false;
    }
    mListen.Reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    struct stat st {};
    if (!mListen.Valid() || ::bind(mListen.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(mListen.Get(), 16) != 0 || ::lstat(mPath.c_str(), &st) != 0) {
        error = Errno(mPath);
        Unplug();
        ReleaseName();
        return false;
    }
    mSocketDev = st.st_dev;
    mSocketIno = st.st_ino;
    mWake.Reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!mWake.Valid()) {
        error = Errno("eventfd");
        Unplug();
        ReleaseName();
        return false;
    }
    mServing.store(true);
    mThread = std::thread([this] { Serve(); });
    return true;
}

void SocketServer::Stop()
{
    if (mThread.joinable()) {
        const std::uint64_t one = 1;
        // The counter cannot overflow from one write; a failure leaves it set anyway.
        [[maybe_unused]] ssize_t written = ::write(mWake.Get(), &one, sizeof one);
        mThread.join();
    }
    Unplug();
    mWake.Reset();
}

// A lock file beside the socket makes two servers starting at once safe: the
// second sees the lock even before the first has bound its socket.
bool SocketServer::TakeLock(std::string& error)
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        wire::Fd fd(::open(mLockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!fd.Valid()) {
            error = Errno(mLockPath);
            return false;
        }
        if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
            error = errno == EWOULDBLOCK ? "another simulated unit is already served on " + mPath : Errno(mLockPath);
            return false;
        }
        // The previous holder may have removed the file between our open and
        // our lock; a lock on a removed file guards nothing.
        struct stat held {};
        if (::fstat(fd.Get(), &held) == 0 && SameFile(mLockPath, held.st_dev, held.st_ino)) {
            mLock = std::move(fd);
            return true;
        }
    }
    error = mLockPath + ": keeps changing";
    return false;
}

bool SocketServer::ClearPath(std::string& error)
{
    struct stat st {};
    if (::lstat(mPath.c_str(), &st) != 0) {
        if (errno == ENOENT) return true;
        error = Errno(mPath);
        return false;
    }
    if (!S_ISSOCK(st.st_mode)) {
        error = mPath + ": exists and is not a socket";
        return false;
    }
    sockaddr_un address{};
    wire::MakeAddress(mPath, address);
    wire::Fd probe(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!probe.Valid()) {
        error = Errno("socket");
        return false;
    }
    if (::connect(probe.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 || errno == EAGAIN ||
        errno == EINPROGRESS) {
        error = "a simulated unit already answers on " + mPath;
        return false;
    }
    if (errno != ECONNREFUSED) {
        error = Errno(mPath);
        return false;
    }
    // Nobody listens: left behind by a server that died.
    if (::unlink(mPath.c_str()) != 0 && errno != ENOENT) {
        error = Errno(mPath);
        return false;
    }
    return true;
}

void SocketServer::Unplug()
{
    if (mListen.Valid()) {
        mListen.Reset();
        if (SameFile(mPath, mSocketDev, mSocketIno)) ::unlink(mPath.c_str());
    }
    mServing.store(false);
}

void SocketServer::ReleaseName()
{
    if (!mLock.Valid()) return;
    ::unlink(mLockPath.c_str());
    mLock.Reset();
}

void SocketServer::Serve()
{
    std::vector<std::unique_ptr<Client>> clients;
    bool unitGone = false;
    std::vector<pollfd> fds;
    while (!unitGone) {
        fds.clear();
        fds.push_back({mWake.Get(), POLLIN, 0});
        fds.push_back({mListen.Get(), POLLIN, 0});
        for (const auto& client : clients)
            fds.push_back({client->fd.Get(), static_cast<short>(client->outbox.empty() ? POLLIN : POLLOUT), 0});
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[0].revents != 0) break;
        // Hang-ups first: a unit given back that way is free for the
        // requests of this round.
        for (std::size_t i = 0; i < clients.size(); ++i) {
            Client& client = *clients[i];
            const short revents = fds[i + 2].revents;
            bool keep = (revents & (POLLERR | POLLNVAL)) == 0;
            if (keep && (revents & POLLOUT)) keep = Flush(client);
            if (keep && (revents & (POLLIN | POLLHUP))) keep = Receive(client);
            if (!keep) Drop(client);
        }
        for (auto& client : clients) {
            if (client->fd.Valid() && !unitGone && !Process(*client, unitGone)) Drop(*client);
        }
        std::erase_if(clients, [](const auto& c) { return !c->fd.Valid(); });
        if (!unitGone && (fds[1].revents & POLLIN)) Accept(clients);
    }
    for (auto& client : clients) Drop(*client);
    Unplug();
}

void SocketServer::Accept(std::vector<std::unique_ptr<Client>>& clients)
{
    for (;;) {
        wire::Fd fd(::accept4(mListen.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!fd.Valid()) return;                      // EAGAIN: no more waiting; anything else: the client went again
        if (clients.size() >= kMaxClients) continue;  // closed at once
        auto client = std::make_unique<Client>();
        client->fd = std::move(fd);
        client->number = mNextClient++;
        ucred credentials{};
        socklen_t size = sizeof credentials;
        if (::getsockopt(client->fd.Get(), SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0)
            client->pid = credentials.pid;
        Notify(ClientEvent::Kind::Connected, *client);
        clients.push_back(std::move(client));
    }
}

bool SocketServer::Receive(Client& client)
{
    std::uint8_t buffer[8192];
    const ssize_t n = ::recv(client.fd.Get(), buffer, sizeof buffer, MSG_DONTWAIT);
    if (n > 0) {
        client.inbox.insert(client.inbox.end(), buffer, buffer + n);
        return true;
    }
    return n < 0 && (errno == EAGAIN || errno == EINTR);
}

// One request at a time: the next is taken only once the last reply is out,
// so a client that sends and never reads cannot make the server hoard replies.
bool SocketServer::Process(Client& client, bool& unitGone)
{
    while (client.outbox.empty() && !client.closing && !unitGone) {
        wire::Frame frame;
        const wire::Parse parse = wire::TakeFrame(client.inbox, frame);
        if (parse == wire::Parse::Incomplete) return true;
        if (parse == wire::Parse::Malformed || !Handle(client, frame, unitGone)) {
            Notify(ClientEvent::Kind::Malformed, client);
            return false;
        }
        if (!Flush(client)) return false;
    }
    return !(client.closing && client.outbox.empty());
}

bool SocketServer::Handle(Client& client, const wire::Frame& frame, bool& unitGone)
{
    if (!client.greeted) {
        std::uint32_t version = 0;
        if (frame.type != Type::Hello || !wire::DecodeHello(frame.body, version)) return false;
        client.greeted = true;
        wire::HelloReply hello;
        hello.specifierId = mPort->SpecifierId();
        hello.swVersion = mPort->SwVersion();
        hello.generation = mPort->Generation();
        hello.attached = mPort->Attached();
        Reply(client, Type::HelloReply, wire::Encode(hello));
        // A host of another protocol version reads our version and goes.
        client.closing = version != wire::kProtocolVersion;
        return true;
    }
    switch (frame.type) {
    case Type::Acquire: {
        if (!frame.body.empty()) return false;
        wire::AcquireResult result = wire::AcquireResult::Granted;
        if (mOwner != client.number) {
            if (!mPort->Attached())
                result = wire::AcquireResult::Gone;
            else if (mOwner != 0 || !mPort->Acquire())
                result = wire::AcquireResult::Held;
            else
                mOwner = client.number;
        }
        Notify(result == wire::AcquireResult::Granted ? ClientEvent::Kind::Acquired : ClientEvent::Kind::AcquireRefused,
               client);
        Reply(client, Type::AcquireReply, wire::Encode(result));
        return true;
    }
    case Type::Relinquish:
        if (!frame.body.empty()) return false;
        if (mOwner == client.number) {
            mPort->Relinquish();
            mOwner = 0;
            Notify(ClientEvent::Kind::Relinquished, client);
        }
        Reply(client, Type::RelinquishReply, {});
        return true;
    case Type::Generation: {
        if (!frame.body.empty()) return false;
        wire::GenerationReply reply;
        reply.generation = mPort->Generation();
        reply.attached = mPort->Attached();
        Reply(client, Type::GenerationReply, wire::Encode(reply));
        return true;
    }
    case Type::Identity:
        if (!frame.body.empty()) return false;
        Reply(client, Type::IdentityReply, wire::EncodeIdentity(mPort->Guid()));
        return true;
    case Type::Transact: {
        wire::TransactRequest request;
        if (!wire::Decode(frame.body, request)) return false;
        const bool current = (request.flags & wire::kFlagCurrentGeneration) != 0;
        BusRequest bus;
        bus.tcode = request.tcode;
        bus.offset = request.offset;
        bus.length = request.length;
        bus.generation = current ? mPort->Generation() : request.generation;
        bus.data = wire::IsWrite(request.tcode) ? request.data.data() : nullptr;
        BusResponse response = mPort->Transact(bus);
        if (current && response.rcode == RCODE_GENERATION) {
            bus.generation = mPort->Generation();
            response = mPort->Transact(bus);
        }
        wire::TransactReply reply;
        reply.rcode = static_cast<std::uint8_t>(response.rcode);
        if (wire::IsRead(request.tcode) && response.rcode == RCODE_COMPLETE) {
            reply.data = std::move(response.data);
            if (reply.data.size() > request.length) reply.data.resize(request.length);
        }
        TransactionRecord record;
        record.tcode = bus.tcode;
        record.offset = bus.offset;
        record.length = bus.length;
        record.generation = bus.generation;
        record.rcode = response.rcode;
        record.data = wire::IsWrite(request.tcode) ? request.data : reply.data;
        Notify(ClientEvent::Kind::Transaction, client, &record);
        Reply(client, Type::TransactReply, wire::Encode(reply));
        // The answer to the last request still goes out; then the unit is off the bus.
        unitGone = !mPort->Attached();
        if (unitGone) Flush(client);
        return true;
    }
    default:
        return false;  // a second hello or a reply sent to us
    }
}

void SocketServer::Reply(Client& client, Type type, const Bytes& body) { wire::AppendFrame(client.outbox, type, body); }

bool SocketServer::Flush(Client& client)
{
    while (!client.outbox.empty()) {
        const ssize_t n =
            ::send(client.fd.Get(), client.outbox.data(), client.outbox.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0) return errno == EAGAIN || errno == EINTR;
        client.outbox.erase(client.outbox.begin(), client.outbox.begin() + n);
    }
    return true;
}

void SocketServer::Drop(Client& client)
{
    if (!client.fd.Valid()) return;
    if (mOwner == client.number) {
        mPort->Relinquish();
        mOwner = 0;
    }
    client.fd.Reset();
    Notify(ClientEvent::Kind::Disconnected, client);
}

void SocketServer::Notify(ClientEvent::Kind kind, const Client& client, const TransactionRecord* record)
{
    if (!mObserver) return;
    ClientEvent event;
    event.kind = kind;
    event.client = client.number;
    event.pid = client.pid;
    if (record) event.transaction = *record;
    mObserver(event);
}

}  // namespace kesim
