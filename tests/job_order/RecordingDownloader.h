#pragma once

#include <map>
#include <vector>

#include "macapps/KEFirmwareUpdate/Downloader.h"

struct RecordedDownload {
    DownloadUnit* unit;
    DOWNLOADTYPE type;
    UInt32 eraseProgress;  // 40 for the FPGA device type, 80 for the microcontroller
};

extern std::vector<RecordedDownload> gRecordedDownloads;
extern std::map<DOWNLOADTYPE, IOReturn> gDownloadFailures;
extern int gDownloadersAlive;
