// SPDX-License-Identifier: MIT
#include "sim/StateFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iterator>

#include "sim/SimWireProtocol.h"

namespace kesim {
namespace {

// Layout, big-endian: the magic, the format version; from version 2 the
// identity: GUID (64-bit), product version (32-bit), factory software version
// (32-bit), serial number length (8-bit) and bytes; then for the Xilinx and
// then the M·CORE flash: condition (1 byte), 0, version (16-bit), content
// size (32-bit), the contents.
constexpr char kMagic[8] = {'K', 'E', 'U', 'S', 'T', 'A', 'T', 'E'};
constexpr std::uint32_t kFirstFormat = 1;
constexpr std::uint32_t kFormatVersion = 2;
constexpr std::size_t kIdentityHeader = 17;
constexpr std::size_t kRecordHeader = 8;
constexpr std::uint32_t kMaxContents = kFlashCapacity;
constexpr std::size_t kMaxFileSize =
    sizeof kMagic + 4 + kIdentityHeader + kMaxStoredSerial + 2 * (kRecordHeader + kMaxContents);

std::vector<std::uint8_t> Encode(const UnitState& state)
{
    std::vector<std::uint8_t> out(std::begin(kMagic), std::end(kMagic));
    wire::Put32(out, kFormatVersion);
    const UnitIdentity identity = state.identity.value_or(UnitIdentity{});
    const std::string serial = identity.serialNumber.substr(0, kMaxStoredSerial);
    wire::Put64(out, identity.guid);
    wire::Put32(out, identity.productVersion);
    wire::Put32(out, identity.softwareVersion);
    out.push_back(static_cast<std::uint8_t>(serial.size()));
    out.insert(out.end(), serial.begin(), serial.end());
    for (const StoredFlash& flash : state.flash) {
        const bool accepted = flash.condition == FlashCondition::Accepted;
        out.push_back(static_cast<std::uint8_t>(flash.condition));
        out.push_back(0);
        wire::Put16(out, accepted ? flash.version : 0);
        wire::Put32(out, accepted ? static_cast<std::uint32_t>(flash.contents.size()) : 0u);
        if (accepted) out.insert(out.end(), flash.contents.begin(), flash.contents.end());
    }
    return out;
}

bool Decode(const std::vector<std::uint8_t>& in, UnitState& state)
{
    std::size_t at = sizeof kMagic + 4;
    if (in.size() < at || std::memcmp(in.data(), kMagic, sizeof kMagic) != 0) return false;
    const std::uint32_t format = wire::Get32(in.data() + sizeof kMagic);
    if (format != kFirstFormat && format != kFormatVersion) return false;
    UnitState read;
    if (format == kFormatVersion) {
        if (in.size() - at < kIdentityHeader) return false;
        UnitIdentity identity;
        identity.guid = wire::Get64(in.data() + at);
        identity.productVersion = wire::Get32(in.data() + at + 8);
        identity.softwareVersion = wire::Get32(in.data() + at + 12);
        const std::size_t serialSize = in[at + 16];
        at += kIdentityHeader;
        if (in.size() - at < serialSize) return false;
        identity.serialNumber.assign(in.begin() + at, in.begin() + at + serialSize);
        at += serialSize;
        read.identity = std::move(identity);
    }
    for (StoredFlash& flash : read.flash) {
        if (in.size() - at < kRecordHeader) return false;
        const std::uint8_t condition = in[at];
        const std::uint32_t size = wire::Get32(in.data() + at + 4);
        if (condition > static_cast<std::uint8_t>(FlashCondition::Accepted) || in[at + 1] != 0 || size > kMaxContents)
            return false;
        flash.condition = static_cast<FlashCondition>(condition);
        flash.version = wire::Get16(in.data() + at + 2);
        at += kRecordHeader;
        if ((flash.condition != FlashCondition::Accepted && (size != 0 || flash.version != 0)) || in.size() - at < size)
            return false;
        flash.contents.assign(in.begin() + at, in.begin() + at + size);
        at += size;
    }
    if (at != in.size()) return false;
    state = std::move(read);
    return true;
}

std::uint16_t Half(const StoredFlash& flash, std::uint16_t configured)
{
    switch (flash.condition) {
    case FlashCondition::Erased:
        return 0;
    case FlashCondition::Accepted:
        return flash.version;
    default:
        return configured;
    }
}

}  // namespace

std::uint32_t PowerOnVersion(const UnitState& state, std::uint32_t configured)
{
    const std::uint16_t mcore = Half(state[FlashDevice::Mcore], static_cast<std::uint16_t>(configured >> 16));
    const std::uint16_t xilinx = Half(state[FlashDevice::Xilinx], static_cast<std::uint16_t>(configured));
    return (std::uint32_t{mcore} << 16) | xilinx;
}

LoadResult LoadUnitState(const std::string& path, UnitState& state, std::string& error)
{
    // Non-blocking, so that opening a FIFO does not wait for a writer.
    wire::Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.Valid()) {
        const bool missing = errno == ENOENT;
        error = path + ": " + std::strerror(errno);
        return missing ? LoadResult::Missing : LoadResult::Invalid;
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        error = path + ": " + std::strerror(errno);
        return LoadResult::Invalid;
    }
    if (!S_ISREG(st.st_mode)) {
        error = path + ": not a regular file";
        return LoadResult::Invalid;
    }
    if (static_cast<std::uint64_t>(st.st_size) > kMaxFileSize) {
        error = path + ": larger than the two flashes, not a unit state file";
        return LoadResult::Invalid;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size) + 1);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd.Get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = path + ": " + std::strerror(errno);
            return LoadResult::Invalid;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    if (done > kMaxFileSize || !Decode(bytes, state)) {
        error = path + ": not a unit state file, or damaged";
        return LoadResult::Invalid;
    }
    return LoadResult::Loaded;
}

bool SaveUnitState(const std::string& path, const UnitState& state, std::string& error)
{
    return WriteFileAtomically(path, Encode(state), error);
}

bool WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error)
{
    std::string temp = path + ".XXXXXX";
    wire::Fd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (!fd.Valid()) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd.Get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    const bool written = done == bytes.size() && ::fsync(fd.Get()) == 0;
    const int closed = ::close(fd.Release());
    if (!written || closed != 0 || ::rename(temp.c_str(), path.c_str()) != 0) {
        error = path + ": " + std::strerror(errno);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace kesim
