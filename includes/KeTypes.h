// SPDX-License-Identifier: MIT
// Basic integer type names shared by the application and the class library.
#pragma once

#include <cstdint>

typedef std::uint32_t ULWord;
typedef std::uint32_t VersionInfo;
