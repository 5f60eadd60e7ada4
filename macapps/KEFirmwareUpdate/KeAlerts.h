// SPDX-License-Identifier: MIT
// The utility's modal messages. Each returns the button the user pressed.
#pragma once

#include <string>

enum AlertButton : int {
    kAlertOKButton = 1,
    kAlertCancelButton = 2,
};

// Caution, OK and Cancel: confirms a downgrade.
AlertButton ShowDowngradeAlert();
// Note, OK: the update is done; the unit needs a power cycle.
AlertButton ShowDownloadDoneAlert();
// Note, OK: the program's name and version.
AlertButton ShowAboutDialog();
// The file that keeps the program's trace and failure lines; the failure
// alerts name it so that a failed update can be reported. Empty: none.
void SetFailureLogPath(const std::string& path);
// The informative texts of "Programming Failed": writing `imageName` ("FPGA"
// or "microcontroller") failed with `status`; or the update did not start
// (`reason`, with `status`) and nothing was written.
std::string UpdateFailedText(const std::string& imageName, int status);
std::string UpdateNotStartedText(const std::string& reason, int status);
// Stop, OK: "Programming Failed" with `informative` and where the details are.
AlertButton ShowProgrammingFailedAlert(const std::string& informative);
