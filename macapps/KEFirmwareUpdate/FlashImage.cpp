// SPDX-License-Identifier: MIT
#include "macapps/KEFirmwareUpdate/FlashImage.h"

#include "KeFirmwareVersions.h"
#include "macapps/KEFirmwareUpdate/KeText.h"
#include "macapps/KEFirmwareUpdate/KeXilinx.h"
#include "macapps/KEFirmwareUpdate/Ke_MCORE.h"

namespace {

// In update order: the FPGA first. Built on first use, after the image data.
const FlashImage (&FlashImages())[2]
{
    static const FlashImage images[] = {
        {fileXILINX, Xilinx, QT_TRANSLATE_NOOP("FlashImage", "FPGA"), "fpga", "Opening Xilinx data file\n",
         "Erasing Xilinx Image\n", KeXilinxData, KeXilinxDataSizeBytes, KeXilinxBitstreamOffset, 40, 20, 1,
         kCarriedXilinxVersion},
        {fileMCORE, MCORE, QT_TRANSLATE_NOOP("FlashImage", "microcontroller"), "microcontroller",
         "Opening MCORE 06 file\n", "Erasing MCORE image\n", KeMCORE06data, KeMCORE06dataSize, 0, 80, 20, 0,
         kCarriedMCOREVersion},
    };
    return images;
}

}  // namespace

std::span<const FlashImage, 2> FlashImagesInOrder() { return FlashImages(); }

const FlashImage* FlashImageFor(DOWNLOADTYPE type)
{
    for (const FlashImage& image : FlashImages()) {
        if (image.type == type) return &image;
    }
    return nullptr;
}

const FlashImage* FlashImageFor(DL_DEVICE_TYPE device)
{
    for (const FlashImage& image : FlashImages()) {
        if (image.device == device) return &image;
    }
    return nullptr;
}

const char* FlashDisplayName(DOWNLOADTYPE type)
{
    const FlashImage* image = FlashImageFor(type);
    return image ? image->displayName : QT_TRANSLATE_NOOP("FlashImage", "unknown");
}

namespace {

template <typename VersionOf>
std::string VersionText(VersionOf versionOf)
{
    std::string halves[2];
    for (const FlashImage& image : FlashImages()) halves[image.versionSlot] = std::to_string(versionOf(image));
    return halves[0] + "-" + halves[1];
}

}  // namespace

std::string FlashVersionText(UInt32 softwareVersion)
{
    return VersionText([softwareVersion](const FlashImage& image) { return image.VersionIn(softwareVersion); });
}

std::string CarriedVersionText()
{
    return VersionText([](const FlashImage& image) { return image.carriedVersion; });
}

namespace {

struct StepNames {
    FlashStep step;
    const char* json;
    const char* words;
};

constexpr StepNames kStepNames[] = {
    {FlashStep::kOpen, "open", QT_TRANSLATE_NOOP("FlashImage", "at the open")},
    {FlashStep::kUpdateMode, "update-mode", QT_TRANSLATE_NOOP("FlashImage", "entering update mode")},
    {FlashStep::kErase, "erase", QT_TRANSLATE_NOOP("FlashImage", "at the erase")},
    {FlashStep::kHeader, "header", QT_TRANSLATE_NOOP("FlashImage", "sending the header")},
    {FlashStep::kBlocks, "blocks", QT_TRANSLATE_NOOP("FlashImage", "sending the image")},
    {FlashStep::kCrc, "crc", QT_TRANSLATE_NOOP("FlashImage", "at the CRC check")},
    {FlashStep::kRestore, "restore", QT_TRANSLATE_NOOP("FlashImage", "returning to normal operation")},
};

}  // namespace

const char* FlashStepJsonName(FlashStep step)
{
    for (const StepNames& names : kStepNames) {
        if (names.step == step) return names.json;
    }
    return nullptr;
}

const char* FlashStepWords(FlashStep step)
{
    for (const StepNames& names : kStepNames) {
        if (names.step == step) return names.words;
    }
    return QT_TRANSLATE_NOOP("FlashImage", "at an unknown step");
}
