// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/firewire-cdev.h>
#include <linux/firewire-constants.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "platform/firewire/CdevUnitLink.h"

using namespace fwplat;
namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;
using namespace std::chrono_literals;
constexpr UInt64 kRegister = 0xFFFFF0430000ull;
constexpr std::size_t kDataAt = offsetof(fw_cdev_event_response, data);

using Clock = std::chrono::steady_clock;
// How long `run` took; `start` is taken before the body runs.
static Clock::duration Took(const std::function<void()>& run, Clock::time_point start = Clock::now())
{
    return run(), Clock::now() - start;
}

static Bytes BusReset(UInt32 generation)
{
    const fw_cdev_event_bus_reset reset{0, FW_CDEV_EVENT_BUS_RESET, 0, 0, 0, 0, 0, generation};
    const auto* bytes = reinterpret_cast<const unsigned char*>(&reset);
    return Bytes(bytes, bytes + sizeof reset);
}

// Laid out as the kernel sends it: payload at data[], sizeof + length bytes.
static Bytes Response(UInt64 closure, UInt32 rcode, const Bytes& payload, std::optional<UInt32> length = {})
{
    fw_cdev_event_response head{closure, FW_CDEV_EVENT_RESPONSE, rcode,
                                length.value_or(static_cast<UInt32>(payload.size()))};
    Bytes out(sizeof head + payload.size());
    std::memcpy(out.data(), &head, kDataAt);
    std::copy(payload.begin(), payload.end(), out.begin() + kDataAt);
    return out;
}

// Plays the kernel: decodes the real ioctl structs and queues events to read.
struct FakeCdev : CdevSyscalls {
    int openErrno = 0, flockErrno = 0, infoErrno = 0, sendErrno = 0, readErrno = 0, pollRevents = 0;
    UInt32 generation = 7;
    std::vector<fw_cdev_send_request> sent;
    Bytes sentPayload;
    std::deque<Bytes> events;
    Bytes idleEvent;  // read whenever nothing else is queued, when set
    std::vector<int> flockOps, closed;
    std::vector<std::pair<std::string, int>> opened;
    std::chrono::milliseconds closeTakes{0};
    // A bus reset as the kernel goes through it: requests end with RCODE_GENERATION at once, the new generation
    // shows (in GET_INFO and a bus-reset event) only at `publishAt`.
    std::optional<UInt32> resetTo;
    Clock::time_point publishAt;
    void ResetBus(UInt32 next, Clock::duration settle) { resetTo = next, publishAt = Clock::now() + settle; }
    void Publish()
    {
        if (!resetTo || Clock::now() < publishAt) return;
        generation = *std::exchange(resetTo, std::nullopt);
        events.push_back(BusReset(generation));
    }
    // By default a completed write, or a read of 0xA5s, in the current generation.
    std::function<void(const fw_cdev_send_request&)> respond = [this](const fw_cdev_send_request& r) {
        if (resetTo || r.generation != generation) return events.push_back(Response(r.closure, RCODE_GENERATION, {}));
        events.push_back(Response(r.closure, RCODE_COMPLETE, r.data ? Bytes() : Bytes(r.length, 0xA5)));
    };

    static int Fail(int error, int success) { return error ? (errno = error, -1) : success; }
    int Open(const char* path, int flags) override
    {
        opened.emplace_back(path, flags);
        return Fail(openErrno, 40 + static_cast<int>(opened.size()));
    }
    int Ioctl(int, unsigned long request, void* arg) override
    {
        Publish();
        if (request == FW_CDEV_IOC_GET_INFO) {
            auto* info = static_cast<fw_cdev_get_info*>(arg);
            EXPECT_EQ(info->version, 4u);
            std::memcpy(reinterpret_cast<void*>(info->bus_reset), BusReset(generation).data(),
                        sizeof(fw_cdev_event_bus_reset));
            return Fail(infoErrno, 0);
        }
        EXPECT_EQ(request, static_cast<unsigned long>(FW_CDEV_IOC_SEND_REQUEST));
        const auto& r = *static_cast<fw_cdev_send_request*>(arg);
        const auto* payload = reinterpret_cast<const unsigned char*>(r.data);
        sent.push_back(r);
        sentPayload = payload ? Bytes(payload, payload + r.length) : Bytes();
        if (!sendErrno) respond(r);
        return Fail(sendErrno, 0);
    }
    int Poll(pollfd* fds, nfds_t, int timeoutMs) override
    {
        Publish();
        const bool ready = !events.empty() || !idleEvent.empty();
        fds->revents = static_cast<short>(pollRevents ? pollRevents : ready ? POLLIN : 0);
        if (!fds->revents) std::this_thread::sleep_for(std::min(timeoutMs, 5) * 1ms);
        return fds->revents ? 1 : 0;
    }
    long Read(int, void* buf, std::size_t count) override
    {
        if (readErrno || (events.empty() && idleEvent.empty())) return Fail(readErrno ? readErrno : EAGAIN, 0);
        const Bytes event = events.empty() ? idleEvent : events.front();
        if (!events.empty()) events.pop_front();
        std::memcpy(buf, event.data(), std::min(count, event.size()));
        return static_cast<long>(std::min(count, event.size()));
    }
    int Close(int fd) override
    {
        if (closeTakes.count()) return std::this_thread::sleep_for(closeTakes), 0;
        return closed.push_back(fd), 0;
    }
    int Flock(int, int operation) override
    {
        flockOps.push_back(operation);
        return Fail(operation & LOCK_EX ? flockErrno : 0, 0);
    }
};

struct FwcdevLink : testing::Test {
    std::shared_ptr<FakeCdev> fake = std::make_shared<FakeCdev>();
    CdevUnitLink link{"/dev/fw1", fake, 200};
    void SetUp() override { ASSERT_EQ(link.Open(), kIOReturnSuccess); }

    // A read of `length` bytes: the status and what came back, never written past `length`.
    std::pair<IOReturn, Bytes> Read(UInt32 length = 4, bool failOnReset = false, UInt32 generation = 0)
    {
        const UInt32 asked = length;
        Bytes into(length + 4, 0xEE);
        const int tcode = length == 4 ? TCODE_READ_QUADLET_REQUEST : TCODE_READ_BLOCK_REQUEST;
        const IOReturn status = link.Transact(tcode, kRegister, into.data(), length, failOnReset, generation);
        EXPECT_EQ(Bytes(into.begin() + asked, into.end()), Bytes(4, 0xEE)) << "past the buffer";
        into.resize(length);
        return {status, into};
    }
    static std::pair<IOReturn, Bytes> Failed(IOReturn status) { return {status, {}}; }
    std::vector<UInt32> SentGenerations() const
    {
        std::vector<UInt32> generations;
        for (const fw_cdev_send_request& r : fake->sent) generations.push_back(r.generation);
        return generations;
    }
    void Reply(Bytes payload, std::optional<UInt32> length = {}, UInt32 rcode = RCODE_COMPLETE)
    {
        fake->respond = [this, payload, length, rcode](const fw_cdev_send_request& r) {
            fake->events.push_back(Response(r.closure, rcode, payload, length));
        };
    }
};

TEST(FwcdevScan, ListsUnitsInNumericOrderWithStrictIds)
{
    const fs::path root = fs::temp_directory_path() / ("cdev-scan-" + std::to_string(::getpid()));
    const fs::path devices = root / "bus/firewire/devices";
    const std::vector<std::tuple<std::string, const char*, const char*>> tree = {
        {"fw0", "0x000a27\n", "0x000011\n"},  // a node device, not a unit
        {"fw10.0", "0x000a27\n", "0x000011\n"},
        {"fw2.10", "0x000a27", "0x0000AB\n"},  // no newline, upper case
        {"fw2.9", nullptr, nullptr},
        {"fw2.1", "0x1000000\n", "0xffffffffffffffffffff\n"},
        {"fw3.0", "", "\x01\xff\xfe\n"},
        {"fw01.0", "0x000a27\n", "0x000011\n"},
        {"fw99999999999.0", "0x000a27\n", "0x000011\n"},
    };
    for (const auto& [name, specifier, version] : tree) {
        fs::create_directories(devices / name);
        if (specifier) std::ofstream(devices / name / "specifier_id", std::ios::binary) << specifier;
        if (version) std::ofstream(devices / name / "version", std::ios::binary) << version;
    }
    std::ofstream(devices / "fw4.0") << "a file, not a unit";
    fs::create_directories(devices / "fw10");
    std::ofstream(devices / "fw10/guid") << "0x000a2700deadbeef\n";
    std::ofstream(devices / "fw10/units") << "0x00609e:0x010483 0x000a27:0x000011\n";

    LinuxCdevTransport transport({root.string(), "/devroot", 100, std::make_shared<FakeCdev>()});
    const std::vector<UnitInfo> units = transport.Scan();
    std::vector<std::tuple<std::string, std::optional<UInt32>, std::optional<UInt32>, std::optional<UInt64>>> found;
    for (const UnitInfo& info : units) found.emplace_back(info.name, info.specifierId, info.version, info.guid);
    const std::nullopt_t none = std::nullopt;
    ASSERT_EQ(found, (decltype(found){{"fw2.1", none, none, none},
                                      {"fw2.9", none, none, none},
                                      {"fw2.10", 0xA27, 0xAB, none},
                                      {"fw3.0", none, none, none},
                                      {"fw10.0", 0xA27, 0x11, 0x000a2700deadbeef}}));
    auto link = units[4].connect();
    ASSERT_TRUE(link);
    EXPECT_EQ(dynamic_cast<CdevUnitLink&>(*link).NodePath(), "/devroot/fw10");
    EXPECT_EQ(link->Open(), kIOReturnSuccess);
    link->Close();

    // The number now belongs to another node (or one whose GUID does not read), or to one without our unit: gone.
    for (const char* guid :
         {"0x0000000000000001\n", "000a2700deadbeef\n", "0x000a2700deadbeeg\n", "0x0000a2700deadbeef"}) {
        std::ofstream(devices / "fw10/guid") << guid;
        EXPECT_EQ(link->Open(), kIOReturnNoDevice) << guid;
    }
    std::ofstream(devices / "fw10/guid") << "0x000A2700DEADBEEF";  // upper case, no newline: the same node
    EXPECT_EQ(link->Open(), kIOReturnSuccess);
    link->Close();
    std::ofstream(devices / "fw10/units") << "0x00609e:0x010483\n";
    EXPECT_EQ(link->Open(), kIOReturnNoDevice);
    fs::remove_all(devices / "fw10");
    EXPECT_EQ(link->Open(), kIOReturnNoDevice);
    fs::remove_all(devices / "fw10.0");
    EXPECT_EQ(units[4].connect(), nullptr);  // gone since the scan
    fs::remove_all(root);
    EXPECT_TRUE(transport.Scan().empty());
}

TEST_F(FwcdevLink, OpenLocksLearnsGenerationAndClosesAndItsFailuresLeaveNothingOpen)
{
    using Generation = std::pair<IOReturn, UInt32>;
    // Braces evaluate in order: the status first, then what it wrote.
    const auto generation = [&](UInt32 g = 0) { return Generation{link.GetBusGeneration(g), g}; };
    EXPECT_EQ(link.Open(), kIOReturnSuccess);  // already open: nothing changes
    EXPECT_EQ(fake->opened, (std::vector<std::pair<std::string, int>>{{"/dev/fw1", O_RDWR | O_CLOEXEC}}));
    fake->generation = 9;
    EXPECT_EQ(generation(), Generation(kIOReturnSuccess, 9));
    link.Close();
    link.Close();           // harmless
    fake->generation = 10;  // closed: a temporary open without the lock
    EXPECT_EQ(generation(), Generation(kIOReturnSuccess, 10));
    EXPECT_EQ(fake->flockOps, (std::vector<int>{LOCK_EX | LOCK_NB, LOCK_UN}));
    EXPECT_EQ(fake->closed, (std::vector<int>{41, 42}));
    fake->openErrno = ENOENT;
    EXPECT_EQ(generation().first, kIOReturnNoDevice);

    fake->openErrno = 0;
    EXPECT_EQ(CdevUnitLink("/dev/fw1", fake, 100).Open(), kIOReturnSuccess);  // and gone again
    EXPECT_EQ(fake->flockOps.back(), LOCK_UN);

    // Failures are mapped and leave nothing open; the permission hint comes once per node and process.
    static int run = 0;
    const std::string node = "/dev/fw" + std::to_string(100 + run++);
    CdevUnitLink refused(node, fake, 200);
    fake->openErrno = EACCES;
    testing::internal::CaptureStderr();
    for (int twice = 0; twice < 2; ++twice) EXPECT_EQ(refused.Open(), kIOReturnNotPermitted);
    const std::string hint = testing::internal::GetCapturedStderr();
    EXPECT_NE(hint.find(node), std::string::npos);
    EXPECT_EQ(std::count(hint.begin(), hint.end(), '\n'), 1);

    // The node gone since discovery, another client holding it, the node gone after the open.
    for (auto [knob, error, expected] : {std::tuple{&FakeCdev::openErrno, ENOENT, kIOReturnNoDevice},
                                         {&FakeCdev::flockErrno, EWOULDBLOCK, kIOReturnExclusiveAccess},
                                         {&FakeCdev::infoErrno, ENODEV, kIOReturnNoDevice}}) {
        (*fake).*knob = error;
        EXPECT_EQ(link.Open(), expected) << error;
        (*fake).*knob = 0;
    }
    EXPECT_EQ(fake->closed, (std::vector<int>{41, 42, 44, 48, 49}));
    EXPECT_EQ(fake->flockOps.back(), LOCK_UN);

    UInt32 value = 0, length = 4;
    EXPECT_EQ(link.Transact(TCODE_WRITE_QUADLET_REQUEST, kRegister, &value, length, false, 0), kIOReturnNotOpen);
    EXPECT_TRUE(fake->sent.empty());
}

TEST_F(FwcdevLink, MovesBusOrderBytesUnchangedBoundsReadsAndPassesOverOtherEvents)
{
    Bytes wire = {0x12, 0x34, 0x56, 0x78};
    UInt32 length = 4;
    ASSERT_EQ(link.Transact(TCODE_WRITE_QUADLET_REQUEST, kRegister, wire.data(), length, false, 0), kIOReturnSuccess);
    const fw_cdev_send_request& sent = fake->sent.back();
    EXPECT_EQ(std::tie(sent.tcode, sent.offset, sent.length, sent.generation, fake->sentPayload),
              std::make_tuple(__u32{TCODE_WRITE_QUADLET_REQUEST}, kRegister, 4u, 7u, wire));
    length = 8;
    EXPECT_EQ(link.Transact(TCODE_WRITE_QUADLET_REQUEST, kRegister, wire.data(), length, false, 0),
              kIOReturnBadArgument);

    Reply({0xDE, 0xAD, 0xBE, 0xEF});
    EXPECT_EQ(Read(), std::pair(kIOReturnSuccess, Bytes{0xDE, 0xAD, 0xBE, 0xEF}));
    EXPECT_EQ(fake->sent.back().data, 0u);
    EXPECT_NE(fake->sent.back().closure, fake->sent.front().closure);
    EXPECT_EQ(Read(8), std::pair(kIOReturnSuccess, Bytes{0xDE, 0xAD, 0xBE, 0xEF}));  // short answer

    Reply({1, 2, 3, 4, 5, 6, 7, 8});  // longer than asked
    EXPECT_EQ(Read(), std::pair(kIOReturnSuccess, Bytes{1, 2, 3, 4}));

    Reply({1, 2, 3, 4}, 16);  // claims more than arrived
    EXPECT_EQ(Read(16).first, kIOReturnIOError);

    // Events that are not the answer are passed over; a bus reset among them is followed.
    fake->respond = [this](const fw_cdev_send_request& r) {
        Bytes other(sizeof(fw_cdev_event_common));
        other[8] = FW_CDEV_EVENT_ISO_INTERRUPT;
        fake->events = {Response(r.closure + 100, RCODE_COMPLETE, {9, 9, 9, 9}), BusReset(8), other,
                        Response(r.closure, RCODE_COMPLETE, {1, 2, 3, 4})};
    };
    EXPECT_EQ(Read(), std::pair(kIOReturnSuccess, Bytes{1, 2, 3, 4}));
    ASSERT_EQ(Read().first, kIOReturnSuccess);
    EXPECT_EQ(fake->sent.back().generation, 8u);
}

TEST_F(FwcdevLink, ABusResetIsWaitedOutAndTheRequestSentInTheNewGeneration)
{
    // Published by a bus-reset event, then (no event read yet) by GET_INFO alone.
    for (bool withEvent : {true, false}) {
        fake->sent.clear();
        const UInt32 next = fake->generation + 1;
        fake->ResetBus(next, 30ms);
        if (!withEvent) fake->events.clear();
        EXPECT_GE(Took([&] { EXPECT_EQ(Read(), std::pair(kIOReturnSuccess, Bytes(4, 0xA5))) << withEvent; }), 30ms);
        EXPECT_EQ(SentGenerations(), (std::vector<UInt32>{next - 1, next})) << "nothing resent into the old one";
    }

    // failOnReset: the caller's generation, no resend.
    fake->sent.clear();
    fake->ResetBus(fake->generation + 1, 0ms);
    EXPECT_EQ(Read(4, true, 5).first, kIOFireWireBusReset);
    EXPECT_EQ(SentGenerations(), std::vector<UInt32>{5});

    // A generation that does not come within the request's time ends it.
    fake->sent.clear();
    fake->ResetBus(fake->generation + 1, 5s);
    const auto took = Took([&] { EXPECT_EQ(Read(), Failed(kIOFireWireBusReset)); });
    EXPECT_TRUE(took >= 200ms && took < 1500ms);
    EXPECT_EQ(fake->sent.size(), 1u);
}

TEST_F(FwcdevLink, WaitIsBoundedOverAllEventsAndTheCloseAfterItToo)
{
    fake->respond = [](const fw_cdev_send_request&) {};
    for (bool chatter : {false, true}) {  // silence, then endless resets
        if (chatter) fake->idleEvent = BusReset(7);
        const auto took = Took([&] { EXPECT_EQ(Read().first, kIOReturnTimeout); });
        EXPECT_TRUE(took >= 200ms && took < 1500ms) << chatter;
    }
    fake->closeTakes = 2s;  // the kernel waits for the outstanding request
    EXPECT_LT(Took([&] { link.Close(); }), 1000ms);
    EXPECT_EQ(fake->flockOps.back(), LOCK_UN);
}

TEST_F(FwcdevLink, FailuresAreMappedAndNoRequestThatMayHaveArrivedIsRepeated)
{
    using Map = std::pair<UInt32, IOReturn>;
    for (auto [rcode, expected] :
         {Map{RCODE_CONFLICT_ERROR, kIOFireWireConflictError}, Map{RCODE_DATA_ERROR, kIOFireWireDataError},
          Map{RCODE_TYPE_ERROR, kIOFireWireTypeError}, Map{RCODE_ADDRESS_ERROR, kIOFireWireAddressError},
          Map{RCODE_BUSY, kIOReturnBusy}, Map{RCODE_CANCELLED, kIOReturnTimeout}, Map{RCODE_NO_ACK, kIOReturnTimeout},
          Map{RCODE_SEND_ERROR, kIOReturnIOError}}) {
        Reply({}, {}, rcode);
        fake->sent.clear();
        EXPECT_EQ(Read(), Failed(expected)) << rcode;
        EXPECT_EQ(fake->sent.size(), 1u) << rcode;
    }
    // The device lost, then malformed events.
    for (auto [knob, error, expected] : {std::tuple{&FakeCdev::readErrno, ENODEV, kIOReturnNoDevice},
                                         {&FakeCdev::readErrno, EIO, kIOReturnIOError},
                                         {&FakeCdev::sendErrno, EIO, kIOReturnIOError},
                                         {&FakeCdev::sendErrno, ENODEV, kIOReturnNoDevice},
                                         {&FakeCdev::pollRevents, POLLHUP, kIOReturnNoDevice}}) {
        (*fake).*knob = error;
        EXPECT_EQ(Read().first, expected) << error;
        (*fake).*knob = 0;
    }
    fake->events.clear();
    // Cut inside the common header (of an unknown type), then inside the response.
    for (auto [type, cut] : {std::pair{0x55u, 11u}, {FW_CDEV_EVENT_RESPONSE, 16u}}) {
        fake->respond = [this, type, cut](const fw_cdev_send_request& r) {
            fake->events.push_back(Response(r.closure, RCODE_COMPLETE, {}));
            std::memcpy(fake->events.back().data() + 8, &type, sizeof type);
            fake->events.back().resize(cut);
        };
        EXPECT_EQ(Read().first, kIOReturnIOError) << cut;
    }
}
