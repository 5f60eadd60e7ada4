// SPDX-License-Identifier: MIT
// Start-up: the interface file, the menu bar, the window and its controller,
// then the event loop until the user quits.
//
// One hook for the start-up benchmark (bench/bench_idle_tick): with
// KE_BENCH_EXIT_AFTER_FIRST_TICK=1 in the environment the program prints
// "first tick at <n> ns" (CLOCK_MONOTONIC) on standard error right after the
// window's first timer tick and quits as if the user had.
#include "macapps/KEFirmwareUpdate/RunKEFirmwareUpdate.h"

#include <QApplication>
#include <QMenuBar>
#include <QSocketNotifier>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>

#include "macapps/KEFirmwareUpdate/KeFirmwareUpdateDialog.h"
#include "platform/ui/DesktopApplication.h"
#include "platform/ui/InterfaceFile.h"
#include "platform/signals/SignalHold.h"

namespace {

// The application object needs an argv that outlives it.
int gArgc = 1;
char gArg0[] = "KEFirmwareUpdate";
char* gArgv[] = {gArg0, nullptr};

// Runs once, right after the window's first tick.
void InstallBenchmarkHook(QTimer& windowTimer)
{
    const char* value = std::getenv("KE_BENCH_EXIT_AFTER_FIRST_TICK");
    if (value == nullptr || std::strcmp(value, "1") != 0) return;
    QObject::connect(
        &windowTimer, &QTimer::timeout, &windowTimer,
        [] {
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            std::fprintf(stderr, "first tick at %lld ns\n",
                         static_cast<long long>(now.tv_sec) * 1000000000LL + static_cast<long long>(now.tv_nsec));
            QCoreApplication::exit(0);
        },
        Qt::SingleShotConnection);
}

}  // namespace

int RunKEFirmwareUpdate(const std::function<void(CKeFirmwareUpdateDialog&)>& onWindowReady)
{
    std::optional<QApplication> application;
    if (QCoreApplication::instance() == nullptr) application.emplace(gArgc, gArgv);
    keui::PrepareDesktopApplication();
    // Only a quit request ends the program; the window never closes by itself.
    QApplication::setQuitOnLastWindowClosed(false);

    keui::LoadError error = keui::LoadError::kNone;
    std::unique_ptr<QWidget> window = keui::LoadInterfaceFile(keui::InterfaceFilePath(QStringLiteral("main")), error);
    if (error == keui::LoadError::kCannotOpen) return kInterfaceFileNotFound;
    if (error != keui::LoadError::kNone) return kInterfaceFileInvalid;
    if (window->findChild<QMenuBar*>(QStringLiteral("MenuBar")) == nullptr) return kMenuBarNotFound;
    if (window->objectName() != QStringLiteral("MainWindow")) return kMainWindowNotFound;

    // After a signal has ended the loop, nothing else decides the status.
    int quitSignal = 0;
    const auto quit = [&quitSignal](int status) {
        if (quitSignal == 0) QCoreApplication::exit(status);
    };
    auto dialog = std::make_unique<CKeFirmwareUpdateDialog>(window.get(), quit);
    // The signals come to the event loop, where the window decides; when
    // they cannot, they keep their previous handling.
    kesignals::SignalHold::Options toEventLoop;
    toEventLoop.wake = true;
    kesignals::SignalHold hold(toEventLoop);
    std::optional<QSocketNotifier> woken;
    if (hold.Holding()) {
        woken.emplace(hold.WakeFd(), QSocketNotifier::Read);
        QObject::connect(&*woken, &QSocketNotifier::activated, &*woken, [&] {
            while (const int signalNumber = hold.NextWoken()) {
                if (dialog->SignalEventHandler(signalNumber) || quitSignal != 0) continue;
                QCoreApplication::exit(128 + signalNumber);
                quitSignal = signalNumber;
            }
        });
    }
    InstallBenchmarkHook(dialog->Timer());
    if (onWindowReady) onWindowReady(*dialog);
    window->show();
    const int status = QApplication::exec();
    dialog.reset();
    return status;
}
