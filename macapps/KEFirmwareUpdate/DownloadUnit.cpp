// SPDX-License-Identifier: MIT
#include "macapps/KEFirmwareUpdate/DownloadUnit.h"

#include <algorithm>
#include <iostream>

namespace {

constexpr UInt16 kRegisterSpace = 0xFFFF;
constexpr UInt32 kRegisterBase = 0xF0430000;
constexpr UInt32 kBeginUpdate = 1;
constexpr UInt32 kCancelUpdate = 2;
constexpr UInt32 kSerialNumberBytes = 8;
constexpr UInt32 kMaxBlockBytes = 128;

}  // namespace

DownloadUnit::DownloadUnit(const fwplat::UnitInfo& unit, KeSleepFunction sleep, FWLib::DeviceTrace trace)
    : FWLib::Device(unit, trace), mSleep(std::move(sleep))
{
    if (mTrace == FWLib::DeviceTrace::kTraced) std::cout << "Ctor DownloadUnit\n";
    InitAddresses();
}

DownloadUnit::~DownloadUnit()
{
    if (mTrace == FWLib::DeviceTrace::kTraced) std::cout << "Dtor DownloadUnit\n";
}

void DownloadUnit::InitAddresses()
{
    m_addr_command_regs = FWAddressStruct(kRegisterSpace, kRegisterBase);
    const UInt32 base = m_addr_command_regs.addressLo;
    m_addr_update_control = FWAddressStruct(kRegisterSpace, base + 0x0);
    m_addr_sw_version = FWAddressStruct(kRegisterSpace, base + 0x4);
    m_addr_product_version = FWAddressStruct(kRegisterSpace, base + 0x8);
    m_addr_update_command = FWAddressStruct(kRegisterSpace, base + 0xC);
    m_addr_crc_reg = FWAddressStruct(kRegisterSpace, base + 0x10);
    m_addr_status_reg = FWAddressStruct(kRegisterSpace, base + 0x14);
    m_addr_update_data = FWAddressStruct(kRegisterSpace, base + 0x20);
    m_addr_sernum = FWAddressStruct(kRegisterSpace, m_addr_update_data.addressLo + 0x200);
}

IOReturn DownloadUnit::BeginUpdate(UInt32& generation) { return WriteUpdateControl(kBeginUpdate, generation); }

IOReturn DownloadUnit::SetUpdateCommand(UInt32& generation, UInt32& updatetype)
{
    return WriteUpdateCommand(updatetype, generation);
}

IOReturn DownloadUnit::SendBlock(const void* bytes, unsigned length, UInt32 /*offset*/, UInt32& generation)
{
    // Every block goes to the one data register; the unit takes them in order.
    UInt32 size = length;
    IOReturn status = Write(m_addr_update_data, bytes, size, false, false, generation);
    DownloadDataWait();
    return status;
}

IOReturn DownloadUnit::CancelTransfer(UInt32& generation)
{
    WriteUpdateControl(kCancelUpdate, generation);
    // A unit that never clears the bit must not hang the caller.
    for (UInt32 poll = 0; poll < kCancelPollLimit; ++poll) {
        UInt32 value = 0;
        IOReturn status = ReadUpdateControl(value, generation);
        if (status != kIOReturnSuccess) return status;
        if ((value & 1) == 0) return kIOReturnSuccess;
        mSleep(kCancelPollPauseMicroseconds);
    }
    return kIOReturnTimeout;
}

IOReturn DownloadUnit::SendCRCAndVerify(UInt32 crc, UInt32& generation) { return WriteCRCReg(crc, generation); }

IOReturn DownloadUnit::RestoreNormalOperation(UInt32& /*generation*/) { return kIOReturnSuccess; }

IOReturn DownloadUnit::GetSoftwareVersion(UInt32& version)
{
    return ReadQuadlet(m_addr_sw_version, version, false, false, 0);
}

IOReturn DownloadUnit::GetProductRevision(UInt32& revision)
{
    return ReadQuadlet(m_addr_product_version, revision, false, false, 0);
}

IOReturn DownloadUnit::GetProductSerNum(std::string& serNum)
{
    char buffer[kSerialNumberBytes] = {};
    UInt32 count = kSerialNumberBytes;
    IOReturn status = Read(m_addr_sernum, buffer, count, false, false, 0);
    // A reply of another length is no serial number: keep the last good one
    // rather than guess.
    if (status == kIOReturnSuccess && count != kSerialNumberBytes)
        status = count < kSerialNumberBytes ? kIOReturnUnderrun : kIOReturnOverrun;
    if (status != kIOReturnSuccess) return status;
    // NULs pad it at the end; one inside is a byte of the number like any other.
    std::size_t length = kSerialNumberBytes;
    while (length > 0 && buffer[length - 1] == '\0') --length;
    serNum.assign(buffer, length);
    return status;
}

UInt32 DownloadUnit::MaxDownloadBlockSize() const { return kMaxBlockBytes; }

void DownloadUnit::DownloadDataWait() {}

IOReturn DownloadUnit::ReadDataBlock(void*, unsigned, UInt32, UInt32&) { return kIOReturnSuccess; }

IOReturn DownloadUnit::ReadUpdateControl(UInt32& value, UInt32 generation)
{
    return ReadQuadlet(m_addr_update_control, value, false, false, generation);
}

IOReturn DownloadUnit::WriteUpdateControl(UInt32 value, UInt32 generation)
{
    return WriteQuadlet(m_addr_update_control, value, false, false, generation);
}

IOReturn DownloadUnit::WriteUpdateCommand(UInt32 value, UInt32 generation)
{
    return WriteQuadlet(m_addr_update_command, value, false, false, generation);
}

IOReturn DownloadUnit::WriteCRCReg(UInt32 value, UInt32 generation)
{
    return WriteQuadlet(m_addr_crc_reg, value, false, false, generation);
}

IOReturn DownloadUnit::ReadStatusRegister(UInt32& value, UInt32 generation)
{
    return ReadQuadlet(m_addr_status_reg, value, false, false, generation);
}
