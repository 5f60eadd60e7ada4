// SPDX-License-Identifier: MIT
#include "macapps/KEFirmwareUpdate/kefirmwareupdate.h"

#include <cinttypes>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "macapps/KEFirmwareUpdate/DownloadProgress.h"
#include "macapps/KEFirmwareUpdate/DownloadUnit.h"
#include "macapps/KEFirmwareUpdate/Downloader.h"
#include "macapps/KEFirmwareUpdate/PrintableBytes.h"
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
constexpr UInt32 kHoldRetryMicroseconds = 10000;

std::string Hex(UInt64 value, int digits)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llx", digits, static_cast<unsigned long long>(value));
    return text;
}

void Unreadable(KeUnitReading& reading, const char* what, IOReturn status)
{
    reading.status = status;
    reading.unreadable = true;
    reading.reason = std::string("the unit did not answer its ") + what + " read: " + KeStatusText(status);
}

}  // namespace

std::string KeStatusText(IOReturn status)
{
    const char* words = status == kDownloadDeviceError ? "the unit failed the step" : IOReturnWords(status);
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08" PRIX32, static_cast<UInt32>(status));
    return std::string(words ? words : "error") + " (" + hex + ")";
}

namespace {

// "(timed out, 0xE00002D6)"
std::string StatusInParentheses(IOReturn status)
{
    const char* words = status == kDownloadDeviceError ? "the unit failed the step" : IOReturnWords(status);
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08" PRIX32, static_cast<UInt32>(status));
    return std::string("(") + (words ? words : "error") + ", " + hex + ")";
}

// What went wrong at `step`, as the unit told it.
std::string StepFailure(FlashStep step, IOReturn status)
{
    if (step == FlashStep::kErase && status == kIOReturnTimeout) return "the unit did not finish erasing in time";
    if (step == FlashStep::kErase && status == kDownloadDeviceError) return "the unit reported a failed erase";
    if (step == FlashStep::kCrc) return "the unit did not accept the image";
    return "the step did not complete";
}

std::string NotStartedReason(const UpdateResult& result)
{
    // Appended, not prepended: g++ 12 warns falsely (-Wrestrict) on " " + a temporary.
    const std::string status = std::string(" ").append(StatusInParentheses(result.status));
    switch (result.outcome) {
    case UpdateOutcome::kUnitNotFound:
        return std::string("the Ke was not found on the FireWire bus") + status;
    case UpdateOutcome::kUnitChanged:
    case UpdateOutcome::kUnitUnreadable:
        return result.reason;
    case UpdateOutcome::kUnitHeld:
        return std::string(result.status == kIOReturnExclusiveAccess ? "another program holds the Ke"
                                                                     : "the Ke could not be opened") +
               status;
    case UpdateOutcome::kNotStarted:
        return std::string("the ") + FlashDisplayName(result.image) + " image failed " + FlashStepWords(result.step) +
               ", before its erase" + status;
    case UpdateOutcome::kCancelled:
        return "it was cancelled before the first erase";
    case UpdateOutcome::kThreadNotStarted:
        return std::string("the system could not start the update thread") + status;
    default:
        return "of an unknown outcome";
    }
}

}  // namespace

std::string UpdateResultText(const UpdateResult& result)
{
    if (result.outcome == UpdateOutcome::kNone) return "The update ended without a result.";
    if (result.outcome != UpdateOutcome::kDownloadFailed) {
        std::string text = "The update did not start: " + NotStartedReason(result) + "; nothing was written.";
        if (const std::optional<bool> left = result.LeftAsFound(); left && !*left) {
            text += " The Ke was not left as it was found: it could not be taken out of update mode " +
                    StatusInParentheses(*result.leaveStatus) + ".";
        }
        return text;
    }
    const std::span<const FlashImage, 2> order = FlashImagesInOrder();
    const bool first = result.image == order[0].type;
    const std::string where =
        result.step == FlashStep::kNone ? std::string() : std::string(" ") + FlashStepWords(result.step);
    const std::string detail =
        result.step == FlashStep::kNone ? std::string() : StepFailure(result.step, result.status) + " ";
    // After a failed image the job writes nothing more: say what the unit holds.
    return "Writing the " + std::string(FlashDisplayName(result.image)) + " image failed" + where + ": " + detail +
           StatusInParentheses(result.status) + "." +
           (first ? " The " + std::string(order[1].displayName) + " image was left as it was."
                  : " The " + std::string(order[0].displayName) + " image was written.");
}

std::string SerialNumberText(const KeInfo& info)
{
    return info.MCOREver > 20 ? PrintableBytes(info.serialNum) : std::string("Not Available");
}

std::string InstalledVersionText(const KeInfo& info) { return FlashVersionText(info.softwareVer); }

std::string GuidText(const std::optional<UInt64>& guid) { return guid ? Hex(*guid, 16) : "unknown"; }

std::string DescribeIdentity(const KeIdentity& identity)
{
    return "GUID " + GuidText(identity.guid) + ", serial " +
           (identity.serialNum.empty() ? std::string("Not Available") : PrintableBytes(identity.serialNum)) +
           ", product version " + Hex(identity.productVer, 8);
}

namespace {

IOReturn OpenWaitingOutAHold(DownloadUnit& unit, const KeSleepFunction& sleep, int retries)
{
    IOReturn status = unit.Open();
    for (int retry = 0; status == kIOReturnExclusiveAccess && retry < retries; ++retry) {
        sleep(kHoldRetryMicroseconds);
        status = unit.Open();
    }
    return status;
}

}  // namespace

KeUnitReading ReadKeUnit(DownloadUnit& unit, const std::string& where, const std::optional<UInt64>& guid,
                         const KeSleepFunction& sleep, int holdRetries)
{
    KeUnitReading reading;
    reading.where = where;
    reading.identity.guid = guid;
    UInt32 generation = 0;
    IOReturn status = unit.GetBusGeneration(generation);
    if (status == 0) status = OpenWaitingOutAHold(unit, sleep, holdRetries);
    if (status != 0) {
        reading.status = status;
        return reading;
    }

    // The reads in their old order; only then is each one judged.
    KeInfo& info = reading.info;
    unit.GetProductSerNum(info.serialNum);
    const IOReturn versionStatus = unit.GetSoftwareVersion(info.softwareVer);
    info.XilinxVer = FlashImageFor(Xilinx)->VersionIn(info.softwareVer);
    info.MCOREver = FlashImageFor(MCORE)->VersionIn(info.softwareVer);
    const IOReturn productStatus = unit.GetProductRevision(info.productVer);
    const IOReturn serialStatus = unit.GetProductSerNum(info.serialNum);
    unit.Close();

    const bool hasSerial = info.MCOREver > 20;
    const UInt32 product = info.productVer >> 16;
    if (versionStatus != 0) {
        Unreadable(reading, "version", versionStatus);
    } else if (productStatus != 0) {
        Unreadable(reading, "product version", productStatus);
    } else if (hasSerial && serialStatus != 0) {
        Unreadable(reading, "serial number", serialStatus);
    } else if (product == 0 || product == 1) {
        reading.status = 0;
        info.valid = true;
        reading.identity.serialNum = hasSerial ? info.serialNum : std::string();
        reading.identity.productVer = info.productVer;
    }
    return reading;
}

std::vector<KeUnitReading> SurveyKeUnitsQuietly(const fwplat::Transports& transports, const KeSleepFunction& sleep)
{
    std::vector<KeUnitReading> readings;
    for (const fwplat::UnitInfo& found : fwplat::FindUnits(transports, DownloadUnit::kFirmwareUpdateUnitSpecID,
                                                           DownloadUnit::kFirmwareUpdateUnitSWVersion)) {
        std::unique_ptr<DownloadUnit> unit;
        try {
            unit = std::make_unique<DownloadUnit>(found, sleep, FWLib::DeviceTrace::kQuiet);
        } catch (const std::exception&) {
            continue;  // gone since the scan
        }
        KeUnitReading reading = ReadKeUnit(*unit, found.name, found.guid, sleep, 0);
        if (reading.status != kIOReturnNotFound) readings.push_back(std::move(reading));
    }
    return readings;
}

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

KeUnitReading CKeFirmwareUpdate::ReadUnit(bool waitOutAHold)
{
    return ReadKeUnit(*_unit, _unitWhere, _unitGuid, _seams.sleep, waitOutAHold ? kHoldRetries : 0);
}

bool CKeFirmwareUpdate::IsFound()
{
    _discoveryStatus = kIOReturnNotFound;
    _discoveryReason.clear();
    _shown.reset();
    try {
        if (!OpenKe()) return false;
    } catch (const std::exception&) {
        // A unit that cannot be connected to counts as not found.
        _discoveryStatus = kIOReturnNoDevice;
        return false;
    }
    // The window asks on its main thread: a held unit is told at once.
    const KeUnitReading reading = ReadUnit(false);
    CloseKe();
    if (reading.status != 0) {
        _discoveryStatus = reading.status;
        _discoveryReason = reading.reason;
        // Never show what could not be read.
        if (reading.unreadable) _keInfo.valid = false;
        return false;
    }
    ShowUnit(reading);
    return true;
}

std::vector<KeUnitReading> CKeFirmwareUpdate::SurveyUnits(bool waitOutAHold)
{
    std::cout << "Open Ke\n";
    std::vector<KeUnitReading> readings;
    for (const fwplat::UnitInfo& unit : FindKeUnits()) {
        try {
            MakeUnit(unit);
        } catch (const std::exception&) {
            continue;  // gone since the scan
        }
        KeUnitReading reading = ReadUnit(waitOutAHold);
        CloseKe();
        if (reading.status != kIOReturnNotFound) readings.push_back(std::move(reading));
    }
    return readings;
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
    return _keInfo.XilinxVer > KeXilinxUpgradeVer || _keInfo.MCOREver > KeMCOREUpgradeVer;
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
        const bool access = status == kIOReturnExclusiveAccess || status == kIOReturnNotPermitted;
        result.outcome = access ? UpdateOutcome::kUnitHeld : UpdateOutcome::kNotStarted;
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
        if (reading.status == kIOReturnExclusiveAccess || reading.status == kIOReturnNotPermitted) {
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
