// SPDX-License-Identifier: MIT
#include "tests/support/SimUnitTransport.h"

#include <linux/firewire-constants.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <utility>

namespace fwplat {
namespace {

using Clock = std::chrono::steady_clock;
// How often the unit's generation is asked for while a bus reset settles.
constexpr auto kGenerationPollInterval = std::chrono::milliseconds(10);

class SimUnitLink : public UnitLink {
public:
    SimUnitLink(std::shared_ptr<kesim::UnitPort> port, std::shared_ptr<const std::atomic<bool>> plugged)
        : mPort(std::move(port)), mPlugged(std::move(plugged))
    {
    }

    ~SimUnitLink() override { Close(); }

    IOReturn Open() override
    {
        std::lock_guard lock(mMutex);
        if (!Present()) return kIOReturnNoDevice;
        if (!mOpen && !mPort->Acquire()) return kIOReturnExclusiveAccess;
        mOpen = true;
        return kIOReturnSuccess;
    }

    void Close() override
    {
        std::lock_guard lock(mMutex);
        if (std::exchange(mOpen, false)) mPort->Relinquish();
    }

    IOReturn GetBusGeneration(UInt32& generation) override
    {
        if (!Present()) return kIOReturnNoDevice;
        generation = mPort->Generation();
        return kIOReturnSuccess;
    }

    IOReturn Transact(int tcode, UInt64 offset, void* data, UInt32& length, bool failOnReset,
                      UInt32 generation) override
    {
        if (std::lock_guard lock(mMutex); !mOpen) return kIOReturnNotOpen;
        const bool read = tcode == TCODE_READ_QUADLET_REQUEST || tcode == TCODE_READ_BLOCK_REQUEST;
        const bool write = tcode == TCODE_WRITE_QUADLET_REQUEST || tcode == TCODE_WRITE_BLOCK_REQUEST;
        if ((!read && !write) || (data == nullptr && length > 0)) return kIOReturnBadArgument;
        // A unit pulled out of the transport is off the bus; one that left
        // by itself answers (with RCODE_NO_ACK) and logs it.
        if (mPlugged && !mPlugged->load()) {
            if (read) length = 0;
            return IOReturnFromRcode(RCODE_NO_ACK);
        }

        kesim::BusRequest request{tcode, offset, length, failOnReset ? generation : mPort->Generation(),
                                  write ? static_cast<const std::uint8_t*>(data) : nullptr};
        kesim::BusResponse response = mPort->Transact(request);
        // Overtaken by a bus reset: once the unit shows its new generation,
        // again in that one, as a caller that ignores resets expects.
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kResponseTimeoutMs);
        while (!failOnReset && response.rcode == RCODE_GENERATION &&
               AwaitGenerationAfter(request.generation, deadline)) {
            request.generation = mPort->Generation();
            response = mPort->Transact(request);
        }

        if (read) {
            const std::size_t count =
                response.rcode == RCODE_COMPLETE ? std::min<std::size_t>(response.data.size(), length) : 0;
            if (count > 0) std::memcpy(data, response.data.data(), count);
            length = static_cast<UInt32>(count);
        }
        return IOReturnFromRcode(response.rcode);
    }

private:
    bool AwaitGenerationAfter(UInt32 stale, Clock::time_point deadline) const
    {
        while (mPort->Generation() == stale) {
            if (Clock::now() >= deadline) return false;
            std::this_thread::sleep_for(kGenerationPollInterval);
        }
        return true;
    }

    bool Present() const { return (!mPlugged || mPlugged->load()) && mPort->Attached(); }

    std::shared_ptr<kesim::UnitPort> mPort;
    std::shared_ptr<const std::atomic<bool>> mPlugged;
    std::mutex mMutex;
    bool mOpen = false;
};

}  // namespace

SimUnitTransport::SimUnitTransport(std::shared_ptr<kesim::UnitPort> port) { Plug(std::move(port)); }

void SimUnitTransport::Plug(std::shared_ptr<kesim::UnitPort> port)
{
    if (!port) return;
    std::lock_guard lock(mMutex);
    if (std::any_of(mPorts.begin(), mPorts.end(), [&](const Entry& e) { return e.port == port; })) return;
    mPorts.push_back(Entry{std::move(port), std::make_shared<std::atomic<bool>>(true), mNextNumber++});
}

void SimUnitTransport::Unplug(const std::shared_ptr<kesim::UnitPort>& port)
{
    std::lock_guard lock(mMutex);
    auto it = std::find_if(mPorts.begin(), mPorts.end(), [&](const Entry& e) { return e.port == port; });
    if (it == mPorts.end()) return;
    it->plugged->store(false);
    mPorts.erase(it);
}

std::vector<UnitInfo> SimUnitTransport::Scan()
{
    std::unique_lock lock(mMutex);
    const std::vector<Entry> ports = mPorts;
    lock.unlock();
    std::vector<UnitInfo> units;
    for (const Entry& entry : ports) {
        if (!entry.port->Attached()) continue;
        units.push_back({"sim:" + std::to_string(entry.number), entry.port->SpecifierId(), entry.port->SwVersion(),
                         entry.port->Guid(),
                         [port = entry.port, plugged = entry.plugged]() -> std::unique_ptr<UnitLink> {
                             if (!plugged->load() || !port->Attached()) return nullptr;
                             return Connect(port, plugged);
                         }});
    }
    return units;
}

std::unique_ptr<UnitLink> SimUnitTransport::Connect(std::shared_ptr<kesim::UnitPort> port,
                                                    std::shared_ptr<const std::atomic<bool>> plugged)
{
    if (!port) return nullptr;
    return std::make_unique<SimUnitLink>(std::move(port), std::move(plugged));
}

}  // namespace fwplat
