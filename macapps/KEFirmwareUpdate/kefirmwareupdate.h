// SPDX-License-Identifier: MIT
// The one object through which the window deals with the unit: discovery,
// identity, version text, the downgrade rule, and the update job.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "macapps/KEFirmwareUpdate/Downloader.h"
#include "macapps/KEFirmwareUpdate/KeResults.h"
#include "macapps/KEFirmwareUpdate/UnitReading.h"
#include "macclasses/APW_PTA_Runnable.h"
#include "macclasses/APW_PTA_Thread.h"
#include "platform/common/KeTypes.h"
#include "platform/firewire/FWTransport.h"
#include "platform/firewire/IOReturn.h"
#include "platform/threads/Sleep.h"

class DownloadUnit;

namespace APW {
namespace PTA {

extern const UInt32 KeXilinxUpgradeVer;
extern const UInt32 KeMCOREUpgradeVer;

// Makes the download engine of each job.
using DownloaderFactory = std::function<std::unique_ptr<Downloader>()>;

// What the controller asks of the system: the buses units are found on, its
// pauses (also those of the units it makes and of its plain Downloader) and
// how its job's thread is created. The real ones (the kernel's FireWire
// devices alone) unless the program's main or a test gives others.
struct UpdateSeams {
    fwplat::Transports transports = fwplat::DefaultTransports(fwplat::SimulatedUnits::kLeftAlone);
    KeSleepFunction sleep = KeRealSleepMicroseconds;
    Thread::CreateFunction createThread = &pthread_create;
};

class CKeFirmwareUpdate : public Runnable {
public:
    // Without a factory each job gets a plain Downloader.
    explicit CKeFirmwareUpdate(DownloaderFactory makeDownloader = {}, UpdateSeams seams = {});
    explicit CKeFirmwareUpdate(UpdateSeams seams) : CKeFirmwareUpdate(DownloaderFactory{}, std::move(seams)) {}
    // Never leaves a worker behind: a running job is cancelled if its first
    // erase has not been sent, and waited for to its end.
    ~CKeFirmwareUpdate() override;

    CKeFirmwareUpdate(const CKeFirmwareUpdate&) = delete;
    CKeFirmwareUpdate& operator=(const CKeFirmwareUpdate&) = delete;

    void Run() override;

    bool OpenKe();
    void CloseKe();
    // Reads the units found, as SurveyUnits does, and shows the first as the
    // window shows its only unit: when it is offered, its identity is what
    // the next job writes to. Never waits: a unit held by another program,
    // even for a moment, is told at once.
    bool IsFound();
    // Why the last IsFound gave its answer: 0 when found; kIOReturnNotFound
    // when no unit matched or the unit failed the product check; otherwise
    // the status that stopped it (kIOReturnNotPermitted for a unit this user
    // may not open, kIOReturnExclusiveAccess for one another program holds,
    // kIOReturnNoDevice for one that cannot be connected to, or the status of
    // an identity read that failed).
    IOReturn GetDiscoveryStatus() const { return _discoveryStatus; }
    // For a unit found but not offered because its identity could not be
    // read: why, in words. Empty otherwise.
    const std::string& GetDiscoveryReason() const { return _discoveryReason; }

    // Every unit found, read as SurveyKeUnits reads them, with their trace
    // lines; with waitOutAHold a unit another program holds for a moment is
    // asked again (never on the window's main thread). Shows nothing.
    std::vector<KeUnitReading> SurveyUnits(bool waitOutAHold = true);
    // Shows the offered unit a person chose: the getters below describe it
    // and the next job writes to it alone. Describing a unit needs no
    // showing: see SerialNumberText, InstalledVersionText and IsDowngrade.
    void ShowUnit(const KeUnitReading& unit);
    // The identity of the unit shown last, which the next job writes; none
    // while no unit is shown.
    const std::optional<KeIdentity>& GetShownUnit() const { return _shown; }
    // Shows no unit, as a failed IsFound would: no job may start, and the
    // discovery status and reason are those of `first`, the first unit
    // found but not offered, if any.
    void ShowNoUnit(const KeUnitReading* first);

    void GetSerialNumberString(std::string& serialNumberString);
    void GetCurrentFirmwareVersionString(std::string& currentVersionString);
    void GetUpdateFirmwareVersionString(std::string& updateVersionString);
    bool IsDowngrade();
    VersionInfo GetCurrentFirmwareVersion();
    VersionInfo GetUpdateFirmwareVersion();

    // Starts the job on a worker thread. False when the thread could not be
    // created; the job has then already ended with kThreadNotStarted.
    bool DoUpdate();
    // Cancels the running job if its first erase command has not been sent:
    // it then ends as kCancelled with nothing written. False once it has (the
    // job goes on) or when no job runs. Safe in a signal handler.
    bool CancelBeforeErase() { return _gate.Cancel(); }
    // The gate itself, for a signal handler that has no object to work on.
    FirstEraseGate& EraseGate() { return _gate; }
    bool GetDoneStatus() const;
    // From DoUpdate until the worker has finished with this object (its
    // history record written). Any thread.
    bool JobRunning() const { return mWorkerRunning.load(std::memory_order_acquire); }
    // Returns once no job runs; any thread but the worker's.
    void WaitForJobEnd() const;
    // The result of the finished job; kNone while a job runs or before any.
    UpdateResult GetUpdateResult() const;
    // Why the finished job could not be recorded in the history, or nullopt.
    std::optional<std::string> GetHistoryProblem() const;

private:
    // The job's end: release everything, then say done, last of all.
    void FinishJob(const UpdateResult& result);
    void Download(DOWNLOADTYPE type, UpdateResult& result);
    // Makes _unit for one unit found.
    void MakeUnit(const fwplat::UnitInfo& unit);
    // Opens _unit, reads its identity and closes it again; _unit stays. A
    // unit another program holds is waited for a moment, as long as a
    // discovery holds it.
    KeUnitReading ReadUnit();
    std::vector<fwplat::UnitInfo> FindKeUnits() const;
    // The unit the job may write, in _unit; false with `result` filled when
    // there is none.
    bool OpenJobUnit(UpdateResult& result);

    UpdateSeams _seams;
    std::unique_ptr<DownloadUnit> _unit;
    KeInfo _keInfo;
    ULWord _updateProgress = 0;
    DownloaderFactory _makeDownloader;
    std::unique_ptr<Downloader> _pDownloader;
    std::atomic<bool> _done{false};
    std::atomic<bool> mWorkerRunning{false};
    FirstEraseGate _gate;
    bool _bailthread = false;
    bool _threadrunning = false;
    Thread* _thread = nullptr;
    UpdateResult _result;
    std::optional<std::string> _historyProblem;
    IOReturn _discoveryStatus = kIOReturnNotFound;
    std::string _discoveryReason;
    // Where _unit is, as discovery gave it.
    std::string _unitWhere;
    std::optional<UInt64> _unitGuid;
    // The unit shown last, and the one the running job writes to.
    std::optional<KeIdentity> _shown;
    std::optional<KeIdentity> _jobIdentity;
    // When the job started and what was known of its unit then, for its
    // history record.
    std::chrono::system_clock::time_point _jobStart;
    KeInfo _jobInfo;
};

}  // namespace PTA
}  // namespace APW
