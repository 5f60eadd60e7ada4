// SPDX-License-Identifier: MIT
// kefirmwareupdate-cli as a user runs it, against ke-unit-sim.
#include <gmock/gmock.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QTranslator>
#include <fstream>
#include <sstream>
#include <thread>
#include <tuple>

#include "cli/ExitCodes.h"
#include "platform/ui/Translations.h"
#include "tests/support/SimUnits.h"

using namespace std::chrono_literals;
using testing::ContainsRegex;
using testing::HasSubstr;
using testing::Not;

namespace {

using childproc::Program;
using simunits::Ran;
using simunits::Result;

// A terminal for a child's standard input: what the test writes to it, the
// child reads as typed.
struct Terminal {
    int fd = posix_openpt(O_RDWR | O_NOCTTY);
    std::string path = fd >= 0 && grantpt(fd) == 0 && unlockpt(fd) == 0 ? ptsname(fd) : "";
    ~Terminal() { close(fd); }
    void Type(const std::string& text) { EXPECT_EQ(write(fd, text.data(), text.size()), ssize_t(text.size())); }
};

class CliEndToEnd : public simunits::SimUnits {
protected:
    Result Cli(std::vector<std::string> args)
    {
        args.insert(args.begin(), KE_CLI_BINARY);
        return Run(args);
    }
    std::unique_ptr<Program> StartCli(std::vector<std::string> args, const std::string& input = "/dev/null")
    {
        args.insert(args.begin(), KE_CLI_BINARY);
        return Start(args, input);
    }
    // `update` with `args`, waiting at its question on `terminal`.
    std::unique_ptr<Program> AtTheQuestion(const std::vector<std::string>& args, const Terminal& terminal)
    {
        auto cli = StartCli(args, terminal.path);
        EXPECT_TRUE(cli->WaitFor("[y/N]", 60s)) << cli->Err();
        return cli;
    }
    nlohmann::json History() { return Cli({"history", "--json"}).Json(); }
};

}  // namespace

TEST_F(CliEndToEnd, StatusOfEachUnit)
{
    const Result none = Cli({"status", "--json"});
    EXPECT_EQ(std::tuple(none.code, none.Json()["result"]), std::tuple(int(kecli::kExitNoUnit), "no-unit")) << none.err;
    for (const auto& [versions, serial, change] :
         {std::tuple{"20-20", "Not Available", "upgrade"}, std::tuple{"22-26", "KE000042", "downgrade"},
          std::tuple{"20-27", "Not Available", "downgrade"},  // one half older, the other newer
          std::tuple{"21-26", "KE000042", "reinstall"}}) {
        Plug({"--versions", versions});
        EXPECT_THAT(Cli({"status"}),
                    Ran(kecli::kExitSuccess, "",
                        HasSubstr(std::string("Serial number:     ") + serial + "\nInstalled version: " + versions +
                                  "\nCarried version:   21-26\nUpdate would be:   " + change)));
        ASSERT_EQ(Stop(*mSim), 0);
    }
}

TEST_F(CliEndToEnd, CoreLinesGoToTheLogUnlessVerbose)
{
    Plug({"--versions", "21-26"});
    EXPECT_THAT(Cli({"status"}), Ran(kecli::kExitSuccess, Not(HasSubstr("Open Ke")), Not(HasSubstr("Open Ke"))));
    // One stamped line each: "<time> Ctor KeFirmwareUpdate".
    EXPECT_THAT(childproc::Slurp(mDir / "state/kefirmwareupdate/cli.log"),
                ContainsRegex("[0-9:.+-] Ctor KeFirmwareUpdate\n[^\n]+ Test CERR\n[^\n]+ Open Ke\n"));
    EXPECT_THAT(Cli({"status", "--verbose"}),
                Ran(kecli::kExitSuccess, HasSubstr("Test CERR\n"), HasSubstr("Open Ke\n")));
    const Result verboseJson = Cli({"status", "--verbose", "--json"});
    EXPECT_EQ(verboseJson.Json()["result"], "success") << "standard output holds only the object";
    EXPECT_THAT(verboseJson.err, HasSubstr("Open Ke\n"));
}

TEST_F(CliEndToEnd, UpdateWithJsonLandsBothImagesAndTellsOfRecordsNotKept)
{
    Plug({"--versions", "20-20"});
    std::filesystem::create_directories(mDir / "state/kefirmwareupdate");
    std::filesystem::create_symlink(mDir / "elsewhere", mDir / "state/kefirmwareupdate/history.jsonl");
    const Result run = Cli({"update", "--yes", "--json", "--trace", "/dev/full"});
    EXPECT_EQ(run.code, kecli::kExitSuccess) << run.err;
    EXPECT_EQ(run.Json()["trace"], "incomplete: No space left on device");
    EXPECT_EQ(run.Json()["history"], "not recorded: it is a symbolic link");
    EXPECT_THAT(run.err, HasSubstr("the trace /dev/full is incomplete: No space left on device"));
    EXPECT_THAT(run.err, HasSubstr("The update could not be recorded in the history: it is a symbolic link"));
    EXPECT_THAT(run.err, HasSubstr("Programming Complete\nYou will need to cycle the Power on your Ke for changes to "
                                   "take affect\n"));
    EXPECT_TRUE(Landed());
}

TEST_F(CliEndToEnd, RefusedCrcNamesTheImage)
{
    Plug({"--versions", "20-20", "--refuse-crc", "--fault-flash", "xilinx", "--guid", "0x000a270000000042"});
    const Result run = Cli({"update", "--yes", "--json"});
    EXPECT_EQ(run.code, kecli::kExitUpdateFailed);
    const auto object = run.Json();
    EXPECT_EQ(std::tuple(object["result"], object["failed_image"], object["status_hex"], object["failed_step"]),
              std::tuple("update-failed", "fpga", "0xE0008015", "crc"));
    EXPECT_THAT(run.err, HasSubstr("Writing the FPGA image failed at the CRC check: the unit did not accept the image "
                                   "(refused by the unit, 0xE0008015). The microcontroller image was left as it "
                                   "was.\nDo not power the Ke off: run the update again."));
    EXPECT_FALSE(std::filesystem::exists(mRecord + "/mcore.bin")) << "nothing may follow a failed image";

    // The attempt is in the history, which `history` shows.
    const auto history = History();
    EXPECT_EQ(std::tuple(history.size(), history.at(0)["guid"]), std::tuple(std::size_t(1), "0x000a270000000042"));
    EXPECT_THAT(Cli({"history"}).out, HasSubstr("  kefirmwareupdate-cli  serial Not Available  20-20 -> 21-26  "
                                                "update-failed: fpga image (refused by the unit (0xE0008015))\n"));
    // An edited record reaches the terminal only as printable text, first, as its start names no time.
    std::ofstream(mDir / "state/kefirmwareupdate/history.jsonl", std::ios::app) << R"({"start":"\u001b[2J\u0000\n"})";
    EXPECT_THAT(Cli({"history"}).out, testing::StartsWith("?[2J??  ?  serial Not Available"));
}

TEST_F(CliEndToEnd, InFrenchItAsksAndListsInFrenchAndTakesAFrenchYes)
{
    QTranslator translator;
    ASSERT_TRUE(translator.load("kefirmwareupdate_fr",
                                (std::filesystem::path(KE_CLI_BINARY).parent_path() / "translations").c_str()));
    const auto french = [&translator](const char* context, const char* english) {
        const std::string text = translator.translate(context, english).toStdString();
        EXPECT_THAT(text, testing::AllOf(Not(""), Not(english))) << english;
        return QString::fromStdString(text);
    };
    Plug({"--versions", "21-20", "--serial", "KE000042"});
    mEnv["LANG"] = "fr_FR.UTF-8";
    Terminal terminal;
    auto cli = StartCli({"update"}, terminal.path);
    const std::string question =
        keui::Fill(french("kecli::CliApp", "Write firmware %1 to the Ke (serial %2, now running %3)?"),
                   {"21-26", "KE000042", "21-20"}) +
        " " + french("kecli::Console", "[y/N]").toStdString() + " ";
    ASSERT_TRUE(cli->WaitFor(question, 60s)) << cli->Err();
    // Each label of the listing in French, its value after it.
    std::istringstream listing(cli->Out());
    std::string line;
    for (std::getline(listing, line); line.rfind(french("kecli::CliApp", "Serial number:").toStdString(), 0) != 0;)
        ASSERT_TRUE(std::getline(listing, line)) << cli->Out();
    EXPECT_THAT(line, testing::EndsWith(" KE000042"));
    const std::string yes = french("kecli::Console", "y|yes").toStdString();
    terminal.Type(yes.substr(0, yes.find('|')) + "\n");
    ASSERT_EQ(cli->Wait(120s), kecli::kExitSuccess) << cli->Err();
    EXPECT_TRUE(Landed());
}

TEST_F(CliEndToEnd, OnlyTheConfirmedUnitIsWritten)
{
    Plug({"--versions", "20-20", "--serial", "KEZZZZZZ", "--socket", "b-unit"});
    Terminal terminal;
    auto cli = AtTheQuestion({"update"}, terminal);
    EXPECT_THAT(cli->Out(), HasSubstr("upgrade (20-20 to 21-26)"));
    // While the prompt waits, a second unit appears, found before the first.
    const std::string other = mDir / "other";
    std::filesystem::create_directories(other);
    auto second = Unit({"--versions", "22-30", "--serial", "KEYYYYYY", "--socket", "a-unit", "--record", other});
    terminal.Type("y\n");
    ASSERT_EQ(cli->Wait(120s), kecli::kExitSuccess) << cli->Err();
    EXPECT_TRUE(Landed());
    EXPECT_TRUE(std::filesystem::is_empty(other)) << "the unit nobody confirmed was written";
}

TEST_F(CliEndToEnd, SeveralUnitsAreListedOneIsChosenAndAnUnreadableOneIsNot)
{
    Plug({"--versions", "21-26", "--serial", "KEAAAAAA", "--socket", "a-unit", "--guid", "0x000a270000000001"});
    auto other =
        Unit({"--versions", "22-32", "--fail-read", "4", "--socket", "b-unit", "--guid", "0x000a270000000002"});
    // The second unit cannot be read.
    EXPECT_THAT(Cli({"status"}),
                Ran(kecli::kExitUnitUnreadable,
                    HasSubstr("the unit did not answer its version read: refused by the unit (0xE0008015)"),
                    HasSubstr("GUID:              0x000a270000000001\nSerial number:     KEAAAAAA\n")));
    const auto object = Cli({"status", "--json"}).Json();
    EXPECT_EQ(std::tuple(object["installed_version"], object["units"].size(), object["units"].at(1)["guid"],
                         object["units"].at(1)["result"]),
              std::tuple("21-26", std::size_t(2), "0x000a270000000002", "unit-unreadable"))
        << "the first unit keeps the single unit's keys";

    EXPECT_THAT(Cli({"update", "--yes"}),
                Ran(kecli::kExitSeveralUnits, HasSubstr("0x000a270000000001  serial KEAAAAAA  running 21-26")));
    EXPECT_EQ(Cli({"update", "--yes", "--unit", "KEZZZZZZ"}).code, kecli::kExitNoUnit);
    EXPECT_EQ(Cli({"update", "--yes", "--allow-downgrade", "--unit", "000A270000000002"}).code,
              kecli::kExitUnitUnreadable);
    EXPECT_TRUE(NothingRecorded());
    EXPECT_EQ(Cli({"update", "--yes", "--unit", "KEAAAAAA"}).code, kecli::kExitSuccess);
    EXPECT_TRUE(Landed());
}

TEST_F(CliEndToEnd, TheSecondOfTwoUpdatesStopsAtTheOpen)
{
    Plug({"--versions", "20-20", "--erase-ms", "3000"});
    Terminal terminal;
    auto late = AtTheQuestion({"update", "--json"}, terminal);
    auto first = StartCli({"update", "--yes"});
    ASSERT_TRUE(first->WaitFor("erasing FPGA", 60s)) << first->Err();
    terminal.Type("y\n");
    ASSERT_EQ(late->Wait(120s), kecli::kExitNoAccess) << late->Err();
    const auto object = nlohmann::json::parse(late->Out());
    EXPECT_EQ(nlohmann::json({object["result"], object["failed_image"]}), nlohmann::json({"no-access", nullptr}));
    EXPECT_THAT(late->Err(), HasSubstr("The update did not start: another program holds the Ke (held by another "
                                       "program, 0xE00002C5); nothing was written.\n"));
    EXPECT_EQ(first->Wait(120s), kecli::kExitSuccess) << first->Err();
    // Listed as they started, not as they ended.
    const auto history = History();
    EXPECT_EQ(nlohmann::json({history.at(0)["result"], history.at(1)["result"]}),
              nlohmann::json({"succeeded", "no-access"}));
    EXPECT_TRUE(Landed());
}

// A system bus that takes the connection and never answers delays the start
// a few seconds at most, and until the first erase a signal cancels.
TEST_F(CliEndToEnd, ASilentLogindDelaysLittleAndASignalBeforeTheEraseCancels)
{
    const char kBus[] = "import socket, sys, time; s = socket.socket(socket.AF_UNIX); s.bind(sys.argv[1]); s.listen()";
    auto bus = Start(
        {"/usr/bin/python3", "-c", kBus + std::string("; print('up', flush=True); time.sleep(600)"), mDir / "bus"});
    ASSERT_TRUE(bus->WaitFor("up", 10s)) << bus->Err();
    mEnv["DBUS_SYSTEM_BUS_ADDRESS"] = "unix:path=" + (mDir / "bus");
    Plug({"--versions", "20-20"});
    auto cli = StartCli({"update", "--yes", "--json", "--verbose"});
    ASSERT_TRUE(cli->WaitFor("preparing", 60s)) << cli->Err();
    EXPECT_EQ(Stop(*cli, SIGINT), kecli::kExitCancelled) << cli->Err();
    EXPECT_THAT(cli->Err(), HasSubstr("not inhibited during the update: logind did not answer within 3 s"));
    EXPECT_TRUE(NothingRecorded());
    EXPECT_EQ(History()[0]["result"], "cancelled");
}

// A signal once the unit is in update mode, before the erase: the unit is taken out of it again.
TEST_F(CliEndToEnd, ASignalAfterTheUpdateModeLeavesTheUnitAsFound)
{
    Plug({"--versions", "20-20", "--latency-us", "500000"});
    const std::string trace = mDir / "update.trace";
    auto cli = StartCli({"update", "--yes", "--json", "--trace", trace});
    // The update control register's transactions so far: "w00000001", "r00000000"...
    const auto control = [&trace] {
        std::vector<std::string> seen;
        std::ifstream in(trace);
        for (std::string line; std::getline(in, line);) {
            const auto t = nlohmann::json::parse(line, nullptr, false);
            if (t.is_object() && t.value("address", "") == "0xfffff0430000")
                seen.push_back(t["op"] == "write-quadlet" ? "w" + t["sent"].get<std::string>()
                                                          : "r" + t["received"].get<std::string>());
        }
        return seen;
    };
    for (int i = 0; i < 6000 && control().empty(); ++i) std::this_thread::sleep_for(10ms);
    EXPECT_EQ(Stop(*cli, SIGINT), kecli::kExitCancelled) << cli->Err();
    EXPECT_THAT(control(), testing::ElementsAre("w00000001", "w00000002", "r00000000"));
    const auto object = nlohmann::json::parse(cli->Out());
    EXPECT_EQ(nlohmann::json({object["result"], object["unit_left_as_found"], History()[0]["unit_left_as_found"]}),
              nlohmann::json({"cancelled", true, true}));
    EXPECT_TRUE(NothingRecorded());
}

// Serial numbers that are not text keep one printable form each, everywhere.
TEST_F(CliEndToEnd, SerialNumbersOfAnyBytesStayApartEverywhere)
{
    Plug({"--versions", "21-20", "--serial",
          "KE\xff"
          "0001",
          "--socket", "a-unit"});
    const std::string other = mDir / "other";
    std::filesystem::create_directories(other);
    auto second = Unit({"--versions", "21-20", "--serial",
                        "KE\xfe"
                        "0001",
                        "--socket", "b-unit", "--record", other});
    EXPECT_THAT(Cli({"status"}).out, testing::AllOf(HasSubstr("Serial number:     KE\\xFF0001\n"),
                                                    HasSubstr("Serial number:     KE\\xFE0001\n")));
    const auto units = Cli({"status", "--json"}).Json()["units"];
    EXPECT_EQ(nlohmann::json({units.at(0)["serial_number"], units.at(1)["serial_number"]}),
              nlohmann::json({"KE\\xFF0001", "KE\\xFE0001"}));
    EXPECT_EQ(Cli({"update", "--yes", "--unit", "KE\\xFE0001"}).code, kecli::kExitSuccess);
    EXPECT_TRUE(NothingRecorded() && !std::filesystem::is_empty(other)) << "the unit named was written, and it alone";
    EXPECT_EQ(History().at(0)["serial_number"], "KE\\xFE0001");
    EXPECT_THAT(Cli({"history"}).out, HasSubstr("  serial KE\\xFE0001  21-20 -> 21-26  succeeded\n"));
}

TEST_F(CliEndToEnd, ClosedOutputsLeaveTheUpdateAndItsResultAlone)
{
    Plug({"--versions", "20-20"});
    // Standard streams closed, then read by one that leaves after a line: the shell prints the exit status.
    for (const char* run : {"\"$0\" update --yes --json >&- 2>&-; echo $?",
                            "exec 3>&1; (\"$0\" update --yes --json 2>&1; echo $? >&3) | head -1 >/dev/null"}) {
        const Result closed = Run({"/bin/sh", "-c", run, KE_CLI_BINARY});
        EXPECT_EQ(std::pair(closed.code, closed.out), std::pair(0, std::string("0\n"))) << run;
        EXPECT_TRUE(Landed());
    }
}

TEST_F(CliEndToEnd, AtTheQuestionASignalCancelsAndAChangedUnitIsNotWritten)
{
    Plug({"--versions", "21-20", "--serial", "KEAAAAAA"});
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        Terminal terminal;
        auto cli = AtTheQuestion({"update", "--json"}, terminal);
        EXPECT_EQ(Stop(*cli, signal), kecli::kExitCancelled) << signal;
        EXPECT_EQ(nlohmann::json::parse(cli->Out())["result"], "cancelled");
    }
    Terminal terminal;
    auto cli = AtTheQuestion({"update", "--json"}, terminal);
    // Meanwhile the unit was power-cycled and updated elsewhere.
    mSim.reset();
    Plug({"--versions", "23-20", "--serial", "KEAAAAAA"});
    terminal.Type("y\n");
    EXPECT_EQ(cli->Wait(120s), kecli::kExitNoUnit);
    EXPECT_EQ(nlohmann::json::parse(cli->Out())["result"], "unit-changed");
    EXPECT_THAT(cli->Err(), HasSubstr("the Ke now runs 23-20, not the 21-20 shown"));
    EXPECT_TRUE(NothingRecorded());
}

TEST_F(CliEndToEnd, SigintDuringTheWriteWaitsForTheJob)
{
    Plug({"--versions", "20-20"});
    auto cli = StartCli({"update", "--yes", "--json"});
    ASSERT_TRUE(cli->WaitFor("writing FPGA", 60s)) << cli->Err();
    kill(cli->Pid(), SIGINT);
    std::this_thread::sleep_for(50ms);
    kill(cli->Pid(), SIGTERM);
    EXPECT_EQ(cli->Wait(120s), kecli::kExitSuccess) << "the job's result; a signal death gives -2";
    EXPECT_THAT(cli->Err(), HasSubstr("the update cannot be interrupted safely; it goes on"));
    EXPECT_EQ(nlohmann::json::parse(cli->Out())["deferred_signal"], "SIGTERM");
    EXPECT_TRUE(Landed());
}

TEST_F(CliEndToEnd, RefusalsBeforeAnythingIsWrittenThenADowngradeAllowed)
{
    Plug({"--versions", "22-26"});
    EXPECT_THAT(Cli({"update", "--allow-downgrade"}), Ran(kecli::kExitUsage, HasSubstr("--yes")));
    const Result usage = Cli({"update", "--bogus", "--json"});
    EXPECT_EQ(std::tuple(usage.code, usage.Json()["result"]), std::tuple(int(kecli::kExitUsage), "usage-error"));
    EXPECT_EQ(Cli({}).code, kecli::kExitUsage);
    EXPECT_THAT(Cli({"update", "--yes"}), Ran(kecli::kExitDowngradeRefused, HasSubstr("This is a Downgrade")));
    {
        // An application with the creator signature 'KeyG' runs.
        const std::string editor = mDir / "dvgrab";
        std::filesystem::copy_file("/bin/sleep", editor);
        auto running = Start({editor, "60"});
        const Result held = Cli({"update", "--yes", "--allow-downgrade", "--json"});
        EXPECT_EQ(held.code, kecli::kExitApplicationRunning) << held.err;
        EXPECT_EQ(held.Json()["result"], "application-running");
    }
    EXPECT_TRUE(NothingRecorded());
    // Told on standard output without --json.
    EXPECT_THAT(Cli({"update", "--yes", "--allow-downgrade"}),
                Ran(kecli::kExitSuccess, testing::_, HasSubstr("Programming Complete\n")));
    EXPECT_TRUE(Landed());
}
