// SPDX-License-Identifier: MIT
// How many terminal columns a UTF-8 text takes: a translated label or step
// is lined up by what the eye sees, not by its bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kecli {

// Wide (East Asian) characters take two columns, combining marks none,
// every other character one; a stray byte counts as one.
std::size_t DisplayWidth(std::string_view utf8);

// `text` and the spaces that bring it to `width` columns (none when it is
// that wide already).
std::string PadToWidth(std::string text, std::size_t width);

}  // namespace kecli
