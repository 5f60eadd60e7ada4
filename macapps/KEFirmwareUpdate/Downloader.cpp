// SPDX-License-Identifier: MIT
#include "macapps/KEFirmwareUpdate/Downloader.h"

#include <endian.h>

#include <cstring>
#include <iostream>

#include "macapps/KEFirmwareUpdate/DownloadProgress.h"
#include "macapps/KEFirmwareUpdate/DownloadUnit.h"
#include "platform/common/KeAssert.h"

namespace {

constexpr UInt32 kCommandPauseMicroseconds = 1000;
constexpr UInt32 kErasePollMicroseconds = 1000000;
constexpr SInt32 kErasePolls = 60;
constexpr UInt32 kStatusBusy = 0;
constexpr UInt32 kStatusReady = 1;
// Another program's discovery may hold the unit for a moment; the open waits
// for it about a second before it counts as failed.
constexpr int kOpenRetries = 100;

// Store `value` big-endian at `out`, whatever its alignment.
void PutBig(UInt8* out, UInt16 value)
{
    const UInt16 big = htobe16(value);
    std::memcpy(out, &big, sizeof big);
}

void PutBig(UInt8* out, UInt32 value)
{
    const UInt32 big = htobe32(value);
    std::memcpy(out, &big, sizeof big);
}

}  // namespace

void FirmwareHeader::Serialize(UInt8 (&wire)[kWireSize]) const
{
    PutBig(wire + 0, valid);
    PutBig(wire + 2, version);
    PutBig(wire + 4, sizeB);
    PutBig(wire + 8, CRCimage);
    PutBig(wire + 10, reserved0);
    PutBig(wire + 12, reserved1);
    PutBig(wire + 16, reserved2);
}

Downloader::Downloader(KeSleepFunction sleep) : mSleep(std::move(sleep)) { std::cout << "Ctor Downloader\n"; }

Downloader::~Downloader() { std::cout << "Dtor Downloader\n"; }

void Downloader::DoDownload(DownloadUnit* unit, DOWNLOADTYPE type)
{
    UInt32 crc = 0;
    IOReturn error = 0;
    UInt32 generation = 0;

    _Unit = unit;
    mFailedStep = FlashStep::kOpen;
    mLeaveStatus.reset();
    gDownloadProgress.StartImage();
    if (!_Unit) {
        // Nothing to write to: never report this as a success.
        std::cerr << "Could not open device\n\r";
        mError = kIOReturnNoDevice;
        return;
    }
    const FlashImage* image = FlashImageFor(type);
    if (!image) {
        // No image and no erase command for it: leave the unit alone.
        std::cerr << "Read Image : Invalid file type\n\r";
        mError = kIOReturnBadArgument;
        return;
    }
    std::cout << image->openingTrace;
    // The .bit file's bitstream was located when the build checked the file.
    const auto offset = static_cast<SInt32>(image->streamOffset);
    const auto fileCount = static_cast<SInt32>(image->fileSize);

    FlashStep step = FlashStep::kOpen;
    error = _Unit->GetBusGeneration(generation);
    if (error == 0) {
        std::cout << "BusGen " << generation << "\n";
        error = Prepare(generation, step);
    } else {
        // Every later command needs a valid generation.
        std::cerr << "Could not read the bus generation\n\r";
    }

    gDownloadProgress.SetErase();
    bool eraseSent = false;
    if (error == 0) {
        step = FlashStep::kErase;
        error = Erase(*image, generation, eraseSent);
    }
    if (error == kIOReturnAborted && mGate && mGate->Cancelled()) std::cerr << "Update cancelled before the erase\n\r";
    const bool inUpdateMode = step == FlashStep::kUpdateMode || step == FlashStep::kErase;
    if (error != 0 && inUpdateMode && !eraseSent) {
        // Stopped in update mode with the flash untouched: leave the unit as it was found.
        mLeaveStatus = _Unit->CancelTransfer(generation);
        if (*mLeaveStatus != 0) std::cerr << "Could not leave update mode.\n\r";
    }

    gDownloadProgress.SetPgm();
    if (error == 0) error = Program(type, offset, fileCount, crc, generation, step);

    if (error == 0) {
        step = FlashStep::kCrc;
        error = _Unit->SendCRCAndVerify(crc, generation);
        mSleep(kCommandPauseMicroseconds);
        if (error != 0) std::cerr << "Firmware validation failed- CRC was invalid.\n\r";
    }

    if (error == 0) {
        step = FlashStep::kRestore;
        error = _Unit->RestoreNormalOperation(generation);
        if (error != 0) std::cerr << "Could not restore normal operation.\n\r";
    }

    if (error == 0) std::cout << "Update successful.\n\r";

    _Unit->Close();
    mError = error;
    mFailedStep = error == 0 ? FlashStep::kNone : step;
}

IOReturn Downloader::Prepare(UInt32& generation, FlashStep& step)
{
    IOReturn error = _Unit->OpenWaitingOutAHold(mSleep, kOpenRetries);
    if (error != 0) {
        // Nothing may be sent to a unit that did not open, and the caller must
        // hear why (held by another program, say), not a later "not open".
        std::cerr << "Could not open device\n\r";
        return error;
    }

    step = FlashStep::kUpdateMode;
    error = _Unit->BeginUpdate(generation);
    mSleep(kCommandPauseMicroseconds);
    if (error != 0) std::cerr << "Device not ready - Could not prepare device for update.\n\r";

    UInt32 value = 0;
    error = _Unit->ReadStatusRegister(value, generation);
    mSleep(kCommandPauseMicroseconds);
    if (error == 0 && value == kStatusReady) return 0;
    if (error == 0) error = kDownloadDeviceError;
    std::cerr << "Device not ready - Could not prepare device for update.\n\r";
    return error;
}

IOReturn Downloader::Erase(const FlashImage& image, UInt32 generation, bool& sent)
{
    if (mGate && !mGate->Pass()) return kIOReturnAborted;
    std::cout << image.erasingTrace;
    UInt32 command = image.EraseCommand();
    sent = true;
    IOReturn error = _Unit->SetUpdateCommand(generation, command);
    mSleep(kCommandPauseMicroseconds);
    if (error != 0) {
        std::cerr << "Device not ready. Could not prepare device for update.\n\r";
        return error;
    }

    for (SInt32 towait = kErasePolls; towait > 0; --towait) {
        UInt32 value = 0;
        error = _Unit->ReadStatusRegister(value, generation);
        if (error != 0) return error;
        if (value == kStatusReady) return 0;
        if (value != kStatusBusy) {
            std::cerr << "Device failed - Could not erase flash.\n\r";
            return kDownloadDeviceError;
        }
        mSleep(kErasePollMicroseconds);
        std::cerr << "Erasing Flash\n";
    }
    std::cerr << "Device timed out. -Could not erase flash.\n\r";
    return kIOReturnTimeout;
}

IOReturn Downloader::Program(DOWNLOADTYPE type, SInt32 offset, SInt32 fileCount, UInt32& crc, UInt32& generation,
                             FlashStep& step)
{
    step = FlashStep::kHeader;
    const UInt32 downloadBlockSize = _Unit->MaxDownloadBlockSize();
    SInt32 currentOffset = offset;
    std::cout << "Sending Data...\n";

    FirmwareHeader header;
    header.valid = 0xFFFF;
    header.version = 1;
    header.sizeB = static_cast<UInt32>(fileCount - offset);
    header.CRCimage = 0xFFFF;
    header.reserved0 = 0xFFFF;
    header.reserved1 = 0xFFFFFFFF;
    header.reserved2 = 0xFFFFFFFF;
    UInt8 wire[FirmwareHeader::kWireSize];
    header.Serialize(wire);

    IOReturn error = _Unit->SendBlock(wire, FirmwareHeader::kWireSize, 0, generation);
    mSleep(kCommandPauseMicroseconds);
    if (error != 0) {
        std::cerr << "Download has failed.";
        std::cerr << "Tried to send FirmwareHeader, got error\n\r" << error;
        return error;
    }

    step = FlashStep::kBlocks;
    alignas(UInt32) UInt8 buffer[DL_BUF_SIZE];
    while (error == 0 && currentOffset < fileCount) {
        const UInt32 requestCount = downloadBlockSize;
        UInt32 actualCount = 0;
        ReadImage(type, static_cast<UInt32>(currentOffset), requestCount, buffer, actualCount);

        // The last block ends on a whole word, zero-filled.
        const UInt32 paddedCount = (actualCount + 3) & ~3u;
        if (actualCount < requestCount) std::memset(buffer + actualCount, 0, paddedCount - actualCount);

        error = _Unit->SendBlock(buffer, paddedCount, static_cast<UInt32>(currentOffset), generation);
        mSleep(kCommandPauseMicroseconds);
        if (error != 0) {
            std::cerr << "Download has failed\n\r";
            std::cerr << "Tried to send" << actualCount << "bytes at" << currentOffset << ", got error" << error
                      << "\n\r";
        } else {
            crc = updateCRC16(static_cast<UInt16>(crc & 0xFFFF), reinterpret_cast<const UInt32*>(buffer),
                              (actualCount + 3) / 4);
            currentOffset += static_cast<SInt32>(actualCount);
        }
        gDownloadProgress.Update(static_cast<float>(currentOffset) / static_cast<float>(fileCount));
    }
    crc &= 0xFFFF;
    return error;
}

bool Downloader::ReadImage(DOWNLOADTYPE type, UInt32 ofs, UInt32 size, UInt8* buf, UInt32& actualCount)
{
    const FlashImage* image = FlashImageFor(type);
    if (!image) {
        std::cerr << "Read Image : Invalid file type\n\r";
        actualCount = 0;
        return true;
    }
    const UInt32 length = image->fileSize;

    // Wide arithmetic: an offset near the top of the range must not wrap.
    const UInt64 end = static_cast<UInt64>(ofs) + size;
    if (end < length) {
        actualCount = size;
    } else {
        actualCount = ofs < length ? length - ofs : 0;
    }
    KE_ASSERT(actualCount < DL_BUF_SIZE);
    if (actualCount != 0) std::memcpy(buf, image->file + ofs, actualCount);
    return true;
}

UInt16 Downloader::updateCRC16(UInt16 currentCRC, const UInt32* buffer, UInt32 numQuads)
{
    UInt32 crc16 = currentCRC;
    const UInt8* bytes = reinterpret_cast<const UInt8*>(buffer);
    for (UInt32 i = 0; i < numQuads; ++i) {
        // Each word is the big-endian reading of its four bytes.
        UInt32 quad = 0;
        std::memcpy(&quad, bytes + 4 * i, sizeof quad);
        quad = be32toh(quad);
        for (int shift = 28; shift >= 0; shift -= 4) {
            const UInt32 sum = ((crc16 >> 12) ^ (quad >> shift)) & 0xF;
            crc16 = (crc16 << 4) ^ (sum << 12) ^ (sum << 5) ^ sum;
        }
    }
    return static_cast<UInt16>(crc16 & 0xFFFF);
}
