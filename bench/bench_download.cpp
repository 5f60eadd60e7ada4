// SPDX-License-Identifier: MIT
// Both downloads against the in-process simulated unit with no erase time and
// no latency, so that the time left is the pauses between unit commands.
// Prints the wall time against the pause budget, and the CPU share, for the
// program's pause and for plain usleep, measured side by side.
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>

#include "macapps/KEFirmwareUpdate/DownloadProgress.h"
#include "macapps/KEFirmwareUpdate/DownloadUnit.h"
#include "macapps/KEFirmwareUpdate/Downloader.h"
#include "platform/threads/Sleep.h"
#include "sim/KeUnitModel.h"
#include "tests/support/SimUnitTransport.h"

namespace {

struct Measure {
    double wallSeconds = 0;
    double cpuSeconds = 0;
    unsigned long pauses = 0;
    double budgetSeconds = 0;
    bool ok = true;
};

double CpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

Measure RunBoth(const KeSleepFunction& pause)
{
    kesim::KeUnitConfig config;
    config.eraseBusyReads = 0;
    auto model = std::make_shared<kesim::KeUnitModel>(config);
    const fwplat::Transports transports{std::make_shared<fwplat::SimUnitTransport>(model)};

    Measure m;
    const KeSleepFunction counting = [&](UInt32 us) {
        ++m.pauses;
        m.budgetSeconds += static_cast<double>(us) * 1e-6;
        pause(us);
    };

    DownloadUnit unit(fwplat::FindUnits(transports, DownloadUnit::kFirmwareUpdateUnitSpecID,
                                        DownloadUnit::kFirmwareUpdateUnitSWVersion)
                          .at(0),
                      counting);
    Downloader downloader(counting);

    const double cpuStart = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    gDownloadProgress.Reset();
    gDownloadProgress.SetDeviceType(Xilinx);
    downloader.DoDownload(&unit, fileXILINX);
    m.ok = downloader.GetError() == 0;
    gDownloadProgress.SetDeviceType(MCORE);
    downloader.DoDownload(&unit, fileMCORE);
    m.ok = m.ok && downloader.GetError() == 0;
    m.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.cpuSeconds = CpuSeconds() - cpuStart;
    return m;
}

void Print(const char* name, const Measure& m)
{
    std::printf("%-14s wall %.3f s  pauses %lu  budget %.3f s  wall/budget %.4f  cpu/wall %.1f %%%s\n", name,
                m.wallSeconds, m.pauses, m.budgetSeconds, m.wallSeconds / m.budgetSeconds,
                100.0 * m.cpuSeconds / m.wallSeconds, m.ok ? "" : "  (DOWNLOAD FAILED)");
}

}  // namespace

int main()
{
    // The trace lines of the downloads are not part of what is measured.
    std::ostringstream sink;
    std::streambuf* out = std::cout.rdbuf(sink.rdbuf());
    const Measure precise = RunBoth(KeRealSleepMicroseconds);
    sink.str("");
    const Measure plain = RunBoth([](UInt32 us) { usleep(us); });
    sink.str("");
    const Measure none = RunBoth([](UInt32) {});
    std::cout.rdbuf(out);

    std::printf("Both downloads, simulated unit, no erase time, no latency\n");
    Print("program pause", precise);
    Print("plain usleep", plain);
    std::printf("%-14s wall %.3f s  (the work between pauses)\n", "no pause", none.wallSeconds);
    std::printf("target: program pause wall/budget <= 1.02, cpu/wall < 10 %%\n");
    std::printf("program pause vs usleep wall time: %.3f\n", precise.wallSeconds / plain.wallSeconds);
    return precise.ok && plain.ok && none.ok ? 0 : 1;
}
