// SPDX-License-Identifier: MIT
#include "macapps/KEFirmwareUpdate/DownloadProgress.h"

#include <iostream>

DownloadProgress gDownloadProgress;

DownloadProgress::DownloadProgress() { Reset(); }

DownloadProgress::~DownloadProgress() = default;

void DownloadProgress::Reset()
{
    // Every update starts with the FPGA, whatever the last one ended with.
    _devType = Xilinx;
    StartImage();
}

void DownloadProgress::StartImage()
{
    _progressBase = 0;
    _toAdvance = 0;
    _progress.store(0, std::memory_order_relaxed);
    _phaseDevice.store(_devType, std::memory_order_relaxed);
    _phase.store(kPhasePreparing, std::memory_order_relaxed);
}

UInt32 DownloadProgress::Get() const { return _progress.load(std::memory_order_relaxed); }

void DownloadProgress::SetDeviceType(DL_DEVICE_TYPE devType) { _devType = devType; }

void DownloadProgress::SetErase()
{
    const FlashImage* image = FlashImageFor(_devType);
    if (!image) {
        std::cerr << "Invalid device type\n";
        return;
    }
    _progressBase = image->eraseProgress;
    _toAdvance = 0;
    _progress.store(_progressBase, std::memory_order_relaxed);
    _phaseDevice.store(_devType, std::memory_order_relaxed);
    _phase.store(kPhaseErasing, std::memory_order_relaxed);
}

void DownloadProgress::SetPgm()
{
    const FlashImage* image = FlashImageFor(_devType);
    if (!image) {
        std::cerr << "Invalid device type\n";
        return;
    }
    _toAdvance = image->writeProgress;
    _phaseDevice.store(_devType, std::memory_order_relaxed);
    _phase.store(kPhaseProgramming, std::memory_order_relaxed);
}

DownloadProgress::Phase DownloadProgress::GetPhase() const
{
    return static_cast<Phase>(_phase.load(std::memory_order_relaxed));
}

DL_DEVICE_TYPE DownloadProgress::GetPhaseDevice() const
{
    return static_cast<DL_DEVICE_TYPE>(_phaseDevice.load(std::memory_order_relaxed));
}

void DownloadProgress::Update(float val)
{
    const float advanced = static_cast<float>(_toAdvance) * val;
    const float sum = static_cast<float>(_progressBase) + advanced;
    // Truncation toward zero; a fraction outside 0..1 must not wrap the value.
    _progress.store(sum <= 0.0f ? 0u : static_cast<UInt32>(sum), std::memory_order_relaxed);
}
