// The one object through which the window deals with the unit: discovery,
// identity, version text, the downgrade rule, and the update job.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "includes/KeTypes.h"
#include "macapps/KEFirmwareUpdate/Downloader.h"
#include "macclasses/APW_PTA_Runnable.h"
#include "platform/firewire/IOReturn.h"

class DownloadUnit;

namespace APW {
namespace PTA {

class Thread;

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

extern const UInt32 KeXilinxUpgradeVer;
extern const UInt32 KeMCOREUpgradeVer;

// How the last update job ended. Readable once GetDoneStatus() is true.
enum class UpdateOutcome {
    kNone,              // no job has finished yet
    kSucceeded,         // both images written and accepted
    kDownloadFailed,    // `image` failed first, with `status`
    kUnitNotFound,      // the unit could not be found when the job started
    kThreadNotStarted,  // the worker thread could not be created
};

struct UpdateResult {
    UpdateOutcome outcome = UpdateOutcome::kNone;
    DOWNLOADTYPE image = fileXILINX;
    IOReturn status = 0;

    bool Succeeded() const { return outcome == UpdateOutcome::kSucceeded; }
};

// Makes the download engine of each job.
using DownloaderFactory = std::function<std::unique_ptr<Downloader>()>;

class CKeFirmwareUpdate : public Runnable {
public:
    // Without a factory each job gets a plain Downloader.
    explicit CKeFirmwareUpdate(DownloaderFactory makeDownloader = {});
    ~CKeFirmwareUpdate() override;

    CKeFirmwareUpdate(const CKeFirmwareUpdate&) = delete;
    CKeFirmwareUpdate& operator=(const CKeFirmwareUpdate&) = delete;

    void Run() override;

    bool OpenKe();
    void CloseKe();
    bool IsFound();
    // Why the last IsFound gave its answer: 0 when found; kIOReturnNotFound
    // when no unit matched or the unit failed the product check; otherwise
    // the status that stopped it (kIOReturnNotPermitted for a unit this user
    // may not open, kIOReturnExclusiveAccess for one another program holds,
    // kIOReturnNoDevice for one that cannot be connected to).
    IOReturn GetDiscoveryStatus() const { return _discoveryStatus; }

    void GetSerialNumberString(std::string& serialNumberString);
    void GetCurrentFirmwareVersionString(std::string& currentVersionString);
    void GetUpdateFirmwareVersionString(std::string& updateVersionString);
    bool IsDowngrade();
    VersionInfo GetCurrentFirmwareVersion();
    VersionInfo GetUpdateFirmwareVersion();

    // Starts the job on a worker thread. False when the thread could not be
    // created; the job has then already ended with kThreadNotStarted.
    bool DoUpdate();
    bool GetDoneStatus() const;
    // The result of the finished job; kNone while a job runs or before any.
    UpdateResult GetUpdateResult() const;

private:
    // The job's end: release everything, then say done, last of all.
    void FinishJob(const UpdateResult& result);
    void Download(DOWNLOADTYPE type, UpdateResult& result);

    std::unique_ptr<DownloadUnit> _unit;
    KeInfo _keInfo;
    ULWord _updateProgress = 0;
    DownloaderFactory _makeDownloader;
    std::unique_ptr<Downloader> _pDownloader;
    std::atomic<bool> _done{false};
    bool _bailthread = false;
    bool _threadrunning = false;
    Thread* _thread = nullptr;
    UpdateResult _result;
    IOReturn _discoveryStatus = kIOReturnNotFound;
    // The GUID of the unit found last; when the job started and what was
    // known of its unit then, for its history record.
    std::optional<UInt64> _shownGuid;
    std::chrono::system_clock::time_point _jobStart;
    KeInfo _jobInfo;
    std::optional<UInt64> _jobGuid;
};

}  // namespace PTA
}  // namespace APW
