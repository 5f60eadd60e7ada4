// SPDX-License-Identifier: MIT
// What one run found and how it ended, for the closing JSON object.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "macapps/KEFirmwareUpdate/Downloader.h"
#include "cli/ExitCodes.h"
#include "platform/firewire/IOReturn.h"

namespace kecli {

// What writing the carried firmware would do to the unit.
enum class Change {
    kUpgrade,
    kDowngrade,
    kReinstall,  // the unit already runs the carried versions
};

struct UnitIdentity {
    std::string guid = "unknown";  // "0x0001f2fffe000042", as discovery found the unit
    std::string serialNumber;      // printable, or "Not Available", as the window shows it
    std::string installedVersion;
    std::string carriedVersion;
    Change change = Change::kUpgrade;
};

// One unit found, as a run lists it: offered for an update (`identity`
// complete, `code` success), or not, and why (`message`).
struct UnitListing {
    UnitIdentity identity;
    bool offered = false;
    ExitCode code = kExitSuccess;
    std::string message;  // in English, for the JSON
    std::string text;     // the message in the user's language, for the terminal
};

const char* ChangeName(Change change);
// A status as "0xE00002D8", and in words as "timed out (0xE00002D6)".
std::string HexStatus(IOReturn status);
std::string StatusText(IOReturn status);
// "SIGINT", "SIGTERM", "SIGHUP", or "signal N".
std::string SignalName(int signalNumber);
// Text of a record (which an edited file may fill with anything) made safe
// for a terminal: control and non-ASCII bytes become '?'.
std::string PrintableText(const std::string& text);

class RunReport {
public:
    explicit RunReport(std::string command);

    void SetUnit(const UnitIdentity& unit) { mUnit = unit; }
    void AddListing(const UnitListing& unit) { mUnits.push_back(unit); }
    void SetCarriedVersion(const std::string& carried) { mCarried = carried; }
    // `result` names it in the JSON when the code's own name does not.
    void SetOutcome(ExitCode code, std::string message, const char* result = nullptr);
    void SetFailure(DOWNLOADTYPE image, IOReturn status, FlashStep step);
    void SetDeferredSignal(int signalNumber) { mDeferredSignal = signalNumber; }
    // "complete" or "incomplete: <reason>", for a run with --trace.
    void SetTrace(std::string state) { mTrace = std::move(state); }
    // "recorded" or "not recorded: <reason>", for a run whose job ran.
    void SetHistory(std::string state) { mHistory = std::move(state); }
    // For a job that wrote nothing: whether it left the unit as it found it.
    void SetLeftAsFound(std::optional<bool> left) { mLeftAsFound = left; }

    ExitCode Code() const { return mCode; }
    const std::optional<UnitIdentity>& Unit() const { return mUnit; }

    // Every key is always there (null when it does not apply), so that
    // scripts can read the object without testing for keys.
    nlohmann::ordered_json ToJson() const;
    // The object and a newline, flushed; false when it could not be written.
    bool WriteJson(std::FILE* out) const;

private:
    struct Failure {
        DOWNLOADTYPE image;
        IOReturn status;
        FlashStep step;
    };

    std::string mCommand;
    std::optional<UnitIdentity> mUnit;
    std::vector<UnitListing> mUnits;
    std::string mCarried;
    ExitCode mCode = kExitSuccess;
    const char* mResult = nullptr;
    std::string mMessage;
    std::optional<Failure> mFailure;
    int mDeferredSignal = 0;
    std::optional<std::string> mTrace;
    std::optional<std::string> mHistory;
    std::optional<bool> mLeftAsFound;
};

}  // namespace kecli
