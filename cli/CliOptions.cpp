// SPDX-License-Identifier: MIT
#include "cli/CliOptions.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstring>
#include <sstream>

#include "cli/ExitCodes.h"

namespace kecli {
namespace {

std::string ExitCodeFooter()
{
    std::string footer = "Exit codes:\n";
    const auto add = [&footer](const ExitCodeInfo& info) {
        char line[160];
        std::snprintf(line, sizeof line, "  %3d  %s\n", static_cast<int>(info.code), info.description);
        footer += line;
    };
    for (const ExitCodeInfo& info : kExitCodeTable) {
        add(info);
        if (info.code == kUnitChangedResult.code) add(kUnitChangedResult);
    }
    footer +=
        "\nWithout --verbose the core's trace and failure lines go to\n"
        "$XDG_STATE_HOME/kefirmwareupdate/cli.log (default ~/.local/state/...).\n";
    return footer;
}

// The parser and the flags it fills; built the same way for parsing and for
// the help text.
struct Parser {
    CLI::App app{"Updates the firmware of a Ke unit from the command line.", "kefirmwareupdate-cli"};
    CLI::App* status = nullptr;
    CLI::App* update = nullptr;
    CLI::App* history = nullptr;
    CliOptions options;
    bool version = false;

    Parser()
    {
        // Options of the program may follow the command name.
        app.fallthrough();
        app.require_subcommand(0, 1);
        app.footer(ExitCodeFooter());
        app.add_flag("--json", options.json, "Print one JSON object on standard output for the whole run");
        app.add_flag("-v,--verbose", options.verbose, "Show the update engine's trace and failure lines");
        app.add_flag("--version", version, "Print the program's version and the firmware it carries");
        app.add_option("--trace", options.trace,
                       "Write every transaction with the unit to FILE, one JSON object a line (for a problem report)")
            ->option_text("FILE");

        status =
            app.add_subcommand("status", "Show the unit's serial number and versions, and what an update would do");
        update = app.add_subcommand("update", "Write the carried firmware to the unit");
        update->add_flag("--allow-downgrade", options.allowDowngrade,
                         "Write the carried firmware even if the unit runs a newer one");
        update->add_flag("-y,--yes", options.yes, "Do not ask for confirmation");
        update
            ->add_option("--unit", options.unit,
                         "The unit to write, by GUID or serial number, when several are connected")
            ->type_name("ID");
        history = app.add_subcommand("history", "Show the update attempts of both programs, oldest first");
    }
};

bool MentionsJson(int argc, const char* const* argv)
{
    if (argv == nullptr) return false;
    for (int i = 1; i < argc; ++i) {
        if (argv[i] != nullptr && std::strcmp(argv[i], "--json") == 0) return true;
    }
    return false;
}

ParseOutcome UsageError(std::string message, bool json)
{
    ParseOutcome outcome;
    outcome.exitCode = kExitUsage;
    outcome.err = "kefirmwareupdate-cli: " + message + "\nRun with --help for more information.\n";
    outcome.message = std::move(message);
    outcome.jsonRequested = json;
    return outcome;
}

}  // namespace

ParseOutcome CliParser::Parse(int argc, const char* const* argv)
{
    const bool json = MentionsJson(argc, argv);
    if (argc < 1 || argv == nullptr || argv[0] == nullptr) return UsageError("no arguments", json);

    Parser parser;
    try {
        parser.app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        ParseOutcome outcome;
        std::ostringstream out, err;
        parser.app.exit(e, out, err);
        outcome.out = out.str();
        return outcome;
    } catch (const CLI::ParseError& e) {
        return UsageError(e.what(), json);
    }

    CliOptions options = parser.options;
    if (parser.version) {
        options.command = Command::kVersion;
    } else if (parser.status->parsed()) {
        options.command = Command::kStatus;
    } else if (parser.update->parsed()) {
        options.command = Command::kUpdate;
        // An empty variable in a script must not mean "whichever unit is there".
        const bool unitGiven = parser.update->count("--unit") > 0;
        if (unitGiven && options.unit.find_first_not_of(" \t\n") == std::string::npos)
            return UsageError("--unit needs a GUID or serial number", json);
    } else if (parser.history->parsed()) {
        options.command = Command::kHistory;
    } else {
        return UsageError("a command is needed: status, update or history", json);
    }

    ParseOutcome outcome;
    outcome.options = options;
    outcome.jsonRequested = options.json;
    return outcome;
}

std::string CliParser::HelpText()
{
    Parser parser;
    return parser.app.help();
}

}  // namespace kecli
