// The ke-unit-sim program: its options, one instance per name, clean ends
// on signals, and the state file and recorded streams across restarts.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/firewire/SocketUnitTransport.h"
#include "sim/SimWireProtocol.h"
#include "sim/StateFile.h"
#include "tests/support/SocketSim.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using socksim::Bytes;

std::string Slurp(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// One run of the program, its output in files; killed if still running at the end.
class Sim {
public:
    Sim(const std::vector<std::string>& args, const std::string& outDir)
    {
        static int runs = 0;
        const std::string tag = std::to_string(++runs);
        mOut = outDir + "/out." + tag;
        mErr = outDir + "/err." + tag;
        std::vector<std::string> all{KE_UNIT_SIM_PATH};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, mOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, mErr.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (posix_spawn(&mPid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            mPid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Sim()
    {
        if (mPid > 0 && Wait(0ms) == kRunning) {
            ::kill(mPid, SIGKILL);
            Wait(5s);
        }
    }

    static constexpr int kRunning = -1;

    // The exit code, or kRunning when it did not end in time (or died of a signal: -2).
    int Wait(std::chrono::milliseconds timeout)
    {
        if (mStatus)
            return *mStatus;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        do {
            int status = 0;
            if (::waitpid(mPid, &status, WNOHANG) == mPid) {
                mStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -2;
                return *mStatus;
            }
            std::this_thread::sleep_for(5ms);
        } while (std::chrono::steady_clock::now() < deadline);
        return kRunning;
    }

    bool Ready()
    {
        for (int i = 0; i < 400; ++i) {
            if (Out().find("plugged in") != std::string::npos)
                return true;
            if (Wait(0ms) != kRunning)
                return false;
            std::this_thread::sleep_for(5ms);
        }
        return false;
    }

    int Stop(int signal = SIGTERM)
    {
        ::kill(mPid, signal);
        return Wait(5s);
    }

    std::string Out() const { return Slurp(mOut); }
    std::string Err() const { return Slurp(mErr); }

private:
    pid_t mPid = -1;
    std::optional<int> mStatus;
    std::string mOut;
    std::string mErr;
};

// Each test has its own runtime directory, found through XDG_RUNTIME_DIR by
// the program and by the transport alike.
class UnitSim : public testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("XDG_RUNTIME_DIR", home.path().c_str(), 1);
        fwplat::SetTransports({std::make_shared<fwplat::SocketUnitTransport>()});
    }
    void TearDown() override
    {
        fwplat::SetTransports({});
        ::unsetenv("XDG_RUNTIME_DIR");
    }

    int Run(const std::vector<std::string>& args, std::string* err = nullptr, std::string* out = nullptr)
    {
        Sim sim(args, home.path());
        const int code = sim.Wait(5s);
        if (err)
            *err = sim.Err();
        if (out)
            *out = sim.Out();
        return code;
    }

    std::string Socket(const std::string& name = "ke-unit") { return home / ("kefirmwareupdate/" + name + ".sock"); }

    socksim::TempDir home;
    socksim::TempDir files;
};

TEST_F(UnitSim, BadOptionsAreRefusedWithTheReason)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--versions", "20"},    {"--versions", "20-70000"}, {"--versions", "0x14-20"}, {"--erase-ms", "1e3"},
        {"--latency-us", "-1"},  {"--fail-block", "0"},      {"--socket", "../up"},    {"--fault-flash", "both"},
        {"--refuse-crc=yes"},    {"--serial"},               {"--bogus"},              {"stray"},
        {"--product-version", "0x100000000"},
    };
    for (const auto& args : bad) {
        std::string err;
        EXPECT_EQ(Run(args, &err), 2) << args[0];
        EXPECT_NE(err.find(args[0].substr(0, args[0].find('='))), std::string::npos) << err;
    }
    std::string out;
    EXPECT_EQ(Run({"--help"}, nullptr, &out), 0);
    for (const char* name : {"--serial", "--versions", "--product-version", "--erase-ms", "--latency-us", "--state",
                             "--record", "--socket", "--ready-status", "--erase-status", "--erase-never-finishes",
                             "--fail-block", "--refuse-crc", "--vanish-after-block", "--bus-reset-after-block"})
        EXPECT_NE(out.find(name), std::string::npos) << name;
    EXPECT_FALSE(std::filesystem::exists(Socket()));

    // Files it cannot use are refused before the unit is plugged in.
    std::string err;
    std::ofstream(files / "damaged") << "KEUSTATE and then nonsense";
    EXPECT_EQ(Run({"--state", files / "damaged"}, &err), 1);
    EXPECT_NE(err.find("damaged"), std::string::npos) << err;
    EXPECT_EQ(Run({"--state", files / "no-such-dir/state"}, &err), 1);
    EXPECT_NE(err.find("no-such-dir/state"), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(Socket())) << "unplugged again";
    EXPECT_EQ(Run({"--record", files / "damaged"}, &err), 1);
    EXPECT_NE(err.find("not a writable directory"), std::string::npos) << err;
    std::filesystem::create_directory(home / "kefirmwareupdate");
    ::chmod((home / "kefirmwareupdate").c_str(), 0755);
    EXPECT_EQ(Run({}, &err), 1);
    EXPECT_NE(err.find("0700"), std::string::npos) << err;
}

TEST_F(UnitSim, OneInstancePerNameAndSignalsUnplug)
{
    Sim first({"--serial", "KEFIRST1"}, home.path());
    ASSERT_TRUE(first.Ready()) << first.Err();
    EXPECT_TRUE(std::filesystem::is_socket(Socket()));
    std::string err;
    EXPECT_EQ(Run({}, &err), 1);
    EXPECT_NE(err.find("already"), std::string::npos) << err;
    Sim second({"--socket", "other"}, home.path());
    ASSERT_TRUE(second.Ready()) << second.Err();

    EXPECT_EQ(first.Stop(SIGTERM), 0);
    EXPECT_FALSE(std::filesystem::exists(Socket()));
    EXPECT_NE(first.Out().find("unplugged"), std::string::npos);
    EXPECT_EQ(second.Stop(SIGINT), 0);
    EXPECT_FALSE(std::filesystem::exists(Socket("other")));

    // A socket left by a crash is taken over.
    {
        kesim::wire::Fd dead(::socket(AF_UNIX, SOCK_STREAM, 0));
        sockaddr_un address{};
        kesim::wire::MakeAddress(Socket(), address);
        ASSERT_EQ(::bind(dead.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    }
    Sim third({}, home.path());
    ASSERT_TRUE(third.Ready()) << third.Err();
    EXPECT_EQ(socksim::SoftwareVersion(), 0x00140019u);
    EXPECT_EQ(third.Stop(), 0);
}

TEST_F(UnitSim, UpdateIsKeptAcrossAPowerCycleAndRecorded)
{
    const std::string state = files / "unit.state";
    const std::string record = files / "streams";
    {
        Sim sim({"--versions", "20-20", "--state", state, "--record", record, "--log", files / "log"}, home.path());
        ASSERT_TRUE(sim.Ready()) << sim.Err();
        EXPECT_EQ(socksim::SoftwareVersion(), 0x00140014u);
        EXPECT_EQ(socksim::Download(fileXILINX), 0);
        EXPECT_EQ(socksim::Download(fileMCORE), 0);
        EXPECT_EQ(sim.Stop(), 0);
    }
    EXPECT_TRUE(socksim::ReadFile(record + "/xilinx.bin") == socksim::Stream(fileXILINX));
    EXPECT_TRUE(socksim::ReadFile(record + "/mcore.bin") == socksim::Stream(fileMCORE));
    kesim::UnitState saved;
    std::string error;
    ASSERT_EQ(kesim::LoadUnitState(state, saved, error), kesim::LoadResult::Loaded) << error;
    EXPECT_EQ(saved[kesim::FlashDevice::Xilinx].condition, kesim::FlashCondition::Accepted);
    EXPECT_EQ(saved[kesim::FlashDevice::Xilinx].version, 26);
    EXPECT_TRUE(saved[kesim::FlashDevice::Xilinx].contents == socksim::Image(fileXILINX));
    EXPECT_EQ(saved[kesim::FlashDevice::Mcore].version, 21);
    EXPECT_TRUE(saved[kesim::FlashDevice::Mcore].contents == socksim::Image(fileMCORE));
    const std::string log = Slurp(files / "log");
    EXPECT_NE(log.find("acquired"), std::string::npos);
    EXPECT_NE(log.find("tcode 1 offset 0xfffff0430020 length 128"), std::string::npos);

    Sim restarted({"--versions", "20-20", "--state", state}, home.path());
    ASSERT_TRUE(restarted.Ready()) << restarted.Err();
    EXPECT_EQ(socksim::SoftwareVersion(), 0x0015001Au);
}

TEST_F(UnitSim, AnInterruptedUpdateLeavesTheBootLoaderAndCanBeRepeated)
{
    const std::string state = files / "unit.state";
    const std::string record = files / "streams";
    {
        Sim sim({"--versions", "20-20", "--state", state, "--record", record, "--vanish-after-block", "10"},
                home.path());
        ASSERT_TRUE(sim.Ready()) << sim.Err();
        EXPECT_EQ(socksim::Download(fileXILINX), kIOReturnNoDevice);
        EXPECT_EQ(sim.Wait(5s), 0) << "the unit left the bus: the program ends";
        EXPECT_NE(sim.Out().find("left the bus"), std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(Socket()));
    }
    const Bytes stream = socksim::Stream(fileXILINX);
    EXPECT_TRUE(socksim::ReadFile(record + "/xilinx.bin") == Bytes(stream.begin(), stream.begin() + 20 + 10 * 128));
    EXPECT_FALSE(std::filesystem::exists(record + "/mcore.bin"));

    {
        Sim sim({"--versions", "20-20", "--state", state}, home.path());
        ASSERT_TRUE(sim.Ready()) << sim.Err();
        EXPECT_EQ(socksim::SoftwareVersion(), 0x00140000u) << "the Xilinx half reads 0";
        EXPECT_EQ(socksim::Download(fileXILINX), 0);
        EXPECT_EQ(socksim::Download(fileMCORE), 0);
        EXPECT_EQ(sim.Stop(), 0);
    }
    Sim sim({"--versions", "20-20", "--state", state}, home.path());
    ASSERT_TRUE(sim.Ready()) << sim.Err();
    EXPECT_EQ(socksim::SoftwareVersion(), 0x0015001Au);
}

}  // namespace
