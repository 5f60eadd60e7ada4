// SPDX-License-Identifier: MIT
#include "macapps/KEFirmwareUpdate/KeAlerts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

// The version the About box tells.
constexpr char kAboutVersion[] = "1.3";

// A text of the core's or the caller's, within a translated one.
QString Shown(const std::string& text) { return QString::fromStdString(text); }

// Two sentences in a row, as the user's language writes them.
QString ThenSentence(const QString& first, const QString& second)
{
    if (second.isEmpty()) return first;
    //: Two sentences one after the other; a language without spaces between sentences drops the space.
    return QCoreApplication::translate("KeAlerts", "%1 %2").arg(first, second);
}

// A movable message box over the window in front, with OK as its default
// button and, when asked for, Cancel as the one that Escape presses. Alone,
// OK is also the Escape button. The buttons are Qt's own, in the user's language.
AlertButton RunAlert(QMessageBox::Icon icon, const QString& message, const QString& informative, bool withCancel)
{
    QMessageBox box(QApplication::activeWindow());
    box.setIcon(icon);
    box.setTextFormat(Qt::PlainText);
    box.setText(message);
    box.setInformativeText(informative);
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    box.setDefaultButton(ok);
    QPushButton* cancel = withCancel ? box.addButton(QMessageBox::Cancel) : nullptr;
    box.setEscapeButton(cancel ? cancel : ok);
    box.exec();
    // No button: the box was closed from outside; count it as the Escape key.
    if (box.clickedButton() == ok) return kAlertOKButton;
    if (box.clickedButton() == nullptr && cancel == nullptr) return kAlertOKButton;
    return kAlertCancelButton;
}

// Where to look for the details of a failure, when the lines are kept.
QString LogSentence(const std::string& logPath)
{
    if (logPath.empty()) return {};
    return QCoreApplication::translate("KeAlerts", "The details are in %1.").arg(Shown(logPath));
}

// The history is what the user looks at later: a missing record is told now.
QString UnrecordedSentence(const std::optional<std::string>& unrecorded)
{
    if (!unrecorded) return {};
    return QCoreApplication::translate("KeAlerts", "The update could not be recorded in the history: %1.")
        .arg(Shown(*unrecorded));
}

}  // namespace

AlertButton ShowDowngradeAlert()
{
    return RunAlert(QMessageBox::Warning, QCoreApplication::translate("KeAlerts", "This is a Downgrade:"),
                    QCoreApplication::translate("KeAlerts", "Press OK to Continue or Cancel to Quit"), true);
}

AlertButton ShowDownloadDoneAlert(const std::optional<std::string>& unrecorded)
{
    return RunAlert(
        QMessageBox::Information, QCoreApplication::translate("KeAlerts", "Programming Complete"),
        ThenSentence(QCoreApplication::translate(
                         "KeAlerts", "You will need to cycle the Power on your Ke for changes to take affect"),
                     UnrecordedSentence(unrecorded)),
        false);
}

AlertButton ShowAboutDialog()
{
    // The program's name is never translated.
    return RunAlert(QMessageBox::Information, QStringLiteral("KEFirmwareUpdate  "),
                    QCoreApplication::translate("KeAlerts", "Version %1, the firmware updater for the Ke unit")
                        .arg(QLatin1String(kAboutVersion)),
                    false);
}

std::string UpdateFailedText(const std::string& outcome, bool nothingWritten, bool inUserLanguage)
{
    const char* advice = nothingWritten
                             ? QT_TRANSLATE_NOOP("KeAlerts",
                                                 "Check that the Ke is connected, switched on and not in "
                                                 "use, then run the update again.")
                             : QT_TRANSLATE_NOOP("KeAlerts", "Do not power off the Ke: run the update again.");
    if (!inUserLanguage) return outcome + " " + advice;
    return ThenSentence(Shown(outcome), QCoreApplication::translate("KeAlerts", advice)).toStdString();
}

AlertButton ShowProgrammingFailedAlert(const std::string& informative, const std::string& logPath,
                                       const std::optional<std::string>& unrecorded)
{
    return RunAlert(
        QMessageBox::Critical, QCoreApplication::translate("KeAlerts", "Programming Failed"),
        ThenSentence(ThenSentence(Shown(informative), LogSentence(logPath)), UnrecordedSentence(unrecorded)), false);
}
