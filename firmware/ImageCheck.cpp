// SPDX-License-Identifier: MIT
#include "firmware/ImageCheck.h"

#include <algorithm>
#include <cstdio>

namespace kefw {
namespace {

std::string Hex2(unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02X", value & 0xFFu);
    return text;
}

int HexValue(std::uint8_t c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Address bytes per record type; 0 where the type is not defined.
std::size_t AddressWidth(std::uint8_t type)
{
    switch (type) {
    case '0':
    case '1':
    case '5':
    case '9':
        return 2;
    case '2':
    case '6':
    case '8':
        return 3;
    case '3':
    case '7':
        return 4;
    default:
        return 0;
    }
}

bool IsStartAddressRecord(std::uint8_t type) { return type == '7' || type == '8' || type == '9'; }

// Checks one record (the line without its CR LF); returns what is wrong.
std::optional<std::string> CheckRecord(std::span<const std::uint8_t> line)
{
    if (line.empty()) {
        return "empty line";
    }
    if (line[0] != 'S') {
        return "record does not start with 'S'";
    }
    if (line.size() < 4) {
        return "record too short";
    }
    const std::size_t width = AddressWidth(line[1]);
    if (width == 0) {
        return "unknown record type 0x" + Hex2(line[1]);
    }
    for (std::size_t i = 2; i < line.size(); ++i) {
        const std::uint8_t c = line[i];
        if (c >= 'a' && c <= 'f') {
            return "lower-case hex digit at column " + std::to_string(i + 1);
        }
        if (HexValue(c) < 0) {
            return "character 0x" + Hex2(c) + " at column " + std::to_string(i + 1);
        }
    }
    auto byteAt = [&line](std::size_t index) {
        return static_cast<unsigned>(HexValue(line[2 + 2 * index]) * 16 + HexValue(line[3 + 2 * index]));
    };
    const unsigned count = byteAt(0);
    const std::size_t expected = 4 + 2 * std::size_t{count};
    if (line.size() != expected) {
        return "count " + Hex2(count) + " needs " + std::to_string(expected) + " characters, line has " +
               std::to_string(line.size());
    }
    if (count < width + 1) {
        return "count " + Hex2(count) + " too small for a " + std::to_string(width) + "-byte address";
    }
    unsigned sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        sum += byteAt(i);
    }
    const unsigned want = ~sum & 0xFFu;
    const unsigned have = byteAt(count);
    if (have != want) {
        return "checksum is " + Hex2(have) + ", expected " + Hex2(want);
    }
    return std::nullopt;
}

std::uint32_t BigEndian(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t width)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        value = value << 8 | bytes[offset + i];
    }
    return value;
}

// Walks the .bit header, remembering the first fault.
class BitHeaderWalk {
public:
    BitHeaderWalk(std::string_view name, std::span<const std::uint8_t> bytes) : mName(name), mBytes(bytes) {}

    std::optional<std::string> Run(BitLayout& layout)
    {
        static constexpr std::uint8_t kPreamble[9] = {0x0F, 0xF0, 0x0F, 0xF0, 0x0F, 0xF0, 0x0F, 0xF0, 0x00};
        std::uint32_t value = 0;
        if (!Number(2, "preamble length", value)) {
            return mFault;
        }
        if (value != sizeof kPreamble) {
            return FaultAt(0, "preamble length is " + std::to_string(value) + ", expected 9");
        }
        if (!Have(sizeof kPreamble, "preamble")) {
            return mFault;
        }
        if (!std::equal(std::begin(kPreamble), std::end(kPreamble), mBytes.begin() + mPos)) {
            return FaultAt(mPos, "preamble bytes differ from 0F F0 0F F0 0F F0 0F F0 00");
        }
        mPos += sizeof kPreamble;
        const std::size_t markAt = mPos;
        if (!Number(2, "field count", value)) {
            return mFault;
        }
        if (value != 1) {
            return FaultAt(markAt, "expected 00 01, found " + std::to_string(value));
        }
        for (std::uint8_t tag : {'a', 'b', 'c', 'd'}) {
            if (!TextField(tag)) {
                return mFault;
            }
        }
        if (!Tag('e')) {
            return mFault;
        }
        const std::size_t lengthAt = mPos;
        if (!Number(4, "length of field e", value)) {
            return mFault;
        }
        const std::size_t rest = mBytes.size() - mPos;
        if (value != rest) {
            return FaultAt(lengthAt, "field e declares " + std::to_string(value) + " bytes but " +
                                         std::to_string(rest) + " follow");
        }
        layout.bitstreamOffset = mPos;
        layout.bitstreamLength = rest;
        return std::nullopt;
    }

private:
    std::string Fault(std::size_t offset, const std::string& what) const
    {
        return std::string(mName) + ": offset " + std::to_string(offset) + ": " + what;
    }

    std::optional<std::string> FaultAt(std::size_t offset, const std::string& what)
    {
        mFault = Fault(offset, what);
        return mFault;
    }

    bool Have(std::size_t count, const std::string& what)
    {
        if (mBytes.size() - mPos >= count) {
            return true;
        }
        FaultAt(mPos, "file ends inside the " + what);
        return false;
    }

    bool Number(std::size_t width, const std::string& what, std::uint32_t& value)
    {
        if (!Have(width, what)) {
            return false;
        }
        value = BigEndian(mBytes, mPos, width);
        mPos += width;
        return true;
    }

    bool Tag(std::uint8_t tag)
    {
        const std::string name(1, static_cast<char>(tag));
        if (!Have(1, "tag of field " + name)) {
            return false;
        }
        if (mBytes[mPos] != tag) {
            FaultAt(mPos, "expected tag of field " + name + ", found 0x" + Hex2(mBytes[mPos]));
            return false;
        }
        ++mPos;
        return true;
    }

    // Fields a-d: tag, 16-bit length, NUL-terminated text.
    bool TextField(std::uint8_t tag)
    {
        const std::string name(1, static_cast<char>(tag));
        std::uint32_t length = 0;
        if (!Tag(tag) || !Number(2, "length of field " + name, length) || !Have(length, "field " + name)) {
            return false;
        }
        if (length == 0 || mBytes[mPos + length - 1] != 0) {
            FaultAt(mPos, "field " + name + " is not NUL-terminated");
            return false;
        }
        mPos += length;
        return true;
    }

    std::string_view mName;
    std::span<const std::uint8_t> mBytes;
    std::size_t mPos = 0;
    std::optional<std::string> mFault;
};

}  // namespace

std::optional<std::string> CheckSRecord(std::string_view name, std::span<const std::uint8_t> bytes)
{
    auto fault = [name](std::size_t line, const std::string& what) {
        return std::string(name) + ": line " + std::to_string(line) + ": " + what;
    };
    if (bytes.empty()) {
        return fault(1, "file is empty");
    }
    std::size_t lineNumber = 0;
    std::uint8_t lastType = 0;
    for (std::size_t pos = 0; pos < bytes.size();) {
        ++lineNumber;
        if (IsStartAddressRecord(lastType)) {
            return fault(lineNumber, "record after the start-address record");
        }
        const auto lineEnd =
            std::find_if(bytes.begin() + pos, bytes.end(), [](std::uint8_t c) { return c == '\r' || c == '\n'; });
        const auto end = static_cast<std::size_t>(lineEnd - bytes.begin());
        if (end == bytes.size()) {
            return fault(lineNumber, "line does not end in CR LF");
        }
        if (bytes[end] == '\n') {
            return fault(lineNumber, "line ends in LF without CR");
        }
        if (end + 1 == bytes.size() || bytes[end + 1] != '\n') {
            return fault(lineNumber, "CR not followed by LF");
        }
        const auto line = bytes.subspan(pos, end - pos);
        if (auto what = CheckRecord(line)) {
            return fault(lineNumber, *what);
        }
        lastType = line[1];
        pos = end + 2;
    }
    if (!IsStartAddressRecord(lastType)) {
        return fault(lineNumber, "file does not end with a start-address record (S7, S8 or S9)");
    }
    return std::nullopt;
}

BitCheck CheckBitFile(std::string_view name, std::span<const std::uint8_t> bytes)
{
    BitCheck result;
    if (auto fault = BitHeaderWalk(name, bytes).Run(result.layout)) {
        result.fault = fault;
        return result;
    }
    auto fail = [&](std::size_t offset, const std::string& what) {
        result.fault = std::string(name) + ": offset " + std::to_string(offset) + ": " + what;
        return result;
    };
    const std::size_t start = result.layout.bitstreamOffset;
    const auto stream = bytes.subspan(start);
    if (stream.size() < sizeof kBitstreamSync ||
        !std::equal(std::begin(kBitstreamSync), std::end(kBitstreamSync), stream.begin())) {
        return fail(start, "bitstream does not begin with FF FF FF FF AA 99 55 66");
    }
    // The program looks for the sync sequence among the first 144 positions only.
    if (start > 143) {
        return fail(start, "bitstream starts after offset 143, where the program no longer looks for it");
    }
    // A second sync sequence would let a reader that scans for it start at the wrong place.
    for (auto from = bytes.begin();;) {
        const auto hit = std::search(from, bytes.end(), std::begin(kBitstreamSync), std::end(kBitstreamSync));
        if (hit == bytes.end()) {
            break;
        }
        const auto offset = static_cast<std::size_t>(hit - bytes.begin());
        if (offset != start) {
            return fail(offset,
                        "FF FF FF FF AA 99 55 66 occurs again (the bitstream starts at " + std::to_string(start) + ")");
        }
        from = hit + 1;
    }
    if (stream.size() % 4 != 0) {
        return fail(start,
                    "bitstream length " + std::to_string(stream.size()) + " is not a whole number of 32-bit words");
    }
    return result;
}

}  // namespace kefw
