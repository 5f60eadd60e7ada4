// SPDX-License-Identifier: MIT
// Which of the units on the bus the window shows and updates. The choice is
// kept by the unit's GUID (by where it is, for a unit whose GUID the bus
// does not tell) from one look at the bus to the next.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "macapps/KEFirmwareUpdate/kefirmwareupdate.h"

class UnitChoice {
public:
    // Takes a new look at the bus: keeps the units offered for an update,
    // in discovery order, and the choice among them. Units that arrive
    // change nothing; when the chosen unit has left the first one is chosen,
    // and Left() tells which unit went if the user could have chosen it.
    // With no unit at all the choice waits for the chosen unit to return.
    void Update(const std::vector<APW::PTA::KeUnitReading>& survey);
    // The user picks an entry of Entries(); ignored when out of range.
    void Choose(std::size_t index);
    // The user has seen what Left() said.
    void ForgetLeft() { mLeft.reset(); }

    // The unit shown; null when none is offered.
    const APW::PTA::KeUnitReading* Chosen() const;
    std::size_t ChosenIndex() const { return mChosen; }
    // One per unit offered: its serial number and version, with the GUID
    // when serial numbers repeat.
    const std::vector<std::string>& Entries() const { return mEntries; }
    // The entry of the chosen unit that left, until the user chooses again.
    const std::optional<std::string>& Left() const { return mLeft; }

private:
    std::vector<APW::PTA::KeUnitReading> mOffered;
    std::vector<std::string> mEntries;
    std::size_t mChosen = 0;
    std::optional<std::string> mChosenKey;
    std::string mChosenEntry;
    // The chosen unit was on show beside others: the user could have chosen it.
    bool mChosenAmongSeveral = false;
    std::optional<std::string> mLeft;
};
