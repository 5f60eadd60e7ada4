// SPDX-License-Identifier: MIT
#include "macapps/KEFirmwareUpdate/KeAlerts.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

// A movable message box over the window in front, with OK as its default
// button and, when asked for, Cancel as the one that Escape presses. Alone,
// OK is also the Escape button.
AlertButton RunAlert(QMessageBox::Icon icon, const char* message, const std::string& informative, bool withCancel)
{
    QMessageBox box(QApplication::activeWindow());
    box.setIcon(icon);
    box.setTextFormat(Qt::PlainText);
    box.setText(QString::fromUtf8(message));
    box.setInformativeText(QString::fromStdString(informative));
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    QPushButton* cancel = withCancel ? box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole) : nullptr;
    box.setEscapeButton(cancel ? cancel : ok);
    box.exec();
    // No button: the box was closed from outside; count it as the Escape key.
    if (box.clickedButton() == ok) return kAlertOKButton;
    if (box.clickedButton() == nullptr && cancel == nullptr) return kAlertOKButton;
    return kAlertCancelButton;
}

// Where to look for the details of a failure, when the lines are kept.
std::string LogSentence(const std::string& logPath)
{
    return logPath.empty() ? std::string() : " The details are in " + logPath + ".";
}

// The history is what the user looks at later: a missing record is told now.
std::string UnrecordedSentence(const std::optional<std::string>& unrecorded)
{
    return unrecorded ? " The update could not be recorded in the history: " + *unrecorded + "." : std::string();
}

}  // namespace

AlertButton ShowDowngradeAlert()
{
    return RunAlert(QMessageBox::Warning, "This is a Downgrade:", "Press OK to Continue or Cancel to Quit", true);
}

AlertButton ShowDownloadDoneAlert(const std::optional<std::string>& unrecorded)
{
    return RunAlert(
        QMessageBox::Information, "Programming Complete",
        "You will need to cycle the Power on your Ke for changes to take affect" + UnrecordedSentence(unrecorded),
        false);
}

AlertButton ShowAboutDialog()
{
    return RunAlert(QMessageBox::Information, "KEFirmwareUpdate  ", "Version 1.3, the firmware updater for the Ke unit",
                    false);
}

std::string UpdateFailedText(const std::string& outcome, bool nothingWritten)
{
    return outcome + (nothingWritten ? " Check that the Ke is connected, switched on and not in use, then run the "
                                       "update again."
                                     : " Do not power off the Ke: run the update again.");
}

AlertButton ShowProgrammingFailedAlert(const std::string& informative, const std::string& logPath,
                                       const std::optional<std::string>& unrecorded)
{
    return RunAlert(QMessageBox::Critical, "Programming Failed",
                    informative + LogSentence(logPath) + UnrecordedSentence(unrecorded), false);
}
