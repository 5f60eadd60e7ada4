// SPDX-License-Identifier: MIT
// The job's calls into the download engine, with the engine replaced through
// the controller's factory.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "macapps/KEFirmwareUpdate/DownloadProgress.h"
#include "macapps/KEFirmwareUpdate/kefirmwareupdate.h"
#include "tests/support/SimBus.h"

namespace {

using APW::PTA::CKeFirmwareUpdate;

struct RecordedDownload {
    DownloadUnit* unit;
    DOWNLOADTYPE type;
    UInt32 eraseProgress;  // 40 for the FPGA device type, 80 for the microcontroller
};

// What the stand-ins of one test saw and are to do. The job's worker writes
// it and the test reads it only after the done flag.
struct Script {
    std::vector<RecordedDownload> downloads;
    int alive = 0;
};

class RecordingDownloader : public Downloader {
public:
    explicit RecordingDownloader(Script& script) : mScript(script) { ++mScript.alive; }
    ~RecordingDownloader() override { --mScript.alive; }

    void DoDownload(DownloadUnit* unit, DOWNLOADTYPE type) override
    {
        // The erase phase start tells which device type the job set.
        gDownloadProgress.SetErase();
        mScript.downloads.push_back({unit, type, gDownloadProgress.Get()});
    }
    IOReturn GetError() const override { return 0; }

private:
    Script& mScript;
};

class JobOrder : public testing::Test {
protected:
    void RunJob()
    {
        ASSERT_TRUE(mUpdate.DoUpdate());
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!mUpdate.GetDoneStatus()) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    simbus::Bus mBus;
    Script mScript;
    CKeFirmwareUpdate mUpdate{[this] { return std::make_unique<RecordingDownloader>(mScript); }, mBus.Seams()};
};

TEST_F(JobOrder, XilinxThenMcoreOnOneUnitWithTheirDeviceTypes)
{
    RunJob();
    const auto& d = mScript.downloads;
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(std::tuple(d[0].type, d[0].eraseProgress, d[1].type, d[1].eraseProgress,
                         d[0].unit != nullptr && d[0].unit == d[1].unit, mScript.alive),
              std::tuple(fileXILINX, 40u, fileMCORE, 80u, true, 0));
}

}  // namespace
