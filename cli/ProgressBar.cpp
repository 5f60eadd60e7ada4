// SPDX-License-Identifier: MIT
#include "cli/ProgressBar.h"

#include <QCoreApplication>
#include <algorithm>

#include "cli/DisplayWidth.h"
#include "platform/ui/Translations.h"

namespace kecli {
namespace {

constexpr char kContext[] = "kecli::ProgressBar";

// The flashes as FlashImage names them, in the user's language.
[[maybe_unused]] constexpr const char* kDeviceNames[] = {
    QT_TRANSLATE_NOOP("kecli::ProgressBar", "FPGA"),
    QT_TRANSLATE_NOOP("kecli::ProgressBar", "microcontroller"),
};

std::string Translated(const char* text) { return QCoreApplication::translate(kContext, text).toStdString(); }

UInt32 Clamp(UInt32 percent) { return std::min<UInt32>(percent, 100); }

}  // namespace

ProgressBar::ProgressBar(std::FILE* out, bool redraw) : mOut(out), mRedraw(redraw) {}

std::string ProgressBar::StepText(const ProgressSample& sample)
{
    // While a download prepares, the progress object still names the device
    // of the phase before: no device then.
    if (sample.phase == DownloadProgress::kPhasePreparing)
        return Translated(QT_TRANSLATE_NOOP("kecli::ProgressBar", "preparing"));
    const FlashImage* flash = FlashImageFor(sample.device);
    const std::string device = flash ? Translated(flash->displayName) : "";
    switch (sample.phase) {
    case DownloadProgress::kPhaseErasing:
        return keui::Fill(QCoreApplication::translate("kecli::ProgressBar", "erasing %1"), {device});
    case DownloadProgress::kPhaseProgramming:
        return keui::Fill(QCoreApplication::translate("kecli::ProgressBar", "writing %1"), {device});
    default:
        return keui::Fill(QCoreApplication::translate("kecli::ProgressBar", "working on %1"), {device});
    }
}

std::string ProgressBar::BarText(const ProgressSample& sample)
{
    const UInt32 percent = Clamp(sample.percent);
    const unsigned filled = static_cast<unsigned>(percent * kWidth / 100);
    char number[8];
    std::snprintf(number, sizeof number, "%3u%%", static_cast<unsigned>(percent));
    // Appended piece by piece: "[" + std::string(...) makes GCC 12 at -O2
    // warn falsely (-Wrestrict) inside std::string.
    std::string text = "[";
    text.append(filled, '#').append(kWidth - filled, '-').append("] ").append(number).append(" ");
    return text.append(StepText(sample));
}

std::string ProgressBar::StepLine(const ProgressSample& sample)
{
    char number[8];
    std::snprintf(number, sizeof number, "%3u%%", static_cast<unsigned>(Clamp(sample.percent)));
    return std::string(number) + " " + StepText(sample);
}

void ProgressBar::Show(const ProgressSample& next)
{
    // The value restarts at 0 when the second download begins; a bar that
    // runs backwards looks like a fault, so it holds its highest value.
    ProgressSample sample = next;
    sample.percent = std::max(Clamp(sample.percent), mHighest);
    mHighest = sample.percent;
    if (mRedraw) {
        std::string text = BarText(sample);
        if (mShown && text == mLastText) return;
        // Blank out what a longer previous text left on the line.
        const std::size_t width = DisplayWidth(text), lastWidth = DisplayWidth(mLastText);
        const std::size_t shorter = lastWidth > width ? lastWidth - width : 0;
        mLastText = text;
        Write("\r" + text + std::string(shorter, ' '));
        mLineOpen = true;
    } else {
        mLast = sample;
        if (mShown && sample.SameStep(mPrinted)) return;
        Write(StepLine(sample) + "\n");
        mPrinted = sample;
    }
    mShown = true;
}

void ProgressBar::Finish()
{
    if (mLineOpen) {
        Write("\n");
        mLineOpen = false;
        return;
    }
    // Lines show where each phase began; say where the last one ended.
    if (!mRedraw && mShown && mLast.percent != mPrinted.percent) {
        Write(StepLine(mLast) + "\n");
        mPrinted = mLast;
    }
}

void ProgressBar::Write(const std::string& text)
{
    // A terminal that went away (a dropped SSH session) must not stop the
    // update: write errors are ignored here.
    std::fwrite(text.data(), 1, text.size(), mOut);
    std::fflush(mOut);
}

}  // namespace kecli
