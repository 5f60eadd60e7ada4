// SPDX-License-Identifier: MIT
#include "macapps/KEFirmwareUpdate/PrintableBytes.h"

std::string PrintableBytes(std::string_view bytes)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string printable;
    printable.reserve(bytes.size());
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\\') {
            printable += "\\\\";
        } else if (u >= 0x20 && u < 0x7F) {
            printable += c;
        } else {
            printable += "\\x";
            printable += kHex[u >> 4];
            printable += kHex[u & 0xF];
        }
    }
    return printable;
}
