// SPDX-License-Identifier: MIT
// A simulated unit on a bus of its own, for the objects a test gives it to.
#pragma once

#include <memory>

#include "macapps/KEFirmwareUpdate/DownloadUnit.h"
#include "macapps/KEFirmwareUpdate/kefirmwareupdate.h"
#include "sim/KeUnitModel.h"
#include "tests/support/SimUnitTransport.h"

namespace simbus {

// A unit object for the first unit found on `transports`, as discovery makes
// it; null when there is none.
inline std::unique_ptr<DownloadUnit> MakeUnitOn(const fwplat::Transports& transports,
                                                KeSleepFunction sleep = KeRealSleepMicroseconds)
{
    auto units = fwplat::FindUnits(transports, DownloadUnit::kFirmwareUpdateUnitSpecID,
                                   DownloadUnit::kFirmwareUpdateUnitSWVersion);
    if (units.empty()) return nullptr;
    return std::make_unique<DownloadUnit>(units.front(), std::move(sleep));
}

// A virtual clock: pauses take no time.
inline void NoPause(UInt32) {}

class Bus {
public:
    explicit Bus(kesim::KeUnitConfig config = {})
        : mModel(std::make_shared<kesim::KeUnitModel>(config)),
          mTransport(std::make_shared<fwplat::SimUnitTransport>(mModel))
    {
    }

    kesim::KeUnitModel& model() { return *mModel; }
    fwplat::SimUnitTransport& transport() { return *mTransport; }
    void Unplug() { mTransport->Unplug(mModel); }
    void Plug() { mTransport->Plug(mModel); }

    fwplat::Transports transports() const { return {mTransport}; }
    // What a controller on this bus is given: by default a virtual clock.
    APW::PTA::UpdateSeams Seams(KeSleepFunction sleep = NoPause) const { return {transports(), std::move(sleep)}; }

private:
    std::shared_ptr<kesim::KeUnitModel> mModel;
    std::shared_ptr<fwplat::SimUnitTransport> mTransport;
};

}  // namespace simbus
