// SPDX-License-Identifier: MIT
// The update job on its worker thread, against the simulated unit.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

#include "macapps/KEFirmwareUpdate/DownloadProgress.h"
#include "macapps/KEFirmwareUpdate/KeXilinx.h"
#include "macapps/KEFirmwareUpdate/Ke_MCORE.h"
#include "macapps/KEFirmwareUpdate/kefirmwareupdate.h"
#include "platform/threads/Sleep.h"
#include "tests/support/FakeFireWire.h"
#include "tests/support/SimBus.h"

using APW::PTA::CKeFirmwareUpdate;
using APW::PTA::UpdateOutcome;

namespace {

bool WaitDone(const CKeFirmwareUpdate& update)
{
    for (int i = 0; i < 60000 && !update.GetDoneStatus(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return update.GetDoneStatus();
}

// Runs a job to its end; what it wrote to standard error.
std::string RunJob(CKeFirmwareUpdate& update)
{
    testing::internal::CaptureStderr();
    EXPECT_TRUE(update.DoUpdate() && WaitDone(update));
    return testing::internal::GetCapturedStderr();
}

class UpdateJob : public testing::Test {
protected:
    UpdateJob()
    {
        mBus.model().ChangeConfig([](kesim::KeUnitConfig& c) { c.eraseBusyReads = 1; });
    }

    simbus::Bus mBus;
    KeSleepFunction mPause = simbus::NoPause;  // virtual clock: no waiting
    CKeFirmwareUpdate mUpdate{mBus.Seams([this](UInt32 us) { mPause(us); })};
};

TEST_F(UpdateJob, WritesBothImagesXilinxFirstAndReportsSuccess)
{
    ASSERT_TRUE(mUpdate.IsFound());
    testing::internal::CaptureStdout();
    ASSERT_TRUE(mUpdate.DoUpdate());
    EXPECT_FALSE(mUpdate.GetDoneStatus());
    EXPECT_EQ(mUpdate.GetUpdateResult().outcome, UpdateOutcome::kNone) << "no result while the job runs";
    ASSERT_TRUE(WaitDone(mUpdate));
    const std::string out = testing::internal::GetCapturedStdout();

    EXPECT_TRUE(mUpdate.GetUpdateResult().Succeeded());
    EXPECT_FALSE(mBus.model().Owned());
    const auto xilinx = mBus.model().Flash(kesim::FlashDevice::Xilinx);
    const auto mcore = mBus.model().Flash(kesim::FlashDevice::Mcore);
    EXPECT_TRUE(xilinx.accepted && mcore.accepted);
    EXPECT_EQ(xilinx.contents, std::vector<UInt8>(KeXilinxData + 79, KeXilinxData + KeXilinxDataSizeBytes));
    EXPECT_EQ(mcore.contents, std::vector<UInt8>(KeMCORE06data, KeMCORE06data + KeMCORE06dataSize));
    EXPECT_EQ(gDownloadProgress.Get(), 100u);

    // Erase commands in order: FPGA (0) first, then the microcontroller (1).
    std::vector<UInt8> commands;
    for (const auto& t : mBus.model().Log())
        if (t.offset == kesim::kUpdateCommandReg) commands.push_back(t.data.at(3));
    EXPECT_EQ(commands, (std::vector<UInt8>{0, 1}));

    // The trace in order; the downloader is gone before the job is done.
    std::vector<size_t> at;
    for (const char* line : {"Start Download Thread\n", "Erasing Xilinx Image\n", "Erasing MCORE image\n",
                             "Dtor Downloader\n", "Delete Download Thread\n"})
        at.push_back(out.find(line));
    EXPECT_TRUE(at.back() != std::string::npos && std::is_sorted(at.begin(), at.end())) << out;

    // A second job works with fresh objects.
    testing::internal::CaptureStdout();
    RunJob(mUpdate);
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(mUpdate.GetUpdateResult().Succeeded() && mUpdate.IsFound());
}

TEST_F(UpdateJob, AFailedFirstImageLeavesTheSecondAsItWasAndTheResultNamesTheStep)
{
    mBus.model().ChangeConfig([](kesim::KeUnitConfig& c) { c.eraseNeverFinishes = true; });
    EXPECT_THAT(RunJob(mUpdate), testing::HasSubstr("Device timed out. -Could not erase flash."));
    EXPECT_EQ(APW::PTA::UpdateResultText(mUpdate.GetUpdateResult()),
              "Writing the FPGA image failed at the erase: the unit did not finish erasing in time (timed out, "
              "0xE00002D6). The microcontroller image was left as it was.");
    const auto mcore = mBus.model().Flash(kesim::FlashDevice::Mcore);
    EXPECT_TRUE(mcore.stream.empty() && !mcore.erased) << "the microcontroller flash must be left as it was";
}

TEST_F(UpdateJob, DiscoveryTellsAHoldAtOnceTheJobWaitsOutAShortOne)
{
    ASSERT_TRUE(mBus.model().Acquire());
    int pauses = 0;
    mPause = [&](UInt32) {
        if (++pauses == 3) mBus.model().Relinquish();
    };
    EXPECT_FALSE(mUpdate.IsFound()) << "the window's tick asks: it must not wait";
    EXPECT_EQ(pauses, 0);

    RunJob(mUpdate);
    EXPECT_TRUE(mUpdate.GetUpdateResult().Succeeded()) << "the hold was another program's discovery, over soon";
}

TEST_F(UpdateJob, AUnitThatIsNotTheOneShownIsNotWritten)
{
    // The unit shown is not the one there by the time the job starts.
    mBus.model().SetSoftwareVersion((21u << 16) | 26u);
    ASSERT_TRUE(mUpdate.IsFound());
    mBus.model().SetSerialNumber("KECCCCCC");
    mBus.model().ClearLog();
    RunJob(mUpdate);
    const auto result = mUpdate.GetUpdateResult();
    EXPECT_EQ(result.outcome, UpdateOutcome::kUnitChanged);
    EXPECT_THAT(result.reason, testing::HasSubstr("serial KECCCCCC"));
    for (const auto& t : mBus.model().Log())
        EXPECT_TRUE(t.tcode == TCODE_READ_QUADLET_REQUEST || t.tcode == TCODE_READ_BLOCK_REQUEST) << "a write";
}

TEST_F(UpdateJob, AUnitGoneBeforeTheEraseEndsTheJobAsNotStarted)
{
    // The first pause follows the update mode.
    mPause = [&, gone = false](UInt32) mutable {
        if (!std::exchange(gone, true)) mBus.Unplug();
    };
    RunJob(mUpdate);
    EXPECT_THAT(APW::PTA::UpdateResultText(mUpdate.GetUpdateResult()),
                testing::StartsWith("The update did not start: the FPGA image failed entering update mode"));
}

// Stopped after it entered update mode and before its erase, a job takes the
// unit out of it again and says whether the unit was left as found.
TEST_F(UpdateJob, StoppingBeforeTheEraseLeavesUpdateMode)
{
    struct Case {
        bool cancel;
        bool cancelNeverFinishes;
        UpdateOutcome outcome;
    };
    for (const Case c : {Case{true, false, UpdateOutcome::kCancelled}, Case{false, false, UpdateOutcome::kNotStarted},
                         Case{true, true, UpdateOutcome::kCancelled}}) {
        mBus.model().ChangeConfig([&c](kesim::KeUnitConfig& k) {
            k.readyStatus = c.cancel ? 1 : 2;
            k.cancelNeverFinishes = c.cancelNeverFinishes;
        });
        // The first pause follows the update mode.
        mPause = [&, first = true](UInt32) mutable {
            if (c.cancel && std::exchange(first, false)) mUpdate.CancelBeforeErase();
        };
        mBus.model().ClearLog();
        RunJob(mUpdate);
        UInt8 control = 0xFF;  // as the unit last answered it
        for (const auto& t : mBus.model().Log())
            if (t.offset == kesim::kUpdateControlReg && t.tcode == TCODE_READ_QUADLET_REQUEST) control = t.data.at(3);
        const auto result = mUpdate.GetUpdateResult();
        const bool left = !c.cancelNeverFinishes;
        EXPECT_EQ(std::tuple(result.outcome, result.LeftAsFound(), control),
                  std::tuple(c.outcome, std::optional<bool>(left), UInt8(left ? 0 : 1)));
        const std::string told =
            "; nothing was written. The Ke was not left as it was found: it could not be taken "
            "out of update mode (timed out, 0xE00002D6).";
        EXPECT_EQ(APW::PTA::UpdateResultText(result).find(told) != std::string::npos, !left);
    }
}

TEST_F(UpdateJob, NoUnitToBeHadWhenTheJobStarts)
{
    mBus.Unplug();
    RunJob(mUpdate);
    EXPECT_EQ(mUpdate.GetUpdateResult().outcome, UpdateOutcome::kUnitNotFound);
    EXPECT_TRUE(mBus.model().Log().empty()) << "nothing may be sent without a unit";

    auto bus = std::make_shared<fakefw::Transport>();
    bus->Add()->connectable = false;
    CKeFirmwareUpdate update(APW::PTA::UpdateSeams{{bus}, simbus::NoPause});
    RunJob(update);
    EXPECT_EQ(update.GetUpdateResult().outcome, UpdateOutcome::kUnitNotFound);
}

TEST_F(UpdateJob, UnitDisappearingMidJob)
{
    mBus.model().ChangeConfig([](kesim::KeUnitConfig& c) { c.vanishAfterBlock = 100; });
    RunJob(mUpdate);
    const auto result = mUpdate.GetUpdateResult();
    EXPECT_EQ(std::pair(result.outcome, result.image), std::pair(UpdateOutcome::kDownloadFailed, fileXILINX));
    EXPECT_TRUE(result.status != 0 && !mUpdate.IsFound());
}

int RefuseThread(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*) { return EAGAIN; }

TEST_F(UpdateJob, AThreadThatCannotBeCreatedEndsTheJobAtOnce)
{
    CKeFirmwareUpdate update(APW::PTA::UpdateSeams{mBus.transports(), simbus::NoPause, RefuseThread});
    testing::internal::CaptureStderr();
    EXPECT_FALSE(update.DoUpdate());
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(update.GetDoneStatus());
    EXPECT_EQ(update.GetUpdateResult().outcome, UpdateOutcome::kThreadNotStarted);
    EXPECT_TRUE(mBus.model().Log().empty());
}

}  // namespace
