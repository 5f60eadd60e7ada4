// SPDX-License-Identifier: MIT
// A unit served from a trace of transactions recorded by the host programs
// (their --trace option): each request that matches the next recorded one
// gets the recorded answer. sim/README.md ("Traces") describes the format.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/UnitPort.h"

namespace kesim {

struct TraceEntry {
    bool busReset = false;  // a bus-reset line: only `generation` counts
    int tcode = 0;
    std::uint64_t offset = 0;
    std::uint32_t length = 0;
    std::vector<std::uint8_t> sent;
    std::optional<int> rcode;  // none: the unit never answered
    std::uint32_t status = 0;  // what the host saw
    std::vector<std::uint8_t> received;
    std::optional<std::uint32_t> generation;
    std::size_t line = 0;  // in the file, from 1
};

struct Trace {
    std::string program;
    std::string version;
    std::string firmware;
    std::vector<TraceEntry> entries;

    std::size_t Requests() const;
};

// Reads a trace; false with the reason (and line) in `error`.
bool LoadTrace(const std::string& path, Trace& trace, std::string& error);

class ReplayPort : public UnitPort {
public:
    // `report` gets one line (without a newline) when a request departs
    // from the trace or comes after its end, and when the whole trace has
    // been answered.
    ReplayPort(Trace trace, std::uint64_t guid, std::function<void(const std::string&)> report);

    std::uint32_t SpecifierId() const override;
    std::uint32_t SwVersion() const override;
    std::uint64_t Guid() const override;
    bool Attached() const override;
    std::uint32_t Generation() const override;
    bool Acquire() override;
    void Relinquish() override;
    // Never waits: a request that does not match, and every one after it,
    // gets RCODE_ADDRESS_ERROR.
    BusResponse Transact(const BusRequest& request) override;

private:
    std::optional<std::string> Difference(const BusRequest& request, const TraceEntry& entry) const;
    BusResponse Answer(const TraceEntry& entry);

    mutable std::mutex mMutex;
    const Trace mTrace;
    const std::uint64_t mGuid;
    const std::function<void(const std::string&)> mReport;
    std::size_t mNext = 0;      // the next entry
    std::size_t mRequests = 0;  // requests answered from the trace
    bool mDeparted = false;
    bool mAttached = true;
    bool mOwned = false;
    std::uint32_t mGeneration = 1;
    const TraceEntry* mLastAnswered = nullptr;
};

}  // namespace kesim
