#include "macapps/KEFirmwareUpdate/KeFirmwareUpdateDialog.h"

#include <string>

#include "macapps/KEFirmwareUpdate/DownloadProgress.h"
#include "macapps/KEFirmwareUpdate/KeAlerts.h"
#include "macapps/KEFirmwareUpdate/kefirmwareupdate.h"
#include "macclasses/Process.h"

using APW::PTA::CKeFirmwareUpdate;
using APW::PTA::UpdateOutcome;
using APW::PTA::UpdateResult;

namespace {

// The video editing applications that may be driving the unit.
constexpr OSType kVideoEditorCreator = FourCC("KeyG");

constexpr EventTimerInterval kFirstTickDelay = 0.0;
constexpr EventTimerInterval kTickInterval = 0.5;

const RGBColor kWarningRed = {65535, 0, 0};

const char kUpgradePrefix[] = "Select Upgrade button to download firmware version ";
const char kDowngradePrefix[] = "Select Downgrade button to download firmware version ";
const char kInstructionSuffix[] = " to Ke:";
const char kNotFound[] = "Ke Not Found";

}  // namespace

const char* NotFoundAdvice(IOReturn discoveryStatus)
{
    switch (discoveryStatus) {
    case kIOReturnNotPermitted:
        return "A Ke is connected, but you may not use it: install the udev rule from the package and join the "
               "video group (see PERMISSIONS in man KEFirmwareUpdate), then plug the Ke in again.";
    case kIOReturnExclusiveAccess:
        return "A Ke is connected, but another program is using it: quit that program to update the Ke.";
    default:
        return "";
    }
}

CKeFirmwareUpdateDialog::CKeFirmwareUpdateDialog(WindowRef window) : _window(window)
{
    // A control missing from the window stays unbound and stops the program
    // at its first use.
    _updateButton.Init(KEUpdateButtonID, _window);
    _cancelButton.Init(KECancelButtonID, _window);
    _currentFirmwareVersionStr.Init(KECurrentFirmwareVersionStrID, _window);
    _currentSerialNumberStr.Init(KECurrentSerialNumberStrID, _window);
    _finalCutRunningStr.Init(KEFinalCutRunningStrID, _window);
    _updateFirmwareVersionStr.Init(KEUpdateFirmwareVersionStrID, _window);
    _progressBar.Init(KEProgressBarID, _window);

    _progressBar.SetValue(0);
    _updateButton.Disable();
    _finalCutRunningStr.SetVisibility(false);
    _finalCutRunningStr.SetFontForeColor(kWarningRed);

    // Made before any handler knows this object, so that a failure here
    // leaves no handler behind that points at it.
    _pKe = new CKeFirmwareUpdate;

    _updateButton.SetupEventHandler(kEventControlHit, NewEventHandlerUPP(UpdateEventHandlerStatic), this);
    _cancelButton.SetupEventHandler(kEventControlHit, NewEventHandlerUPP(CancelEventHandlerStatic), this);

    const EventTypeSpec commandEvent = {kEventClassCommand, kEventCommandProcess};
    InstallEventHandler(GetWindowEventTarget(_window), NewEventHandlerUPP(ApplicationCommandHandlerStatic), 1,
                        &commandEvent, this, nullptr);

    InstallEventLoopTimer(GetCurrentEventLoop(), kFirstTickDelay, kTickInterval,
                          NewEventLoopTimerUPP(TimerEventHandlerStatic), this, &_timer);
}

CKeFirmwareUpdateDialog::~CKeFirmwareUpdateDialog()
{
    if (_timer != nullptr) RemoveEventLoopTimer(_timer);
    delete _pKe;
}

// ---------------------------------------------------------------- forwarders

OSStatus CKeFirmwareUpdateDialog::UpdateEventHandlerStatic(EventHandlerCallRef inHandlerRef, EventRef inEvent,
                                                           void* userData)
{
    return static_cast<CKeFirmwareUpdateDialog*>(userData)->UpdateEventHandler(inHandlerRef, inEvent);
}

OSStatus CKeFirmwareUpdateDialog::CancelEventHandlerStatic(EventHandlerCallRef inHandlerRef, EventRef inEvent,
                                                           void* userData)
{
    return static_cast<CKeFirmwareUpdateDialog*>(userData)->CancelEventHandler(inHandlerRef, inEvent);
}

OSStatus CKeFirmwareUpdateDialog::ApplicationCommandHandlerStatic(EventHandlerCallRef handlerRef, EventRef event,
                                                                  void* userData)
{
    return static_cast<CKeFirmwareUpdateDialog*>(userData)->ApplicationCommandHandler(handlerRef, event);
}

OSStatus CKeFirmwareUpdateDialog::TimerEventHandlerStatic(EventLoopTimerRef timerRef, void* userData)
{
    return static_cast<CKeFirmwareUpdateDialog*>(userData)->TimerEventHandler(timerRef);
}

// ------------------------------------------------------------------ handlers

OSStatus CKeFirmwareUpdateDialog::UpdateEventHandler(EventHandlerCallRef /*inHandlerRef*/, EventRef /*inEvent*/)
{
    // The button is disabled once an update is requested; a late hit changes nothing.
    if (_updateState != WAITFORINPUT) return noErr;

    if (_pKe->IsDowngrade() && ShowDowngradeAlert() == kAlertStdAlertCancelButton) return SendQuitRequest();

    _updateButton.Disable();
    _cancelButton.Disable();
    _updateState = STARTUPDATE;
    return noErr;
}

OSStatus CKeFirmwareUpdateDialog::CancelEventHandler(EventHandlerCallRef /*inHandlerRef*/, EventRef /*inEvent*/)
{
    return SendQuitRequest();
}

OSStatus CKeFirmwareUpdateDialog::ApplicationCommandHandler(EventHandlerCallRef /*handlerRef*/, EventRef event)
{
    OSStatus result = eventNotHandledErr;
    HICommand command{};
    if (GetEventParameter(event, kEventParamDirectObject, typeHICommand, nullptr, sizeof(HICommand), nullptr,
                          &command) != noErr) {
        return result;
    }

    switch (command.commandID) {
    case kHICommandAbout:
        ShowAboutDialog();
        result = noErr;
        break;
    case kHICommandQuit:
        // Idle: the standard handling quits. Never in the middle of a flash write.
        if (_updateState != WAITFORINPUT) result = noErr;
        break;
    default:
        break;
    }
    return result;
}

OSStatus CKeFirmwareUpdateDialog::TimerEventHandler(EventLoopTimerRef /*timerRef*/)
{
    TProcess process(kMyProcess);

    switch (_updateState) {
    case WAITFORINPUT:
        return WaitForInputTick(process);
    case STARTUPDATE:
        _updateState = UPDATING;
        // The bar reads the shared progress from the next tick on: start it
        // from 0, not from where an earlier job left it. No job runs now.
        gDownloadProgress.Reset();
        _pKe->DoUpdate();
        return noErr;
    case UPDATING:
        return UpdatingTick();
    }
    return noErr;
}

// ------------------------------------------------------------------- ticks

OSStatus CKeFirmwareUpdateDialog::WaitForInputTick(TProcess& process)
{
    if (!_pKe->IsFound()) {
        // Empty when there is simply no unit; otherwise what keeps it from the user.
        _updateFirmwareVersionStr.SetText(NotFoundAdvice(_pKe->GetDiscoveryStatus()));
        _currentFirmwareVersionStr.SetText(kNotFound);
        _currentSerialNumberStr.SetText(kNotFound);
        _updateButton.Disable();
        _finalCutRunningStr.SetVisibility(false);
        return noErr;
    }

    _cancelButton.Enable(true);
    std::string text;
    _pKe->GetCurrentFirmwareVersionString(text);
    _currentFirmwareVersionStr.SetText(text.c_str());
    _pKe->GetSerialNumberString(text);
    _currentSerialNumberStr.SetText(text.c_str());
    _pKe->GetUpdateFirmwareVersionString(text);

    const bool downgrade = _pKe->IsDowngrade();
    const std::string instruction = (downgrade ? kDowngradePrefix : kUpgradePrefix) + text + kInstructionSuffix;
    _updateFirmwareVersionStr.SetText(instruction.c_str());
    _updateButton.SetTitle(downgrade ? "Downgrade" : "Upgrade");

    const bool editorRunning = process.FindProcess(kVideoEditorCreator);
    _updateButton.Enable(!editorRunning);
    _finalCutRunningStr.SetVisibility(editorRunning);
    return noErr;
}

OSStatus CKeFirmwareUpdateDialog::UpdatingTick()
{
    const bool done = _pKe->GetDoneStatus();
    _progressBar.SetValue(static_cast<SInt32>(gDownloadProgress.Get()));
    if (!done) return noErr;

    // Idle before any alert: ticks that come while it is open must not end the job twice.
    _updateState = WAITFORINPUT;
    const UpdateResult result = _pKe->GetUpdateResult();
    if (!result.Succeeded()) {
        ReportFailedJob(result);
        return noErr;
    }

    if (ShowDownloadDoneAlert() == kAlertStdAlertCancelButton) {
        _progressBar.SetValue(0);
        return noErr;
    }
    return SendQuitRequest();
}

void CKeFirmwareUpdateDialog::ReportFailedJob(const UpdateResult& result)
{
    switch (result.outcome) {
    case UpdateOutcome::kDownloadFailed:
        ShowUpdateFailedAlert(result.image == fileMCORE ? "microcontroller" : "FPGA", result.status);
        break;
    case UpdateOutcome::kUnitNotFound:
        ShowUpdateNotStartedAlert("the Ke was not found on the FireWire bus", result.status);
        break;
    case UpdateOutcome::kThreadNotStarted:
        ShowUpdateNotStartedAlert("the system could not start the update thread", result.status);
        break;
    default:
        ShowUpdateNotStartedAlert("the update ended without a result", result.status);
        break;
    }
    // Nothing of the failed job stays on show; the user may try again, or
    // leave even when the unit has gone.
    _progressBar.SetValue(0);
    _cancelButton.Enable(true);
}

OSStatus CKeFirmwareUpdateDialog::SendQuitRequest()
{
    EventRef quitEvent = nullptr;
    CreateEvent(nullptr, kEventClassApplication, kEventAppQuit, 0, kEventAttributeNone, &quitEvent);
    const OSStatus status = SendEventToEventTarget(quitEvent, GetApplicationEventTarget());
    ReleaseEvent(quitEvent);
    return status;
}
