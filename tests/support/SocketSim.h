// SPDX-License-Identifier: MIT
// Helpers for tests of simulated units behind sockets: a private runtime
// directory, the images as the unit stores them, and a download through
// discovery as the update job runs it.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "macapps/KEFirmwareUpdate/DownloadUnit.h"
#include "macapps/KEFirmwareUpdate/Downloader.h"
#include "macapps/KEFirmwareUpdate/KeXilinx.h"
#include "macapps/KEFirmwareUpdate/Ke_MCORE.h"
#include "tests/support/SimBus.h"

namespace socksim {

using Bytes = std::vector<std::uint8_t>;

// A fresh directory of mode 0700, removed with everything in it.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "ke-sock-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) mPath = pattern;
        ::chmod(mPath.c_str(), 0700);
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(mPath, ignored);
    }
    const std::string& path() const { return mPath; }
    std::string operator/(const std::string& name) const { return mPath + "/" + name; }

private:
    std::string mPath;
};

// The bytes the unit stores for each image (the Xilinx one after its file header).
inline Bytes Image(DOWNLOADTYPE type)
{
    if (type == fileMCORE) return {KeMCORE06data, KeMCORE06data + KeMCORE06dataSize};
    return {KeXilinxData + 79, KeXilinxData + KeXilinxDataSizeBytes};
}

// The stream's 20-byte header: magic, version 1, the image's size, reserved ones.
inline Bytes Header(std::uint32_t sizeB)
{
    const auto byte = [sizeB](int shift) { return std::uint8_t(sizeB >> shift); };
    return {0xFF, 0xFF, 0x00, 0x01, byte(24), byte(16), byte(8), byte(0), 0xFF, 0xFF,
            0xFF, 0xFF, 0xFF, 0xFF, 0xFF,     0xFF,     0xFF,    0xFF,    0xFF, 0xFF};
}

// The stream a unit receives for `image`: header, image, zero padding to a quadlet.
inline Bytes StreamOf(const Bytes& image)
{
    const Bytes header = Header(static_cast<std::uint32_t>(image.size()));
    Bytes stream(header.size() + ((image.size() + 3) & ~std::size_t{3}), 0);
    std::copy(image.begin(), image.end(), std::copy(header.begin(), header.end(), stream.begin()));
    return stream;
}
inline Bytes Stream(DOWNLOADTYPE type) { return StreamOf(Image(type)); }

inline Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Downloads one image to the first unit found on `transports`, on a virtual
// clock; the status.
inline IOReturn Download(const fwplat::Transports& transports, DOWNLOADTYPE type)
{
    auto unit = simbus::MakeUnitOn(transports, simbus::NoPause);
    if (!unit) return kIOReturnNoDevice;
    Downloader downloader(simbus::NoPause);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    downloader.DoDownload(unit.get(), type);
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    return downloader.GetError();
}

// The software version word the first unit found on `transports` reports;
// 0xFFFFFFFF when unreadable.
inline std::uint32_t SoftwareVersion(const fwplat::Transports& transports)
{
    auto unit = simbus::MakeUnitOn(transports);
    UInt32 word = 0xFFFFFFFF;
    if (!unit || unit->Open() != kIOReturnSuccess) return word;
    if (unit->GetSoftwareVersion(word) != kIOReturnSuccess) word = 0xFFFFFFFF;
    unit->Close();
    return word;
}

}  // namespace socksim
