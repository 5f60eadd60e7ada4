// SPDX-License-Identifier: MIT
// The one path from the bus to a unit offered: each Ke unit found is opened,
// its identity read, and it is closed again. The window's survey, the
// command line's and the controller's discovery all read units this way.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "macapps/KEFirmwareUpdate/FWLib_Device.h"
#include "macapps/KEFirmwareUpdate/KeResults.h"
#include "platform/firewire/FWTransport.h"
#include "platform/threads/Sleep.h"

class DownloadUnit;

namespace APW {
namespace PTA {

// Opens `unit` (found at `where`, on the node `guid`), reads its identity and
// closes it again. A unit another program holds is asked again holdRetries
// times, through `sleep`.
KeUnitReading ReadKeUnit(DownloadUnit& unit, const std::string& where, const std::optional<UInt64>& guid,
                         const KeSleepFunction& sleep, int holdRetries);

// Every unit found on `transports`, each read as ReadKeUnit reads one, in
// discovery order; units of another kind are left out. A unit that cannot
// be connected to (gone since the scan) is left out too, and sets
// `unconnectable` when given. Touches nothing but the transports, so any
// thread may run it.
std::vector<KeUnitReading> SurveyKeUnits(const fwplat::Transports& transports, const KeSleepFunction& sleep,
                                         FWLib::DeviceTrace trace, int holdRetries, bool* unconnectable = nullptr);

// As the window looks at the bus twice a second: no trace lines, and a unit
// held by another program is told at once.
inline std::vector<KeUnitReading> SurveyKeUnitsQuietly(const fwplat::Transports& transports,
                                                       const KeSleepFunction& sleep)
{
    return SurveyKeUnits(transports, sleep, FWLib::DeviceTrace::kQuiet, 0);
}

}  // namespace PTA
}  // namespace APW
