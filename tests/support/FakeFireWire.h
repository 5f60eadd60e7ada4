// SPDX-License-Identifier: MIT
// A scripted unit behind the FireWire platform layer: registers answer from a
// map, every request is recorded, and failures can be injected per offset.
#pragma once

#include <endian.h>
#include <linux/firewire-constants.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/firewire/FWTransport.h"
#include "platform/firewire/IOReturn.h"

namespace fakefw {

struct Request {
    int tcode;
    UInt64 offset;
    std::vector<UInt8> data;  // payload of writes, bus order
    UInt32 length;
    UInt32 generation;
};

struct UnitState {
    std::map<UInt64, UInt32> quadlets;            // host-order register values
    std::map<UInt64, std::vector<UInt8>> blocks;  // block read contents
    std::map<UInt64, IOReturn> failures;          // status for any request at an offset
    std::optional<UInt32> reportedReadLength;     // overrides the count a block read reports
    // Called for quadlet reads, before the map; returns the value to answer.
    std::function<std::optional<UInt32>(UInt64)> onQuadletRead;
    std::vector<Request> requests;
    IOReturn openStatus = kIOReturnSuccess;
    IOReturn generationStatus = kIOReturnSuccess;
    UInt32 generation = 7;
    bool connectable = true;
    int linksAlive = 0;
    int opens = 0;
    bool open = false;
};

class Link : public fwplat::UnitLink {
public:
    explicit Link(std::shared_ptr<UnitState> state) : mState(std::move(state)) { ++mState->linksAlive; }
    ~Link() override { Close(), --mState->linksAlive; }

    IOReturn Open() override
    {
        if (mState->openStatus != kIOReturnSuccess) return mState->openStatus;
        ++mState->opens;
        mState->open = true;
        return kIOReturnSuccess;
    }
    void Close() override { mState->open = false; }
    IOReturn GetBusGeneration(UInt32& generation) override
    {
        if (mState->generationStatus != kIOReturnSuccess) return mState->generationStatus;
        generation = mState->generation;
        return kIOReturnSuccess;
    }

    IOReturn Transact(int tcode, UInt64 offset, void* data, UInt32& length, bool, UInt32 generation) override
    {
        Request request{tcode, offset, {}, length, generation};
        if (tcode == TCODE_WRITE_QUADLET_REQUEST || tcode == TCODE_WRITE_BLOCK_REQUEST)
            request.data.assign(static_cast<const UInt8*>(data), static_cast<const UInt8*>(data) + length);
        mState->requests.push_back(request);
        if (auto failure = mState->failures.find(offset); failure != mState->failures.end()) return failure->second;
        // Quadlets travel in a UInt32 of the caller's.
        if (tcode == TCODE_WRITE_QUADLET_REQUEST) mState->quadlets[offset] = be32toh(*static_cast<const UInt32*>(data));
        if (tcode == TCODE_READ_QUADLET_REQUEST) {
            std::optional<UInt32> value = mState->onQuadletRead ? mState->onQuadletRead(offset) : std::nullopt;
            *static_cast<UInt32*>(data) = htobe32(value.value_or(mState->quadlets[offset]));
        }
        if (tcode == TCODE_READ_BLOCK_REQUEST) {
            const std::vector<UInt8>& contents = mState->blocks[offset];
            const UInt32 count = std::min<UInt32>(length, static_cast<UInt32>(contents.size()));
            if (count) std::memcpy(data, contents.data(), count);
            length = mState->reportedReadLength.value_or(count);
        }
        return kIOReturnSuccess;
    }

private:
    std::shared_ptr<UnitState> mState;
};

class Transport : public fwplat::Transport {
public:
    std::vector<fwplat::UnitInfo> Scan() override
    {
        std::vector<fwplat::UnitInfo> units;
        for (auto [unit, state] : mUnits) {
            unit.connect = [state]() -> std::unique_ptr<fwplat::UnitLink> {
                return state->connectable ? std::make_unique<Link>(state) : nullptr;
            };
            units.push_back(unit);
        }
        return units;
    }

    std::shared_ptr<UnitState> Add(UInt32 specifierId = 0xA27, UInt32 version = 0x11)
    {
        auto state = std::make_shared<UnitState>();
        mUnits.emplace_back(fwplat::UnitInfo{"fake" + std::to_string(mUnits.size()), specifierId, version, {}, {}},
                            state);
        return state;
    }

    void Clear() { mUnits.clear(); }

private:
    std::vector<std::pair<fwplat::UnitInfo, std::shared_ptr<UnitState>>> mUnits;
};

}  // namespace fakefw
