// SPDX-License-Identifier: MIT
// `history`: the update attempts that both programs recorded, oldest first.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "cli/ExitCodes.h"

namespace kecli {

// One line a record, or with `json` one JSON array of them, on `out`; what
// Read() leaves out of the file is told on `err`. `path`: the history file
// (none without a usable home).
ExitCode ShowHistory(const std::optional<std::string>& path, bool json, std::FILE* out, std::FILE* err);

}  // namespace kecli
