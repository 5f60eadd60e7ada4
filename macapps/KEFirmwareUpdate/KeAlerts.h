// SPDX-License-Identifier: MIT
// The utility's modal messages, in the user's language (the buttons are
// Qt's own). Each returns the button the user pressed.
#pragma once

#include <optional>
#include <string>

enum AlertButton : int {
    kAlertOKButton = 1,
    kAlertCancelButton = 2,
};

// Caution, OK and Cancel: confirms a downgrade.
AlertButton ShowDowngradeAlert();
// Note, OK: the update is done; the unit needs a power cycle. `unrecorded`:
// why the attempt could not be recorded in the history, told last.
AlertButton ShowDownloadDoneAlert(const std::optional<std::string>& unrecorded = std::nullopt);
// Note, OK: the program's name and version.
AlertButton ShowAboutDialog();
// The informative text of "Programming Failed": how the job ended
// (`outcome`, in sentences) and what to do now, which depends on whether
// anything was written; in the user's language, or in English for the log.
std::string UpdateFailedText(const std::string& outcome, bool nothingWritten, bool inUserLanguage = true);
// Stop, OK: "Programming Failed" with `informative`, where the details are:
// `logPath`, the file that keeps the program's trace and failure lines, so
// that a failed update can be reported (empty: none), and, last, why the
// attempt could not be recorded in the history.
AlertButton ShowProgrammingFailedAlert(const std::string& informative, const std::string& logPath,
                                       const std::optional<std::string>& unrecorded = std::nullopt);
