#include "macapps/KEFirmwareUpdate/KeAlerts.h"

#include <cstdio>

#include "platform/firewire/IOReturn.h"
#include "platform/ui/HIText.h"

namespace {

DialogItemIndex RunAlert(AlertType type, const char* message, const char* informative, bool withCancel)
{
    AlertStdCFStringAlertParamRec params;
    GetStandardAlertDefaultParams(&params, kStdCFStringAlertVersionOne);
    params.movable = true;
    params.helpButton = false;
    params.cancelButton = kAlertStdAlertCancelButton;
    if (withCancel) params.cancelText = "Cancel";
    params.position = kWindowAlertPositionParentWindowScreen;

    const std::string messageText = TextCreateWithCString(message, GetSystemTextEncoding());
    const std::string informativeText = TextCreateWithCString(informative, GetSystemTextEncoding());
    DialogRef alert = nullptr;
    DialogItemIndex itemHit = 0;
    if (CreateStandardAlert(type, messageText, informativeText, &params, &alert) == noErr) {
        RunStandardAlert(alert, nullptr, &itemHit);
    }
    return itemHit;
}

std::string& FailureLogPath()
{
    static std::string path;
    return path;
}

// Where to look for the details of a failure, when the lines are kept.
std::string LogSentence()
{
    const std::string& path = FailureLogPath();
    return path.empty() ? std::string() : " The details are in " + path + ".";
}

// "timed out (0xE00002D6)"; the hex alone for a status without words.
std::string StatusText(OSStatus status)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(status));
    const char* words = IOReturnWords(status);
    return words ? std::string(words) + " (" + hex + ")" : std::string(hex);
}

// Stop, OK: "Programming Failed", with where to find the details.
DialogItemIndex RunFailureAlert(const std::string& informative)
{
    return RunAlert(kAlertStopAlert, "Programming Failed", (informative + LogSentence()).c_str(), false);
}

}  // namespace

void SetFailureLogPath(const std::string& path) { FailureLogPath() = path; }

DialogItemIndex ShowDowngradeAlert()
{
    return RunAlert(kAlertCautionAlert, "This is a Downgrade:", "Press OK to Continue or Cancel to Quit", true);
}

DialogItemIndex ShowDownloadDoneAlert()
{
    return RunAlert(kAlertNoteAlert, "Programming Complete",
                    "You will need to cycle the Power on your Ke for changes to take affect", false);
}

DialogItemIndex ShowAboutDialog()
{
    return RunAlert(kAlertNoteAlert, "KEFirmwareUpdate  ",
                    "Version 1.3, the firmware updater for the Ke unit", false);
}

DialogItemIndex ShowUpdateFailedAlert(const std::string& imageName, OSStatus status)
{
    // The job writes nothing after a failed image.
    const std::string other = imageName == "FPGA" ? " The microcontroller image was left as it was." : "";
    return RunFailureAlert("Writing the " + imageName + " image to the Ke failed: " + StatusText(status) + "." +
                           other + " Do not power off the Ke: run the update again.");
}

DialogItemIndex ShowUpdateNotStartedAlert(const std::string& reason, OSStatus status)
{
    return RunFailureAlert("The update did not start: " + reason + " (status " + StatusText(status) +
                           "). Nothing was written to the Ke: check that it is connected and switched on, then run "
                           "the update again.");
}
