// SPDX-License-Identifier: MIT
// The whole program, from its interface file to the end of its event loop:
// main runs it, and test drivers run the very same program in their own
// process.
#pragma once

#include <functional>
#include <string>

#include "macapps/KEFirmwareUpdate/kefirmwareupdate.h"

class CKeFirmwareUpdateDialog;
class ProcessSource;

// What the window runs under, as the program's main found it in its
// environment and arguments.
struct KeWindowSettings {
    APW::PTA::UpdateSeams seams;         // the controller's buses, pauses and thread creation
    ProcessSource* processes = nullptr;  // the running programs; none: the window reads /proc itself
    std::string failureLogPath;          // named by the failure alert; empty: none
};

// Start-up statuses: what the program returns when its interface file lacks
// what it needs.
enum StartupStatus : int {
    kStartupOK = 0,
    kInterfaceFileNotFound = -10960,  // missing or unreadable
    kInterfaceFileInvalid = -10961,   // not a Designer file
    kMenuBarNotFound = -10962,        // no menu bar "MenuBar"
    kMainWindowNotFound = -10963,     // the file's window is not "MainWindow"
};

// Loads the interface file, finds the menu bar and the window, makes the
// window's controller with `settings`, shows the window and runs the event
// loop until the user quits. `onWindowReady`, when given, gets the controller
// once it exists, before the window shows. Runs in the process's QApplication,
// which the caller makes with the program's arguments. SIGINT, SIGTERM and
// SIGHUP quit at once with 128 plus their number, except while the flash is
// written (see the controller). The status: 0 (or 1 after a failed update
// that a signal ended), or that of the start-up step that failed.
int RunKEFirmwareUpdate(KeWindowSettings settings,
                        const std::function<void(CKeFirmwareUpdateDialog&)>& onWindowReady = {});
