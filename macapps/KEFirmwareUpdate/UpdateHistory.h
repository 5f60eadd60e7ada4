// SPDX-License-Identifier: MIT
// The record of every update attempt, by either program: one JSON object a
// line in $XDG_STATE_HOME/kefirmwareupdate/history.jsonl, oldest first.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "macapps/KEFirmwareUpdate/kefirmwareupdate.h"

namespace kehistory {

// One attempt: what was known of the unit when the job started, and how it ended.
struct Attempt {
    std::chrono::system_clock::time_point start;
    std::chrono::system_clock::time_point end;
    std::string program;
    std::optional<std::string> guid;
    std::optional<std::string> serialNumber;
    std::optional<std::string> installedVersion;  // "M-X" before the update
    std::string carriedVersion;
    APW::PTA::UpdateResult result;
};

// The object written for an attempt: start, end, program, guid,
// serial_number, installed_version, carried_version, result, failed_image,
// failed_step, status_code (null where it does not apply).
nlohmann::ordered_json ToJson(const Attempt& attempt);
// "succeeded", "update-failed", "no-unit", "unit-changed", "unit-unreadable",
// "no-access", "cancelled", "not-started"; "unknown" for
// an outcome this table does not know yet.
const char* ResultName(APW::PTA::UpdateOutcome outcome);

// <state folder>/history.jsonl; nullopt without a usable home.
std::optional<std::string> DefaultPath();

// Appends the record as one line in one write, flushed to the disk; the file
// is opened as the log is (this user's regular file only). False when it
// could not be written.
bool Append(const std::string& path, const nlohmann::ordered_json& record);

// The records, oldest first. A line that is not a JSON object is skipped and
// `warn` is told "line N is damaged". A missing file has no records.
std::vector<nlohmann::ordered_json> Read(const std::string& path, const std::function<void(const std::string&)>& warn);

// The job's own entry point: records an attempt of this program that started
// at `start` and ended now, with what `info` knew of the unit and the GUID of
// its node, when known.
void RecordAttempt(std::chrono::system_clock::time_point start, const APW::PTA::KeInfo& info,
                   const std::optional<UInt64>& guid, const APW::PTA::UpdateResult& result);

}  // namespace kehistory
