// SPDX-License-Identifier: MIT
#include "cli/CliOptions.h"

#include <CLI/CLI.hpp>
#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <sstream>

#include "cli/ExitCodes.h"
#include "cli/Phrase.h"
#include "platform/ui/Translations.h"

namespace kecli {
namespace {

constexpr char kContext[] = "kecli::CliParser";

// The help's own words in the user's language; command and option names stay.
std::string Tr(const char* source) { return QCoreApplication::translate(kContext, source).toStdString(); }

std::string ExitCodeFooter()
{
    std::string footer = Tr(QT_TRANSLATE_NOOP("kecli::CliParser", "Exit codes:")) + "\n";
    const auto add = [&footer](const ExitCodeInfo& info) {
        char number[8];
        std::snprintf(number, sizeof number, "  %3d  ", static_cast<int>(info.code));
        footer += number + QCoreApplication::translate("kecli::ExitCodes", info.description).toStdString() + "\n";
    };
    for (const ExitCodeInfo& info : kExitCodeTable) {
        add(info);
        if (info.code == kUnitChangedResult.code) add(kUnitChangedResult);
    }
    footer += "\n" +
              keui::Fill(QCoreApplication::translate("kecli::CliParser",
                                                     "Without --verbose the core's trace and failure lines go to\n"
                                                     "%1 (default %2)."),
                         {"$XDG_STATE_HOME/kefirmwareupdate/cli.log", "~/.local/state/..."}) +
              "\n";
    return footer;
}

// The parser and the flags it fills; built the same way for parsing and for
// the help text.
struct Parser {
    CLI::App app{Tr(QT_TRANSLATE_NOOP("kecli::CliParser", "Updates the firmware of a Ke unit from the command line.")),
                 "kefirmwareupdate-cli"};
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
        TranslateHeadings();
        app.add_flag(
            "--json", options.json,
            Tr(QT_TRANSLATE_NOOP("kecli::CliParser", "Print one JSON object on standard output for the whole run")));
        app.add_flag("-v,--verbose", options.verbose,
                     Tr(QT_TRANSLATE_NOOP("kecli::CliParser", "Show the update engine's trace and failure lines")));
        app.add_flag(
            "--version", version,
            Tr(QT_TRANSLATE_NOOP("kecli::CliParser", "Print the program's version and the firmware it carries")));
        app.add_option("--trace", options.trace,
                       Tr(QT_TRANSLATE_NOOP("kecli::CliParser",
                                            "Write every transaction with the unit to FILE, one JSON "
                                            "object a line (for a problem report)")))
            ->option_text("FILE");

        status = AddCommand("status", QT_TRANSLATE_NOOP("kecli::CliParser",
                                                        "Show the unit's serial number and versions, "
                                                        "and what an update would do"));
        update = AddCommand("update", QT_TRANSLATE_NOOP("kecli::CliParser", "Write the carried firmware to the unit"));
        update->add_flag(
            "--allow-downgrade", options.allowDowngrade,
            Tr(QT_TRANSLATE_NOOP("kecli::CliParser", "Write the carried firmware even if the unit runs a newer one")));
        update->add_flag("-y,--yes", options.yes,
                         Tr(QT_TRANSLATE_NOOP("kecli::CliParser", "Do not ask for confirmation")));
        update
            ->add_option(
                "--unit", options.unit,
                Tr(QT_TRANSLATE_NOOP("kecli::CliParser",
                                     "The unit to write, by GUID or serial number, when several are connected")))
            ->type_name("ID");
        history = AddCommand("history", QT_TRANSLATE_NOOP("kecli::CliParser",
                                                          "Show the update attempts of both programs, oldest first"));
    }

private:
    // The headings CLI11 writes: the usage line's words and the groups'
    // titles, which the program's options and commands are put in.
    void TranslateHeadings()
    {
        const auto formatter = app.get_formatter();
        formatter->label("Usage", Tr(QT_TRANSLATE_NOOP("kecli::CliParser", "Usage")));
        formatter->label("OPTIONS", Tr(QT_TRANSLATE_NOOP("kecli::CliParser", "OPTIONS")));
        formatter->label("SUBCOMMAND", Tr(QT_TRANSLATE_NOOP("kecli::CliParser", "SUBCOMMAND")));
        app.option_defaults()->group(Tr(QT_TRANSLATE_NOOP("kecli::CliParser", "Options")));
        app.group(Tr(QT_TRANSLATE_NOOP("kecli::CliParser", "Subcommands")));
        SetHelpFlag(app);
    }

    static void SetHelpFlag(CLI::App& command)
    {
        command.set_help_flag("-h,--help",
                              Tr(QT_TRANSLATE_NOOP("kecli::CliParser", "Print this help message and exit")));
    }

    // A command, whose help flag takes its group from the program's defaults.
    CLI::App* AddCommand(const char* name, const char* description)
    {
        CLI::App* command = app.add_subcommand(name, Tr(description));
        SetHelpFlag(*command);
        return command;
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

ParseOutcome UsageError(const Phrase& message, bool json)
{
    ParseOutcome outcome;
    outcome.exitCode = kExitUsage;
    outcome.err = "kefirmwareupdate-cli: " + message.shown + "\n" +
                  Tr(QT_TRANSLATE_NOOP("kecli::CliParser", "Run with --help for more information.")) + "\n";
    outcome.message = message.english;
    outcome.jsonRequested = json;
    return outcome;
}

}  // namespace

ParseOutcome CliParser::Parse(int argc, const char* const* argv)
{
    const bool json = MentionsJson(argc, argv);
    if (argc < 1 || argv == nullptr || argv[0] == nullptr)
        return UsageError(Say(kContext, QT_TRANSLATE_NOOP("kecli::CliParser", "no arguments")), json);

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
        // The parser's own words: English alone.
        return UsageError(Phrase::Same(e.what()), json);
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
            return UsageError(
                Say(kContext, QT_TRANSLATE_NOOP("kecli::CliParser", "--unit needs a GUID or serial number")), json);
    } else if (parser.history->parsed()) {
        options.command = Command::kHistory;
    } else {
        return UsageError(
            Say(kContext, QT_TRANSLATE_NOOP("kecli::CliParser", "a command is needed: status, update or history")),
            json);
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
