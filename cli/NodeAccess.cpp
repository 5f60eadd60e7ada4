// SPDX-License-Identifier: MIT
#include "cli/NodeAccess.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>

#include <QtGlobal>

namespace kecli {
namespace {

// The Ke's unit directory as sysfs writes it: specifier ID and version.
constexpr char kKeUnit[] = "0x000a27:0x000011";

std::optional<std::string> Attribute(const std::filesystem::path& file)
{
    std::ifstream in(file);
    if (!in) return std::nullopt;
    std::string value;
    std::getline(in, value);
    return value;
}

bool IsNodeName(const std::string& name)
{
    return name.size() > 2 && name.compare(0, 2, "fw") == 0 &&
           std::all_of(name.begin() + 2, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool KnownNotToBeAKe(const std::filesystem::path& sysNode)
{
    if (Attribute(sysNode / "is_local") == "1") return true;
    const std::optional<std::string> units = Attribute(sysNode / "units");
    return units && units->find(kKeUnit) == std::string::npos;
}

}  // namespace

std::vector<std::string> UnopenableFireWireNodes(const std::string& devDir, const std::string& sysDevicesDir)
{
    std::vector<std::string> nodes;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(devDir, error)) {
        const std::string name = entry.path().filename().string();
        if (!IsNodeName(name)) continue;
        if (KnownNotToBeAKe(std::filesystem::path(sysDevicesDir) / name)) continue;
        if (::access(entry.path().c_str(), R_OK | W_OK) != 0) nodes.push_back(entry.path().string());
    }
    std::sort(nodes.begin(), nodes.end());
    return nodes;
}

Phrase NotFoundMessage(const std::vector<std::string>& unopenableNodes)
{
    const Phrase message =
        Say("kecli::NodeAccess", QT_TRANSLATE_NOOP("kecli::NodeAccess",
                                                   "Ke Not Found: check that the Ke is connected to this computer's "
                                                   "FireWire port and switched on.")) +
        "\n";
    if (unopenableNodes.empty()) return message;
    std::string names;
    for (const std::string& node : unopenableNodes) names += (names.empty() ? "" : ", ") + node;
    return message +
           Say("kecli::NodeAccess",
               QT_TRANSLATE_NOOP("kecli::NodeAccess",
                                 "This user may not open %1: if that is the Ke, install the udev rule and join the "
                                 "video group (see PERMISSIONS in man kefirmwareupdate-cli)."),
               {names}) +
           "\n";
}

}  // namespace kecli
