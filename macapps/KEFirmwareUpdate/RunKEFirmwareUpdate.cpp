// SPDX-License-Identifier: MIT
// Start-up: the interface file, the menu bar, the window and its controller,
// then the event loop until the user quits.
#include "macapps/KEFirmwareUpdate/RunKEFirmwareUpdate.h"

#include <QApplication>
#include <QMenuBar>
#include <QSocketNotifier>
#include <memory>
#include <optional>
#include <utility>

#include "macapps/KEFirmwareUpdate/KeFirmwareUpdateDialog.h"
#include "platform/ui/DesktopApplication.h"
#include "platform/ui/FitToText.h"
#include "platform/ui/InterfaceFile.h"
#include "platform/signals/SignalHold.h"

int RunKEFirmwareUpdate(KeWindowSettings settings, const std::function<void(CKeFirmwareUpdateDialog&)>& onWindowReady)
{
    keui::PrepareDesktopApplication();
    // Only a quit request ends the program; the window never closes by itself.
    QApplication::setQuitOnLastWindowClosed(false);

    keui::LoadError error = keui::LoadError::kNone;
    std::unique_ptr<QWidget> window = keui::LoadInterfaceFile(keui::InterfaceFilePath(QStringLiteral("main")), error);
    if (error == keui::LoadError::kCannotOpen) return kInterfaceFileNotFound;
    if (error != keui::LoadError::kNone) return kInterfaceFileInvalid;
    if (window->findChild<QMenuBar*>(QStringLiteral("MenuBar")) == nullptr) return kMenuBarNotFound;
    if (window->objectName() != QStringLiteral("MainWindow")) return kMainWindowNotFound;
    // Every language's texts are shown whole, however many lines they take.
    keui::FitToText fit(*window);

    // After a signal has ended the loop, nothing else decides the status.
    int quitSignal = 0;
    const auto quit = [&quitSignal](int status) {
        if (quitSignal == 0) QCoreApplication::exit(status);
    };
    auto dialog = std::make_unique<CKeFirmwareUpdateDialog>(window.get(), quit, std::move(settings.seams),
                                                            settings.processes, std::move(settings.failureLogPath));
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
    if (onWindowReady) onWindowReady(*dialog);
    window->show();
    const int status = QApplication::exec();
    dialog.reset();
    return status;
}
