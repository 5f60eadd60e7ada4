// SPDX-License-Identifier: MIT
// The utility's alerts, answered as a user would: buttons and keys.
#include "macapps/KEFirmwareUpdate/KeAlerts.h"
#include "tests/gui/DialogTestSupport.h"

using dialogtest::AlertAnswerer;

TEST(Alerts, DowngradeConfirmationAnswersOneForOkAndTwoForCancelOrEscape)
{
    AlertAnswerer alerts(nullptr);
    for (const char* answer : {"OK", "Cancel", "Escape", "Return"}) alerts.Queue(answer);
    EXPECT_EQ(1, ShowDowngradeAlert());
    EXPECT_EQ(2, ShowDowngradeAlert());
    EXPECT_EQ(2, ShowDowngradeAlert());
    EXPECT_EQ(1, ShowDowngradeAlert()) << "OK is the default button";
    const auto& seen = alerts.seen.at(0);
    EXPECT_EQ(QStringLiteral("This is a Downgrade:"), seen.text);
    EXPECT_EQ(QStringLiteral("Press OK to Continue or Cancel to Quit"), seen.informative);
    EXPECT_EQ(QMessageBox::Warning, seen.icon);
    EXPECT_EQ((QStringList{QStringLiteral("Cancel"), QStringLiteral("OK")}), seen.buttons);
}

TEST(Alerts, CompletionNoticeHasOkAlone)
{
    AlertAnswerer alerts(nullptr);
    alerts.Queue("OK");
    alerts.Queue("Escape");
    EXPECT_EQ(1, ShowDownloadDoneAlert());
    EXPECT_EQ(1, ShowDownloadDoneAlert()) << "with no Cancel button the Escape key can only mean OK";
    const auto& seen = alerts.seen.at(0);
    EXPECT_EQ(QStringLiteral("Programming Complete"), seen.text);
    EXPECT_EQ(QStringLiteral("You will need to cycle the Power on your Ke for changes to take affect"),
              seen.informative);
    EXPECT_EQ(QMessageBox::Information, seen.icon);
    EXPECT_EQ(QStringList{QStringLiteral("OK")}, seen.buttons);
}

TEST(Alerts, FailureAlertSaysWhatToDoAndNamesTheLogFile)
{
    AlertAnswerer alerts(nullptr);
    EXPECT_EQ(1, ShowProgrammingFailedAlert(UpdateFailedText("Writing the FPGA image failed.", false)));
    const auto& seen = alerts.seen.at(0);
    EXPECT_EQ(QStringLiteral("Programming Failed"), seen.text);
    EXPECT_EQ(QMessageBox::Critical, seen.icon);
    EXPECT_EQ(QStringList{QStringLiteral("OK")}, seen.buttons);
    for (const char* part : {"FPGA", "not power off", "again"}) {
        EXPECT_TRUE(seen.informative.contains(QLatin1String(part))) << part;
    }
    EXPECT_FALSE(seen.informative.contains(QStringLiteral("details")));

    SetFailureLogPath("/home/user/.local/state/kefirmwareupdate/KEFirmwareUpdate.log");
    EXPECT_EQ(1, ShowProgrammingFailedAlert(UpdateFailedText("The update did not start.", true)));
    SetFailureLogPath("");
    EXPECT_TRUE(alerts.seen.at(1).informative.contains(
        QStringLiteral("The details are in /home/user/.local/state/kefirmwareupdate/KEFirmwareUpdate.log.")))
        << alerts.seen.at(1).informative.toStdString();
}
