// The unit handle, its register commands and discovery over a scripted bus.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/firewire-cdev.h>
#include <sys/file.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <string>

#include "macapps/KEFirmwareUpdate/DownloadUnit.h"
#include "macapps/KEFirmwareUpdate/kefirmwareupdate.h"
#include "platform/firewire/LinuxCdevTransport.h"
#include "platform/threads/Sleep.h"
#include "tests/support/FakeFireWire.h"

using testing::HasSubstr;
using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

namespace {

constexpr UInt64 kControl = 0xFFFFF0430000ull;
constexpr UInt64 kSoftwareVersion = 0xFFFFF0430004ull;
constexpr UInt64 kProductVersion = 0xFFFFF0430008ull;
constexpr UInt64 kCommand = 0xFFFFF043000Cull;
constexpr UInt64 kCRC = 0xFFFFF0430010ull;
constexpr UInt64 kStatus = 0xFFFFF0430014ull;
constexpr UInt64 kData = 0xFFFFF0430020ull;
constexpr UInt64 kSerial = 0xFFFFF0430220ull;

std::vector<UInt8> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

class DeviceAccess : public testing::Test {
protected:
    void SetUp() override { mUnit = mBus.transport().Add(); }

    // A DownloadUnit for the first matching unit, as discovery makes it.
    std::unique_ptr<DownloadUnit> MakeUnit()
    {
        auto units = fwplat::FindUnits(0xA27, 0x11);
        EXPECT_FALSE(units.empty());
        return std::make_unique<DownloadUnit>(units.at(0));
    }

    fakefw::Bus mBus;
    std::shared_ptr<fakefw::UnitState> mUnit;
};

TEST(FWAddress, DefaultAndTwoArgumentForms)
{
    FWAddressStruct defaulted;
    EXPECT_EQ(defaulted.nodeID, 0);
    EXPECT_EQ(defaulted.addressHi, 0xDEAD);
    EXPECT_EQ(defaulted.addressLo, 0xCAFEBABEu);
    FWAddressStruct explicitAddress(0xFFFF, 0xF0430000);
    EXPECT_EQ(explicitAddress.nodeID, 0);
    EXPECT_EQ(explicitAddress.addressHi, 0xFFFF);
    EXPECT_EQ(explicitAddress.addressLo, 0xF0430000u);
}

TEST_F(DeviceAccess, CommandsReachTheirRegistersInBusOrder)
{
    auto unit = MakeUnit();
    ASSERT_EQ(unit->Open(), 0);
    UInt32 generation = 3;
    UInt32 command = 1;
    const UInt8 block[20] = {1, 2, 3};
    EXPECT_EQ(unit->BeginUpdate(generation), 0);
    EXPECT_EQ(unit->SetUpdateCommand(generation, command), 0);
    EXPECT_EQ(unit->SendBlock(block, 20, 0, generation), 0);
    EXPECT_EQ(unit->SendBlock(block, 8, 128, generation), 0);
    EXPECT_EQ(unit->SendBlock(block, 8, 256, generation), 0);
    EXPECT_EQ(unit->SendCRCAndVerify(0x1234, generation), 0);

    const auto& r = mUnit->requests;
    ASSERT_EQ(r.size(), 6u);
    EXPECT_EQ(r[0].offset, kControl);
    EXPECT_EQ(r[0].tcode, TCODE_WRITE_QUADLET_REQUEST);
    EXPECT_EQ(r[0].data, (std::vector<UInt8>{0, 0, 0, 1}));
    EXPECT_EQ(r[0].generation, 3u);
    EXPECT_EQ(r[1].offset, kCommand);
    EXPECT_EQ(r[1].data, (std::vector<UInt8>{0, 0, 0, 1}));
    for (int i = 2; i <= 4; ++i) {
        EXPECT_EQ(r[i].offset, kData) << "block " << i << " must go to the one data register";
        EXPECT_EQ(r[i].tcode, TCODE_WRITE_BLOCK_REQUEST);
    }
    EXPECT_EQ(r[2].data.size(), 20u);
    EXPECT_EQ(r[5].offset, kCRC);
    EXPECT_EQ(r[5].data, (std::vector<UInt8>{0x00, 0x00, 0x12, 0x34}));
}

TEST_F(DeviceAccess, LocalCommandsCauseNoTraffic)
{
    auto unit = MakeUnit();
    ASSERT_EQ(unit->Open(), 0);
    UInt32 generation = 0;
    UInt8 buffer[8] = {0xAB};
    EXPECT_EQ(unit->RestoreNormalOperation(generation), 0);
    EXPECT_EQ(unit->ReadDataBlock(buffer, 8, 0, generation), 0);
    EXPECT_EQ(buffer[0], 0xAB);
    EXPECT_EQ(unit->MaxDownloadBlockSize(), 128u);
    EXPECT_TRUE(mUnit->requests.empty());
}

TEST_F(DeviceAccess, IdentityReads)
{
    mUnit->quadlets[kSoftwareVersion] = 0x0015001A;
    mUnit->quadlets[kProductVersion] = 0x00010007;
    mUnit->blocks[kSerial] = Bytes("AB12CD34");
    auto unit = MakeUnit();
    ASSERT_EQ(unit->Open(), 0);
    UInt32 value = 0;
    EXPECT_EQ(unit->GetSoftwareVersion(value), 0);
    EXPECT_EQ(value, 0x0015001Au);
    EXPECT_EQ(unit->GetProductRevision(value), 0);
    EXPECT_EQ(value, 0x00010007u);
    std::string serial;
    EXPECT_EQ(unit->GetProductSerNum(serial), 0);
    EXPECT_EQ(serial, "AB12CD34");
    EXPECT_EQ(mUnit->requests.back().offset, kSerial);
    EXPECT_EQ(mUnit->requests.back().length, 8u);

    mUnit->blocks[kSerial] = {'K', 'E', '4', '2', 0, 0, 0, 0};
    EXPECT_EQ(unit->GetProductSerNum(serial), 0);
    EXPECT_EQ(serial, "KE42");
}

TEST_F(DeviceAccess, SerialNumberStaysInItsBufferWhateverTheCountReported)
{
    mUnit->blocks[kSerial] = Bytes("ABCDEFGH");
    mUnit->reportedReadLength = 4000;
    auto unit = MakeUnit();
    ASSERT_EQ(unit->Open(), 0);
    std::string serial;
    EXPECT_EQ(unit->GetProductSerNum(serial), 0);
    EXPECT_EQ(serial, "ABCDEFGH");

    mUnit->reportedReadLength = 3;  // a short read ends the text early
    EXPECT_EQ(unit->GetProductSerNum(serial), 0);
    EXPECT_EQ(serial, "ABC");

    mUnit->failures[kSerial] = kIOReturnTimeout;  // a failed read keeps the last good text
    EXPECT_EQ(unit->GetProductSerNum(serial), kIOReturnTimeout);
    EXPECT_EQ(serial, "ABC");
}

TEST_F(DeviceAccess, CancelTransferPollsWithABound)
{
    std::vector<UInt32> pauses;
    KeScopedSleepFunction virtualClock([&](UInt32 us) { pauses.push_back(us); });
    auto unit = MakeUnit();
    ASSERT_EQ(unit->Open(), 0);
    UInt32 generation = 0;

    int reads = 0;
    mUnit->onQuadletRead = [&](UInt64 offset) -> std::optional<UInt32> {
        if (offset != kControl) return std::nullopt;
        return ++reads < 3 ? 1u : 0u;
    };
    EXPECT_EQ(unit->CancelTransfer(generation), 0);
    EXPECT_EQ(reads, 3);
    EXPECT_EQ(mUnit->requests.front().data, (std::vector<UInt8>{0, 0, 0, 2}));

    reads = 0;
    mUnit->onQuadletRead = [&](UInt64) -> std::optional<UInt32> { ++reads; return 1u; };
    EXPECT_EQ(unit->CancelTransfer(generation), kIOReturnTimeout);
    EXPECT_EQ(reads, static_cast<int>(DownloadUnit::kCancelPollLimit));

    mUnit->failures[kControl] = kIOReturnNoDevice;
    EXPECT_EQ(unit->CancelTransfer(generation), kIOReturnNoDevice);
}

TEST_F(DeviceAccess, TransactionsNeedOpenButTheGenerationDoesNot)
{
    auto unit = MakeUnit();
    UInt32 value = 0;
    UInt32 generation = 0;
    EXPECT_EQ(unit->GetBusGeneration(generation), 0);
    EXPECT_EQ(generation, 7u);
    EXPECT_EQ(unit->GetSoftwareVersion(value), kIOReturnNotOpen);
    EXPECT_TRUE(mUnit->requests.empty());

    // Absolute addressing is not offered: it must fail rather than reach another node.
    ASSERT_EQ(unit->Open(), 0);
    EXPECT_EQ(unit->ReadQuadlet(FWAddressStruct(0xFFFF, 0xF0430004), value, true, false, 0), kIOReturnUnsupported);
}

TEST_F(DeviceAccess, OpenAndCloseAlwaysSayWhatTheyDo)
{
    mUnit->openStatus = kIOReturnExclusiveAccess;
    auto unit = MakeUnit();
    CaptureStdout();
    EXPECT_EQ(unit->Open(), kIOReturnExclusiveAccess);
    unit->Close();
    EXPECT_EQ(GetCapturedStdout(), "FWDL::Open\nFWDL::Close\n");
}

TEST_F(DeviceAccess, DestructionReleasesTheLinkWithoutATrace)
{
    {
        auto unit = MakeUnit();
        EXPECT_EQ(mUnit->linksAlive, 1);
        ASSERT_EQ(unit->Open(), 0);
        EXPECT_EQ(unit->Open(), kIOReturnExclusiveAccess) << "one handle opens the unit once";
        CaptureStdout();
    }
    EXPECT_EQ(GetCapturedStdout(), "Dtor DownloadUnit\n");
    EXPECT_EQ(mUnit->linksAlive, 0);
    EXPECT_FALSE(mUnit->open);
}

TEST_F(DeviceAccess, AUnitThatCannotBeConnectedThrows)
{
    mUnit->connectable = false;
    CaptureStderr();
    EXPECT_THROW(MakeUnit(), std::exception);
    EXPECT_THAT(GetCapturedStderr(), HasSubstr("CFPlugInInterface->QueryInterface returned error\n"));

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
        auto unit = mBus.transport().Add();
        unit->quadlets[kSoftwareVersion] = softwareVersion;
        unit->quadlets[kProductVersion] = productVersion;
        unit->blocks[kSerial] = Bytes(serial);
        return unit;
    }

    fakefw::Bus mBus;
    APW::PTA::CKeFirmwareUpdate mUpdate;
};

TEST_F(Discovery, NoUnitIsNotFound)
{
    mBus.transport().Add(0xA27, 0x12);  // another unit directory of the same vendor
    EXPECT_FALSE(mUpdate.IsFound());
    EXPECT_DEATH(mUpdate.IsDowngrade(), "failed assertion `true == _keInfo.valid'");
}

TEST_F(Discovery, VersionTextAndDowngradeRule)
{
    struct Case {
        UInt32 word;
        const char* text;
        bool downgrade;
    };
    const Case cases[] = {
        {0x0015001A, "21-26", false}, {0x0016001A, "22-26", true}, {0x0015001B, "21-27", true},
        {0x0014001B, "20-27", true},  {0x00000000, "0-0", false},  {0xFFFFFFFF, "65535-65535", true},
    };
    auto unit = AddUnit(0);
    for (const Case& c : cases) {
        unit->quadlets[kSoftwareVersion] = c.word;
        ASSERT_TRUE(mUpdate.IsFound()) << c.text;
        std::string text;
        mUpdate.GetCurrentFirmwareVersionString(text);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(mUpdate.IsDowngrade(), c.downgrade) << c.text;
    }
    std::string carried;
    mUpdate.GetUpdateFirmwareVersionString(carried);
    EXPECT_EQ(carried, "21-26");
}

TEST_F(Discovery, SerialNumberShownFromVersion21)
{
    auto unit = AddUnit(0x0014001A);
    std::string serial;
    ASSERT_TRUE(mUpdate.IsFound());
    mUpdate.GetSerialNumberString(serial);
    EXPECT_EQ(serial, "Not Available");
    unit->quadlets[kSoftwareVersion] = 0x0015001A;
    ASSERT_TRUE(mUpdate.IsFound());
    mUpdate.GetSerialNumberString(serial);
    EXPECT_EQ(serial, "SN123456");
}

TEST_F(Discovery, ProductCheck)
{
    auto unit = AddUnit(0x0015001A, 0x0001FFFF);
    EXPECT_TRUE(mUpdate.IsFound());
    unit->quadlets[kProductVersion] = 0x00000003;
    EXPECT_TRUE(mUpdate.IsFound());
    unit->quadlets[kProductVersion] = 0x00020000;
    EXPECT_FALSE(mUpdate.IsFound());
    EXPECT_FALSE(unit->open);
    EXPECT_EQ(unit->linksAlive, 0);
}

TEST_F(Discovery, FailuresReleaseTheUnitAndReportNotFound)
{
    auto unit = AddUnit(0x0015001A);
    unit->generationStatus = kIOReturnNotPermitted;
    EXPECT_FALSE(mUpdate.IsFound());
    EXPECT_EQ(mUpdate.GetDiscoveryStatus(), kIOReturnNotPermitted);
    unit->generationStatus = kIOReturnSuccess;

    unit->openStatus = kIOReturnExclusiveAccess;
    EXPECT_FALSE(mUpdate.IsFound());
    EXPECT_EQ(mUpdate.GetDiscoveryStatus(), kIOReturnExclusiveAccess);
    unit->openStatus = kIOReturnSuccess;

    unit->connectable = false;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(mUpdate.IsFound());
    testing::internal::GetCapturedStderr();
    unit->connectable = true;

    EXPECT_EQ(unit->linksAlive, 0);
    EXPECT_TRUE(mUpdate.IsFound());
    EXPECT_EQ(mUpdate.GetDiscoveryStatus(), 0);
    mBus.transport().Clear();
    EXPECT_FALSE(mUpdate.IsFound());
    EXPECT_EQ(mUpdate.GetDiscoveryStatus(), kIOReturnNotFound);
}

TEST_F(Discovery, RepeatedDiscoveryLeavesNothingOpen)
{
    auto unit = AddUnit(0x0015001A);
    CaptureStdout();
    for (int i = 0; i < 1000; ++i) ASSERT_TRUE(mUpdate.IsFound());
    GetCapturedStdout();
    EXPECT_EQ(unit->opens, 1000);
    EXPECT_FALSE(unit->open);
    EXPECT_EQ(unit->linksAlive, 0);
}

TEST_F(Discovery, CloseKeIsHarmlessWithoutAUnit)
{
    AddUnit(0x0015001A);
    ASSERT_TRUE(mUpdate.OpenKe());
    CaptureStdout();
    mUpdate.CloseKe();
    mUpdate.CloseKe();
    EXPECT_EQ(GetCapturedStdout(), "Close Ke\nDtor DownloadUnit\nClose Ke\n");
}

}  // namespace

// ---- Discovery over the kernel transport ----

namespace {

// The kernel behind one node: every request completes with zero bytes of
// payload (a unit at version 0-0); it counts the descriptors left open.
class CountingKernel : public fwplat::CdevSyscalls {
public:
    int Open(const char*, int) override { return ++openFds, ++lastFd; }
    int Close(int) override { return --openFds, 0; }
    int Flock(int, int operation) override
    {
        locked = (operation & LOCK_UN) == 0;
        return 0;
    }
    int Ioctl(int, unsigned long request, void* arg) override
    {
        if (request == FW_CDEV_IOC_GET_INFO) {
            auto* info = static_cast<fw_cdev_get_info*>(arg);
            reinterpret_cast<fw_cdev_event_bus_reset*>(info->bus_reset)->generation = 4;
            return 0;
        }
        const auto* send = static_cast<fw_cdev_send_request*>(arg);
        fw_cdev_event_response response{};
        response.closure = send->closure;
        response.type = FW_CDEV_EVENT_RESPONSE;
        response.rcode = RCODE_COMPLETE;
        const bool read = send->tcode == TCODE_READ_QUADLET_REQUEST || send->tcode == TCODE_READ_BLOCK_REQUEST;
        response.length = read ? send->length : 0;
        std::vector<UInt8> event(offsetof(fw_cdev_event_response, data) + response.length, 0);
        std::memcpy(event.data(), &response, offsetof(fw_cdev_event_response, data));
        events.push_back(event);
        return 0;
    }
    int Poll(pollfd* fds, nfds_t, int) override
    {
        fds->revents = events.empty() ? 0 : POLLIN;
        return events.empty() ? 0 : 1;
    }
    long Read(int, void* buf, std::size_t count) override
    {
        if (events.empty()) return -1;
        const std::vector<UInt8> event = events.front();
        events.pop_front();
        const std::size_t n = std::min(count, event.size());
        std::memcpy(buf, event.data(), n);
        return static_cast<long>(n);
    }

    int openFds = 0;
    int lastFd = 100;
    bool locked = false;
    std::deque<std::vector<UInt8>> events;
};

TEST(DiscoveryOverTheKernel, ThousandLookupsLeaveNoDescriptorOpen)
{
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("ke-discovery-" + std::to_string(getpid()));
    const fs::path unit = root / "sys/bus/firewire/devices/fw1.0";
    fs::create_directories(unit);
    fs::create_directories(unit.parent_path() / "fw1");
    std::ofstream(unit / "specifier_id") << "0x000a27\n";
    std::ofstream(unit / "version") << "0x000011\n";
    std::ofstream(unit.parent_path() / "fw1/guid") << "0x000a270000000001\n";
    std::ofstream(unit.parent_path() / "fw1/units") << "0x000a27:0x000011\n";

    auto kernel = std::make_shared<CountingKernel>();
    fwplat::CdevOptions options;
    options.sysfsRoot = (root / "sys").string();
    options.devRoot = (root / "dev").string();
    options.syscalls = kernel;
    fwplat::SetTransports({std::make_shared<fwplat::LinuxCdevTransport>(options)});

    APW::PTA::CKeFirmwareUpdate update;
    CaptureStdout();
    for (int i = 0; i < 1000; ++i) ASSERT_TRUE(update.IsFound());
    GetCapturedStdout();
    std::string version;
    update.GetCurrentFirmwareVersionString(version);
    EXPECT_EQ(version, "0-0");
    EXPECT_EQ(kernel->openFds, 0);
    EXPECT_FALSE(kernel->locked);

    fwplat::SetTransports({});
    fs::remove_all(root);
}

}  // namespace
