// SPDX-License-Identifier: MIT
// What "Ke Not Found" tells the user to check. Discovery sees a unit's node
// only when it can read its unit directory; a node this user may not open
// can hide a Ke, and then the permissions are worth a look too.
#pragma once

#include <string>
#include <vector>

#include "cli/Phrase.h"

namespace kecli {

// The FireWire nodes (/dev/fwN) this user may not open, leaving out the
// computer's own node and nodes whose unit directories show another device.
std::vector<std::string> UnopenableFireWireNodes(const std::string& devDir = "/dev",
                                                 const std::string& sysDevicesDir = "/sys/bus/firewire/devices");

// The message for exit code no-unit, naming the nodes above.
Phrase NotFoundMessage(const std::vector<std::string>& unopenableNodes);

}  // namespace kecli
