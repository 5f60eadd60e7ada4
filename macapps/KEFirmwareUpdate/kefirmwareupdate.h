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
#include "macclasses/APW_PTA_Runnable.h"
#include "macclasses/APW_PTA_Thread.h"
#include "platform/common/KeTypes.h"
#include "platform/firewire/FWTransport.h"
#include "platform/firewire/IOReturn.h"
#include "platform/threads/Sleep.h"

class DownloadUnit;

namespace APW {
namespace PTA {

struct KeInfo {
    KeInfo() = default;
    ~KeInfo() = default;

    UInt32 softwareVer = 0;
    UInt32 productVer = 0;
    std::string serialNum;
    UInt32 MCOREver = 0;
    UInt32 XilinxVer = 0;
    bool valid = false;
};

// Who a unit is: what the job reads again before it writes.
struct KeIdentity {
    std::optional<UInt64> guid;  // the node's GUID, when the bus tells it
    std::string serialNum;       // empty for a unit that has none (M·CORE 20 or less)
    UInt32 productVer = 0;

    bool operator==(const KeIdentity&) const = default;
};

// "GUID 0x0001f2fffe000042, serial KE000042, product version 0x00010000".
std::string DescribeIdentity(const KeIdentity& identity);
// "0x0001f2fffe000042", or "unknown".
std::string GuidText(const std::optional<UInt64>& guid);
// A status in words and in hex: "timed out (0xE00002D6)".
std::string KeStatusText(IOReturn status);
// What the window shows of a unit read: its serial number in its printable
// form, or "Not Available" for one without (M·CORE 20 or less), and its
// version, "21-26".
std::string SerialNumberText(const KeInfo& info);
std::string InstalledVersionText(const KeInfo& info);

// One unit as discovery read it.
struct KeUnitReading {
    std::string where;  // for messages: "fw1.0", a socket path...
    KeInfo info;        // its reads; valid only when status is 0
    KeIdentity identity;
    // 0: offered for an update. kIOReturnNotFound: not a unit this program
    // updates. Otherwise what stopped the reading: the open's status, or
    // the failed identity read's (then `unreadable` is set).
    IOReturn status = kIOReturnNotFound;
    bool unreadable = false;
    std::string reason;  // why an unreadable unit is not offered, in words
};

// Opens `unit` (found at `where`, on the node `guid`), reads its identity and
// closes it again. A unit another program holds is asked again holdRetries
// times, 10 ms apart, through `sleep`.
KeUnitReading ReadKeUnit(DownloadUnit& unit, const std::string& where, const std::optional<UInt64>& guid,
                         const KeSleepFunction& sleep, int holdRetries);
// Every unit found on `transports`, each read as ReadKeUnit reads one without
// waiting out a hold, in discovery order; it writes no trace lines. Touches
// nothing but the transports, so any thread may run it.
std::vector<KeUnitReading> SurveyKeUnitsQuietly(const fwplat::Transports& transports, const KeSleepFunction& sleep);

extern const UInt32 KeXilinxUpgradeVer;
extern const UInt32 KeMCOREUpgradeVer;

// How the last update job ended. Readable once GetDoneStatus() is true.
enum class UpdateOutcome {
    kNone,              // no job has finished yet
    kSucceeded,         // both images written and accepted
    kDownloadFailed,    // `image` failed at `step` with `status`; nothing was written after it
    kUnitNotFound,      // the unit could not be found when the job started
    kUnitChanged,       // the unit found is not the one shown, or runs another version: nothing was written
    kUnitUnreadable,    // its identity could not be read again: nothing was written
    kUnitHeld,          // it could not be opened (`status`): nothing was written
    kNotStarted,        // the first image failed at `step`, before its erase: nothing was written
    kCancelled,         // cancelled before the first erase: nothing was written
    kThreadNotStarted,  // the worker thread could not be created
};

struct UpdateResult {
    UpdateOutcome outcome = UpdateOutcome::kNone;
    DOWNLOADTYPE image = fileXILINX;
    IOReturn status = 0;
    std::string reason;  // for kUnitChanged and kUnitUnreadable, in words
    FlashStep step = FlashStep::kNone;
    // For a job that put the unit in update mode and stopped before its first
    // erase: the status of taking it out again. nullopt when it never did.
    std::optional<IOReturn> leaveStatus = std::nullopt;

    bool Succeeded() const { return outcome == UpdateOutcome::kSucceeded; }
    // The job ended before it could have changed a flash.
    bool NothingWritten() const
    {
        return outcome != UpdateOutcome::kSucceeded && outcome != UpdateOutcome::kDownloadFailed &&
               outcome != UpdateOutcome::kNone;
    }
    // For a job that changed no flash: whether the unit is as the job found
    // it, out of update mode. nullopt when something may have been written.
    std::optional<bool> LeftAsFound() const
    {
        if (!NothingWritten()) return std::nullopt;
        return !leaveStatus || *leaveStatus == 0;
    }
};

// How a job that did not succeed ended, in one or two sentences for users:
// "Writing the FPGA image failed at the erase: the unit did not finish
// erasing in time (timed out, 0xE00002D6). The microcontroller image was left
// as it was." or "The update did not start: ...; nothing was written."
std::string UpdateResultText(const UpdateResult& result);

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
    // Reads the first unit found. When it is offered, its identity is what
    // the next job writes to. Never waits: a unit held by another program,
    // even for a moment, is told at once (the window asks on its main thread).
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

    // Every unit found, each read as IsFound reads one, in discovery order;
    // with waitOutAHold a unit another program holds for a moment is asked
    // again (never on the window's main thread).
    std::vector<KeUnitReading> SurveyUnits(bool waitOutAHold = true);
    // Shows an offered unit of SurveyUnits as IsFound would have: the
    // getters below describe it and the next job writes to it alone.
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
    // Opens _unit, reads its identity and closes it again; _unit stays.
    // `waitOutAHold`: a unit another program holds is waited for a moment,
    // as long as a discovery holds it.
    KeUnitReading ReadUnit(bool waitOutAHold = true);
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
