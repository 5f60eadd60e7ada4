// The two commands in-process against the simulated unit: what they report,
// the window's rules they keep, and the update job they run and follow.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "macapps/KEFirmwareUpdate/DownloadProgress.h"
#include "macapps/KEFirmwareUpdate/cli/CliApp.h"
#include "macapps/KEFirmwareUpdate/cli/LogRedirect.h"
#include "macapps/KEFirmwareUpdate/cli/ProgressBar.h"
#include "macapps/KEFirmwareUpdate/kefirmwareupdate.h"
#include "platform/threads/Sleep.h"
#include "tests/support/SimBus.h"

using namespace kecli;
using testing::HasSubstr;
using testing::Not;

namespace {

std::string Contents(std::FILE* file)
{
    std::fflush(file);
    std::rewind(file);
    std::string text;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) text.push_back(static_cast<char>(c));
    return text;
}

struct CliRun {
    int code = -1;
    std::string out;
    std::string err;
    nlohmann::json Json() const { return nlohmann::json::parse(out); }
};

class CliAppTest : public testing::Test {
protected:
    CliAppTest()
    {
        mBus.model().ChangeConfig([](kesim::KeUnitConfig& c) { c.eraseBusyReads = 1; });
    }

    void SetVersions(UInt32 mcore, UInt32 xilinx)
    {
        mBus.model().ChangeConfig([&](kesim::KeUnitConfig& c) { c.softwareVersion = (mcore << 16) | xilinx; });
    }

    CliRun Run(CliOptions options, const std::string& input = "", bool inTerminal = false, bool errTerminal = false)
    {
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        std::FILE* in = std::tmpfile();
        std::fputs(input.c_str(), in);
        std::rewind(in);
        mErrPath = "/proc/self/fd/" + std::to_string(fileno(err));
        CliRun run;
        {
            Console console(out, err, in, inTerminal, errTerminal);
            CliApp app(mUpdate, console, options);
            app.SetPollInterval(std::chrono::milliseconds(1));
            app.SetApplicationCheck([] { return false; });  // the real one runs end to end
            run.code = app.Run();
        }
        run.out = Contents(out);
        run.err = Contents(err);
        std::fclose(out);
        std::fclose(err);
        std::fclose(in);
        return run;
    }

    static CliOptions Update(bool json = false)
    {
        CliOptions o;
        o.command = Command::kUpdate;
        o.yes = true;
        o.json = json;
        return o;
    }

    bool NothingWritten()
    {
        for (const auto& t : mBus.model().Log()) {
            if (t.offset == kesim::kUpdateControlReg || t.offset == kesim::kUpdateCommandReg ||
                t.offset == kesim::kUpdateDataReg)
                return false;
        }
        return true;
    }
    bool BothAccepted()
    {
        return mBus.model().Flash(kesim::FlashDevice::Xilinx).accepted &&
               mBus.model().Flash(kesim::FlashDevice::Mcore).accepted;
    }

    std::string mErrPath;  // standard error of the running command, readable meanwhile
    LogRedirect mQuiet{std::nullopt};  // the core's lines are not this test's output
    simbus::Bus mBus;
    KeScopedSleepFunction mClock{[](UInt32) {}};
    APW::PTA::CKeFirmwareUpdate mUpdate;
};

}  // namespace

TEST_F(CliAppTest, StatusOfAMixedUnitAHeldUnitAndNone)
{
    // One half older, the other newer: a downgrade, as the window decides.
    SetVersions(20, 27);
    CliOptions status;
    status.json = true;
    const CliRun mixed = Run(status);
    EXPECT_EQ(mixed.code, kExitSuccess);
    EXPECT_EQ(mixed.Json()["change"], "downgrade");
    EXPECT_EQ(mixed.Json()["serial_number"], "Not Available");
    EXPECT_EQ(mixed.err, "") << "the object carries it all";

    // Another program holds the unit: it is there, but not to be had.
    ASSERT_TRUE(mBus.model().Acquire());
    const CliRun held = Run(CliOptions{});
    mBus.model().Relinquish();
    EXPECT_EQ(held.code, kExitNoAccess);
    EXPECT_THAT(held.err, HasSubstr("another program holds it"));

    mBus.Unplug();
    const CliRun none = Run(CliOptions{});
    EXPECT_EQ(none.code, kExitNoUnit);
    EXPECT_THAT(none.out, HasSubstr("Ke Not Found\n"));
}

TEST_F(CliAppTest, UpdateWithJsonWritesBothImagesAndPrintsOnlyTheObject)
{
    // Each new phase holds the worker until the poller has printed it.
    ProgressSample last{0, static_cast<DownloadProgress::Phase>(-1), Xilinx};
    std::map<std::string, size_t> printed;
    const std::thread::id poller = std::this_thread::get_id();
    KeScopedSleepFunction phaseClock([&](UInt32) {
        const ProgressSample now{0, gDownloadProgress.GetPhase(), gDownloadProgress.GetPhaseDevice()};
        if (std::this_thread::get_id() == poller || now.SameStep(last)) return;
        last = now;
        const std::string line = ProgressBar::StepText(now) + "\n";
        const size_t wanted = ++printed[line];
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            std::ifstream file(mErrPath);
            const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
            size_t count = 0;
            for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) ++count;
            if (count >= wanted) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    const CliRun run = Run(Update(true));
    EXPECT_EQ(run.code, kExitSuccess) << run.err;
    const auto object = run.Json();  // throws unless stdout is exactly JSON
    EXPECT_EQ(object["command"], "update");
    EXPECT_EQ(object["result"], "success");
    EXPECT_EQ(object["installed_version"], "20-25");
    EXPECT_TRUE(object["failed_image"].is_null());
    EXPECT_TRUE(BothAccepted());
    EXPECT_FALSE(mBus.model().Owned());

    // A pipe gets one line per phase, in the job's order, and the verdict.
    const std::vector<std::string> steps = {"  0% preparing\n", " 40% erasing FPGA\n", "writing FPGA\n",
                                            "% preparing\n", " 80% erasing microcontroller\n",
                                            "writing microcontroller\n",
                                            "100% writing microcontroller", "Programming Complete",
                                            "cycle the Power on your Ke"};
    size_t at = 0;
    for (const auto& step : steps) {
        const size_t found = run.err.find(step, at);
        ASSERT_NE(found, std::string::npos) << step << " in\n" << run.err;
        at = found;
    }
    EXPECT_THAT(run.err, Not(HasSubstr("\r")));
    EXPECT_THAT(run.err, Not(HasSubstr("Sending Data"))) << "the core's lines stay off the terminal";
}

TEST_F(CliAppTest, ConfirmationOnATerminalOnly)
{
    CliOptions ask = Update();
    ask.yes = false;

    const CliRun script = Run(ask, "y\n", false);
    EXPECT_EQ(script.code, kExitUsage) << "no terminal: no waiting for an answer";
    EXPECT_THAT(script.err, HasSubstr("--yes"));

    SetVersions(22, 26);
    ask.allowDowngrade = true;
    const CliRun declined = Run(ask, "n\n", true);
    EXPECT_EQ(declined.code, kExitCancelled);
    EXPECT_THAT(declined.err, HasSubstr("This is a Downgrade: write firmware 21-26 over 22-26"));
    EXPECT_TRUE(NothingWritten());

    // The user may start the editor while the prompt waits.
    int checks = 0;
    {
        std::FILE* in = std::tmpfile();
        std::fputs("y\n", in);
        std::rewind(in);
        std::FILE* err = std::tmpfile();
        std::FILE* out = std::tmpfile();
        Console answering(out, err, in, true, false);
        CliApp app(mUpdate, answering, ask);
        app.SetApplicationCheck([&] { return ++checks > 1; });
        EXPECT_EQ(app.Run(), kExitApplicationRunning);
        std::fclose(in);
        std::fclose(err);
        std::fclose(out);
    }
    EXPECT_EQ(checks, 2);
    EXPECT_TRUE(NothingWritten());

    const CliRun confirmed = Run(ask, "yes\n", true, true);
    EXPECT_EQ(confirmed.code, kExitSuccess) << confirmed.err;
    EXPECT_THAT(confirmed.err, HasSubstr("\r[")) << "a terminal gets a bar drawn in place";
    EXPECT_TRUE(BothAccepted());
}

TEST_F(CliAppTest, SignalsDuringTheWriteWaitForTheJob)
{
    std::atomic<bool> sent{false};
    std::atomic<bool> stillWriting{false};
    // The worker's pauses: at the first one while the FPGA is written, the
    // user presses Ctrl-C (and the session hangs up).
    KeScopedSleepFunction signalMidWrite([&](UInt32) {
        if (sent.load() || gDownloadProgress.GetPhase() != DownloadProgress::kPhaseProgramming) return;
        sent = true;
        kill(getpid(), SIGINT);
        kill(getpid(), SIGHUP);
        stillWriting = gDownloadProgress.GetPhaseDevice() == Xilinx;
    });
    const CliRun run = Run(Update(true));
    ASSERT_TRUE(sent.load());
    EXPECT_TRUE(stillWriting.load());
    EXPECT_EQ(run.code, kExitSuccess) << "the job's result, not the signal's";
    EXPECT_TRUE(BothAccepted());
    EXPECT_THAT(run.err, HasSubstr("the update cannot be interrupted safely; it goes on"));
    const std::string deferred = run.Json()["deferred_signal"];
    EXPECT_TRUE(deferred == "SIGINT" || deferred == "SIGHUP") << deferred;

    // Outside the job the default action is back.
    struct sigaction now;
    sigaction(SIGINT, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
}
