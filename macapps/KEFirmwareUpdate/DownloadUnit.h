// SPDX-License-Identifier: MIT
// The unit's firmware-update registers and the commands issued through them.
#pragma once

#include <string>

#include "macapps/KEFirmwareUpdate/FWLib_Device.h"
#include "platform/threads/Sleep.h"

class DownloadUnit : public FWLib::Device {
public:
    static const UInt32 kFirmwareUpdateUnitSpecID = 0x000A27;
    static const UInt32 kFirmwareUpdateUnitSWVersion = 0x000011;

    // CancelTransfer reads update control at most this often, this far apart,
    // before it gives up with kIOReturnTimeout.
    static const UInt32 kCancelPollLimit = 100;
    static const UInt32 kCancelPollPauseMicroseconds = 1000;

    // The unit as discovery returned it; throws as FWLib::Device does.
    // CancelTransfer pauses through `sleep`.
    explicit DownloadUnit(const fwplat::UnitInfo& unit, KeSleepFunction sleep = KeRealSleepMicroseconds,
                          FWLib::DeviceTrace trace = FWLib::DeviceTrace::kTraced);
    ~DownloadUnit() override;

    IOReturn BeginUpdate(UInt32& generation);
    IOReturn SetUpdateCommand(UInt32& generation, UInt32& updatetype);
    IOReturn SendBlock(const void* bytes, unsigned length, UInt32 offset, UInt32& generation);
    IOReturn CancelTransfer(UInt32& generation);
    IOReturn SendCRCAndVerify(UInt32 crc, UInt32& generation);
    IOReturn RestoreNormalOperation(UInt32& generation);

    IOReturn GetSoftwareVersion(UInt32& version);
    IOReturn GetProductRevision(UInt32& revision);
    IOReturn GetProductSerNum(std::string& serNum);

    UInt32 MaxDownloadBlockSize() const;
    void DownloadDataWait();
    IOReturn ReadDataBlock(void* buffer, unsigned blockSize, UInt32 offset, UInt32& generation);

    IOReturn ReadUpdateControl(UInt32& value, UInt32 generation);
    IOReturn WriteUpdateControl(UInt32 value, UInt32 generation);
    IOReturn WriteUpdateCommand(UInt32 value, UInt32 generation);
    IOReturn WriteCRCReg(UInt32 value, UInt32 generation);
    IOReturn ReadStatusRegister(UInt32& value, UInt32 generation);

private:
    void InitAddresses();

    KeSleepFunction mSleep;

    FWAddressStruct m_addr_command_regs;
    FWAddressStruct m_addr_crc_reg;
    FWAddressStruct m_addr_update_data;
    FWAddressStruct m_addr_update_control;
    FWAddressStruct m_addr_update_command;
    FWAddressStruct m_addr_sw_version;
    FWAddressStruct m_addr_product_version;
    FWAddressStruct m_addr_status_reg;
    FWAddressStruct m_addr_sernum;

    friend class DownloadUnitAddressProbe;  // lets tests read the register map
};
