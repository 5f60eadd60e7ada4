// SPDX-License-Identifier: MIT
// The command line: which command to run and how to report it.
#pragma once

#include <optional>
#include <string>

namespace kecli {

enum class Command {
    kStatus,
    kUpdate,
    kVersion,
    kHistory,
};

struct CliOptions {
    Command command = Command::kStatus;
    bool json = false;
    bool verbose = false;
    bool allowDowngrade = false;
    bool yes = false;
    std::string unit;   // update --unit: the unit's GUID or serial number; empty: the only one
    std::string trace;  // file to record every transaction with the unit in; empty: none
};

// What parsing decided. With `options` set the program goes on to run the
// command; otherwise it prints `out` and `err` and ends with `exitCode`
// (0 after --help, 64 after a usage error).
struct ParseOutcome {
    std::optional<CliOptions> options;
    int exitCode = 0;
    std::string out;
    std::string err;
    std::string message;  // the usage error alone, for the JSON object
    // --json appeared on the command line, even if parsing failed: a script
    // that asked for JSON gets JSON for its usage error too.
    bool jsonRequested = false;
};

class CliParser {
public:
    static ParseOutcome Parse(int argc, const char* const* argv);

    // The full --help text of the program (commands, options, exit codes).
    static std::string HelpText();
};

}  // namespace kecli
