// SPDX-License-Identifier: MIT
// Simulated units in other processes (ke-unit-sim), found by their sockets
// in the per-user runtime directory and reached over them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/firewire/FWTransport.h"

namespace fwplat {

struct SocketTransportOptions {
    // Where the sockets are; empty: $XDG_RUNTIME_DIR/kefirmwareupdate, or
    // /tmp/kefirmwareupdate-<uid> without XDG_RUNTIME_DIR.
    std::string runtimeDir;
    // For the hello of a scan or a new link; a unit that is slower to greet
    // is left out of that scan.
    int helloTimeoutMs = 250;
    // For each request of a link, from sending to the whole answer.
    int responseTimeoutMs = kResponseTimeoutMs;
};

class SocketUnitTransport : public Transport {
public:
    explicit SocketUnitTransport(SocketTransportOptions options = {});

    // The units answering on <runtimeDir>/*.sock, by socket name. Skipped:
    // a directory that is not ours alone (mode 0700), anything that is not a
    // socket or not ours, a socket nobody answers on, a unit off the bus.
    // UnitInfo::name is the socket path; UnitInfo::guid is the unit's, when
    // its server tells it.
    std::vector<UnitInfo> Scan() override;

    // A link over a connection of its own to the unit at `path`; null when
    // nobody answers there.
    //
    // Open acquires the unit (kIOReturnExclusiveAccess while another client
    // holds it); Close gives it back, and so does the end of the connection.
    // A request gets kIOReturnTimeout when the unit does not answer within
    // responseTimeoutMs, and kIOReturnNoDevice when the unit hangs up or
    // answers something that is not the protocol; either way the connection
    // is dropped (its stream can no longer be trusted) and every later
    // request gets kIOReturnNoDevice. With failOnReset false, a request
    // answered with RCODE_GENERATION goes again until the unit's new
    // generation takes it, within responseTimeoutMs.
    static std::unique_ptr<UnitLink> Connect(const std::string& path, const SocketTransportOptions& options = {});

private:
    SocketTransportOptions mOptions;
};

}  // namespace fwplat
