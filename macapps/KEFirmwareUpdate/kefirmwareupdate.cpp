// SPDX-License-Identifier: MIT
#include "macapps/KEFirmwareUpdate/kefirmwareupdate.h"

#include <exception>
#include <iostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "macapps/KEFirmwareUpdate/DownloadProgress.h"
#include "macapps/KEFirmwareUpdate/DownloadUnit.h"
#include "macapps/KEFirmwareUpdate/Downloader.h"
#include "macapps/KEFirmwareUpdate/UpdateHistory.h"
#include "macclasses/APW_PTA_Thread.h"
#include "platform/common/KeAssert.h"
#include "platform/session/ShutdownInhibitor.h"

namespace APW {
namespace PTA {

const UInt32 KeXilinxUpgradeVer = FlashImageFor(Xilinx)->carriedVersion;
const UInt32 KeMCOREUpgradeVer = FlashImageFor(MCORE)->carriedVersion;

namespace {

// A discovery of another program holds the unit for a few milliseconds: the
// job and the survey wait that out, but not an update's hold of minutes. The
// window's discovery runs on its main thread and does not wait.
constexpr int kHoldRetries = 20;

}  // namespace

CKeFirmwareUpdate::CKeFirmwareUpdate(DownloaderFactory makeDownloader, UpdateSeams seams)
    : _seams(std::move(seams)), _makeDownloader(std::move(makeDownloader))
{
    if (!_makeDownloader) _makeDownloader = [this] { return std::make_unique<Downloader>(_seams.sleep); };
    _gate.Close();  // no job yet
    std::cout << "Ctor KeFirmwareUpdate\n";
    std::cerr << "Test CERR\n";
    _keInfo.valid = false;
}

CKeFirmwareUpdate::~CKeFirmwareUpdate()
{
    if (JobRunning()) {
        _gate.Cancel();
        WaitForJobEnd();
    }
    std::cout << "Dtor KeFirmwareUpdate\n";
}

void CKeFirmwareUpdate::WaitForJobEnd() const
{
    // Polled: the worker must not touch this object once it says it is done,
    // which a notification after the store would.
    constexpr auto kPoll = std::chrono::milliseconds(10);
    while (JobRunning()) std::this_thread::sleep_for(kPoll);
}

std::vector<fwplat::UnitInfo> CKeFirmwareUpdate::FindKeUnits() const
{
    return fwplat::FindUnits(_seams.transports, DownloadUnit::kFirmwareUpdateUnitSpecID,
                             DownloadUnit::kFirmwareUpdateUnitSWVersion);
}

bool CKeFirmwareUpdate::OpenKe()
{
    std::cout << "Open Ke\n";
    const std::vector<fwplat::UnitInfo> units = FindKeUnits();
    if (units.empty()) {
        _keInfo.valid = false;
        return false;
    }
    MakeUnit(units.front());
    _keInfo.valid = true;
    return true;
}

void CKeFirmwareUpdate::MakeUnit(const fwplat::UnitInfo& unit)
{
    _unit = std::make_unique<DownloadUnit>(unit, _seams.sleep);
    _unitWhere = unit.name;
    _unitGuid = unit.guid;
}

void CKeFirmwareUpdate::CloseKe()
{
    std::cout << "Close Ke\n";
    _unit.reset();
}

KeUnitReading CKeFirmwareUpdate::ReadUnit()
{
    return ReadKeUnit(*_unit, _unitWhere, _unitGuid, _seams.sleep, kHoldRetries);
}

bool CKeFirmwareUpdate::IsFound()
{
    std::cout << "Open Ke\n";
    bool unconnectable = false;
    const std::vector<KeUnitReading> readings =
        SurveyKeUnits(_seams.transports, _seams.sleep, FWLib::DeviceTrace::kTraced, 0, &unconnectable);
    if (readings.empty() || readings.front().status != 0) {
        ShowNoUnit(readings.empty() ? nullptr : &readings.front());
        // A unit that cannot be connected to counts as not found.
        if (readings.empty() && unconnectable) _discoveryStatus = kIOReturnNoDevice;
        return false;
    }
    ShowUnit(readings.front());
    return true;
}

std::vector<KeUnitReading> CKeFirmwareUpdate::SurveyUnits(bool waitOutAHold)
{
    std::cout << "Open Ke\n";
    return SurveyKeUnits(_seams.transports, _seams.sleep, FWLib::DeviceTrace::kTraced, waitOutAHold ? kHoldRetries : 0);
}

void CKeFirmwareUpdate::ShowUnit(const KeUnitReading& unit)
{
    KE_ASSERT(unit.status == 0);
    _keInfo = unit.info;
    _discoveryStatus = 0;
    _discoveryReason.clear();
    _shown = unit.identity;
}

void CKeFirmwareUpdate::ShowNoUnit(const KeUnitReading* first)
{
    _keInfo.valid = false;
    _shown.reset();
    _discoveryStatus = first ? first->status : kIOReturnNotFound;
    _discoveryReason = first ? first->reason : std::string();
}

void CKeFirmwareUpdate::GetSerialNumberString(std::string& serialNumberString)
{
    KE_ASSERT(true == _keInfo.valid);
    serialNumberString = SerialNumberText(_keInfo);
}

void CKeFirmwareUpdate::GetCurrentFirmwareVersionString(std::string& currentVersionString)
{
    KE_ASSERT(true == _keInfo.valid);
    currentVersionString = InstalledVersionText(_keInfo);
}

void CKeFirmwareUpdate::GetUpdateFirmwareVersionString(std::string& updateVersionString)
{
    updateVersionString = CarriedVersionText();
}

bool CKeFirmwareUpdate::IsDowngrade()
{
    KE_ASSERT(true == _keInfo.valid);
    return APW::PTA::IsDowngrade(_keInfo);
}

VersionInfo CKeFirmwareUpdate::GetCurrentFirmwareVersion() { return 0; }

VersionInfo CKeFirmwareUpdate::GetUpdateFirmwareVersion() { return 0; }

bool CKeFirmwareUpdate::DoUpdate()
{
    std::cout << "Start Download Thread\n";
    // The last worker says done a moment before it lets go of this object:
    // a new job starts only after that, or its flag could be cleared by the old worker.
    WaitForJobEnd();
    _bailthread = false;
    _done.store(false, std::memory_order_relaxed);
    _result = UpdateResult{};
    _historyProblem.reset();
    _jobIdentity = _shown;
    _jobStart = std::chrono::system_clock::now();
    _jobInfo = _keInfo;
    _pDownloader = _makeDownloader();
    KE_ASSERT(_pDownloader);
    _gate.Reset();
    _pDownloader->SetEraseGate(&_gate);
    _threadrunning = true;
    mWorkerRunning.store(true, std::memory_order_release);
    _thread = new Thread(this, 0, Thread::kThreadPolicyTimeslice, _seams.createThread);
    if (!_thread->Start()) {
        // Nothing runs the job: end it here so that the window still sees it done.
        UpdateResult failed;
        failed.outcome = UpdateOutcome::kThreadNotStarted;
        failed.status = kIOReturnNoResources;
        std::cerr << "Could not start the download thread\n";
        FinishJob(failed);
        return false;
    }
    return true;
}

void CKeFirmwareUpdate::Download(DOWNLOADTYPE type, UpdateResult& result)
{
    _pDownloader->DoDownload(_unit.get(), type);
    const IOReturn status = _pDownloader->GetError();
    if (status == 0) return;
    result = UpdateResult{UpdateOutcome::kDownloadFailed, type, status, "", _pDownloader->GetFailedStep(),
                          _pDownloader->GetLeaveStatus()};
    if (_gate.Cancelled()) {
        result.outcome = UpdateOutcome::kCancelled;
    } else if (type == fileXILINX && (result.step == FlashStep::kOpen || result.step == FlashStep::kUpdateMode)) {
        // The first image stopped before its erase: no flash was touched.
        result.outcome = DeniedOrHeld(status) ? UpdateOutcome::kUnitHeld : UpdateOutcome::kNotStarted;
    }
}

bool CKeFirmwareUpdate::OpenJobUnit(UpdateResult& result)
{
    std::cout << "Open Ke\n";
    result.outcome = UpdateOutcome::kUnitNotFound;
    result.status = kIOReturnNoDevice;
    for (const fwplat::UnitInfo& unit : FindKeUnits()) {
        // A unit on another node cannot be the one shown.
        if (_jobIdentity && _jobIdentity->guid && unit.guid && *unit.guid != *_jobIdentity->guid) continue;
        try {
            MakeUnit(unit);
        } catch (const std::exception&) {
            continue;
        }
        // Read right before anything is written: the unit must still be readable and,
        // when one was shown, be that one.
        const KeUnitReading reading = ReadUnit();
        const bool sameUnit = reading.status == 0 && (!_jobIdentity || reading.identity == *_jobIdentity);
        // The update was decided on the version shown: another one is a new decision.
        const bool sameVersion = !_jobIdentity || !_jobInfo.valid || reading.info.softwareVer == _jobInfo.softwareVer;
        if (sameUnit && sameVersion) return true;
        CloseKe();
        if (sameUnit) {
            result = UpdateResult{UpdateOutcome::kUnitChanged, fileXILINX, kIOReturnNotFound,
                                  "the Ke now runs " + FlashVersionText(reading.info.softwareVer) + ", not the " +
                                      FlashVersionText(_jobInfo.softwareVer) + " shown when the update was confirmed"};
            break;
        }
        if (DeniedOrHeld(reading.status)) {
            // Its open failed: nothing can be written to it, and no other unit may be.
            result = UpdateResult{UpdateOutcome::kUnitHeld, fileXILINX, reading.status, ""};
            break;
        }
        if (reading.unreadable) {
            result = UpdateResult{UpdateOutcome::kUnitUnreadable, fileXILINX, reading.status, reading.reason};
        } else if (reading.status == 0 && result.outcome == UpdateOutcome::kUnitNotFound) {
            result = UpdateResult{UpdateOutcome::kUnitChanged, fileXILINX, kIOReturnNotFound,
                                  "the Ke found (" + DescribeIdentity(reading.identity) + ") is not the one shown (" +
                                      DescribeIdentity(*_jobIdentity) + ")"};
        }
    }
    if (result.outcome == UpdateOutcome::kUnitNotFound) std::cerr << "Ke not found: nothing was written\n";
    return false;
}

void CKeFirmwareUpdate::Run()
{
    UpdateResult result;
    if (OpenJobUnit(result)) {
        // Shutdown and sleep wait until the flashes are written.
        const ShutdownInhibitor inhibitor;
        result = UpdateResult{UpdateOutcome::kSucceeded, fileXILINX, 0, ""};
        gDownloadProgress.Reset();
        gDownloadProgress.SetDeviceType(Xilinx);
        // A cancel that came meanwhile leaves the unit untouched; a later one
        // is seen by the downloader right before its erase.
        if (_gate.Cancelled()) {
            result.outcome = UpdateOutcome::kCancelled;
        } else {
            Download(fileXILINX, result);
        }
        // After a failed image nothing more is written: the microcontroller
        // serves the update registers, so keeping it lets the next run repair
        // the FPGA.
        if (result.Succeeded()) {
            gDownloadProgress.SetDeviceType(MCORE);
            Download(fileMCORE, result);
        }
    }
    FinishJob(result);
}

void CKeFirmwareUpdate::FinishJob(const UpdateResult& result)
{
    _gate.Close();
    CloseKe();
    _pDownloader.reset();
    delete _thread;
    _thread = nullptr;
    std::cout << "Delete Download Thread\n";
    _threadrunning = false;
    _result = result;
    _historyProblem =
        kehistory::RecordAttempt(_jobStart, _jobInfo, _jobIdentity ? _jobIdentity->guid : std::nullopt, result);
    _done.store(true, std::memory_order_release);
    // Last of all: from here on the worker touches nothing of this object.
    mWorkerRunning.store(false, std::memory_order_release);
}

std::optional<std::string> CKeFirmwareUpdate::GetHistoryProblem() const
{
    if (!GetDoneStatus()) return std::nullopt;
    return _historyProblem;
}

bool CKeFirmwareUpdate::GetDoneStatus() const { return _done.load(std::memory_order_acquire); }

UpdateResult CKeFirmwareUpdate::GetUpdateResult() const
{
    if (!GetDoneStatus()) return UpdateResult{};
    return _result;
}

}  // namespace PTA
}  // namespace APW
