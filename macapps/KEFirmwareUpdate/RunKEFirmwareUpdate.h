// The whole program, from its interface file to the end of its event loop:
// main runs it, and test drivers run the very same program in their own
// process.
#pragma once

#include <functional>

class CKeFirmwareUpdateDialog;

// Loads the interface file, makes the menu bar, the window and its
// controller, shows the window and runs the event loop until the user quits.
// `onWindowReady`, when given, gets the controller once it exists, before the
// window shows. The status: 0, or that of the start-up step that failed.
int RunKEFirmwareUpdate(const std::function<void(CKeFirmwareUpdateDialog&)>& onWindowReady = {});
