// SPDX-License-Identifier: MIT
// Structural checks of the two firmware image files, run at build time before
// their bytes are compiled in. A file that fails never reaches the unit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kefw {

// The sequence that opens every configuration bitstream: one dummy word of
// all ones and the synchronisation word.
inline constexpr std::uint8_t kBitstreamSync[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xAA, 0x99, 0x55, 0x66};

// Where the bitstream sits inside a .bit file.
struct BitLayout {
    std::size_t bitstreamOffset = 0;
    std::size_t bitstreamLength = 0;
};

// S-record text: every line is a well-formed record (upper-case hex, count
// matching the line, address width matching the type, correct checksum),
// every line ends in CR LF, and the last record is a start-address record.
// Returns a diagnostic "<name>: line <n>: <what>" for the first fault.
std::optional<std::string> CheckSRecord(std::string_view name, std::span<const std::uint8_t> bytes);

// .bit container: preamble, fields a-d with 16-bit lengths, field e with the
// 32-bit bitstream length matching the rest of the file, the bitstream starting
// with kBitstreamSync, that sequence occurring nowhere else, and a whole number
// of words. Returns a diagnostic "<name>: offset <n>: <what>" for the first
// fault, or the layout when the file is sound.
struct BitCheck {
    std::optional<std::string> fault;
    BitLayout layout;
};
BitCheck CheckBitFile(std::string_view name, std::span<const std::uint8_t> bytes);

}  // namespace kefw
