// SPDX-License-Identifier: MIT
// Simulated units served on sockets and the transport that finds them:
// ownership between clients, and peers that hang up, talk nonsense or fall silent.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <linux/firewire-constants.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <stop_token>
#include <thread>
#include <tuple>

#include "platform/firewire/LinuxCdevTransport.h"
#include "platform/firewire/SocketUnitTransport.h"
#include "sim/KeUnitModel.h"
#include "sim/SimWireProtocol.h"
#include "sim/SocketServer.h"
#include "tests/support/SocketSim.h"

namespace wire = kesim::wire;
using socksim::Bytes;
using Clock = std::chrono::steady_clock;

namespace {

constexpr UInt64 kSoftware = kesim::kSoftwareVersionReg;

// The next frame from `fd`, or nothing once it is closed or quiet for 2 s.
std::optional<wire::Frame> NextFrame(int fd, Bytes& inbox, const std::stop_token& stop = {})
{
    wire::Frame frame;
    for (int quiet = 0; wire::TakeFrame(inbox, frame) != wire::Parse::Complete;) {
        pollfd p{fd, POLLIN, 0};
        std::uint8_t buffer[8192];
        if (stop.stop_requested() || ::poll(&p, 1, 20) < 0 || ++quiet > 100) return std::nullopt;
        const ssize_t n = p.revents ? ::recv(fd, buffer, sizeof buffer, 0) : -1;
        if (n == 0) return std::nullopt;
        if (n > 0) inbox.insert(inbox.end(), buffer, buffer + n);
    }
    return frame;
}

void Send(int fd, const Bytes& bytes) { ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL); }

void SendFrame(int fd, wire::Type type, const Bytes& body)
{
    Bytes frame;
    wire::AppendFrame(frame, type, body);
    Send(fd, frame);
}

// A socket connected to `path`, or bound there and listening or, like one left by a crash, not.
enum class End { Client, Listening, Dead };
wire::Fd Socket(const std::string& path, End end)
{
    wire::Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    wire::MakeAddress(path, address);
    EXPECT_EQ(
        (end == End::Client ? ::connect : ::bind)(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_TRUE(end != End::Listening || ::listen(fd.Get(), 8) == 0);
    return fd;
}

// A raw client, for what the transport would never send.
struct RawClient {
    explicit RawClient(const std::string& path) : fd(Socket(path, End::Client)) {}
    std::optional<wire::Frame> Ask(wire::Type type, const Bytes& body = {})
    {
        SendFrame(fd.Get(), type, body);
        return NextFrame(fd.Get(), inbox);
    }

    wire::Fd fd;
    Bytes inbox;
};

// The status and the length that came back.
std::pair<IOReturn, UInt32> Read(fwplat::UnitLink& link, UInt64 offset, UInt32 length = 4, bool failOnReset = false,
                                 UInt32 gen = 0)
{
    std::uint8_t buffer[8] = {};
    const int tcode = length == 4 ? TCODE_READ_QUADLET_REQUEST : TCODE_READ_BLOCK_REQUEST;
    const IOReturn status = link.Transact(tcode, offset, buffer, length, failOnReset, gen);
    return {status, length};
}

// One unit served on <dir>/ke-unit.sock and found there by the transport.
class SocketUnit : public testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(server->Start(error)) << error;
    }

    std::vector<fwplat::UnitInfo> Scan() { return fwplat::SocketUnitTransport(options).Scan(); }
    std::unique_ptr<fwplat::UnitLink> Link()
    {
        auto units = Scan();
        return units.empty() ? nullptr : units.front().connect();
    }

    socksim::TempDir dir;
    std::string path = wire::SocketPath(dir.path(), "ke-unit");
    fwplat::SocketTransportOptions options{.runtimeDir = dir.path(), .responseTimeoutMs = 500};
    std::shared_ptr<kesim::KeUnitModel> model = std::make_shared<kesim::KeUnitModel>();
    std::unique_ptr<kesim::SocketServer> server = std::make_unique<kesim::SocketServer>(model, path);
};

TEST_F(SocketUnit, DiscoveryFindsTheUnitAfterTheRealBusOnlyWhenAskedTo)
{
    auto units = Scan();
    ASSERT_EQ(units.size(), 1u);
    EXPECT_EQ(std::tuple(units[0].name, units[0].specifierId, units[0].version, units[0].guid),
              std::tuple(path, 0xA27u, 0x11u, kesim::KeUnitConfig{}.guid));

    for (const char* value : {static_cast<const char*>(nullptr), "", "0", "yes", "1"}) {
        const bool asked = value != nullptr && std::string(value) == "1";
        const auto defaults = fwplat::DefaultTransports(fwplat::SimulatedUnitsFrom(value));
        ASSERT_EQ(defaults.size(), asked ? 2u : 1u) << asked;
        EXPECT_TRUE(std::dynamic_pointer_cast<fwplat::LinuxCdevTransport>(defaults[0]));
        EXPECT_TRUE(!asked || std::dynamic_pointer_cast<fwplat::SocketUnitTransport>(defaults[1]));
    }
}

TEST_F(SocketUnit, OneClientHoldsTheUnitAtATimeAndItAnswersLikeAUnitOnTheBus)
{
    auto first = Link(), second = Link(), other = Link();
    ASSERT_TRUE(first && second && other);
    EXPECT_EQ(Read(*first, kSoftware).first, kIOReturnNotOpen);
    EXPECT_EQ((std::vector{first->Open(), first->Open(), second->Open()}),
              (std::vector{kIOReturnSuccess, kIOReturnSuccess, kIOReturnExclusiveAccess}));
    first->Close();
    EXPECT_EQ(second->Open(), kIOReturnSuccess);
    second.reset();  // closes on the way out

    // A client that goes without giving the unit back loses it.
    {
        RawClient raw(path);
        ASSERT_TRUE(raw.Ask(wire::Type::Hello, wire::EncodeHello()));
        ASSERT_TRUE(raw.Ask(wire::Type::Acquire));
        EXPECT_EQ(first->Open(), kIOReturnExclusiveAccess);
    }
    EXPECT_EQ(first->Open(), kIOReturnSuccess);

    // Held, it answers like a unit on the bus.
    model->ChangeConfig([](kesim::KeUnitConfig& c) { c.serialReadLimit = 3; });
    EXPECT_EQ(Read(*first, kesim::kSerialNumberReg, 8), std::pair(kIOReturnSuccess, 3u));
    EXPECT_EQ(Read(*first, kesim::kRegisterBase + 0x40), std::pair(kIOFireWireAddressError, 0u));
    std::uint8_t big[wire::kMaxData + 1] = {};
    UInt32 length = sizeof big;
    EXPECT_EQ(first->Transact(TCODE_WRITE_BLOCK_REQUEST, kesim::kUpdateDataReg, big, length, false, 0),
              kIOReturnBadArgument);
    length = 4;
    EXPECT_EQ(first->Transact(0x7, kSoftware, big, length, false, 0), kIOReturnBadArgument);

    // A bus reset: a caller that minds it is told, one that does not is not,
    // even while the new generation takes its time to show.
    UInt32 generation = 0;
    ASSERT_EQ(first->GetBusGeneration(generation), kIOReturnSuccess);
    model->ChangeConfig([](kesim::KeUnitConfig& c) { c.resetSettle = std::chrono::milliseconds(100); });
    model->BusReset();
    EXPECT_EQ(Read(*first, kSoftware, 4, true, generation).first, kIOFireWireBusReset);
    EXPECT_EQ(Read(*first, kSoftware, 4, false, generation), std::pair(kIOReturnSuccess, 4u));

    // Off the bus: not listed, not to be had.
    model->Vanish();
    EXPECT_TRUE(Scan().empty());
    EXPECT_EQ(other->Open(), kIOReturnNoDevice);
    EXPECT_EQ(other->GetBusGeneration(generation), kIOReturnNoDevice);

    // Unplugged: the socket goes and the unit with it.
    server->Stop();
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(Read(*first, kSoftware).first, kIOReturnNoDevice);
    EXPECT_EQ(fwplat::SocketUnitTransport::Connect(path, options), nullptr);
}

TEST_F(SocketUnit, ServerKeepsItsNameAndSurvivesNonsense)
{
    // A request the protocol does not have ends only that connection.
    auto link = Link();
    ASSERT_TRUE(link);
    for (const Bytes& junk : {Bytes{'G', 'E', 'T', ' ', '/', '\n', 0, 0}, Bytes{'K', 'U', 0x05, 0, 0, 0, 0, 0}}) {
        RawClient raw(path);
        ASSERT_TRUE(raw.Ask(wire::Type::Hello, wire::EncodeHello()));
        Send(raw.fd.Get(), junk);
        EXPECT_FALSE(NextFrame(raw.fd.Get(), raw.inbox)) << "closed";
    }
    EXPECT_FALSE(RawClient(path).Ask(wire::Type::Acquire)) << "nothing before the hello";
    EXPECT_EQ(link->Open(), kIOReturnSuccess);

    // Someone else's socket answering on the path, or a file in its place.
    server.reset();
    link.reset();
    std::string error;
    {
        const wire::Fd other = Socket(path, End::Listening);
        EXPECT_FALSE(kesim::SocketServer(model, path).Start(error));
        EXPECT_NE(error.find("answers"), std::string::npos) << error;
    }
    // That socket is now left over from a dead server: replaced.
    EXPECT_TRUE(std::filesystem::is_socket(path));
    EXPECT_TRUE(kesim::SocketServer(model, path).Start(error)) << error;
    std::ofstream(path) << "not a socket";
    EXPECT_FALSE(kesim::SocketServer(model, path).Start(error));
    EXPECT_NE(error.find("not a socket"), std::string::npos) << error;
}

// A peer on its own socket that greets properly, then misbehaves when asked for a transaction (one connection).
class BrokenPeer {
public:
    enum class Fault { HangUp, Garbage, Silence, SilentHello };

    BrokenPeer(const std::string& path, Fault fault)
        : mListen(Socket(path, End::Listening)),
          mThread([this, fault](const std::stop_token& stop) { Run(fault, stop); })
    {
    }

private:
    void Run(Fault fault, const std::stop_token& stop)
    {
        pollfd p{mListen.Get(), POLLIN, 0};
        while (::poll(&p, 1, 20) != 1)
            if (stop.stop_requested()) return;
        const wire::Fd fd(::accept(mListen.Get(), nullptr, nullptr));
        Bytes inbox;
        while (auto frame = NextFrame(fd.Get(), inbox, stop)) {
            if (frame->type == wire::Type::Transact && fault == Fault::HangUp) return;
            if (frame->type == wire::Type::Hello && fault != Fault::SilentHello) {
                const wire::HelloReply hello{.specifierId = 0xA27, .swVersion = 0x11, .attached = true};
                SendFrame(fd.Get(), wire::Type::HelloReply, wire::Encode(hello));
            } else if (frame->type == wire::Type::Acquire) {
                SendFrame(fd.Get(), wire::Type::AcquireReply, wire::Encode(wire::AcquireResult::Granted));
            } else if (frame->type == wire::Type::Transact && fault == Fault::Garbage) {
                const std::string text = "HTTP/1.0 400 Bad Request\r\n\r\n";
                Send(fd.Get(), Bytes(text.begin(), text.end()));
            }
        }
    }

    wire::Fd mListen;
    std::jthread mThread;  // asked to stop and joined first
};

TEST(SocketPeer, MisbehavingUnitsFailWithinTheTimeOut)
{
    socksim::TempDir dir;
    fwplat::SocketTransportOptions options{.runtimeDir = dir.path(), .helloTimeoutMs = 100, .responseTimeoutMs = 300};
    const std::string path = dir / "peer.sock";
    const std::pair<BrokenPeer::Fault, IOReturn> cases[] = {{BrokenPeer::Fault::HangUp, kIOReturnNoDevice},
                                                            {BrokenPeer::Fault::Garbage, kIOReturnNoDevice},
                                                            {BrokenPeer::Fault::Silence, kIOReturnTimeout}};
    for (const auto& [fault, status] : cases) {
        ::unlink(path.c_str());
        BrokenPeer peer(path, fault);
        auto link = fwplat::SocketUnitTransport::Connect(path, options);
        ASSERT_TRUE(link && link->Open() == kIOReturnSuccess);
        const auto start = Clock::now();
        EXPECT_EQ(Read(*link, kSoftware), std::pair(status, 0u));
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
        // The connection is gone for good: its stream cannot be trusted.
        UInt32 generation = 0;
        EXPECT_EQ(Read(*link, kSoftware).first, kIOReturnNoDevice);
        EXPECT_EQ(link->GetBusGeneration(generation), kIOReturnNoDevice);
    }

    // One that never greets is left out of a scan, quickly.
    ::unlink(path.c_str());
    BrokenPeer mute(path, BrokenPeer::Fault::SilentHello);
    const auto start = Clock::now();
    EXPECT_TRUE(fwplat::SocketUnitTransport(options).Scan().empty());
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1000));
}

TEST(SocketScan, SkipsWhatIsNotAUnitOfOurs)
{
    socksim::TempDir dir;
    // A skipped entry that waited for the hello would show.
    fwplat::SocketTransportOptions options{.runtimeDir = dir.path(), .helloTimeoutMs = 1000};
    auto model = std::make_shared<kesim::KeUnitModel>();
    kesim::SocketServer server(model, dir / "unit.sock");
    std::string error;
    ASSERT_TRUE(server.Start(error)) << error;

    std::ofstream(dir / "a-file.sock") << "x";
    std::filesystem::create_directory(dir / "b-dir.sock");
    Socket(dir / "c-dead.sock", End::Dead);  // refuses at once
    std::unique_ptr<kesim::SocketServer> foreign;
    if (::geteuid() == 0) {
        // Only root can give a socket to another user.
        foreign = std::make_unique<kesim::SocketServer>(model, dir / "d-foreign.sock");
        ASSERT_TRUE(foreign->Start(error)) << error;
        ASSERT_EQ(::chown((dir / "d-foreign.sock").c_str(), 4242, 4242), 0);
    }

    const auto start = Clock::now();
    auto units = fwplat::SocketUnitTransport(options).Scan();
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_TRUE(units.size() == 1 && units[0].name == dir / "unit.sock") << units.size();

    // A directory others may enter is not trusted at all; a missing one has nothing.
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_TRUE(fwplat::SocketUnitTransport(options).Scan().empty());
    ::chmod(dir.path().c_str(), 0700);
    options.runtimeDir = dir / "missing";
    EXPECT_TRUE(fwplat::SocketUnitTransport(options).Scan().empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

}  // namespace
