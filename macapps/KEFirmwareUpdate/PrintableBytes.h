// SPDX-License-Identifier: MIT
// The one printable form of bytes a unit sends (its serial number): what the
// window, the command line, their JSON and the history show of them.
#pragma once

#include <string>
#include <string_view>

// Printable ASCII stays as it is, a backslash becomes "\\" and every other
// byte "\xHH" (upper-case hex), so that different bytes never look alike.
std::string PrintableBytes(std::string_view bytes);
