// SPDX-License-Identifier: MIT
// The download of one image: the stream the unit receives, the CRC, every
// failure path, and the progress value.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "macapps/KEFirmwareUpdate/DownloadProgress.h"
#include "macapps/KEFirmwareUpdate/Downloader.h"
#include "macapps/KEFirmwareUpdate/Ke_MCORE.h"
#include "platform/threads/Sleep.h"
#include "tests/support/FakeFireWire.h"
#include "tests/support/SimBus.h"
#include "tests/support/SocketSim.h"

using testing::HasSubstr;
using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

class DownloaderTestAccess {
public:
    void ReadImage(DOWNLOADTYPE t, UInt32 ofs, UInt8* buf, UInt32& n) { mD.ReadImage(t, ofs, 128, buf, n); }
    UInt16 Crc(UInt16 start, const std::vector<UInt8>& bytes)
    {
        return mD.updateCRC16(start, reinterpret_cast<const UInt32*>(bytes.data()),
                              static_cast<UInt32>(bytes.size() / 4));
    }

private:
    Downloader mD;
};

namespace {

// Runs downloads on a virtual clock: pauses are recorded, not waited for.
class Download : public testing::Test {
protected:
    void Run(DOWNLOADTYPE type)
    {
        gDownloadProgress.SetDeviceType(type == fileXILINX ? Xilinx : MCORE);
        auto unit = simbus::MakeUnitOn(mBus.transports(), [this](UInt32 us) { mPause(us); });
        ASSERT_TRUE(unit);
        CaptureStdout();
        CaptureStderr();
        mDownloader.DoDownload(unit.get(), type);
        mOut = GetCapturedStdout();
        mErr = GetCapturedStderr();
        EXPECT_TRUE(mHeldElsewhere || !mBus.model().Owned()) << "the unit must be closed at the end";
    }

    std::vector<kesim::TransactionRecord> Writes(std::uint64_t offset)
    {
        std::vector<kesim::TransactionRecord> writes;
        for (const auto& t : mBus.model().Log())
            if (t.offset == offset && (t.tcode == TCODE_WRITE_BLOCK_REQUEST || t.tcode == TCODE_WRITE_QUADLET_REQUEST))
                writes.push_back(t);
        return writes;
    }

    simbus::Bus mBus{kesim::KeUnitConfig{.eraseBusyReads = 0}};
    std::vector<UInt32> mPauses;
    std::vector<UInt32> mProgress;
    KeSleepFunction mPause = [this](UInt32 us) {
        mPauses.push_back(us);
        mProgress.push_back(gDownloadProgress.Get());
    };
    Downloader mDownloader{[this](UInt32 us) { mPause(us); }};
    std::string mOut;
    std::string mErr;
    bool mHeldElsewhere = false;
};

TEST_F(Download, EachImageArrivesByteForByteAndIsAccepted)
{
    struct Case {
        DOWNLOADTYPE type;
        kesim::FlashDevice flash;
        UInt32 sizeB;
        size_t fullBlocks;
        UInt32 lastBlock;
        std::vector<UInt8> start;
    };
    const Case cases[] = {
        {fileXILINX, kesim::FlashDevice::Xilinx, 336680, 2630, 40, {0xFF, 0xFF, 0xFF, 0xFF, 0xAA, 0x99, 0x55, 0x66}},
        {fileMCORE, kesim::FlashDevice::Mcore, 71444, 558, 20, {'S', '0', '0', '3', '0', '0', '0', '0', 'F', 'C'}},
    };
    for (const Case& c : cases) {
        mBus.model().ClearLog();
        Run(c.type);
        EXPECT_EQ(std::pair(mDownloader.GetError(), mErr), std::pair(0, std::string()));
        EXPECT_THAT(mOut, testing::AllOf(HasSubstr("Sending Data...\n"), HasSubstr("Update successful.\n\r")));

        const auto blocks = Writes(kesim::kUpdateDataReg);
        ASSERT_EQ(blocks.size(), 1 + c.fullBlocks + 1);
        EXPECT_EQ(blocks.front().data, socksim::Header(c.sizeB));
        for (size_t i = 1; i <= c.fullBlocks; ++i) ASSERT_EQ(blocks[i].length, 128u);
        EXPECT_EQ(blocks.back().length, c.lastBlock);
        EXPECT_TRUE(std::equal(c.start.begin(), c.start.end(), blocks[1].data.begin()));

        const std::vector<UInt8> image = socksim::Image(c.type);
        const kesim::FlashState flash = mBus.model().Flash(c.flash);
        EXPECT_EQ(std::tuple(flash.stream, flash.accepted, flash.contents),
                  std::tuple(socksim::StreamOf(image), true, image));

        const auto crc = Writes(kesim::kCrcReg);
        ASSERT_EQ(crc.size(), 1u);
        const UInt16 expected = kesim::Crc16Xmodem(image.data(), image.size());
        EXPECT_EQ(crc[0].data, (std::vector<UInt8>{0, 0, UInt8(expected >> 8), UInt8(expected)}));
    }
}

TEST_F(Download, ProgressOverAWholeUpdate)
{
    gDownloadProgress.Reset();
    Run(fileXILINX);
    const size_t xilinxEnd = mProgress.size();
    EXPECT_EQ(gDownloadProgress.Get(), 60u);
    Run(fileMCORE);
    EXPECT_EQ(gDownloadProgress.Get(), 100u);

    // Pauses follow BeginUpdate and the status read (value 0), then come the
    // erase command (the phase's start) and the blocks.
    ASSERT_GT(mProgress.size(), 8u);
    EXPECT_EQ(mProgress[0], 0u);
    EXPECT_EQ(mProgress[2], 40u);
    EXPECT_TRUE(std::is_sorted(mProgress.begin() + 2, mProgress.begin() + xilinxEnd));
    EXPECT_EQ(mProgress[xilinxEnd], 0u);
    EXPECT_EQ(mProgress[xilinxEnd + 2], 80u);
    EXPECT_TRUE(std::is_sorted(mProgress.begin() + xilinxEnd + 2, mProgress.end()));
    EXPECT_EQ(mProgress.back(), 100u);
    EXPECT_TRUE(std::all_of(mPauses.begin(), mPauses.end(), [](UInt32 us) { return us == 1000; }));
}

TEST_F(Download, UnitNotReadyIsTakenOutOfUpdateMode)
{
    mBus.model().ChangeConfig([](kesim::KeUnitConfig& c) { c.readyStatus = 2; });
    Run(fileMCORE);
    // The erase and programming phases are still passed on the progress.
    EXPECT_EQ(
        std::tuple(mDownloader.GetError(), mErr, gDownloadProgress.Get(), Writes(kesim::kUpdateCommandReg).size()),
        std::tuple(-192, "Device not ready - Could not prepare device for update.\n\r", 80u, 0u));
    std::vector<UInt8> control;
    for (const auto& t : Writes(kesim::kUpdateControlReg)) control.push_back(t.data.at(3));
    EXPECT_EQ(std::tuple(control, mBus.model().InUpdateMode(), mDownloader.GetLeaveStatus()),
              std::tuple(std::vector<UInt8>{1, 2}, false, std::optional<IOReturn>(0)));
}

// A unit another client holds is waited for about a second, then given up.
TEST_F(Download, AHoldByAnotherClientIsWaitedOutForASecond)
{
    ASSERT_TRUE(mBus.model().Acquire());
    mHeldElsewhere = true;
    Run(fileMCORE);
    EXPECT_EQ(std::count(mPauses.begin(), mPauses.end(), 10000u), 100) << "about a second of retries";
    // The open's own status, not the "not open" of a step that should never have run.
    EXPECT_EQ(std::tuple(mDownloader.GetError(), mErr),
              std::tuple(kIOReturnExclusiveAccess, "Could not open device\n\r"));
    EXPECT_TRUE(mBus.model().Log().empty()) << "nothing may be sent to a unit that did not open";

    mHeldElsewhere = false;
    int retries = 0;
    mPause = [&](UInt32 us) {
        if (us == 10000 && ++retries == 5) mBus.model().Relinquish();
    };
    Run(fileMCORE);
    EXPECT_EQ(std::tuple(retries, mDownloader.GetError(), mBus.model().Flash(kesim::FlashDevice::Mcore).accepted),
              std::tuple(5, 0, true));
}

// A finish on the 60th poll still counts; a failure or 60 busy polls (a
// timeout) end the download at the erase, before any data.
TEST_F(Download, EraseWaitEndsOnFinishFailureOrSixtyBusyPolls)
{
    struct Case {
        UInt32 busyReads;
        UInt32 result;
        bool neverFinishes;
        int busyLines;
        const char* message;
        IOReturn error;
    };
    for (const Case& c :
         {Case{59, 1, false, 59, "", 0}, Case{3, 2, false, 3, "Device failed - Could not erase flash.\n\r", -192},
          Case{0, 1, true, 60, "Device timed out. -Could not erase flash.\n\r", kIOReturnTimeout}}) {
        mBus.model().ChangeConfig([&](kesim::KeUnitConfig& k) {
            k.eraseBusyReads = c.busyReads;
            k.eraseResult = c.result;
            k.eraseNeverFinishes = c.neverFinishes;
        });
        mPauses.clear();
        Run(fileMCORE);
        std::string said;
        for (int i = 0; i < c.busyLines; ++i) said += "Erasing Flash\n";
        EXPECT_EQ(std::tuple(mErr, std::count(mPauses.begin(), mPauses.end(), 1000000u), mDownloader.GetError()),
                  std::tuple(said + c.message, c.busyLines, c.error));
        EXPECT_EQ(Writes(kesim::kUpdateDataReg).empty(), *c.message != 0) << c.busyReads;
        mBus.model().ClearLog();
    }
}

// Faults once the data flows: the status and words, whether a CRC went out, the progress, and whether the flash took
// the image.
TEST_F(Download, FaultsDuringTheData)
{
    using Config = kesim::KeUnitConfig;
    const std::string failed = "Download has failed\n\rTried to send128bytes at";
    struct Case {
        void (*fault)(Config&);
        DOWNLOADTYPE type;
        IOReturn error;
        std::string said;
        bool crcSent;
        UInt32 progress;
    };
    const Case cases[] = {
        {[](Config& c) { c.failBlock = 3; }, fileMCORE, kIOFireWireDataError,
         failed + "256, got error" + std::to_string(kIOFireWireDataError) + "\n\r", false, 80},
        {[](Config& c) { c.busResetAfterBlock = 5; }, fileMCORE, 0, "", true, 100},
        {[](Config& c) { c.refuseCrc = true; }, fileXILINX, kIOFireWireDataError,
         "Firmware validation failed- CRC was invalid.\n\r", true, 60},
        {[](Config& c) { c.vanishAfterBlock = 10; }, fileXILINX, kIOReturnTimeout,
         failed + "1359, got error" + std::to_string(kIOReturnTimeout) + "\n\r", false, 40},
    };
    for (const Case& c : cases) {
        mBus.model().ChangeConfig([&c](Config& k) { c.fault(k = Config{.eraseBusyReads = 0}); });
        mBus.model().ClearLog();
        Run(c.type);
        EXPECT_EQ(std::tuple(mDownloader.GetError(), mErr, !Writes(kesim::kCrcReg).empty(), gDownloadProgress.Get()),
                  std::tuple(c.error, c.said, c.crcSent, c.progress));
        EXPECT_EQ(mOut.find("Update successful.") != std::string::npos, c.error == 0) << c.said;
        const auto flash = c.type == fileMCORE ? kesim::FlashDevice::Mcore : kesim::FlashDevice::Xilinx;
        EXPECT_EQ(mBus.model().Flash(flash).accepted, c.error == 0) << c.said;
    }
}

// Failures the simulated unit cannot produce, on a scripted unit.
TEST(DownloadScripted, HeaderNotSentAndGenerationUnreadable)
{
    auto bus = std::make_shared<fakefw::Transport>();
    auto state = bus->Add();
    state->quadlets[kesim::kStatusReg] = 1;
    state->failures[kesim::kUpdateDataReg] = kIOReturnTimeout;
    Downloader downloader(simbus::NoPause);
    auto unit = simbus::MakeUnitOn({bus}, simbus::NoPause);
    // One download's words on stdout and stderr; the unit's requests start afresh.
    const auto download = [&](DownloadUnit* on, DOWNLOADTYPE type) {
        state->requests.clear();
        CaptureStdout();
        CaptureStderr();
        downloader.DoDownload(on, type);
        return std::pair{GetCapturedStdout(), GetCapturedStderr()};
    };
    EXPECT_EQ(download(unit.get(), fileMCORE).second,
              "Download has failed.Tried to send FirmwareHeader, got error\n\r" + std::to_string(kIOReturnTimeout));
    EXPECT_EQ(std::pair(downloader.GetError(), state->open), std::pair(kIOReturnTimeout, false));

    state->generationStatus = kIOReturnNoDevice;  // no unit step without a generation
    const auto [out, err] = download(unit.get(), fileXILINX);
    EXPECT_THAT(out, HasSubstr("FWDL::Close\n"));
    EXPECT_EQ(std::tuple(err, downloader.GetError(), state->opens, state->requests.size()),
              std::tuple("Could not read the bus generation\n\r", kIOReturnNoDevice, 1, 0u));
    download(nullptr, fileXILINX);
    EXPECT_EQ(downloader.GetError(), kIOReturnNoDevice);

    // An image the program does not carry: the unit is left alone.
    state->generationStatus = kIOReturnSuccess;
    EXPECT_EQ(download(unit.get(), static_cast<DOWNLOADTYPE>(5)).second, "Read Image : Invalid file type\n\r");
    EXPECT_EQ(std::tuple(downloader.GetError(), state->opens, state->requests.size()),
              std::tuple(kIOReturnBadArgument, 1, 0u));
}

// ---- Image reader and CRC ----

TEST(ImageReader, ReadsClipAtTheEndOfEachImage)
{
    DownloaderTestAccess access;
    UInt8 buffer[DL_BUF_SIZE];
    UInt32 count = 0;
    // Past the end, and an offset near the top that must not wrap (the last blocks go out in the downloads above).
    for (UInt32 offset : {80000u, 0xFFFFFFF0u}) {
        access.ReadImage(fileMCORE, offset, buffer, count);
        EXPECT_EQ(count, 0u) << offset;
    }
    CaptureStderr();
    count = 99;
    access.ReadImage(static_cast<DOWNLOADTYPE>(7), 0, buffer, count);
    EXPECT_EQ(GetCapturedStderr(), "Read Image : Invalid file type\n\r");
    EXPECT_EQ(count, 0u);
}

TEST(CRC16, WorkedValuesAndChaining)
{
    DownloaderTestAccess access;
    const std::vector<UInt8> abcd{'a', 'b', 'c', 'd'};
    const std::vector<UInt8> digits{'1', '2', '3', '4', '5', '6', '7', '8'};
    const UInt16 first = access.Crc(0, {digits.begin(), digits.begin() + 4});
    EXPECT_EQ((std::vector{access.Crc(0x0000, abcd), access.Crc(0xFFFF, abcd), access.Crc(0x0000, digits),
                           access.Crc(0xFFFF, {}), access.Crc(0x0000, {0, 0, 0, 0}),
                           access.Crc(first, {digits.begin() + 4, digits.end()})}),
              (std::vector<UInt16>{0xA836, 0x2CF6, 0x9015, 0xFFFF, 0x0000, 0x9015}));

    // Any split at word boundaries of a whole image gives the bytewise CRC.
    const std::vector<UInt8> image(KeMCORE06data, KeMCORE06data + KeMCORE06dataSize);
    UInt16 chained = 0;
    for (size_t at = 0; at < image.size(); at += 36) {
        const size_t end = std::min(image.size(), at + 36);
        chained = access.Crc(chained, {image.begin() + at, image.begin() + end});
    }
    EXPECT_EQ(chained, kesim::Crc16Xmodem(image.data(), image.size()));
}

// ---- Progress ----

TEST(Progress, PhasesAndTruncation)
{
    DownloadProgress p;
    const auto at = [&p](float fraction) { return p.Update(fraction), p.Get(); };
    EXPECT_EQ(p.Get(), 0u);
    p.SetDeviceType(MCORE);
    p.SetErase();
    EXPECT_EQ((std::vector{p.Get(), at(0.5f)}), (std::vector{80u, 80u})) << "no advance before SetPgm";
    p.SetPgm();
    EXPECT_EQ((std::vector{at(0.5f), at(1.0f)}), (std::vector{90u, 100u}));
    const auto phase = [&p] { return std::tuple(p.Get(), p.GetPhase(), p.GetPhaseDevice()); };
    EXPECT_EQ(phase(), std::tuple(100u, DownloadProgress::kPhaseProgramming, MCORE));

    p.Reset();
    EXPECT_EQ(phase(), std::tuple(0u, DownloadProgress::kPhasePreparing, Xilinx));  // a new update: the FPGA first
    p.SetErase();
    EXPECT_EQ(phase(), std::tuple(40u, DownloadProgress::kPhaseErasing, Xilinx));
    p.SetPgm();
    EXPECT_EQ((std::vector{at(0.99988f), at(1.0f)}), (std::vector{59u, 60u}));

    p.SetDeviceType(static_cast<DL_DEVICE_TYPE>(2));
    CaptureStderr();
    p.SetErase();
    p.SetPgm();
    EXPECT_EQ(GetCapturedStderr(), "Invalid device type\nInvalid device type\n");
    EXPECT_EQ(p.Get(), 60u);
}

}  // namespace
