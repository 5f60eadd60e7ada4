// SPDX-License-Identifier: MIT
// The update's progress on standard error: a bar redrawn in place on a
// terminal, one line per phase otherwise (logs and pipes get no carriage
// returns).
#pragma once

#include <cstdio>
#include <string>

#include "macapps/KEFirmwareUpdate/DownloadProgress.h"

namespace kecli {

struct ProgressSample {
    UInt32 percent = 0;
    DownloadProgress::Phase phase = DownloadProgress::kPhasePreparing;
    DL_DEVICE_TYPE device = Xilinx;

    bool SameStep(const ProgressSample& other) const { return phase == other.phase && device == other.device; }
};

class ProgressBar {
public:
    // `redraw`: the stream is a terminal and the bar may be drawn in place.
    ProgressBar(std::FILE* out, bool redraw);

    // Shows one sample; on a non-terminal only a new phase prints a line.
    // The bar never goes back below a value it has shown.
    void Show(const ProgressSample& sample);
    // Ends the bar's line on a terminal, or prints the last value reached as
    // a line elsewhere. Harmless when nothing was shown.
    void Finish();

    // "erasing FPGA", "writing microcontroller", "preparing".
    static std::string StepText(const ProgressSample& sample);
    // "[##########----------]  50% writing FPGA" (the bar is kWidth wide).
    static std::string BarText(const ProgressSample& sample);
    // " 40% erasing FPGA", the line printed for each new phase.
    static std::string StepLine(const ProgressSample& sample);

    static const unsigned kWidth = 40;

private:
    void Write(const std::string& text);

    std::FILE* mOut;
    bool mRedraw;
    bool mShown = false;
    bool mLineOpen = false;
    ProgressSample mLast;     // the last sample shown
    ProgressSample mPrinted;  // the last sample printed as a line
    std::string mLastText;
    UInt32 mHighest = 0;
};

}  // namespace kecli
