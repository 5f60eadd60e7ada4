// SPDX-License-Identifier: MIT
// The one way a text's placeholders are filled, for the core and for the
// front ends that translate it.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

// `text` with its %1, %2 ... replaced by `args` in one pass: an argument that
// holds "%2" itself is left as it is. A placeholder without an argument stays.
inline std::string FillPlaceholders(std::string_view text, std::initializer_list<std::string_view> args)
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
