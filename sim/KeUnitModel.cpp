// SPDX-License-Identifier: MIT
#include "sim/KeUnitModel.h"

#include <linux/firewire-constants.h>

#include <algorithm>
#include <thread>
#include <utility>

namespace kesim {
namespace {

std::uint32_t LoadBig32(const std::uint8_t* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

std::uint16_t LoadBig16(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }

std::vector<std::uint8_t> StoreBig32(std::uint32_t value)
{
    return {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

std::size_t RoundUp4(std::size_t n) { return (n + 3) & ~std::size_t{3}; }

bool IsQuadletRead(const BusRequest& r) { return r.tcode == TCODE_READ_QUADLET_REQUEST && r.length == 4; }

bool IsQuadletWrite(const BusRequest& r)
{
    return r.tcode == TCODE_WRITE_QUADLET_REQUEST && r.length == 4 && r.data != nullptr;
}

}  // namespace

std::uint16_t Crc16Xmodem(const std::uint8_t* data, std::size_t size, std::uint16_t crc)
{
    for (std::size_t i = 0; i < size; ++i) {
        crc = static_cast<std::uint16_t>(crc ^ (data[i] << 8));
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

KeUnitModel::KeUnitModel(KeUnitConfig config) : mConfig(std::move(config)), mGeneration(mConfig.initialGeneration) {}

std::uint32_t KeUnitModel::SpecifierId() const
{
    std::lock_guard lock(mMutex);
    return mConfig.specifierId;
}

std::uint32_t KeUnitModel::SwVersion() const
{
    std::lock_guard lock(mMutex);
    return mConfig.unitSwVersion;
}

std::uint64_t KeUnitModel::Guid() const
{
    std::lock_guard lock(mMutex);
    return mConfig.guid;
}

bool KeUnitModel::Attached() const
{
    std::lock_guard lock(mMutex);
    return mAttached;
}

std::uint32_t KeUnitModel::Generation() const
{
    std::lock_guard lock(mMutex);
    PublishGeneration();
    return mGeneration;
}

void KeUnitModel::NewGeneration()
{
    if (mConfig.resetSettle.count() <= 0 && !mPendingGeneration) {
        ++mGeneration;
        return;
    }
    mPendingGeneration = mPendingGeneration.value_or(mGeneration) + 1;
    mPublishAt = std::chrono::steady_clock::now() + mConfig.resetSettle;
}

void KeUnitModel::PublishGeneration() const
{
    if (mPendingGeneration && std::chrono::steady_clock::now() >= mPublishAt) {
        mGeneration = *mPendingGeneration;
        mPendingGeneration.reset();
    }
}

bool KeUnitModel::Acquire()
{
    std::lock_guard lock(mMutex);
    if (!mAttached || mOwned) return false;
    mOwned = true;
    return true;
}

void KeUnitModel::Relinquish()
{
    std::lock_guard lock(mMutex);
    mOwned = false;
}

BusResponse KeUnitModel::Transact(const BusRequest& request)
{
    KeUnitConfig::Duration latency;
    {
        std::lock_guard lock(mMutex);
        latency = mConfig.latency;
    }
    // The wait stands for the bus round trip; other hosts' requests go on meanwhile.
    if (latency.count() > 0) std::this_thread::sleep_for(latency);

    std::lock_guard lock(mMutex);
    PublishGeneration();
    BusResponse response;
    if (!mAttached)
        response.rcode = RCODE_NO_ACK;
    else if (mPendingGeneration || request.generation != mGeneration)
        response.rcode = RCODE_GENERATION;
    else
        response.rcode = Dispatch(request, response.data);
    if (response.rcode != RCODE_COMPLETE) response.data.clear();

    TransactionRecord record;
    record.tcode = request.tcode;
    record.offset = request.offset;
    record.length = request.length;
    record.generation = request.generation;
    record.rcode = response.rcode;
    if (request.data != nullptr &&
        (request.tcode == TCODE_WRITE_QUADLET_REQUEST || request.tcode == TCODE_WRITE_BLOCK_REQUEST))
        record.data.assign(request.data, request.data + request.length);
    else
        record.data = response.data;
    mLog.push_back(std::move(record));
    return response;
}

int KeUnitModel::Dispatch(const BusRequest& request, std::vector<std::uint8_t>& out)
{
    const bool read = request.tcode == TCODE_READ_QUADLET_REQUEST || request.tcode == TCODE_READ_BLOCK_REQUEST;
    if (read && mConfig.failReadOffset == request.offset) return mConfig.failReadRcode;
    switch (request.offset) {
    case kUpdateControlReg:
        if (IsQuadletRead(request)) {
            out = StoreBig32(ReadUpdateControl());
            return RCODE_COMPLETE;
        }
        if (IsQuadletWrite(request)) return WriteUpdateControl(LoadBig32(request.data));
        return RCODE_TYPE_ERROR;
    case kSoftwareVersionReg:
        if (!IsQuadletRead(request)) return RCODE_TYPE_ERROR;
        out = StoreBig32(mConfig.softwareVersion);
        return RCODE_COMPLETE;
    case kProductVersionReg:
        if (!IsQuadletRead(request)) return RCODE_TYPE_ERROR;
        out = StoreBig32(mConfig.productVersion);
        return RCODE_COMPLETE;
    case kUpdateCommandReg:
        return IsQuadletWrite(request) ? WriteUpdateCommand(LoadBig32(request.data)) : RCODE_TYPE_ERROR;
    case kCrcReg:
        return IsQuadletWrite(request) ? WriteCrc(LoadBig32(request.data)) : RCODE_TYPE_ERROR;
    case kStatusReg:
        if (!IsQuadletRead(request)) return RCODE_TYPE_ERROR;
        out = StoreBig32(ReadStatus());
        return RCODE_COMPLETE;
    case kUpdateDataReg:
        if (request.tcode != TCODE_WRITE_BLOCK_REQUEST || request.data == nullptr || request.length == 0 ||
            request.length > kMaxDataBlock || request.length % 4 != 0)
            return RCODE_TYPE_ERROR;
        return WriteData(request.data, request.length);
    case kSerialNumberReg: {
        if (request.tcode != TCODE_READ_BLOCK_REQUEST || request.length == 0 || request.length > kSerialNumberSize)
            return RCODE_TYPE_ERROR;
        std::vector<std::uint8_t> text(kSerialNumberSize, 0);
        std::copy_n(mConfig.serialNumber.begin(), std::min<std::size_t>(mConfig.serialNumber.size(), kSerialNumberSize),
                    text.begin());
        text.resize(std::min(request.length, mConfig.serialReadLimit));
        out = std::move(text);
        return RCODE_COMPLETE;
    }
    default:
        return RCODE_ADDRESS_ERROR;
    }
}

std::uint32_t KeUnitModel::ReadUpdateControl()
{
    if (mPhase != Phase::Normal) return kControlUpdateModeBit;
    if (!mCancelPending) return 0;
    if (mConfig.cancelNeverFinishes) return kControlUpdateModeBit;
    if (mCancelReadsLeft == 0) {
        mCancelPending = false;
        return 0;
    }
    --mCancelReadsLeft;
    return kControlUpdateModeBit;
}

int KeUnitModel::WriteUpdateControl(std::uint32_t value)
{
    switch (value) {
    case kControlBeginUpdate:
        // Entering again (one download per flash) drops whatever transfer ran.
        mPhase = Phase::Ready;
        mCancelPending = false;
        mData.clear();
        mBlockCount = 0;
        return RCODE_COMPLETE;
    case kControlCancel:
        mPhase = Phase::Normal;
        mCancelPending = true;
        mCancelReadsLeft = mConfig.cancelBusyReads;
        mData.clear();
        return RCODE_COMPLETE;
    default:
        return RCODE_DATA_ERROR;
    }
}

int KeUnitModel::WriteUpdateCommand(std::uint32_t value)
{
    if (mPhase == Phase::Normal) return RCODE_CONFLICT_ERROR;
    if (value != static_cast<std::uint32_t>(FlashDevice::Xilinx) &&
        value != static_cast<std::uint32_t>(FlashDevice::Mcore))
        return RCODE_DATA_ERROR;
    mDevice = static_cast<FlashDevice>(value);
    Current() = FlashState{};  // the old image is gone as soon as the erase starts
    mPhase = Phase::Erasing;
    mEraseStart = std::chrono::steady_clock::now();
    mEraseBusyReads = 0;
    mData.clear();
    mBlockCount = 0;
    mSizeB = 0;
    return RCODE_COMPLETE;
}

bool KeUnitModel::EraseDone(bool countRead)
{
    const bool faulty = FaultApplies();
    const bool done = !(faulty && mConfig.eraseNeverFinishes) && mEraseBusyReads >= mConfig.eraseBusyReads &&
                      std::chrono::steady_clock::now() - mEraseStart >= mConfig.eraseTime;
    if (!done) {
        if (countRead) ++mEraseBusyReads;
        return false;
    }
    if (faulty && mConfig.eraseResult != kStatusReady) {
        mPhase = Phase::EraseFailed;
    } else {
        mPhase = Phase::AwaitHeader;
        Current().erased = true;
    }
    return true;
}

std::uint32_t KeUnitModel::ReadStatus()
{
    switch (mPhase) {
    case Phase::Normal:
        return kStatusBusy;
    case Phase::Ready:
        return mConfig.readyStatus;
    case Phase::Erasing:
        if (!EraseDone(true)) return kStatusBusy;
        return mPhase == Phase::EraseFailed ? mConfig.eraseResult : kStatusReady;
    case Phase::EraseFailed:
        return mConfig.eraseResult;
    default:
        return kStatusReady;
    }
}

int KeUnitModel::WriteData(const std::uint8_t* data, std::uint32_t length)
{
    if (mPhase == Phase::Erasing) EraseDone(false);
    if (mPhase == Phase::AwaitHeader) return AcceptHeader(data, length);
    if (mPhase == Phase::Receiving) return AcceptBlock(data, length);
    return RCODE_CONFLICT_ERROR;
}

int KeUnitModel::AcceptHeader(const std::uint8_t* data, std::uint32_t length)
{
    if (length != kHeaderSize) return RCODE_DATA_ERROR;
    const std::uint32_t sizeB = LoadBig32(data + 4);
    const bool valid = LoadBig16(data) == 0xFFFF && LoadBig16(data + 2) == 1 && LoadBig16(data + 8) == 0xFFFF &&
                       LoadBig16(data + 10) == 0xFFFF && LoadBig32(data + 12) == 0xFFFFFFFF &&
                       LoadBig32(data + 16) == 0xFFFFFFFF;
    if (!valid || sizeB == 0 || sizeB > mConfig.flashCapacity) return RCODE_DATA_ERROR;
    mSizeB = sizeB;
    mPhase = Phase::Receiving;
    Current().stream.assign(data, data + length);
    return RCODE_COMPLETE;
}

int KeUnitModel::AcceptBlock(const std::uint8_t* data, std::uint32_t length)
{
    const std::uint32_t block = ++mBlockCount;
    const bool faulty = FaultApplies();
    int rcode = RCODE_COMPLETE;
    if (faulty && block == mConfig.failBlock) {
        rcode = RCODE_DATA_ERROR;
    } else if (mData.size() + length > RoundUp4(mSizeB)) {
        rcode = RCODE_DATA_ERROR;  // more than the header announced
    } else {
        mData.insert(mData.end(), data, data + length);
        FlashState& flash = Current();
        flash.stream.insert(flash.stream.end(), data, data + length);
        flash.written = true;
    }
    // The response to this block still goes out; what follows does not.
    if (faulty && block == mConfig.vanishAfterBlock) mAttached = false;
    if (faulty && block == mConfig.busResetAfterBlock) NewGeneration();
    return rcode;
}

int KeUnitModel::WriteCrc(std::uint32_t value)
{
    if (mPhase != Phase::Receiving) return RCODE_CONFLICT_ERROR;
    mPhase = Phase::Verdict;
    FlashState& flash = Current();
    const bool complete = mData.size() >= mSizeB;
    const bool match = (value & 0xFFFF) == Crc16Xmodem(mData.data(), mData.size());
    if (!complete || !match || (FaultApplies() && mConfig.refuseCrc)) {
        flash.refused = true;
        return RCODE_DATA_ERROR;
    }
    flash.contents.assign(mData.begin(), mData.begin() + mSizeB);
    flash.accepted = true;
    if (mDevice == FlashDevice::Mcore && mConfig.mcoreVersionAfterUpdate)
        mConfig.softwareVersion =
            (std::uint32_t{*mConfig.mcoreVersionAfterUpdate} << 16) | (mConfig.softwareVersion & 0xFFFF);
    if (mDevice == FlashDevice::Xilinx && mConfig.xilinxVersionAfterUpdate)
        mConfig.softwareVersion = (mConfig.softwareVersion & 0xFFFF0000) | *mConfig.xilinxVersionAfterUpdate;
    return RCODE_COMPLETE;
}

bool KeUnitModel::FaultApplies() const { return !mConfig.faultFlash || *mConfig.faultFlash == mDevice; }

FlashState& KeUnitModel::Current() { return mFlash[static_cast<std::size_t>(mDevice)]; }

KeUnitConfig KeUnitModel::Config() const
{
    std::lock_guard lock(mMutex);
    return mConfig;
}

void KeUnitModel::SetConfig(const KeUnitConfig& config)
{
    std::lock_guard lock(mMutex);
    mConfig = config;
}

void KeUnitModel::ChangeConfig(const std::function<void(KeUnitConfig&)>& change)
{
    std::lock_guard lock(mMutex);
    change(mConfig);
}

void KeUnitModel::SetSerialNumber(const std::string& serialNumber)
{
    std::lock_guard lock(mMutex);
    mConfig.serialNumber = serialNumber;
}

void KeUnitModel::SetSoftwareVersion(std::uint32_t word)
{
    std::lock_guard lock(mMutex);
    mConfig.softwareVersion = word;
}

void KeUnitModel::SetProductVersion(std::uint32_t word)
{
    std::lock_guard lock(mMutex);
    mConfig.productVersion = word;
}

void KeUnitModel::SetLatency(KeUnitConfig::Duration latency)
{
    std::lock_guard lock(mMutex);
    mConfig.latency = latency;
}

void KeUnitModel::BusReset()
{
    std::lock_guard lock(mMutex);
    NewGeneration();
}

void KeUnitModel::Vanish()
{
    std::lock_guard lock(mMutex);
    mAttached = false;
}

void KeUnitModel::Reattach()
{
    std::lock_guard lock(mMutex);
    if (mAttached) return;
    mAttached = true;
    mGeneration = mPendingGeneration.value_or(mGeneration) + 1;
    mPendingGeneration.reset();
}

FlashState KeUnitModel::Flash(FlashDevice device) const
{
    std::lock_guard lock(mMutex);
    return mFlash[static_cast<std::size_t>(device)];
}

std::vector<TransactionRecord> KeUnitModel::Log() const
{
    std::lock_guard lock(mMutex);
    return mLog;
}

void KeUnitModel::ClearLog()
{
    std::lock_guard lock(mMutex);
    mLog.clear();
}

bool KeUnitModel::InUpdateMode() const
{
    std::lock_guard lock(mMutex);
    return mPhase != Phase::Normal;
}

bool KeUnitModel::Owned() const
{
    std::lock_guard lock(mMutex);
    return mOwned;
}

}  // namespace kesim
