// SPDX-License-Identifier: MIT
// A simulated unit plugged into the platform layer for the life of a test.
#pragma once

#include <memory>

#include "macapps/KEFirmwareUpdate/DownloadUnit.h"
#include "platform/firewire/SimUnitTransport.h"
#include "sim/KeUnitModel.h"

namespace simbus {

class Bus {
public:
    explicit Bus(kesim::KeUnitConfig config = {})
        : mModel(std::make_shared<kesim::KeUnitModel>(config)),
          mTransport(std::make_shared<fwplat::SimUnitTransport>(mModel))
    {
        fwplat::SetTransports({mTransport});
    }
    ~Bus() { fwplat::SetTransports({}); }

    kesim::KeUnitModel& model() { return *mModel; }
    fwplat::SimUnitTransport& transport() { return *mTransport; }
    void Unplug() { mTransport->Unplug(mModel); }
    void Plug() { mTransport->Plug(mModel); }

    // A unit object for the simulated unit, as discovery makes it.
    static std::unique_ptr<DownloadUnit> MakeUnit()
    {
        auto units =
            fwplat::FindUnits(DownloadUnit::kFirmwareUpdateUnitSpecID, DownloadUnit::kFirmwareUpdateUnitSWVersion);
        if (units.empty()) return nullptr;
        return std::make_unique<DownloadUnit>(units.front());
    }

private:
    std::shared_ptr<kesim::KeUnitModel> mModel;
    std::shared_ptr<fwplat::SimUnitTransport> mTransport;
};

}  // namespace simbus
