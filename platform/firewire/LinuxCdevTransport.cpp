// Placeholder until the transport lands.
#include "platform/firewire/LinuxCdevTransport.h"

namespace fwplat {
std::shared_ptr<CdevSyscalls> CdevSyscalls::System() { return nullptr; }
LinuxCdevTransport::LinuxCdevTransport(CdevOptions options) : mOptions(std::move(options)) {}
std::vector<UnitInfo> LinuxCdevTransport::Scan() { return {}; }
}  // namespace fwplat
