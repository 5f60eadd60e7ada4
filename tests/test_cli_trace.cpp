// SPDX-License-Identifier: MIT
// A trace recorded by kefirmwareupdate-cli --trace, served back by
// ke-unit-sim --replay: the run it recorded goes the same way again, and a
// trace that ends early ends the run cleanly.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "cli/ExitCodes.h"
#include "tests/support/ChildProgram.h"
#include "tests/support/SocketSim.h"

using namespace std::chrono_literals;

namespace {

using childproc::Program;

class CliTrace : public testing::Test {
protected:
    // `kefirmwareupdate-cli update --yes [extra]` against a simulated unit started with `options`: the program's
    // exit code and output, and what the unit said once unplugged.
    std::tuple<int, std::string, std::string> Update(std::vector<std::string> options, std::vector<std::string> extra)
    {
        options.insert(options.begin(), KE_UNIT_SIM_BINARY);
        Program sim(options, mEnv, mDir.path());
        EXPECT_TRUE(sim.WaitFor("plugged in on", 10s)) << sim.Err();
        extra.insert(extra.begin(), {KE_CLI_BINARY, "update", "--yes"});
        Program cli(extra, mEnv, mDir.path());
        const int code = cli.Wait(60s).value_or(-1);
        ::kill(sim.Pid(), SIGTERM);
        EXPECT_EQ(sim.Wait(10s), 0);
        return {code, cli.Out() + cli.Err(), sim.Out()};
    }

    socksim::TempDir mDir;
    std::map<std::string, std::string> mEnv = {
        {"XDG_RUNTIME_DIR", mDir.path()}, {"XDG_STATE_HOME", mDir / "state"}, {"KE_SIMULATED_UNITS", "1"}};
};

TEST_F(CliTrace, AnUpdateReplaysFromItsOwnTraceAndADepartureEndsCleanly)
{
    const std::string trace = mDir / "update.trace";
    ASSERT_EQ(std::get<0>(Update({"--versions", "20-20"}, {"--trace", trace})), kecli::kExitSuccess);
    std::vector<std::string> lines;
    std::ifstream in(trace);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_GT(lines.size(), 100u);
    EXPECT_EQ(lines[0].find(R"({"trace":"kefirmwareupdate","format":1,"program":"kefirmwareupdate-cli",)"), 0u);
    EXPECT_NE(lines[0].find(R"("firmware":"21-26"})"), std::string::npos) << lines[0];

    const auto [code, out, said] = Update({"--replay", trace}, {});
    EXPECT_EQ(code, kecli::kExitSuccess) << out;
    EXPECT_NE(
        said.find("ke-unit-sim: replay: all " + std::to_string(lines.size() - 1) + " requests of the trace answered"),
        std::string::npos);

    // Cut short in the middle of the FPGA image: the update fails, at once.
    const std::string cut = mDir / "cut.trace";
    {
        std::ofstream file(cut);
        for (std::size_t i = 0; i < lines.size() / 4; ++i) file << lines[i] << '\n';
    }
    const auto start = std::chrono::steady_clock::now();
    const auto [cutCode, cutOut, cutSaid] = Update({"--replay", cut}, {});
    EXPECT_EQ(cutCode, kecli::kExitUpdateFailed) << cutOut;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
    EXPECT_NE(cutSaid.find("comes after the end of the trace"), std::string::npos);
}

}  // namespace
