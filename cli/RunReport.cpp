// SPDX-License-Identifier: MIT
#include "cli/RunReport.h"

#include <signal.h>

#include "macapps/KEFirmwareUpdate/UpdateHistory.h"
#include "macapps/KEFirmwareUpdate/KeResults.h"

namespace kecli {

const char* ChangeName(Change change)
{
    switch (change) {
    case Change::kUpgrade:
        return "upgrade";
    case Change::kDowngrade:
        return "downgrade";
    case Change::kReinstall:
        return "reinstall";
    }
    return "unknown";
}

std::string SignalName(int signalNumber)
{
    switch (signalNumber) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    case SIGHUP:
        return "SIGHUP";
    default:
        return "signal " + std::to_string(signalNumber);
    }
}

std::string PrintableText(const std::string& text)
{
    std::string printable = text;
    for (char& c : printable) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u >= 0x7F) c = '?';
    }
    return printable;
}

std::string HexStatus(IOReturn status) { return APW::PTA::KeStatusText(status, APW::PTA::StatusForm::kHex); }

std::string StatusText(IOReturn status) { return APW::PTA::KeStatusText(status); }

RunReport::RunReport(std::string command) : mCommand(std::move(command)) {}

void RunReport::SetOutcome(ExitCode code, std::string message, const char* result)
{
    mCode = code;
    mResult = result;
    mMessage = std::move(message);
}

void RunReport::SetFailure(DOWNLOADTYPE image, IOReturn status, FlashStep step)
{
    mFailure = Failure{image, status, step};
}

nlohmann::ordered_json RunReport::ToJson() const
{
    using json = nlohmann::ordered_json;
    json object;
    object["command"] = mCommand.empty() ? json(nullptr) : json(mCommand);
    object["found"] = mUnit.has_value();
    object["serial_number"] = mUnit ? json(mUnit->serialNumber) : json(nullptr);
    object["installed_version"] = mUnit ? json(mUnit->installedVersion) : json(nullptr);
    object["carried_version"] = mUnit ? json(mUnit->carriedVersion) : mCarried.empty() ? json(nullptr) : json(mCarried);
    object["change"] = mUnit ? json(ChangeName(mUnit->change)) : json(nullptr);
    object["result"] = mResult ? mResult : ExitCodeName(mCode);
    object["exit_code"] = static_cast<int>(mCode);
    object["message"] = mMessage.substr(0, mMessage.find_last_not_of('\n') + 1);
    const FlashImage* failed = mFailure ? FlashImageFor(mFailure->image) : nullptr;
    object["failed_image"] = failed ? json(failed->jsonName) : json(nullptr);
    const char* step = mFailure ? FlashStepJsonName(mFailure->step) : nullptr;
    object["failed_step"] = step ? json(step) : json(nullptr);
    object["status_code"] = mFailure ? json(static_cast<int32_t>(mFailure->status)) : json(nullptr);
    object["status_hex"] = mFailure ? json(HexStatus(mFailure->status)) : json(nullptr);
    object["deferred_signal"] = mDeferredSignal != 0 ? json(SignalName(mDeferredSignal)) : json(nullptr);
    object["trace"] = mTrace ? json(*mTrace) : json(nullptr);
    object["history"] = mHistory ? json(*mHistory) : json(nullptr);
    object["unit_left_as_found"] = mLeftAsFound ? json(*mLeftAsFound) : json(nullptr);
    json units = json::array();
    for (const UnitListing& unit : mUnits) {
        const UnitIdentity& id = unit.identity;
        const auto offered = [&](const std::string& value) { return unit.offered ? json(value) : json(nullptr); };
        units.push_back({{"guid", id.guid == "unknown" ? json(nullptr) : json(id.guid)},
                         {"serial_number", offered(id.serialNumber)},
                         {"installed_version", offered(id.installedVersion)},
                         {"change", offered(ChangeName(id.change))},
                         {"result", ExitCodeName(unit.code)},
                         {"message", unit.message.substr(0, unit.message.find_last_not_of('\n') + 1)}});
    }
    object["units"] = units;
    return object;
}

bool RunReport::WriteJson(std::FILE* out) const
{
    const std::string text = kehistory::JsonText(ToJson(), 2) + "\n";
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    return std::fflush(out) == 0 && written;
}

}  // namespace kecli
