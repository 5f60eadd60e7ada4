// SPDX-License-Identifier: MIT
// The real window program, driven from inside its own process as a user
// would: every alert is answered with its default button. "upgrade" presses
// Upgrade once the window is idle with the button enabled, and Cancel on the
// second idle tick after a failure alert (the tick that raised it counts);
// "idle" presses Cancel once QUIT_FILE exists. Standard output carries only
// the transcript, one tab-separated line per observation:
//   tick MS STATE VERSION SERIAL   after each tick of the window's timer (MS: monotonic ms; STATE: idle|start|updating)
//   seen VERSION SERIAL            what the window showed when Upgrade was pressed
//   click Upgrade|Cancel           alert TITLE TEXT
//   exit CODE                      what the program returned
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>

#include "macapps/KEFirmwareUpdate/KeFirmwareUpdateDialog.h"
#include "macapps/KEFirmwareUpdate/RunKEFirmwareUpdate.h"

namespace {

constexpr int kPollMs = 10;
constexpr int kIdleTicksBeforeLeaving = 2;

std::FILE* gTranscript = stdout;

void Say(const std::string& line) { std::fprintf(gTranscript, "%s\n", line.c_str()); }

template <class T>
T* Find(const char* name)
{
    for (QWidget* top : QApplication::topLevelWidgets())
        if (T* widget = top->findChild<T*>(QString::fromLatin1(name))) return widget;
    return nullptr;
}

std::string LabelText(const char* name)
{
    return Find<QLabel>(name) ? Find<QLabel>(name)->text().toStdString() : "<none>";
}

class Driver {
public:
    Driver(bool upgrade, std::string quitFile) : mUpgrade(upgrade), mQuitFile(std::move(quitFile)) {}

    void Attach(CKeFirmwareUpdateDialog& dialog)
    {
        mDialog = &dialog;
        // Observed after each tick of the window's timer.
        QObject::connect(&dialog.Timer(), &QTimer::timeout, [this] { OnTick(); });
        auto* poll = new QTimer(qApp);  // the application owns it
        QObject::connect(poll, &QTimer::timeout, [this] { Poll(); });
        poll->start(kPollMs);
    }

private:
    void OnTick()
    {
        const KeFirmwareUpdateType state = mDialog->GetUpdateState();
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        const char* name = state == WAITFORINPUT ? "idle" : state == STARTUPDATE ? "start" : "updating";
        Say("tick\t" + std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(now).count()) + "\t" +
            name + "\t" + LabelText("keUD_200") + "\t" + LabelText("keUD_201"));
        if (mFailed && state == WAITFORINPUT) ++mIdleTicksAfterFailure;
    }

    void Poll()
    {
        if (AnswerAlert() || mDialog->GetUpdateState() != WAITFORINPUT) return;
        if (mUpgrade && !mClicked) {
            QPushButton* button = Find<QPushButton>("keUD_101");
            if (button == nullptr || !button->isEnabled()) return;
            mClicked = true;
            Say("seen\t" + LabelText("keUD_200") + "\t" + LabelText("keUD_201"));
            Say("click\tUpgrade");
            button->click();
            return;
        }
        const bool leave =
            mUpgrade ? mIdleTicksAfterFailure >= kIdleTicksBeforeLeaving : std::filesystem::exists(mQuitFile);
        if (leave && !mLeaving) {
            mLeaving = true;
            Say("click\tCancel");
            if (QPushButton* cancel = Find<QPushButton>("keUD_100")) cancel->click();
        }
    }

    // Answers a newly shown alert; true when one is up.
    bool AnswerAlert()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) return false;
        if (box == mLastAlert) return true;
        mLastAlert = box;
        Say("alert\t" + box->text().toStdString() + "\t" + box->informativeText().toStdString());
        if (box->text() == QStringLiteral("Programming Failed")) mFailed = true;
        QPushButton* button = box->defaultButton();
        button ? button->click() : box->reject();
        return true;
    }

    const bool mUpgrade;
    const std::string mQuitFile;
    CKeFirmwareUpdateDialog* mDialog = nullptr;
    QPointer<QMessageBox> mLastAlert;
    bool mClicked = false, mFailed = false, mLeaving = false;
    int mIdleTicksAfterFailure = 0;
};

}  // namespace

int main(int argc, char* argv[])
{
    const bool upgrade = argc == 2 && std::strcmp(argv[1], "upgrade") == 0;
    const bool idle = argc == 3 && std::strcmp(argv[1], "idle") == 0;
    if (!upgrade && !idle) {
        std::fprintf(stderr, "usage: %s upgrade | idle QUIT_FILE\n", argv[0]);
        return 2;
    }
    // The transcript keeps standard output to itself.
    const int transcriptFd = ::dup(STDOUT_FILENO);
    if (transcriptFd < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) return 2;
    gTranscript = ::fdopen(transcriptFd, "w");
    if (gTranscript == nullptr || std::setvbuf(gTranscript, nullptr, _IOLBF, 0) != 0) return 2;

    QApplication application(argc, argv);
    KeWindowSettings settings;
    settings.seams.transports =
        fwplat::DefaultTransports(fwplat::SimulatedUnitsFrom(std::getenv("KE_SIMULATED_UNITS")));
    Driver driver(upgrade, idle ? argv[2] : "");
    const int code =
        RunKEFirmwareUpdate(std::move(settings), [&driver](CKeFirmwareUpdateDialog& dialog) { driver.Attach(dialog); });
    Say("exit\t" + std::to_string(code));
    return code;
}
