// SPDX-License-Identifier: MIT
#include "cli/HistoryCommand.h"

#include <nlohmann/json.hpp>

#include "macapps/KEFirmwareUpdate/UpdateHistory.h"
#include "cli/RunReport.h"

namespace kecli {
namespace {

using nlohmann::ordered_json;

// A field as text; `missing` when the record has none (null, or an older or edited file).
std::string Text(const ordered_json& record, const char* key, const char* missing = "?")
{
    const auto found = record.find(key);
    return found != record.end() && found->is_string() ? found->get<std::string>() : missing;
}

std::string Line(const ordered_json& record)
{
    std::string line = Text(record, "start") + "  " + Text(record, "program") + "  serial " +
                       Text(record, "serial_number", "Not Available") + "  " + Text(record, "installed_version") +
                       " -> " + Text(record, "carried_version") + "  " + Text(record, "result");
    const auto status = record.find("status_code");
    if (record.contains("failed_image") && record["failed_image"].is_string()) {
        line += ": " + Text(record, "failed_image") + " image";
    }
    if (status != record.end() && status->is_number_integer()) {
        line += " (" + StatusText(status->get<IOReturn>()) + ")";
    }
    // An edited file, or a unit's serial number, may hold anything: the
    // terminal gets it as `status` shows a serial number.
    return PrintableText(line) + "\n";
}

}  // namespace

ExitCode ShowHistory(const std::optional<std::string>& path, bool json, std::FILE* out, std::FILE* err)
{
    std::vector<ordered_json> records;
    bool warned = false;
    if (path) {
        records = kehistory::Read(*path, [&](const std::string& warning) {
            warned = true;
            std::fprintf(err, "kefirmwareupdate-cli: %s: %s\n", path->c_str(), warning.c_str());
        });
    }
    std::string text;
    if (json) {
        text = kehistory::JsonText(ordered_json(records), 2) + "\n";
    } else if (records.empty() && !warned) {
        text = "No update has been recorded.\n";
    } else {
        for (const ordered_json& record : records) text += Line(record);
    }
    std::fwrite(text.data(), 1, text.size(), out);
    return kExitSuccess;
}

}  // namespace kecli
