#include "macapps/KEFirmwareUpdate/cli/CliApp.h"

#include <thread>

#include <nlohmann/json.hpp>

#include "macapps/KEFirmwareUpdate/DownloadProgress.h"
#include "macapps/KEFirmwareUpdate/cli/JobVerdict.h"
#include "macapps/KEFirmwareUpdate/cli/NodeAccess.h"
#include "macapps/KEFirmwareUpdate/cli/ProgressBar.h"
#include "macapps/KEFirmwareUpdate/cli/SignalGuard.h"
#include "macapps/KEFirmwareUpdate/cli/UnitApplication.h"

#ifndef KE_CLI_VERSION
#define KE_CLI_VERSION "0"
#endif

namespace kecli {
namespace {

ProgressSample CurrentProgress()
{
    ProgressSample sample;
    sample.percent = gDownloadProgress.Get();
    sample.phase = gDownloadProgress.GetPhase();
    sample.device = gDownloadProgress.GetPhaseDevice();
    return sample;
}

std::string Field(const char* label, const std::string& value)
{
    char padded[24];
    std::snprintf(padded, sizeof padded, "%-19s", label);
    return padded + value + "\n";
}

std::string ChangeText(const UnitIdentity& unit)
{
    switch (unit.change) {
    case Change::kUpgrade:
        return "upgrade (" + unit.installedVersion + " to " + unit.carriedVersion + ")";
    case Change::kDowngrade:
        return "downgrade (" + unit.installedVersion + " to " + unit.carriedVersion + ")";
    case Change::kReinstall:
        return "reinstall of the same version (" + unit.carriedVersion + ")";
    }
    return "";
}

}  // namespace

const char CliApp::kVersion[] = KE_CLI_VERSION;

CliApp::CliApp(APW::PTA::CKeFirmwareUpdate& update, const Console& console, const CliOptions& options)
    : mUpdate(update), mConsole(console), mOptions(options), mApplicationRunning(UnitApplicationRunning)
{
}

ExitCode CliApp::Run()
{
    if (mOptions.command == Command::kVersion) return Version();

    RunReport report(mOptions.command == Command::kUpdate ? "update" : "status");
    mUpdate.GetUpdateFirmwareVersionString(mCarried);
    report.SetCarriedVersion(mCarried);

    const ExitCode code = mOptions.command == Command::kUpdate ? Update(report) : Status(report);
    if (mOptions.json) report.WriteJson(mConsole.Out());
    return code;
}

ExitCode CliApp::Version()
{
    std::string carried;
    mUpdate.GetUpdateFirmwareVersionString(carried);
    if (mOptions.json) {
        const nlohmann::ordered_json object = {{"command", "version"},
                                       {"version", kVersion},
                                       {"carried_version", carried},
                                       {"result", ExitCodeName(kExitSuccess)},
                                       {"exit_code", 0}};
        mConsole.Print(mConsole.Out(), object.dump(2) + "\n");
    } else {
        mConsole.Print(mConsole.Out(),
                       std::string("kefirmwareupdate-cli ") + kVersion + "\nCarried firmware: " + carried + "\n");
    }
    return kExitSuccess;
}

std::optional<UnitIdentity> CliApp::FindUnit()
{
    if (!mUpdate.IsFound()) {
        const IOReturn why = mUpdate.GetDiscoveryStatus();
        if (why == kIOReturnNotPermitted) {
            mNotFound = {kExitNoAccess, "The Ke is there, but this user may not open it (status " + StatusText(why) +
                                            "); ask for access to its FireWire device.\n"};
        } else if (why == kIOReturnExclusiveAccess) {
            mNotFound = {kExitNoAccess,
                         "The Ke is there, but another program holds it (status " + StatusText(why) + ").\n"};
        } else {
            mNotFound = {kExitNoUnit, NotFoundMessage(UnopenableFireWireNodes())};
        }
        return std::nullopt;
    }
    UnitIdentity unit;
    mUpdate.GetCurrentFirmwareVersionString(unit.installedVersion);
    mUpdate.GetSerialNumberString(unit.serialNumber);
    mUpdate.GetUpdateFirmwareVersionString(unit.carriedVersion);
    if (mUpdate.IsDowngrade()) {
        unit.change = Change::kDowngrade;
    } else if (unit.installedVersion == unit.carriedVersion) {
        unit.change = Change::kReinstall;
    } else {
        unit.change = Change::kUpgrade;
    }
    return unit;
}

void CliApp::ShowIdentity(const UnitIdentity& unit)
{
    // With --json the object carries it.
    if (mOptions.json) return;
    mConsole.Print(mConsole.Out(), Field("Serial number:", PrintableText(unit.serialNumber)) +
                                       Field("Installed version:", unit.installedVersion) +
                                       Field("Carried version:", unit.carriedVersion) +
                                       Field("Update would be:", ChangeText(unit)));
}

ExitCode CliApp::End(RunReport& report, ExitCode code, const std::string& message)
{
    report.SetOutcome(code, message);
    if (!message.empty()) mConsole.Print(code == kExitSuccess ? ReportStream() : mConsole.Err(), message);
    return code;
}

ExitCode CliApp::Status(RunReport& report)
{
    const std::optional<UnitIdentity> unit = FindUnit();
    if (!unit) {
        report.SetOutcome(mNotFound.code, mNotFound.message);
        if (!mOptions.json) {
            mConsole.Print(mNotFound.code == kExitNoUnit ? mConsole.Out() : mConsole.Err(), mNotFound.message);
            mConsole.Print(mConsole.Out(), Field("Carried version:", mCarried));
        }
        return mNotFound.code;
    }
    report.SetUnit(*unit);
    ShowIdentity(*unit);
    report.SetOutcome(kExitSuccess, "");
    return kExitSuccess;
}

bool CliApp::Confirmed(const UnitIdentity& unit)
{
    const std::string serial = PrintableText(unit.serialNumber);
    switch (unit.change) {
    case Change::kDowngrade:
        return mConsole.Confirm("This is a Downgrade: write firmware " + unit.carriedVersion + " over " +
                                unit.installedVersion + " on the Ke (serial " + serial + ")?");
    case Change::kReinstall:
        return mConsole.Confirm("The Ke (serial " + serial + ") already runs " + unit.carriedVersion +
                                ". Write it again?");
    case Change::kUpgrade:
        break;
    }
    return mConsole.Confirm("Write firmware " + unit.carriedVersion + " to the Ke (serial " + serial +
                            ", now running " + unit.installedVersion + ")?");
}

ExitCode CliApp::Update(RunReport& report)
{
    const std::optional<UnitIdentity> unit = FindUnit();
    if (!unit) return End(report, mNotFound.code, mNotFound.message);
    report.SetUnit(*unit);
    ShowIdentity(*unit);

    if (unit->change == Change::kDowngrade && !mOptions.allowDowngrade) {
        return End(report, kExitDowngradeRefused,
                   "This is a Downgrade: the Ke runs " + unit->installedVersion + ", newer than the carried " +
                       unit->carriedVersion + ".\nRun again with --allow-downgrade to write it anyway.\n");
    }
    const std::string applicationMessage =
        "An application that uses the Ke is running; quit it, then run the update again.\n";
    if (mApplicationRunning()) return End(report, kExitApplicationRunning, applicationMessage);

    if (!mOptions.yes) {
        // Waiting for an answer that cannot come would hang a script.
        if (!mConsole.InputIsTerminal()) {
            return End(report, kExitUsage,
                       "kefirmwareupdate-cli: standard input is not a terminal, so the update cannot be "
                       "confirmed; add --yes to update without asking.\n");
        }
        if (!Confirmed(*unit)) return End(report, kExitCancelled, "Not confirmed: nothing was written.\n");
        // The answer may have taken a while: the window would have noticed.
        if (mApplicationRunning()) return End(report, kExitApplicationRunning, applicationMessage);
    }
    return RunJob(report);
}

ExitCode CliApp::RunJob(RunReport& report)
{
    mConsole.Print(mConsole.Err(), "Updating the Ke; do not power it off or unplug it until the update is over.\n");
    SignalGuard guard(mConsole.ErrFd());
    {
        // The worker starts with the signals blocked: they reach this thread.
        SignalBlock block;
        mUpdate.DoUpdate();
    }

    // The core's trace lines share the terminal with --verbose: lines then.
    ProgressBar bar(mConsole.Err(), mConsole.ErrorIsTerminal() && !mOptions.verbose);
    while (!mUpdate.GetDoneStatus()) {
        bar.Show(CurrentProgress());
        std::this_thread::sleep_for(mPollInterval);
    }
    bar.Show(CurrentProgress());
    bar.Finish();

    const JobVerdict verdict = JobVerdict::From(mUpdate.GetUpdateResult());
    if (verdict.imageFailed) report.SetFailure(verdict.image, verdict.status);
    if (guard.DeferredSignal() != 0) {
        report.SetDeferredSignal(guard.DeferredSignal());
        mConsole.Print(mConsole.Err(), SignalName(guard.DeferredSignal()) +
                                           " arrived during the update; the program ends now with its result.\n");
    }
    return End(report, verdict.code, verdict.message);
}

}  // namespace kecli
