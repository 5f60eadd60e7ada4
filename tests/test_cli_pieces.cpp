// The command-line program's parts on their own: parsing, the JSON report,
// the meaning of a job's result, the progress display, the signal guard, the
// log redirect and the confirmation prompt.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "macapps/KEFirmwareUpdate/cli/CliOptions.h"
#include "macapps/KEFirmwareUpdate/cli/Console.h"
#include "macapps/KEFirmwareUpdate/cli/ExitCodes.h"
#include "macapps/KEFirmwareUpdate/cli/JobVerdict.h"
#include "macapps/KEFirmwareUpdate/cli/LogRedirect.h"
#include "macapps/KEFirmwareUpdate/cli/ProgressBar.h"
#include "macapps/KEFirmwareUpdate/cli/RunReport.h"
#include "macapps/KEFirmwareUpdate/cli/SignalGuard.h"

using namespace kecli;
using testing::HasSubstr;
using testing::Not;

namespace {

ParseOutcome ParseArgs(std::vector<std::string> args)
{
    args.insert(args.begin(), "kefirmwareupdate-cli");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    return CliParser::Parse(static_cast<int>(argv.size()), argv.data());
}

// Everything written to a FILE*, read back.
std::string Contents(std::FILE* file)
{
    std::fflush(file);
    std::rewind(file);
    std::string text;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) text.push_back(static_cast<char>(c));
    return text;
}

// A fresh directory, removed with everything in it.
class FreshDir {
public:
    FreshDir() : mPath(std::filesystem::temp_directory_path() / ("ke-cli-test-" + std::to_string(getpid())))
    {
        std::filesystem::remove_all(mPath);
        std::filesystem::create_directories(mPath);
    }
    ~FreshDir() { std::filesystem::remove_all(mPath); }
    std::filesystem::path operator/(const std::string& name) const { return mPath / name; }

private:
    std::filesystem::path mPath;
};

}  // namespace

TEST(CliOptionsTest, CommandsAndFlags)
{
    struct Case {
        std::vector<std::string> args;
        Command command;
        bool json, verbose, allowDowngrade, yes;
    };
    const Case cases[] = {
        {{"status"}, Command::kStatus, false, false, false, false},
        {{"status", "--json"}, Command::kStatus, true, false, false, false},
        {{"--json", "-v", "status"}, Command::kStatus, true, true, false, false},
        {{"update", "--allow-downgrade", "--yes", "--json", "--verbose"}, Command::kUpdate, true, true, true, true},
        {{"update", "-y"}, Command::kUpdate, false, false, false, true},
        {{"--version"}, Command::kVersion, false, false, false, false},
    };
    for (const Case& c : cases) {
        const ParseOutcome outcome = ParseArgs(c.args);
        ASSERT_TRUE(outcome.options.has_value()) << testing::PrintToString(c.args) << outcome.err;
        EXPECT_EQ(outcome.options->command, c.command);
        EXPECT_EQ(outcome.options->json, c.json);
        EXPECT_EQ(outcome.options->verbose, c.verbose);
        EXPECT_EQ(outcome.options->allowDowngrade, c.allowDowngrade);
        EXPECT_EQ(outcome.options->yes, c.yes);
    }
}

TEST(CliOptionsTest, UsageErrorsEndWith64AndSayWhy)
{
    const std::vector<std::vector<std::string>> bad = {
        {}, {"frobnicate"}, {"status", "--allow-downgrade"}, {"status", "--yes"}, {"status", "extra"},
        {"update", "--force"}, {"status", "update"}, {"--json", "--bogus"},
    };
    for (const auto& args : bad) {
        const ParseOutcome outcome = ParseArgs(args);
        EXPECT_FALSE(outcome.options.has_value()) << testing::PrintToString(args);
        EXPECT_EQ(outcome.exitCode, kExitUsage) << testing::PrintToString(args);
        EXPECT_THAT(outcome.err, HasSubstr("kefirmwareupdate-cli: ")) << testing::PrintToString(args);
        EXPECT_FALSE(outcome.message.empty());
        EXPECT_TRUE(outcome.out.empty());
    }
    EXPECT_TRUE(ParseArgs({"--json", "--bogus"}).jsonRequested);
    EXPECT_FALSE(ParseArgs({"--bogus"}).jsonRequested);
    EXPECT_EQ(CliParser::Parse(0, nullptr).exitCode, kExitUsage);
}

TEST(CliOptionsTest, HelpDocumentsEveryCommandAndExitCode)
{
    const ParseOutcome help = ParseArgs({"--help"});
    EXPECT_FALSE(help.options.has_value());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.err.empty());
    for (const char* word : {"status", "update", "--json", "--verbose", "--version", "cli.log"})
        EXPECT_THAT(help.out, HasSubstr(word));
    std::set<int> codes;
    std::set<std::string> names;
    for (const ExitCodeInfo& info : kExitCodeTable) {
        codes.insert(info.code);
        names.insert(info.name);
        char line[16];
        std::snprintf(line, sizeof line, "%3d  ", static_cast<int>(info.code));
        EXPECT_THAT(help.out, HasSubstr(std::string(line) + info.description));
    }
    EXPECT_EQ(codes.size(), std::size(kExitCodeTable)) << "exit codes must be distinct";
    EXPECT_EQ(names.size(), std::size(kExitCodeTable));

    const ParseOutcome updateHelp = ParseArgs({"update", "--help"});
    EXPECT_THAT(updateHelp.out, HasSubstr("--allow-downgrade"));
    EXPECT_THAT(updateHelp.out, HasSubstr("--yes"));
}

TEST(JobVerdictTest, EachOutcomeHasItsCodeAndMessage)
{
    using APW::PTA::UpdateOutcome;
    using APW::PTA::UpdateResult;

    const JobVerdict done = JobVerdict::From(UpdateResult{UpdateOutcome::kSucceeded, fileMCORE, 0});
    EXPECT_EQ(done.code, kExitSuccess);
    EXPECT_FALSE(done.imageFailed);
    EXPECT_THAT(done.message, HasSubstr("Programming Complete\n"));
    EXPECT_THAT(done.message, HasSubstr("cycle the Power on your Ke"));

    const JobVerdict fpga = JobVerdict::From(UpdateResult{UpdateOutcome::kDownloadFailed, fileXILINX, kIOFireWireDataError});
    EXPECT_EQ(fpga.code, kExitUpdateFailed);
    EXPECT_TRUE(fpga.imageFailed);
    EXPECT_EQ(fpga.image, fileXILINX);
    EXPECT_THAT(fpga.message, HasSubstr("FPGA image"));
    EXPECT_THAT(fpga.message, HasSubstr("0xE0008015 (-536838123)"));
    EXPECT_THAT(fpga.message, HasSubstr("Do not power the Ke off: run the update again."));

    const JobVerdict mcu = JobVerdict::From(UpdateResult{UpdateOutcome::kDownloadFailed, fileMCORE, kDownloadDeviceError});
    EXPECT_EQ(mcu.code, kExitUpdateFailed);
    EXPECT_THAT(mcu.message, HasSubstr("microcontroller image"));
    EXPECT_THAT(mcu.message, HasSubstr("0xFFFFFF40 (-192)"));

    for (IOReturn access : {kIOReturnNotPermitted, kIOReturnExclusiveAccess}) {
        const JobVerdict denied = JobVerdict::From(UpdateResult{UpdateOutcome::kDownloadFailed, fileXILINX, access});
        EXPECT_EQ(denied.code, kExitNoAccess);
        EXPECT_TRUE(denied.imageFailed);
        EXPECT_THAT(denied.message, HasSubstr("run the update again"));
    }

    EXPECT_EQ(JobVerdict::From(UpdateResult{UpdateOutcome::kUnitNotFound, fileXILINX, kIOReturnNoDevice}).code,
              kExitNoUnit);
    const JobVerdict noThread =
        JobVerdict::From(UpdateResult{UpdateOutcome::kThreadNotStarted, fileXILINX, kIOReturnNoResources});
    EXPECT_EQ(noThread.code, kExitUpdateFailed);
    EXPECT_FALSE(noThread.imageFailed);
    EXPECT_THAT(noThread.message, HasSubstr("nothing was written"));
    EXPECT_EQ(JobVerdict::From(UpdateResult{}).code, kExitUpdateFailed) << "no result is no success";
}

TEST(RunReportTest, JsonKeepsEveryKeyAndSurvivesOddSerials)
{
    RunReport none("status");
    none.SetCarriedVersion("21-26");
    none.SetOutcome(kExitNoUnit, "Ke Not Found");
    const auto empty = none.ToJson();
    EXPECT_EQ(empty["found"], false);
    EXPECT_TRUE(empty["serial_number"].is_null());
    EXPECT_EQ(empty["carried_version"], "21-26");
    EXPECT_EQ(empty["result"], "no-unit");
    EXPECT_EQ(empty["exit_code"], 2);

    RunReport failed("update");
    // A serial number is whatever bytes the unit returns.
    failed.SetUnit(UnitIdentity{std::string("K\xff\x1b[2J"), "20-25", "21-26", Change::kUpgrade});
    failed.SetFailure(fileMCORE, kIOFireWireDataError);
    failed.SetOutcome(kExitUpdateFailed, "failed");
    failed.SetDeferredSignal(SIGINT);
    const auto object = failed.ToJson();
    for (const auto& [key, value] : empty.items()) EXPECT_TRUE(object.contains(key)) << key;
    EXPECT_EQ(object.size(), empty.size());
    EXPECT_EQ(object["failed_image"], "microcontroller");
    EXPECT_EQ(object["status_code"], -536838123);
    EXPECT_EQ(object["status_hex"], "0xE0008015");
    EXPECT_EQ(object["deferred_signal"], "SIGINT");
    EXPECT_EQ(object["change"], "upgrade");

    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    ASSERT_NO_THROW(failed.WriteJson(out));
    const auto parsed = nlohmann::json::parse(Contents(out));
    EXPECT_EQ(parsed["result"], "update-failed");
    std::fclose(out);

    EXPECT_EQ(PrintableText("K\xff\x1b[2J"), "K??[2J");
}

TEST(ProgressBarTest, TextOfOneSample)
{
    ProgressSample s{50, DownloadProgress::kPhaseProgramming, Xilinx};
    EXPECT_EQ(ProgressBar::BarText(s), "[" + std::string(20, '#') + std::string(20, '-') + "]  50% writing FPGA");
    s = {100, DownloadProgress::kPhaseErasing, MCORE};
    EXPECT_EQ(ProgressBar::BarText(s), "[" + std::string(40, '#') + "] 100% erasing microcontroller");
    s = {250, DownloadProgress::kPhaseProgramming, Xilinx};
    EXPECT_THAT(ProgressBar::BarText(s), HasSubstr("100% writing FPGA")) << "the value is clamped";
    EXPECT_EQ(ProgressBar::StepLine({0, DownloadProgress::kPhasePreparing, MCORE}), "  0% preparing");
}

TEST(ProgressBarTest, LinesOnAPipeRedrawOnATerminal)
{
    const std::vector<ProgressSample> samples = {
        {0, DownloadProgress::kPhasePreparing, Xilinx},  {40, DownloadProgress::kPhaseErasing, Xilinx},
        {40, DownloadProgress::kPhaseErasing, Xilinx},   {45, DownloadProgress::kPhaseProgramming, Xilinx},
        {59, DownloadProgress::kPhaseProgramming, Xilinx}, {0, DownloadProgress::kPhasePreparing, Xilinx},
        {80, DownloadProgress::kPhaseErasing, MCORE},
        {93, DownloadProgress::kPhaseProgramming, MCORE}, {100, DownloadProgress::kPhaseProgramming, MCORE},
    };
    std::FILE* pipeLike = std::tmpfile();
    ProgressBar lines(pipeLike, false);
    for (const auto& s : samples) lines.Show(s);
    lines.Finish();
    EXPECT_EQ(Contents(pipeLike),
              "  0% preparing\n 40% erasing FPGA\n 45% writing FPGA\n 59% preparing\n 80% erasing microcontroller\n"
              " 93% writing microcontroller\n100% writing microcontroller\n");
    std::fclose(pipeLike);

    std::FILE* terminal = std::tmpfile();
    ProgressBar bar(terminal, true);
    bar.Show({40, DownloadProgress::kPhaseErasing, MCORE});
    bar.Show({40, DownloadProgress::kPhaseErasing, MCORE});
    bar.Show({41, DownloadProgress::kPhaseProgramming, Xilinx});
    bar.Show({2, DownloadProgress::kPhaseProgramming, Xilinx});  // held at 41
    bar.Finish();
    bar.Finish();
    const std::string drawn = Contents(terminal);
    EXPECT_EQ(std::count(drawn.begin(), drawn.end(), '\r'), 2) << "an unchanged bar is not drawn again";
    EXPECT_EQ(std::count(drawn.begin(), drawn.end(), '\n'), 1);
    // The shorter second text blanks out the end of the first.
    const std::string first = ProgressBar::BarText({40, DownloadProgress::kPhaseErasing, MCORE});
    const std::string second = ProgressBar::BarText({41, DownloadProgress::kPhaseProgramming, Xilinx});
    EXPECT_EQ(drawn, "\r" + first + "\r" + second + std::string(first.size() - second.size(), ' ') + "\n");
    std::fclose(terminal);
}

namespace {

int gPreviousHandlerCalls = 0;
void CountingHandler(int) { ++gPreviousHandlerCalls; }

}  // namespace

TEST(SignalGuardTest, SignalsAreNoticedNotObeyedThenHandlersComeBack)
{
    struct sigaction counting = {};
    counting.sa_handler = CountingHandler;
    struct sigaction saved[3];
    const int signals[] = {SIGINT, SIGTERM, SIGHUP};
    for (int i = 0; i < 3; ++i) ASSERT_EQ(sigaction(signals[i], &counting, &saved[i]), 0);

    int notice[2];
    ASSERT_EQ(pipe(notice), 0);
    {
        SignalGuard guard(notice[1]);
        EXPECT_EQ(guard.DeferredSignal(), 0);
        for (int s : signals) raise(s);
        EXPECT_EQ(guard.SignalCount(), 3);
        EXPECT_EQ(guard.DeferredSignal(), SIGHUP);
        EXPECT_EQ(gPreviousHandlerCalls, 0);

        // A reader that went away fails the write instead of ending the program.
        int dead[2];
        ASSERT_EQ(pipe(dead), 0);
        close(dead[0]);
        EXPECT_EQ(write(dead[1], "x", 1), -1);
        EXPECT_EQ(errno, EPIPE);
        close(dead[1]);
    }
    char buffer[512] = {};
    const ssize_t n = read(notice[0], buffer, sizeof buffer - 1);
    ASSERT_GT(n, 0);
    const std::string text(buffer, static_cast<size_t>(n));
    size_t count = 0;
    for (size_t at = text.find("cannot be interrupted safely"); at != std::string::npos;
         at = text.find("cannot be interrupted safely", at + 1))
        ++count;
    EXPECT_EQ(count, 3u);
    close(notice[0]);
    close(notice[1]);

    raise(SIGINT);
    EXPECT_EQ(gPreviousHandlerCalls, 1) << "the previous handler is back";
    for (int i = 0; i < 3; ++i) sigaction(signals[i], &saved[i], nullptr);
}

TEST(SignalGuardTest, ThreadsStartedUnderTheBlockInheritIt)
{
    bool blockedInThread = false;
    {
        SignalBlock block;
        std::thread([&] {
            sigset_t mask;
            pthread_sigmask(SIG_BLOCK, nullptr, &mask);
            blockedInThread = sigismember(&mask, SIGINT) && sigismember(&mask, SIGTERM) && sigismember(&mask, SIGHUP);
        }).join();
    }
    EXPECT_TRUE(blockedInThread);
    sigset_t mask;
    pthread_sigmask(SIG_BLOCK, nullptr, &mask);
    EXPECT_FALSE(sigismember(&mask, SIGINT)) << "the caller's mask is restored";
}

TEST(LogRedirectTest, WhereTheLogGoes)
{
    auto env = [](std::map<std::string, std::string> vars) {
        return [vars](const char* name) -> std::optional<std::string> {
            auto it = vars.find(name);
            if (it == vars.end()) return std::nullopt;
            return it->second;
        };
    };
    EXPECT_EQ(LogRedirect::DefaultLogPath(env({{"XDG_STATE_HOME", "/s"}, {"HOME", "/h"}})),
              "/s/kefirmwareupdate/cli.log");
    EXPECT_EQ(LogRedirect::DefaultLogPath(env({{"XDG_STATE_HOME", "rel"}, {"HOME", "/h"}})),
              "/h/.local/state/kefirmwareupdate/cli.log")
        << "a relative XDG_STATE_HOME is ignored";
    EXPECT_EQ(LogRedirect::DefaultLogPath(env({{"XDG_STATE_HOME", ""}, {"HOME", "/h"}})),
              "/h/.local/state/kefirmwareupdate/cli.log");
    EXPECT_EQ(LogRedirect::DefaultLogPath(env({})), std::nullopt);
}

TEST(LogRedirectTest, CoreLinesLandInAPrivateFileAndTheStreamsComeBack)
{
    const FreshDir dir;
    const std::string path = (dir / "state/kefirmwareupdate/cli.log").string();
    std::streambuf* const out = std::cout.rdbuf();
    std::streambuf* const err = std::cerr.rdbuf();
    {
        LogRedirect redirect(path);
        EXPECT_EQ(redirect.LogPath(), path);
        std::cout << "Ctor KeFirmwareUpdate\n";
        std::cerr << "Device not ready - Could not prepare device for update.\n\r";
    }
    EXPECT_EQ(std::cout.rdbuf(), out);
    EXPECT_EQ(std::cerr.rdbuf(), err);
    std::ifstream file(path);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_THAT(text, HasSubstr("--- kefirmwareupdate-cli run"));
    EXPECT_THAT(text, HasSubstr("Ctor KeFirmwareUpdate\nDevice not ready - Could not prepare device for update.\n\r"));

    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(stat((dir / "state/kefirmwareupdate").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // A full log is moved aside when a run starts.
    std::filesystem::resize_file(path, LogRedirect::kRotateBytes + 1);
    { LogRedirect redirect(path); }
    EXPECT_TRUE(std::filesystem::exists(path + ".old"));
    EXPECT_LT(std::filesystem::file_size(path), 1000u);
}

TEST(LogRedirectTest, AnUnusablePathDiscardsAndVerboseJsonMovesOnlyCout)
{
    const FreshDir dir;
    std::ofstream(dir / "file") << "not a folder";
    std::streambuf* const out = std::cout.rdbuf();
    {
        LogRedirect redirect((dir / "file/kefirmwareupdate/cli.log").string());
        EXPECT_TRUE(redirect.LogPath().empty());
        testing::internal::CaptureStdout();
        std::cout << "Open Ke\n";
        std::cout.flush();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "discarded, not shown";
        EXPECT_NE(std::cout.rdbuf(), out);
    }
    EXPECT_EQ(std::cout.rdbuf(), out);

    std::ostringstream side;
    std::streambuf* const err = std::cerr.rdbuf();
    {
        LogRedirect redirect(side.rdbuf());
        std::cout << "Open Ke\n";
        EXPECT_EQ(std::cerr.rdbuf(), err);
    }
    EXPECT_EQ(side.str(), "Open Ke\n");
    EXPECT_EQ(std::cout.rdbuf(), out);
}

TEST(ConsoleTest, OnlyYesConfirms)
{
    const std::map<std::string, bool> answers = {
        {"y\n", true}, {"YES\n", true}, {"  yes \r\n", true}, {"n\n", false}, {"\n", false},
        {"", false},   {"yessir\n", false}, {std::string(5000, 'y') + "\n", false},
    };
    for (const auto& [input, expected] : answers) {
        std::FILE* in = std::tmpfile();
        std::fputs(input.c_str(), in);
        std::rewind(in);
        std::FILE* err = std::tmpfile();
        Console console(stdout, err, in, true, false);
        EXPECT_EQ(console.Confirm("Write firmware 21-26?"), expected) << testing::PrintToString(input);
        EXPECT_THAT(Contents(err), HasSubstr("Write firmware 21-26? [y/N] "));
        std::fclose(in);
        std::fclose(err);
    }
}
