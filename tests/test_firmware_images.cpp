#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "firmware/ImageCheck.h"
#include "macapps/KEFirmwareUpdate/KeXilinx.h"
#include "macapps/KEFirmwareUpdate/Ke_MCORE.h"

// Complete the array types so that their storage size can be checked.
extern const UInt8 KeMCORE06data[71444];
extern const UInt8 KeXilinxData[336760];

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string McoreText()
{
    return std::string(reinterpret_cast<const char*>(KeMCORE06data), KeMCORE06dataSize);
}

Bytes McoreBytes()
{
    return Bytes(KeMCORE06data, KeMCORE06data + KeMCORE06dataSize);
}

Bytes XilinxBytes()
{
    return Bytes(KeXilinxData, KeXilinxData + KeXilinxDataSizeBytes);
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            break;
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

// Offset of the first character of line `number` (1-based).
std::size_t LineStart(const Bytes& bytes, int number)
{
    std::size_t pos = 0;
    for (int line = 1; line < number; ++line) {
        pos = static_cast<std::size_t>(std::find(bytes.begin() + pos, bytes.end(), '\n') - bytes.begin()) + 1;
    }
    return pos;
}

std::string SRecordFault(const Bytes& bytes)
{
    return kefw::CheckSRecord("KeMCORE06.s19", bytes).value_or("");
}

std::string BitFault(const Bytes& bytes)
{
    return kefw::CheckBitFile("KeXilinx.bit", bytes).fault.value_or("");
}

std::size_t CountSync(const UInt8* data, std::size_t size, std::size_t& first)
{
    std::size_t count = 0;
    const UInt8* end = data + size;
    for (const UInt8* at = data;; ++at) {
        at = std::search(at, end, std::begin(kefw::kBitstreamSync), std::end(kefw::kBitstreamSync));
        if (at == end) {
            return count;
        }
        if (count++ == 0) {
            first = static_cast<std::size_t>(at - data);
        }
    }
}

}  // namespace

TEST(McoreImage, SizeAndRecordLayout)
{
    static_assert(sizeof(KeMCORE06data) == 71444);
    ASSERT_EQ(KeMCORE06dataSize, 71444u);
    const std::string text = McoreText();
    EXPECT_EQ(text.find_first_not_of("S0123456789ABCDEF\r\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");

    const std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), 995u);
    EXPECT_EQ(lines.front(), "S0030000FC");
    EXPECT_EQ(lines.back(), "S70500020300F5");
    EXPECT_EQ(lines[1].substr(0, 12), "S32100020000");
    EXPECT_EQ(lines[1].size(), 70u);
    EXPECT_EQ(lines[1].substr(68), "BF");

    // Three runs; each ends in its one short record.
    std::vector<std::pair<std::size_t, std::string>> shortRecords;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        ASSERT_EQ(lines[i].substr(0, 2), "S3") << "line " << i + 1;
        if (lines[i].substr(2, 2) != "21") {
            shortRecords.emplace_back(i + 1, lines[i].substr(0, 12));
        }
    }
    const std::vector<std::pair<std::size_t, std::string>> expected = {
        {20, "S30D000201F8"}, {955, "S31500026928"}, {994, "S31900030428"}};
    EXPECT_EQ(shortRecords, expected);
    EXPECT_EQ(lines[20].substr(0, 12), "S32100020300");
    EXPECT_EQ(lines[955].substr(0, 12), "S32100030000");

    EXPECT_EQ(SRecordFault(McoreBytes()), "");
}

TEST(XilinxImage, HeaderFields)
{
    static_assert(sizeof(KeXilinxData) == 336760);
    ASSERT_EQ(KeXilinxDataSizeBytes, 336759u);
    const UInt8* d = KeXilinxData;
    const UInt8 preamble[] = {0x00, 0x09, 0x0F, 0xF0, 0x0F, 0xF0, 0x0F, 0xF0, 0x0F, 0xF0, 0x00, 0x00, 0x01};
    EXPECT_EQ(std::memcmp(d, preamble, sizeof preamble), 0);
    EXPECT_EQ(std::memcmp(d + 13, "a\0\x11", 3), 0);
    EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(d + 16)), 16u);
    EXPECT_EQ(std::memcmp(d + 33, "b\0\x0C" "2s400efg456\0", 15), 0);
    EXPECT_EQ(std::memcmp(d + 48, "c\0\x0B", 3), 0);
    const std::string date(reinterpret_cast<const char*>(d + 51));
    EXPECT_EQ(date.size(), 10u);
    EXPECT_EQ(date.find_first_not_of("0123456789/"), std::string::npos);
    EXPECT_TRUE(date[4] == '/' && date[7] == '/') << date;
    EXPECT_EQ(std::memcmp(d + 62, "d\0\x09", 3), 0);
    const std::string time(reinterpret_cast<const char*>(d + 65));
    EXPECT_EQ(time.size(), 8u);
    EXPECT_TRUE(time[2] == ':' && time[5] == ':') << time;
    EXPECT_EQ(std::memcmp(d + 74, "e\x00\x05\x23\x28", 5), 0);

    const kefw::BitCheck check = kefw::CheckBitFile("KeXilinx.bit", XilinxBytes());
    EXPECT_FALSE(check.fault.has_value()) << check.fault.value_or("");
    EXPECT_EQ(check.layout.bitstreamOffset, 79u);
    EXPECT_EQ(check.layout.bitstreamLength, 336680u);
}

TEST(XilinxImage, BitstreamShape)
{
    const UInt8* d = KeXilinxData;
    std::size_t first = 0;
    // The pad byte is searched too: it must not complete a sync sequence.
    EXPECT_EQ(CountSync(d, sizeof KeXilinxData, first), 1u);
    EXPECT_EQ(first, 79u);
    EXPECT_EQ(d[336759], 0);
    EXPECT_EQ((KeXilinxDataSizeBytes - 79) % 4, 0u);
    const UInt8* tail = d + KeXilinxDataSizeBytes - 16;
    EXPECT_TRUE(std::all_of(tail, tail + 16, [](UInt8 b) { return b == 0; }));
    // Payload after the sync words: a configuration write, then real content.
    EXPECT_EQ(d[87] >> 5, 1) << "type 1 packet header expected after the sync word";
    EXPECT_GT(std::count_if(d + 87, tail, [](UInt8 b) { return b != 0; }), 10000);
}

TEST(SRecordCheck, NamesTheFaultyLine)
{
    struct Case {
        const char* what;
        std::function<void(Bytes&)> corrupt;
        std::string fault;
    };
    const std::vector<Case> cases = {
        {"checksum", [](Bytes& b) { b[LineStart(b, 2) + 69] = 'E'; },
         "KeMCORE06.s19: line 2: checksum is BE, expected BF"},
        {"lower case", [](Bytes& b) {
             const std::size_t at = LineStart(b, 3);
             const auto letter = std::find_if(b.begin() + at + 2, b.begin() + at + 70,
                                              [](std::uint8_t c) { return c >= 'A' && c <= 'F'; });
             *letter = static_cast<std::uint8_t>(*letter + ('a' - 'A'));
         },
         "KeMCORE06.s19: line 3: lower-case hex digit at column "},
        {"bare LF", [](Bytes& b) { b.erase(b.begin() + LineStart(b, 6) - 2); },
         "KeMCORE06.s19: line 5: line ends in LF without CR"},
        {"bare CR", [](Bytes& b) { b.erase(b.begin() + LineStart(b, 7) - 1); },
         "KeMCORE06.s19: line 6: CR not followed by LF"},
        {"no final CR LF", [](Bytes& b) { b.resize(b.size() - 2); },
         "KeMCORE06.s19: line 995: line does not end in CR LF"},
        {"count", [](Bytes& b) { b[LineStart(b, 7) + 3] = '0'; },
         "KeMCORE06.s19: line 7: count 20 needs 68 characters, line has 70"},
        {"character", [](Bytes& b) { b[LineStart(b, 8) + 20] = 'G'; },
         "KeMCORE06.s19: line 8: character 0x47 at column 21"},
        {"record type", [](Bytes& b) { b[LineStart(b, 9) + 1] = '4'; },
         "KeMCORE06.s19: line 9: unknown record type 0x34"},
        {"address width", [](Bytes& b) {
             b.resize(LineStart(b, 995));
             const std::string s7 = "S7030000FC\r\n";
             b.insert(b.end(), s7.begin(), s7.end());
         },
         "KeMCORE06.s19: line 995: count 03 too small for a 4-byte address"},
        {"no start record", [](Bytes& b) { b.resize(LineStart(b, 995)); },
         "KeMCORE06.s19: line 994: file does not end with a start-address record (S7, S8 or S9)"},
        {"after start record", [](Bytes& b) {
             const std::string s9 = "S9030000FC\r\n";
             b.insert(b.end(), s9.begin(), s9.end());
         },
         "KeMCORE06.s19: line 996: record after the start-address record"},
        {"empty line", [](Bytes& b) { b.insert(b.begin(), {'\r', '\n'}); },
         "KeMCORE06.s19: line 1: empty line"},
        {"empty file", [](Bytes& b) { b.clear(); }, "KeMCORE06.s19: line 1: file is empty"},
    };
    for (const Case& c : cases) {
        Bytes bytes = McoreBytes();
        c.corrupt(bytes);
        const std::string fault = SRecordFault(bytes);
        EXPECT_EQ(fault.substr(0, c.fault.size()), c.fault) << c.what << ": " << fault;
    }
}

TEST(BitFileCheck, NamesTheFaultyOffset)
{
    struct Case {
        const char* what;
        std::function<void(Bytes&)> corrupt;
        std::string fault;
    };
    const std::vector<Case> cases = {
        {"e length", [](Bytes& b) { b[78] = 0x29; },
         "KeXilinx.bit: offset 75: field e declares 336681 bytes but 336680 follow"},
        {"sync twice", [](Bytes& b) {
             std::copy(std::begin(kefw::kBitstreamSync), std::end(kefw::kBitstreamSync), b.begin() + 200001);
         },
         "KeXilinx.bit: offset 200001: FF FF FF FF AA 99 55 66 occurs again"},
        {"sync in the header", [](Bytes& b) {
             std::copy(std::begin(kefw::kBitstreamSync), std::end(kefw::kBitstreamSync), b.begin() + 17);
         },
         "KeXilinx.bit: offset 17: FF FF FF FF AA 99 55 66 occurs again"},
        {"no sync", [](Bytes& b) { b[86] = 0x67; },
         "KeXilinx.bit: offset 79: bitstream does not begin with FF FF FF FF AA 99 55 66"},
        {"truncated in field b", [](Bytes& b) { b.resize(40); },
         "KeXilinx.bit: offset 36: file ends inside the field b"},
        {"truncated in e length", [](Bytes& b) { b.resize(77); },
         "KeXilinx.bit: offset 75: file ends inside the length of field e"},
        {"empty", [](Bytes& b) { b.clear(); }, "KeXilinx.bit: offset 0: file ends inside the preamble length"},
        {"preamble length", [](Bytes& b) { b[1] = 8; }, "KeXilinx.bit: offset 0: preamble length is 8"},
        {"preamble bytes", [](Bytes& b) { b[5] = 0; }, "KeXilinx.bit: offset 2: preamble bytes differ"},
        {"field count", [](Bytes& b) { b[12] = 2; }, "KeXilinx.bit: offset 11: expected 00 01, found 2"},
        {"tag", [](Bytes& b) { b[33] = 'x'; }, "KeXilinx.bit: offset 33: expected tag of field b, found 0x78"},
        {"NUL", [](Bytes& b) { b[32] = 'x'; }, "KeXilinx.bit: offset 16: field a is not NUL-terminated"},
        {"bitstream too far in", [](Bytes& b) {
             b.insert(b.begin() + 16, 70, 'x');  // a longer design name
             b[15] = 17 + 70;
         },
         "KeXilinx.bit: offset 149: bitstream starts after offset 143"},
        {"part word", [](Bytes& b) {
             b.pop_back();
             b[78] = 0x27;
         },
         "KeXilinx.bit: offset 79: bitstream length 336679 is not a whole number of 32-bit words"},
    };
    for (const Case& c : cases) {
        Bytes bytes = XilinxBytes();
        c.corrupt(bytes);
        const std::string fault = BitFault(bytes);
        EXPECT_EQ(fault.substr(0, c.fault.size()), c.fault) << c.what << ": " << fault;
    }
}
