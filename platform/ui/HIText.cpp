#include "platform/ui/HIText.h"

#include <array>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Windows Latin-1 differs from ISO 8859-1 only in 0x80..0x9F. The five bytes
// it leaves undefined map to the C1 control of the same value, so that every
// byte survives a round trip.
constexpr std::array<char32_t, 32> kWindowsLatin1High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUTF8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Reads one code point at `pos` and advances past it. A malformed or
// overlong sequence, or a surrogate, yields kReplacement for its first byte.
char32_t NextCodePoint(std::string_view text, size_t& pos)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    size_t length = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, c = lead & 0x07, minimum = 0x10000;
    } else {
        ++pos;
        return kReplacement;
    }
    if (pos + length > text.size()) {
        ++pos;
        return kReplacement;
    }
    for (size_t i = 1; i < length; ++i) {
        const unsigned char next = byte(pos + i);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return kReplacement;
        }
        c = (c << 6) | (next & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++pos;
        return kReplacement;
    }
    pos += length;
    return c;
}

char32_t WindowsLatin1ToUnicode(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0) return kWindowsLatin1High[byte - 0x80];
    return byte;
}

bool UnicodeToWindowsLatin1(char32_t c, char& out)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        out = static_cast<char>(c);
        return true;
    }
    for (size_t i = 0; i < kWindowsLatin1High.size(); ++i) {
        if (kWindowsLatin1High[i] == c) {
            out = static_cast<char>(0x80 + i);
            return true;
        }
    }
    return false;
}

}  // namespace

TextEncoding GetSystemTextEncoding() { return kTextEncodingUTF8; }

std::string TextCreateWithCString(const char* cString, TextEncoding encoding)
{
    std::string result;
    if (cString == nullptr) return result;
    const std::string_view bytes(cString);
    if (encoding == kTextEncodingWindowsLatin1) {
        for (char b : bytes) AppendUTF8(result, WindowsLatin1ToUnicode(static_cast<unsigned char>(b)));
        return result;
    }
    for (size_t pos = 0; pos < bytes.size();) AppendUTF8(result, NextCodePoint(bytes, pos));
    return result;
}

std::string TextGetBytes(std::string_view text, TextEncoding encoding, char lossByte)
{
    std::string result;
    for (size_t pos = 0; pos < text.size();) {
        const size_t start = pos;
        const char32_t c = NextCodePoint(text, pos);
        const bool malformed = c == kReplacement && text.substr(start, pos - start) != "\xEF\xBF\xBD";
        if (malformed) {
            result.push_back(lossByte);
            continue;
        }
        if (encoding != kTextEncodingWindowsLatin1) {
            AppendUTF8(result, c);
            continue;
        }
        char out = lossByte;
        UnicodeToWindowsLatin1(c, out);
        result.push_back(out);
    }
    return result;
}
