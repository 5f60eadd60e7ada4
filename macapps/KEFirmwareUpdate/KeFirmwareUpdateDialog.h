// The controller of the utility's only window: binds its seven controls,
// answers the buttons and the menu commands, and runs the half-second timer
// that shows the unit, starts the update job and follows it to the end.
// Main thread only.
#pragma once

#include "macclasses/carboncontrols.h"
#include "platform/firewire/IOReturn.h"
#include "platform/ui/HIToolbox.h"

namespace APW {
namespace PTA {
class CKeFirmwareUpdate;
struct UpdateResult;
}  // namespace PTA
}  // namespace APW
class TProcess;

// The window's controls, as the interface file names them.
inline constexpr ControlID KEUpdateButtonID = {FourCC("keUD"), 101};
inline constexpr ControlID KECancelButtonID = {FourCC("keUD"), 100};
inline constexpr ControlID KECurrentFirmwareVersionStrID = {FourCC("keUD"), 200};
inline constexpr ControlID KECurrentSerialNumberStrID = {FourCC("keUD"), 201};
inline constexpr ControlID KEFinalCutRunningStrID = {FourCC("keUD"), 202};
inline constexpr ControlID KEUpdateFirmwareVersionStrID = {FourCC("keUD"), 203};
inline constexpr ControlID KEProgressBarID = {FourCC("keUD"), 300};

enum KeFirmwareUpdateType : UInt32 {
    WAITFORINPUT = 0,  // idle: shows the unit and waits for a button
    STARTUPDATE = 1,   // confirmed: the next tick starts the job
    UPDATING = 2,      // the job runs; the timer follows it
};

// The instruction line while no unit can be used: empty when none is there,
// otherwise why the one that is there cannot be opened and how to fix it.
const char* NotFoundAdvice(IOReturn discoveryStatus);

class CKeFirmwareUpdateDialog {
public:
    // `window` was created hidden and must outlive the controller. Creates
    // the update controller and starts the timer, whose first tick comes as
    // soon as the event loop runs.
    explicit CKeFirmwareUpdateDialog(WindowRef window);
    ~CKeFirmwareUpdateDialog();

    // Handlers get the controller as user data: it never moves.
    CKeFirmwareUpdateDialog(const CKeFirmwareUpdateDialog&) = delete;
    CKeFirmwareUpdateDialog& operator=(const CKeFirmwareUpdateDialog&) = delete;

    OSStatus UpdateEventHandler(EventHandlerCallRef inHandlerRef, EventRef inEvent);
    OSStatus CancelEventHandler(EventHandlerCallRef inHandlerRef, EventRef inEvent);
    OSStatus ApplicationCommandHandler(EventHandlerCallRef handlerRef, EventRef event);
    OSStatus TimerEventHandler(EventLoopTimerRef timerRef);

    static OSStatus UpdateEventHandlerStatic(EventHandlerCallRef inHandlerRef, EventRef inEvent, void* userData);
    static OSStatus CancelEventHandlerStatic(EventHandlerCallRef inHandlerRef, EventRef inEvent, void* userData);
    static OSStatus ApplicationCommandHandlerStatic(EventHandlerCallRef handlerRef, EventRef event,
                                                    void* userData);
    static OSStatus TimerEventHandlerStatic(EventLoopTimerRef timerRef, void* userData);

    KeFirmwareUpdateType GetUpdateState() const { return _updateState; }

private:
    OSStatus WaitForInputTick(TProcess& process);
    OSStatus UpdatingTick();
    // Tells the user which part of the job failed; the window goes idle.
    void ReportFailedJob(const APW::PTA::UpdateResult& result);
    // Asks the application to quit; the status of the send.
    OSStatus SendQuitRequest();

    CControl _updateButton;
    CControl _cancelButton;
    CControl _currentFirmwareVersionStr;
    CControl _currentSerialNumberStr;
    CControl _finalCutRunningStr;
    CControl _updateFirmwareVersionStr;
    CControl _progressBar;
    KeFirmwareUpdateType _updateState = WAITFORINPUT;
    APW::PTA::CKeFirmwareUpdate* _pKe = nullptr;
    WindowRef _window;
    // Kept only to stop the timer with the controller, so that it never
    // calls a controller that is gone.
    EventLoopTimerRef _timer = nullptr;
};
