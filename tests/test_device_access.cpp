// SPDX-License-Identifier: MIT
// The unit handle, its register commands and discovery over a scripted bus.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>

#include "macapps/KEFirmwareUpdate/DownloadUnit.h"
#include "macapps/KEFirmwareUpdate/kefirmwareupdate.h"
#include "platform/threads/Sleep.h"
#include "tests/support/FakeFireWire.h"
#include "tests/support/SimBus.h"

using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

namespace {

constexpr UInt64 kControl = 0xFFFFF0430000ull, kSoftwareVersion = kControl + 4, kProductVersion = kControl + 8,
                 kCommand = kControl + 0xC, kCRC = kControl + 0x10, kData = kControl + 0x20, kSerial = kControl + 0x220;

std::vector<UInt8> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

class DeviceAccess : public testing::Test {
protected:
    std::unique_ptr<DownloadUnit> MakeUnit(KeSleepFunction sleep = KeRealSleepMicroseconds)
    {
        return simbus::MakeUnitOn({mBus}, std::move(sleep));
    }

    std::shared_ptr<fakefw::Transport> mBus = std::make_shared<fakefw::Transport>();
    std::shared_ptr<fakefw::UnitState> mUnit = mBus->Add();
};

TEST_F(DeviceAccess, CommandsReachTheirRegistersInBusOrder)
{
    auto unit = MakeUnit();
    ASSERT_EQ(unit->Open(), 0);
    UInt32 generation = 3, command = 1;
    const UInt8 block[20] = {1, 2, 3};
    EXPECT_EQ((std::vector{unit->BeginUpdate(generation), unit->SetUpdateCommand(generation, command),
                           unit->SendBlock(block, 20, 0, generation), unit->SendBlock(block, 8, 128, generation),
                           unit->SendBlock(block, 8, 256, generation), unit->SendCRCAndVerify(0x1234, generation),
                           unit->RestoreNormalOperation(generation)}),
              std::vector<IOReturn>(7, 0));

    // Every block goes to the one data register; leaving update mode takes no request.
    using Writes = std::vector<std::tuple<UInt64, int, std::vector<UInt8>>>;
    Writes seen;
    for (const auto& r : mUnit->requests) seen.emplace_back(r.offset, r.tcode, r.data);
    const int q = TCODE_WRITE_QUADLET_REQUEST, w = TCODE_WRITE_BLOCK_REQUEST;
    const std::vector<UInt8> one{0, 0, 0, 1}, b20(block, block + 20), b8(block, block + 8), crc{0, 0, 0x12, 0x34};
    const Writes expected{{kControl, q, one}, {kCommand, q, one}, {kData, w, b20},
                          {kData, w, b8},     {kData, w, b8},     {kCRC, q, crc}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(mUnit->requests.at(0).generation, 3u);
}

// A failed, short or oversized serial number read keeps the last good text rather than guess.
TEST_F(DeviceAccess, IdentityReadsAndASerialNumberReplyOfAnotherLengthIsNoSerialNumber)
{
    mUnit->quadlets[kSoftwareVersion] = 0x0015001A;
    mUnit->quadlets[kProductVersion] = 0x00010007;
    mUnit->blocks[kSerial] = Bytes("AB12CD34");
    auto unit = MakeUnit();
    ASSERT_EQ(unit->Open(), 0);
    UInt32 software = 0, product = 0;
    std::string serial;
    EXPECT_EQ((std::tuple{unit->GetSoftwareVersion(software), unit->GetProductRevision(product),
                          unit->GetProductSerNum(serial)}),
              std::tuple(0, 0, 0));
    EXPECT_EQ(std::tuple(software, product, serial), std::tuple(0x0015001Au, 0x00010007u, "AB12CD34"));
    EXPECT_EQ(std::pair(mUnit->requests.back().offset, mUnit->requests.back().length), std::pair(kSerial, 8u));

    // Only the padding at the end goes.
    for (const std::string& text : {std::string{'K', 'E', 0, '2'}, std::string("KE42")}) {
        mUnit->blocks[kSerial] = Bytes(text + std::string(8 - text.size(), '\0'));
        EXPECT_EQ((std::pair{unit->GetProductSerNum(serial), serial}), std::pair(0, text));
    }
    mUnit->reportedReadLength = 4000;
    EXPECT_EQ(unit->GetProductSerNum(serial), kIOReturnOverrun);
    mUnit->reportedReadLength = 3;
    EXPECT_EQ(unit->GetProductSerNum(serial), kIOReturnUnderrun);
    mUnit->failures[kSerial] = kIOReturnTimeout;
    EXPECT_EQ((std::pair{unit->GetProductSerNum(serial), serial}), std::pair(kIOReturnTimeout, std::string("KE42")));
}

TEST_F(DeviceAccess, CancelTransferPollsWithABound)
{
    auto unit = MakeUnit(simbus::NoPause);
    ASSERT_EQ(unit->Open(), 0);
    UInt32 generation = 0;

    int reads = 0;
    mUnit->onQuadletRead = [&](UInt64 offset) -> std::optional<UInt32> {
        if (offset != kControl) return std::nullopt;
        return ++reads < 3 ? 1u : 0u;
    };
    EXPECT_EQ((std::pair{unit->CancelTransfer(generation), reads}), std::pair(0, 3));
    EXPECT_EQ(mUnit->requests.front().data, (std::vector<UInt8>{0, 0, 0, 2}));

    reads = 0;
    mUnit->onQuadletRead = [&](UInt64) -> std::optional<UInt32> {
        ++reads;
        return 1u;
    };
    EXPECT_EQ((std::pair{unit->CancelTransfer(generation), reads}),
              std::pair(kIOReturnTimeout, static_cast<int>(DownloadUnit::kCancelPollLimit)));

    mUnit->failures[kControl] = kIOReturnNoDevice;
    EXPECT_EQ(unit->CancelTransfer(generation), kIOReturnNoDevice);
}

TEST_F(DeviceAccess, TransactionsNeedOpenButTheGenerationDoesNot)
{
    auto unit = MakeUnit();
    UInt32 value = 0, generation = 0;
    EXPECT_EQ((std::pair{unit->GetBusGeneration(generation), generation}), std::pair(0, 7u));
    EXPECT_EQ(unit->GetSoftwareVersion(value), kIOReturnNotOpen);
    EXPECT_TRUE(mUnit->requests.empty());

    // Absolute addressing is not offered: it must fail rather than reach another node.
    ASSERT_EQ(unit->Open(), 0);
    EXPECT_EQ(unit->ReadQuadlet(FWAddressStruct(0xFFFF, 0xF0430004), value, true, false, 0), kIOReturnUnsupported);
}

TEST_F(DeviceAccess, OpenAndCloseSayWhatTheyDoAndDestructionOnlyLetsGo)
{
    {
        auto unit = MakeUnit();
        EXPECT_EQ(mUnit->linksAlive, 1);
        CaptureStdout();
        ASSERT_EQ(unit->Open(), 0);
        EXPECT_EQ(unit->Open(), kIOReturnExclusiveAccess) << "one handle opens the unit once";
        unit->Close();
        unit->Close();
        EXPECT_EQ(GetCapturedStdout(), "FWDL::Open\nFWDL::Open\nFWDL::Close\nFWDL::Close\n");
        ASSERT_EQ(unit->Open(), 0);
        CaptureStdout();
    }
    EXPECT_EQ(GetCapturedStdout(), "Dtor DownloadUnit\n");
    EXPECT_EQ(std::pair(mUnit->linksAlive, mUnit->open), std::pair(0, false));
}

TEST_F(DeviceAccess, AUnitThatCannotBeConnectedThrows)
{
    mUnit->connectable = false;
    CaptureStderr();
    EXPECT_THROW(MakeUnit(), std::exception);
    EXPECT_THAT(GetCapturedStderr(), testing::MatchesRegex("FWLib_Device:[0-9]+ the unit could not be connected to\n"));

    CaptureStderr();
    EXPECT_THROW(DownloadUnit(fwplat::UnitInfo{}), std::exception);  // nothing to connect with
    EXPECT_EQ(GetCapturedStderr(), "Couldn't create plug in interface\n");
}

// ---- Discovery and identity ----

class Discovery : public testing::Test {
protected:
    std::shared_ptr<fakefw::UnitState> AddUnit(UInt32 softwareVersion, UInt32 productVersion = 0x00010000,
                                               const std::string& serial = "SN123456")
    {
        auto unit = mBus->Add();
        unit->quadlets[kSoftwareVersion] = softwareVersion;
        unit->quadlets[kProductVersion] = productVersion;
        unit->blocks[kSerial] = Bytes(serial);
        return unit;
    }

    std::shared_ptr<fakefw::Transport> mBus = std::make_shared<fakefw::Transport>();
    APW::PTA::CKeFirmwareUpdate mUpdate{APW::PTA::UpdateSeams{{mBus}}};
};

TEST_F(Discovery, VersionTextAndDowngradeRule)
{
    // The serial number is shown from version 21 on.
    const std::tuple<UInt32, const char*, bool, const char*> cases[] = {
        {0x0015001A, "21-26", false, "SN123456"},     {0x0016001A, "22-26", true, "SN123456"},
        {0x0015001B, "21-27", true, "SN123456"},      {0x0014001B, "20-27", true, "Not Available"},
        {0x00000000, "0-0", false, "Not Available"},  {0xFFFFFFFF, "65535-65535", true, "SN123456"},
        {0x0014001A, "20-26", false, "Not Available"}};
    auto unit = AddUnit(0);
    for (const auto& [word, version, downgrade, serialText] : cases) {
        unit->quadlets[kSoftwareVersion] = word;
        ASSERT_TRUE(mUpdate.IsFound()) << version;
        std::string text, serial;
        mUpdate.GetCurrentFirmwareVersionString(text);
        mUpdate.GetSerialNumberString(serial);
        EXPECT_EQ(std::tuple(text, serial, mUpdate.IsDowngrade()), std::tuple(version, serialText, downgrade));
    }
    std::string carried;
    mUpdate.GetUpdateFirmwareVersionString(carried);
    EXPECT_EQ(carried, "21-26");
}

// A product of another kind, a unit that cannot be had, or none of ours is
// released and not found.
TEST_F(Discovery, FailuresReleaseTheUnitAndReportNotFound)
{
    auto unit = AddUnit(0x0015001A);
    for (const auto& [product, found] : {std::pair{0x0001FFFFu, true}, {0x00000003u, true}, {0x00020000u, false}}) {
        unit->quadlets[kProductVersion] = product;
        EXPECT_EQ(std::tuple(mUpdate.IsFound(), unit->open, unit->linksAlive), std::tuple(found, false, 0)) << product;
    }
    EXPECT_EQ(unit->opens, 3) << "each discovery reads the unit afresh";
    unit->quadlets[kProductVersion] = 0x00010000;
    const std::pair<std::function<void(bool)>, IOReturn> faults[] = {
        {[&](bool on) { unit->generationStatus = on ? kIOReturnNotPermitted : kIOReturnSuccess; },
         kIOReturnNotPermitted},
        {[&](bool on) { unit->openStatus = on ? kIOReturnExclusiveAccess : kIOReturnSuccess; },
         kIOReturnExclusiveAccess},
        {[&](bool on) { unit->connectable = !on; }, kIOReturnNoDevice}};
    for (const auto& [fault, status] : faults) {
        fault(true);
        CaptureStderr();
        EXPECT_EQ((std::tuple{mUpdate.IsFound(), mUpdate.GetDiscoveryStatus(), unit->linksAlive}),
                  std::tuple(false, status, 0));
        GetCapturedStderr();
        fault(false);
    }
    EXPECT_EQ((std::pair{mUpdate.IsFound(), mUpdate.GetDiscoveryStatus()}), std::pair(true, 0));
    mBus->Clear();
    mBus->Add(0xA27, 0x12);  // another unit directory of the same vendor
    EXPECT_EQ((std::pair{mUpdate.IsFound(), mUpdate.GetDiscoveryStatus()}), std::pair(false, kIOReturnNotFound));
    EXPECT_DEATH(mUpdate.IsDowngrade(), "failed assertion `true == _keInfo.valid'");
}

TEST_F(Discovery, AnIdentityThatCannotBeReadIsNotOffered)
{
    const std::pair<std::string, std::function<void(fakefw::UnitState&)>> cases[] = {
        {"the unit did not answer its version read: refused by the unit (0xE0008015)",
         [](fakefw::UnitState& u) { u.failures[kSoftwareVersion] = kIOFireWireDataError; }},
        {"the unit did not answer its product version read: timed out (0xE00002D6)",
         [](fakefw::UnitState& u) { u.failures[kProductVersion] = kIOReturnTimeout; }},
        {"the unit did not answer its serial number read: short reply (0xE00002E7)",
         [](fakefw::UnitState& u) { u.reportedReadLength = 5; }},
        {"the unit did not answer its serial number read: reply too long (0xE00002E8)",
         [](fakefw::UnitState& u) { u.reportedReadLength = 9; }},
    };
    for (const auto& [reason, fault] : cases) {
        mBus->Clear();
        auto unit = AddUnit(0x0016001E);
        fault(*unit);
        EXPECT_EQ((std::tuple{mUpdate.IsFound(), mUpdate.GetDiscoveryReason(), unit->linksAlive}),
                  std::tuple(false, reason, 0));
        const auto readings = mUpdate.SurveyUnits();
        ASSERT_EQ(readings.size(), 1u);
        EXPECT_EQ(std::pair(readings[0].unreadable, readings[0].reason), std::pair(true, reason));
    }

    // A unit without a serial number (version 20 or less) is not asked for one.
    mBus->Clear();
    auto old = AddUnit(0x0014001A);
    old->failures[kSerial] = kIOReturnTimeout;
    EXPECT_TRUE(mUpdate.IsFound());
}

TEST_F(Discovery, EveryUnitIsReadWithItsIdentity)
{
    AddUnit(0x0015001A, 0x00010000, "KEAAAAAA");
    mBus->Add(0xA27, 0x12);  // not a unit of ours
    AddUnit(0x0014001A, 0x00000003, "garbage!");
    const auto readings = mUpdate.SurveyUnits();
    ASSERT_EQ(readings.size(), 2u);
    EXPECT_EQ(std::tuple(readings[0].status, readings[0].where, readings[0].identity.serialNum,
                         readings[0].identity.productVer),
              std::tuple(0, "fake0", "KEAAAAAA", 0x00010000u));
    EXPECT_EQ(readings[1].identity.serialNum, "") << "version 20 has no serial number";

    mUpdate.ShowUnit(readings[1]);
    std::string text;
    mUpdate.GetCurrentFirmwareVersionString(text);
    EXPECT_EQ(text, "20-26");
    EXPECT_EQ(APW::PTA::KeStatusText(kDownloadDeviceError), "the unit failed the step (0xFFFFFF40)");
    EXPECT_EQ(APW::PTA::KeStatusText(kIOReturnNoDevice), "device gone (0xE00002C0)");
}

// Closing again without a unit is harmless.
TEST_F(Discovery, ASecondCloseIsHarmless)
{
    AddUnit(0x0015001A);
    ASSERT_TRUE(mUpdate.OpenKe());
    CaptureStdout();
    mUpdate.CloseKe();
    mUpdate.CloseKe();
    EXPECT_EQ(GetCapturedStdout(), "Close Ke\nDtor DownloadUnit\nClose Ke\n");
}

}  // namespace
