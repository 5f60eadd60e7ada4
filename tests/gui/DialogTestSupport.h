// SPDX-License-Identifier: MIT
// A main window with its controller over a simulated unit and a stand-in
// process list, for the window's state-machine tests and screenshots.
// The window's own timer is stopped: tests tick it themselves.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "macapps/KEFirmwareUpdate/DownloadProgress.h"
#include "macapps/KEFirmwareUpdate/KeFirmwareUpdateDialog.h"
#include "platform/threads/Sleep.h"
#include "platform/ui/InterfaceFile.h"
#include "tests/support/FakeProcesses.h"
#include "tests/support/SimBus.h"

namespace dialogtest {

// The controller's pauses, as counted no-ops; when armed, the worker stops
// at its first pause at or beyond a progress value until released.
class SleepGate {
public:
    const KeSleepFunction clock = [this](UInt32) { Pause(); };
    std::atomic<int> pauses{0};

    void Arm(UInt32 atProgress) { Set(true, atProgress); }
    void Release() { Set(false, 0); }
    bool WaitBlocked(std::chrono::seconds timeout = std::chrono::seconds(60))
    {
        std::unique_lock<std::mutex> lock(mMutex);
        return mChanged.wait_for(lock, timeout, [this] { return mBlocked; });
    }

private:
    void Set(bool armed, UInt32 atProgress)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mArmed = armed;
        mAt = atProgress;
        mChanged.notify_all();
    }
    void Pause()
    {
        ++pauses;
        std::unique_lock<std::mutex> lock(mMutex);
        if (!mArmed || gDownloadProgress.Get() < mAt) return;
        mBlocked = true;
        mChanged.notify_all();
        mChanged.wait(lock, [this] { return !mArmed; });
        mBlocked = false;
    }

    std::mutex mMutex;
    std::condition_variable mChanged;
    bool mArmed = false, mBlocked = false;
    UInt32 mAt = 0;
};

// Answers every alert that shows, in turn with the queued button titles or
// keys ("Escape", "Return"; "OK" when the queue is empty), and records what
// each said.
class AlertAnswerer {
public:
    struct Seen {
        QString text, informative;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QStringList buttons;  // sorted
        int barValue = -1;    // the window's progress bar while the alert was up
    };

    explicit AlertAnswerer(QProgressBar* bar) : mBar(bar)
    {
        QObject::connect(&mPoll, &QTimer::timeout, [this] { Poll(); });
        mPoll.start(5);
    }

    void Queue(const char* button) { mAnswers.push_back(QString::fromUtf8(button)); }
    std::function<void(QMessageBox*)> onShow;  // runs before the answer

    std::vector<Seen> seen;

    int Count(const char* text) const { return int(std::ranges::count(seen, QString::fromUtf8(text), &Seen::text)); }

private:
    void Poll()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible() || box == mLast) return;
        mLast = box;
        QStringList buttons;
        for (QAbstractButton* button : box->buttons()) buttons << button->text();
        buttons.sort();
        seen.push_back({box->text(), box->informativeText(), box->icon(), buttons, mBar ? mBar->value() : -1});
        if (onShow) onShow(box);
        const QString answer = mAnswers.empty() ? QStringLiteral("OK") : mAnswers.front();
        if (!mAnswers.empty()) mAnswers.pop_front();
        if (answer == u"Escape" || answer == u"Return")
            return QTest::keyClick(box, answer == u"Escape" ? Qt::Key_Escape : Qt::Key_Return);
        for (QAbstractButton* button : box->buttons())
            if (button->text() == answer) return button->click();
        ADD_FAILURE() << "the alert has no button " << answer.toStdString();
        box->reject();
    }

    QPointer<QProgressBar> mBar;
    QPointer<QMessageBox> mLast;
    std::deque<QString> mAnswers;
    QTimer mPoll;
};

inline std::string Text(QLabel* label) { return label ? label->text().toStdString() : std::string("<none>"); }

// The window, its controller and everything around them. Quit requests are
// counted, not acted on.
class Window {
public:
    Window()
    {
        EXPECT_EQ(keui::LoadError::kNone, loadError);
        main->show();
        const auto quit = [this](int status) {
            ++quits;
            quitStatus = status;
        };
        dialog = std::make_unique<CKeFirmwareUpdateDialog>(main.get(), quit, bus.Seams(gate.clock), &processes,
                                                           "/state/KEFirmwareUpdate.log");
        dialog->Timer().stop();
    }
    ~Window()
    {
        // The job borrows the controller: let it end first.
        gate.Release();
        if (dialog) TickUntilIdle();
    }

    // One tick, then the survey it started shown as soon as it ends: the
    // window shows the bus as it is now, and no survey is out afterwards.
    void Tick()
    {
        SurveyEnded();
        dialog->TimerEventHandler();
        if (dialog->GetUpdateState() != WAITFORINPUT) return;
        SurveyEnded();
        dialog->ShowFinishedSurvey();
    }
    void SurveyEnded() { EXPECT_TRUE(dialog->Survey().WaitUntilIdle(std::chrono::seconds(60))); }

    // Ticks as the timer would until the job has ended and the window is idle.
    bool TickUntilIdle(std::chrono::seconds timeout = std::chrono::seconds(120))
    {
        for (const auto deadline = std::chrono::steady_clock::now() + timeout;
             dialog->GetUpdateState() != WAITFORINPUT && std::chrono::steady_clock::now() < deadline; QTest::qWait(2))
            Tick();
        return dialog->GetUpdateState() == WAITFORINPUT;
    }

    void ClickUpdate() { QTest::mouseClick(Button(101), Qt::LeftButton); }
    bool UpdateToEnd()
    {
        ClickUpdate();
        return TickUntilIdle();
    }
    // The menu item that carries `command`, as the user picks it.
    void Command(const char* command)
    {
        for (QAction* action : main->findChildren<QAction*>())
            if (action->property("command").toString() == QLatin1String(command)) return action->trigger();
        ADD_FAILURE() << "no menu item for " << command;
    }
    // The window's close box: refused by the window, sent on as a quit command.
    bool CloseBox() { return main->close(); }
    bool Activate() { return main->activateWindow(), QTest::qWaitForWindowActive(main.get()); }

    template <class T>
    T* Widget(int id) const
    {
        return main->findChild<T*>(ControlID{"keUD", id}.ObjectName());
    }
    QPushButton* Button(int id) const { return Widget<QPushButton>(id); }
    QLabel* Label(int id) const { return Widget<QLabel>(id); }
    QProgressBar* Bar() const { return Widget<QProgressBar>(300); }
    std::string Version() const { return Text(Label(200)); }
    std::string Serial() const { return Text(Label(201)); }
    std::string Instruction() const { return Text(Label(203)); }
    bool WarningShown() const { return !Label(202)->isHidden(); }

    simbus::Bus bus;
    SleepGate gate;
    fakeproc::Processes processes{{{1, 1, "KEFirmwareUpdat"}, {2, 2, "bash"}}, {1, 1, "KEFirmwareUpdat"}};
    keui::LoadError loadError = keui::LoadError::kNone;
    // The application's interface file, as copied beside the test.
    std::unique_ptr<QWidget> main = keui::LoadInterfaceFile(keui::InterfaceFilePath(QStringLiteral("main")), loadError);
    int quits = 0;
    int quitStatus = -1;  // of the last quit request
    AlertAnswerer alerts{Bar()};
    std::unique_ptr<CKeFirmwareUpdateDialog> dialog;
};

}  // namespace dialogtest
