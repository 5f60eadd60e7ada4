// SPDX-License-Identifier: MIT
#include "platform/firewire/LinuxCdevTransport.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

#include "platform/firewire/CdevUnitLink.h"

namespace fwplat {
namespace {

namespace fs = std::filesystem;

class SystemCdevSyscalls final : public CdevSyscalls {
public:
    int Open(const char* path, int flags) override { return ::open(path, flags); }
    int Ioctl(int fd, unsigned long request, void* arg) override { return ::ioctl(fd, request, arg); }
    int Poll(struct pollfd* fds, nfds_t nfds, int timeoutMs) override { return ::poll(fds, nfds, timeoutMs); }
    long Read(int fd, void* buf, std::size_t count) override { return ::read(fd, buf, count); }
    int Close(int fd) override { return ::close(fd); }
    int Flock(int fd, int operation) override { return ::flock(fd, operation); }
};

struct UnitName {
    UInt32 node;
    UInt32 unit;
    std::string name;
};

bool ParseDecimal(std::string_view text, UInt32& value)
{
    // The kernel never writes leading zeros.
    if (text.empty() || (text.size() > 1 && text[0] == '0')) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// "fwN.M" with decimal N and M; the node devices "fwN" are not units.
std::optional<UnitName> ParseUnitName(const std::string& name)
{
    if (name.size() < 5 || name.compare(0, 2, "fw") != 0) return std::nullopt;
    const std::string_view rest = std::string_view(name).substr(2);
    const auto dot = rest.find('.');
    if (dot == std::string_view::npos) return std::nullopt;
    UnitName parsed{0, 0, name};
    if (!ParseDecimal(rest.substr(0, dot), parsed.node) || !ParseDecimal(rest.substr(dot + 1), parsed.unit)) {
        return std::nullopt;
    }
    return parsed;
}

// The kernel writes "0x%06x\n"; anything that is not "0x", one to eight hex
// digits and at most one newline, or that does not fit the 24-bit field, is
// not an ID.
std::optional<UInt32> ParseUnitId(std::string_view text)
{
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    if (text.size() < 3 || text.size() > 10 || text.substr(0, 2) != "0x") return std::nullopt;
    text.remove_prefix(2);
    UInt32 value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc() || end != text.data() + text.size() || value > 0xFFFFFF) return std::nullopt;
    return value;
}

std::optional<UInt32> ReadUnitId(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    // One byte more than the longest valid text, so that a longer file fails
    // the parse.
    char buffer[12];
    in.read(buffer, sizeof buffer);
    return ParseUnitId(std::string_view(buffer, static_cast<std::size_t>(in.gcount())));
}

}  // namespace

std::shared_ptr<CdevSyscalls> CdevSyscalls::System() { return std::make_shared<SystemCdevSyscalls>(); }

LinuxCdevTransport::LinuxCdevTransport(CdevOptions options) : mOptions(std::move(options))
{
    if (!mOptions.syscalls) mOptions.syscalls = CdevSyscalls::System();
}

std::vector<UnitInfo> LinuxCdevTransport::Scan()
{
    const fs::path devices = fs::path(mOptions.sysfsRoot) / "bus" / "firewire" / "devices";
    std::vector<UnitName> names;
    std::error_code error;
    for (fs::directory_iterator it(devices, error), end; !error && it != end; it.increment(error)) {
        std::optional<UnitName> name = ParseUnitName(it->path().filename().string());
        std::error_code kindError;
        if (name && fs::is_directory(it->path(), kindError)) names.push_back(std::move(*name));
    }
    std::sort(names.begin(), names.end(), [](const UnitName& a, const UnitName& b) {
        return a.node != b.node ? a.node < b.node : a.unit < b.unit;
    });

    std::vector<UnitInfo> units;
    units.reserve(names.size());
    for (const UnitName& name : names) {
        const fs::path unitDir = devices / name.name;
        std::string nodePath = mOptions.devRoot + "/fw" + std::to_string(name.node);
        UnitInfo info;
        info.name = name.name;
        info.specifierId = ReadUnitId(unitDir / "specifier_id");
        info.version = ReadUnitId(unitDir / "version");
        const std::string sysfsNode = (devices / ("fw" + std::to_string(name.node))).string();
        info.guid = ReadNodeGuid(sysfsNode);
        CdevNodeIdentity identity{sysfsNode, info.guid, info.specifierId, info.version};
        info.connect = [unitDir, nodePath = std::move(nodePath), syscalls = mOptions.syscalls,
                        timeoutMs = mOptions.responseTimeoutMs,
                        identity = std::move(identity)]() -> std::unique_ptr<UnitLink> {
            std::error_code existsError;
            if (!fs::exists(unitDir, existsError)) return nullptr;
            return std::make_unique<CdevUnitLink>(nodePath, syscalls, timeoutMs, identity);
        };
        units.push_back(std::move(info));
    }
    return units;
}

}  // namespace fwplat
