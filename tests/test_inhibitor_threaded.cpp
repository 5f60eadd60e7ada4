// SPDX-License-Identifier: MIT
// Shutdown and sleep are held off through logind while the update job writes
// the flashes: against a stand-in logind on a private bus, and with no bus.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <memory>
#include <thread>

#include "macapps/KEFirmwareUpdate/kefirmwareupdate.h"
#include "platform/threads/Sleep.h"
#include "tests/support/ChildProgram.h"
#include "tests/support/SimBus.h"
#include "tests/support/SocketSim.h"

using namespace std::chrono_literals;
using Locks = std::vector<std::string>;  // "what who why mode" of each

namespace {

// The locks logind holds, or nullopt when it cannot be asked.
std::optional<Locks> ListInhibitors()
{
    sd_bus* bus = nullptr;
    sd_bus_message* reply = nullptr;
    if (sd_bus_open_system(&bus) < 0) return std::nullopt;
    const std::unique_ptr<sd_bus, sd_bus* (*)(sd_bus*)> ownBus(bus, sd_bus_flush_close_unref);
    if (sd_bus_call_method(bus, "org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                           "ListInhibitors", nullptr, &reply, "") < 0)
        return std::nullopt;
    const std::unique_ptr<sd_bus_message, sd_bus_message* (*)(sd_bus_message*)> ownReply(reply, sd_bus_message_unref);
    Locks locks;
    const char *what, *who, *why, *mode;
    uint32_t uid, pid;
    sd_bus_message_enter_container(reply, 'a', "(ssssuu)");
    while (sd_bus_message_read(reply, "(ssssuu)", &what, &who, &why, &mode, &uid, &pid) > 0)
        locks.push_back(std::string(what) + " " + who + " " + why + " " + mode);
    return locks;
}

class Inhibition : public testing::Test {
protected:
    void TearDown() override { unsetenv("DBUS_SYSTEM_BUS_ADDRESS"); }

    // A private bus, named as the system bus, with a stand-in logind on it.
    void StartLogind()
    {
        if (access("/usr/bin/dbus-daemon", X_OK) != 0) GTEST_SKIP() << "dbus-daemon is not installed";
        mDaemon = std::make_unique<childproc::Program>(
            Args{"/usr/bin/dbus-daemon", "--session", "--nofork", "--print-address=1"}, Env{}, mDir.path());
        ASSERT_TRUE(mDaemon->WaitFor("unix:", 10s)) << mDaemon->Err();
        const std::string address = mDaemon->Out();
        setenv("DBUS_SYSTEM_BUS_ADDRESS", address.substr(0, address.find('\n')).c_str(), 1);
        mLogind = std::make_unique<childproc::Program>(
            Args{"/usr/bin/python3", "-m", "dbusmock", "--system", "--template", "logind"}, Env{}, mDir.path());
        for (int i = 0; i < 500 && !ListInhibitors(); ++i) std::this_thread::sleep_for(20ms);
        ASSERT_TRUE(ListInhibitors()) << mLogind->Err();
    }
    void RunJob()
    {
        ASSERT_TRUE(mUpdate.IsFound());
        ASSERT_TRUE(mUpdate.DoUpdate());
        for (int i = 0; i < 60000 && !mUpdate.GetDoneStatus(); ++i) std::this_thread::sleep_for(2ms);
        EXPECT_TRUE(mUpdate.GetUpdateResult().Succeeded());
    }

    using Args = std::vector<std::string>;
    using Env = std::map<std::string, std::string>;
    socksim::TempDir mDir;
    std::unique_ptr<childproc::Program> mDaemon, mLogind;
    simbus::Bus mBus;
    KeSleepFunction mPause = simbus::NoPause;
    APW::PTA::CKeFirmwareUpdate mUpdate{mBus.Seams([this](UInt32 us) { mPause(us); })};
};

}  // namespace

TEST_F(Inhibition, HeldFromBeforeTheFirstEraseUntilTheJobEnds)
{
    StartLogind();
    // The job's first pause follows the unit's update mode, before any erase command.
    std::optional<Locks> heldFirst;
    bool erased = true;
    mPause = [&](UInt32) {
        if (heldFirst) return;
        heldFirst = ListInhibitors();
        erased = false;
        for (const auto& t : mBus.model().Log()) erased |= t.offset == kesim::kUpdateCommandReg;
    };
    RunJob();
    EXPECT_FALSE(erased);
    EXPECT_EQ(heldFirst, Locks{"shutdown:sleep KEFirmwareUpdate Writing the Ke's firmware block"});

    // The job closed the lock's descriptor; logind drops the lock on noticing.
    std::optional<Locks> after;
    for (int i = 0; i < 250 && (after = ListInhibitors()) != Locks{}; ++i) std::this_thread::sleep_for(20ms);
    EXPECT_EQ(after, Locks{});
}

TEST_F(Inhibition, WithoutABusTheUpdateGoesOnAndTheLogSaysSo)
{
    setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + (mDir / "no-bus")).c_str(), 1);
    testing::internal::CaptureStderr();
    RunJob();
    EXPECT_THAT(testing::internal::GetCapturedStderr(),
                testing::HasSubstr("Shutdown and sleep are not inhibited during the update: no system bus"));
}
