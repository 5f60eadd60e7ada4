// SPDX-License-Identifier: MIT
// The conversation between a simulated unit served on a Unix domain socket
// and the hosts that reach it, and the per-user directory the sockets live
// in. Both ends include this header; sim/README.md describes the protocol.
#pragma once

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <linux/firewire-constants.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace kesim::wire {

// Every frame: 'K' 'U', the message type, 0, then the body length (32-bit
// big-endian), then the body. Integers in bodies are big-endian too.
constexpr std::uint8_t kFrameMagic0 = 'K';
constexpr std::uint8_t kFrameMagic1 = 'U';
constexpr std::size_t kFrameHeaderSize = 8;
constexpr std::uint32_t kProtocolVersion = 1;
constexpr std::uint32_t kMaxData = 4096;              // payload of one transaction
constexpr std::uint32_t kTransactRequestHeader = 16;  // body of a request before its data
constexpr std::uint32_t kTransactReplyHeader = 8;     // body of a reply before its data
constexpr std::uint32_t kMaxBody = kTransactRequestHeader + kMaxData;

enum class Type : std::uint8_t {
    Hello = 0x01,
    Acquire = 0x02,
    Relinquish = 0x03,
    Generation = 0x04,
    Transact = 0x05,
    // Added later: a server that does not know it closes the connection.
    Identity = 0x06,
    HelloReply = 0x81,
    AcquireReply = 0x82,
    RelinquishReply = 0x83,
    GenerationReply = 0x84,
    TransactReply = 0x85,
    IdentityReply = 0x86,
};

// The reply a request of `type` gets.
constexpr Type ReplyTo(Type type) { return static_cast<Type>(static_cast<std::uint8_t>(type) | 0x80); }

enum class AcquireResult : std::uint8_t { Granted = 0, Held = 1, Gone = 2 };

// Transact flag: send in the unit's current generation instead of the one
// carried, and once more if a bus reset came in between.
constexpr std::uint8_t kFlagCurrentGeneration = 0x01;

using Bytes = std::vector<std::uint8_t>;

struct Frame {
    Type type = Type::Hello;
    Bytes body;
};

struct HelloReply {
    std::uint32_t version = kProtocolVersion;
    std::uint32_t specifierId = 0;
    std::uint32_t swVersion = 0;
    std::uint32_t generation = 0;
    bool attached = false;
};

struct GenerationReply {
    std::uint32_t generation = 0;
    bool attached = false;
};

struct TransactRequest {
    std::uint8_t tcode = 0;
    std::uint8_t flags = 0;
    std::uint64_t offset = 0;  // 48 bits
    std::uint32_t length = 0;
    std::uint32_t generation = 0;
    Bytes data;  // writes only: `length` bytes
};

struct TransactReply {
    std::uint8_t rcode = 0;
    Bytes data;  // reads only
};

inline void Put32(Bytes& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v >> 24));
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

inline void Put16(Bytes& out, std::uint16_t v)
{
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

inline std::uint32_t Get32(const std::uint8_t* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

inline std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }

inline bool IsRead(std::uint8_t tcode)
{
    return tcode == TCODE_READ_QUADLET_REQUEST || tcode == TCODE_READ_BLOCK_REQUEST;
}

inline bool IsWrite(std::uint8_t tcode)
{
    return tcode == TCODE_WRITE_QUADLET_REQUEST || tcode == TCODE_WRITE_BLOCK_REQUEST;
}

inline bool KnownType(std::uint8_t t)
{
    const std::uint8_t request = t & 0x7F;
    return request >= static_cast<std::uint8_t>(Type::Hello) && request <= static_cast<std::uint8_t>(Type::Identity);
}

// Appends one frame to `out`.
inline void AppendFrame(Bytes& out, Type type, const Bytes& body)
{
    out.push_back(kFrameMagic0);
    out.push_back(kFrameMagic1);
    out.push_back(static_cast<std::uint8_t>(type));
    out.push_back(0);
    Put32(out, static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
}

enum class Parse { Incomplete, Complete, Malformed };

// Takes the first frame off `buffer`. Malformed: a wrong magic, an unknown
// type or a body longer than any message; the stream cannot be trusted after it.
inline Parse TakeFrame(Bytes& buffer, Frame& frame)
{
    if (buffer.size() < kFrameHeaderSize) return Parse::Incomplete;
    if (buffer[0] != kFrameMagic0 || buffer[1] != kFrameMagic1 || !KnownType(buffer[2]) || buffer[3] != 0)
        return Parse::Malformed;
    const std::uint32_t length = Get32(buffer.data() + 4);
    if (length > kMaxBody) return Parse::Malformed;
    if (buffer.size() < kFrameHeaderSize + length) return Parse::Incomplete;
    frame.type = static_cast<Type>(buffer[2]);
    frame.body.assign(buffer.begin() + kFrameHeaderSize, buffer.begin() + kFrameHeaderSize + length);
    buffer.erase(buffer.begin(), buffer.begin() + kFrameHeaderSize + length);
    return Parse::Complete;
}

// Bodies. Each Decode is strict: a body of any other size is malformed.

inline Bytes EncodeHello()
{
    Bytes body;
    Put32(body, kProtocolVersion);
    return body;
}

inline bool DecodeHello(const Bytes& body, std::uint32_t& version)
{
    if (body.size() != 4) return false;
    version = Get32(body.data());
    return true;
}

inline Bytes Encode(const HelloReply& r)
{
    Bytes body;
    Put32(body, r.version);
    Put32(body, r.specifierId);
    Put32(body, r.swVersion);
    Put32(body, r.generation);
    Put32(body, r.attached ? 1u << 24 : 0u);  // attached flag, then 3 zero bytes
    return body;
}

inline bool Decode(const Bytes& body, HelloReply& r)
{
    if (body.size() != 20 || body[17] != 0 || body[18] != 0 || body[19] != 0 || body[16] > 1) return false;
    r.version = Get32(body.data());
    r.specifierId = Get32(body.data() + 4);
    r.swVersion = Get32(body.data() + 8);
    r.generation = Get32(body.data() + 12);
    r.attached = body[16] == 1;
    return true;
}

inline void Put64(Bytes& out, std::uint64_t v)
{
    Put32(out, static_cast<std::uint32_t>(v >> 32));
    Put32(out, static_cast<std::uint32_t>(v));
}

inline std::uint64_t Get64(const std::uint8_t* p) { return (std::uint64_t{Get32(p)} << 32) | Get32(p + 4); }

// The identity reply: the node's GUID (64).
inline Bytes EncodeIdentity(std::uint64_t guid)
{
    Bytes body;
    Put64(body, guid);
    return body;
}

inline bool DecodeIdentity(const Bytes& body, std::uint64_t& guid)
{
    if (body.size() != 8) return false;
    guid = Get64(body.data());
    return true;
}

inline Bytes Encode(AcquireResult result) { return {static_cast<std::uint8_t>(result), 0, 0, 0}; }

inline bool Decode(const Bytes& body, AcquireResult& result)
{
    if (body.size() != 4 || body[0] > static_cast<std::uint8_t>(AcquireResult::Gone)) return false;
    result = static_cast<AcquireResult>(body[0]);
    return true;
}

inline Bytes Encode(const GenerationReply& r)
{
    Bytes body;
    Put32(body, r.generation);
    Put32(body, r.attached ? 1u << 24 : 0u);
    return body;
}

inline bool Decode(const Bytes& body, GenerationReply& r)
{
    if (body.size() != 8 || body[4] > 1 || body[5] != 0 || body[6] != 0 || body[7] != 0) return false;
    r.generation = Get32(body.data());
    r.attached = body[4] == 1;
    return true;
}

inline Bytes Encode(const TransactRequest& r)
{
    Bytes body;
    body.push_back(r.tcode);
    body.push_back(r.flags);
    Put16(body, static_cast<std::uint16_t>(r.offset >> 32));
    Put32(body, static_cast<std::uint32_t>(r.offset));
    Put32(body, r.length);
    Put32(body, r.generation);
    body.insert(body.end(), r.data.begin(), r.data.end());
    return body;
}

// Only the four request tcodes; writes carry exactly `length` bytes, reads none.
inline bool Decode(const Bytes& body, TransactRequest& r)
{
    if (body.size() < kTransactRequestHeader) return false;
    r.tcode = body[0];
    r.flags = body[1];
    r.offset = (std::uint64_t{Get16(body.data() + 2)} << 32) | Get32(body.data() + 4);
    r.length = Get32(body.data() + 8);
    r.generation = Get32(body.data() + 12);
    if ((!IsRead(r.tcode) && !IsWrite(r.tcode)) || (r.flags & ~kFlagCurrentGeneration) != 0 || r.length > kMaxData)
        return false;
    const std::size_t carried = body.size() - kTransactRequestHeader;
    if (carried != (IsWrite(r.tcode) ? r.length : 0u)) return false;
    r.data.assign(body.begin() + kTransactRequestHeader, body.end());
    return true;
}

inline Bytes Encode(const TransactReply& r)
{
    Bytes body{r.rcode, 0, 0, 0};
    Put32(body, static_cast<std::uint32_t>(r.data.size()));
    body.insert(body.end(), r.data.begin(), r.data.end());
    return body;
}

inline bool Decode(const Bytes& body, TransactReply& r)
{
    if (body.size() < kTransactReplyHeader || body[1] != 0 || body[2] != 0 || body[3] != 0) return false;
    const std::uint32_t length = Get32(body.data() + 4);
    if (length > kMaxData || length != body.size() - kTransactReplyHeader) return false;
    r.rcode = body[0];
    r.data.assign(body.begin() + kTransactReplyHeader, body.end());
    return true;
}

// A file descriptor owned by one object; closed when it goes.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : mFd(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& other) noexcept : mFd(other.Release()) {}
    Fd& operator=(Fd&& other) noexcept
    {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int Get() const { return mFd; }
    bool Valid() const { return mFd >= 0; }
    int Release()
    {
        const int fd = mFd;
        mFd = -1;
        return fd;
    }
    void Reset(int fd = -1)
    {
        if (mFd >= 0) ::close(mFd);
        mFd = fd;
    }

private:
    int mFd = -1;
};

// Where the sockets live.

constexpr const char* kSocketSuffix = ".sock";
constexpr const char* kDefaultSocketName = "ke-unit";
constexpr std::size_t kMaxSocketNameLength = 64;

// $XDG_RUNTIME_DIR/kefirmwareupdate when XDG_RUNTIME_DIR is an absolute
// path, else /tmp/kefirmwareupdate-<uid>.
inline std::string DefaultRuntimeDirectory()
{
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/kefirmwareupdate";
    return "/tmp/kefirmwareupdate-" + std::to_string(::getuid());
}

// The directory must be a real directory (not a link), ours, and open to us
// alone (mode 0700); anything else could let another user put a unit in
// front of us or read what we send. With `create` a missing one is made.
inline bool CheckRuntimeDirectory(const std::string& dir, bool create, std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error) *error = dir + ": " + why;
        return false;
    };
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0) {
        if (errno != ENOENT || !create) return fail(std::strerror(errno));
        if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
            return fail(std::string("cannot create: ") + std::strerror(errno));
        if (::lstat(dir.c_str(), &st) != 0) return fail(std::strerror(errno));
    }
    if (!S_ISDIR(st.st_mode)) return fail("not a directory");
    if (st.st_uid != ::getuid()) return fail("belongs to another user");
    if ((st.st_mode & 07777) != 0700) return fail("must have mode 0700");
    return true;
}

// Letters, digits, '.', '_' and '-', not starting with '.', at most 64.
inline bool ValidSocketName(const std::string& name)
{
    if (name.empty() || name.size() > kMaxSocketNameLength || name[0] == '.') return false;
    for (char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                        c == '_' || c == '-';
        if (!ok) return false;
    }
    return true;
}

inline std::string SocketPath(const std::string& dir, const std::string& name)
{
    return dir + "/" + name + kSocketSuffix;
}

// False when the path does not fit a socket address.
inline bool MakeAddress(const std::string& path, sockaddr_un& address)
{
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

}  // namespace kesim::wire
