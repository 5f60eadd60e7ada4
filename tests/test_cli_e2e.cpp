// SPDX-License-Identifier: MIT
// kefirmwareupdate-cli as a user runs it: the real program against the
// out-of-process simulated unit (ke-unit-sim), each in a private runtime and
// state directory.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/ExitCodes.h"
#include "tests/support/ChildProgram.h"
#include "tests/support/SocketSim.h"

using namespace std::chrono_literals;
using testing::ContainsRegex;
using testing::HasSubstr;
using testing::Not;

namespace {

using childproc::Program;
using childproc::Slurp;

// A terminal for a child's standard input: what the test writes to it, the
// child reads as typed.
struct Terminal {
    int fd = posix_openpt(O_RDWR | O_NOCTTY);
    std::string path = fd >= 0 && grantpt(fd) == 0 && unlockpt(fd) == 0 ? ptsname(fd) : "";
    ~Terminal() { close(fd); }
    void Type(const std::string& text) { EXPECT_EQ(write(fd, text.data(), text.size()), ssize_t(text.size())); }
};

struct CliResult {
    int code = -1;
    std::string out;
    std::string err;
    nlohmann::json Json() const { return nlohmann::json::parse(out); }
};

class CliEndToEnd : public testing::Test {
protected:
    void SetUp() override
    {
        mRecord = mDir / "record";
        std::filesystem::create_directories(mRecord);
        mEnv = {{"XDG_RUNTIME_DIR", mDir.path()}, {"XDG_STATE_HOME", mDir / "state"}, {"KE_SIMULATED_UNITS", "1"}};
    }

    // Plugs in a simulated unit and waits until it serves.
    void PlugUnit(const std::vector<std::string>& options)
    {
        std::vector<std::string> args = {KE_UNIT_SIM_BINARY, "--record", mRecord};
        args.insert(args.end(), options.begin(), options.end());
        mSim = std::make_unique<Program>(args, mEnv, mDir.path());
        ASSERT_TRUE(mSim->WaitFor("plugged in on", 10s)) << mSim->Err();
    }

    std::unique_ptr<Program> StartCli(const std::vector<std::string>& args, const std::string& input = "/dev/null")
    {
        std::vector<std::string> all = {KE_CLI_BINARY};
        all.insert(all.end(), args.begin(), args.end());
        return std::make_unique<Program>(all, mEnv, mDir.path(), input);
    }

    CliResult Cli(const std::vector<std::string>& args)
    {
        auto program = StartCli(args);
        CliResult result;
        result.code = program->Wait(120s).value_or(-1);
        result.out = program->Out();
        result.err = program->Err();
        return result;
    }

    bool Recorded(DOWNLOADTYPE type)
    {
        const std::string file = mRecord / (type == fileXILINX ? "xilinx.bin" : "mcore.bin");
        return std::filesystem::exists(file) && socksim::ReadFile(file) == socksim::Stream(type);
    }
    bool NothingRecorded() { return std::filesystem::is_empty(mRecord); }

    socksim::TempDir mDir;
    std::filesystem::path mRecord;
    std::map<std::string, std::string> mEnv;
    std::unique_ptr<Program> mSim;
};

}  // namespace

TEST_F(CliEndToEnd, StatusOfEachUnit)
{
    const CliResult none = Cli({"status", "--json"});
    EXPECT_EQ(none.code, kecli::kExitNoUnit) << none.err;
    EXPECT_EQ(none.Json()["result"], "no-unit");

    struct Case {
        const char* versions;
        const char* serial;
        const char* change;
    };
    for (const Case& c : {Case{"20-20", "Not Available", "upgrade"}, Case{"22-26", "KE000042", "downgrade"},
                          Case{"21-26", "KE000042", "reinstall"}}) {
        PlugUnit({"--versions", c.versions});
        const CliResult text = Cli({"status"});
        EXPECT_EQ(text.code, kecli::kExitSuccess) << text.err;
        EXPECT_THAT(text.out, HasSubstr(std::string("Installed version: ") + c.versions + "\n"));
        EXPECT_THAT(text.out, HasSubstr(std::string("Serial number:     ") + c.serial + "\n"));
        EXPECT_THAT(text.out, HasSubstr(std::string("Update would be:   ") + c.change));
        EXPECT_EQ(text.err, "");
        kill(mSim->Pid(), SIGTERM);
        ASSERT_EQ(mSim->Wait(10s), 0);
    }
}

TEST_F(CliEndToEnd, CoreLinesGoToTheLogUnlessVerbose)
{
    PlugUnit({"--versions", "21-26"});
    const CliResult quiet = Cli({"status"});
    EXPECT_THAT(quiet.out + quiet.err, Not(HasSubstr("Open Ke")));
    // One stamped line each: "<time> Ctor KeFirmwareUpdate".
    EXPECT_THAT(Slurp(mDir / "state/kefirmwareupdate/cli.log"),
                ContainsRegex("[0-9:.+-] Ctor KeFirmwareUpdate\n[^\n]+ Test CERR\n[^\n]+ Open Ke\n"));

    const CliResult verbose = Cli({"status", "--verbose"});
    EXPECT_THAT(verbose.out, HasSubstr("Open Ke\n"));
    EXPECT_THAT(verbose.err, HasSubstr("Test CERR\n"));

    const CliResult verboseJson = Cli({"status", "--verbose", "--json"});
    EXPECT_EQ(verboseJson.Json()["result"], "success") << "standard output holds only the object";
    EXPECT_THAT(verboseJson.err, HasSubstr("Open Ke\n"));
}

TEST_F(CliEndToEnd, UpdateWithJsonLandsBothImagesAndTellsOfRecordsNotKept)
{
    PlugUnit({"--versions", "20-20"});
    std::filesystem::create_directories(mDir / "state/kefirmwareupdate");
    std::filesystem::create_symlink(mDir / "elsewhere", mDir / "state/kefirmwareupdate/history.jsonl");
    const CliResult run = Cli({"update", "--yes", "--json", "--trace", "/dev/full"});
    EXPECT_EQ(run.code, kecli::kExitSuccess) << run.err;
    const auto object = run.Json();
    EXPECT_EQ(object["trace"], "incomplete: No space left on device");
    EXPECT_EQ(object["history"], "not recorded: it is a symbolic link");
    EXPECT_THAT(run.err, HasSubstr("the trace /dev/full is incomplete: No space left on device"));
    EXPECT_THAT(run.err, HasSubstr("The update could not be recorded in the history: it is a symbolic link"));
    EXPECT_EQ(object["installed_version"], "20-20");
    EXPECT_EQ(object["serial_number"], "Not Available");
    EXPECT_TRUE(Recorded(fileXILINX));
    EXPECT_TRUE(Recorded(fileMCORE));
    EXPECT_THAT(run.err, HasSubstr("writing FPGA\n"));
    EXPECT_THAT(run.err, HasSubstr("100% writing microcontroller\n"));
    EXPECT_THAT(run.err, HasSubstr("cycle the Power on your Ke"));
}

TEST_F(CliEndToEnd, DowngradeRefusedThenAllowed)
{
    PlugUnit({"--versions", "22-26"});
    const CliResult refused = Cli({"update", "--yes"});
    EXPECT_EQ(refused.code, kecli::kExitDowngradeRefused);
    EXPECT_THAT(refused.err, HasSubstr("This is a Downgrade"));
    EXPECT_TRUE(NothingRecorded());

    const CliResult done = Cli({"update", "--yes", "--allow-downgrade"});
    EXPECT_EQ(done.code, kecli::kExitSuccess) << done.err;
    EXPECT_THAT(done.out, HasSubstr("Programming Complete\n"));
    EXPECT_TRUE(Recorded(fileXILINX));
    EXPECT_TRUE(Recorded(fileMCORE));
}

TEST_F(CliEndToEnd, RefusedCrcNamesTheImage)
{
    PlugUnit({"--versions", "20-20", "--refuse-crc", "--fault-flash", "xilinx", "--guid", "0x000a270000000042"});
    const CliResult run = Cli({"update", "--yes", "--json"});
    EXPECT_EQ(run.code, kecli::kExitUpdateFailed);
    const auto object = run.Json();
    EXPECT_EQ(object["result"], "update-failed");
    EXPECT_EQ(object["failed_image"], "fpga");
    EXPECT_EQ(object["status_hex"], "0xE0008015");
    EXPECT_EQ(object["failed_step"], "crc");
    EXPECT_THAT(run.err, HasSubstr("Writing the FPGA image failed at the CRC check: the unit did not accept the image "
                                   "(refused by the unit, 0xE0008015). The microcontroller image was left as it "
                                   "was.\nDo not power the Ke off: run the update again."));
    EXPECT_FALSE(std::filesystem::exists(mRecord / "mcore.bin")) << "nothing may follow a failed image";

    // The attempt is in the history, which `history` shows.
    const auto history = nlohmann::json::parse(Cli({"history", "--json"}).out);
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0]["program"], "kefirmwareupdate-cli");
    EXPECT_EQ(history[0]["guid"], "0x000a270000000042");
    EXPECT_EQ(history[0]["installed_version"], "20-20");
    EXPECT_EQ(history[0]["result"], "update-failed");
    EXPECT_EQ(history[0]["failed_image"], "fpga");
    EXPECT_THAT(Cli({"history"}).out, HasSubstr("  kefirmwareupdate-cli  serial Not Available  20-20 -> 21-26  "
                                                "update-failed: fpga image (refused by the unit (0xE0008015))\n"));
    // An edited record reaches the terminal only as printable text.
    std::ofstream(mDir / "state/kefirmwareupdate/history.jsonl", std::ios::app) << R"({"start":"\u001b[2J\u0000\n"})";
    EXPECT_THAT(Cli({"history"}).out, HasSubstr("\n?[2J??  ?  serial Not Available"));
}

TEST_F(CliEndToEnd, OnlyTheConfirmedUnitIsWritten)
{
    PlugUnit({"--versions", "20-20", "--serial", "KEZZZZZZ", "--socket", "b-unit"});
    Terminal terminal;
    auto cli = StartCli({"update"}, terminal.path);
    ASSERT_TRUE(cli->WaitFor("[y/N]", 60s)) << cli->Err();
    EXPECT_THAT(cli->Out(), HasSubstr("upgrade (20-20 to 21-26)"));

    // While the prompt waits, a second unit appears, found before the first.
    const std::filesystem::path otherRecord = mDir / "other";
    std::filesystem::create_directories(otherRecord);
    Program other({KE_UNIT_SIM_BINARY, "--versions", "22-30", "--serial", "KEYYYYYY", "--socket", "a-unit", "--record",
                   otherRecord},
                  mEnv, mDir.path());
    ASSERT_TRUE(other.WaitFor("plugged in on", 10s)) << other.Err();
    terminal.Type("y\n");

    ASSERT_EQ(cli->Wait(120s), kecli::kExitSuccess) << cli->Err();
    EXPECT_TRUE(Recorded(fileXILINX));
    EXPECT_TRUE(Recorded(fileMCORE));
    EXPECT_TRUE(std::filesystem::is_empty(otherRecord)) << "the unit nobody confirmed was written";
}

TEST_F(CliEndToEnd, SeveralUnitsAreListedOneIsChosenAndAnUnreadableOneIsNot)
{
    PlugUnit({"--versions", "21-26", "--serial", "KEAAAAAA", "--socket", "a-unit", "--guid", "0x000a270000000001"});
    Program other({KE_UNIT_SIM_BINARY, "--versions", "22-32", "--fail-read", "4", "--socket", "b-unit", "--guid",
                   "0x000a270000000002"},
                  mEnv, mDir.path());
    ASSERT_TRUE(other.WaitFor("plugged in on", 10s)) << other.Err();

    const CliResult text = Cli({"status"});
    EXPECT_EQ(text.code, kecli::kExitUnitUnreadable) << "the second unit cannot be read";
    EXPECT_THAT(text.out, HasSubstr("GUID:              0x000a270000000001\nSerial number:     KEAAAAAA\n"));
    EXPECT_THAT(text.err, HasSubstr("the unit did not answer its version read: refused by the unit (0xE0008015)"));
    const auto object = Cli({"status", "--json"}).Json();
    EXPECT_EQ(object["installed_version"], "21-26") << "the first unit keeps the single unit's keys";
    ASSERT_EQ(object["units"].size(), 2u);
    EXPECT_EQ(object["units"][1]["guid"], "0x000a270000000002");
    EXPECT_EQ(object["units"][1]["result"], "unit-unreadable");

    const CliResult refused = Cli({"update", "--yes"});
    EXPECT_EQ(refused.code, kecli::kExitSeveralUnits);
    EXPECT_THAT(refused.err, HasSubstr("0x000a270000000001  serial KEAAAAAA  running 21-26"));
    EXPECT_EQ(Cli({"update", "--yes", "--unit", "KEZZZZZZ"}).code, kecli::kExitNoUnit);
    EXPECT_EQ(Cli({"update", "--yes", "--allow-downgrade", "--unit", "000A270000000002"}).code,
              kecli::kExitUnitUnreadable);
    EXPECT_TRUE(NothingRecorded());
    const CliResult bySerial = Cli({"update", "--yes", "--unit", "KEAAAAAA"});
    EXPECT_EQ(bySerial.code, kecli::kExitSuccess) << bySerial.err;
    EXPECT_TRUE(Recorded(fileMCORE));
}

TEST_F(CliEndToEnd, TheSecondOfTwoUpdatesStopsAtTheOpen)
{
    PlugUnit({"--versions", "20-20", "--erase-ms", "3000"});
    Terminal terminal;
    auto late = StartCli({"update", "--json"}, terminal.path);
    ASSERT_TRUE(late->WaitFor("[y/N]", 60s)) << late->Err();
    auto first = StartCli({"update", "--yes"});
    ASSERT_TRUE(first->WaitFor("erasing FPGA", 60s)) << first->Err();
    terminal.Type("y\n");

    ASSERT_EQ(late->Wait(120s), kecli::kExitNoAccess) << late->Err();
    const auto object = nlohmann::json::parse(late->Out());
    EXPECT_EQ(object["result"], "no-access");
    EXPECT_TRUE(object["failed_image"].is_null()) << "nothing was written";
    EXPECT_THAT(late->Err(), HasSubstr("The update did not start: another program holds the Ke (held by another "
                                       "program, 0xE00002C5); nothing was written.\n"));
    EXPECT_EQ(first->Wait(120s), kecli::kExitSuccess) << first->Err();
    const auto history = nlohmann::json::parse(Cli({"history", "--json"}).out);
    EXPECT_EQ(history[0]["result"], "no-access");
    EXPECT_TRUE(Recorded(fileXILINX));
    EXPECT_TRUE(Recorded(fileMCORE));
}

TEST_F(CliEndToEnd, AUnitThatRunsAnotherVersionAfterThePromptIsNotWritten)
{
    PlugUnit({"--versions", "21-20", "--serial", "KEAAAAAA"});
    Terminal terminal;
    auto cli = StartCli({"update", "--json"}, terminal.path);
    ASSERT_TRUE(cli->WaitFor("[y/N]", 60s)) << cli->Err();
    // Meanwhile the unit was power-cycled and updated elsewhere.
    mSim.reset();
    PlugUnit({"--versions", "23-20", "--serial", "KEAAAAAA"});
    terminal.Type("y\n");
    EXPECT_EQ(cli->Wait(120s), kecli::kExitNoUnit);
    EXPECT_EQ(nlohmann::json::parse(cli->Out())["result"], "unit-changed");
    EXPECT_THAT(cli->Err(), HasSubstr("the Ke now runs 23-20, not the 21-20 shown"));
    EXPECT_TRUE(NothingRecorded());
}

// A system bus that takes the connection and never answers delays the start
// a few seconds at most, and until the first erase a signal cancels.
TEST_F(CliEndToEnd, ASilentLogindDelaysLittleAndASignalBeforeTheEraseCancels)
{
    const char kBus[] = "import socket, sys, time; s = socket.socket(socket.AF_UNIX); s.bind(sys.argv[1]); s.listen()";
    Program bus(
        {"/usr/bin/python3", "-c", kBus + std::string("; print('up', flush=True); time.sleep(600)"), mDir / "bus"},
        mEnv, mDir.path());
    ASSERT_TRUE(bus.WaitFor("up", 10s)) << bus.Err();
    mEnv["DBUS_SYSTEM_BUS_ADDRESS"] = "unix:path=" + (mDir / "bus");
    PlugUnit({"--versions", "20-20"});
    auto cli = StartCli({"update", "--yes", "--json", "--verbose"});
    ASSERT_TRUE(cli->WaitFor("preparing", 60s)) << cli->Err();
    kill(cli->Pid(), SIGINT);
    EXPECT_EQ(cli->Wait(30s), kecli::kExitCancelled) << cli->Err();
    EXPECT_THAT(cli->Err(), HasSubstr("not inhibited during the update: logind did not answer within 3 s"));
    EXPECT_TRUE(NothingRecorded());
    EXPECT_EQ(nlohmann::json::parse(Cli({"history", "--json"}).out)[0]["result"], "cancelled");
}

TEST_F(CliEndToEnd, ClosedOutputsLeaveTheUpdateAndItsResultAlone)
{
    PlugUnit({"--versions", "20-20"});
    // Standard streams closed, then read by one that leaves after a line: the shell prints the exit status.
    for (const char* run : {"\"$0\" update --yes --json >&- 2>&-; echo $?",
                            "exec 3>&1; (\"$0\" update --yes --json 2>&1; echo $? >&3) | head -1 >/dev/null"}) {
        Program closed({"/bin/sh", "-c", run, KE_CLI_BINARY}, mEnv, mDir.path());
        EXPECT_EQ(closed.Wait(120s), 0);
        EXPECT_EQ(closed.Out(), "0\n") << run;
        EXPECT_TRUE(Recorded(fileXILINX));
        EXPECT_TRUE(Recorded(fileMCORE));
    }
}

TEST_F(CliEndToEnd, ASignalAtTheQuestionCancelsWithTheJson)
{
    PlugUnit({"--versions", "20-20"});
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        Terminal terminal;
        auto cli = StartCli({"update", "--json"}, terminal.path);
        ASSERT_TRUE(cli->WaitFor("[y/N]", 60s)) << cli->Err();
        kill(cli->Pid(), signal);
        EXPECT_EQ(cli->Wait(60s), kecli::kExitCancelled) << signal;
        EXPECT_EQ(nlohmann::json::parse(cli->Out())["result"], "cancelled");
    }
    EXPECT_TRUE(NothingRecorded());
}

TEST_F(CliEndToEnd, SigintDuringTheWriteWaitsForTheJob)
{
    PlugUnit({"--versions", "20-20"});
    auto cli = StartCli({"update", "--yes", "--json"});
    ASSERT_TRUE(cli->WaitFor("writing FPGA", 60s)) << cli->Err();
    kill(cli->Pid(), SIGINT);
    std::this_thread::sleep_for(50ms);
    kill(cli->Pid(), SIGTERM);
    const std::optional<int> code = cli->Wait(120s);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, kecli::kExitSuccess) << "the job's result; a signal death gives -2";
    EXPECT_THAT(cli->Err(), HasSubstr("the update cannot be interrupted safely; it goes on"));
    EXPECT_EQ(nlohmann::json::parse(cli->Out())["deferred_signal"], "SIGTERM");
    EXPECT_TRUE(Recorded(fileXILINX));
    EXPECT_TRUE(Recorded(fileMCORE));
}

TEST_F(CliEndToEnd, RefusalsBeforeAnythingIsWritten)
{
    PlugUnit({"--versions", "20-20"});
    const CliResult noTerminal = Cli({"update"});
    EXPECT_EQ(noTerminal.code, kecli::kExitUsage);
    EXPECT_THAT(noTerminal.err, HasSubstr("--yes"));

    // An application with the creator signature 'KeyG' runs.
    const std::string editor = mDir / "dvgrab";
    std::filesystem::copy_file("/bin/sleep", editor);
    Program running({editor, "60"}, mEnv, mDir.path());
    const CliResult held = Cli({"update", "--yes", "--json"});
    EXPECT_EQ(held.code, kecli::kExitApplicationRunning) << held.err;
    EXPECT_EQ(held.Json()["result"], "application-running");
    EXPECT_TRUE(NothingRecorded());

    const CliResult usage = Cli({"update", "--bogus", "--json"});
    EXPECT_EQ(usage.code, kecli::kExitUsage);
    EXPECT_EQ(usage.Json()["result"], "usage-error");
    EXPECT_EQ(Cli({}).code, kecli::kExitUsage);
}
