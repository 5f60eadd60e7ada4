// SPDX-License-Identifier: MIT
#include "macapps/KEFirmwareUpdate/UnitReading.h"

#include <exception>
#include <memory>
#include <utility>

#include "macapps/KEFirmwareUpdate/DownloadUnit.h"

namespace APW {
namespace PTA {
namespace {

void Unreadable(KeUnitReading& reading, const char* what, IOReturn status)
{
    reading.status = status;
    reading.unreadable = true;
    reading.reason = std::string("the unit did not answer its ") + what + " read: " + KeStatusText(status);
}

}  // namespace

KeUnitReading ReadKeUnit(DownloadUnit& unit, const std::string& where, const std::optional<UInt64>& guid,
                         const KeSleepFunction& sleep, int holdRetries)
{
    KeUnitReading reading;
    reading.where = where;
    reading.identity.guid = guid;
    UInt32 generation = 0;
    IOReturn status = unit.GetBusGeneration(generation);
    if (status == 0) status = unit.OpenWaitingOutAHold(sleep, holdRetries);
    if (status != 0) {
        reading.status = status;
        return reading;
    }

    // The reads in their old order; only then is each one judged.
    KeInfo& info = reading.info;
    unit.GetProductSerNum(info.serialNum);
    const IOReturn versionStatus = unit.GetSoftwareVersion(info.softwareVer);
    info.XilinxVer = FlashImageFor(Xilinx)->VersionIn(info.softwareVer);
    info.MCOREver = FlashImageFor(MCORE)->VersionIn(info.softwareVer);
    const IOReturn productStatus = unit.GetProductRevision(info.productVer);
    const IOReturn serialStatus = unit.GetProductSerNum(info.serialNum);
    unit.Close();

    const bool hasSerial = info.MCOREver > 20;
    const UInt32 product = info.productVer >> 16;
    if (versionStatus != 0) {
        Unreadable(reading, "version", versionStatus);
    } else if (productStatus != 0) {
        Unreadable(reading, "product version", productStatus);
    } else if (hasSerial && serialStatus != 0) {
        Unreadable(reading, "serial number", serialStatus);
    } else if (product == 0 || product == 1) {
        reading.status = 0;
        info.valid = true;
        reading.identity.serialNum = hasSerial ? info.serialNum : std::string();
        reading.identity.productVer = info.productVer;
    }
    return reading;
}

std::vector<KeUnitReading> SurveyKeUnits(const fwplat::Transports& transports, const KeSleepFunction& sleep,
                                         FWLib::DeviceTrace trace, int holdRetries, bool* unconnectable)
{
    std::vector<KeUnitReading> readings;
    for (const fwplat::UnitInfo& found : fwplat::FindUnits(transports, DownloadUnit::kFirmwareUpdateUnitSpecID,
                                                           DownloadUnit::kFirmwareUpdateUnitSWVersion)) {
        std::unique_ptr<DownloadUnit> unit;
        try {
            unit = std::make_unique<DownloadUnit>(found, sleep, trace);
        } catch (const std::exception&) {
            if (unconnectable) *unconnectable = true;
            continue;
        }
        KeUnitReading reading = ReadKeUnit(*unit, found.name, found.guid, sleep, holdRetries);
        if (reading.status != kIOReturnNotFound) readings.push_back(std::move(reading));
    }
    return readings;
}

}  // namespace PTA
}  // namespace APW
