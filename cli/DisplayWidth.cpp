// SPDX-License-Identifier: MIT
#include "cli/DisplayWidth.h"

#include <cstdint>

namespace kecli {
namespace {

struct Range {
    char32_t first;
    char32_t last;
};

// The ranges a terminal draws in two columns: Hangul Jamo, CJK, kana,
// Hangul syllables, compatibility ideographs, full-width forms.
constexpr Range kWide[] = {{0x1100, 0x115F},   {0x2E80, 0x303E},  {0x3041, 0x33FF}, {0x3400, 0x4DBF},
                           {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},  {0xAC00, 0xD7A3}, {0xF900, 0xFAFF},
                           {0xFE30, 0xFE4F},   {0xFF00, 0xFF60},  {0xFFE0, 0xFFE6}, {0x1F300, 0x1F64F},
                           {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD}};
// Marks drawn over the character before them.
constexpr Range kCombining[] = {{0x0300, 0x036F}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF},
                                {0x200B, 0x200F}, {0x20D0, 0x20FF}, {0xFE20, 0xFE2F}};

bool In(const Range* begin, const Range* end, char32_t c)
{
    for (const Range* r = begin; r != end; ++r) {
        if (c >= r->first && c <= r->last) return true;
    }
    return false;
}

std::size_t Columns(char32_t c)
{
    if (In(std::begin(kCombining), std::end(kCombining), c)) return 0;
    return In(std::begin(kWide), std::end(kWide), c) ? 2 : 1;
}

}  // namespace

std::size_t DisplayWidth(std::string_view utf8)
{
    std::size_t width = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80           ? 1
                                   : (lead >> 5) == 0x6  ? 2
                                   : (lead >> 4) == 0xE  ? 3
                                   : (lead >> 3) == 0x1E ? 4
                                                         : 0;
        bool whole = length != 0 && i + length <= utf8.size();
        char32_t c = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        for (std::size_t k = 1; whole && k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            whole = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        if (!whole) {
            ++width;
            ++i;
            continue;
        }
        width += Columns(c);
        i += length;
    }
    return width;
}

std::string PadToWidth(std::string text, std::size_t width)
{
    const std::size_t has = DisplayWidth(text);
    if (has < width) text.append(width - has, ' ');
    return text;
}

}  // namespace kecli
