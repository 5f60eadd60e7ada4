// SPDX-License-Identifier: MIT
// A Ke unit behind its firmware-update registers: identity, update mode,
// flash erase, the header and data stream, the CRC check, and the faults a
// host has to survive. sim/README.md lists the behaviour register by register.
#pragma once

#include <linux/firewire-constants.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/UnitPort.h"

namespace kesim {

// Register offsets (48-bit, in the unit's node).
constexpr std::uint64_t kRegisterBase = 0xFFFFF0430000ULL;
constexpr std::uint64_t kUpdateControlReg = kRegisterBase + 0x0;
constexpr std::uint64_t kSoftwareVersionReg = kRegisterBase + 0x4;
constexpr std::uint64_t kProductVersionReg = kRegisterBase + 0x8;
constexpr std::uint64_t kUpdateCommandReg = kRegisterBase + 0xC;
constexpr std::uint64_t kCrcReg = kRegisterBase + 0x10;
constexpr std::uint64_t kStatusReg = kRegisterBase + 0x14;
constexpr std::uint64_t kUpdateDataReg = kRegisterBase + 0x20;
constexpr std::uint64_t kSerialNumberReg = kRegisterBase + 0x220;

constexpr std::uint32_t kMaxDataBlock = 128;
constexpr std::uint32_t kHeaderSize = 20;
constexpr std::uint32_t kSerialNumberSize = 8;
constexpr std::size_t kFlashCapacity = 1u << 20;  // of each flash

// Update control values and bits.
constexpr std::uint32_t kControlBeginUpdate = 1;
constexpr std::uint32_t kControlCancel = 2;
constexpr std::uint32_t kControlUpdateModeBit = 0x1;

// Status register values.
constexpr std::uint32_t kStatusBusy = 0;
constexpr std::uint32_t kStatusReady = 1;

// The update command value of each flash.
enum class FlashDevice : std::uint32_t { Xilinx = 0, Mcore = 1 };

// CRC-16 with polynomial 0x1021, no reflection, no final XOR, bytewise in
// address order; with crc = 0 it is the XMODEM variant the unit checks.
std::uint16_t Crc16Xmodem(const std::uint8_t* data, std::size_t size, std::uint16_t crc = 0);

struct KeUnitConfig {
    using Duration = std::chrono::nanoseconds;

    // Identity.
    std::uint32_t specifierId = 0x000A27;               // unit directory
    std::uint32_t unitSwVersion = 0x000011;             // unit directory
    std::string serialNumber = "KE000042";              // first 8 bytes shown, NUL padded
    std::uint32_t softwareVersion = (20u << 16) | 25u;  // M·CORE 20, Xilinx 25
    std::uint32_t productVersion = 0x00010000;          // revision 1
    std::uint64_t guid = 0x000A270000000042;            // node GUID: vendor 0x000A27, then a chip ID
    std::uint32_t initialGeneration = 1;                // read at construction only
    std::size_t flashCapacity = kFlashCapacity;         // largest sizeB of a header

    // Timing. The erase runs until both eraseTime has passed and
    // eraseBusyReads status reads have answered busy.
    Duration latency{0};  // added to every transaction
    Duration eraseTime{0};
    std::uint32_t eraseBusyReads = 2;
    // Update control reads that still show update mode after a cancel.
    std::uint32_t cancelBusyReads = 0;
    // After a bus reset the new generation is published only this much
    // later; until then every request gets RCODE_GENERATION and the old
    // generation is still reported, as the kernel does.
    Duration resetSettle{0};

    // Version half that softwareVersion takes once that flash accepted an
    // image; unset keeps the word unchanged.
    std::optional<std::uint16_t> mcoreVersionAfterUpdate{};
    std::optional<std::uint16_t> xilinxVersionAfterUpdate{};

    // Faults. Those of a transfer hit only transfers to faultFlash when it is
    // set, otherwise every transfer. Blocks count from 1: the first data
    // block write after the header of the current transfer, each write
    // attempt counted whatever its result; 0 disables the fault.
    std::uint32_t readyStatus = kStatusReady;  // status in update mode before an erase
    std::optional<FlashDevice> faultFlash{};
    bool eraseNeverFinishes = false;                    // status stays busy
    std::uint32_t eraseResult = kStatusReady;           // status when the erase ends; other = failed
    std::uint32_t failBlock = 0;                        // that block gets RCODE_DATA_ERROR
    bool refuseCrc = false;                             // every CRC write gets RCODE_DATA_ERROR
    std::uint32_t vanishAfterBlock = 0;                 // the unit leaves the bus after that block
    std::uint32_t busResetAfterBlock = 0;               // the generation moves on after that block
    bool cancelNeverFinishes = false;                   // update control keeps bit 0 after a cancel
    std::uint32_t serialReadLimit = kSerialNumberSize;  // bytes a serial read returns at most
    std::optional<std::uint64_t> failReadOffset{};      // reads of this register get failReadRcode
    int failReadRcode = RCODE_DATA_ERROR;
};

// One flash as the unit sees it.
struct FlashState {
    std::vector<std::uint8_t> contents;  // the programmed image; empty from an erase command on
    bool erased = false;                 // the last erase command completed successfully
    bool written = false;                // data blocks were stored since that erase
    bool accepted = false;               // the CRC matched and contents hold the image
    bool refused = false;                // the CRC write was refused
    // The header and data blocks the unit took since the last erase command,
    // in order, exactly as they came.
    std::vector<std::uint8_t> stream;
};

struct TransactionRecord {
    int tcode = 0;
    std::uint64_t offset = 0;
    std::uint32_t length = 0;
    std::uint32_t generation = 0;  // the request's
    int rcode = 0;
    std::vector<std::uint8_t> data;  // write payload, or read response
};

class KeUnitModel : public UnitPort {
public:
    explicit KeUnitModel(KeUnitConfig config = {});

    std::uint32_t SpecifierId() const override;
    std::uint32_t SwVersion() const override;
    std::uint64_t Guid() const override;
    bool Attached() const override;
    std::uint32_t Generation() const override;
    bool Acquire() override;  // false also while detached
    void Relinquish() override;
    BusResponse Transact(const BusRequest& request) override;

    // Settings, changed at any time; the update state is kept.
    KeUnitConfig Config() const;
    void SetConfig(const KeUnitConfig& config);
    void ChangeConfig(const std::function<void(KeUnitConfig&)>& change);
    void SetSerialNumber(const std::string& serialNumber);
    void SetSoftwareVersion(std::uint32_t word);
    void SetProductVersion(std::uint32_t word);
    void SetLatency(KeUnitConfig::Duration latency);

    // Bus events.
    void BusReset();  // the generation moves on by one
    void Vanish();    // the unit leaves the bus
    void Reattach();  // back on the bus, in a new generation

    // Inspection.
    FlashState Flash(FlashDevice device) const;
    std::vector<TransactionRecord> Log() const;
    void ClearLog();
    bool InUpdateMode() const;
    bool Owned() const;

private:
    enum class Phase { Normal, Ready, Erasing, EraseFailed, AwaitHeader, Receiving, Verdict };

    int Dispatch(const BusRequest& request, std::vector<std::uint8_t>& out);
    int WriteUpdateControl(std::uint32_t value);
    int WriteUpdateCommand(std::uint32_t value);
    int WriteCrc(std::uint32_t value);
    int WriteData(const std::uint8_t* data, std::uint32_t length);
    int AcceptHeader(const std::uint8_t* data, std::uint32_t length);
    int AcceptBlock(const std::uint8_t* data, std::uint32_t length);
    std::uint32_t ReadUpdateControl();
    std::uint32_t ReadStatus();
    bool EraseDone(bool countRead);
    void NewGeneration();
    void PublishGeneration() const;
    bool FaultApplies() const;
    FlashState& Current();

    mutable std::mutex mMutex;
    KeUnitConfig mConfig;
    bool mAttached = true;
    bool mOwned = false;
    // Mutable: publishing a settled generation is due whoever asks first.
    mutable std::uint32_t mGeneration;
    mutable std::optional<std::uint32_t> mPendingGeneration;
    std::chrono::steady_clock::time_point mPublishAt;

    Phase mPhase = Phase::Normal;
    FlashDevice mDevice = FlashDevice::Xilinx;
    std::chrono::steady_clock::time_point mEraseStart;
    std::uint32_t mEraseBusyReads = 0;
    std::uint32_t mCancelReadsLeft = 0;
    bool mCancelPending = false;
    std::uint32_t mSizeB = 0;
    std::uint32_t mBlockCount = 0;
    std::vector<std::uint8_t> mData;  // data received after the header

    FlashState mFlash[2];
    std::vector<TransactionRecord> mLog;
};

}  // namespace kesim
