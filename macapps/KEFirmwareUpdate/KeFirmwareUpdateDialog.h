// SPDX-License-Identifier: MIT
// The controller of the utility's only window: binds its eight controls,
// answers the buttons, the menu commands and the close box, and runs the
// half-second timer that shows the unit, starts the update job and follows
// it to the end. With several units on the bus a popup lets the user choose
// the one shown and updated. Main thread only.
#pragma once

#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "macapps/KEFirmwareUpdate/JobExitWait.h"
#include "macapps/KEFirmwareUpdate/KeAlerts.h"
#include "macapps/KEFirmwareUpdate/UnitChoice.h"
#include "macapps/KEFirmwareUpdate/UnitSurvey.h"
#include "macapps/KEFirmwareUpdate/kefirmwareupdate.h"
#include "macclasses/carboncontrols.h"
#include "platform/firewire/IOReturn.h"

namespace APW {
namespace PTA {
class CKeFirmwareUpdate;
struct UpdateResult;
}  // namespace PTA
}  // namespace APW
class TProcess;
class ProcessSource;
class QObject;

// The window's controls, as the interface file names them.
inline constexpr ControlID KEUpdateButtonID = {"keUD", 101};
inline constexpr ControlID KECancelButtonID = {"keUD", 100};
inline constexpr ControlID KECurrentFirmwareVersionStrID = {"keUD", 200};
inline constexpr ControlID KECurrentSerialNumberStrID = {"keUD", 201};
inline constexpr ControlID KEFinalCutRunningStrID = {"keUD", 202};
inline constexpr ControlID KEUpdateFirmwareVersionStrID = {"keUD", 203};
inline constexpr ControlID KEUnitPopupID = {"keUD", 204};
inline constexpr ControlID KEProgressBarID = {"keUD", 300};

// The menu commands, as the interface file's actions carry them in their
// "command" property.
inline constexpr char kHICommandAbout[] = "abou";
inline constexpr char kHICommandQuit[] = "quit";

enum KeFirmwareUpdateType : int {
    WAITFORINPUT = 0,  // idle: shows the unit and waits for a button
    STARTUPDATE = 1,   // confirmed: the next tick starts the job
    UPDATING = 2,      // the job runs; the timer follows it
};

// The instruction line while no unit can be used: empty when none is there,
// otherwise why the one that is there cannot be opened and how to fix it.
// In English: the window shows its translation.
const char* NotFoundAdvice(IOReturn discoveryStatus);

class CKeFirmwareUpdateDialog {
public:
    // Asks the application to quit with an exit status.
    using QuitRequest = std::function<void(int status)>;

    // `window` was created hidden and must outlive the controller. Creates
    // the update controller and starts the timer, whose first tick comes as
    // soon as the event loop runs. `quit` defaults to ending the event loop;
    // `seams` go to the controller, the running programs are `processes`'
    // (none: the window reads /proc itself), and the failure alert names
    // `failureLogPath` (empty: none).
    explicit CKeFirmwareUpdateDialog(QWidget* window, QuitRequest quit = {}, APW::PTA::UpdateSeams seams = {},
                                     ProcessSource* processes = nullptr, std::string failureLogPath = {});
    ~CKeFirmwareUpdateDialog();

    CKeFirmwareUpdateDialog(const CKeFirmwareUpdateDialog&) = delete;
    CKeFirmwareUpdateDialog& operator=(const CKeFirmwareUpdateDialog&) = delete;

    void UpdateEventHandler();
    void CancelEventHandler();
    // The user picked a unit in the popup.
    void UnitPopupEventHandler();
    // A menu command that reached the window; false when it is not the
    // window's to handle (an idle window leaves the quit command alone).
    // While an alert is open every command is the window's, and does nothing.
    bool ApplicationCommandHandler(const QString& command);
    void TimerEventHandler();
    // SIGINT, SIGTERM or SIGHUP, brought into the event loop. True when the
    // window holds it off because the flash is being written: it then quits
    // when the job is over, with 0 when the update succeeded and 1 when it
    // failed, without an alert. False: nothing is being written, the caller
    // quits at once.
    bool SignalEventHandler(int signalNumber);

    KeFirmwareUpdateType GetUpdateState() const { return _updateState; }
    // The half-second timer, for those who follow the window's ticks.
    QTimer& Timer() { return _timer; }
    // Runs while a unit found held is asked again soon, between the ticks.
    const QTimer& HoldRecheck() const { return mHoldRecheck; }
    // The look at the units that runs off the main thread while the window is idle.
    UnitSurvey& Survey() { return *mSurvey; }
    // Shows the survey that has just finished, if the window is idle; what
    // the survey's worker asks the main thread to do.
    void ShowFinishedSurvey();

private:
    void WaitForInputTick(TProcess& process);
    // Shows the last survey that finished, if any, and whether a video editor runs.
    void ShowLatestSurvey(TProcess& process);
    void ShowSurvey(const UnitSurvey::Readings& survey);
    // The chosen unit as the last survey found it: offered, not usable, or none.
    void ShowChoice();
    // One log line for each unit that arrived, left or changed since the last lines.
    void LogChanges(const UnitSurvey::Readings& survey);
    // After a discovery that found the unit held: true when the unit on show
    // stays as it is until it is asked again, soon.
    bool RecheckHeldUnitSoon();
    // The popup lists the units offered; on show only when there are several.
    void ShowUnitPopup();
    // The chosen unit's version, serial number and instruction, and the
    // button that fits it.
    void ShowChosenUnit();
    void UpdatingTick();
    // Tells the user which part of the job failed; the window goes idle.
    void ReportFailedJob(const APW::PTA::UpdateResult& result);
    // The job is over after a held signal: its result goes to the log, then
    // the program quits.
    void QuitAfterHeldSignal(const APW::PTA::UpdateResult& result);
    // A command from the menu or the close box: the window's handling first,
    // then the standard one, which quits on the quit command.
    void ProcessCommand(const QString& command);
    // While the job runs the quit waits for its end (see QuitAfterHeldSignal).
    void SendQuitRequest(int status = 0);
    // Alerts run their own event loop, where the window's controls still get
    // input that bypasses modality (an accessibility action): while one is
    // open, none of them starts anything.
    AlertButton OpenAlert(const std::function<AlertButton()>& show);
    bool AlertOpen() const { return mOpenAlerts > 0; }
    // The installed version of the unit shown; empty while none is.
    std::string ShownVersion();

    CControl _updateButton;
    CControl _cancelButton;
    CControl _currentFirmwareVersionStr;
    CControl _currentSerialNumberStr;
    CControl _finalCutRunningStr;
    CControl _updateFirmwareVersionStr;
    CControl _progressBar;
    CPopupControl _unitPopup;
    UnitChoice _unitChoice;
    // The popup's entries as last set.
    std::vector<std::string> _unitEntries;
    QWidget* _unitCaption = nullptr;  // the popup's caption; the window owns it
    KeFirmwareUpdateType _updateState = WAITFORINPUT;
    int _heldSignal = 0;           // a signal that came during the job, or 0
    int _cancelSignal = 0;         // a signal that cancelled the job before its first erase, or 0
    bool mQuitWhenOver = false;    // a quit came while the job ran
    int mOpenAlerts = 0;
    bool mUnitOffered = false;     // the last discovery offered a unit for an update
    bool mUnitWritable = false;    // ...and the next job may write it
    bool mEditorRunning = false;   // a video editor ran at the last look
    // The units as the log last told them; none before the first survey shown.
    std::optional<UnitSurvey::Readings> mLogged;
    int mHoldRechecks = 0;         // early discoveries since the unit was found held
    APW::PTA::CKeFirmwareUpdate* _pKe = nullptr;
    QWidget* _window;
    QuitRequest _quit;
    std::unique_ptr<ProcessSource> mOwnProcesses;  // when none was given
    ProcessSource& mProcesses;
    std::string mFailureLogPath;
    QTimer _timer;
    QTimer mHoldRecheck;
    // From the first job on: an exit from anywhere waits for the job.
    std::optional<JobExitWait> mExitWait;
    // Turns the window's close box into a quit command.
    std::unique_ptr<QObject> _closeBox;
    // Last: it ends first, before the timer its worker posts to.
    std::unique_ptr<UnitSurvey> mSurvey;
};
