// SPDX-License-Identifier: MIT
#include "macapps/KEFirmwareUpdate/UpdateHistory.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "macapps/KEFirmwareUpdate/FlashImage.h"
#include "platform/log/RotatingLog.h"

namespace kehistory {

using APW::PTA::UpdateOutcome;
using nlohmann::ordered_json;

namespace {

ordered_json OrNull(const std::optional<std::string>& text) { return text ? ordered_json(*text) : ordered_json(); }

bool EndsInsideALine(const std::string& path)
{
    const kelog::UniqueFd in(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    char last = '\n';
    if (!in.Valid() || ::fstat(in.Get(), &info) != 0 || info.st_size == 0) return false;
    return ::pread(in.Get(), &last, 1, info.st_size - 1) == 1 && last != '\n';
}

// The instant a record's start names, in milliseconds since the epoch (its
// zone offset applied); nullopt when it names none.
std::optional<long long> StartInstant(const ordered_json& record)
{
    const auto start = record.find("start");
    if (start == record.end() || !start->is_string()) return std::nullopt;
    const std::string& text = start->get_ref<const std::string&>();
    std::tm time{};
    int millis = 0;
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d.%3d%n", &time.tm_year, &time.tm_mon, &time.tm_mday,
                    &time.tm_hour, &time.tm_min, &time.tm_sec, &millis, &consumed) != 7)
        return std::nullopt;
    long long offset = 0;
    if (const char* zone = text.c_str() + consumed; *zone != '\0') {
        char sign = 0;
        int hours = 0;
        int minutes = 0;
        if (std::sscanf(zone, "%c%2d:%2d", &sign, &hours, &minutes) != 3 || (sign != '+' && sign != '-'))
            return std::nullopt;
        offset = (sign == '-' ? -60LL : 60LL) * (hours * 60 + minutes);
    }
    time.tm_year -= 1900;
    time.tm_mon -= 1;
    return (static_cast<long long>(::timegm(&time)) - offset) * 1000 + millis;
}

}  // namespace

ordered_json ToJson(const Attempt& attempt)
{
    const APW::PTA::UpdateResult& result = attempt.result;
    const FlashImage* failed = result.outcome == UpdateOutcome::kDownloadFailed ? FlashImageFor(result.image) : nullptr;
    ordered_json record;
    record["start"] = kelog::FormatTimestamp(attempt.start);
    record["end"] = kelog::FormatTimestamp(attempt.end);
    record["program"] = attempt.program;
    record["guid"] = OrNull(attempt.guid);
    record["serial_number"] = OrNull(attempt.serialNumber);
    record["installed_version"] = OrNull(attempt.installedVersion);
    record["carried_version"] = attempt.carriedVersion;
    record["result"] = APW::PTA::OutcomeRowOf(result).historyName;
    record["failed_image"] = failed ? ordered_json(failed->jsonName) : ordered_json();
    const char* step = failed ? FlashStepJsonName(result.step) : nullptr;
    record["failed_step"] = step ? ordered_json(step) : ordered_json();
    record["status_code"] = result.outcome == UpdateOutcome::kSucceeded ? ordered_json() : ordered_json(result.status);
    const std::optional<bool> left = result.LeftAsFound();
    record["unit_left_as_found"] = left ? ordered_json(*left) : ordered_json();
    return record;
}

std::optional<std::string> DefaultPath()
{
    const std::optional<std::string> directory = kelog::DefaultLogDirectory(kelog::ProcessEnvironment());
    if (!directory) return std::nullopt;
    return (std::filesystem::path(*directory) / "history.jsonl").string();
}

std::string JsonText(const ordered_json& value, int indent)
{
    return value.dump(indent, ' ', false, ordered_json::error_handler_t::replace);
}

bool Append(const std::string& path, const ordered_json& record, std::string* why)
{
    std::string ignored;
    std::string& reason = why ? *why : ignored;
    if (!kelog::MakePrivateDirectories(std::filesystem::path(path).parent_path().string())) {
        reason = "its folder could not be made";
        return false;
    }
    const kelog::UniqueFd fd = kelog::OpenPrivateAppend(path, &reason);
    if (!fd.Valid()) return false;
    std::string line = JsonText(record) + "\n";
    // A record cut short by a crash must not swallow this one: start a new line.
    if (EndsInsideALine(path)) line.insert(0, "\n");
    if (kelog::WriteAll(fd.Get(), line.data(), line.size()) && ::fdatasync(fd.Get()) == 0) return true;
    reason = std::strerror(errno);
    return false;
}

std::vector<ordered_json> Read(const std::string& path, const std::function<void(const std::string&)>& warn)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 && errno == ENOENT) return {};
    std::string refused;
    const kelog::UniqueFd fd = kelog::OpenPrivate(path, O_RDONLY, &refused);
    if (!fd.Valid()) {
        warn("not read: " + refused);
        return {};
    }
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = ::read(fd.Get(), buffer, sizeof buffer)) != 0;) {
        if (got > 0) {
            text.append(buffer, static_cast<std::size_t>(got));
        } else if (errno != EINTR) {
            warn(std::string("not read to its end: ") + std::strerror(errno));
            break;
        }
    }
    std::vector<ordered_json> records;
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const ordered_json found = ordered_json::parse(line, nullptr, false);
        if (!found.is_object()) {
            warn("line " + std::to_string(number) + " is damaged, skipped");
            continue;
        }
        // As an edited file may have it: only the record's keys, each of its type.
        ordered_json record = ToJson(Attempt{});
        for (auto& [key, value] : record.items()) {
            const auto field = found.find(key);
            const bool integer = key == "status_code";
            const bool boolean = key == "unit_left_as_found";
            if (field == found.end() || field->is_null()) {
                value = nullptr;
            } else if (integer ? field->is_number_integer() : boolean ? field->is_boolean() : field->is_string()) {
                value = *field;
            } else {
                value = nullptr;
                const char* expected = integer   ? " is not a number"
                                       : boolean ? " is not true or false"
                                                 : " is not text";
                warn("line " + std::to_string(number) + ": " + key + expected + ", dropped");
            }
        }
        records.push_back(std::move(record));
    }
    // Appended as the attempts ended, listed as they started; a start that
    // names no time comes first.
    std::vector<std::pair<std::optional<long long>, ordered_json>> byStart;
    for (ordered_json& record : records) byStart.emplace_back(StartInstant(record), std::move(record));
    std::stable_sort(byStart.begin(), byStart.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    records.clear();
    for (auto& entry : byStart) records.push_back(std::move(entry.second));
    return records;
}

std::optional<std::string> RecordAttempt(std::chrono::system_clock::time_point start, const APW::PTA::KeInfo& info,
                                         const std::optional<UInt64>& guid, const APW::PTA::UpdateResult& result)
{
    Attempt attempt;
    if (guid) attempt.guid = APW::PTA::GuidText(guid);
    attempt.start = start;
    attempt.end = std::chrono::system_clock::now();
    attempt.program = program_invocation_short_name;
    if (info.valid) {
        // As the programs show it: units before M·CORE 21 keep no serial number.
        if (info.MCOREver > 20) attempt.serialNumber = APW::PTA::SerialNumberText(info);
        attempt.installedVersion = FlashVersionText(info.softwareVer);
    }
    attempt.carriedVersion = CarriedVersionText();
    attempt.result = result;
    const std::optional<std::string> path = DefaultPath();
    std::string why = "there is no folder for it";
    if (path && Append(*path, ToJson(attempt), &why)) return std::nullopt;
    std::cerr << "The update could not be recorded in the history: " << why << "\n";
    return why;
}

}  // namespace kehistory
