// SPDX-License-Identifier: MIT
// kefirmwareupdate-cli: the update of a Ke unit from a terminal or a script.
#include <QCoreApplication>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "cli/CliApp.h"
#include "cli/CliOptions.h"
#include "cli/Console.h"
#include "cli/HistoryCommand.h"
#include "cli/Phrase.h"
#include "cli/RunReport.h"
#include "macapps/KEFirmwareUpdate/FlashImage.h"
#include "macapps/KEFirmwareUpdate/UpdateHistory.h"
#include "macapps/KEFirmwareUpdate/kefirmwareupdate.h"
#include "platform/common/StandardDescriptors.h"
#include "platform/firewire/FWTransport.h"
#include "platform/firewire/TraceUnitLink.h"
#include "platform/log/RotatingLog.h"
#include "platform/ui/Translations.h"

namespace {

int ReportParse(const kecli::ParseOutcome& parsed)
{
    std::fputs(parsed.out.c_str(), stdout);
    std::fputs(parsed.err.c_str(), stderr);
    if (parsed.jsonRequested && parsed.exitCode != kecli::kExitSuccess) {
        kecli::RunReport report("");
        report.SetOutcome(kecli::kExitUsage, parsed.message);
        report.WriteJson(stdout);
    }
    return parsed.exitCode;
}

// Every link discovery makes over `transports` records its transactions in
// the trace; null after reporting why the trace cannot be written.
std::shared_ptr<fwplat::TraceWriter> TraceTransports(fwplat::Transports& transports, const kecli::CliOptions& options)
{
    std::string error;
    auto writer = fwplat::TraceWriter::Create(options.trace, "kefirmwareupdate-cli", kecli::CliApp::kVersion,
                                              CarriedVersionText(), error);
    if (!writer) {
        kecli::ParseOutcome failed;
        failed.exitCode = kecli::kExitUsage;
        const kecli::Phrase why =
            kecli::Say("kecli::Main", QT_TRANSLATE_NOOP("kecli::Main", "cannot write the trace: %1"), {error});
        failed.err = "kefirmwareupdate-cli: " + why.shown + "\n";
        failed.message = why.english;
        failed.jsonRequested = options.json;
        ReportParse(failed);
        return nullptr;
    }
    transports = fwplat::TracedTransports(std::move(transports), writer);
    return writer;
}

int RunCommand(const kecli::CliOptions& options, fwplat::SimulatedUnits simulated)
{
    // Reads a file only: no unit, no log.
    if (options.command == kecli::Command::kHistory) {
        return kecli::ShowHistory(kehistory::DefaultPath(), options.json, stdout, stderr);
    }

    // The core's lines are logged, and shown only with --verbose (on standard
    // error when standard output carries JSON). Set up before the controller,
    // whose constructor already writes.
    using Echo = kelog::RotatingLog::Echo;
    kelog::RotatingLog::Options logOptions{"cli", std::nullopt};
    logOptions.echo = !options.verbose ? Echo::kNone : options.json ? Echo::kStandardError : Echo::kStreams;
    const kelog::RotatingLog log(logOptions);

    const kecli::Console console = kecli::Console::Standard();
    APW::PTA::UpdateSeams seams;
    seams.transports = fwplat::DefaultTransports(simulated);
    std::shared_ptr<fwplat::TraceWriter> trace;
    if (!options.trace.empty() && !(trace = TraceTransports(seams.transports, options))) return kecli::kExitUsage;
    APW::PTA::CKeFirmwareUpdate update(std::move(seams));
    kecli::CliApp app(update, console, options);
    app.SetTrace(trace);
    return app.Run();
}

// The application object that the translations hang on. Qt's constructor
// adopts the environment's C locale; the program keeps the one it had, so
// that what it writes besides its translated texts (system error texts in
// the JSON, numbers) is the same bytes in every language.
class TranslatedTexts {
public:
    TranslatedTexts()
    {
        const std::string locale = std::setlocale(LC_ALL, nullptr);
        mApp.emplace(mArgc, mArgv);
        std::setlocale(LC_ALL, locale.c_str());
        keui::InstallTranslations();
    }

private:
    // Qt's own options are not the program's: it sees only its name.
    int mArgc = 1;
    char mArg0[21] = "kefirmwareupdate-cli";
    char* mArgv[2] = {mArg0, nullptr};
    std::optional<QCoreApplication> mApp;
};

}  // namespace

int main(int argc, char** argv)
{
    KeOpenClosedStandardDescriptors();
    const TranslatedTexts texts;
    // A reader that goes away (`| head`) makes writes fail instead of ending
    // the program: an update's result must not depend on who reads it.
    std::signal(SIGPIPE, SIG_IGN);
    const kecli::ParseOutcome parsed = kecli::CliParser::Parse(argc, argv);
    if (!parsed.options) return ReportParse(parsed);
    // Simulated units only when asked for: never a stray socket taken for hardware.
    const fwplat::SimulatedUnits simulated = fwplat::SimulatedUnitsFrom(std::getenv("KE_SIMULATED_UNITS"));
    try {
        return RunCommand(*parsed.options, simulated);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kefirmwareupdate-cli: %s\n", e.what());
        return kecli::kExitUpdateFailed;
    }
}
