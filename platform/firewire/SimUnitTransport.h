// Units simulated in this process, reached through their UnitPort.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "platform/firewire/FWTransport.h"
#include "sim/UnitPort.h"

namespace fwplat {

class SimUnitTransport : public Transport {
public:
    SimUnitTransport() = default;
    explicit SimUnitTransport(std::shared_ptr<kesim::UnitPort> port);

    // Plugging in and out while others scan is allowed.
    void Plug(std::shared_ptr<kesim::UnitPort> port);
    void Unplug(const std::shared_ptr<kesim::UnitPort>& port);

    // Lists attached units only.
    std::vector<UnitInfo> Scan() override;

private:
    std::mutex mMutex;
    std::vector<std::shared_ptr<kesim::UnitPort>> mPorts;
};

}  // namespace fwplat
