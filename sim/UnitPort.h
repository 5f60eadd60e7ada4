// SPDX-License-Identifier: MIT
// How a host reaches a simulated unit: the unit directory it shows, the bus
// generation, exclusive ownership, and one request/response per transaction,
// with IEEE 1394 tcodes and rcodes as on a real bus.
#pragma once

#include <cstdint>
#include <vector>

namespace kesim {

struct BusRequest {
    int tcode = 0;             // TCODE_* of <linux/firewire-constants.h>
    std::uint64_t offset = 0;  // 48-bit destination offset
    std::uint32_t length = 0;  // bytes asked (reads) or carried (writes)
    std::uint32_t generation = 0;
    const std::uint8_t* data = nullptr;  // write payload in bus order
};

struct BusResponse {
    int rcode = 0;                   // RCODE_* of <linux/firewire-constants.h>
    std::vector<std::uint8_t> data;  // read payload in bus order
};

class UnitPort {
public:
    virtual ~UnitPort() = default;

    virtual std::uint32_t SpecifierId() const = 0;
    virtual std::uint32_t SwVersion() const = 0;
    // The node's 64-bit GUID, from its bus information block.
    virtual std::uint64_t Guid() const = 0;
    // False once the unit has left the bus.
    virtual bool Attached() const = 0;
    // The generation hosts are told. After a bus reset it may lag: requests
    // then get RCODE_GENERATION until the new one is published.
    virtual std::uint32_t Generation() const = 0;

    // Exclusive ownership by one host client; false while another holds it.
    virtual bool Acquire() = 0;
    virtual void Relinquish() = 0;

    // One transaction. A request in a stale generation gets RCODE_GENERATION;
    // a unit that is gone gets RCODE_NO_ACK. Safe to call from any thread.
    virtual BusResponse Transact(const BusRequest& request) = 0;
};

}  // namespace kesim
