// SPDX-License-Identifier: MIT
#include "cli/CliApp.h"

#include <QCoreApplication>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <optional>
#include <thread>

#include <nlohmann/json.hpp>

#include "macapps/KEFirmwareUpdate/DownloadProgress.h"
#include "cli/JobVerdict.h"
#include "cli/DisplayWidth.h"
#include "cli/NodeAccess.h"
#include "cli/Phrase.h"
#include "cli/ProgressBar.h"
#include "cli/UnitApplication.h"
#include "macapps/KEFirmwareUpdate/KeText.h"
#include "macapps/KEFirmwareUpdate/PrintableBytes.h"
#include "platform/signals/SignalHold.h"
#include "platform/ui/Translations.h"

#ifndef KE_CLI_VERSION
#define KE_CLI_VERSION "0"
#endif

namespace kecli {
namespace {

constexpr char kContext[] = "kecli::CliApp";

// A text of this file that the JSON object carries too.
Phrase Said(const char* source, std::initializer_list<std::string_view> args = {})
{
    return Say(kContext, source, args);
}

// A notice that the signal handler writes itself, at once, while the job goes on.
std::string Notice(const QString& text) { return "\nkefirmwareupdate-cli: " + text.toStdString() + "\n"; }

ProgressSample CurrentProgress()
{
    ProgressSample sample;
    sample.percent = gDownloadProgress.Get();
    sample.phase = gDownloadProgress.GetPhase();
    sample.device = gDownloadProgress.GetPhaseDevice();
    return sample;
}

// The labels of a unit's listing, whose values start in one column: the
// widest label's, and a space.
constexpr const char* kLabels[] = {
    QT_TRANSLATE_NOOP("kecli::CliApp", "GUID:"),
    QT_TRANSLATE_NOOP("kecli::CliApp", "Serial number:"),
    QT_TRANSLATE_NOOP("kecli::CliApp", "Installed version:"),
    QT_TRANSLATE_NOOP("kecli::CliApp", "Carried version:"),
    QT_TRANSLATE_NOOP("kecli::CliApp", "Update would be:"),
};

std::string Field(const char* label, const std::string& value)
{
    std::size_t column = 19;
    for (const char* each : kLabels)
        column = std::max(column, DisplayWidth(QCoreApplication::translate(kContext, each).toStdString()) + 1);
    return PadToWidth(QCoreApplication::translate(kContext, label).toStdString(), column) + value + "\n";
}

std::string ChangeText(const UnitIdentity& unit)
{
    switch (unit.change) {
    case Change::kUpgrade:
        return keui::Fill(QCoreApplication::translate("kecli::CliApp", "upgrade (%1 to %2)"),
                          {unit.installedVersion, unit.carriedVersion});
    case Change::kDowngrade:
        return keui::Fill(QCoreApplication::translate("kecli::CliApp", "downgrade (%1 to %2)"),
                          {unit.installedVersion, unit.carriedVersion});
    case Change::kReinstall:
        return keui::Fill(QCoreApplication::translate("kecli::CliApp", "reinstall of the same version (%1)"),
                          {unit.carriedVersion});
    }
    return "";
}

// Why `unit` is not offered: in English for the JSON, and in the user's
// language for the terminal.
void NotOffered(UnitListing& unit, ExitCode code, const char* source, std::string_view argument)
{
    unit.code = code;
    unit.message = KeFill(source, {argument}) + "\n";
    unit.text = keui::Fill(QCoreApplication::translate("kecli::CliApp", source), {argument}) + "\n";
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
    if (mTrace) ReportTrace(report);
    if (mOptions.json && !report.WriteJson(mConsole.Out()))
        std::cerr << "kefirmwareupdate-cli: the JSON object could not be written: " << std::strerror(errno) << "\n";
    return code;
}

void CliApp::ReportTrace(RunReport& report)
{
    const std::optional<std::string> problem = mTrace->Problem();
    report.SetTrace(problem ? "incomplete: " + *problem : "complete");
    if (problem) {
        mConsole.Print(
            mConsole.Err(),
            "kefirmwareupdate-cli: " +
                keui::Fill(QCoreApplication::translate("kecli::CliApp",
                                                       "the trace %1 is incomplete: %2; it ends before the run did."),
                           {mOptions.trace, *problem}) +
                "\n");
    }
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
                       std::string("kefirmwareupdate-cli ") + kVersion + "\n" +
                           keui::Fill(QCoreApplication::translate("kecli::CliApp", "Carried firmware: %1"), {carried}) +
                           "\n");
    }
    return kExitSuccess;
}

UnitListing CliApp::Describe(const APW::PTA::KeUnitReading& reading) const
{
    UnitListing unit;
    UnitIdentity& id = unit.identity;
    id.guid = APW::PTA::GuidText(reading.identity.guid);
    id.carriedVersion = mCarried;
    if (reading.status == 0) {
        id.installedVersion = APW::PTA::InstalledVersionText(reading.info);
        id.serialNumber = APW::PTA::SerialNumberText(reading.info);
        if (APW::PTA::IsDowngrade(reading.info)) {
            id.change = Change::kDowngrade;
        } else if (id.installedVersion == id.carriedVersion) {
            id.change = Change::kReinstall;
        } else {
            id.change = Change::kUpgrade;
        }
        unit.offered = true;
        return unit;
    }
    const std::string status = StatusText(reading.status);
    if (reading.status == kIOReturnNotPermitted) {
        NotOffered(unit, kExitNoAccess,
                   QT_TRANSLATE_NOOP("kecli::CliApp",
                                     "The Ke is there, but this user may not open it (status %1); "
                                     "ask for access to its FireWire device."),
                   status);
    } else if (reading.status == kIOReturnExclusiveAccess) {
        NotOffered(unit, kExitNoAccess,
                   QT_TRANSLATE_NOOP("kecli::CliApp", "The Ke is there, but another program holds it (status %1)."),
                   status);
    } else if (reading.unreadable) {
        NotOffered(unit, kExitUnitUnreadable,
                   QT_TRANSLATE_NOOP("kecli::CliApp", "The Ke is there, but it is not offered for an update: %1."),
                   reading.reason);
    } else {
        NotOffered(unit, kExitNoUnit,
                   QT_TRANSLATE_NOOP("kecli::CliApp", "The Ke is there, but it could not be read (status %1)."),
                   status);
    }
    return unit;
}

std::vector<CliApp::Found> CliApp::Survey()
{
    std::vector<Found> units;
    for (APW::PTA::KeUnitReading& reading : mUpdate.SurveyUnits()) {
        UnitListing listing = Describe(reading);
        units.push_back({std::move(reading), std::move(listing)});
    }
    return units;
}

void CliApp::ShowListing(const UnitListing& unit)
{
    if (mOptions.json) return;
    if (unit.offered) return ShowIdentity(unit.identity);
    mConsole.Print(mConsole.Err(), unit.text);
    mConsole.Print(mConsole.Out(), Field("GUID:", unit.identity.guid) + Field("Carried version:", mCarried));
}

void CliApp::ShowIdentity(const UnitIdentity& unit)
{
    // With --json the object carries it.
    if (mOptions.json) return;
    mConsole.Print(mConsole.Out(), Field("GUID:", unit.guid) + Field("Serial number:", unit.serialNumber) +
                                       Field("Installed version:", unit.installedVersion) +
                                       Field("Carried version:", unit.carriedVersion) +
                                       Field("Update would be:", ChangeText(unit)));
}

ExitCode CliApp::End(RunReport& report, ExitCode code, const Phrase& message, const char* result)
{
    report.SetOutcome(code, message.english, result);
    if (!message.shown.empty()) mConsole.Print(code == kExitSuccess ? ReportStream() : mConsole.Err(), message.shown);
    return code;
}

ExitCode CliApp::Status(RunReport& report)
{
    const std::vector<Found> units = Survey();
    if (units.empty()) {
        const Phrase message = NotFoundMessage(UnopenableFireWireNodes());
        report.SetOutcome(kExitNoUnit, message.english);
        if (!mOptions.json) mConsole.Print(mConsole.Out(), message.shown + Field("Carried version:", mCarried));
        return kExitNoUnit;
    }
    // The first unit keeps the keys of a single one; the worst of all sets the result.
    ExitCode code = kExitSuccess;
    std::string message;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const UnitListing& unit = units[i].listing;
        report.AddListing(unit);
        if (i == 0 && unit.offered) report.SetUnit(unit.identity);
        if (i > 0 && !mOptions.json) mConsole.Print(mConsole.Out(), "\n");
        ShowListing(unit);
        if (code == kExitSuccess && unit.code != kExitSuccess) {
            code = unit.code;
            message = unit.message;
        }
    }
    report.SetOutcome(code, message);
    return code;
}

namespace {

std::string Lowered(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text.rfind("0x", 0) == 0 ? text.substr(2) : text;
}

Phrase ListLine(const UnitListing& unit)
{
    const UnitIdentity& id = unit.identity;
    if (!unit.offered) return "  " + id.guid + "  " + Phrase{unit.message, unit.text};
    return "  " + id.guid + "  " +
           Said(QT_TRANSLATE_NOOP("kecli::CliApp", "serial %1  running %2"), {id.serialNumber, id.installedVersion}) +
           "\n";
}

}  // namespace

const CliApp::Found* CliApp::Choose(const std::vector<Found>& units, RunReport& report, ExitCode& code)
{
    Phrase list;
    for (const Found& unit : units) {
        report.AddListing(unit.listing);
        list = list + ListLine(unit.listing);
    }
    std::vector<const Found*> chosen;
    for (const Found& unit : units) {
        // A serial number is named as it is shown: bytes that are not text cannot be typed.
        const std::string& serial = unit.reading.identity.serialNum;
        const bool guidMatches =
            unit.reading.identity.guid && Lowered(mOptions.unit) == Lowered(unit.listing.identity.guid);
        if (mOptions.unit.empty() || guidMatches || (!serial.empty() && PrintableBytes(serial) == mOptions.unit))
            chosen.push_back(&unit);
    }
    if (chosen.size() > 1) {
        const Phrase several =
            mOptions.unit.empty()
                ? Said(QT_TRANSLATE_NOOP(
                      "kecli::CliApp", "Several Ke units are connected; choose one with --unit GUID or --unit SERIAL:"))
                : Said(QT_TRANSLATE_NOOP(
                           "kecli::CliApp",
                           "Several Ke units match --unit %1; choose one with --unit GUID or --unit SERIAL:"),
                       {mOptions.unit});
        code = End(report, kExitSeveralUnits, several + "\n" + list);
        return nullptr;
    }
    if (chosen.empty()) {
        code = End(report, kExitNoUnit,
                   mOptions.unit.empty()
                       ? NotFoundMessage(UnopenableFireWireNodes())
                       : Said(QT_TRANSLATE_NOOP("kecli::CliApp", "Ke Not Found: no unit matches --unit %1."),
                              {mOptions.unit}) +
                             "\n" + list);
        return nullptr;
    }
    if (!chosen.front()->listing.offered) {
        const UnitListing& listing = chosen.front()->listing;
        code = End(report, listing.code, Phrase{listing.message, listing.text});
        return nullptr;
    }
    return chosen.front();
}

bool CliApp::Confirmed(const UnitIdentity& unit, int& interrupted)
{
    const std::string& serial = unit.serialNumber;
    switch (unit.change) {
    case Change::kDowngrade:
        return mConsole.Confirm(
            keui::Fill(QCoreApplication::translate(
                           "kecli::CliApp", "This is a Downgrade: write firmware %1 over %2 on the Ke (serial %3)?"),
                       {unit.carriedVersion, unit.installedVersion, serial}),
            &interrupted);
    case Change::kReinstall:
        return mConsole.Confirm(keui::Fill(QCoreApplication::translate(
                                               "kecli::CliApp", "The Ke (serial %1) already runs %2. Write it again?"),
                                           {serial, unit.carriedVersion}),
                                &interrupted);
    case Change::kUpgrade:
        break;
    }
    return mConsole.Confirm(keui::Fill(QCoreApplication::translate(
                                           "kecli::CliApp", "Write firmware %1 to the Ke (serial %2, now running %3)?"),
                                       {unit.carriedVersion, serial, unit.installedVersion}),
                            &interrupted);
}

ExitCode CliApp::Update(RunReport& report)
{
    ExitCode refused = kExitSuccess;
    const std::vector<Found> units = Survey();
    const Found* found = Choose(units, report, refused);
    if (!found) return refused;
    const UnitIdentity& unit = found->listing.identity;
    report.SetUnit(unit);
    ShowIdentity(unit);

    if (unit.change == Change::kDowngrade && !mOptions.allowDowngrade) {
        return End(
            report, kExitDowngradeRefused,
            Said(QT_TRANSLATE_NOOP("kecli::CliApp", "This is a Downgrade: the Ke runs %1, newer than the carried %2."),
                 {unit.installedVersion, unit.carriedVersion}) +
                "\n" +
                Said(QT_TRANSLATE_NOOP("kecli::CliApp", "Run again with --allow-downgrade to write it anyway.")) +
                "\n");
    }
    const Phrase applicationMessage =
        Said(QT_TRANSLATE_NOOP("kecli::CliApp",
                               "An application that uses the Ke is running; quit it, then run the update again.")) +
        "\n";
    if (mApplicationRunning()) return End(report, kExitApplicationRunning, applicationMessage);

    // The job writes this unit alone: the one chosen, and confirmed below.
    mUpdate.ShowUnit(found->reading);
    if (!mOptions.yes) {
        // Waiting for an answer that cannot come would hang a script.
        if (!mConsole.InputIsTerminal()) {
            return End(report, kExitUsage,
                       "kefirmwareupdate-cli: " +
                           Said(QT_TRANSLATE_NOOP("kecli::CliApp",
                                                  "standard input is not a terminal, so the update cannot be "
                                                  "confirmed; add --yes to update without asking.")) +
                           "\n");
        }
        int interrupted = 0;
        if (!Confirmed(unit, interrupted)) {
            const Phrase arrived = interrupted ? Said(QT_TRANSLATE_NOOP("kecli::CliApp", "%1 arrived at the question."),
                                                      {SignalName(interrupted)}) +
                                                     " "
                                               : Phrase();
            return End(
                report, kExitCancelled,
                arrived + Said(QT_TRANSLATE_NOOP("kecli::CliApp", "Not confirmed: nothing was written.")) + "\n");
        }
        // The answer may have taken a while: the window would have noticed.
        if (mApplicationRunning()) return End(report, kExitApplicationRunning, applicationMessage);
    }
    return RunJob(report);
}

ExitCode CliApp::RunJob(RunReport& report)
{
    mConsole.Print(mConsole.Err(),
                   QCoreApplication::translate(
                       "kecli::CliApp", "Updating the Ke; do not power it off or unplug it until the update is over.")
                           .toStdString() +
                       "\n");
    // The worker starts with the signals blocked: they reach this thread, and
    // only once the job's erase gate is set up.
    std::optional<kesignals::SignalBlock> block(std::in_place);
    kesignals::SignalHold::Options options;
    options.noticeFd = mConsole.ErrFd();
    // Made before the hold, which writes them from its handler until it ends.
    const std::string heldNotice =
        Notice(QCoreApplication::translate("kecli::CliApp", "the update cannot be interrupted safely; it goes on"));
    const std::string cancelNotice =
        Notice(QCoreApplication::translate("kecli::CliApp", "nothing has been written yet; the update is cancelled"));
    options.notice = heldNotice;
    options.cancelNotice = cancelNotice;
    options.gate = &mUpdate.EraseGate();
    const kesignals::SignalHold hold(options);
    mUpdate.DoUpdate();
    block.reset();

    // The core's trace lines share the terminal with --verbose: lines then.
    ProgressBar bar(mConsole.Err(), mConsole.ErrorIsTerminal() && !mOptions.verbose);
    while (!mUpdate.GetDoneStatus()) {
        bar.Show(CurrentProgress());
        std::this_thread::sleep_for(mPollInterval);
    }
    bar.Show(CurrentProgress());
    bar.Finish();

    const APW::PTA::UpdateResult result = mUpdate.GetUpdateResult();
    const JobVerdict verdict = JobVerdict::From(result);
    if (verdict.imageFailed) report.SetFailure(verdict.image, verdict.status, verdict.step);
    report.SetLeftAsFound(result.LeftAsFound());
    if (hold.CancellingSignal() != 0 && verdict.code == kExitCancelled) {
        mConsole.Print(mConsole.Err(),
                       keui::Fill(QCoreApplication::translate("kecli::CliApp", "%1 arrived before the first erase."),
                                  {SignalName(hold.CancellingSignal())}) +
                           "\n");
    }
    // The history is what the user looks at later: a missing record is told now.
    const std::optional<std::string> unrecorded = mUpdate.GetHistoryProblem();
    report.SetHistory(unrecorded ? "not recorded: " + *unrecorded : "recorded");
    if (unrecorded) {
        mConsole.Print(mConsole.Err(),
                       keui::Fill(QCoreApplication::translate("kecli::CliApp",
                                                              "The update could not be recorded in the history: %1."),
                                  {*unrecorded}) +
                           "\n");
    }
    if (hold.HeldSignal() != 0) {
        report.SetDeferredSignal(hold.HeldSignal());
        mConsole.Print(
            mConsole.Err(),
            keui::Fill(QCoreApplication::translate(
                           "kecli::CliApp", "%1 arrived during the update; the program ends now with its result."),
                       {SignalName(hold.HeldSignal())}) +
                "\n");
    }
    return End(report, verdict.code, Phrase{verdict.message, verdict.text}, verdict.result);
}

}  // namespace kecli
