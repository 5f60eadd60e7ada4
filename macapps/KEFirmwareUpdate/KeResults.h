// SPDX-License-Identifier: MIT
// What reading a unit and an update job give, and how each outcome is told:
// one row per outcome with its sentence for people, its name in the history,
// the command line's exit code and its JSON result. The window, the command
// line, the JSON and the history all look up the row.
#pragma once

#include <optional>
#include <string>

#include "macapps/KEFirmwareUpdate/FlashImage.h"
#include "macapps/KEFirmwareUpdate/KeText.h"
#include "platform/common/MacTypes.h"
#include "platform/firewire/IOReturn.h"

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

// How the last update job ended.
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

// Access denied, or the unit held by another program: nothing can be sent
// to the unit until a person acts.
constexpr bool DeniedOrHeld(IOReturn status)
{
    return status == kIOReturnNotPermitted || status == kIOReturnExclusiveAccess;
}

// Which results a row is for, besides its outcome.
enum class StatusCase {
    kAny,
    kHeld,          // another program holds the unit
    kDeniedOrHeld,  // see DeniedOrHeld
};

constexpr bool StatusFits(StatusCase when, IOReturn status)
{
    switch (when) {
    case StatusCase::kHeld:
        return status == kIOReturnExclusiveAccess;
    case StatusCase::kDeniedOrHeld:
        return DeniedOrHeld(status);
    case StatusCase::kAny:
        break;
    }
    return true;
}

// How one outcome is told everywhere.
struct OutcomeRow {
    UpdateOutcome outcome;
    StatusCase when;
    // For people, in English (see UpdateResultText): an outcome that wrote
    // nothing gives the reason that follows "The update did not start: ";
    // null where the result's own reason is told.
    const char* sentence;
    const char* historyName;  // the history's "result"; stored files read it
    int exitCode;             // the command line's exit code
    const char* result;       // the command line's JSON "result"; scripts read it
};

// The first row that fits a result is its row; every outcome has one.
inline constexpr OutcomeRow kOutcomeRows[] = {
    {UpdateOutcome::kNone, StatusCase::kAny, QT_TRANSLATE_NOOP("KeResults", "The update ended without a result."),
     "unknown", 1, "update-failed"},
    {UpdateOutcome::kSucceeded, StatusCase::kAny,
     QT_TRANSLATE_NOOP("KeResults",
                       "Programming Complete\nYou will need to cycle the Power on your Ke for changes to take affect"),
     "succeeded", 0, "success"},
    // An image that could not even be opened: as for a unit held, a person must act first.
    {UpdateOutcome::kDownloadFailed, StatusCase::kDeniedOrHeld,
     QT_TRANSLATE_NOOP("KeResults", "Writing the %1 image failed %2: %3 %4."), "update-failed", 5, "no-access"},
    {UpdateOutcome::kDownloadFailed, StatusCase::kAny,
     QT_TRANSLATE_NOOP("KeResults", "Writing the %1 image failed %2: %3 %4."), "update-failed", 1, "update-failed"},
    {UpdateOutcome::kUnitNotFound, StatusCase::kAny,
     QT_TRANSLATE_NOOP("KeResults", "the Ke was not found on the FireWire bus %1"), "no-unit", 2, "no-unit"},
    // Scripts that only read the code see a unit that is not there to be written.
    {UpdateOutcome::kUnitChanged, StatusCase::kAny, nullptr, "unit-changed", 2, "unit-changed"},
    {UpdateOutcome::kUnitUnreadable, StatusCase::kAny, nullptr, "unit-unreadable", 8, "unit-unreadable"},
    {UpdateOutcome::kUnitHeld, StatusCase::kHeld, QT_TRANSLATE_NOOP("KeResults", "another program holds the Ke %1"),
     "no-access", 5, "no-access"},
    {UpdateOutcome::kUnitHeld, StatusCase::kAny, QT_TRANSLATE_NOOP("KeResults", "the Ke could not be opened %1"),
     "no-access", 5, "no-access"},
    {UpdateOutcome::kNotStarted, StatusCase::kAny,
     QT_TRANSLATE_NOOP("KeResults", "the %1 image failed %2, before its erase %3"), "not-started", 1, "update-failed"},
    {UpdateOutcome::kCancelled, StatusCase::kAny,
     QT_TRANSLATE_NOOP("KeResults", "it was cancelled before the first erase"), "cancelled", 6, "cancelled"},
    {UpdateOutcome::kThreadNotStarted, StatusCase::kAny,
     QT_TRANSLATE_NOOP("KeResults", "the system could not start the update thread %1"), "not-started", 1,
     "update-failed"},
};

const OutcomeRow& OutcomeRowOf(const UpdateResult& result);

// How a job ended, in one or two sentences for people: "Writing the FPGA
// image failed at the erase: the unit did not finish erasing in time (timed
// out, 0xE00002D6). The microcontroller image was left as it was." or "The
// update did not start: ...; nothing was written."
std::string UpdateResultText(const UpdateResult& result, const KeTranslate& translate = KeUntranslated);

// How a status is written.
enum class StatusForm {
    kWordsThenHex,   // "timed out (0xE00002D6)"
    kInParentheses,  // "(timed out, 0xE00002D6)"
    kHex,            // "0xE00002D6"
};
std::string KeStatusText(IOReturn status, StatusForm form = StatusForm::kWordsThenHex);

// "0x0001f2fffe000042", or "unknown".
std::string GuidText(const std::optional<UInt64>& guid);
// "GUID 0x0001f2fffe000042, serial KE000042, product version 0x00010000".
std::string DescribeIdentity(const KeIdentity& identity);

// A unit read, described from its reading alone: its serial number in its
// printable form, or "Not Available" for one without (M·CORE 20 or less);
// its version, "21-26"; whether writing the carried firmware would take
// either flash back to an older version.
std::string SerialNumberText(const KeInfo& info, const KeTranslate& translate = KeUntranslated);
std::string InstalledVersionText(const KeInfo& info);
bool IsDowngrade(const KeInfo& info);

}  // namespace PTA
}  // namespace APW
