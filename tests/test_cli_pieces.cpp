// SPDX-License-Identifier: MIT
// The command-line program's parts on their own: parsing, the JSON report,
// the meaning of a job's result, the progress display, the signal hold, the
// log redirect and the confirmation prompt.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/Console.h"
#include "cli/DisplayWidth.h"
#include "cli/ExitCodes.h"
#include "cli/JobVerdict.h"
#include "cli/NodeAccess.h"
#include "cli/ProgressBar.h"
#include "cli/RunReport.h"
#include "platform/signals/SignalHold.h"
#include "tests/support/ChildProgram.h"
#include "tests/support/SocketSim.h"

using namespace kecli;
using childproc::Contents;
using testing::HasSubstr;

namespace {

ParseOutcome ParseArgs(std::vector<std::string> args)
{
    args.insert(args.begin(), "kefirmwareupdate-cli");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    return CliParser::Parse(static_cast<int>(argv.size()), argv.data());
}

}  // namespace

TEST(CliOptionsTest, CommandsFlagsUsageErrorsAndHelp)
{
    using Case = std::tuple<std::vector<std::string>, Command, bool, bool, bool, bool>;
    for (const auto& [args, command, json, verbose, allowDowngrade, yes] :
         {Case{{"--json", "-v", "status"}, Command::kStatus, true, true, false, false},
          Case{{"update", "--allow-downgrade", "-y", "--verbose"}, Command::kUpdate, false, true, true, true},
          Case{{"--version"}, Command::kVersion, false, false, false, false}}) {
        const ParseOutcome outcome = ParseArgs(args);
        ASSERT_TRUE(outcome.options.has_value()) << testing::PrintToString(args) << outcome.err;
        const CliOptions& o = *outcome.options;
        EXPECT_EQ(std::make_tuple(o.command, o.json, o.verbose, o.allowDowngrade, o.yes),
                  std::make_tuple(command, json, verbose, allowDowngrade, yes))
            << testing::PrintToString(args);
    }

    using Args = std::vector<std::string>;
    for (const Args& args :
         {Args{}, Args{"frobnicate"}, Args{"status", "--allow-downgrade"}, Args{"status", "--yes"},
          Args{"status", "extra"}, Args{"update", "--force"}, Args{"status", "update"}, Args{"--json", "--bogus"},
          Args{"update", "--yes", "--unit", ""}, Args{"update", "--unit= \t"}}) {
        const ParseOutcome o = ParseArgs(args);
        EXPECT_EQ(std::tuple(o.options.has_value(), o.exitCode, o.err.rfind("kefirmwareupdate-cli: ", 0),
                             o.message.empty(), o.out.empty()),
                  std::tuple(false, kExitUsage, 0u, false, true))
            << testing::PrintToString(args) << o.err;
    }
    EXPECT_EQ(std::tuple(ParseArgs({"--json", "--bogus"}).jsonRequested, ParseArgs({"--bogus"}).jsonRequested,
                         CliParser::Parse(0, nullptr).exitCode),
              std::tuple(true, false, kExitUsage));

    // Help documents every command and exit code.
    const ParseOutcome help = ParseArgs({"--help"});
    EXPECT_EQ(std::tuple(help.options.has_value(), help.exitCode, help.err), std::tuple(false, 0, ""));
    for (const char* word : {"status", "update", "--json", "--verbose", "--version", "cli.log"})
        EXPECT_THAT(help.out, HasSubstr(word));
    std::set<int> codes;
    for (const ExitCodeInfo& info : kExitCodeTable) {
        EXPECT_TRUE(codes.insert(info.code).second) << "exit codes must be distinct: " << info.code;
        EXPECT_THAT(help.out, HasSubstr(std::to_string(info.code) + "  " + info.description));
    }
    EXPECT_THAT(ParseArgs({"update", "--help"}).out,
                testing::AllOf(HasSubstr("--allow-downgrade"), HasSubstr("--yes")));
}

TEST(JobVerdictTest, EachOutcomeHasItsCodeAndMessage)
{
    using APW::PTA::UpdateOutcome;
    const std::tuple<UpdateOutcome, DOWNLOADTYPE, IOReturn, ExitCode, bool, const char*> cases[] = {
        {UpdateOutcome::kSucceeded, fileMCORE, 0, kExitSuccess, false, "Programming Complete\n"},
        {UpdateOutcome::kDownloadFailed, fileMCORE, kDownloadDeviceError, kExitUpdateFailed, true,
         "(the unit failed the step, 0xFFFFFF40). The FPGA image was written.\nDo not power the Ke off"},
        {UpdateOutcome::kUnitHeld, fileXILINX, kIOReturnNotPermitted, kExitNoAccess, false,
         "the Ke could not be opened (not permitted, 0xE00002E2); nothing was written"},
        // An image that could not be opened needs a person, as a unit held does.
        {UpdateOutcome::kDownloadFailed, fileXILINX, kIOReturnExclusiveAccess, kExitNoAccess, true,
         "Writing the FPGA image failed: (held by another program, 0xE00002C5)"},
        {UpdateOutcome::kNone, fileXILINX, 0, kExitUpdateFailed, false, "without a result"},  // no result is no success
    };
    for (const auto& [outcome, image, status, code, imageFailed, says] : cases) {
        const JobVerdict verdict = JobVerdict::From(APW::PTA::UpdateResult{outcome, image, status, "not the one"});
        EXPECT_EQ(std::tuple(verdict.code, verdict.imageFailed, !imageFailed || verdict.image == image),
                  std::tuple(code, imageFailed, true))
            << says;
        EXPECT_THAT(verdict.message, HasSubstr(says));
    }
    // Stored history files name it as they always did.
    EXPECT_STREQ(
        APW::PTA::OutcomeRowOf({UpdateOutcome::kDownloadFailed, fileXILINX, kIOReturnExclusiveAccess, ""}).historyName,
        "update-failed");
}

TEST(RunReportTest, JsonKeepsEveryKeyAndSurvivesOddSerials)
{
    RunReport none("status");
    none.SetCarriedVersion("21-26");
    none.SetOutcome(kExitNoUnit, "Ke Not Found");
    const auto empty = none.ToJson();
    EXPECT_EQ(nlohmann::json({empty["found"], empty["serial_number"], empty["carried_version"]}),
              nlohmann::json({false, nullptr, "21-26"}));

    RunReport failed("update");
    // A serial number is whatever bytes the unit returns.
    failed.SetUnit(UnitIdentity{"0x0001f2fffe000042", std::string("K\xff\x1b[2J"), "20-25", "21-26", Change::kUpgrade});
    failed.SetFailure(fileMCORE, kIOFireWireDataError, FlashStep::kCrc);
    failed.SetOutcome(kExitUpdateFailed, "failed");
    failed.SetDeferredSignal(SIGINT);
    const auto object = failed.ToJson();
    for (const auto& [key, value] : empty.items()) EXPECT_TRUE(object.contains(key)) << key;
    EXPECT_EQ(object.size(), empty.size());
    EXPECT_EQ(nlohmann::json({object["failed_image"], object["status_code"], object["deferred_signal"]}),
              nlohmann::json({"microcontroller", -536838123, "SIGINT"}));

    const childproc::File out = childproc::TempFile();
    ASSERT_NO_THROW(failed.WriteJson(out.get()));
    EXPECT_EQ(nlohmann::json::parse(Contents(out.get()))["result"], "update-failed");
    EXPECT_EQ(PrintableText("K\xff\x1b[2J"), "K??[2J");
}

TEST(ProgressBarTest, LinesOnAPipeRedrawOnATerminal)
{
    EXPECT_EQ(ProgressBar::BarText({50, DownloadProgress::kPhaseProgramming, Xilinx}),
              "[" + std::string(20, '#') + std::string(20, '-') + "]  50% writing FPGA");
    EXPECT_THAT(ProgressBar::BarText({250, DownloadProgress::kPhaseErasing, MCORE}),
                HasSubstr("] 100% erasing microcontroller"))
        << "the value is clamped";

    const std::vector<ProgressSample> samples = {
        {0, DownloadProgress::kPhasePreparing, Xilinx},    {40, DownloadProgress::kPhaseErasing, Xilinx},
        {40, DownloadProgress::kPhaseErasing, Xilinx},     {45, DownloadProgress::kPhaseProgramming, Xilinx},
        {59, DownloadProgress::kPhaseProgramming, Xilinx}, {0, DownloadProgress::kPhasePreparing, Xilinx},
        {93, DownloadProgress::kPhaseProgramming, MCORE},  {100, DownloadProgress::kPhaseProgramming, MCORE},
    };
    const childproc::File pipeLike = childproc::TempFile(), terminal = childproc::TempFile();
    ProgressBar lines(pipeLike.get(), false);
    for (const auto& s : samples) lines.Show(s);
    lines.Finish();
    EXPECT_EQ(Contents(pipeLike.get()),
              "  0% preparing\n 40% erasing FPGA\n 45% writing FPGA\n 59% preparing\n"
              " 93% writing microcontroller\n100% writing microcontroller\n");

    ProgressBar bar(terminal.get(), true);
    const ProgressSample erasing{40, DownloadProgress::kPhaseErasing, MCORE},
        writing{41, DownloadProgress::kPhaseProgramming, Xilinx};
    for (const ProgressSample& s : {erasing, erasing, writing, ProgressSample{2, writing.phase, Xilinx}}) bar.Show(s);
    bar.Finish();
    bar.Finish();
    // Unchanged bars are not drawn again (2 is held at 41); the shorter second text blanks out the end of the first.
    const std::string first = ProgressBar::BarText(erasing), second = ProgressBar::BarText(writing);
    EXPECT_EQ(Contents(terminal.get()),
              "\r" + first + "\r" + second + std::string(first.size() - second.size(), ' ') + "\n");
}

namespace {

int gPreviousHandlerCalls = 0;
void CountingHandler(int) { ++gPreviousHandlerCalls; }

}  // namespace

TEST(SignalHoldTest, SignalsCancelBeforeTheGateOrAreHeldThenHandlersComeBackAndThreadsInheritTheBlock)
{
    // The gate: -1 none, 0 open, 1 passed.
    const std::tuple<int, bool, int, int> cases[] = {
        {-1, false, SIGHUP, 0}, {0, false, 0, SIGHUP}, {1, true, SIGHUP, 0}};
    const int signals[] = {SIGINT, SIGTERM, SIGHUP};
    for (const auto& [gateAt, wake, held, cancelling] : cases) {
        SCOPED_TRACE(testing::Message() << "gate " << gateAt << " wake " << wake);
        gPreviousHandlerCalls = 0;
        struct sigaction counting = {}, saved[3];
        counting.sa_handler = CountingHandler;
        for (int i = 0; i < 3; ++i) ASSERT_EQ(sigaction(signals[i], &counting, &saved[i]), 0);
        int notice[2];
        ASSERT_EQ(pipe(notice), 0);
        FirstEraseGate gate;
        if (gateAt == 1) gate.Pass();
        {
            kesignals::SignalHold hold({notice[1], "H", "C", gateAt < 0 ? nullptr : &gate, wake});
            for (int s : signals) raise(s);
            EXPECT_EQ(std::tuple(hold.HeldSignal(), hold.CancellingSignal(), gate.Cancelled(), gPreviousHandlerCalls),
                      std::tuple(held, cancelling, cancelling != 0, 0));
            for (int s : signals) EXPECT_EQ(hold.NextWoken(), wake ? s : 0);
            // A closed reader fails the write instead of ending the program.
            struct sigaction pipeAction;
            EXPECT_EQ(sigaction(SIGPIPE, nullptr, &pipeAction) == 0 ? pipeAction.sa_handler : SIG_DFL, SIG_IGN);
        }
        char buffer[16] = {};
        EXPECT_EQ(std::string(buffer, std::max<ssize_t>(read(notice[0], buffer, sizeof buffer), 0)),
                  std::string(3, cancelling ? 'C' : 'H'));
        for (int fd : notice) close(fd);
        raise(SIGINT);
        EXPECT_EQ(gPreviousHandlerCalls, 1) << "the previous handler is back";
        for (int i = 0; i < 3; ++i) sigaction(signals[i], &saved[i], nullptr);
    }

    const auto allBlocked = [] {
        sigset_t mask;
        pthread_sigmask(SIG_BLOCK, nullptr, &mask);
        return sigismember(&mask, SIGINT) && sigismember(&mask, SIGTERM) && sigismember(&mask, SIGHUP);
    };
    bool blockedInThread = false;
    {
        const kesignals::SignalBlock block;
        std::thread([&] { blockedInThread = allBlocked(); }).join();
    }
    EXPECT_TRUE(blockedInThread);
    EXPECT_FALSE(allBlocked()) << "the caller's mask is restored";
}

TEST(ConsoleTest, OnlyYesConfirms)
{
    const std::map<std::string, bool> answers = {
        {"y\n", true}, {" YES \r\n", true}, {"n\n", false},
        {"", false},   {"yessir\n", false}, {std::string(5000, 'y') + "\n", false},
    };
    for (const auto& [input, expected] : answers) {
        const childproc::File in = childproc::TempFile(), err = childproc::TempFile();
        std::fputs(input.c_str(), in.get());
        std::rewind(in.get());
        Console console(stdout, err.get(), in.get(), true, false);
        EXPECT_EQ(console.Confirm("Write firmware 21-26?"), expected) << testing::PrintToString(input);
        EXPECT_THAT(Contents(err.get()), HasSubstr("Write firmware 21-26? [y/N] "));
    }
}

TEST(NotFoundTest, SaysWhatToCheckAndNamesNodesThisUserMayNotOpen)
{
    const socksim::TempDir dir;
    const std::string dev = dir / "dev", sys = dir / "sys";
    // fw0 the computer's own node, fw1 another device, fw2 unreadable units, fw3 a Ke.
    const std::map<std::string, std::map<std::string, std::string>> nodes = {
        {"fw0", {{"is_local", "1"}, {"units", ""}}},
        {"fw1", {{"is_local", "0"}, {"units", "0x00609e:0x010483"}}},
        {"fw2", {}},
        {"fw3", {{"units", "0x00a02d:0x010001 0x000a27:0x000011"}}},
        {"fwx", {}},  // not a node's name
    };
    std::filesystem::create_directories(dev);
    for (const auto& [node, attributes] : nodes) {
        std::ofstream(dev + "/" + node).close();
        ::chmod((dev + "/" + node).c_str(), 0);
        std::filesystem::create_directories(sys + "/" + node);
        for (const auto& [name, value] : attributes) std::ofstream(sys + "/" + node + "/" + name) << value << "\n";
    }
    if (::geteuid() != 0) {
        EXPECT_EQ(UnopenableFireWireNodes(dev, sys), (std::vector<std::string>{dev + "/fw2", dev + "/fw3"}));
    }
    for (const char* node : {"/fw2", "/fw3"}) ::chmod((dev + node).c_str(), 0600);
    EXPECT_EQ(UnopenableFireWireNodes(dev, sys), std::vector<std::string>{});
    EXPECT_EQ(UnopenableFireWireNodes(dir / "none", sys), std::vector<std::string>{});

    const std::string plain =
        "Ke Not Found: check that the Ke is connected to this computer's FireWire port and switched on.\n";
    EXPECT_EQ(NotFoundMessage({}).english, plain);
    EXPECT_EQ(NotFoundMessage({"/dev/fw2", "/dev/fw3"}).english,
              plain +
                  "This user may not open /dev/fw2, /dev/fw3: if that is the Ke, install the udev rule and join the "
                  "video group (see PERMISSIONS in man kefirmwareupdate-cli).\n");
}

TEST(DisplayWidth, ColumnsNotBytesLineUpTranslatedLabels)
{
    EXPECT_EQ(DisplayWidth("Numéro de série\u00a0:"), 17u);
    EXPECT_EQ(DisplayWidth("シリアル番号:"), 13u);
    EXPECT_EQ(DisplayWidth("e\u0301\xff"), 2u) << "a combining mark takes no column, a stray byte one";
    EXPECT_EQ(PadToWidth("更新の内容:", 19), "更新の内容:" + std::string(8, ' '));
}
