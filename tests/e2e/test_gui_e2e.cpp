// SPDX-License-Identifier: MIT
// The window program end to end: the real program, driven from inside by
// ke_gui_autopilot on the offscreen platform, against ke-unit-sim, each a
// process of its own in a private runtime and state directory.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/ChildProgram.h"
#include "tests/support/SocketSim.h"

using namespace std::chrono_literals;
using childproc::Program;
using socksim::Bytes;

namespace {

using Fields = std::vector<std::string>;

std::vector<Fields> Split(const std::string& text, char lineEnd, char separator)
{
    std::vector<Fields> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line, lineEnd)) {
        Fields fields;
        std::istringstream split(line);
        std::string field;
        while (std::getline(split, field, separator)) fields.push_back(field);
        lines.push_back(fields);
    }
    return lines;
}

bool Is(const Fields& line, const std::string& kind) { return !line.empty() && line[0] == kind; }

// The autopilot's transcript: tick, click, alert and exit lines.
struct Transcript {
    explicit Transcript(const std::string& out) : lines(Split(out, '\n', '\t')) {}

    std::vector<Fields> Of(const std::string& kind) const { return Of(kind, lines.begin()); }
    // The tick lines after the first line of `kind`.
    std::vector<Fields> TicksAfter(const std::string& kind) const
    {
        return Of("tick", std::find_if(lines.begin(), lines.end(), [&](const Fields& f) { return Is(f, kind); }));
    }

    std::vector<Fields> lines;

private:
    std::vector<Fields> Of(const std::string& kind, std::vector<Fields>::const_iterator from) const
    {
        std::vector<Fields> found;
        std::copy_if(from, lines.end(), std::back_inserter(found), [&](const Fields& f) { return Is(f, kind); });
        return found;
    }
};

// One line of the simulator's log: "client N pid P <event>".
struct LogLine {
    long pid = 0;
    std::string event;
    bool Writes() const { return event.starts_with("tcode 0 ") || event.starts_with("tcode 1 "); }
    bool WritesData() const { return event.starts_with("tcode 1 offset 0xfffff0430020 "); }
};

std::vector<LogLine> ReadLog(const std::string& path)
{
    std::vector<LogLine> lines;
    for (const Fields& f : Split(childproc::Slurp(path), '\n', ' ')) {
        if (f.size() < 5 || f[0] != "client" || f[2] != "pid") continue;
        LogLine line{std::stol(f[3]), {}};
        for (std::size_t i = 4; i < f.size(); ++i) line.event += f[i] + (i + 1 < f.size() ? " " : "");
        lines.push_back(line);
    }
    return lines;
}

// The stream a unit receives for an image file: header, the file from
// `from`, zero padding to a quadlet.
Bytes ExpectedStream(const char* file, std::size_t from)
{
    const Bytes bytes = socksim::ReadFile(file);
    const Bytes header = socksim::Header(static_cast<std::uint32_t>(bytes.size() - from));
    Bytes stream(header.size() + ((bytes.size() - from + 3) & ~std::size_t{3}), 0);
    std::copy(header.begin(), header.end(), stream.begin());
    std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end(),
              stream.begin() + static_cast<std::ptrdiff_t>(header.size()));
    return stream;
}

Bytes XilinxStream()
{
    // The FPGA's part of a bit file starts at its synchronisation word.
    const Bytes bytes = socksim::ReadFile(KE_XILINX_IMAGE_FILE);
    const Bytes sync = {0xFF, 0xFF, 0xFF, 0xFF, 0xAA, 0x99, 0x55, 0x66};
    const auto at = std::search(bytes.begin(), bytes.end(), sync.begin(), sync.end());
    return ExpectedStream(KE_XILINX_IMAGE_FILE, static_cast<std::size_t>(at - bytes.begin()));
}

Bytes MCoreStream() { return ExpectedStream(KE_MCORE_IMAGE_FILE, 0); }

const Fields kCompletionAlert = {"alert", "Programming Complete",
                                 "You will need to cycle the Power on your Ke for changes to take affect"};

class GuiEndToEnd : public testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(mRecord);
        // Under the leak checker: the font library keeps a few hundred bytes
        // that nothing frees when the toolkit is left standing at exit.
        std::ofstream(mDir / "lsan.supp") << "leak:libfontconfig.so\n";
        const char* lsan = std::getenv("LSAN_OPTIONS");
        mEnv = {{"XDG_RUNTIME_DIR", mDir.path()},
                {"XDG_STATE_HOME", mDir / "state"},
                {"QT_QPA_PLATFORM", "offscreen"},
                {"KE_SIMULATED_UNITS", "1"},
                {"LSAN_OPTIONS",
                 std::string(lsan ? lsan : "") + (lsan && *lsan ? ":" : "") + "suppressions=" + (mDir / "lsan.supp")}};
    }

    void TearDown() override
    {
        if (HasFailure()) std::cerr << "transcripts:\n" << mTranscripts;
    }

    // Plugs in a simulated unit that keeps its flash in one state file, and
    // waits until it serves.
    void PlugUnit(const std::vector<std::string>& options)
    {
        std::vector<std::string> args = {KE_UNIT_SIM_BINARY, "--record", mRecord, "--state", mState, "--log", mLog};
        args.insert(args.end(), options.begin(), options.end());
        mSim = std::make_unique<Program>(args, mEnv, mDir.path());
        ASSERT_TRUE(mSim->WaitFor("plugged in on", 10s)) << mSim->Err();
    }

    std::unique_ptr<Program> Autopilot(const std::vector<std::string>& args)
    {
        std::vector<std::string> all = {KE_GUI_AUTOPILOT};
        all.insert(all.end(), args.begin(), args.end());
        return std::make_unique<Program>(all, mEnv, mDir.path());
    }

    // Runs the autopilot in "upgrade" mode to its end; its exit code (-1: it did not end).
    int Upgrade(Transcript& transcript, const std::function<void()>& meanwhile = {})
    {
        auto pilot = Autopilot({"upgrade"});
        mPilotPid = pilot->Pid();
        if (meanwhile) meanwhile();
        const int code = pilot->Wait(60s).value_or(-1);
        mTranscripts += pilot->Out();
        transcript = Transcript(pilot->Out());
        EXPECT_EQ(transcript.Of("exit"), (std::vector<Fields>{{"exit", std::to_string(code)}})) << pilot->Err();
        return code;
    }

    bool WaitForLog(const std::function<bool(const std::vector<LogLine>&)>& condition, std::chrono::seconds timeout)
    {
        for (const auto deadline = std::chrono::steady_clock::now() + timeout;
             std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(5ms)) {
            if (condition(ReadLog(mLog))) return true;
        }
        return false;
    }

    Bytes Recorded(const char* name) { return socksim::ReadFile(mRecord / name); }

    socksim::TempDir mDir;
    std::filesystem::path mRecord = mDir / "record";
    std::string mState = mDir / "unit.state";
    std::string mLog = mDir / "sim.log";
    std::map<std::string, std::string> mEnv;
    std::unique_ptr<Program> mSim;
    std::string mTranscripts;
    pid_t mPilotPid = -1;  // the autopilot that Upgrade runs
};

TEST_F(GuiEndToEnd, UpgradeLandsBothImagesAndTheUnitRestartsAtTheNewVersion)
{
    PlugUnit({"--versions", "20-20"});
    Transcript run({});
    ASSERT_EQ(Upgrade(run), 0);

    const auto ticks = run.Of("tick");
    ASSERT_FALSE(ticks.empty());
    EXPECT_EQ(Fields(ticks.front().begin() + 2, ticks.front().end()), (Fields{"idle", "20-20", "Not Available"}));
    EXPECT_EQ(run.Of("click"), (std::vector<Fields>{{"click", "Upgrade"}}));
    EXPECT_EQ(run.Of("alert"), std::vector<Fields>{kCompletionAlert});
    EXPECT_TRUE(Recorded("xilinx.bin") == XilinxStream());
    EXPECT_TRUE(Recorded("mcore.bin") == MCoreStream());

    // A restart over the same state file is a power cycle.
    ::kill(mSim->Pid(), SIGTERM);
    ASSERT_EQ(mSim->Wait(10s), 0);
    PlugUnit({"--versions", "20-20"});
    const std::string quit = mDir / "quit";
    auto window = Autopilot({"idle", quit});
    EXPECT_TRUE(window->WaitFor("\tidle\t21-26\tKE000042\n", 30s)) << window->Out() << window->Err();
    std::ofstream{quit};
    EXPECT_EQ(window->Wait(30s), 0);
}

TEST_F(GuiEndToEnd, UnitKilledMidFpgaDownloadFailsAndTheWindowGoesIdle)
{
    PlugUnit({"--versions", "20-20", "--latency-us", "1000"});
    Transcript run({});
    const int code = Upgrade(run, [this] {
        // Blocks flow: the header and the first data blocks of the FPGA image.
        EXPECT_TRUE(WaitForLog(
            [](const auto& log) {
                return std::count_if(log.begin(), log.end(), std::mem_fn(&LogLine::WritesData)) > 20;
            },
            60s));
        ::kill(mSim->Pid(), SIGKILL);
    });
    EXPECT_EQ(code, 0) << "no crash: the program quit through Cancel";
    const auto alerts = run.Of("alert");
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0][1], "Programming Failed");
    EXPECT_NE(alerts[0][2].find("Writing the FPGA image failed sending the image"), std::string::npos) << alerts[0][2];
    // The tick that raised the alert, then idle ticks that find no unit.
    const auto after = run.TicksAfter("alert");
    ASSERT_GE(after.size(), 2u);
    for (auto tick = after.begin() + 1; tick != after.end(); ++tick)
        EXPECT_EQ(Fields(tick->begin() + 2, tick->end()), (Fields{"idle", "Ke Not Found", "Ke Not Found"}));
}

TEST_F(GuiEndToEnd, RefusedCrcShowsTheFailureAlert)
{
    PlugUnit({"--versions", "20-20", "--refuse-crc"});
    Transcript run({});
    EXPECT_EQ(Upgrade(run), 0);
    const auto alerts = run.Of("alert");
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0][1], "Programming Failed");
    EXPECT_NE(alerts[0][2].find("FPGA"), std::string::npos) << alerts[0][2];
    EXPECT_TRUE(Recorded("xilinx.bin") == XilinxStream()) << "the whole image came; only its check was refused";
    const auto after = run.TicksAfter("alert");
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(after.front()[2], "idle");
}

TEST_F(GuiEndToEnd, SigtermDuringTheWriteLetsTheUpdateFinishThenExitsZeroWithoutAlert)
{
    PlugUnit({"--versions", "20-20", "--latency-us", "300"});
    Transcript run({});
    const int code = Upgrade(run, [this] {
        EXPECT_TRUE(WaitForLog(
            [](const auto& log) {
                return std::count_if(log.begin(), log.end(), std::mem_fn(&LogLine::WritesData)) > 20;
            },
            60s));
        ::kill(mPilotPid, SIGTERM);
    });
    EXPECT_EQ(code, 0) << "the update succeeded";
    EXPECT_TRUE(run.Of("alert").empty()) << "nobody waits for an alert after the signal";
    EXPECT_TRUE(Recorded("xilinx.bin") == XilinxStream());
    EXPECT_TRUE(Recorded("mcore.bin") == MCoreStream());
}

TEST_F(GuiEndToEnd, SecondCopyIdlesBesideAnUpdateAndNeverWrites)
{
    PlugUnit({"--versions", "20-20"});
    const std::string quit = mDir / "quit";
    auto second = Autopilot({"idle", quit});
    ASSERT_TRUE(second->WaitFor("\tidle\t20-20\t", 30s)) << second->Err();

    Transcript first({});
    EXPECT_EQ(Upgrade(first), 0);
    EXPECT_EQ(first.Of("alert"), std::vector<Fields>{kCompletionAlert});
    EXPECT_TRUE(Recorded("xilinx.bin") == XilinxStream());
    EXPECT_TRUE(Recorded("mcore.bin") == MCoreStream());
    // It goes on polling and sees the new version.
    EXPECT_TRUE(second->WaitFor("\tidle\t21-26\t", 10s));
    std::ofstream{quit};
    ASSERT_EQ(second->Wait(30s), 0) << second->Err();

    const Transcript idle(second->Out());
    EXPECT_EQ(idle.Of("click"), (std::vector<Fields>{{"click", "Cancel"}}));
    EXPECT_TRUE(idle.Of("alert").empty());
    const auto ticks = idle.Of("tick");
    ASSERT_GE(ticks.size(), 4u);
    long longest = 0;
    for (std::size_t i = 1; i < ticks.size(); ++i)
        longest = std::max(longest, std::stol(ticks[i][1]) - std::stol(ticks[i - 1][1]));
    const double mean = double(std::stol(ticks.back()[1]) - std::stol(ticks.front()[1])) / double(ticks.size() - 1);
    EXPECT_NEAR(mean, 500, 100) << "twice a second";
    EXPECT_LT(longest, 1500);

    // The second copy reached the unit while the first wrote, and never wrote itself.
    const auto log = ReadLog(mLog);
    const long secondPid = second->Pid();
    const auto firstData = std::find_if(log.begin(), log.end(), std::mem_fn(&LogLine::WritesData));
    const auto lastData = std::find_if(log.rbegin(), log.rend(), std::mem_fn(&LogLine::WritesData)).base();
    ASSERT_TRUE(firstData < lastData);
    EXPECT_GT(std::count_if(firstData, lastData, [&](const LogLine& l) { return l.pid == secondPid; }), 0);
    EXPECT_EQ(std::count_if(log.begin(), log.end(), [&](const LogLine& l) { return l.pid == secondPid && l.Writes(); }),
              0);
}

}  // namespace
