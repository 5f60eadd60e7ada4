// SPDX-License-Identifier: MIT
// The two commands over the update controller: `status` reports the unit as
// the window would show it, `update` runs the window's update job with the
// window's rules (downgrade confirmation, the 'KeyG' check) and follows it.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/Console.h"
#include "cli/ExitCodes.h"
#include "cli/Phrase.h"
#include "cli/RunReport.h"
#include "macapps/KEFirmwareUpdate/kefirmwareupdate.h"
#include "platform/firewire/TraceUnitLink.h"

namespace kecli {

class CliApp {
public:
    CliApp(APW::PTA::CKeFirmwareUpdate& update, const Console& console, const CliOptions& options);

    // Replaces the check for an application using the unit.
    void SetApplicationCheck(std::function<bool()> check) { mApplicationRunning = std::move(check); }
    // The run's trace (--trace), whose completeness the run reports.
    void SetTrace(std::shared_ptr<const fwplat::TraceWriter> trace) { mTrace = std::move(trace); }
    // How often the job is polled while it runs.
    void SetPollInterval(std::chrono::milliseconds interval) { mPollInterval = interval; }

    // Runs the command, prints its report and returns the exit code.
    ExitCode Run();

    static const char kVersion[];

private:
    ExitCode Status(RunReport& report);
    ExitCode Update(RunReport& report);
    ExitCode Version();

    // One unit as discovery read it and as the run lists it.
    struct Found {
        APW::PTA::KeUnitReading reading;
        UnitListing listing;
    };

    // Every unit, each read as one window tick reads its unit.
    std::vector<Found> Survey();
    // A unit as its reading alone describes it: describing shows nothing.
    UnitListing Describe(const APW::PTA::KeUnitReading& reading) const;
    // The unit that `update` writes; null after ending the run with `code`.
    const Found* Choose(const std::vector<Found>& units, RunReport& report, ExitCode& code);
    void ShowListing(const UnitListing& unit);
    void ShowIdentity(const UnitIdentity& unit);
    // `interrupted`: the signal that ended the question, or 0.
    bool Confirmed(const UnitIdentity& unit, int& interrupted);
    void ReportTrace(RunReport& report);
    ExitCode RunJob(RunReport& report);
    // `message` goes to the JSON in English and to the terminal as it is shown.
    ExitCode End(RunReport& report, ExitCode code, const Phrase& message, const char* result = nullptr);

    // The program's report: standard output, or standard error with --json,
    // whose standard output carries only the JSON object.
    std::FILE* ReportStream() const { return mOptions.json ? mConsole.Err() : mConsole.Out(); }

    APW::PTA::CKeFirmwareUpdate& mUpdate;
    const Console& mConsole;
    CliOptions mOptions;
    std::function<bool()> mApplicationRunning;
    std::chrono::milliseconds mPollInterval{100};
    std::string mCarried;
    std::shared_ptr<const fwplat::TraceWriter> mTrace;
};

}  // namespace kecli
