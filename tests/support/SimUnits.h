// SPDX-License-Identifier: MIT
// The end-to-end set-up: simulated units (ke-unit-sim) and the programs under
// test, each a process of its own, all in one private runtime and state
// directory that goes with the test.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/ChildProgram.h"
#include "tests/support/SocketSim.h"

namespace simunits {

using namespace std::chrono_literals;
using childproc::Program;

struct Result {
    int code = -1;  // -1: it did not end in time
    std::string out;
    std::string err;
    nlohmann::json Json() const { return nlohmann::json::parse(out); }
};

// A run that ended with `code`, its standard error and output matching.
inline auto Ran(int code, const testing::Matcher<std::string>& err,
                const testing::Matcher<std::string>& out = testing::_)
{
    return testing::AllOf(testing::Field("code", &Result::code, code), testing::Field("err", &Result::err, err),
                          testing::Field("out", &Result::out, out));
}

class SimUnits : public testing::Test {
protected:
    SimUnits() { std::filesystem::create_directories(mRecord); }

    // Standard input is `input` (a terminal, say) when given.
    std::unique_ptr<Program> Start(const std::vector<std::string>& args, const std::string& input = "/dev/null")
    {
        return std::make_unique<Program>(args, mEnv, mDir.path(), input);
    }
    Result Run(const std::vector<std::string>& args, std::chrono::seconds timeout = 120s)
    {
        auto program = Start(args);
        return {program->Wait(timeout).value_or(-1), program->Out(), program->Err()};
    }
    // A unit with `options`, once it serves; without a --record of its own it records into mRecord.
    std::unique_ptr<Program> Unit(std::vector<std::string> options)
    {
        if (std::find(options.begin(), options.end(), "--record") == options.end())
            options.insert(options.begin(), {"--record", mRecord});
        options.insert(options.begin(), KE_UNIT_SIM_BINARY);
        auto unit = Start(options);
        EXPECT_TRUE(unit->WaitFor("plugged in on", 10s)) << unit->Err();
        return unit;
    }
    void Plug(const std::vector<std::string>& options) { mSim = Unit(options); }
    static int Stop(Program& program, int signal = SIGTERM)
    {
        ::kill(program.Pid(), signal);
        return program.Wait(30s).value_or(-1);
    }

    // Both images reached the unit whole.
    bool Landed() const
    {
        return socksim::ReadFile(mRecord + "/xilinx.bin") == socksim::Stream(fileXILINX) &&
               socksim::ReadFile(mRecord + "/mcore.bin") == socksim::Stream(fileMCORE);
    }
    bool NothingRecorded() const { return std::filesystem::is_empty(mRecord); }

    socksim::TempDir mDir;
    std::string mRecord = mDir / "record";
    std::map<std::string, std::string> mEnv{{"XDG_RUNTIME_DIR", mDir.path()},
                                            {"XDG_STATE_HOME", mDir / "state"},
                                            {"QT_QPA_PLATFORM", "offscreen"},
                                            {"KE_SIMULATED_UNITS", "1"}};
    std::unique_ptr<Program> mSim;
};

}  // namespace simunits
