// SPDX-License-Identifier: MIT
#include "macapps/KEFirmwareUpdate/FlashImage.h"

#include "macapps/KEFirmwareUpdate/KeXilinx.h"
#include "macapps/KEFirmwareUpdate/Ke_MCORE.h"

namespace {

// In update order: the FPGA first. Built on first use, after the image data.
const FlashImage (&FlashImages())[2]
{
    static const FlashImage images[] = {
        {fileXILINX, Xilinx, "FPGA", "fpga", "Opening Xilinx data file\n", "Erasing Xilinx Image\n", KeXilinxData,
         KeXilinxDataSizeBytes, KeXilinxBitstreamOffset},
        {fileMCORE, MCORE, "microcontroller", "microcontroller", "Opening MCORE 06 file\n", "Erasing MCORE image\n",
         KeMCORE06data, KeMCORE06dataSize, 0},
    };
    return images;
}

}  // namespace

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
    return image ? image->displayName : "unknown";
}
