// SPDX-License-Identifier: MIT
#include "sim/TraceReplay.h"

#include <linux/firewire-constants.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <nlohmann/json.hpp>

namespace kesim {
namespace {

using json = nlohmann::json;

// The host's statuses for a request nobody answered.
constexpr std::uint32_t kStatusTimeout = 0xE00002D6;
constexpr std::uint32_t kStatusNoDevice = 0xE00002C0;
constexpr std::size_t kMaxLine = 16384;

struct Operation {
    const char* name;
    int tcode;
};

constexpr Operation kOperations[] = {{"read-quadlet", TCODE_READ_QUADLET_REQUEST},
                                     {"write-quadlet", TCODE_WRITE_QUADLET_REQUEST},
                                     {"read-block", TCODE_READ_BLOCK_REQUEST},
                                     {"write-block", TCODE_WRITE_BLOCK_REQUEST}};

const char* OperationName(int tcode)
{
    for (const Operation& op : kOperations) {
        if (op.tcode == tcode) return op.name;
    }
    return "another operation";
}

bool IsWrite(int tcode) { return tcode == TCODE_WRITE_QUADLET_REQUEST || tcode == TCODE_WRITE_BLOCK_REQUEST; }

// Lower-case hex digits and nothing else, as the trace is written.
template <typename T>
bool LowerHex(std::string_view digits, T& number)
{
    if (digits.empty() || digits.find_first_not_of("0123456789abcdef") != std::string_view::npos) return false;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, number, 16);
    return error == std::errc() && stop == end;
}

bool HexNumber(const json& value, std::uint64_t max, std::uint64_t& number)
{
    if (!value.is_string()) return false;
    const std::string text = value.get<std::string>();
    if (text.size() < 3 || text.size() > 18 || text.compare(0, 2, "0x") != 0) return false;
    return LowerHex(std::string_view(text).substr(2), number) && number <= max;
}

bool HexBytes(const json& value, std::vector<std::uint8_t>& bytes)
{
    if (!value.is_string()) return false;
    const std::string text = value.get<std::string>();
    if (text.size() % 2 != 0) return false;
    bytes.clear();
    for (std::size_t i = 0; i < text.size(); i += 2) {
        std::uint8_t byte = 0;
        if (!LowerHex(std::string_view(text).substr(i, 2), byte)) return false;
        bytes.push_back(byte);
    }
    return true;
}

bool Generation(const json& object, std::optional<std::uint32_t>& generation)
{
    const auto it = object.find("generation");
    if (it == object.end() || it->is_null()) return true;
    if (!it->is_number_unsigned() || it->get<std::uint64_t>() > 0xFFFFFFFFu) return false;
    generation = it->get<std::uint32_t>();
    return true;
}

// One transaction line; false when a field is missing or malformed.
bool ReadTransaction(const json& object, TraceEntry& entry)
{
    const auto op = object.find("op");
    if (op == object.end() || !op->is_string()) return false;
    bool known = false;
    for (const Operation& candidate : kOperations) {
        if (*op == candidate.name) {
            entry.tcode = candidate.tcode;
            known = true;
        }
    }
    std::uint64_t status = 0;
    const json length = object.value("length", json());
    const json rcode = object.value("rcode", json());
    if (!known || !HexNumber(object.value("address", json()), 0xFFFFFFFFFFFF, entry.offset) ||
        !length.is_number_unsigned() || length.get<std::uint64_t>() > 4096 ||
        !HexBytes(object.value("sent", json()), entry.sent) ||
        !HexBytes(object.value("received", json()), entry.received) ||
        !HexNumber(object.value("status", json()), 0xFFFFFFFF, status) ||
        !(rcode.is_null() || rcode.is_number_unsigned()) || !Generation(object, entry.generation))
        return false;
    entry.length = length.get<std::uint32_t>();
    entry.status = static_cast<std::uint32_t>(status);
    if (rcode.is_number_unsigned()) {
        if (rcode.get<std::uint64_t>() > 0xFF) return false;
        entry.rcode = rcode.get<int>();
    }
    // What was sent is a write's payload; what came back, a read's.
    return IsWrite(entry.tcode) ? entry.sent.size() == entry.length && entry.received.empty()
                                : entry.sent.empty() && entry.received.size() <= entry.length;
}

}  // namespace

std::size_t Trace::Requests() const
{
    std::size_t count = 0;
    for (const TraceEntry& entry : entries) count += entry.busReset ? 0 : 1;
    return count;
}

bool LoadTrace(const std::string& path, Trace& trace, std::string& error)
{
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(path, ignored)) {
        error = path + ": not a readable regular file";
        return false;
    }
    std::ifstream in(path);
    if (!in) {
        error = path + ": cannot be read";
        return false;
    }
    Trace read;
    std::string text;
    bool headed = false;
    for (std::size_t line = 1; std::getline(in, text); ++line) {
        auto fail = [&](const std::string& why) {
            error = path + ":" + std::to_string(line) + ": " + why;
            return false;
        };
        if (text.empty()) continue;
        if (text.size() > kMaxLine) return fail("line too long for a trace");
        const json object = json::parse(text, nullptr, false);
        if (!object.is_object()) return fail("not a JSON object");
        if (!headed) {
            if (object.value("trace", json()) != "kefirmwareupdate" || object.value("format", json()) != 1)
                return fail("not a kefirmwareupdate trace (format 1)");
            read.program = object.value("program", json("")).is_string() ? object.value("program", "") : "";
            read.version = object.value("version", json("")).is_string() ? object.value("version", "") : "";
            read.firmware = object.value("firmware", json("")).is_string() ? object.value("firmware", "") : "";
            headed = true;
            continue;
        }
        TraceEntry entry;
        entry.line = line;
        if (object.value("event", json()) == "bus-reset") {
            entry.busReset = true;
            if (!Generation(object, entry.generation) || !entry.generation)
                return fail("a bus reset without its generation");
        } else if (!ReadTransaction(object, entry)) {
            return fail("not a transaction (op, address, length, sent, status, rcode, received, generation)");
        }
        read.entries.push_back(std::move(entry));
    }
    if (in.bad() || !headed) {
        error = path + ": " + (headed ? "cannot be read" : "empty, not a trace");
        return false;
    }
    trace = std::move(read);
    return true;
}

ReplayPort::ReplayPort(Trace trace, std::uint64_t guid, std::function<void(const std::string&)> report)
    : mTrace(std::move(trace)), mGuid(guid), mReport(std::move(report))
{
    for (const TraceEntry& entry : mTrace.entries) {
        if (entry.generation) {
            mGeneration = *entry.generation;
            break;
        }
    }
}

std::uint32_t ReplayPort::SpecifierId() const { return 0x000A27; }

std::uint32_t ReplayPort::SwVersion() const { return 0x000011; }

std::uint64_t ReplayPort::Guid() const { return mGuid; }

bool ReplayPort::Attached() const
{
    std::lock_guard lock(mMutex);
    return mAttached;
}

std::uint32_t ReplayPort::Generation() const
{
    std::lock_guard lock(mMutex);
    return mGeneration;
}

bool ReplayPort::Acquire()
{
    std::lock_guard lock(mMutex);
    if (!mAttached || mOwned) return false;
    mOwned = true;
    return true;
}

void ReplayPort::Relinquish()
{
    std::lock_guard lock(mMutex);
    mOwned = false;
}

BusResponse ReplayPort::Transact(const BusRequest& request)
{
    std::lock_guard lock(mMutex);
    if (!mAttached) return {RCODE_NO_ACK, {}};
    if (mDeparted) return {RCODE_ADDRESS_ERROR, {}};
    while (mNext < mTrace.entries.size() && mTrace.entries[mNext].busReset)
        mGeneration = *mTrace.entries[mNext++].generation;

    const std::size_t number = mRequests + 1;
    if (mNext == mTrace.entries.size()) {
        mDeparted = true;
        char line[200];
        std::snprintf(line, sizeof line,
                      "request %zu (%s at 0x%012llx) comes after the end of the trace (%zu requests)", number,
                      OperationName(request.tcode), static_cast<unsigned long long>(request.offset), mTrace.Requests());
        mReport(line);
        return {RCODE_ADDRESS_ERROR, {}};
    }
    const TraceEntry& next = mTrace.entries[mNext];
    const std::optional<std::string> difference = Difference(request, next);
    if (!difference) return Answer(next);
    // The host sends a request overtaken by a bus reset again until the new
    // generation takes it; the recorded run never got past it either.
    if (mLastAnswered && mLastAnswered->rcode == RCODE_GENERATION && !Difference(request, *mLastAnswered))
        return {RCODE_GENERATION, {}};
    mDeparted = true;
    mReport("request " + std::to_string(number) + " differs from the trace (line " + std::to_string(next.line) +
            "): " + *difference);
    return {RCODE_ADDRESS_ERROR, {}};
}

std::optional<std::string> ReplayPort::Difference(const BusRequest& request, const TraceEntry& entry) const
{
    char text[200];
    if (request.tcode != entry.tcode) {
        std::snprintf(text, sizeof text, "the operation is %s, the trace has %s", OperationName(request.tcode),
                      OperationName(entry.tcode));
        return text;
    }
    if (request.offset != entry.offset) {
        std::snprintf(text, sizeof text, "the address is 0x%012llx, the trace has 0x%012llx",
                      static_cast<unsigned long long>(request.offset), static_cast<unsigned long long>(entry.offset));
        return text;
    }
    if (request.length != entry.length) {
        std::snprintf(text, sizeof text, "the length is %u, the trace has %u", request.length, entry.length);
        return text;
    }
    if (!IsWrite(request.tcode) || request.data == nullptr) return std::nullopt;
    for (std::size_t i = 0; i < entry.sent.size(); ++i) {
        if (request.data[i] != entry.sent[i]) {
            std::snprintf(text, sizeof text, "byte %zu sent is 0x%02x, the trace has 0x%02x", i, request.data[i],
                          entry.sent[i]);
            return text;
        }
    }
    return std::nullopt;
}

BusResponse ReplayPort::Answer(const TraceEntry& entry)
{
    ++mNext;
    ++mRequests;
    mLastAnswered = &entry;
    if (entry.generation) mGeneration = *entry.generation;
    BusResponse response;
    if (entry.rcode) {
        response.rcode = *entry.rcode;
    } else if (entry.status == kStatusNoDevice) {
        mAttached = false;  // the unit left the bus then
        response.rcode = RCODE_NO_ACK;
    } else {
        response.rcode = entry.status == kStatusTimeout ? RCODE_CANCELLED : RCODE_SEND_ERROR;
    }
    if (response.rcode == RCODE_COMPLETE && !IsWrite(entry.tcode)) response.data = entry.received;
    if (mRequests == mTrace.Requests()) mReport("all " + std::to_string(mRequests) + " requests of the trace answered");
    return response;
}

}  // namespace kesim
