// SPDX-License-Identifier: MIT
// The command-line program's exit codes, in one place: --help, the README and
// the JSON "result" field are all written from this table. How an update
// job's outcome maps to them is in the outcomes' table (kOutcomeRows), which
// must name each code as this table does.
#pragma once

namespace kecli {

enum ExitCode : int {
    kExitSuccess = 0,             // status: a unit was found; update: both images written
    kExitUpdateFailed = 1,        // an image was not written or not accepted
    kExitNoUnit = 2,              // no Ke unit was found
    kExitDowngradeRefused = 3,    // a downgrade without --allow-downgrade
    kExitApplicationRunning = 4,  // an application that uses the unit ('KeyG') is running
    kExitNoAccess = 5,            // the unit was found but may not be opened
    kExitCancelled = 6,           // not confirmed, or cancelled by a signal before the first erase
    kExitSeveralUnits = 7,        // update: several units and no --unit to choose one
    kExitUnitUnreadable = 8,      // the unit's identity could not be read, so it is not offered
    kExitUsage = 64,              // bad command line, or no terminal to confirm on and no --yes
};

struct ExitCodeInfo {
    ExitCode code;
    const char* name;         // the JSON "result" value
    const char* description;  // one line for --help and the README
};

inline constexpr ExitCodeInfo kExitCodeTable[] = {
    {kExitSuccess, "success", "success (status: a unit was found; update: both images written)"},
    {kExitUpdateFailed, "update-failed",
     "the update failed (the message says whether anything was written); run it again without powering the unit "
     "off"},
    {kExitNoUnit, "no-unit", "no Ke unit was found"},
    {kExitDowngradeRefused, "downgrade-refused", "the update would be a downgrade and --allow-downgrade was not given"},
    {kExitApplicationRunning, "application-running", "an application that uses the unit ('KeyG') is running"},
    {kExitNoAccess, "no-access", "the unit is there but may not be opened (permissions, or held by another program)"},
    {kExitCancelled, "cancelled",
     "the update was not confirmed at the prompt, or a signal cancelled it before anything was written"},
    {kExitSeveralUnits, "several-units", "several Ke units are connected; choose one with --unit"},
    {kExitUnitUnreadable, "unit-unreadable", "the unit's version, product version or serial number could not be read"},
    {kExitUsage, "usage-error", "usage error (also: no terminal to confirm on and no --yes)"},
};

// A result of its own that shares the code of no-unit: scripts that only
// read the code see a unit that is not there to be written.
inline constexpr ExitCodeInfo kUnitChangedResult = {
    kExitNoUnit, "unit-changed",
    "update: the unit is not the one shown, or runs another version than shown; nothing was written"};

inline constexpr const char* ExitCodeName(ExitCode code)
{
    for (const ExitCodeInfo& info : kExitCodeTable) {
        if (info.code == code) return info.name;
    }
    return "unknown";
}

}  // namespace kecli
