// The utility's modal messages. Each returns the item the user pressed:
// 1 for OK, 2 for Cancel.
#pragma once

#include <string>

#include "platform/ui/HIToolbox.h"

// Caution, OK and Cancel: confirms a downgrade.
DialogItemIndex ShowDowngradeAlert();
// Note, OK: the update is done; the unit needs a power cycle.
DialogItemIndex ShowDownloadDoneAlert();
// Note, OK: the program's name and version.
DialogItemIndex ShowAboutDialog();
// The file that keeps the program's trace and failure lines; the failure
// alerts name it so that a failed update can be reported. Empty: none.
void SetFailureLogPath(const std::string& path);
// Stop, OK: writing `imageName` ("FPGA" or "microcontroller") failed with `status`.
DialogItemIndex ShowUpdateFailedAlert(const std::string& imageName, OSStatus status);
// Stop, OK: the update did not start (`reason`, with `status`); nothing was written.
DialogItemIndex ShowUpdateNotStartedAlert(const std::string& reason, OSStatus status);
