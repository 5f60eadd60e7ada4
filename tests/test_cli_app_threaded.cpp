// SPDX-License-Identifier: MIT
// The two commands in-process against the simulated unit: the window's rules
// they keep, and the prompt before the update job they run and follow.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/CliApp.h"
#include "macapps/KEFirmwareUpdate/kefirmwareupdate.h"
#include "platform/log/RotatingLog.h"
#include "platform/threads/Sleep.h"
#include "tests/support/FakeFireWire.h"
#include "tests/support/SimBus.h"

using namespace kecli;
using testing::HasSubstr;

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

    // `applicationRunning` stands in for the process list; the real one runs end to end.
    CliRun Run(
        CliOptions options, const std::string& input = "", bool terminal = false,
        std::function<bool()> applicationRunning = [] { return false; })
    {
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        std::FILE* in = std::tmpfile();
        std::fputs(input.c_str(), in);
        std::rewind(in);
        CliRun run;
        {
            Console console(out, err, in, terminal, terminal);
            CliApp app(*mUpdate, console, options);
            app.SetPollInterval(std::chrono::milliseconds(1));
            app.SetApplicationCheck(applicationRunning);
            run.code = app.Run();
        }
        run.out = Contents(out);
        run.err = Contents(err);
        std::fclose(out);
        std::fclose(err);
        std::fclose(in);
        return run;
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

    // The core's lines are not this test's output: no file, no echo.
    kelog::RotatingLog mQuiet{{"quiet", std::string(), 0, kelog::RotatingLog::Echo::kNone}};
    simbus::Bus mBus;
    std::unique_ptr<APW::PTA::CKeFirmwareUpdate> mUpdate = std::make_unique<APW::PTA::CKeFirmwareUpdate>(mBus.Seams());
};

}  // namespace

TEST_F(CliAppTest, StatusOfAMixedUnitAndAHeldUnit)
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
}

TEST_F(CliAppTest, AUnitThisUserMayNotOpen)
{
    auto bus = std::make_shared<fakefw::Transport>();
    bus->Add()->openStatus = kIOReturnNotPermitted;
    mUpdate = std::make_unique<APW::PTA::CKeFirmwareUpdate>(APW::PTA::UpdateSeams{{bus}, simbus::NoPause});
    const CliRun denied = Run(CliOptions{});
    EXPECT_EQ(denied.code, kExitNoAccess);
    EXPECT_THAT(denied.err, HasSubstr("may not open"));
}

TEST_F(CliAppTest, ConfirmationOnATerminal)
{
    CliOptions ask;
    ask.command = Command::kUpdate;
    ask.allowDowngrade = true;
    SetVersions(22, 26);
    const CliRun declined = Run(ask, "n\n", true);
    EXPECT_EQ(declined.code, kExitCancelled);
    EXPECT_THAT(declined.err, HasSubstr("This is a Downgrade: write firmware 21-26 over 22-26"));
    EXPECT_TRUE(NothingWritten());

    // The user may start the editor while the prompt waits.
    int checks = 0;
    EXPECT_EQ(Run(ask, "y\n", true, [&] { return ++checks > 1; }).code, kExitApplicationRunning);
    EXPECT_EQ(checks, 2);
    EXPECT_TRUE(NothingWritten());

    const CliRun confirmed = Run(ask, "yes\n", true);
    EXPECT_EQ(confirmed.code, kExitSuccess) << confirmed.err;
    EXPECT_THAT(confirmed.err, HasSubstr("\r[")) << "a terminal gets a bar drawn in place";
    EXPECT_TRUE(BothAccepted());
}
