// SPDX-License-Identifier: MIT
// Units simulated in this process, reached through their UnitPort.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/firewire/FWTransport.h"
#include "sim/UnitPort.h"

namespace fwplat {

class SimUnitTransport : public Transport {
public:
    explicit SimUnitTransport(std::shared_ptr<kesim::UnitPort> port);

    // Plugging in and out while others scan is allowed. Each plugged port is
    // named "sim:N", N counting plugs from 0. Plugging a port twice does
    // nothing; an unplugged port looks gone to the links made from it.
    void Plug(std::shared_ptr<kesim::UnitPort> port);
    void Unplug(const std::shared_ptr<kesim::UnitPort>& port);

    // Lists attached units only.
    std::vector<UnitInfo> Scan() override;

    // A link to one port, as UnitInfo::connect gives it. `plugged` may be
    // null (always plugged).
    static std::unique_ptr<UnitLink> Connect(std::shared_ptr<kesim::UnitPort> port,
                                             std::shared_ptr<const std::atomic<bool>> plugged = nullptr);

private:
    struct Entry {
        std::shared_ptr<kesim::UnitPort> port;
        std::shared_ptr<std::atomic<bool>> plugged;
        std::size_t number = 0;
    };

    std::mutex mMutex;
    std::vector<Entry> mPorts;
    std::size_t mNextNumber = 0;
};

}  // namespace fwplat
