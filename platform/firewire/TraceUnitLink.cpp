// SPDX-License-Identifier: MIT
#include "platform/firewire/TraceUnitLink.h"

#include <fcntl.h>
#include <linux/firewire-constants.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstring>

#include <nlohmann/json.hpp>

namespace fwplat {
namespace {

const char* OperationName(int tcode)
{
    switch (tcode) {
    case TCODE_READ_QUADLET_REQUEST:
        return "read-quadlet";
    case TCODE_WRITE_QUADLET_REQUEST:
        return "write-quadlet";
    case TCODE_READ_BLOCK_REQUEST:
        return "read-block";
    case TCODE_WRITE_BLOCK_REQUEST:
        return "write-block";
    default:
        return nullptr;
    }
}

bool IsWrite(int tcode) { return tcode == TCODE_WRITE_QUADLET_REQUEST || tcode == TCODE_WRITE_BLOCK_REQUEST; }

// The response code behind a status, when the unit (or the bus on its
// behalf) answered at all.
std::optional<int> RcodeOf(IOReturn status)
{
    switch (status) {
    case kIOReturnSuccess:
        return RCODE_COMPLETE;
    case kIOFireWireConflictError:
        return RCODE_CONFLICT_ERROR;
    case kIOFireWireDataError:
        return RCODE_DATA_ERROR;
    case kIOFireWireTypeError:
        return RCODE_TYPE_ERROR;
    case kIOFireWireAddressError:
        return RCODE_ADDRESS_ERROR;
    case kIOFireWireBusReset:
        return RCODE_GENERATION;
    case kIOReturnBusy:
        return RCODE_BUSY;
    default:
        return std::nullopt;
    }
}

std::string Hex(const void* data, UInt32 length)
{
    static const char digits[] = "0123456789abcdef";
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::string text;
    text.reserve(2 * length);
    for (UInt32 i = 0; i < length; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0xF];
    }
    return text;
}

// One line of the trace. The program's own texts are the only strings that
// are not hex; should one not be UTF-8, its bytes become U+FFFD.
std::string Json(const nlohmann::ordered_json& object)
{
    return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace

std::shared_ptr<TraceWriter> TraceWriter::Create(const std::string& path, const std::string& program,
                                                 const std::string& version, const std::string& firmware,
                                                 std::string& error)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0644);
    std::FILE* file = fd >= 0 ? ::fdopen(fd, "w") : nullptr;
    if (!file) {
        error = path + ": " + std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return nullptr;
    }
    auto writer = std::make_shared<TraceWriter>(Key{}, file);
    writer->Line(Json({{"trace", "kefirmwareupdate"},
                       {"format", 1},
                       {"program", program},
                       {"version", version},
                       {"firmware", firmware}}));
    return writer;
}

TraceWriter::TraceWriter(Key, std::FILE* file) : mFile(file), mStart(std::chrono::steady_clock::now()) {}

TraceWriter::~TraceWriter() { std::fclose(mFile); }

double TraceWriter::Milliseconds() const
{
    // Whole microseconds, as the trace has always shown them.
    const auto elapsed = std::chrono::steady_clock::now() - mStart;
    return static_cast<double>(std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count()) / 1000.0;
}

std::optional<std::string> TraceWriter::Problem() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mProblem;
}

void TraceWriter::Line(const std::string& text)
{
    std::lock_guard<std::mutex> lock(mMutex);
    // After a failed write the file ends inside a line: nothing more is added.
    if (mProblem) return;
    if (std::fputs(text.c_str(), mFile) < 0 || std::fputc('\n', mFile) == EOF || std::fflush(mFile) != 0)
        mProblem = std::strerror(errno);
}

void TraceWriter::Transaction(int tcode, UInt64 offset, UInt32 asked, const void* data, UInt32 length, IOReturn status,
                              std::optional<UInt32> generation)
{
    const char* operation = OperationName(tcode);
    if (!operation) return;
    const bool write = IsWrite(tcode);
    const std::optional<int> rcode = RcodeOf(status);
    char address[24];
    std::snprintf(address, sizeof address, "0x%012" PRIx64, static_cast<std::uint64_t>(offset));
    char statusText[16];
    std::snprintf(statusText, sizeof statusText, "0x%08x", static_cast<unsigned>(status));
    Line(Json({{"t", Milliseconds()},
               {"op", operation},
               {"address", address},
               {"length", asked},
               {"sent", write ? Hex(data, length) : std::string()},
               {"status", statusText},
               {"rcode", rcode ? nlohmann::ordered_json(*rcode) : nlohmann::ordered_json()},
               {"received", write ? std::string() : Hex(data, length)},
               {"generation", generation ? nlohmann::ordered_json(*generation) : nlohmann::ordered_json()}}));
}

void TraceWriter::BusReset(UInt32 generation)
{
    Line(Json({{"t", Milliseconds()}, {"event", "bus-reset"}, {"generation", generation}}));
}

TraceUnitLink::TraceUnitLink(std::unique_ptr<UnitLink> link, std::shared_ptr<TraceWriter> writer)
    : mLink(std::move(link)), mWriter(std::move(writer))
{
}

IOReturn TraceUnitLink::Open() { return mLink->Open(); }

void TraceUnitLink::Close() { mLink->Close(); }

IOReturn TraceUnitLink::GetBusGeneration(UInt32& generation) { return mLink->GetBusGeneration(generation); }

IOReturn TraceUnitLink::Transact(int tcode, UInt64 offset, void* data, UInt32& length, bool failOnReset,
                                 UInt32 generation)
{
    const UInt32 asked = length;
    const IOReturn status = mLink->Transact(tcode, offset, data, length, failOnReset, generation);
    // Refused before anything was sent.
    if (status == kIOReturnNotOpen || status == kIOReturnBadArgument) return status;

    // The generation the request ended in, as the link knows it now.
    std::optional<UInt32> now;
    if (UInt32 current = 0; mLink->GetBusGeneration(current) == kIOReturnSuccess) now = current;
    if (now && mGeneration && *now != *mGeneration) mWriter->BusReset(*now);
    if (now) mGeneration = now;
    mWriter->Transaction(tcode, offset, asked, data, IsWrite(tcode) ? asked : length, status, now);
    return status;
}

namespace {

class TracedTransport final : public Transport {
public:
    TracedTransport(std::shared_ptr<Transport> inner, std::shared_ptr<TraceWriter> writer)
        : mInner(std::move(inner)), mWriter(std::move(writer))
    {
    }

    std::vector<UnitInfo> Scan() override
    {
        std::vector<UnitInfo> units = mInner->Scan();
        for (UnitInfo& unit : units) {
            if (!unit.connect) continue;
            unit.connect = [connect = std::move(unit.connect), writer = mWriter]() -> std::unique_ptr<UnitLink> {
                std::unique_ptr<UnitLink> link = connect();
                if (!link) return nullptr;
                return std::make_unique<TraceUnitLink>(std::move(link), writer);
            };
        }
        return units;
    }

private:
    std::shared_ptr<Transport> mInner;
    std::shared_ptr<TraceWriter> mWriter;
};

}  // namespace

Transports TracedTransports(Transports transports, std::shared_ptr<TraceWriter> writer)
{
    std::vector<std::shared_ptr<Transport>> traced;
    traced.reserve(transports.size());
    for (auto& transport : transports)
        traced.push_back(std::make_shared<TracedTransport>(std::move(transport), writer));
    return traced;
}

}  // namespace fwplat
