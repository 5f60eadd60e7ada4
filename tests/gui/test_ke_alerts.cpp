// SPDX-License-Identifier: MIT
// The utility's alerts, answered as a user would (buttons and keys): the one
// place their texts are checked exactly.
#include <functional>

#include "macapps/KEFirmwareUpdate/KeAlerts.h"
#include "tests/gui/DialogTestSupport.h"

TEST(Alerts, EachSaysItsTextsAndReturnsTheButtonOrKeyPressed)
{
    using Answers = std::vector<std::pair<const char*, int>>;  // pressed, returned
    using Case =
        std::tuple<std::function<AlertButton()>, Answers, const char*, const char*, QMessageBox::Icon, QStringList>;
    const auto failedWithLog = [] {
        return ShowProgrammingFailedAlert(UpdateFailedText("The update did not start.", true),
                                          "/home/user/.local/state/kefirmwareupdate/KEFirmwareUpdate.log");
    };
    const Case cases[] = {
        // OK is the default button; Escape means Cancel, or OK where there is no Cancel.
        {ShowDowngradeAlert, Answers{{"OK", 1}, {"Cancel", 2}, {"Escape", 2}, {"Return", 1}}, "This is a Downgrade:",
         "Press OK to Continue or Cancel to Quit", QMessageBox::Warning, QStringList{"Cancel", "OK"}},
        {[] { return ShowDownloadDoneAlert(); }, Answers{{"OK", 1}, {"Escape", 1}}, "Programming Complete",
         "You will need to cycle the Power on your Ke for changes to take affect", QMessageBox::Information,
         QStringList{"OK"}},
        {ShowAboutDialog, Answers{{"OK", 1}}, "KEFirmwareUpdate  ", "Version 1.3, the firmware updater for the Ke unit",
         QMessageBox::Information, QStringList{"OK"}},
        {[] { return ShowProgrammingFailedAlert(UpdateFailedText("Writing the FPGA image failed.", false), ""); },
         Answers{{"OK", 1}}, "Programming Failed",
         "Writing the FPGA image failed. Do not power off the Ke: run the update again.", QMessageBox::Critical,
         QStringList{"OK"}},
        {failedWithLog, Answers{{"OK", 1}}, "Programming Failed",
         "The update did not start. Check that the Ke is connected, switched on and not in use, then run the update "
         "again. The details are in /home/user/.local/state/kefirmwareupdate/KEFirmwareUpdate.log.",
         QMessageBox::Critical, QStringList{"OK"}},
        // An attempt missing from the history is told last.
        {[] { return ShowDownloadDoneAlert("No space left on device"); }, Answers{{"OK", 1}}, "Programming Complete",
         "You will need to cycle the Power on your Ke for changes to take affect The update could not be recorded in "
         "the history: No space left on device.",
         QMessageBox::Information, QStringList{"OK"}},
        {[] { return ShowProgrammingFailedAlert("It failed.", "", "it is a directory"); }, Answers{{"OK", 1}},
         "Programming Failed", "It failed. The update could not be recorded in the history: it is a directory.",
         QMessageBox::Critical, QStringList{"OK"}},
    };
    for (const auto& [show, answers, text, informative, icon, buttons] : cases) {
        dialogtest::AlertAnswerer alerts(nullptr);
        for (const auto& [pressed, returned] : answers) {
            alerts.Queue(pressed);
            EXPECT_EQ(returned, show()) << text << pressed;
            ASSERT_FALSE(alerts.seen.empty());
            const auto& seen = alerts.seen.back();
            EXPECT_EQ(std::tuple(QString::fromUtf8(text), QString::fromUtf8(informative), icon, buttons),
                      std::tuple(seen.text, seen.informative, seen.icon, seen.buttons))
                << seen.informative.toStdString();
        }
    }
}
