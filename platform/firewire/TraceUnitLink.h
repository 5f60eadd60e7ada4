// SPDX-License-Identifier: MIT
// A record of every transaction a program makes with a unit, one JSON object
// a line, so that a run on a real unit can be sent in and replayed by
// ke-unit-sim. sim/README.md ("Traces") describes the lines.
#pragma once

#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/firewire/FWTransport.h"

namespace fwplat {

// One trace file, shared by every link of a run. Its first line names the
// program, its version and the firmware it carries; then only what went
// over the bus. Each line is flushed as it is written, so a run that is
// killed leaves every transaction made until then.
class TraceWriter {
    struct Key {
        explicit Key() = default;
    };

public:
    // Creates or empties `path`; null with the reason in `error` when it cannot.
    static std::shared_ptr<TraceWriter> Create(const std::string& path, const std::string& program,
                                               const std::string& version, const std::string& firmware,
                                               std::string& error);
    TraceWriter(Key, std::FILE* file);
    ~TraceWriter();
    TraceWriter(const TraceWriter&) = delete;
    TraceWriter& operator=(const TraceWriter&) = delete;

    // `data` holds what was sent (writes) or received (reads), `length` bytes.
    void Transaction(int tcode, UInt64 offset, UInt32 asked, const void* data, UInt32 length, IOReturn status,
                     std::optional<UInt32> generation);
    void BusReset(UInt32 generation);

    // Why the trace could not be written whole (the first failed write, after
    // which nothing more is written); nullopt while every line went out.
    std::optional<std::string> Problem() const;

private:
    void Line(const std::string& text);
    double Milliseconds() const;

    mutable std::mutex mMutex;
    std::FILE* mFile;
    std::optional<std::string> mProblem;
    const std::chrono::steady_clock::time_point mStart;
};

// Passes every call to the link it wraps and records each transaction that
// reached the bus, and the bus resets seen between them.
class TraceUnitLink final : public UnitLink {
public:
    TraceUnitLink(std::unique_ptr<UnitLink> link, std::shared_ptr<TraceWriter> writer);

    IOReturn Open() override;
    void Close() override;
    IOReturn GetBusGeneration(UInt32& generation) override;
    IOReturn Transact(int tcode, UInt64 offset, void* data, UInt32& length, bool failOnReset,
                      UInt32 generation) override;

private:
    std::unique_ptr<UnitLink> mLink;
    std::shared_ptr<TraceWriter> mWriter;
    std::optional<UInt32> mGeneration;  // as last seen
};

// The same transports, with every link they make recorded in `writer`.
Transports TracedTransports(Transports transports, std::shared_ptr<TraceWriter> writer);

}  // namespace fwplat
