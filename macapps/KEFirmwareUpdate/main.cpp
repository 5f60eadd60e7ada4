// SPDX-License-Identifier: MIT
// The program's entry point: what its arguments and environment ask for,
// then the program itself, RunKEFirmwareUpdate.
//
//     KEFirmwareUpdate [--verbose] | --help | --version
//
// Trace and failure lines go to the log file alone; `--verbose`, or
// KEFIRMWAREUPDATE_VERBOSE=1 in the environment, shows them on the terminal
// as well. KE_SIMULATED_UNITS=1 also looks for simulated units. Options the
// program does not know are left to Qt (-platform, -style...).
#include <QApplication>
#include <QCommandLineParser>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "macapps/KEFirmwareUpdate/FlashImage.h"
#include "macapps/KEFirmwareUpdate/RunKEFirmwareUpdate.h"
#include "platform/common/StandardDescriptors.h"
#include "platform/firewire/FWTransport.h"
#include "platform/log/RotatingLog.h"
#include "platform/process/ProcessSource.h"

namespace {

// What the command line asks for.
struct WindowArguments {
    bool help = false;
    bool version = false;
    bool verbose = false;
    QString helpText;
};

// Parsed before any application object exists, so that --help and --version
// need no display.
WindowArguments ParseArguments(int argc, char* argv[])
{
    QCommandLineParser parser;
    // Qt's own options take one dash and a word: never read as letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral("Updates the firmware of a Ke FireWire video unit in a window."));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Show the trace and failure lines on the terminal as well as in "
                                                    "the log file (also KEFIRMWAREUPDATE_VERBOSE=1)."));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and quit."));
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Print the program's version and the firmware it carries."));
    parser.addOptions({verbose, help, version});

    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
    // Unknown options are Qt's to take; the application object gets them all.
    parser.parse(arguments);

    WindowArguments parsed;
    parsed.help = parser.isSet(help);
    parsed.version = parser.isSet(version);
    parsed.verbose = parser.isSet(verbose);
    if (parsed.help) {
        // The usage line names the program as it was started.
        const QCoreApplication naming(argc, argv);
        parsed.helpText = parser.helpText();
    }
    return parsed;
}

bool VerboseInEnvironment()
{
    const char* value = std::getenv("KEFIRMWAREUPDATE_VERBOSE");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    KeOpenClosedStandardDescriptors();
    const WindowArguments arguments = ParseArguments(argc, argv);
    if (arguments.help) {
        std::fputs(arguments.helpText.toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (arguments.version) {
        std::printf("KEFirmwareUpdate %s\nCarried firmware: %s\n", KE_APP_VERSION, CarriedVersionText().c_str());
        return 0;
    }

    // Started from the desktop, the program's output goes nowhere a user can
    // find: its trace and failure lines are kept in a file, which the failure
    // alert names. It outlives the window and its worker.
    kelog::RotatingLog::Options logOptions{"KEFirmwareUpdate", std::nullopt};
    logOptions.echo = arguments.verbose || VerboseInEnvironment() ? kelog::RotatingLog::Echo::kStreams
                                                                  : kelog::RotatingLog::Echo::kNone;
    kelog::RotatingLog log(logOptions);
    // The first tick looks for video editors; read the process list meanwhile.
    ProcDirectorySource processes;
    processes.Prefetch();

    KeWindowSettings settings;
    settings.seams.transports =
        fwplat::DefaultTransports(fwplat::SimulatedUnitsFrom(std::getenv("KE_SIMULATED_UNITS")));
    settings.processes = &processes;
    settings.failureLogPath = log.Path();
    QApplication application(argc, argv);
    return RunKEFirmwareUpdate(std::move(settings));
}
