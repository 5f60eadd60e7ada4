// SPDX-License-Identifier: MIT
#include "macapps/KEFirmwareUpdate/KeFirmwareUpdateDialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QString>
#include <QWidget>
#include <iostream>
#include <optional>
#include <string>
#include <utility>

#include "macapps/KEFirmwareUpdate/DownloadProgress.h"
#include "macapps/KEFirmwareUpdate/FlashImage.h"
#include "macapps/KEFirmwareUpdate/KeAlerts.h"
#include "macapps/KEFirmwareUpdate/kefirmwareupdate.h"
#include "macclasses/Process.h"
#include "platform/process/ProcessSource.h"
#include "platform/signals/SignalHold.h"
#include "platform/ui/Translations.h"

using APW::PTA::CKeFirmwareUpdate;
using APW::PTA::UpdateOutcome;
using APW::PTA::UpdateResult;

namespace {

// The video editing applications that may be driving the unit.
constexpr OSType kVideoEditorCreator = FourCC("KeyG");

constexpr int kFirstTickDelayMs = 0;
constexpr int kTickIntervalMs = 500;
// Another program's discovery holds the unit for a few milliseconds: a unit
// found held is asked again this soon, this many times, between the ticks,
// before the window says it is held. No tick ever waits for it.
constexpr int kHoldRecheckMs = 10;
constexpr int kHoldRechecks = 20;

const QColor kWarningRed(255, 0, 0);

// The window's texts, in the user's language where they are shown.
constexpr char kContext[] = "CKeFirmwareUpdateDialog";
const char* const kNotFound = QT_TRANSLATE_NOOP("CKeFirmwareUpdateDialog", "Ke Not Found");
const char* const kUpdatingLine = QT_TRANSLATE_NOOP(
    "CKeFirmwareUpdateDialog", "Updating the Ke: do not power it off or unplug it until the update is over.");
const char* const kQuitWhenOverLine =
    QT_TRANSLATE_NOOP("CKeFirmwareUpdateDialog", "KEFirmwareUpdate will quit when the update is over.");
// What the progress bar is called, for screen readers: what is being written.
const char* const kProgressName = QT_TRANSLATE_NOOP("CKeFirmwareUpdateDialog", "Update progress");
// Log lines are never translated.
const char kNoUnitLogLine[] = "No Ke connected";

QString Tr(const char* source) { return QCoreApplication::translate(kContext, source); }

// A text of the core's or the unit's, within a translated one.
QString Shown(const std::string& text) { return QString::fromStdString(text); }

QString WritingName()
{
    const FlashImage* flash = FlashImageFor(gDownloadProgress.GetPhaseDevice());
    if (flash == nullptr) return QCoreApplication::translate("CKeFirmwareUpdateDialog", "Writing the firmware image");
    // Whole sentences: the image's name takes another form in some languages.
    return flash->device == Xilinx
               ? QCoreApplication::translate("CKeFirmwareUpdateDialog", "Writing the FPGA image")
               : QCoreApplication::translate("CKeFirmwareUpdateDialog", "Writing the microcontroller image");
}

QString QuitWhenOverLines() { return Tr(kUpdatingLine) + QLatin1Char('\n') + Tr(kQuitWhenOverLine); }

QString NotOffered(const std::string& reason)
{
    return QCoreApplication::translate("CKeFirmwareUpdateDialog", "Not offered: %1.").arg(Shown(reason));
}
const char kCommandProperty[] = "command";

// The window never closes by its close box: the box asks to quit, which
// the window's command handling may refuse.
class CloseBoxFilter final : public QObject {
public:
    CloseBoxFilter(QWidget* window, std::function<void()> onClose) : mWindow(window), mOnClose(std::move(onClose))
    {
        mWindow->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != mWindow || event->type() != QEvent::Close) return false;
        event->ignore();
        mOnClose();
        return true;
    }

private:
    QWidget* mWindow;
    std::function<void()> mOnClose;
};

}  // namespace

const char* NotFoundAdvice(IOReturn discoveryStatus)
{
    switch (discoveryStatus) {
    case kIOReturnNotPermitted:
        return QT_TRANSLATE_NOOP("CKeFirmwareUpdateDialog",
                                 "A Ke is connected, but you may not use it: install the udev rule from the package "
                                 "and join the video group (see PERMISSIONS in man KEFirmwareUpdate), then plug the "
                                 "Ke in again.");
    case kIOReturnExclusiveAccess:
        return QT_TRANSLATE_NOOP("CKeFirmwareUpdateDialog",
                                 "A Ke is connected, but another program is using it: quit that program to update "
                                 "the Ke.");
    default:
        return "";
    }
}

CKeFirmwareUpdateDialog::CKeFirmwareUpdateDialog(QWidget* window, QuitRequest quit, APW::PTA::UpdateSeams seams,
                                                 ProcessSource* processes, std::string failureLogPath)
    : _window(window),
      _quit(quit ? std::move(quit) : QuitRequest([](int status) { QCoreApplication::exit(status); })),
      mOwnProcesses(processes ? nullptr : std::make_unique<ProcDirectorySource>()),
      mProcesses(processes ? *processes : *mOwnProcesses),
      mFailureLogPath(std::move(failureLogPath))
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
    _unitPopup.Init(KEUnitPopupID, _window);

    _progressBar.SetValue(0);
    _updateButton.Disable();
    _finalCutRunningStr.SetVisibility(false);
    _finalCutRunningStr.SetFontForeColor(kWarningRed);
    // Hidden, the popup's row takes no room: with one unit the window looks
    // as it always did.
    _unitPopup.SetVisibility(false);
    QWidget* popup = _unitPopup.GetControlRef();
    QSizePolicy policy = popup->sizePolicy();
    policy.setRetainSizeWhenHidden(false);
    popup->setSizePolicy(policy);
    for (QLabel* label : _window->findChildren<QLabel*>()) {
        if (label->buddy() == popup) _unitCaption = label;
    }
    ShowUnitPopup();

    // Made before anything knows this object, so that a failure here leaves
    // no handler behind that points at it. The survey has its own share of
    // the buses: it may outlive the controller.
    mSurvey = std::make_unique<UnitSurvey>(seams.transports, seams.sleep, [this] {
        QMetaObject::invokeMethod(
            &_timer, [this] { ShowFinishedSurvey(); }, Qt::QueuedConnection);
    });
    _pKe = new CKeFirmwareUpdate(std::move(seams));

    _updateButton.SetupEventHandler([this] { UpdateEventHandler(); });
    _cancelButton.SetupEventHandler([this] { CancelEventHandler(); });
    _unitPopup.SetupEventHandler([this] { UnitPopupEventHandler(); });

    // Menu commands and the close box; their connections end with the
    // controller, the window may live on.
    _closeBox = std::make_unique<CloseBoxFilter>(_window, [this] { ProcessCommand(kHICommandQuit); });
    for (QAction* action : _window->findChildren<QAction*>()) {
        const QString command = action->property(kCommandProperty).toString();
        if (command.isEmpty()) continue;
        QObject::connect(action, &QAction::triggered, _closeBox.get(), [this, command] { ProcessCommand(command); });
    }

    _timer.setInterval(kFirstTickDelayMs);
    QObject::connect(&_timer, &QTimer::timeout, [this] {
        if (_timer.interval() != kTickIntervalMs) _timer.setInterval(kTickIntervalMs);
        TimerEventHandler();
    });
    _timer.start();

    mHoldRecheck.setSingleShot(true);
    mHoldRecheck.setInterval(kHoldRecheckMs);
    QObject::connect(&mHoldRecheck, &QTimer::timeout, [this] {
        if (_updateState == WAITFORINPUT) TimerEventHandler();
    });
}

CKeFirmwareUpdateDialog::~CKeFirmwareUpdateDialog()
{
    mExitWait.reset();
    // Waits for a job that still runs.
    delete _pKe;
}

// ------------------------------------------------------------------ handlers

void CKeFirmwareUpdateDialog::UpdateEventHandler()
{
    // The button is disabled once an update is requested; a late hit changes nothing.
    if (_updateState != WAITFORINPUT || AlertOpen()) return;

    const auto shown = _pKe->GetShownUnit();
    const std::string version = ShownVersion();
    if (_pKe->IsDowngrade() && OpenAlert(ShowDowngradeAlert) == kAlertCancelButton) return SendQuitRequest();
    // Ticks go on while the alert is open: a unit other than the one confirmed,
    // or one that now runs another version, may be shown now.
    if (_pKe->GetShownUnit() != shown || ShownVersion() != version) return;

    _updateButton.Disable();
    _cancelButton.Disable();
    _unitPopup.Disable();
    _unitChoice.ForgetLeft();
    _updateState = STARTUPDATE;
}

void CKeFirmwareUpdateDialog::CancelEventHandler()
{
    if (!AlertOpen()) SendQuitRequest();
}

std::string CKeFirmwareUpdateDialog::ShownVersion()
{
    std::string version;
    if (_pKe->GetShownUnit()) _pKe->GetCurrentFirmwareVersionString(version);
    return version;
}

void CKeFirmwareUpdateDialog::UnitPopupEventHandler()
{
    // The popup goes back to the unit chosen.
    if (_updateState != WAITFORINPUT || AlertOpen()) return ShowUnitPopup();
    _unitChoice.Choose(static_cast<std::size_t>(_unitPopup.GetValue() - 1));
    // Shown at once from the last look at the bus; the next tick looks again.
    ShowChoice();
}

bool CKeFirmwareUpdateDialog::ApplicationCommandHandler(const QString& command)
{
    if (AlertOpen()) return true;
    if (command == QLatin1String(kHICommandAbout)) {
        OpenAlert(ShowAboutDialog);
        return true;
    }
    // Idle: the standard handling quits. Never in the middle of a flash write.
    if (command == QLatin1String(kHICommandQuit)) return _updateState != WAITFORINPUT;
    return false;
}

void CKeFirmwareUpdateDialog::ProcessCommand(const QString& command)
{
    if (ApplicationCommandHandler(command)) return;
    if (command == QLatin1String(kHICommandQuit)) SendQuitRequest();
}

bool CKeFirmwareUpdateDialog::SignalEventHandler(int signalNumber)
{
    if (_updateState != UPDATING) return false;
    if (_cancelSignal != 0) return true;  // the job is stopping; it quits then
    if (_heldSignal == 0 && _pKe->CancelBeforeErase()) {
        std::cerr << "KEFirmwareUpdate: signal " << signalNumber
                  << " came before anything was written; the update is cancelled\n";
        _cancelSignal = signalNumber;
        return true;
    }
    if (_heldSignal == 0) {
        std::cerr << "KEFirmwareUpdate: signal " << signalNumber
                  << " came while the Ke is being written; quitting when the update is over\n";
        _updateFirmwareVersionStr.SetText(QuitWhenOverLines());
    }
    _heldSignal = signalNumber;
    return true;
}

void CKeFirmwareUpdateDialog::TimerEventHandler()
{
    TProcess process(kMyProcess, mProcesses);

    switch (_updateState) {
    case WAITFORINPUT:
        WaitForInputTick(process);
        return;
    case STARTUPDATE:
        // The job reads the unit itself; no survey runs beside it, and none from before it is shown after it.
        if (mSurvey->Running()) return;
        mSurvey->Discard();
        _updateState = UPDATING;
        mUnitOffered = false;
        mUnitWritable = false;
        // The bar reads the shared progress from the next tick on: start it
        // from 0, not from where an earlier job left it. No job runs now.
        gDownloadProgress.Reset();
        _updateFirmwareVersionStr.SetText(Tr(kUpdatingLine));
        _progressBar.SetAccessibleName(WritingName());
        {
            // The worker starts with the signals blocked: they come to this
            // thread and never cut a transaction short.
            const kesignals::SignalBlock block;
            if (!mExitWait) mExitWait.emplace(*_pKe);
            _pKe->DoUpdate();
        }
        return;
    case UPDATING:
        UpdatingTick();
        return;
    }
}

// ------------------------------------------------------------------- ticks

void CKeFirmwareUpdateDialog::WaitForInputTick(TProcess& process)
{
    ShowLatestSurvey(process);
    // The units are read off this thread, one survey at a time: a slow or silent unit never holds up the window.
    mSurvey->Start();
}

void CKeFirmwareUpdateDialog::ShowFinishedSurvey()
{
    if (_updateState != WAITFORINPUT) return;
    TProcess process(kMyProcess, mProcesses);
    ShowLatestSurvey(process);
}

void CKeFirmwareUpdateDialog::ShowLatestSurvey(TProcess& process)
{
    if (std::optional<UnitSurvey::Readings> survey = mSurvey->TakeFinished()) ShowSurvey(*survey);
    if (!mUnitWritable) return;
    mEditorRunning = process.FindProcess(kVideoEditorCreator);
    _updateButton.Enable(!mEditorRunning);
    _finalCutRunningStr.SetVisibility(mEditorRunning);
}

void CKeFirmwareUpdateDialog::ShowSurvey(const UnitSurvey::Readings& survey)
{
    _unitChoice.Update(survey);
    ShowUnitPopup();
    const APW::PTA::KeUnitReading* problem = _unitChoice.ChosenProblem();
    if (_unitChoice.Chosen() == nullptr || problem != nullptr) {
        _pKe->ShowNoUnit(problem ? problem : survey.empty() ? nullptr : &survey.front());
        // A hold of a moment is neither shown nor logged.
        if (RecheckHeldUnitSoon()) return;
    }
    LogChanges(survey);
    ShowChoice();
}

void CKeFirmwareUpdateDialog::LogChanges(const UnitSurvey::Readings& survey)
{
    // The first look is told even when it finds nothing: the log then shows the window looked.
    if (!mLogged && survey.empty()) std::cout << kNoUnitLogLine << "\n";
    for (const std::string& line : SurveyChanges(mLogged.value_or(UnitSurvey::Readings{}), survey))
        std::cout << line << "\n";
    mLogged = survey;
}

namespace {

// The instruction line for a unit found but not offered: why, and what to do.
QString NotOfferedLine(const APW::PTA::KeUnitReading& unit)
{
    if (!unit.reason.empty()) return NotOffered(unit.reason);
    const char* advice = NotFoundAdvice(unit.status);
    if (*advice != '\0') return Tr(advice);
    return QCoreApplication::translate("CKeFirmwareUpdateDialog", "Not offered: the Ke could not be opened: %1.")
        .arg(Shown(APW::PTA::KeStatusText(unit.status)));
}

}  // namespace

void CKeFirmwareUpdateDialog::ShowChoice()
{
    const APW::PTA::KeUnitReading* chosen = _unitChoice.Chosen();
    const APW::PTA::KeUnitReading* problem = _unitChoice.ChosenProblem();
    mUnitWritable = mUnitOffered = chosen != nullptr && problem == nullptr;
    if (mUnitWritable) {
        mHoldRechecks = 0;
        _pKe->ShowUnit(*chosen);
        _cancelButton.Enable(true);
        ShowChosenUnit();
        _updateButton.Enable(!mEditorRunning);
        _finalCutRunningStr.SetVisibility(mEditorRunning);
        return;
    }
    _updateButton.Disable();
    _finalCutRunningStr.SetVisibility(false);
    if (chosen == nullptr) {
        // Empty when there is simply no unit; otherwise what keeps it from the user.
        const std::string& unreadable = _pKe->GetDiscoveryReason();
        _updateFirmwareVersionStr.SetText(unreadable.empty() ? Tr(NotFoundAdvice(_pKe->GetDiscoveryStatus()))
                                                             : NotOffered(unreadable));
        _currentFirmwareVersionStr.SetText(Tr(kNotFound));
        _currentSerialNumberStr.SetText(Tr(kNotFound));
        return;
    }
    // Still connected: it stays chosen and shown as last read, but no job may write it now.
    _pKe->ShowNoUnit(problem);
    _currentFirmwareVersionStr.SetText(APW::PTA::InstalledVersionText(chosen->info).c_str());
    _currentSerialNumberStr.SetText(APW::PTA::SerialNumberText(chosen->info).c_str());
    _updateFirmwareVersionStr.SetText(NotOfferedLine(*problem));
    _cancelButton.Enable(true);
}

void CKeFirmwareUpdateDialog::ShowUnitPopup()
{
    const std::vector<std::string>& entries = _unitChoice.Entries();
    // Refilled only when the units change: a user reading the list is not disturbed.
    if (entries != _unitEntries) {
        _unitEntries = entries;
        CMenu menu(_unitPopup.GetMenuHandle());
        menu.Reset();
        for (const std::string& entry : entries) menu.Append(Shown(entry));
    }
    if (!entries.empty()) _unitPopup.SetValue(static_cast<int>(_unitChoice.ChosenIndex()) + 1);
    const bool several = entries.size() > 1;
    _unitPopup.SetVisibility(several);
    if (_unitCaption) _unitCaption->setVisible(several);
    _unitPopup.Enable(_updateState == WAITFORINPUT);
}

void CKeFirmwareUpdateDialog::ShowChosenUnit()
{
    std::string text;
    _pKe->GetCurrentFirmwareVersionString(text);
    _currentFirmwareVersionStr.SetText(text.c_str());
    _pKe->GetSerialNumberString(text);
    _currentSerialNumberStr.SetText(text.c_str());
    _pKe->GetUpdateFirmwareVersionString(text);

    const bool downgrade = _pKe->IsDowngrade();
    QString instruction =
        (downgrade ? QCoreApplication::translate("CKeFirmwareUpdateDialog",
                                                 "Select Downgrade button to download firmware version %1 to Ke:")
                   : QCoreApplication::translate("CKeFirmwareUpdateDialog",
                                                 "Select Upgrade button to download firmware version %1 to Ke:"))
            .arg(Shown(text));
    if (const auto& left = _unitChoice.Left()) {
        instruction =
            QCoreApplication::translate("CKeFirmwareUpdateDialog",
                                        "The Ke chosen (%1) is no longer connected: the first Ke found is shown.")
                .arg(Shown(*left)) +
            QLatin1Char('\n') + instruction;
    }
    _updateFirmwareVersionStr.SetText(instruction);
    const QString button = downgrade ? QCoreApplication::translate("CKeFirmwareUpdateDialog", "Downgrade")
                                     : QCoreApplication::translate("CKeFirmwareUpdateDialog", "Upgrade");
    _updateButton.SetTitle(button);
    _updateButton.SetAccessibleName(button);
}

bool CKeFirmwareUpdateDialog::RecheckHeldUnitSoon()
{
    if (_pKe->GetDiscoveryStatus() != kIOReturnExclusiveAccess) {
        mHoldRechecks = 0;
        return false;
    }
    if (mHoldRechecks == kHoldRechecks) return false;
    ++mHoldRechecks;
    mHoldRecheck.start();
    if (!mUnitOffered) return false;
    // The texts stay, but no update may start from them: the unit they show
    // is no longer the one the next job would check it writes to.
    mUnitWritable = false;
    _updateButton.Disable();
    return true;
}

void CKeFirmwareUpdateDialog::UpdatingTick()
{
    const bool done = _pKe->GetDoneStatus();
    _progressBar.SetValue(static_cast<int>(gDownloadProgress.Get()));
    _progressBar.SetAccessibleName(WritingName());
    if (!done) return;

    // Idle before any alert: ticks that come while it is open must not end the job twice.
    _updateState = WAITFORINPUT;
    // The bus is looked at again at once: the window shows the unit as the job left it.
    mSurvey->Start();
    _progressBar.SetAccessibleName(Tr(kProgressName));
    const UpdateResult result = _pKe->GetUpdateResult();
    if (const int cancelling = std::exchange(_cancelSignal, 0); cancelling != 0) {
        // Nothing was written: quit as an idle window quits on the signal.
        if (result.outcome == UpdateOutcome::kCancelled) return SendQuitRequest(128 + cancelling);
        _heldSignal = cancelling;
    }
    if (_heldSignal != 0 || std::exchange(mQuitWhenOver, false)) return QuitAfterHeldSignal(result);
    if (!result.Succeeded()) {
        ReportFailedJob(result);
        return;
    }

    if (OpenAlert([this] { return ShowDownloadDoneAlert(_pKe->GetHistoryProblem()); }) == kAlertCancelButton) {
        _progressBar.SetValue(0);
        return;
    }
    SendQuitRequest();
}

namespace {

// How the job ended and what to do now; `translate` gives the outcome's words
// (none for the log).
std::string FailureText(const UpdateResult& result, const KeTranslate& translate = KeUntranslated)
{
    return UpdateFailedText(APW::PTA::UpdateResultText(result, translate), result.NothingWritten());
}

}  // namespace

void CKeFirmwareUpdateDialog::ReportFailedJob(const UpdateResult& result)
{
    OpenAlert([this, &result] {
        return ShowProgrammingFailedAlert(FailureText(result, keui::Translate), mFailureLogPath,
                                          _pKe->GetHistoryProblem());
    });
    // Nothing of the failed job stays on show; the user may try again, or
    // leave even when the unit has gone.
    _progressBar.SetValue(0);
    _cancelButton.Enable(true);
}

void CKeFirmwareUpdateDialog::QuitAfterHeldSignal(const UpdateResult& result)
{
    // Nobody may be there to answer an alert: a logout or a kill sent the signal.
    const std::string after = _heldSignal != 0 ? "after signal " + std::to_string(_heldSignal) : "as asked";
    if (result.Succeeded()) {
        std::cout << "KEFirmwareUpdate: Programming Complete; quitting " << after << "\n";
        SendQuitRequest(0);
        return;
    }
    std::cerr << "KEFirmwareUpdate: Programming Failed: "
              << UpdateFailedText(APW::PTA::UpdateResultText(result), result.NothingWritten(), false) << " Quitting "
              << after << "\n";
    SendQuitRequest(1);
}

void CKeFirmwareUpdateDialog::SendQuitRequest(int status)
{
    // Ending the program ends the controller: never while the worker writes.
    if (_updateState == UPDATING) {
        if (!mQuitWhenOver) std::cerr << "KEFirmwareUpdate: quitting when the update is over\n";
        mQuitWhenOver = true;
        _updateFirmwareVersionStr.SetText(QuitWhenOverLines());
        return;
    }
    _quit(status);
}

AlertButton CKeFirmwareUpdateDialog::OpenAlert(const std::function<AlertButton()>& show)
{
    ++mOpenAlerts;
    const AlertButton button = show();
    --mOpenAlerts;
    return button;
}
