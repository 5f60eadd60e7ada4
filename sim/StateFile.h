// SPDX-License-Identifier: MIT
// What a simulated unit keeps across a power cycle: for each flash, whether
// it was touched, the image it holds and the version that image runs as.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/KeUnitModel.h"

namespace kesim {

enum class FlashCondition : std::uint8_t {
    Untouched = 0,  // as the unit left the factory: runs the configured version
    Erased = 1,     // erased and not (yet) written and accepted: only the boot loader runs
    Accepted = 2,   // holds an accepted image
};

struct StoredFlash {
    FlashCondition condition = FlashCondition::Untouched;
    std::uint16_t version = 0;           // Accepted only
    std::vector<std::uint8_t> contents;  // Accepted only
};

// Who the unit is, so that a restart is the same unit.
struct UnitIdentity {
    std::string serialNumber;  // at most kMaxStoredSerial bytes
    std::uint32_t productVersion = 0;
    std::uint64_t guid = 0;
    std::uint32_t softwareVersion = 0;  // as it left the factory: what untouched flashes run
};

constexpr std::size_t kMaxStoredSerial = 255;

struct UnitState {
    std::optional<UnitIdentity> identity;  // files of the first format have none
    StoredFlash flash[2];                  // indexed by FlashDevice

    StoredFlash& operator[](FlashDevice device) { return flash[static_cast<std::size_t>(device)]; }
    const StoredFlash& operator[](FlashDevice device) const { return flash[static_cast<std::size_t>(device)]; }
};

// The software version word after power-on: each half from `configured`
// while its flash is untouched, 0 while erased, the stored version once
// accepted.
std::uint32_t PowerOnVersion(const UnitState& state, std::uint32_t configured);

enum class LoadResult { Loaded, Missing, Invalid };

// Reads a state file; `error` says why when the result is not Loaded. Only
// a regular file no larger than both flashes and the identity is read: a
// folder, FIFO or device is Invalid, and nothing blocks.
LoadResult LoadUnitState(const std::string& path, UnitState& state, std::string& error);

// Writes the state to a temporary file beside `path` and renames it over
// `path`, so that a crash leaves either the old or the new state.
bool SaveUnitState(const std::string& path, const UnitState& state, std::string& error);

// Writes `bytes` the same way: a reader sees the old file or the whole new one.
bool WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error);

}  // namespace kesim
