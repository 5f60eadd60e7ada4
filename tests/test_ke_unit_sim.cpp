// SPDX-License-Identifier: MIT
// The ke-unit-sim program: its options, one instance per name, clean ends
// on signals, and the state file and recorded streams across restarts.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <regex>
#include <set>
#include <sstream>

#include "platform/firewire/SocketUnitTransport.h"
#include "sim/StateFile.h"
#include "tests/support/SimUnits.h"

namespace {

using namespace std::chrono_literals;
using childproc::Program;
using socksim::Bytes;

// The first option named on each line of `text` that starts with `lead`.
std::set<std::string> Listed(const std::string& text, const std::string& lead)
{
    const std::string plain = std::regex_replace(text, std::regex(R"(\\-)"), "-");  // roff's \-
    const std::regex option("^" + lead + "(--[a-z-]*[a-z])", std::regex::multiline);
    std::set<std::string> names;
    for (std::sregex_iterator it(plain.begin(), plain.end(), option), end; it != end; ++it) names.insert((*it)[1]);
    return names;
}

class UnitSim : public simunits::SimUnits {
protected:
    // A run that should end by itself: its exit code, and its error output unless that says `says`.
    std::pair<int, std::string> Sim(std::vector<std::string> args, const std::string& says)
    {
        args.insert(args.begin(), KE_UNIT_SIM_BINARY);
        const simunits::Result run = Run(args, 5s);
        return {run.code, run.err.find(says) == std::string::npos ? run.err : ""};
    }
    simunits::Result Output(const char* option) { return Run({KE_UNIT_SIM_BINARY, option}, 5s); }
    std::string Socket(const std::string& name = "ke-unit") { return mDir / ("kefirmwareupdate/" + name + ".sock"); }

    fwplat::SocketTransportOptions mOptions{.runtimeDir = mDir / "kefirmwareupdate"};
    // The transport looks where the program serves.
    fwplat::Transports mTransports{std::make_shared<fwplat::SocketUnitTransport>(mOptions)};
};

TEST_F(UnitSim, BadOptionsAreRefusedWithTheReason)
{
    // Every value given is checked, a flag takes none, and --help does not hide a mistake.
    for (const char* line : {"--versions 20", "--versions 0x14-20", "--erase-ms 1e3", "--erase-ms x --erase-ms 1",
                             "--fail-block 0", "--socket ../up", "--fault-flash both", "--refuse-crc=true", "--serial",
                             "--bogus --help", "--product-version 0x100000000", "--serial-read-limit 9",
                             "--guid 0x1ffffffffffffffff", "--fail-read 0x4:0", "--reset-settle-ms 60001"}) {
        std::istringstream words(line);
        const std::vector<std::string> args{std::istream_iterator<std::string>(words), {}};
        EXPECT_EQ(Sim(args, args[0].substr(0, args[0].find('='))), std::pair(2, std::string())) << line;
    }
    // --help, the manual page and sim/README.md list the same options.
    const simunits::Result help = Output("--help"), version = Output("--version");
    const std::set<std::string> options = Listed(help.out, "  ");
    EXPECT_EQ(Listed(childproc::Slurp(KE_SOURCE_DIR "/packaging/man/ke-unit-sim.1"), R"(\.B[IR]? )"), options);
    EXPECT_EQ(Listed(childproc::Slurp(KE_SOURCE_DIR "/sim/README.md"), R"(\| `)"), options);
    EXPECT_EQ(std::tuple(help.code, version.code, version.out.rfind("ke-unit-sim ", 0)), std::tuple(0, 0, 0ul))
        << version.out;
    EXPECT_FALSE(std::filesystem::exists(Socket()));

    // Files it cannot use are refused before the unit is plugged in.
    std::ofstream(mDir / "damaged") << "KEUSTATE and then nonsense";
    // Nothing but a regular file the size of a unit's flashes is read, and nothing blocks.
    std::filesystem::create_directory(mDir / "folder");
    ASSERT_EQ(::mkfifo((mDir / "fifo").c_str(), 0600), 0);
    std::ofstream(mDir / "huge").close();
    std::filesystem::resize_file(mDir / "huge", 3u << 20);
    for (const std::string& path : {mDir / "damaged", mDir / "no-such-dir/state", mDir / "folder", mDir / "fifo",
                                    std::string("/dev/null"), mDir / "huge"})
        EXPECT_EQ(Sim({"--state", path}, path + ": "), std::pair(1, std::string()));
    EXPECT_FALSE(std::filesystem::exists(Socket())) << "unplugged again";
    EXPECT_EQ(Sim({"--record", mDir / "damaged"}, "not a writable directory"), std::pair(1, std::string()));
    std::filesystem::create_directory(mDir / "kefirmwareupdate");
    ::chmod((mDir / "kefirmwareupdate").c_str(), 0755);
    EXPECT_EQ(Sim({}, "0700"), std::pair(1, std::string()));
}

TEST_F(UnitSim, OneInstancePerNameAndSignalsUnplug)
{
    auto first = Start({KE_UNIT_SIM_BINARY, "--serial", "KEWRONG1", "--serial=KEFIRST1"});  // the later one counts
    ASSERT_TRUE(first->WaitFor("unit KEFIRST1 at 20-25 plugged in", 5s)) << first->Out() << first->Err();
    EXPECT_TRUE(std::filesystem::is_socket(Socket()));
    EXPECT_EQ(Sim({}, "already"), std::pair(1, std::string()));
    auto second = Unit({"--socket", "other"});

    EXPECT_EQ(Stop(*first, SIGTERM), 0);
    EXPECT_FALSE(std::filesystem::exists(Socket()));
    EXPECT_NE(first->Out().find("unplugged"), std::string::npos);
    EXPECT_EQ(Stop(*second, SIGINT), 0);
    EXPECT_FALSE(std::filesystem::exists(Socket("other")));
}

TEST_F(UnitSim, AnInterruptedUpdateIsRepeatedThroughABusResetAndKeptAcrossAPowerCycle)
{
    const std::string state = mDir / "unit.state";
    {
        auto sim = Unit({"--versions", "20-20", "--serial", "KEZZZZZZ", "--guid", "000a27000000abcd",
                         "--product-version", "0x00020000", "--state", state, "--vanish-after-block", "10"});
        EXPECT_EQ(socksim::SoftwareVersion(mTransports), 0x00140014u);
        EXPECT_EQ(socksim::Download(mTransports, fileXILINX), kIOReturnNoDevice);
        EXPECT_EQ(sim->Wait(5s), 0) << "the unit left the bus: the program ends";
        EXPECT_NE(sim->Out().find("left the bus"), std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(Socket()));
    }
    const Bytes xilinx = socksim::Stream(fileXILINX);
    EXPECT_TRUE(socksim::ReadFile(mRecord + "/xilinx.bin") == Bytes(xilinx.begin(), xilinx.begin() + 20 + 10 * 128));
    EXPECT_FALSE(std::filesystem::exists(mRecord + "/mcore.bin"));

    {
        // Meanwhile a bus reset in the kernel's order: requests fail while the old generation still shows.
        auto sim = Unit({"--versions", "20-20", "--state", state, "--log", mDir / "log", "--bus-reset-after-block", "3",
                         "--reset-settle-ms", "300"});
        EXPECT_EQ(socksim::SoftwareVersion(mTransports), 0x00140000u) << "the Xilinx half reads 0";
        for (const auto file : {fileXILINX, fileMCORE}) EXPECT_EQ(socksim::Download(mTransports, file), 0) << file;
        EXPECT_EQ(Stop(*sim), 0);
    }
    EXPECT_TRUE(Landed());
    kesim::UnitState saved;
    std::string error;
    ASSERT_EQ(kesim::LoadUnitState(state, saved, error), kesim::LoadResult::Loaded) << error;
    EXPECT_TRUE(saved[kesim::FlashDevice::Xilinx].contents == socksim::Image(fileXILINX));
    EXPECT_TRUE(saved[kesim::FlashDevice::Mcore].contents == socksim::Image(fileMCORE));
    const std::string log = childproc::Slurp(mDir / "log");
    for (const char* line : {"acquired", "tcode 1 offset 0xfffff0430020 length 128", "rcode 19"})  // 19: reset seen
        EXPECT_NE(log.find(line), std::string::npos) << line;

    // With only the state it is the same unit.
    auto restarted = Start({KE_UNIT_SIM_BINARY, "--state", state});
    ASSERT_TRUE(restarted->WaitFor("unit KEZZZZZZ at 21-26 plugged in", 5s)) << restarted->Out() << restarted->Err();
    EXPECT_EQ(socksim::SoftwareVersion(mTransports), 0x0015001Au);
    auto units = fwplat::SocketUnitTransport(mOptions).Scan();
    EXPECT_TRUE(units.size() == 1 && units[0].guid == 0x000a27000000abcdu) << units.size();
    EXPECT_EQ(Stop(*restarted), 0);

    restarted = Unit({"--state", state, "--fail-read", "4:7"});
    EXPECT_EQ(socksim::SoftwareVersion(mTransports), 0xFFFFFFFFu) << "the version read fails";
}

}  // namespace
