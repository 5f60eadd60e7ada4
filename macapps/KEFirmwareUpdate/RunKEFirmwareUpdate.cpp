// Start-up: the interface file, the menu bar, the window and its controller,
// then the event loop until the user quits.
//
// One hook for the start-up benchmark (bench/bench_idle_tick): with
// KE_BENCH_EXIT_AFTER_FIRST_TICK=1 in the environment the program prints
// "first tick at <n> ns" (CLOCK_MONOTONIC) on standard error right after the
// window's first timer tick and quits as if the user had.
#include "macapps/KEFirmwareUpdate/RunKEFirmwareUpdate.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include "macapps/KEFirmwareUpdate/KeFirmwareUpdateDialog.h"
#include "platform/ui/HIToolbox.h"

namespace {

OSStatus ReportFirstTickAndQuit(EventLoopTimerRef /*timer*/, void* /*data*/)
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::fprintf(stderr, "first tick at %lld ns\n",
                 static_cast<long long>(now.tv_sec) * 1000000000LL + static_cast<long long>(now.tv_nsec));
    EventRef quit = nullptr;
    CreateEvent(nullptr, kEventClassApplication, kEventAppQuit, 0, kEventAttributeNone, &quit);
    SendEventToEventTarget(quit, GetApplicationEventTarget());
    ReleaseEvent(quit);
    return noErr;
}

// Installed after the window's timer with the same zero delay, so it fires
// right after the window's first tick.
void InstallBenchmarkHook()
{
    const char* value = std::getenv("KE_BENCH_EXIT_AFTER_FIRST_TICK");
    if (value == nullptr || std::strcmp(value, "1") != 0) return;
    InstallEventLoopTimer(GetCurrentEventLoop(), 0, 0, NewEventLoopTimerUPP(ReportFirstTickAndQuit), nullptr,
                          nullptr);
}

}  // namespace

int RunKEFirmwareUpdate(const std::function<void(CKeFirmwareUpdateDialog&)>& onWindowReady)
{
    IBNibRef nibRef = nullptr;
    WindowRef window = nullptr;
    OSStatus err = CreateNibReference("main", &nibRef);
    if (err != noErr) return err;

    err = SetMenuBarFromNib(nibRef, "MenuBar");
    if (err != noErr) return err;

    err = CreateWindowFromNib(nibRef, "MainWindow", &window);
    if (err != noErr) return err;

    DisposeNibReference(nibRef);

    auto dialog = std::make_unique<CKeFirmwareUpdateDialog>(window);
    InstallBenchmarkHook();
    if (onWindowReady) onWindowReady(*dialog);
    ShowWindow(window);
    RunApplicationEventLoop();
    dialog.reset();
    return err;
}
