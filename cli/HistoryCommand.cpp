// SPDX-License-Identifier: MIT
#include "cli/HistoryCommand.h"

#include <QCoreApplication>
#include <nlohmann/json.hpp>

#include "macapps/KEFirmwareUpdate/UpdateHistory.h"
#include "cli/RunReport.h"
#include "platform/ui/Translations.h"

namespace kecli {
namespace {

using nlohmann::ordered_json;

// A field as text; `missing` when the record has none (null, or an older or edited file).
std::string Text(const ordered_json& record, const char* key, const char* missing = "?")
{
    const auto found = record.find(key);
    return found != record.end() && found->is_string() ? found->get<std::string>() : missing;
}

// An edited file, or a unit's serial number, may hold anything: the
// terminal gets each field as `status` shows a serial number.
std::string Printable(const ordered_json& record, const char* key, const char* missing = "?")
{
    return PrintableText(Text(record, key, missing));
}

std::string Line(const ordered_json& record)
{
    // The record's own words (its program, its result, the image's name) stay as the file has them.
    std::string line = keui::Fill(
        QCoreApplication::translate("kecli::History", "%1  %2  serial %3  %4 -> %5  %6"),
        {Printable(record, "start"), Printable(record, "program"), Printable(record, "serial_number", "Not Available"),
         Printable(record, "installed_version"), Printable(record, "carried_version"), Printable(record, "result")});
    const auto status = record.find("status_code");
    if (record.contains("failed_image") && record["failed_image"].is_string()) {
        line += keui::Fill(QCoreApplication::translate("kecli::History", ": %1 image"),
                           {Printable(record, "failed_image")});
    }
    if (status != record.end() && status->is_number_integer()) {
        line += " (" + PrintableText(StatusText(status->get<IOReturn>())) + ")";
    }
    return line + "\n";
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
        text = QCoreApplication::translate("kecli::History", "No update has been recorded.").toStdString() + "\n";
    } else {
        for (const ordered_json& record : records) text += Line(record);
    }
    std::fwrite(text.data(), 1, text.size(), out);
    return kExitSuccess;
}

}  // namespace kecli
