// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <linux/firewire-constants.h>

#include <chrono>
#include <memory>
#include <optional>
#include <thread>
#include <utility>

#include "sim/KeUnitModel.h"
#include "tests/support/SimUnitTransport.h"
#include "tests/support/SocketSim.h"

using namespace kesim;
using namespace std::chrono_literals;
using socksim::Bytes;
using socksim::Header;

namespace {

Bytes Pattern(std::size_t n)
{
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = std::uint8_t(i * 7 + 3);
    return b;
}

// Drives a model through its UnitPort, in the current generation unless `gen` is set.
struct Host {
    explicit Host(KeUnitConfig config = {}) : unit(std::make_shared<KeUnitModel>(config)) {}

    BusResponse Do(int tcode, std::uint64_t offset, const Bytes& payload = {}, std::uint32_t length = 4)
    {
        return unit->Transact({tcode, offset, length, gen.value_or(unit->Generation()), payload.data()});
    }
    int Write32(std::uint64_t offset, std::uint32_t v)
    {
        const Bytes b{std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)};
        return Do(TCODE_WRITE_QUADLET_REQUEST, offset, b).rcode;
    }
    std::uint32_t Read32(std::uint64_t offset, int expect = RCODE_COMPLETE)
    {
        const BusResponse r = Do(TCODE_READ_QUADLET_REQUEST, offset);
        EXPECT_EQ(r.rcode, expect);
        return r.data.size() == 4 ? (std::uint32_t(r.data[0]) << 24) | (r.data[1] << 16) | (r.data[2] << 8) | r.data[3]
                                  : 0xDEADBEEF;
    }
    int Block(const Bytes& b)
    {
        return Do(TCODE_WRITE_BLOCK_REQUEST, kUpdateDataReg, b, std::uint32_t(b.size())).rcode;
    }
    // Update mode, erase, wait; returns the status reads seen.
    std::vector<std::uint32_t> Erase(FlashDevice d)
    {
        EXPECT_EQ(Write32(kUpdateControlReg, kControlBeginUpdate), RCODE_COMPLETE);
        EXPECT_EQ(Read32(kStatusReg), 1u);
        EXPECT_EQ(Write32(kUpdateCommandReg, std::uint32_t(d)), RCODE_COMPLETE);
        std::vector<std::uint32_t> seen;
        for (int i = 0; i < 10 && (seen.empty() || seen.back() == 0); ++i) seen.push_back(Read32(kStatusReg));
        return seen;
    }
    // Header and blocks of at most 128 bytes; returns the rcode of each.
    std::vector<int> Send(const Bytes& data, std::uint32_t sizeB)
    {
        std::vector<int> rcodes{Block(Header(sizeB))};
        for (std::size_t at = 0; at < data.size(); at += kMaxDataBlock)
            rcodes.push_back(Block(Bytes(data.begin() + at, data.begin() + std::min(data.size(), at + kMaxDataBlock))));
        return rcodes;
    }

    std::shared_ptr<KeUnitModel> unit;
    std::optional<std::uint32_t> gen;
};

// The status and the length that came back.
std::pair<IOReturn, UInt32> LinkRead32(fwplat::UnitLink& link, std::uint64_t offset, bool failOnReset = false,
                                       UInt32 generation = 0)
{
    std::uint8_t b[4] = {};
    UInt32 length = 4;
    const IOReturn status = link.Transact(TCODE_READ_QUADLET_REQUEST, offset, b, length, failOnReset, generation);
    return {status, length};
}

}  // namespace

TEST(SimUnit, SerialNumberIsPaddedOrCutToTheLengthAsked)
{
    Host h({.serialNumber = "AB12CD34XYZ"});
    auto serial = [&](std::uint32_t asked) { return h.Do(TCODE_READ_BLOCK_REQUEST, kSerialNumberReg, {}, asked); };
    EXPECT_EQ(serial(8).data, (Bytes{'A', 'B', '1', '2', 'C', 'D', '3', '4'}));
    h.unit->SetSerialNumber("AB12");
    EXPECT_EQ(serial(8).data, (Bytes{'A', 'B', '1', '2', 0, 0, 0, 0}));
    EXPECT_EQ(serial(3).data, (Bytes{'A', 'B', '1'}));
    EXPECT_EQ(serial(9).rcode, RCODE_TYPE_ERROR);
}

// The verdict on an image is final: accepted at the announced size (the padding to a quadlet counts in the CRC, not
// in the flash), or refused for a wrong CRC, data short of sizeB, or by a unit told to refuse.
TEST(SimUnit, CrcVerdicts)
{
    Bytes padded = Pattern(201);
    padded.resize(204, 0);
    for (int variant = 0; variant < 4; ++variant) {  // accepted, wrong CRC, short data, refuseCrc
        Host h({.eraseBusyReads = 0, .refuseCrc = variant == 3});
        h.Erase(FlashDevice::Xilinx);
        const Bytes sent(padded.begin(), padded.begin() + (variant == 2 ? 100 : 204));
        EXPECT_EQ(h.Send(sent, 201), (std::vector<int>(variant == 2 ? 2 : 3, RCODE_COMPLETE)));
        const std::uint16_t crc = Crc16Xmodem(sent.data(), sent.size());
        EXPECT_EQ(h.Write32(kCrcReg, variant == 1 ? crc ^ 1 : crc), variant == 0 ? RCODE_COMPLETE : RCODE_DATA_ERROR);
        const FlashState f = h.unit->Flash(FlashDevice::Xilinx);
        EXPECT_EQ(f.contents, variant == 0 ? Pattern(201) : Bytes{}) << variant;
        if (variant == 0) continue;
        EXPECT_TRUE(f.erased && f.refused && !f.accepted) << variant;
        EXPECT_EQ(h.Write32(kCrcReg, crc), RCODE_CONFLICT_ERROR) << variant;
    }
}

TEST(SimUnit, EraseLastsItsTimeEvenWithoutBusyReadsAndCancelLeavesUpdateMode)
{
    Host h({.eraseTime = 60ms, .eraseBusyReads = 0, .cancelBusyReads = 1});
    EXPECT_EQ(h.Erase(FlashDevice::Mcore).front(), 0u);
    std::this_thread::sleep_for(80ms);
    EXPECT_EQ(h.Read32(kStatusReg), 1u);
    h.Send(Pattern(8), 16);
    EXPECT_EQ(h.Write32(kUpdateControlReg, kControlCancel), RCODE_COMPLETE);
    EXPECT_EQ((std::vector{h.Read32(kUpdateControlReg), h.Read32(kUpdateControlReg)}), (std::vector{1u, 0u}));
    EXPECT_EQ(h.Write32(kUpdateCommandReg, 0), RCODE_CONFLICT_ERROR);

    h.unit->ChangeConfig([](KeUnitConfig& c) { c.cancelNeverFinishes = true; });
    h.Write32(kUpdateControlReg, kControlCancel);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(h.Read32(kUpdateControlReg), 1u);
}

TEST(SimUnit, AddressTypeAndOrderErrors)
{
    Host h({.eraseBusyReads = 0});
    for (std::uint64_t at : {kRegisterBase + 0x18, kUpdateDataReg + 4}) h.Read32(at, RCODE_ADDRESS_ERROR);
    for (std::uint64_t at : {kCrcReg, kUpdateCommandReg}) h.Read32(at, RCODE_TYPE_ERROR);  // write-only
    for (std::uint64_t at : {kSoftwareVersionReg, kStatusReg, kUpdateDataReg})
        EXPECT_EQ(h.Write32(at, 1), RCODE_TYPE_ERROR) << at;
    EXPECT_EQ(h.Do(TCODE_WRITE_BLOCK_REQUEST, kUpdateControlReg, Bytes(4, 0)).rcode, RCODE_TYPE_ERROR);
    EXPECT_EQ(h.Write32(kUpdateControlReg, 7), RCODE_DATA_ERROR);
    EXPECT_EQ(h.Block(Pattern(8)), RCODE_CONFLICT_ERROR);  // not in update mode
    EXPECT_EQ(h.Write32(kCrcReg, 0), RCODE_CONFLICT_ERROR);

    h.Write32(kUpdateControlReg, 1);
    EXPECT_EQ(h.Write32(kUpdateCommandReg, 2), RCODE_DATA_ERROR);
    h.Erase(FlashDevice::Xilinx);
    for (std::size_t n : {132, 6}) EXPECT_EQ(h.Block(Pattern(n)), RCODE_TYPE_ERROR) << n;
    Bytes bad = Header(16);
    bad[3] = 2;  // version
    EXPECT_EQ(h.Block(bad), RCODE_DATA_ERROR);
    for (std::uint32_t size : {0u, 2u << 20})
        EXPECT_EQ(h.Block(Header(size)), RCODE_DATA_ERROR) << size;  // 2 MiB: over the flash
    EXPECT_EQ(h.Block(Header(16)), RCODE_COMPLETE);
    EXPECT_EQ(h.Block(Pattern(20)), RCODE_DATA_ERROR);  // beyond sizeB
}

TEST(SimUnit, LatencyIsSpentOutsideTheLock)
{
    Host h;
    h.unit->SetLatency(200ms);
    const auto start = std::chrono::steady_clock::now();
    std::thread other([&] { h.Read32(kSoftwareVersionReg); });
    h.Read32(kProductVersionReg);
    other.join();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(took >= 200ms && took < 390ms);
}

// The in-process stand-in other tests lean on: one link holds the unit, an unplugged unit is gone, a bus reset fails
// requests at once and is waited out (its generation shows only once settled) unless the caller minds it, and a read
// fills no more than asked.
TEST(SimTransport, LinksTakeTheUnitOneAtATimeWhilePlugged)
{
    auto a = std::make_shared<KeUnitModel>(KeUnitConfig{.serialNumber = "SN1234", .resetSettle = 50ms});
    fwplat::SimUnitTransport transport(a);
    transport.Plug(a);  // already plugged: no second entry
    auto units = transport.Scan();
    ASSERT_EQ(units.size(), 1u);
    auto first = units[0].connect(), second = units[0].connect();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(LinkRead32(*first, kSoftwareVersionReg).first, kIOReturnNotOpen);
    EXPECT_EQ((std::vector{first->Open(), first->Open(), second->Open()}),
              (std::vector{kIOReturnSuccess, kIOReturnSuccess, kIOReturnExclusiveAccess}));
    first->Close();
    ASSERT_EQ(second->Open(), kIOReturnSuccess);
    second.reset();  // destruction gives the unit back
    ASSERT_EQ(first->Open(), kIOReturnSuccess);

    Bytes serial(9, 0xEE);
    UInt32 length = 4;
    EXPECT_EQ(first->Transact(TCODE_READ_BLOCK_REQUEST, kSerialNumberReg, serial.data(), length, false, 0),
              kIOReturnSuccess);
    EXPECT_EQ(std::pair(length, serial[4]), std::pair(4u, std::uint8_t{0xEE}));

    for (bool failOnReset : {false, true}) {
        a->ClearLog();
        const UInt32 old = a->Generation();
        a->BusReset();
        EXPECT_EQ(LinkRead32(*first, kSoftwareVersionReg, failOnReset, old).first,
                  failOnReset ? kIOFireWireBusReset : kIOReturnSuccess);
        EXPECT_EQ(a->Log().size(), failOnReset ? 1u : 2u);
        EXPECT_EQ(a->Log()[0].rcode, RCODE_GENERATION);
    }

    transport.Unplug(a);
    EXPECT_TRUE(transport.Scan().empty());
    EXPECT_EQ(units[0].connect(), nullptr);
    EXPECT_EQ(LinkRead32(*first, kSoftwareVersionReg).first, kIOReturnTimeout);
    UInt32 generation = 0;
    EXPECT_EQ(first->GetBusGeneration(generation), kIOReturnNoDevice);
    first->Close();
    EXPECT_EQ(first->Open(), kIOReturnNoDevice);
}
