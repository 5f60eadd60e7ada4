// The utility's alerts, driven as a user would: buttons and the Escape key.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "macapps/KEFirmwareUpdate/KeAlerts.h"

namespace {

struct Seen {
    QString text;
    QString informative;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
};

// Runs `act` on the next modal message box, once it is up.
void WhenAlertShows(std::function<void(QMessageBox*)> act)
{
    auto* poll = new QTimer(qApp);  // the application owns it until it is done
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) return;
        poll->stop();
        poll->deleteLater();
        act(box);
    });
    poll->start(10);
}

// Shows an alert with `show`, records it and answers it with `answer`.
AlertButton Answer(AlertButton (*show)(), void (*answer)(QMessageBox*), Seen* seen = nullptr)
{
    WhenAlertShows([answer, seen](QMessageBox* box) {
        if (seen != nullptr) {
            *seen = {box->text(), box->informativeText(), box->icon(), {}};
            for (QAbstractButton* button : box->buttons()) seen->buttons << button->text();
            seen->buttons.sort();
        }
        answer(box);
    });
    return show();
}

void PressButton(QMessageBox* box, const QString& title)
{
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == title) return QTest::mouseClick(button, Qt::LeftButton);
    }
    ADD_FAILURE() << "no button " << title.toStdString();
    box->reject();
}

void PressOK(QMessageBox* box) { PressButton(box, QStringLiteral("OK")); }
void PressCancel(QMessageBox* box) { PressButton(box, QStringLiteral("Cancel")); }
void PressEscape(QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); }
void PressReturn(QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); }

}  // namespace

TEST(Alerts, DowngradeConfirmationAnswersOneForOkAndTwoForCancelOrEscape)
{
    Seen seen;
    EXPECT_EQ(1, Answer(ShowDowngradeAlert, PressOK, &seen));
    EXPECT_EQ(QStringLiteral("This is a Downgrade:"), seen.text);
    EXPECT_EQ(QStringLiteral("Press OK to Continue or Cancel to Quit"), seen.informative);
    EXPECT_EQ(QMessageBox::Warning, seen.icon);
    EXPECT_EQ((QStringList{QStringLiteral("Cancel"), QStringLiteral("OK")}), seen.buttons);

    EXPECT_EQ(2, Answer(ShowDowngradeAlert, PressCancel));
    EXPECT_EQ(2, Answer(ShowDowngradeAlert, PressEscape));
    // OK is the default button.
    EXPECT_EQ(1, Answer(ShowDowngradeAlert, PressReturn));
}

TEST(Alerts, CompletionNoticeHasOkAlone)
{
    Seen seen;
    EXPECT_EQ(1, Answer(ShowDownloadDoneAlert, PressOK, &seen));
    EXPECT_EQ(QStringLiteral("Programming Complete"), seen.text);
    EXPECT_EQ(QStringLiteral("You will need to cycle the Power on your Ke for changes to take affect"),
              seen.informative);
    EXPECT_EQ(QMessageBox::Information, seen.icon);
    EXPECT_EQ(QStringList{QStringLiteral("OK")}, seen.buttons);
    // With no Cancel button the Escape key can only mean OK.
    EXPECT_EQ(1, Answer(ShowDownloadDoneAlert, PressEscape));
}

TEST(Alerts, FailureAlertNamesTheImageTheStatusAndTheLogFile)
{
    Seen seen;
    const auto show = []() -> AlertButton { return ShowUpdateFailedAlert("FPGA", -192); };
    EXPECT_EQ(1, Answer(show, PressOK, &seen));
    EXPECT_EQ(QStringLiteral("Programming Failed"), seen.text);
    EXPECT_EQ(QMessageBox::Critical, seen.icon);
    EXPECT_EQ(QStringList{QStringLiteral("OK")}, seen.buttons);
    for (const char* part : {"FPGA", "0xFFFFFF40", "not power off", "again"}) {
        EXPECT_TRUE(seen.informative.contains(QLatin1String(part))) << part;
    }
    EXPECT_FALSE(seen.informative.contains(QStringLiteral("details")));

    SetFailureLogPath("/home/user/.local/state/kefirmwareupdate/KEFirmwareUpdate.log");
    EXPECT_EQ(1, Answer(show, PressOK, &seen));
    SetFailureLogPath("");
    EXPECT_TRUE(seen.informative.contains(
        QStringLiteral("The details are in /home/user/.local/state/kefirmwareupdate/KEFirmwareUpdate.log.")))
        << seen.informative.toStdString();
}
