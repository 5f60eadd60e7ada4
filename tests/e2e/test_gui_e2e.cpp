// SPDX-License-Identifier: MIT
// The window program end to end: the real program, driven from inside by
// ke_gui_autopilot on the offscreen platform, against ke-unit-sim.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <thread>

#include "tests/support/SimUnits.h"

using namespace std::chrono_literals;

namespace {

using Lines = std::vector<std::string>;

Lines SplitLines(const std::string& text)
{
    Lines lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The transcript's lines of `kind` without it (a tick: "MS\tSTATE\tVERSION\tSERIAL"),
// from the first line of `from` on.
Lines Of(const std::string& transcript, const std::string& kind, const std::string& from = "")
{
    const Lines all = SplitLines(transcript);
    Lines found;
    for (auto at = std::ranges::find_if(all, [&](const auto& l) { return l.starts_with(from); }); at != all.end(); ++at)
        if (at->starts_with(kind + "\t")) found.push_back(at->substr(kind.size() + 1));
    return found;
}
std::string Shown(const std::string& tick) { return tick.substr(tick.find('\t') + 1); }
long Ms(const std::string& tick) { return std::stol(tick); }

// A line of the simulator's log, "client N pid P <request>", that carries image data.
bool WritesData(const std::string& line) { return line.find(" tcode 1 offset 0xfffff0430020 ") != std::string::npos; }

// What a unit receives for an image file; a bit file's part starts at its synchronisation word.
socksim::Bytes FileStream(const std::string& file)
{
    socksim::Bytes bytes = socksim::ReadFile(file);
    const socksim::Bytes sync = {0xFF, 0xFF, 0xFF, 0xFF, 0xAA, 0x99, 0x55, 0x66};
    if (file.ends_with(".bit")) bytes.erase(bytes.begin(), std::ranges::search(bytes, sync).begin());
    return socksim::StreamOf(bytes);
}

class GuiEndToEnd : public simunits::SimUnits {
protected:
    GuiEndToEnd()
    {
        const char* lsan = std::getenv("LSAN_OPTIONS");
        mEnv["LSAN_OPTIONS"] = std::string(lsan ? lsan : "") + ":suppressions=" KE_LSAN_SUPPRESSIONS;
    }
    void TearDown() override
    {
        if (HasFailure()) std::cerr << "transcripts:\n" << mTranscripts;
    }

    // Runs the autopilot in "upgrade" mode to its end, `meanwhile` given its process: the transcript.
    std::string Upgrade(const std::function<void(pid_t)>& meanwhile = {})
    {
        auto pilot = Start({KE_GUI_AUTOPILOT, "upgrade"});
        if (meanwhile) meanwhile(pilot->Pid());
        const int code = pilot->Wait(60s).value_or(-1);
        mTranscripts += pilot->Out();
        EXPECT_EQ(Of(pilot->Out(), "exit"), Lines{std::to_string(code)}) << pilot->Err();
        EXPECT_EQ(code, 0) << "no crash, no stray end";
        return pilot->Out();
    }

    // Until the unit has taken the header and the first data blocks of the FPGA image.
    void WaitForBlocks()
    {
        for (const auto deadline = std::chrono::steady_clock::now() + 60s; std::chrono::steady_clock::now() < deadline;
             std::this_thread::sleep_for(5ms))
            if (std::ranges::count_if(SplitLines(childproc::Slurp(mLog)), WritesData) > 20) return;
        ADD_FAILURE() << "the blocks did not flow";
    }

    std::string mLog = mDir / "sim.log";
    std::string mTranscripts;
};

// The failure alert, then an idle window: the unit killed amid the FPGA image is not found again.
TEST_F(GuiEndToEnd, AFailedWriteShowsTheFailureAlertAndTheWindowGoesIdle)
{
    Plug({"--versions", "20-20", "--log", mLog, "--latency-us=1000"});
    const std::string run = Upgrade([&](pid_t) {
        WaitForBlocks();
        ::kill(mSim->Pid(), SIGKILL);
    });
    const Lines alerts = Of(run, "alert");
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_TRUE(alerts[0].starts_with("Programming Failed\tWriting the FPGA image failed sending the image"))
        << alerts[0];
    // The tick that raised the alert, then the idle ticks until Cancel.
    const Lines after = Of(run, "tick", "alert");
    ASSERT_GE(after.size(), 2u);
    for (auto tick = after.begin() + 1; tick != after.end(); ++tick)
        EXPECT_EQ(Shown(*tick), "idle\tKe Not Found\tKe Not Found") << *tick;
}

TEST_F(GuiEndToEnd, SigtermDuringTheWriteLetsTheUpdateFinishThenExitsZeroWithoutAlert)
{
    Plug({"--versions", "20-20", "--log", mLog, "--latency-us", "300"});
    const std::string run = Upgrade([this](pid_t pilot) {
        WaitForBlocks();
        ::kill(pilot, SIGTERM);
    });
    EXPECT_TRUE(Of(run, "alert").empty()) << "nobody waits for an alert after the signal";
    EXPECT_TRUE(Landed());
}

// A second copy idles beside the update, polling, and never writes; after a
// power cycle (a restart over the same state file) a window finds the new version.
TEST_F(GuiEndToEnd, UpgradeLandsBesideAnIdleCopyAndTheUnitRestartsAtTheNewVersion)
{
    // What lands is checked against the build's images; those are the image files.
    EXPECT_TRUE(socksim::Stream(fileXILINX) == FileStream(KE_XILINX_IMAGE_FILE));
    EXPECT_TRUE(socksim::Stream(fileMCORE) == FileStream(KE_MCORE_IMAGE_FILE));
    const std::vector<std::string> unit = {"--versions", "20-20", "--state", mDir / "unit.state", "--log", mLog};
    Plug(unit);
    auto second = Start({KE_GUI_AUTOPILOT, "idle", mDir / "quit"});
    ASSERT_TRUE(second->WaitFor("\tidle\t20-20\t", 30s)) << second->Err();
    const std::string run = Upgrade();
    EXPECT_EQ(std::tuple(Of(run, "seen"), Of(run, "click"), Of(run, "alert").size(), Landed()),
              std::tuple(Lines{"20-20\tNot Available"}, Lines{"Upgrade"}, 1u, true));
    EXPECT_TRUE(Of(run, "alert").at(0).starts_with("Programming Complete\t"));
    // It goes on polling and sees the new version.
    EXPECT_TRUE(second->WaitFor("\tidle\t21-26\t", 10s));
    std::ofstream{mDir / "quit"};
    ASSERT_EQ(second->Wait(30s), 0) << second->Err();

    const std::string idle = second->Out();
    EXPECT_EQ(std::pair(Of(idle, "click"), Of(idle, "alert")), std::pair(Lines{"Cancel"}, Lines{}));
    const Lines ticks = Of(idle, "tick");
    ASSERT_GE(ticks.size(), 4u);
    long longest = 0;
    for (std::size_t i = 1; i < ticks.size(); ++i) longest = std::max(longest, Ms(ticks[i]) - Ms(ticks[i - 1]));
    EXPECT_NEAR(double(Ms(ticks.back()) - Ms(ticks.front())) / double(ticks.size() - 1), 500, 100) << "twice a second";
    EXPECT_LT(longest, 1500);

    // The second copy reached the unit while the first wrote, and never wrote itself.
    const Lines log = SplitLines(childproc::Slurp(mLog));
    const std::string pid = " pid " + std::to_string(second->Pid()) + " ";
    const auto mine = [&](const std::string& l) { return l.find(pid) != std::string::npos; };
    const auto firstData = std::find_if(log.begin(), log.end(), WritesData);
    const auto lastData = std::find_if(log.rbegin(), log.rend(), WritesData).base();
    ASSERT_TRUE(firstData < lastData);
    EXPECT_TRUE(std::any_of(firstData, lastData, mine));
    EXPECT_FALSE(std::any_of(log.begin(), log.end(), [&](const std::string& l) {
        return mine(l) && (l.find(" tcode 0 ") != std::string::npos || l.find(" tcode 1 ") != std::string::npos);
    }));

    ASSERT_EQ(Stop(*mSim), 0);
    Plug(unit);
    auto window = Start({KE_GUI_AUTOPILOT, "idle", mDir / "quit-too"});
    EXPECT_TRUE(window->WaitFor("\tidle\t21-26\tKE000042\n", 30s)) << window->Out() << window->Err();
    std::ofstream{mDir / "quit-too"};
    EXPECT_EQ(window->Wait(30s), 0);
}

}  // namespace
