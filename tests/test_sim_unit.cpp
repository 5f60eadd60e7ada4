#include <gtest/gtest.h>
#include <linux/firewire-constants.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/firewire/SimUnitTransport.h"
#include "sim/KeUnitModel.h"

using namespace kesim;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Header(std::uint32_t sizeB)
{
    return {0xFF, 0xFF, 0x00, 0x01, std::uint8_t(sizeB >> 24), std::uint8_t(sizeB >> 16), std::uint8_t(sizeB >> 8),
            std::uint8_t(sizeB), 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
}

Bytes Pattern(std::size_t n)
{
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = std::uint8_t(i * 7 + 3);
    return b;
}

// Drives a model through its UnitPort, always in the current generation.
class Host {
public:
    explicit Host(KeUnitConfig config = {}) : unit(std::make_shared<KeUnitModel>(config)) {}

    BusResponse Send(int tcode, std::uint64_t offset, const Bytes& payload, std::uint32_t length)
    {
        return unit->Transact({tcode, offset, length, gen ? *gen : unit->Generation(), payload.data()});
    }
    int Write32(std::uint64_t offset, std::uint32_t v)
    {
        Bytes b{std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)};
        return Send(TCODE_WRITE_QUADLET_REQUEST, offset, b, 4).rcode;
    }
    std::uint32_t Read32(std::uint64_t offset, int expect = RCODE_COMPLETE)
    {
        BusResponse r = unit->Transact({TCODE_READ_QUADLET_REQUEST, offset, 4, unit->Generation(), nullptr});
        EXPECT_EQ(r.rcode, expect);
        if (r.data.size() != 4)
            return 0xDEADBEEF;
        return (std::uint32_t(r.data[0]) << 24) | (r.data[1] << 16) | (r.data[2] << 8) | r.data[3];
    }
    int Block(const Bytes& b) { return Send(TCODE_WRITE_BLOCK_REQUEST, kUpdateDataReg, b, std::uint32_t(b.size())).rcode; }
    // Update mode, erase, wait; returns the status reads seen.
    std::vector<std::uint32_t> Erase(FlashDevice d)
    {
        EXPECT_EQ(Write32(kUpdateControlReg, kControlBeginUpdate), RCODE_COMPLETE);
        EXPECT_EQ(Read32(kStatusReg), 1u);
        EXPECT_EQ(Write32(kUpdateCommandReg, std::uint32_t(d)), RCODE_COMPLETE);
        std::vector<std::uint32_t> seen;
        for (int i = 0; i < 10 && (seen.empty() || seen.back() == 0); ++i)
            seen.push_back(Read32(kStatusReg));
        return seen;
    }
    // Header and blocks of at most 128 bytes; returns the rcode of each block.
    std::vector<int> Send(const Bytes& data, std::uint32_t sizeB)
    {
        std::vector<int> rcodes{Block(Header(sizeB))};
        for (std::size_t at = 0; at < data.size(); at += kMaxDataBlock)
            rcodes.push_back(Block(Bytes(data.begin() + at, data.begin() + std::min(data.size(), at + kMaxDataBlock))));
        return rcodes;
    }
    int Crc(const Bytes& data) { return Write32(kCrcReg, Crc16Xmodem(data.data(), data.size())); }

    std::shared_ptr<KeUnitModel> unit;
    std::optional<std::uint32_t> gen;
};

}  // namespace

TEST(SimCrc, MatchesPublishedXmodemValues)
{
    const std::string check = "123456789";
    EXPECT_EQ(Crc16Xmodem(reinterpret_cast<const std::uint8_t*>(check.data()), check.size()), 0x31C3);
    const Bytes abcd{'a', 'b', 'c', 'd'};
    EXPECT_EQ(Crc16Xmodem(abcd.data(), 4), 0xA836);
    EXPECT_EQ(Crc16Xmodem(abcd.data(), 4, 0xFFFF), 0x2CF6);
    EXPECT_EQ(Crc16Xmodem(abcd.data() + 2, 2, Crc16Xmodem(abcd.data(), 2)), 0xA836);
}

TEST(SimUnit, IdentityRegisters)
{
    Host h;
    EXPECT_EQ(h.unit->SpecifierId(), 0x000A27u);
    EXPECT_EQ(h.unit->SwVersion(), 0x000011u);
    h.unit->SetSoftwareVersion(0x0015001A);
    h.unit->SetProductVersion(0x00010000);
    EXPECT_EQ(h.Read32(kSoftwareVersionReg), 0x0015001Au);
    EXPECT_EQ(h.Read32(kProductVersionReg), 0x00010000u);

    auto serial = [&](std::uint32_t asked) { return h.Send(TCODE_READ_BLOCK_REQUEST, kSerialNumberReg, {}, asked); };
    h.unit->SetSerialNumber("AB12CD34XYZ");
    EXPECT_EQ(serial(8).data, (Bytes{'A', 'B', '1', '2', 'C', 'D', '3', '4'}));
    h.unit->SetSerialNumber("AB12");
    EXPECT_EQ(serial(8).data, (Bytes{'A', 'B', '1', '2', 0, 0, 0, 0}));
    EXPECT_EQ(serial(3).data, (Bytes{'A', 'B', '1'}));
    EXPECT_EQ(serial(9).rcode, RCODE_TYPE_ERROR);
    h.unit->ChangeConfig([](KeUnitConfig& c) { c.serialReadLimit = 5; });
    EXPECT_EQ(serial(8).data.size(), 5u);
}

TEST(SimUnit, UpdateAcceptedProgramsFlash)
{
    Host h({.eraseBusyReads = 3});
    EXPECT_EQ(h.Read32(kUpdateControlReg), 0u);
    EXPECT_EQ(h.Read32(kStatusReg), 0u);  // not in update mode
    const Bytes data = Pattern(300);
    EXPECT_EQ(h.Erase(FlashDevice::Mcore), (std::vector<std::uint32_t>{0, 0, 0, 1}));
    EXPECT_TRUE(h.unit->InUpdateMode());
    EXPECT_EQ(h.Read32(kUpdateControlReg) & kControlUpdateModeBit, 1u);
    EXPECT_EQ(h.Send(data, 300), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_FALSE(h.unit->Flash(FlashDevice::Mcore).accepted);
    EXPECT_EQ(h.Crc(data), RCODE_COMPLETE);

    const FlashState f = h.unit->Flash(FlashDevice::Mcore);
    EXPECT_TRUE(f.erased && f.written && f.accepted && !f.refused);
    EXPECT_EQ(f.contents, data);
    Bytes stream = Header(300);
    stream.insert(stream.end(), data.begin(), data.end());
    EXPECT_EQ(f.stream, stream);
    EXPECT_FALSE(h.unit->Flash(FlashDevice::Xilinx).erased);
    EXPECT_EQ(h.Read32(kSoftwareVersionReg), (20u << 16) | 25u);  // unchanged without a setting
    EXPECT_EQ(h.Read32(kStatusReg), 1u);

    // The next flash in the same session; the padding counts in the CRC, not in the flash.
    h.unit->ChangeConfig([](KeUnitConfig& c) { c.xilinxVersionAfterUpdate = 26; });
    Bytes padded = Pattern(201);
    padded.resize(204, 0);
    h.Erase(FlashDevice::Xilinx);
    EXPECT_EQ(h.Send(padded, 201), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(h.Crc(padded), RCODE_COMPLETE);
    EXPECT_EQ(h.unit->Flash(FlashDevice::Xilinx).contents, Pattern(201));
    EXPECT_EQ(h.unit->Flash(FlashDevice::Mcore).contents, data);
    EXPECT_EQ(h.Read32(kSoftwareVersionReg), (20u << 16) | 26u);
}

TEST(SimUnit, CrcRefusals)
{
    const Bytes data = Pattern(64);
    for (int variant = 0; variant < 3; ++variant) {
        Host h({.eraseBusyReads = 0, .refuseCrc = variant == 2});
        h.Erase(FlashDevice::Xilinx);
        if (variant == 1) {
            h.Send(Bytes(data.begin(), data.begin() + 32), 64);  // short of sizeB
            EXPECT_EQ(h.Crc(Bytes(data.begin(), data.begin() + 32)), RCODE_DATA_ERROR);
        } else {
            h.Send(data, 64);
            const std::uint16_t good = Crc16Xmodem(data.data(), data.size());
            EXPECT_EQ(h.Write32(kCrcReg, variant == 0 ? good ^ 1 : good), RCODE_DATA_ERROR);
        }
        FlashState f = h.unit->Flash(FlashDevice::Xilinx);
        EXPECT_TRUE(f.erased && f.refused && !f.accepted) << variant;
        EXPECT_TRUE(f.contents.empty());
        EXPECT_EQ(h.Crc(data), RCODE_CONFLICT_ERROR);  // the verdict is final
    }
}

TEST(SimUnit, EraseAndReadyFaults)
{
    Host notReady({.readyStatus = 2});
    EXPECT_EQ(notReady.Write32(kUpdateControlReg, 1), RCODE_COMPLETE);
    EXPECT_EQ(notReady.Read32(kStatusReg), 2u);

    Host never({.eraseNeverFinishes = true});
    EXPECT_EQ(never.Erase(FlashDevice::Xilinx), std::vector<std::uint32_t>(10, 0));
    EXPECT_EQ(never.Block(Header(4)), RCODE_CONFLICT_ERROR);

    Host failed({.eraseBusyReads = 1, .eraseResult = 2});
    EXPECT_EQ(failed.Erase(FlashDevice::Mcore), (std::vector<std::uint32_t>{0, 2}));
    EXPECT_EQ(failed.Read32(kStatusReg), 2u);
    EXPECT_EQ(failed.Block(Header(4)), RCODE_CONFLICT_ERROR);
    EXPECT_FALSE(failed.unit->Flash(FlashDevice::Mcore).erased);

    // Only the chosen flash is hit.
    Host targeted({.faultFlash = FlashDevice::Mcore, .eraseNeverFinishes = true});
    EXPECT_EQ(targeted.Erase(FlashDevice::Xilinx).back(), 1u);

    // A wall-clock erase needs the time even with no busy reads asked for.
    Host timed({.eraseTime = std::chrono::milliseconds(60), .eraseBusyReads = 0});
    EXPECT_EQ(timed.Erase(FlashDevice::Xilinx).front(), 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(80));
    EXPECT_EQ(timed.Read32(kStatusReg), 1u);
}

TEST(SimUnit, FailedBlockCountsFromOneAfterHeader)
{
    Host h({.eraseBusyReads = 0, .failBlock = 2});
    const Bytes data = Pattern(384);
    auto part = [&](int i) { return Bytes(data.begin() + 128 * i, data.begin() + 128 * (i + 1)); };
    h.Erase(FlashDevice::Mcore);
    EXPECT_EQ(h.Block(Header(384)), RCODE_COMPLETE);
    EXPECT_EQ(h.Block(part(0)), RCODE_COMPLETE);
    EXPECT_EQ(h.Block(part(1)), RCODE_DATA_ERROR);
    // The refused block is not stored; sent again it is block 3 and goes through.
    EXPECT_EQ(h.Block(part(1)), RCODE_COMPLETE);
    EXPECT_EQ(h.Block(part(2)), RCODE_COMPLETE);
    EXPECT_EQ(h.Block(Bytes(4, 0)), RCODE_DATA_ERROR);  // beyond sizeB
    EXPECT_EQ(h.Crc(data), RCODE_COMPLETE);
    EXPECT_EQ(h.unit->Flash(FlashDevice::Mcore).contents, data);
}

TEST(SimUnit, VanishAndBusResetAfterBlock)
{
    Host gone({.eraseBusyReads = 0, .vanishAfterBlock = 2});
    gone.Erase(FlashDevice::Xilinx);
    EXPECT_EQ(gone.Send(Pattern(512), 512), (std::vector<int>{0, 0, 0, RCODE_NO_ACK, RCODE_NO_ACK}));
    EXPECT_FALSE(gone.unit->Attached());
    EXPECT_FALSE(gone.unit->Acquire());
    EXPECT_EQ(gone.Write32(kCrcReg, 0), RCODE_NO_ACK);
    const std::uint32_t before = gone.unit->Generation();
    gone.unit->Reattach();
    EXPECT_TRUE(gone.unit->Attached());
    EXPECT_EQ(gone.unit->Generation(), before + 1);

    Host reset({.eraseBusyReads = 0, .busResetAfterBlock = 1});
    reset.Erase(FlashDevice::Mcore);
    reset.gen = reset.unit->Generation();
    EXPECT_EQ(reset.Send(Pattern(256), 256), (std::vector<int>{0, 0, RCODE_GENERATION}));
    reset.gen.reset();
    EXPECT_EQ(reset.Block(Pattern(128)), RCODE_COMPLETE);
    const auto log = reset.unit->Log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2].rcode, RCODE_GENERATION);
    EXPECT_EQ(log.back().generation, log[log.size() - 2].generation + 1);
}

TEST(SimUnit, CancelLeavesUpdateMode)
{
    Host h({.eraseBusyReads = 0, .cancelBusyReads = 2});
    h.Erase(FlashDevice::Mcore);
    h.Send(Pattern(8), 16);
    EXPECT_EQ(h.Write32(kUpdateControlReg, kControlCancel), RCODE_COMPLETE);
    EXPECT_FALSE(h.unit->InUpdateMode());
    EXPECT_EQ(h.Read32(kUpdateControlReg), 1u);
    EXPECT_EQ(h.Read32(kUpdateControlReg), 1u);
    EXPECT_EQ(h.Read32(kUpdateControlReg), 0u);
    EXPECT_EQ(h.Block(Pattern(8)), RCODE_CONFLICT_ERROR);
    EXPECT_EQ(h.Write32(kUpdateCommandReg, 0), RCODE_CONFLICT_ERROR);

    h.unit->ChangeConfig([](KeUnitConfig& c) { c.cancelNeverFinishes = true; });
    h.Write32(kUpdateControlReg, kControlCancel);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(h.Read32(kUpdateControlReg), 1u);
}

TEST(SimUnit, AddressAndTypeErrors)
{
    Host h({.eraseBusyReads = 0});
    h.Read32(kRegisterBase + 0x18, RCODE_ADDRESS_ERROR);
    h.Read32(kUpdateDataReg + 4, RCODE_ADDRESS_ERROR);
    h.Read32(0, RCODE_ADDRESS_ERROR);
    h.Read32(kCrcReg, RCODE_TYPE_ERROR);  // write-only
    h.Read32(kUpdateCommandReg, RCODE_TYPE_ERROR);
    EXPECT_EQ(h.Write32(kSoftwareVersionReg, 1), RCODE_TYPE_ERROR);
    EXPECT_EQ(h.Write32(kStatusReg, 1), RCODE_TYPE_ERROR);
    EXPECT_EQ(h.Write32(kUpdateDataReg, 1), RCODE_TYPE_ERROR);
    EXPECT_EQ(h.Send(TCODE_WRITE_BLOCK_REQUEST, kUpdateControlReg, Bytes(4, 0), 4).rcode, RCODE_TYPE_ERROR);
    EXPECT_EQ(h.Write32(kUpdateControlReg, 7), RCODE_DATA_ERROR);
    EXPECT_EQ(h.Block(Pattern(8)), RCODE_CONFLICT_ERROR);  // not in update mode
    EXPECT_EQ(h.Write32(kCrcReg, 0), RCODE_CONFLICT_ERROR);

    h.Write32(kUpdateControlReg, 1);
    EXPECT_EQ(h.Write32(kUpdateCommandReg, 2), RCODE_DATA_ERROR);
    h.Erase(FlashDevice::Xilinx);
    EXPECT_EQ(h.Block(Pattern(132)), RCODE_TYPE_ERROR);
    EXPECT_EQ(h.Block(Pattern(6)), RCODE_TYPE_ERROR);
    Bytes bad = Header(16);
    bad[3] = 2;  // version
    EXPECT_EQ(h.Block(bad), RCODE_DATA_ERROR);
    EXPECT_EQ(h.Block(Header(0)), RCODE_DATA_ERROR);
    EXPECT_EQ(h.Block(Header(2u << 20)), RCODE_DATA_ERROR);  // over the flash
    EXPECT_EQ(h.Block(Header(16)), RCODE_COMPLETE);
    EXPECT_EQ(h.Block(Pattern(20)), RCODE_DATA_ERROR);       // beyond sizeB

    const TransactionRecord last = h.unit->Log().back();
    EXPECT_EQ(last.tcode, TCODE_WRITE_BLOCK_REQUEST);
    EXPECT_EQ(last.offset, kUpdateDataReg);
    EXPECT_EQ(last.length, 20u);
    EXPECT_EQ(last.generation, h.unit->Generation());
    EXPECT_EQ(last.rcode, RCODE_DATA_ERROR);
}

TEST(SimUnit, LatencyIsSpentOutsideTheLock)
{
    Host h;
    h.unit->SetLatency(std::chrono::milliseconds(200));
    const auto start = std::chrono::steady_clock::now();
    std::thread other([&] { h.Read32(kSoftwareVersionReg); });
    h.Read32(kProductVersionReg);
    other.join();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(200));
    EXPECT_LT(took, std::chrono::milliseconds(390));
}

// ---- through the transport ----

namespace {

IOReturn LinkRead32(fwplat::UnitLink& link, std::uint64_t offset, std::uint32_t& value, bool failOnReset = false,
                    UInt32 generation = 0)
{
    std::uint8_t b[4] = {};
    UInt32 length = 4;
    const IOReturn r = link.Transact(TCODE_READ_QUADLET_REQUEST, offset, b, length, failOnReset, generation);
    value = (std::uint32_t(b[0]) << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
    return r;
}

}  // namespace

TEST(SimTransport, ScanListsAttachedPluggedUnits)
{
    auto a = std::make_shared<KeUnitModel>();
    auto b = std::make_shared<KeUnitModel>(KeUnitConfig{.specifierId = 0x123});
    fwplat::SimUnitTransport transport(a);
    transport.Plug(b);
    transport.Plug(a);
    auto units = transport.Scan();
    ASSERT_EQ(units.size(), 2u);
    EXPECT_EQ(units[0].name, "sim:0");
    EXPECT_EQ(units[1].name, "sim:1");
    EXPECT_EQ(units[0].specifierId, 0xA27u);
    EXPECT_EQ(units[0].version, 0x11u);
    EXPECT_EQ(units[1].specifierId, 0x123u);

    b->Vanish();
    EXPECT_EQ(units[1].connect(), nullptr);
    EXPECT_EQ(transport.Scan().size(), 1u);
    auto link = units[0].connect();
    ASSERT_NE(link, nullptr);
    ASSERT_EQ(link->Open(), kIOReturnSuccess);
    transport.Unplug(a);
    EXPECT_TRUE(transport.Scan().empty());
    EXPECT_EQ(units[0].connect(), nullptr);
    std::uint32_t v = 0;
    EXPECT_EQ(LinkRead32(*link, kSoftwareVersionReg, v), kIOReturnTimeout);
    UInt32 g = 0;
    EXPECT_EQ(link->GetBusGeneration(g), kIOReturnNoDevice);
}

TEST(SimTransport, OpenIsExclusive)
{
    auto unit = std::make_shared<KeUnitModel>();
    auto first = fwplat::SimUnitTransport::Connect(unit);
    auto second = fwplat::SimUnitTransport::Connect(unit);
    std::uint32_t v = 0;
    EXPECT_EQ(LinkRead32(*first, kSoftwareVersionReg, v), kIOReturnNotOpen);
    ASSERT_EQ(first->Open(), kIOReturnSuccess);
    EXPECT_EQ(first->Open(), kIOReturnSuccess);  // already ours
    EXPECT_EQ(second->Open(), kIOReturnExclusiveAccess);
    first->Close();
    first->Close();
    EXPECT_FALSE(unit->Owned());
    ASSERT_EQ(second->Open(), kIOReturnSuccess);
    second.reset();  // destruction gives the unit back
    EXPECT_FALSE(unit->Owned());

    unit->Vanish();
    EXPECT_EQ(first->Open(), kIOReturnNoDevice);
}

TEST(SimTransport, TransactMapsResultsAndCopiesReads)
{
    auto unit = std::make_shared<KeUnitModel>(KeUnitConfig{.serialNumber = "SN1234", .eraseBusyReads = 0});
    auto link = fwplat::SimUnitTransport::Connect(unit);
    ASSERT_EQ(link->Open(), kIOReturnSuccess);

    std::uint8_t serial[9];
    std::memset(serial, 0xEE, sizeof serial);
    UInt32 length = 4;
    EXPECT_EQ(link->Transact(TCODE_READ_BLOCK_REQUEST, kSerialNumberReg, serial, length, false, 0), kIOReturnSuccess);
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(serial[4], 0xEE);  // never more than asked
    unit->ChangeConfig([](KeUnitConfig& c) { c.serialReadLimit = 5; });
    length = 8;
    EXPECT_EQ(link->Transact(TCODE_READ_BLOCK_REQUEST, kSerialNumberReg, serial, length, false, 0), kIOReturnSuccess);
    EXPECT_EQ(length, 5u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(serial), 5), std::string("SN123"));

    std::uint32_t v = 0;
    EXPECT_EQ(LinkRead32(*link, kRegisterBase + 0x40, v), kIOFireWireAddressError);
    EXPECT_EQ(LinkRead32(*link, kCrcReg, v), kIOFireWireTypeError);
    length = 4;
    EXPECT_EQ(link->Transact(TCODE_LOCK_REQUEST, kStatusReg, serial, length, false, 0), kIOReturnBadArgument);

    // Generations: the current one unless the caller asks to fail on reset.
    UInt32 g = 0;
    ASSERT_EQ(link->GetBusGeneration(g), kIOReturnSuccess);
    unit->BusReset();
    EXPECT_EQ(LinkRead32(*link, kSoftwareVersionReg, v, false, g), kIOReturnSuccess);
    EXPECT_EQ(v, (20u << 16) | 25u);
    EXPECT_EQ(LinkRead32(*link, kSoftwareVersionReg, v, true, g), kIOFireWireBusReset);
    EXPECT_EQ(LinkRead32(*link, kSoftwareVersionReg, v, true, g + 1), kIOReturnSuccess);

    // A write refused by the unit comes back as a data error.
    std::uint8_t begin[4] = {0, 0, 0, 1};
    std::uint8_t erase[4] = {0, 0, 0, 1};
    length = 4;
    EXPECT_EQ(link->Transact(TCODE_WRITE_QUADLET_REQUEST, kUpdateControlReg, begin, length, false, 0), kIOReturnSuccess);
    EXPECT_EQ(link->Transact(TCODE_WRITE_QUADLET_REQUEST, kUpdateCommandReg, erase, length, false, 0), kIOReturnSuccess);
    Bytes header = Header(8);
    length = 20;
    EXPECT_EQ(link->Transact(TCODE_WRITE_BLOCK_REQUEST, kUpdateDataReg, header.data(), length, false, 0), kIOReturnSuccess);
    std::uint8_t crc[4] = {0, 0, 0x12, 0x34};
    length = 4;
    EXPECT_EQ(link->Transact(TCODE_WRITE_QUADLET_REQUEST, kCrcReg, crc, length, false, 0), kIOFireWireDataError);
    EXPECT_TRUE(unit->Flash(FlashDevice::Mcore).refused);

    unit->Vanish();
    EXPECT_EQ(LinkRead32(*link, kStatusReg, v), kIOReturnTimeout);
    EXPECT_EQ(unit->Log().back().rcode, RCODE_NO_ACK);
    EXPECT_EQ(link->GetBusGeneration(g), kIOReturnNoDevice);
}

namespace {

// Moves the generation on just as the first request arrives.
class ResettingPort : public KeUnitModel {
public:
    BusResponse Transact(const BusRequest& request) override
    {
        if (!mReset) {
            mReset = true;
            BusReset();
        }
        return KeUnitModel::Transact(request);
    }

private:
    bool mReset = false;
};

}  // namespace

TEST(SimTransport, ResetDuringTheRequestIsResentOnceUnlessFailOnReset)
{
    std::uint32_t v = 0;
    auto unit = std::make_shared<ResettingPort>();
    auto link = fwplat::SimUnitTransport::Connect(unit);
    ASSERT_EQ(link->Open(), kIOReturnSuccess);
    EXPECT_EQ(LinkRead32(*link, kSoftwareVersionReg, v), kIOReturnSuccess);
    ASSERT_EQ(unit->Log().size(), 2u);
    EXPECT_EQ(unit->Log()[0].rcode, RCODE_GENERATION);

    auto strict = std::make_shared<ResettingPort>();
    auto strictLink = fwplat::SimUnitTransport::Connect(strict);
    ASSERT_EQ(strictLink->Open(), kIOReturnSuccess);
    EXPECT_EQ(LinkRead32(*strictLink, kSoftwareVersionReg, v, true, strict->Generation()), kIOFireWireBusReset);
    EXPECT_EQ(strict->Log().size(), 1u);
}
