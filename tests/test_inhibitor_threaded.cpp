// Shutdown and sleep are held off through logind while the update job writes
// the flashes: against a stand-in logind on a private bus, and with no bus.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <thread>
#include <tuple>

#include "macapps/KEFirmwareUpdate/kefirmwareupdate.h"
#include "platform/threads/Sleep.h"
#include "tests/support/ChildProgram.h"
#include "tests/support/SimBus.h"
#include "tests/support/SocketSim.h"

using APW::PTA::CKeFirmwareUpdate;
using namespace std::chrono_literals;
using Inhibitor = std::tuple<std::string, std::string, std::string, std::string>;  // what, who, why, mode

namespace {

// The locks logind holds, or nullopt when it cannot be asked.
std::optional<std::vector<Inhibitor>> ListInhibitors()
{
    sd_bus* bus = nullptr;
    if (sd_bus_open_system(&bus) < 0) return std::nullopt;
    std::unique_ptr<sd_bus, sd_bus* (*)(sd_bus*)> owned(bus, sd_bus_flush_close_unref);
    sd_bus_message* reply = nullptr;
    if (sd_bus_call_method(bus, "org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                           "ListInhibitors", nullptr, &reply, "") < 0)
        return std::nullopt;
    std::unique_ptr<sd_bus_message, sd_bus_message* (*)(sd_bus_message*)> message(reply, sd_bus_message_unref);
    std::vector<Inhibitor> locks;
    const char *what, *who, *why, *mode;
    uint32_t uid, pid;
    sd_bus_message_enter_container(reply, 'a', "(ssssuu)");
    while (sd_bus_message_read(reply, "(ssssuu)", &what, &who, &why, &mode, &uid, &pid) > 0)
        locks.emplace_back(what, who, why, mode);
    return locks;
}

bool WaitDone(const CKeFirmwareUpdate& update)
{
    for (int i = 0; i < 60000 && !update.GetDoneStatus(); ++i) std::this_thread::sleep_for(2ms);
    return update.GetDoneStatus();
}

class Inhibition : public testing::Test {
protected:
    void TearDown() override { unsetenv("DBUS_SYSTEM_BUS_ADDRESS"); }

    // A private bus with a stand-in logind on it, as the system bus.
    void StartLogind()
    {
        if (access("/usr/bin/dbus-daemon", X_OK) != 0) GTEST_SKIP() << "dbus-daemon is not installed";
        mBusDaemon = std::make_unique<childproc::Program>(
            std::vector<std::string>{"/usr/bin/dbus-daemon", "--session", "--nofork", "--print-address=1"},
            std::map<std::string, std::string>{}, mDir.path());
        ASSERT_TRUE(mBusDaemon->WaitFor("unix:", 10s)) << mBusDaemon->Err();
        const std::string out = mBusDaemon->Out();
        setenv("DBUS_SYSTEM_BUS_ADDRESS", out.substr(0, out.find('\n')).c_str(), 1);
        mLogind = std::make_unique<childproc::Program>(
            std::vector<std::string>{"/usr/bin/python3", "-m", "dbusmock", "--system", "--template", "logind"},
            std::map<std::string, std::string>{}, mDir.path());
        for (int i = 0; i < 500 && !ListInhibitors(); ++i) std::this_thread::sleep_for(20ms);
        ASSERT_TRUE(ListInhibitors()) << mLogind->Err();
    }

    socksim::TempDir mDir;
    std::unique_ptr<childproc::Program> mBusDaemon;
    std::unique_ptr<childproc::Program> mLogind;
    simbus::Bus mBus;
    CKeFirmwareUpdate mUpdate;
};

}  // namespace

TEST_F(Inhibition, HeldFromBeforeTheFirstEraseUntilTheJobEnds)
{
    StartLogind();
    // The first pause of the job comes after the unit was put in update mode,
    // before any erase command.
    std::optional<std::vector<Inhibitor>> heldBeforeErase;
    bool erasedBefore = true;
    KeScopedSleepFunction clock([&](UInt32) {
        if (heldBeforeErase) return;
        heldBeforeErase = ListInhibitors();
        erasedBefore = false;
        for (const auto& t : mBus.model().Log()) erasedBefore |= t.offset == kesim::kUpdateCommandReg;
    });
    ASSERT_TRUE(mUpdate.IsFound());
    ASSERT_TRUE(mUpdate.DoUpdate());
    ASSERT_TRUE(WaitDone(mUpdate));
    EXPECT_TRUE(mUpdate.GetUpdateResult().Succeeded());
    EXPECT_FALSE(erasedBefore);
    EXPECT_THAT(heldBeforeErase.value_or(std::vector<Inhibitor>{}),
                testing::ElementsAre(Inhibitor{"shutdown:sleep", "KEFirmwareUpdate", "Writing the Ke's firmware", "block"}));

    // The job closed the lock's descriptor; logind drops the lock on noticing.
    std::optional<std::vector<Inhibitor>> after;
    for (int i = 0; i < 250 && !(after = ListInhibitors(), after && after->empty()); ++i) std::this_thread::sleep_for(20ms);
    EXPECT_EQ(after, std::vector<Inhibitor>{});
}

TEST_F(Inhibition, WithoutABusTheUpdateGoesOnAndTheLogSaysSo)
{
    setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + (mDir / "no-bus")).c_str(), 1);
    KeScopedSleepFunction clock([](UInt32) {});
    testing::internal::CaptureStderr();
    ASSERT_TRUE(mUpdate.IsFound());
    ASSERT_TRUE(mUpdate.DoUpdate());
    ASSERT_TRUE(WaitDone(mUpdate));
    EXPECT_THAT(testing::internal::GetCapturedStderr(),
                testing::HasSubstr("Shutdown and sleep are not inhibited during the update: no system bus"));
    EXPECT_TRUE(mUpdate.GetUpdateResult().Succeeded());
}
