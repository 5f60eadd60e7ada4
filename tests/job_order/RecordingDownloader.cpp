// Stands in for the download engine: records each call and the progress
// device type in force, and fails where a test asks it to.
#include "tests/job_order/RecordingDownloader.h"

#include "macapps/KEFirmwareUpdate/DownloadProgress.h"
#include "macapps/KEFirmwareUpdate/Downloader.h"

std::vector<RecordedDownload> gRecordedDownloads;
std::map<DOWNLOADTYPE, IOReturn> gDownloadFailures;
int gDownloadersAlive = 0;

Downloader::Downloader() { ++gDownloadersAlive; }

Downloader::~Downloader() { --gDownloadersAlive; }

void Downloader::DoDownload(DownloadUnit* unit, DOWNLOADTYPE type)
{
    // The erase phase start tells which device type the job set.
    gDownloadProgress.SetErase();
    gRecordedDownloads.push_back({unit, type, gDownloadProgress.Get()});
    auto failure = gDownloadFailures.find(type);
    mError = failure == gDownloadFailures.end() ? 0 : failure->second;
}
