// A simulated unit plugged into the platform layer for the life of a test.
#pragma once

#include <memory>

#include "macapps/KEFirmwareUpdate/DownloadUnit.h"
#include "platform/firewire/IOKitLib.h"
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

    // A unit object for the simulated unit, as discovery makes it.
    std::unique_ptr<DownloadUnit> MakeUnit()
    {
        mach_port_t port = 0;
        IOMasterPort(MACH_PORT_NULL, &port);
        io_service_t service = IOServiceGetMatchingService(port, IOServiceMatching("IOFireWireUnit"));
        if (service == 0) return nullptr;
        auto unit = std::make_unique<DownloadUnit>(service);
        IOObjectRelease(service);
        return unit;
    }

private:
    std::shared_ptr<kesim::KeUnitModel> mModel;
    std::shared_ptr<fwplat::SimUnitTransport> mTransport;
};

}  // namespace simbus
