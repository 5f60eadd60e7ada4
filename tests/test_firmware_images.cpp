// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "firmware/ImageCheck.h"
#include "macapps/KEFirmwareUpdate/KeXilinx.h"
#include "macapps/KEFirmwareUpdate/Ke_MCORE.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Corruption = std::function<void(Bytes&)>;

Bytes Mcore() { return Bytes(KeMCORE06data, KeMCORE06data + KeMCORE06dataSize); }
Bytes Xilinx() { return Bytes(KeXilinxData, KeXilinxData + KeXilinxDataSizeBytes); }
const std::string kStartRecord = "S70500020300F5\r\n";

// Offset of line n (n >= 2) while the records before it are full 32-byte ones.
constexpr std::size_t Line(std::size_t n) { return 12 + 72 * (n - 2); }

// `count` bytes at `at` become `text`.
void Splice(Bytes& b, std::size_t at, std::size_t count, const std::string& text)
{
    b.erase(b.begin() + at, b.begin() + at + count);
    b.insert(b.begin() + at, text.begin(), text.end());
}

std::string SRecordFault(const Bytes& bytes) { return kefw::CheckSRecord("KeMCORE06.s19", bytes).value_or(""); }
std::string BitFault(const Bytes& bytes) { return kefw::CheckBitFile("KeXilinx.bit", bytes).fault.value_or(""); }

// Each corruption of `image` is reported as the file's name and `what`, then anything more.
void ExpectFaults(const std::vector<std::pair<Corruption, std::string>>& cases, const Bytes& image,
                  std::string (*check)(const Bytes&), const std::string& file)
{
    for (const auto& [corrupt, what] : cases) {
        Bytes bytes = image;
        corrupt(bytes);
        const std::string fault = check(bytes);
        EXPECT_EQ(fault.substr(0, file.size() + what.size()), file + what) << fault;
    }
}

}  // namespace

TEST(BuiltInImages, McoreSizeAndRecordsXilinxHeaderAndBitstream)
{
    ASSERT_EQ(KeMCORE06dataSize, 71444u);
    // Syntax, CR LF endings, every checksum; the address runs are the independent tool's to check.
    EXPECT_EQ(SRecordFault(Mcore()), "");
    ASSERT_EQ(KeXilinxDataSizeBytes, 336759u);
    const kefw::BitCheck check = kefw::CheckBitFile("KeXilinx.bit", Xilinx());
    ASSERT_FALSE(check.fault.has_value()) << *check.fault;  // also: the sync sequence nowhere but at the start
    // The program sends from where the build's check found the bitstream.
    EXPECT_EQ(std::pair(check.layout.bitstreamOffset, check.layout.bitstreamLength), std::pair(79ul, 336680ul));
    EXPECT_EQ(std::pair(KeXilinxBitstreamOffset, KeXilinxBitstreamLength), std::pair(79u, 336680u));

    // The part, a field the check does not look into.
    const UInt8* d = KeXilinxData;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(d) + 33, 15), std::string("b\0\0142s400efg456", 15));

    // A configuration write after the sync word, real frame data, four zero words at the end.
    const UInt8* tail = d + KeXilinxDataSizeBytes - 16;
    EXPECT_EQ(d[87] >> 5, 1) << "type 1 packet header expected after the sync word";
    EXPECT_GT(std::count_if(d + 87, tail, [](UInt8 b) { return b != 0; }), 10000);
    EXPECT_TRUE(std::all_of(tail, tail + 16, [](UInt8 b) { return b == 0; }));
}

TEST(ImageCheck, NamesTheFaultyLineOrOffset)
{
    const std::vector<std::pair<Corruption, std::string>> srecord = {
        {[](Bytes& b) { b[Line(2) + 69] = 'E'; }, "line 2: checksum is BE, expected BF"},
        {[](Bytes& b) { b[Line(3) + 11] = 'c'; }, "line 3: lower-case hex digit at column 12"},
        {[](Bytes& b) { b.erase(b.begin() + Line(6) - 2); }, "line 5: line ends in LF without CR"},
        {[](Bytes& b) { b.erase(b.begin() + Line(7) - 1); }, "line 6: CR not followed by LF"},
        {[](Bytes& b) { b.resize(b.size() - 2); }, "line 995: line does not end in CR LF"},
        {[](Bytes& b) { b[Line(7) + 3] = '0'; }, "line 7: count 20 needs 68 characters, line has 70"},
        {[](Bytes& b) { b[Line(8) + 20] = 'G'; }, "line 8: character 0x47 at column 21"},
        {[](Bytes& b) { b[Line(9) + 1] = '4'; }, "line 9: unknown record type 0x34"},
        {[](Bytes& b) { Splice(b, b.size() - kStartRecord.size(), kStartRecord.size(), "S7030000FC\r\n"); },
         "line 995: count 03 too small for a 4-byte address"},
        {[](Bytes& b) { b.resize(b.size() - kStartRecord.size()); },
         "line 994: file does not end with a start-address record (S7, S8 or S9)"},
        {[](Bytes& b) { Splice(b, b.size(), 0, "S9030000FC\r\n"); }, "line 996: record after the start-address record"},
        {[](Bytes& b) { Splice(b, 0, 0, "\r\n"); }, "line 1: empty line"},
        {[](Bytes& b) { b.clear(); }, "line 1: file is empty"},
    };
    ExpectFaults(srecord, Mcore(), SRecordFault, "KeMCORE06.s19: ");
    const std::vector<std::pair<Corruption, std::string>> bit = {
        {[](Bytes& b) { b[78] = 0x29; }, "offset 75: field e declares 336681 bytes but 336680 follow"},
        {[](Bytes& b) { std::copy_n(kefw::kBitstreamSync, 8, b.begin() + 17); },
         "offset 17: FF FF FF FF AA 99 55 66 occurs again"},
        {[](Bytes& b) { b[86] = 0x67; }, "offset 79: bitstream does not begin with FF FF FF FF AA 99 55 66"},
        {[](Bytes& b) { b.resize(40); }, "offset 36: file ends inside the field b"},
        {[](Bytes& b) { b.clear(); }, "offset 0: file ends inside the preamble length"},
        {[](Bytes& b) { b[1] = 8; }, "offset 0: preamble length is 8"},
        {[](Bytes& b) { b[5] = 0; }, "offset 2: preamble bytes differ"},
        {[](Bytes& b) { b[12] = 2; }, "offset 11: expected 00 01, found 2"},
        {[](Bytes& b) { b[33] = 'x'; }, "offset 33: expected tag of field b, found 0x78"},
        {[](Bytes& b) { b[32] = 'x'; }, "offset 16: field a is not NUL-terminated"},
        // A longer design name pushes the bitstream past where the program looks for it.
        {[](Bytes& b) { Splice(b, 15, 1, char(17 + 70) + std::string(70, 'x')); },
         "offset 149: bitstream starts after offset 143"},
        {[](Bytes& b) { b.pop_back(), b[78] = 0x27; },
         "offset 79: bitstream length 336679 is not a whole number of 32-bit words"},
    };
    ExpectFaults(bit, Xilinx(), BitFault, "KeXilinx.bit: ");
}
