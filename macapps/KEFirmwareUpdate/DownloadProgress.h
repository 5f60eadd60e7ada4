// SPDX-License-Identifier: MIT
// Maps the erase and programming phases of both downloads onto one value
// from 0 to 100 for the progress bar. Written by the worker, read by the timer.
#pragma once

#include <atomic>

#include "macapps/KEFirmwareUpdate/FlashImage.h"
#include "platform/common/MacTypes.h"

class DownloadProgress {
public:
    // What the worker is doing, for displays that name the phase.
    enum Phase : UInt32 {
        kPhasePreparing = 0,  // update mode and readiness
        kPhaseErasing = 1,
        kPhaseProgramming = 2,
    };

    DownloadProgress();
    ~DownloadProgress();

    // A new update: nothing done yet, and the FPGA comes first.
    void Reset();
    // One image's download begins, for the device set last.
    void StartImage();
    UInt32 Get() const;
    void SetDeviceType(DL_DEVICE_TYPE devType);
    void SetErase();
    void SetPgm();
    void Update(float val);

    // The phase and the device it concerns; any thread may ask.
    Phase GetPhase() const;
    DL_DEVICE_TYPE GetPhaseDevice() const;

private:
    std::atomic<UInt32> _progress{0};
    UInt32 _progressBase = 0;
    UInt32 _toAdvance = 0;
    DL_DEVICE_TYPE _devType = Xilinx;
    std::atomic<UInt32> _phase{kPhasePreparing};
    std::atomic<UInt32> _phaseDevice{Xilinx};
};

extern DownloadProgress gDownloadProgress;
