// SPDX-License-Identifier: MIT
// The update controller's integer type names.
#pragma once

#include <cstdint>

typedef std::uint32_t ULWord;
typedef std::uint32_t VersionInfo;
