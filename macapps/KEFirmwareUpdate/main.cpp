// The program's entry point; the program itself is RunKEFirmwareUpdate.
#include "macapps/KEFirmwareUpdate/KeAlerts.h"
#include "macapps/KEFirmwareUpdate/RunKEFirmwareUpdate.h"
#include "platform/common/StandardDescriptors.h"
#include "platform/log/RotatingLog.h"
#include "platform/process/ProcessSource.h"

int main(int /*argc*/, char* /*argv*/[])
{
    KeOpenClosedStandardDescriptors();
    // Started from the desktop, the program's output goes nowhere a user can
    // find: its trace and failure lines are kept in a file as well, which the
    // failure alerts name. It outlives the window and its worker.
    kelog::RotatingLog log("KEFirmwareUpdate");
    SetFailureLogPath(log.Path());
    // The first tick looks for video editors; read the process list meanwhile.
    StartProcessListPrefetch();
    return RunKEFirmwareUpdate();
}
