// SPDX-License-Identifier: MIT
// Writes one firmware image into the unit's flash: update mode, erase, the
// header and the image in blocks, the CRC check, and back to normal.
#pragma once

#include <optional>

#include "macapps/KEFirmwareUpdate/FlashImage.h"
#include "platform/common/MacTypes.h"
#include "platform/firewire/IOReturn.h"
#include "platform/signals/FirstEraseGate.h"
#include "platform/threads/Sleep.h"

class DownloadUnit;

// Size of the download buffer; one image read delivers less than this.
const UInt32 DL_BUF_SIZE = 2052;

// The procedure's own failure code: not ready, or the erase failed.
const IOReturn kDownloadDeviceError = -192;

// Sent before the image; every field is big-endian on the wire.
struct FirmwareHeader {
    UInt16 valid;
    UInt16 version;
    UInt32 sizeB;
    UInt16 CRCimage;
    UInt16 reserved0;
    UInt32 reserved1;
    UInt32 reserved2;

    static const UInt32 kWireSize = 20;
    // The header in wire order.
    void Serialize(UInt8 (&wire)[kWireSize]) const;
};

// The update job makes its Downloader through a factory (see
// CKeFirmwareUpdate), so a stand-in can take its place.
class Downloader {
public:
    explicit Downloader(KeSleepFunction sleep = KeRealSleepMicroseconds);
    virtual ~Downloader();

    Downloader(const Downloader&) = delete;
    Downloader& operator=(const Downloader&) = delete;

    virtual void DoDownload(DownloadUnit* unit, DOWNLOADTYPE type);

    // Outcome of the last DoDownload: 0, or the first failing status.
    virtual IOReturn GetError() const { return mError; }
    // The step at which the last DoDownload failed; kNone when it did not,
    // or when the step is not known.
    virtual FlashStep GetFailedStep() const { return mFailedStep; }
    // When the last DoDownload put the unit in update mode and stopped before
    // its erase command: the status of taking it out again (0: the unit is
    // out of update mode). nullopt when there was nothing to take back.
    virtual std::optional<IOReturn> GetLeaveStatus() const { return mLeaveStatus; }
    // The job's gate, asked before the erase command; none: never cancelled.
    void SetEraseGate(FirstEraseGate* gate) { mGate = gate; }

private:
    bool ReadImage(DOWNLOADTYPE type, UInt32 ofs, UInt32 size, UInt8* buf, UInt32& actualCount);
    UInt16 updateCRC16(UInt16 currentCRC, const UInt32* buffer, UInt32 numQuads);

    // The steps of DoDownload; each returns the updated status.
    IOReturn Prepare(UInt32& generation, FlashStep& step);
    // `sent`: the erase command went out, so the flash may have changed.
    IOReturn Erase(const FlashImage& image, UInt32 generation, bool& sent);
    IOReturn Program(DOWNLOADTYPE type, SInt32 offset, SInt32 fileCount, UInt32& crc, UInt32& generation,
                     FlashStep& step);

    KeSleepFunction mSleep;
    DownloadUnit* _Unit = nullptr;
    IOReturn mError = 0;
    FlashStep mFailedStep = FlashStep::kNone;
    std::optional<IOReturn> mLeaveStatus;
    FirstEraseGate* mGate = nullptr;

    friend class DownloaderTestAccess;
};
