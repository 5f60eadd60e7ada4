// SPDX-License-Identifier: MIT
// Serves one simulated unit to other processes over a Unix domain socket,
// with the protocol of SimWireProtocol.h. One thread polls the listening
// socket and every client; the unit behind the UnitPort is thread-safe.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "sim/KeUnitModel.h"
#include "sim/SimWireProtocol.h"
#include "sim/UnitPort.h"

namespace kesim {

// What a client did, reported to the server's observer on the server thread.
struct ClientEvent {
    enum class Kind { Connected, Disconnected, Acquired, AcquireRefused, Relinquished, Transaction, Malformed };
    Kind kind = Kind::Connected;
    std::uint64_t client = 0;       // connection number, from 1
    pid_t pid = 0;                  // the client's process, 0 when unknown
    TransactionRecord transaction;  // Transaction only: request and rcode
};

class SocketServer {
public:
    using Observer = std::function<void(const ClientEvent&)>;

    static constexpr std::size_t kMaxClients = 64;

    SocketServer(std::shared_ptr<UnitPort> port, std::string socketPath, Observer observer = {});
    ~SocketServer();
    SocketServer(const SocketServer&) = delete;
    SocketServer& operator=(const SocketServer&) = delete;

    // Takes the socket path and starts serving on a thread of its own.
    // Refused (false, with the reason) when another server holds the name
    // or answers on the socket, or the path is taken by something that is
    // not a socket. A socket file nobody answers on is left from a crash and
    // is replaced.
    bool Start(std::string& error);

    // Unplugs the unit: every client connection ends and the socket file
    // goes. Also happens by itself when the unit leaves the bus. Idempotent.
    // The name stays taken until the server is destroyed, so that its owner
    // can finish its own files before another server takes over.
    void Stop();

    // True from a successful Start until the unit is unplugged.
    bool Serving() const { return mServing.load(); }
    const std::string& Path() const { return mPath; }

private:
    struct Client;

    bool TakeLock(std::string& error);
    bool ClearPath(std::string& error);
    void Serve();
    void Accept(std::vector<std::unique_ptr<Client>>& clients);
    bool Receive(Client& client);
    bool Process(Client& client, bool& unitGone);
    bool Handle(Client& client, const wire::Frame& frame, bool& unitGone);
    void Reply(Client& client, wire::Type type, const wire::Bytes& body);
    bool Flush(Client& client);
    void Drop(Client& client);
    void Notify(ClientEvent::Kind kind, const Client& client, const TransactionRecord* record = nullptr);
    // Closes the socket and removes its file (if still ours).
    void Unplug();
    void ReleaseName();

    std::shared_ptr<UnitPort> mPort;
    std::string mPath;
    std::string mLockPath;
    Observer mObserver;
    wire::Fd mLock;
    wire::Fd mListen;
    wire::Fd mWake;
    dev_t mSocketDev = 0;
    ino_t mSocketIno = 0;
    // Server thread only.
    std::uint64_t mNextClient = 1;
    std::uint64_t mOwner = 0;  // the connection holding the unit, 0: none
    std::atomic<bool> mServing{false};
    std::thread mThread;
};

}  // namespace kesim
