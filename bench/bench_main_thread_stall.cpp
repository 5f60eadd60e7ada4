// SPDX-License-Identifier: MIT
// The window's longest main-thread stall: the real window and controller,
// their own half-second timer running, over the in-process simulated unit.
// A 10 ms precise timer runs beside them; how late each of its ticks comes
// is how long the main thread could not answer the user. Five runs of
// 4 s each, one after the other in one process:
//   idle          the unit present, nothing happening
//   updating      the update job writing the unit on its worker thread
//   held          another client holds the unit, as a program updating it
//                 from the command line would
//   slow 2 s      the unit answers each request in 2 s, as a real unit that
//                 stopped answering does once the kernel's split timeout
//                 ends each request
//   silent        the unit has stopped answering altogether
// Target: the worst lateness at most 20 ms in each.
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "macapps/KEFirmwareUpdate/KeFirmwareUpdateDialog.h"
#include "platform/ui/InterfaceFile.h"
#include "sim/KeUnitModel.h"
#include "tests/support/SimUnitTransport.h"

namespace {

constexpr int kProbeMs = 10;
constexpr int kRunMs = 4000;
constexpr double kTargetMs = 20.0;

struct Lateness {
    double worstMs = 0;
    double medianMs = 0;
    int ticks = 0;
};

// Runs the event loop for kRunMs while a 10 ms timer notes how late it fires.
Lateness Probe()
{
    std::vector<double> late;
    QElapsedTimer clock;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(kProbeMs);
    qint64 last = 0;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        late.push_back(std::max(0.0, static_cast<double>(now - last) / 1e6 - kProbeMs));
        last = now;
    });
    QEventLoop loop;
    QTimer::singleShot(kRunMs, &loop, &QEventLoop::quit);
    clock.start();
    probe.start();
    loop.exec();
    if (late.empty()) return {};
    std::sort(late.begin(), late.end());
    return {late.back(), late[late.size() / 2], static_cast<int>(late.size())};
}

void Print(FILE* out, const char* what, const Lateness& lateness)
{
    std::fprintf(out, "  %-10s worst %7.2f ms   median %6.2f ms   (%4d ticks)   target worst <= %.0f ms: %s\n", what,
                 lateness.worstMs, lateness.medianMs, lateness.ticks, kTargetMs,
                 lateness.worstMs <= kTargetMs ? "met" : "MISSED");
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The update's history record goes to a folder of the benchmark's own.
    QTemporaryDir state;
    if (!state.isValid()) return 1;
    qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
    QApplication application(argc, argv);
    // Alerts (an update that ended) are answered so that the loops go on.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->reject();
    });
    answer.start(50);

    auto model = std::make_shared<kesim::KeUnitModel>();
    APW::PTA::UpdateSeams seams;
    seams.transports = {std::make_shared<fwplat::SimUnitTransport>(model)};
    keui::LoadError error = keui::LoadError::kNone;
    std::unique_ptr<QWidget> window = keui::LoadInterfaceFile(keui::InterfaceFilePath(QStringLiteral("main")), error);
    if (!window) {
        std::fprintf(stderr, "bench_main_thread_stall: the interface file main.ui is not beside the program\n");
        return 1;
    }
    // The program's trace lines would swamp the figures.
    std::fflush(stdout);
    FILE* figures = fdopen(dup(fileno(stdout)), "w");
    if (figures == nullptr || freopen("/dev/null", "w", stdout) == nullptr) return 1;

    Lateness idle, updating, held, slow, silent;
    bool updated = false;
    {
        CKeFirmwareUpdateDialog dialog(
            window.get(), [](int) {}, seams);
        window->show();
        idle = Probe();

        auto* button = window->findChild<QPushButton*>(KEUpdateButtonID.ObjectName());
        if (button != nullptr && button->isEnabled()) button->click();
        updated = dialog.GetUpdateState() != WAITFORINPUT;
        updating = Probe();
        while (dialog.GetUpdateState() != WAITFORINPUT) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

        if (!model->Acquire()) return 1;
        held = Probe();
        model->Relinquish();

        model->SetLatency(std::chrono::seconds(2));
        slow = Probe();
        // Never answers within the run, nor while the window ends.
        model->SetLatency(std::chrono::hours(1));
        silent = Probe();
    }

    std::fprintf(figures, "Main-thread stall of the window: lateness of a %d ms timer over %d s each\n", kProbeMs,
                 kRunMs / 1000);
    Print(figures, "idle", idle);
    Print(figures, updated ? "updating" : "NO UPDATE", updating);
    Print(figures, "held", held);
    Print(figures, "slow 2 s", slow);
    Print(figures, "silent", silent);
    std::fclose(figures);
    return 0;
}
