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

#include "macapps/KEFirmwareUpdate/KeResults.h"

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
// failed_step, status_code, unit_left_as_found (null where it does not apply);
// its result is the outcome's history name (see kOutcomeRows).
nlohmann::ordered_json ToJson(const Attempt& attempt);
// JSON text as both programs write it. Text from the unit (its serial number)
// need not be UTF-8: a byte that is not becomes U+FFFD instead of an error.
std::string JsonText(const nlohmann::ordered_json& value, int indent = -1);

// <state folder>/history.jsonl; nullopt without a usable home.
std::optional<std::string> DefaultPath();

// Appends the record as one line in one write, flushed to the disk; the file
// is opened as the log is (this user's regular file only). False when it
// could not be written, with the reason in `why`.
bool Append(const std::string& path, const nlohmann::ordered_json& record, std::string* why = nullptr);

// The records, by their start (one whose start names no time first), each
// with the keys ToJson() writes and no other.
// `warn` is told of what is left out: "line N is damaged, skipped" for a line
// that is not a JSON object, "line N: KEY is not text, dropped" (the value
// becomes null) for a value of the wrong type, "not read: <reason>" for a
// file that is not this user's regular file (which is never waited on). A
// missing file has no records.
std::vector<nlohmann::ordered_json> Read(const std::string& path, const std::function<void(const std::string&)>& warn);

// The job's own entry point: records an attempt of this program that started
// at `start` and ended now, with what `info` knew of the unit and the GUID of
// its node, when known. Why it could not be recorded, or nullopt.
std::optional<std::string> RecordAttempt(std::chrono::system_clock::time_point start, const APW::PTA::KeInfo& info,
                                         const std::optional<UInt64>& guid, const APW::PTA::UpdateResult& result);

}  // namespace kehistory
