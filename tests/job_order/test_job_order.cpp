// The job's calls into the download engine, with the engine replaced.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "macapps/KEFirmwareUpdate/kefirmwareupdate.h"
#include "tests/job_order/RecordingDownloader.h"
#include "tests/support/SimBus.h"

namespace {

using APW::PTA::CKeFirmwareUpdate;
using APW::PTA::UpdateOutcome;

void RunJob(CKeFirmwareUpdate& update)
{
    ASSERT_TRUE(update.DoUpdate());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!update.GetDoneStatus()) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

TEST(JobOrder, XilinxThenMCOREOnOneUnitWithTheirDeviceTypes)
{
    simbus::Bus bus;
    CKeFirmwareUpdate update;
    gRecordedDownloads.clear();
    gDownloadFailures.clear();
    RunJob(update);
    ASSERT_EQ(gRecordedDownloads.size(), 2u);
    EXPECT_EQ(gRecordedDownloads[0].type, fileXILINX);
    EXPECT_EQ(gRecordedDownloads[0].eraseProgress, 40u);
    EXPECT_EQ(gRecordedDownloads[1].type, fileMCORE);
    EXPECT_EQ(gRecordedDownloads[1].eraseProgress, 80u);
    EXPECT_NE(gRecordedDownloads[0].unit, nullptr);
    EXPECT_EQ(gRecordedDownloads[0].unit, gRecordedDownloads[1].unit);
    EXPECT_EQ(gDownloadersAlive, 0);
    EXPECT_TRUE(update.GetUpdateResult().Succeeded());
}

TEST(JobOrder, TheFirstFailureWinsAndBothDownloadsRun)
{
    simbus::Bus bus;
    CKeFirmwareUpdate update;
    gRecordedDownloads.clear();
    gDownloadFailures = {{fileXILINX, kIOReturnTimeout}, {fileMCORE, kIOReturnBusy}};
    RunJob(update);
    EXPECT_EQ(gRecordedDownloads.size(), 2u);
    const auto result = update.GetUpdateResult();
    EXPECT_EQ(result.outcome, UpdateOutcome::kDownloadFailed);
    EXPECT_EQ(result.image, fileXILINX);
    EXPECT_EQ(result.status, kIOReturnTimeout);

    gRecordedDownloads.clear();
    gDownloadFailures = {{fileMCORE, kIOReturnBusy}};
    RunJob(update);
    EXPECT_EQ(update.GetUpdateResult().image, fileMCORE);
    EXPECT_EQ(update.GetUpdateResult().status, kIOReturnBusy);
}

}  // namespace
