#include "macapps/KEFirmwareUpdate/kefirmwareupdate.h"

#include <exception>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "KeFirmwareVersions.h"
#include "macapps/KEFirmwareUpdate/DownloadProgress.h"
#include "macapps/KEFirmwareUpdate/DownloadUnit.h"
#include "macapps/KEFirmwareUpdate/Downloader.h"
#include "macapps/KEFirmwareUpdate/UpdateHistory.h"
#include "macclasses/APW_PTA_Thread.h"
#include "platform/common/KeAssert.h"
#include "platform/session/ShutdownInhibitor.h"

namespace APW {
namespace PTA {

const UInt32 KeXilinxUpgradeVer = kCarriedXilinxVersion;
const UInt32 KeMCOREUpgradeVer = kCarriedMCOREVersion;

namespace {

std::string VersionText(UInt32 mcore, UInt32 xilinx) { return std::to_string(mcore) + "-" + std::to_string(xilinx); }

}  // namespace

CKeFirmwareUpdate::CKeFirmwareUpdate(DownloaderFactory makeDownloader) : _makeDownloader(std::move(makeDownloader))
{
    if (!_makeDownloader) _makeDownloader = [] { return std::make_unique<Downloader>(); };
    std::cout << "Ctor KeFirmwareUpdate\n";
    std::cerr << "Test CERR\n";
    _keInfo.valid = false;
}

CKeFirmwareUpdate::~CKeFirmwareUpdate() { std::cout << "Dtor KeFirmwareUpdate\n"; }

bool CKeFirmwareUpdate::OpenKe()
{
    std::cout << "Open Ke\n";
    std::vector<fwplat::UnitInfo> units =
        fwplat::FindUnits(DownloadUnit::kFirmwareUpdateUnitSpecID, DownloadUnit::kFirmwareUpdateUnitSWVersion);
    if (units.empty()) {
        _keInfo.valid = false;
        return false;
    }
    _unit = std::make_unique<DownloadUnit>(units.front());
    _shownGuid = units.front().guid;
    _keInfo.valid = true;
    return true;
}

void CKeFirmwareUpdate::CloseKe()
{
    std::cout << "Close Ke\n";
    _unit.reset();
}

bool CKeFirmwareUpdate::IsFound()
{
    bool result = false;
    _discoveryStatus = kIOReturnNotFound;
    try {
        if (!OpenKe()) return false;
    } catch (const std::exception&) {
        // A unit that cannot be connected to counts as not found.
        _discoveryStatus = kIOReturnNoDevice;
        return false;
    }

    UInt32 generation = 0;
    IOReturn status = _unit->GetBusGeneration(generation);
    if (status == 0) status = _unit->Open();
    if (status != 0) {
        _discoveryStatus = status;
        CloseKe();
        return false;
    }

    _unit->GetProductSerNum(_keInfo.serialNum);
    _unit->GetSoftwareVersion(_keInfo.softwareVer);
    _keInfo.XilinxVer = _keInfo.softwareVer & 0xFFFF;
    _keInfo.MCOREver = _keInfo.softwareVer >> 16;
    _unit->GetProductRevision(_keInfo.productVer);
    _unit->GetProductSerNum(_keInfo.serialNum);

    const UInt32 product = _keInfo.productVer >> 16;
    if (product == 0 || product == 1) {
        _keInfo.valid = true;
        result = true;
        _discoveryStatus = 0;
    }

    _unit->Close();
    CloseKe();
    return result;
}

void CKeFirmwareUpdate::GetSerialNumberString(std::string& serialNumberString)
{
    KE_ASSERT(true == _keInfo.valid);
    serialNumberString = _keInfo.MCOREver > 20 ? _keInfo.serialNum : std::string("Not Available");
}

void CKeFirmwareUpdate::GetCurrentFirmwareVersionString(std::string& currentVersionString)
{
    KE_ASSERT(true == _keInfo.valid);
    currentVersionString = VersionText(_keInfo.MCOREver, _keInfo.XilinxVer);
}

void CKeFirmwareUpdate::GetUpdateFirmwareVersionString(std::string& updateVersionString)
{
    updateVersionString = VersionText(KeMCOREUpgradeVer, KeXilinxUpgradeVer);
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
    _bailthread = false;
    _done.store(false, std::memory_order_relaxed);
    _result = UpdateResult{};
    _jobStart = std::chrono::system_clock::now();
    _jobInfo = _keInfo;
    _jobGuid = _shownGuid;
    _pDownloader = _makeDownloader();
    KE_ASSERT(_pDownloader);
    _threadrunning = true;
    _thread = new Thread(this, 0, Thread::kThreadPolicyTimeslice);
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
    if (status != 0 && result.outcome == UpdateOutcome::kSucceeded) {
        result.outcome = UpdateOutcome::kDownloadFailed;
        result.image = type;
        result.status = status;
    }
}

void CKeFirmwareUpdate::Run()
{
    UpdateResult result;
    bool found = false;
    try {
        found = OpenKe();
    } catch (const std::exception&) {
        found = false;
    }

    if (found) {
        // Shutdown and sleep wait until the flashes are written.
        const ShutdownInhibitor inhibitor;
        result.outcome = UpdateOutcome::kSucceeded;
        gDownloadProgress.Reset();
        gDownloadProgress.SetDeviceType(Xilinx);
        Download(fileXILINX, result);
        gDownloadProgress.SetDeviceType(MCORE);
        Download(fileMCORE, result);
    } else {
        // Never download without a unit.
        result.outcome = UpdateOutcome::kUnitNotFound;
        result.status = kIOReturnNoDevice;
        std::cerr << "Ke not found: nothing was written\n";
    }
    FinishJob(result);
}

void CKeFirmwareUpdate::FinishJob(const UpdateResult& result)
{
    CloseKe();
    _pDownloader.reset();
    delete _thread;
    _thread = nullptr;
    std::cout << "Delete Download Thread\n";
    _threadrunning = false;
    _result = result;
    kehistory::RecordAttempt(_jobStart, _jobInfo, _jobGuid, result);
    _done.store(true, std::memory_order_release);
}

bool CKeFirmwareUpdate::GetDoneStatus() const { return _done.load(std::memory_order_acquire); }

UpdateResult CKeFirmwareUpdate::GetUpdateResult() const
{
    if (!GetDoneStatus()) return UpdateResult{};
    return _result;
}

}  // namespace PTA
}  // namespace APW
