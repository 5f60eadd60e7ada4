// SPDX-License-Identifier: MIT
// The two commands in-process against the simulated unit: the window's rules
// they keep, and the prompt before the update job they run and follow.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <linux/firewire-constants.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "cli/CliApp.h"
#include "macapps/KEFirmwareUpdate/kefirmwareupdate.h"
#include "platform/log/RotatingLog.h"
#include "tests/support/FakeFireWire.h"
#include "tests/support/SimUnits.h"

using namespace kecli;
using testing::HasSubstr;

namespace {

using childproc::Contents;
using simunits::Ran;

class CliAppTest : public testing::Test {
protected:
    // `applicationRunning` stands in for the process list; the real one runs end to end.
    simunits::Result Run(
        CliOptions options, const std::string& input = "", bool terminal = false,
        std::function<bool()> applicationRunning = [] { return false; })
    {
        const childproc::File out = childproc::TempFile(), err = childproc::TempFile(), in = childproc::TempFile();
        std::fputs(input.c_str(), in.get());
        std::rewind(in.get());
        const int code = [&] {
            Console console(out.get(), err.get(), in.get(), terminal, terminal);
            CliApp app(*mUpdate, console, options);
            app.SetPollInterval(std::chrono::milliseconds(1));
            app.SetApplicationCheck(applicationRunning);
            return app.Run();
        }();
        return {code, Contents(out.get()), Contents(err.get())};
    }

    bool NothingWritten()
    {
        return std::ranges::none_of(mBus.model().Log(), [](const auto& t) {
            return t.tcode != TCODE_READ_QUADLET_REQUEST && t.tcode != TCODE_READ_BLOCK_REQUEST;
        });
    }

    // The core's lines are not this test's output: no file, no echo.
    kelog::RotatingLog mQuiet{{"quiet", std::string(), 0, kelog::RotatingLog::Echo::kNone}};
    simbus::Bus mBus{kesim::KeUnitConfig{.eraseBusyReads = 1}};
    std::unique_ptr<APW::PTA::CKeFirmwareUpdate> mUpdate = std::make_unique<APW::PTA::CKeFirmwareUpdate>(mBus.Seams());
};

}  // namespace

// There, but not to be had: held by another program, or not this user's to open.
TEST_F(CliAppTest, AUnitNotToBeHadIsNoAccess)
{
    ASSERT_TRUE(mBus.model().Acquire());
    EXPECT_THAT(Run(CliOptions{}), Ran(kExitNoAccess, HasSubstr("another program holds it")));
    mBus.model().Relinquish();
    auto bus = std::make_shared<fakefw::Transport>();
    bus->Add()->openStatus = kIOReturnNotPermitted;
    mUpdate = std::make_unique<APW::PTA::CKeFirmwareUpdate>(APW::PTA::UpdateSeams{{bus}, simbus::NoPause});
    EXPECT_THAT(Run(CliOptions{}), Ran(kExitNoAccess, HasSubstr("may not open")));
}

TEST_F(CliAppTest, ConfirmationOnATerminal)
{
    CliOptions ask;
    ask.command = Command::kUpdate;
    ask.allowDowngrade = true;
    mBus.model().ChangeConfig([](kesim::KeUnitConfig& c) { c.softwareVersion = (22u << 16) | 26; });
    EXPECT_THAT(Run(ask, "n\n", true),
                Ran(kExitCancelled, HasSubstr("This is a Downgrade: write firmware 21-26 over 22-26")));
    EXPECT_TRUE(NothingWritten());

    // The user may start the editor while the prompt waits.
    int checks = 0;
    EXPECT_EQ(Run(ask, "y\n", true, [&] { return ++checks > 1; }).code, kExitApplicationRunning);
    EXPECT_EQ(checks, 2);
    EXPECT_TRUE(NothingWritten());

    // A terminal gets a bar drawn in place.
    EXPECT_THAT(Run(ask, "yes\n", true), Ran(kExitSuccess, HasSubstr("\r[")));
    EXPECT_TRUE(mBus.model().Flash(kesim::FlashDevice::Xilinx).accepted &&
                mBus.model().Flash(kesim::FlashDevice::Mcore).accepted);
}

// Listing units describes them; only the choice of --unit decides the unit written.
TEST_F(CliAppTest, DescribingUnitsLeavesTheUnitWrittenToTheChoice)
{
    simbus::Bus second{kesim::KeUnitConfig{.guid = 0x000A270000000043}};
    fwplat::Transports both = mBus.transports();
    both.push_back(second.transports().front());
    mUpdate = std::make_unique<APW::PTA::CKeFirmwareUpdate>(APW::PTA::UpdateSeams{both, simbus::NoPause});
    EXPECT_EQ(Run(CliOptions{}).code, kExitSuccess);
    EXPECT_FALSE(mUpdate->GetShownUnit().has_value()) << "listing showed a unit to the next job";

    CliOptions first;
    first.command = Command::kUpdate;
    first.yes = true;
    first.unit = "0x000a270000000042";
    EXPECT_EQ(Run(first).code, kExitSuccess);
    EXPECT_TRUE(mBus.model().Flash(kesim::FlashDevice::Xilinx).accepted);
    EXPECT_FALSE(second.model().Flash(kesim::FlashDevice::Xilinx).erased) << "the unit not chosen was written";
}
