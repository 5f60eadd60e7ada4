// The utility's alerts, driven as a user would: buttons and the Escape key.
#include <QPushButton>
#include <QTest>

#include "macapps/KEFirmwareUpdate/KeAlerts.h"
#include "tests/gui/UiTestSupport.h"

namespace {

struct Seen {
    QString text;
    QString informative;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
};

// Shows an alert with `show`, records it and answers it with `answer`.
template <class Show>
DialogItemIndex Answer(Show show, const std::function<void(QMessageBox*)>& answer, Seen* seen = nullptr)
{
    uitest::WhenAlertShows([answer, seen](QMessageBox* box) {
        if (seen != nullptr) {
            seen->text = box->text();
            seen->informative = box->informativeText();
            seen->icon = box->icon();
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
        if (button->text() == title) {
            QTest::mouseClick(button, Qt::LeftButton);
            return;
        }
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

TEST(Alerts, AboutBoxKeepsItsTrailingBlanks)
{
    Seen seen;
    EXPECT_EQ(1, Answer(ShowAboutDialog, PressOK, &seen));
    EXPECT_EQ(QStringLiteral("KEFirmwareUpdate  "), seen.text);
    EXPECT_TRUE(seen.informative.startsWith(QStringLiteral("Version 1.3"))) << seen.informative.toStdString();
    EXPECT_EQ(QMessageBox::Information, seen.icon);
    EXPECT_EQ(QStringList{QStringLiteral("OK")}, seen.buttons);
}

TEST(Alerts, FailureAlertNamesTheImageAndStatus)
{
    Seen seen;
    const auto show = [] { return ShowUpdateFailedAlert("FPGA", -192); };
    EXPECT_EQ(1, Answer(show, PressOK, &seen));
    EXPECT_EQ(QStringLiteral("Programming Failed"), seen.text);
    EXPECT_EQ(QMessageBox::Critical, seen.icon);
    EXPECT_TRUE(seen.informative.contains(QStringLiteral("FPGA")));
    EXPECT_TRUE(seen.informative.contains(QStringLiteral("0xFFFFFF40")));
    EXPECT_TRUE(seen.informative.contains(QStringLiteral("not power off")));
    EXPECT_TRUE(seen.informative.contains(QStringLiteral("again")));
    EXPECT_EQ(QStringList{QStringLiteral("OK")}, seen.buttons);

    const auto showMicro = [] { return ShowUpdateFailedAlert("microcontroller", 0x00000005); };
    EXPECT_EQ(1, Answer(showMicro, PressOK, &seen));
    EXPECT_TRUE(seen.informative.contains(QStringLiteral("microcontroller")));
    EXPECT_TRUE(seen.informative.contains(QStringLiteral("0x00000005")));
    EXPECT_FALSE(seen.informative.contains(QStringLiteral("details")));

    SetFailureLogPath("/home/user/.local/state/kefirmwareupdate/KEFirmwareUpdate.log");
    EXPECT_EQ(1, Answer(showMicro, PressOK, &seen));
    SetFailureLogPath("");
    EXPECT_TRUE(seen.informative.contains(
        QStringLiteral("The details are in /home/user/.local/state/kefirmwareupdate/KEFirmwareUpdate.log.")))
        << seen.informative.toStdString();
}

TEST(Alerts, ThirdButtonAndMissingFilter)
{
    AlertStdCFStringAlertParamRec params;
    ASSERT_EQ(noErr, GetStandardAlertDefaultParams(&params, kStdCFStringAlertVersionOne));
    EXPECT_EQ(paramErr, GetStandardAlertDefaultParams(&params, 2));
    params.otherText = "Later";
    params.cancelText = "Cancel";
    params.cancelButton = kAlertStdAlertCancelButton;
    DialogRef alert = nullptr;
    ASSERT_EQ(noErr, CreateStandardAlert(kAlertPlainAlert, "Message", "Details", &params, &alert));
    DialogItemIndex item = 0;
    uitest::WhenAlertShows([](QMessageBox* box) { PressButton(box, QStringLiteral("Later")); });
    ASSERT_EQ(noErr, RunStandardAlert(alert, nullptr, &item));
    EXPECT_EQ(kAlertStdAlertOtherButton, item);
}
