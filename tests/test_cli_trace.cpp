// SPDX-License-Identifier: MIT
// A trace recorded by kefirmwareupdate-cli --trace, served back by
// ke-unit-sim --replay: the run it recorded goes the same way again, and a
// trace that ends early ends the run cleanly.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "cli/ExitCodes.h"
#include "tests/support/ChildProgram.h"
#include "tests/support/SocketSim.h"

using namespace std::chrono_literals;

namespace {

using childproc::Program;

class CliTrace : public testing::Test {
protected:
    std::unique_ptr<Program> Sim(const std::vector<std::string>& options)
    {
        std::vector<std::string> args = {KE_UNIT_SIM_BINARY};
        args.insert(args.end(), options.begin(), options.end());
        auto sim = std::make_unique<Program>(args, mEnv, mDir.path());
        EXPECT_TRUE(sim->WaitFor("plugged in on", 10s)) << sim->Err();
        return sim;
    }

    // Runs the program to its end; its exit code, its output in `out`.
    int Cli(const std::vector<std::string>& args, std::string* out = nullptr)
    {
        std::vector<std::string> all = {KE_CLI_BINARY};
        all.insert(all.end(), args.begin(), args.end());
        Program cli(all, mEnv, mDir.path());
        const int code = cli.Wait(60s).value_or(-1);
        if (out) *out = cli.Out() + cli.Err();
        return code;
    }

    // Unplugs the unit; what it said.
    static std::string Unplug(Program& sim)
    {
        ::kill(sim.Pid(), SIGTERM);
        EXPECT_EQ(sim.Wait(10s), 0);
        return sim.Out();
    }

    static std::vector<std::string> Lines(const std::string& path)
    {
        std::ifstream in(path);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    socksim::TempDir mDir;
    std::map<std::string, std::string> mEnv = {
        {"XDG_RUNTIME_DIR", mDir.path()}, {"XDG_STATE_HOME", mDir / "state"}, {"KE_SIMULATED_UNITS", "1"}};
};

TEST_F(CliTrace, AnUpdateReplaysFromItsOwnTraceAndADepartureEndsCleanly)
{
    const std::string trace = mDir / "update.trace";
    {
        auto unit = Sim({"--versions", "20-20"});
        ASSERT_EQ(Cli({"update", "--yes", "--trace", trace}), kecli::kExitSuccess);
        Unplug(*unit);
    }
    const std::vector<std::string> lines = Lines(trace);
    ASSERT_GT(lines.size(), 100u);
    EXPECT_EQ(lines[0].find(R"({"trace":"kefirmwareupdate","format":1,"program":"kefirmwareupdate-cli",)"), 0u);
    EXPECT_NE(lines[0].find(R"("firmware":"21-26"})"), std::string::npos) << lines[0];

    {
        auto unit = Sim({"--replay", trace});
        std::string out;
        EXPECT_EQ(Cli({"update", "--yes"}, &out), kecli::kExitSuccess) << out;
        EXPECT_NE(Unplug(*unit).find("ke-unit-sim: replay: all " + std::to_string(lines.size() - 1) +
                                     " requests of the trace answered"),
                  std::string::npos);
    }

    // Cut short in the middle of the FPGA image: the update fails, at once.
    const std::string cut = mDir / "cut.trace";
    {
        std::ofstream out(cut);
        for (std::size_t i = 0; i < lines.size() / 4; ++i) out << lines[i] << '\n';
    }
    {
        auto unit = Sim({"--replay", cut});
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Cli({"update", "--yes"}), kecli::kExitUpdateFailed);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
        EXPECT_NE(Unplug(*unit).find("comes after the end of the trace"), std::string::npos);
    }
}

}  // namespace
