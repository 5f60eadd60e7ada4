// SPDX-License-Identifier: MIT
// The main window's state machine, end to end: the real controller, update
// job and worker thread over the simulated unit in this process, a stand-in
// process list, and the window on the offscreen platform.
#include <gmock/gmock.h>

#include <QAccessible>
#include <QComboBox>
#include <iostream>
#include <sstream>
#include <thread>

#include "platform/ui/FitToText.h"
#include "tests/gui/DialogTestSupport.h"
#include "tests/support/SocketSim.h"

using dialogtest::Window;
using testing::AllOf;
using testing::EndsWith;
using testing::HasSubstr;
using testing::Not;

namespace {

constexpr UInt32 Versions(UInt32 mcore, UInt32 xilinx) { return (mcore << 16) | xilinx; }

bool UpdateModeWasEntered(kesim::KeUnitModel& model)
{
    return std::ranges::any_of(model.Log(), [](const auto& t) {
        return t.offset == kesim::kUpdateControlReg && !t.data.empty() && t.data.back() == 1;
    });
}

QComboBox* Popup(Window& w) { return w.Widget<QComboBox>(204); }

// Whether the update button and the cancel button are enabled.
std::pair<bool, bool> Buttons(Window& w) { return {w.Button(101)->isEnabled(), w.Button(100)->isEnabled()}; }

// Another unit on the bus.
std::shared_ptr<kesim::KeUnitModel> Plug(Window& w, const char* serial, UInt32 versions, UInt64 guid)
{
    auto unit = std::make_shared<kesim::KeUnitModel>();
    unit->SetSerialNumber(serial);
    unit->SetSoftwareVersion(versions);
    unit->ChangeConfig([&](kesim::KeUnitConfig& c) { c.guid = guid; });
    w.bus.transport().Plug(unit);
    return unit;
}

QStringList Entries(Window& w)
{
    QStringList entries;
    for (int i = 0; i < Popup(w)->count(); ++i) entries << Popup(w)->itemText(i);
    return entries;
}

// What the window writes to its log (standard output and error) meanwhile.
class LogCapture {
public:
    LogCapture() : mOut(std::cout.rdbuf(&mText)), mErr(std::cerr.rdbuf(&mText)) {}
    ~LogCapture() { std::cout.rdbuf(mOut), std::cerr.rdbuf(mErr); }
    std::vector<std::string> Take()  // the lines written since the last call
    {
        std::vector<std::string> lines;
        std::istringstream text(std::exchange(mText, std::stringbuf()).str());
        for (std::string line; std::getline(text, line);) lines.push_back(line);
        return lines;
    }

private:
    std::stringbuf mText;
    std::streambuf *mOut, *mErr;
};

}  // namespace

TEST(Dialog, AUnitIsOfferedOnlyWhilePluggedOpenableAndReadableTheLineSaysWhyAndNoTickWaits)
{
    Window w;
    ASSERT_TRUE(w.bus.model().Acquire());  // another program holds it
    w.Tick();
    EXPECT_EQ("Ke Not Found", w.Version());
    EXPECT_THAT(w.Instruction(), HasSubstr("another program is using it"));
    EXPECT_FALSE(w.Button(101)->isEnabled());

    w.bus.model().Relinquish();
    w.bus.model().ChangeConfig([](kesim::KeUnitConfig& c) { c.failReadOffset = kesim::kSoftwareVersionReg; });
    w.Tick();  // nor one whose version cannot be read
    EXPECT_EQ("Ke Not Found", w.Version());
    EXPECT_EQ("Not offered: the unit did not answer its version read: refused by the unit (0xE0008015).",
              w.Instruction());
    w.bus.model().ChangeConfig([](kesim::KeUnitConfig& c) { c.failReadOffset.reset(); });
    w.Tick();
    EXPECT_EQ("Select Upgrade button to download firmware version 21-26 to Ke:", w.Instruction());

    // Held while on show (another program's discovery holds it a moment): asked again soon, not offered meanwhile.
    ASSERT_TRUE(w.bus.model().Acquire());
    w.Tick();
    EXPECT_THAT(w.Instruction(), HasSubstr("Select Upgrade"));
    EXPECT_EQ(std::pair(false, true), std::pair(w.Button(101)->isEnabled(), w.dialog->HoldRecheck().isActive()));
    for (int tick = 0; tick < 20; ++tick) w.Tick();
    EXPECT_EQ(NotFoundAdvice(kIOReturnExclusiveAccess), w.Instruction()) << "a longer hold is told";
    EXPECT_THAT(NotFoundAdvice(kIOReturnNotPermitted), HasSubstr("video group"));

    w.bus.model().Relinquish();
    w.bus.Unplug();
    w.processes.Start("kdenlive");  // asked only when a unit is there
    w.Button(100)->setEnabled(false);
    const auto shown = [&] {
        return std::tuple(w.Version(), w.Serial(), w.Instruction(), w.Button(101)->isEnabled(), w.WarningShown());
    };
    const auto none = std::tuple("Ke Not Found", "Ke Not Found", "", false, false);
    w.Tick();
    EXPECT_EQ(none, shown());
    EXPECT_FALSE(w.Button(100)->isEnabled()) << "without a unit the cancel button is not touched";

    // Plugged in while a video editor runs: the update is held back until it ends.
    w.bus.Plug();
    w.Tick();
    EXPECT_EQ(std::tuple("20-25", "Not Available", std::pair(false, true), "Upgrade", true),
              std::tuple(w.Version(), w.Serial(), Buttons(w), w.Button(101)->text().toStdString(), w.WarningShown()));
    EXPECT_EQ(QColor(255, 0, 0), w.Label(202)->palette().color(QPalette::WindowText));
    const QString warning = QAccessible::queryAccessibleInterface(w.Label(202))->text(QAccessible::Name);
    EXPECT_EQ(w.Label(202)->text(), warning) << "screen readers read the warning itself";
    w.processes.Stop("kdenlive");
    w.processes.Start("bash");  // not a video program
    w.Tick();
    EXPECT_EQ(std::pair(true, false), std::pair(w.Button(101)->isEnabled(), w.WarningShown()));

    w.bus.model().Vanish();
    w.Tick();
    EXPECT_EQ(none, shown());
    EXPECT_EQ(0, w.gate.pauses) << "a tick never waits";
}

TEST(Dialog, NewerUnitAsksBeforeADowngradeAndOnlyOkForTheUnitShownStartsItOnTheNextTick)
{
    Window w;
    w.bus.model().SetSoftwareVersion(Versions(22, 26));
    w.Tick();
    EXPECT_EQ(std::tuple("22-26", "Select Downgrade button to download firmware version 21-26 to Ke:", "Downgrade"),
              std::tuple(w.Version(), w.Instruction(), w.Button(101)->accessibleName().toStdString()));

    w.alerts.Queue("Cancel");
    w.ClickUpdate();
    EXPECT_EQ(std::tuple(1, WAITFORINPUT, std::pair(true, true)),
              std::tuple(w.quits, w.dialog->GetUpdateState(), Buttons(w)))
        << "state and buttons are left as they were";
    w.Tick();

    // A confirmation is not carried over to another unit, or to a version, the
    // window, ticking on under the alert, has come to show meanwhile.
    for (const UInt32 version : {Versions(22, 26), Versions(23, 26)}) {
        w.alerts.onShow = [&](QMessageBox*) {
            w.bus.model().SetSerialNumber("KE999999");
            w.bus.model().SetSoftwareVersion(version);
            w.Tick();
        };
        w.alerts.Queue("OK");
        w.ClickUpdate();
        EXPECT_EQ(WAITFORINPUT, w.dialog->GetUpdateState());
        w.Tick();  // the unit log's check below covers these ticks too
    }

    // Confirmed for the unit shown (the quit request above is the application's to act on).
    w.alerts.onShow = nullptr;
    w.alerts.Queue("OK");
    w.ClickUpdate();
    EXPECT_EQ(std::tuple(4, STARTUPDATE, std::pair(false, false), false),
              std::tuple(w.alerts.Count("This is a Downgrade:"), w.dialog->GetUpdateState(), Buttons(w),
                         UpdateModeWasEntered(w.bus.model())))
        << "the click itself starts nothing";
    w.Tick();
    EXPECT_EQ(UPDATING, w.dialog->GetUpdateState());
    ASSERT_TRUE(w.TickUntilIdle());
    EXPECT_EQ(std::tuple(true, true, 1, 2), std::tuple(w.bus.model().Flash(kesim::FlashDevice::Xilinx).accepted,
                                                       w.bus.model().Flash(kesim::FlashDevice::Mcore).accepted,
                                                       w.alerts.Count("Programming Complete"), w.quits));
}

TEST(Dialog, FailedJobsAreReportedTheWindowGoesIdleWithoutQuittingAndTheBarShowsNoOldValue)
{
    Window w;
    // A job that fails late leaves the shared progress high.
    w.bus.model().ChangeConfig([](kesim::KeUnitConfig& c) {
        c.faultFlash = kesim::FlashDevice::Mcore;
        c.refuseCrc = true;
    });
    w.Tick();
    ASSERT_TRUE(w.UpdateToEnd());
    ASSERT_GT(gDownloadProgress.Get(), 50u);
    ASSERT_EQ(1u, w.alerts.seen.size());
    const auto& failed = w.alerts.seen[0];
    EXPECT_EQ(std::tuple("Programming Failed", 0), std::tuple(failed.text.toStdString(), w.Bar()->value()));
    EXPECT_THAT(failed.informative.toStdString(),
                AllOf(HasSubstr("microcontroller image failed at the CRC check"),
                      HasSubstr("0xE0008015). The FPGA image was written. Do not power"),
                      EndsWith(" The details are in /state/KEFirmwareUpdate.log.")));
    EXPECT_GT(failed.barValue, 0) << "while the alert is up the bar still shows where the job stopped";

    // Idle again, the update is offered; this time no unit is found at all.
    w.Tick();
    EXPECT_EQ(std::pair(true, true), Buttons(w));
    w.ClickUpdate();
    w.bus.Unplug();
    ASSERT_TRUE(w.TickUntilIdle());
    ASSERT_EQ(2u, w.alerts.seen.size());
    const auto& notFound = w.alerts.seen[1];
    EXPECT_THAT(notFound.informative.toStdString(), AllOf(HasSubstr("not found"), HasSubstr("nothing was written")));
    EXPECT_EQ(0, notFound.barValue);
    w.Tick();
    EXPECT_EQ("Ke Not Found", w.Version());
    EXPECT_EQ(std::pair(false, true), Buttons(w)) << "without a unit the user can still leave";

    // Back and no longer refusing: the update may now succeed.
    w.bus.Plug();
    w.bus.model().ChangeConfig([](kesim::KeUnitConfig& c) { c.refuseCrc = false; });
    w.Tick();
    w.ClickUpdate();
    ASSERT_TRUE(w.bus.model().Acquire());  // held by another program when the job opens it
    ASSERT_TRUE(w.TickUntilIdle());
    w.bus.model().Relinquish();
    EXPECT_THAT(w.alerts.seen.back().informative.toStdString(),
                AllOf(HasSubstr("did not start: another program holds"), Not(HasSubstr("power off"))));
    w.Tick();
    ASSERT_TRUE(w.UpdateToEnd());
    EXPECT_EQ(std::pair(1, 1), std::pair(w.alerts.Count("Programming Complete"), w.quits)) << "failures do not quit";
}

TEST(Dialog, TheBarFollowsTheJobQuitAndCloseBoxWaitForItsEndAboutWorksAlwaysAndTheEndIsAlertedOnce)
{
    Window w;
    const auto aboutShown = [&] { return w.alerts.Count("KEFirmwareUpdate  "); };
    w.Command(kHICommandAbout);
    EXPECT_EQ(1, aboutShown());
    w.Tick();
    w.gate.Arm(30);
    w.ClickUpdate();
    EXPECT_EQ(1u, w.alerts.seen.size()) << "an upgrade needs no confirmation";
    ASSERT_EQ(STARTUPDATE, w.dialog->GetUpdateState());
    for (const int shown : {2, 3}) {  // about to start, then writing
        if (shown == 3) {
            w.Tick();
            ASSERT_TRUE(w.gate.WaitBlocked());
            const UInt32 held = gDownloadProgress.Get();
            EXPECT_TRUE(held >= 30u && held < 100u) << held;
            w.Tick();
            EXPECT_EQ(static_cast<int>(held), w.Bar()->value());
            ASSERT_EQ(UPDATING, w.dialog->GetUpdateState());
        }
        w.Command(kHICommandAbout);
        EXPECT_EQ(shown, aboutShown());
        w.Command(kHICommandQuit);
        EXPECT_EQ((std::tuple{false, 0, true}), (std::tuple{w.CloseBox(), w.quits, w.main->isVisible()}));
    }

    w.gate.Release();
    ASSERT_TRUE(w.TickUntilIdle());
    EXPECT_EQ(std::pair(100, 1), std::pair(w.alerts.seen.back().barValue, w.quits)) << "the end shown, then OK quits";
    // The application would have ended; another tick only refreshes the window.
    w.Tick();
    EXPECT_EQ(1, w.alerts.Count("Programming Complete"));

    w.Command(kHICommandQuit);
    EXPECT_EQ(2, w.quits) << "idle, the standard handling quits";
    EXPECT_EQ((std::tuple{false, 3}), (std::tuple{w.CloseBox(), w.quits}));
    EXPECT_FALSE(w.dialog->ApplicationCommandHandler(QStringLiteral("xxxx"))) << "other commands are not the window's";

    ASSERT_TRUE(w.Activate());
    QTest::keyClick(w.main.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(4, w.quits) << "Ctrl+Q is the menu's Quit";
}

TEST(Dialog, SignalDuringTheWriteIsHeldThenTheResultQuitsWithoutAnAlert)
{
    Window w;
    EXPECT_FALSE(w.dialog->SignalEventHandler(SIGTERM)) << "idle: the caller quits at once";
    // Before the first erase a signal cancels the job; the window then quits as an idle one does.
    w.Tick();
    w.gate.Arm(0);
    w.ClickUpdate();
    w.Tick();
    ASSERT_TRUE(w.gate.WaitBlocked());
    EXPECT_TRUE(w.dialog->SignalEventHandler(SIGINT));
    w.gate.Release();
    ASSERT_TRUE(w.TickUntilIdle());
    EXPECT_EQ(std::pair(128 + SIGINT, false),
              std::pair(w.quitStatus, w.bus.model().Flash(kesim::FlashDevice::Xilinx).erased));
    w.bus.model().ChangeConfig([](kesim::KeUnitConfig& c) { c.refuseCrc = true; });
    w.Tick();
    w.gate.Arm(10);
    w.ClickUpdate();
    EXPECT_FALSE(w.dialog->SignalEventHandler(SIGHUP)) << "requested, but nothing is written yet";
    w.Tick();
    ASSERT_TRUE(w.gate.WaitBlocked());
    EXPECT_EQ(std::tuple("Updating the Ke: do not power it off or unplug it until the update is over.",
                         "Writing the FPGA image"),
              std::tuple(w.Instruction(), w.Bar()->accessibleName().toStdString()));

    EXPECT_TRUE(w.dialog->SignalEventHandler(SIGTERM));
    EXPECT_THAT(w.Instruction(), HasSubstr("will quit when the update is over"));
    w.Tick();  // no quit yet: the count below is the SIGINT's and the end's
    w.gate.Release();
    ASSERT_TRUE(w.TickUntilIdle());
    EXPECT_EQ(std::tuple(true, 2, 1, "Update progress"),
              std::tuple(w.alerts.seen.empty(), w.quits, w.quitStatus, w.Bar()->accessibleName().toStdString()))
        << "no alert; the failed update's status";
    w.Tick();
    EXPECT_EQ("Select Upgrade button to download firmware version 21-26 to Ke:", w.Instruction());
}

TEST(Dialog, WhileAnAlertIsOpenNoControlStartsAnythingWhateverInputReachesIt)
{
    Window w;
    w.bus.model().SetSoftwareVersion(Versions(22, 30));
    w.Tick();
    int quitsUnderTheAlert = -1;
    w.alerts.onShow = [&](QMessageBox*) {
        w.alerts.onShow = nullptr;
        // Accessibility actions pass by the alert's modality, as the menu's do.
        for (QWidget* control : {static_cast<QWidget*>(w.Button(101)), static_cast<QWidget*>(w.Button(100))}) {
            QAccessibleActionInterface* action = QAccessible::queryAccessibleInterface(control)->actionInterface();
            action->doAction(QAccessibleActionInterface::pressAction());
        }
        w.Command(kHICommandAbout);
        w.Command(kHICommandQuit);
        w.CloseBox();
        QTest::qWait(300);  // a pressed button clicks a moment later
        w.Tick();
        w.Tick();
        quitsUnderTheAlert = w.quits;
    };
    w.alerts.Queue("Cancel");
    w.ClickUpdate();
    EXPECT_EQ(std::tuple(1, 0, 1, WAITFORINPUT, false),
              std::tuple(int(w.alerts.seen.size()), quitsUnderTheAlert, w.quits, w.dialog->GetUpdateState(),
                         UpdateModeWasEntered(w.bus.model())))
        << "one confirmation; its Cancel quits, nothing else did";
}

TEST(Dialog, AQuitDuringTheWriteComesAfterItsEndAndTheControllerOutlivesItsWorker)
{
    for (const bool windowEnds : {false, true}) {
        Window w;
        w.Tick();
        w.gate.Arm(30);
        w.ClickUpdate();
        w.Tick();
        ASSERT_TRUE(w.gate.WaitBlocked());
        if (windowEnds) {
            std::thread releaser([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                w.gate.Release();
            });
            w.dialog.reset();  // as the application's end does
            releaser.join();
            EXPECT_TRUE(w.bus.model().Flash(kesim::FlashDevice::Mcore).accepted) << "the job ended first";
            continue;
        }
        w.dialog->CancelEventHandler();  // as an answer that quits would
        EXPECT_EQ(0, w.quits);
        EXPECT_THAT(w.Instruction(), HasSubstr("will quit when the update is over"));
        w.gate.Release();
        ASSERT_TRUE(w.TickUntilIdle());
        EXPECT_EQ(std::tuple(1, 0, true), std::tuple(w.quits, w.quitStatus, w.alerts.seen.empty()));
    }
}

TEST(Dialog, ThePopupChoosesTheUnitShownAndWrittenKeepsTheChoiceByGuidAndFallsBackToTheFirstWhenItLeaves)
{
    Window w;
    w.bus.model().SetSerialNumber("KEAAAAAA");
    w.bus.model().SetSoftwareVersion(Versions(21, 20));
    w.Tick();
    EXPECT_TRUE(Popup(w)->isHidden()) << "one unit: the window as it always was";
    const auto other = Plug(w, "KEBBBBBB", Versions(22, 30), 0x000A2700000000BB);
    w.Tick();
    ASSERT_TRUE(Popup(w)->isVisible());
    QAccessibleInterface* popup = QAccessible::queryAccessibleInterface(Popup(w));
    EXPECT_EQ(std::tuple(QStringList({"KEAAAAAA, firmware 21-20", "KEBBBBBB, firmware 22-30"}), "21-20",
                         "KEAAAAAA, firmware 21-20"),
              std::tuple(Entries(w), w.Version(), popup->text(QAccessible::Value).toStdString()));
    // Picked from the keyboard, as a screen reader's user does.
    ASSERT_TRUE(w.Activate());
    QTest::keyClick(w.main.get(), Qt::Key_U, Qt::AltModifier);  // the caption's mnemonic
    EXPECT_TRUE(Popup(w)->hasFocus());
    QTest::keyClick(Popup(w), Qt::Key_Down);
    EXPECT_EQ(std::tuple("KEBBBBBB, firmware 22-30", "22-30", "KEBBBBBB", "Downgrade"),
              std::tuple(popup->text(QAccessible::Value).toStdString(), w.Version(), w.Serial(),
                         w.Button(101)->text().toStdString()));
    const auto third = Plug(w, "KEAAAAAA", Versions(21, 26), 0x000A2700000000CC);
    w.Tick();
    EXPECT_EQ("KEBBBBBB", w.Serial()) << "neither the tick nor an arrival changes the choice";
    EXPECT_EQ(QStringList({"KEAAAAAA, firmware 21-20, GUID 0x000a270000000042", "KEBBBBBB, firmware 22-30",
                           "KEAAAAAA, firmware 21-26, GUID 0x000a2700000000cc"}),
              Entries(w));
    w.bus.transport().Unplug(third);

    // Confirmed, then gone before the job starts: nothing is written, to the other unit neither.
    w.ClickUpdate();
    EXPECT_FALSE(Popup(w)->isEnabled());
    w.bus.transport().Unplug(other);
    ASSERT_TRUE(w.TickUntilIdle());
    EXPECT_THAT(w.alerts.seen.back().informative.toStdString(), HasSubstr("not found"));
    w.bus.transport().Plug(other);
    w.Tick();
    // The window looked again as the job ended, while the chosen unit was gone: the first is shown until chosen again.
    EXPECT_EQ(std::tuple(true, "KEAAAAAA"), std::tuple(Popup(w)->isEnabled(), w.Serial()));
    QTest::keyClick(Popup(w), Qt::Key_Down);
    ASSERT_EQ("KEBBBBBB", w.Serial());

    ASSERT_TRUE(w.UpdateToEnd());
    EXPECT_EQ(std::pair(1, false),
              std::pair(w.alerts.Count("Programming Complete"), UpdateModeWasEntered(w.bus.model())));
    EXPECT_TRUE(other->Flash(kesim::FlashDevice::Xilinx).contents == socksim::Image(fileXILINX) &&
                other->Flash(kesim::FlashDevice::Mcore).contents == socksim::Image(fileMCORE));

    w.bus.transport().Unplug(other);
    w.Tick();
    EXPECT_EQ(
        std::tuple("21-20", 0,
                   "The Ke chosen (KEBBBBBB, firmware 22-30) is no longer connected: the first Ke found is shown.\n"
                   "Select Upgrade button to download firmware version 21-26 to Ke:"),
        std::tuple(w.Version(), Popup(w)->currentIndex(), w.Instruction()));
}

TEST(Dialog, AChosenUnitHeldOrUnreadableStaysChosenShownAsSuchAndIsOfferedAgainAfterwards)
{
    Window w;
    w.bus.model().SetSerialNumber("KEAAAAAA");
    const auto second = Plug(w, "KEBBBBBB", Versions(21, 20), 0x000A2700000000BB);
    w.Tick();
    QTest::keyClick(Popup(w), Qt::Key_Down);  // the user's choice
    ASSERT_EQ("KEBBBBBB", w.Serial());
    const auto shown = [&] {
        return std::tuple(w.Serial(), w.Version(), Popup(w)->currentIndex(), w.Instruction(),
                          w.Button(101)->isEnabled());
    };
    const auto stillChosen = [&](const std::string& line) { return std::tuple("KEBBBBBB", "21-20", 1, line, false); };

    ASSERT_TRUE(second->Acquire());  // another program holds it for longer than a moment
    for (int tick = 0; tick <= 20; ++tick) w.Tick();
    EXPECT_EQ(stillChosen(NotFoundAdvice(kIOReturnExclusiveAccess)), shown());
    second->Relinquish();
    second->ChangeConfig([](kesim::KeUnitConfig& c) { c.failReadOffset = kesim::kProductVersionReg; });
    w.Tick();
    EXPECT_EQ(stillChosen("Not offered: the unit did not answer its product version read: refused by the unit "
                          "(0xE0008015)."),
              shown());
    second->ChangeConfig([](kesim::KeUnitConfig& c) { c.failReadOffset.reset(); });
    w.Tick();
    EXPECT_EQ(
        std::tuple("KEBBBBBB", "21-20", 1, "Select Upgrade button to download firmware version 21-26 to Ke:", true),
        shown());

    ASSERT_TRUE(w.UpdateToEnd());
    EXPECT_EQ(std::pair(true, false), std::pair(second->Flash(kesim::FlashDevice::Xilinx).accepted,
                                                w.bus.model().Flash(kesim::FlashDevice::Xilinx).erased))
        << "the chosen unit is written, the other left alone";
}

TEST(Dialog, TheIdleWindowLogsOneLinePerUnitThatArrivesLeavesOrChangesAndNothingElse)
{
    Window w;
    LogCapture log;
    using Lines = std::vector<std::string>;
    const Lines found = {"Ke connected: GUID 0x000a270000000042, serial Not Available, firmware 20-25"};
    const auto ticks = [&](int count) {
        for (int tick = 0; tick < count; ++tick) w.Tick();
        return log.Take();
    };
    EXPECT_EQ(found, ticks(10));
    w.bus.model().SetSoftwareVersion(Versions(21, 26));
    EXPECT_EQ(Lines{"Ke changed: GUID 0x000a270000000042, serial KE000042, firmware 21-26"}, ticks(10));
    ASSERT_TRUE(w.bus.model().Acquire());
    EXPECT_EQ(Lines{}, ticks(1)) << "a hold of a moment is not logged";
    EXPECT_THAT(ticks(20), testing::ElementsAre(HasSubstr("Ke changed: GUID 0x000a270000000042, not offered: ")));
    w.bus.model().Relinquish();
    EXPECT_EQ(Lines{"Ke changed: GUID 0x000a270000000042, serial KE000042, firmware 21-26"}, ticks(10));
    w.bus.Unplug();
    EXPECT_EQ(Lines{"Ke disconnected: GUID 0x000a270000000042, serial KE000042, firmware 21-26"}, ticks(10));
}

TEST(Dialog, NoTickWaitsForASlowUnitAndTheWindowEndsWhileItsSurveyIsStillOut)
{
    auto w = std::make_unique<Window>();
    w->Tick();
    ASSERT_EQ("20-25", w->Version());
    w->bus.model().SetLatency(std::chrono::seconds(2));
    w->bus.model().SetSoftwareVersion(Versions(21, 20));
    const auto start = std::chrono::steady_clock::now();
    for (int tick = 0; tick < 5; ++tick) w->dialog->TimerEventHandler();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(std::pair(true, std::string("20-25")), std::pair(w->dialog->Survey().Running(), w->Version()))
        << "the last survey that ended is on show";
    w->dialog.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << "nor does the end of the window";
}

TEST(Dialog, WrappedTextsAreShownWholeHoweverManyLinesTheyTake)
{
    Window w;
    keui::FitToText fit(*w.main);
    w.main->resize(w.main->minimumSize());
    QLabel* const labels[] = {w.Label(203), w.Label(202)};
    for (QLabel* label : labels) {
        label->setText(QStringLiteral("A sentence long enough to wrap in any window. ").repeated(8));
        label->show();
    }
    const auto whole = [&labels] {
        return std::ranges::all_of(labels, [](QLabel* l) { return l->height() >= l->heightForWidth(l->width()); });
    };
    EXPECT_TRUE(QTest::qWaitFor(whole, 2000));
}
