// The program's entry point; the program itself is RunKEFirmwareUpdate.
#include "macapps/KEFirmwareUpdate/RunKEFirmwareUpdate.h"

int main(int /*argc*/, char* /*argv*/[]) { return RunKEFirmwareUpdate(); }
