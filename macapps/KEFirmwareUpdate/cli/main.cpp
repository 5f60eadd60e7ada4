// kefirmwareupdate-cli: the update of a Ke unit from a terminal or a script.
#include <cstdio>
#include <exception>
#include <iostream>
#include <optional>

#include "macapps/KEFirmwareUpdate/cli/CliApp.h"
#include "macapps/KEFirmwareUpdate/cli/CliOptions.h"
#include "macapps/KEFirmwareUpdate/cli/Console.h"
#include "macapps/KEFirmwareUpdate/cli/LogRedirect.h"
#include "macapps/KEFirmwareUpdate/cli/RunReport.h"
#include "macapps/KEFirmwareUpdate/kefirmwareupdate.h"
#include "platform/common/StandardDescriptors.h"

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

int RunCommand(const kecli::CliOptions& options)
{
    // The core's lines: shown with --verbose (on standard error when standard
    // output carries JSON), otherwise logged. Set up before the controller,
    // whose constructor already writes.
    std::optional<kecli::LogRedirect> redirect;
    if (!options.verbose) {
        redirect.emplace(kecli::LogRedirect::DefaultLogPath());
    } else if (options.json) {
        redirect.emplace(std::cerr.rdbuf());
    }

    const kecli::Console console = kecli::Console::Standard();
    APW::PTA::CKeFirmwareUpdate update;
    kecli::CliApp app(update, console, options);
    return app.Run();
}

}  // namespace

int main(int argc, char** argv)
{
    KeOpenClosedStandardDescriptors();
    const kecli::ParseOutcome parsed = kecli::CliParser::Parse(argc, argv);
    if (!parsed.options) return ReportParse(parsed);
    try {
        return RunCommand(*parsed.options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kefirmwareupdate-cli: %s\n", e.what());
        return kecli::kExitUpdateFailed;
    }
}
