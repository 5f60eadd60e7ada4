// SPDX-License-Identifier: MIT
#include "macapps/KEFirmwareUpdate/KeText.h"

std::string KeUntranslated(const char*, const char* source) { return source; }

std::string KeFill(std::string_view text, std::initializer_list<std::string_view> args)
{
    std::string filled;
    filled.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        const std::size_t index = next >= '1' && next <= '9' ? std::size_t(next - '1') : args.size();
        if (text[i] != '%' || index >= args.size()) {
            filled += text[i];
            continue;
        }
        filled += args.begin()[index];
        ++i;
    }
    return filled;
}
