// SPDX-License-Identifier: MIT
// Which of the units on the bus the window shows and updates. The choice is
// kept by the unit's GUID (by where it is, for a unit whose GUID the bus
// does not tell) from one look at the bus to the next, for as long as the
// unit is on the bus, also while it cannot be used.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "macapps/KEFirmwareUpdate/KeResults.h"

class UnitChoice {
public:
    // Takes a new look at the bus: every unit found, offered for an update
    // or not, in discovery order. The chosen unit stays chosen while it is
    // found, also when another program holds it or it cannot be read; only
    // when it has left is the first unit offered chosen, and Left() tells
    // which unit went if the user could have chosen it. Units that arrive
    // change nothing. With none offered the choice waits for the chosen
    // unit to return.
    void Update(const std::vector<APW::PTA::KeUnitReading>& survey);
    // The user picks an entry of Entries(); ignored when out of range.
    void Choose(std::size_t index);
    // The user has seen what Left() said.
    void ForgetLeft() { mLeft.reset(); }

    // The chosen unit as it was last offered; null when none is chosen.
    const APW::PTA::KeUnitReading* Chosen() const;
    // The chosen unit's latest reading while it is found but not offered
    // (held, unreadable); null otherwise.
    const APW::PTA::KeUnitReading* ChosenProblem() const { return mProblem ? &*mProblem : nullptr; }
    std::size_t ChosenIndex() const { return mChosen; }
    // One per unit listed, the units offered and the chosen one: its serial
    // number and version, with the GUID when serial numbers repeat, in the
    // user's language (UTF-8).
    const std::vector<std::string>& Entries() const { return mEntries; }
    // The entry of the chosen unit that left, until the user chooses again.
    const std::optional<std::string>& Left() const { return mLeft; }

private:
    // The units listed: those offered, and the chosen one as last offered.
    std::vector<APW::PTA::KeUnitReading> mListed;
    std::vector<std::string> mEntries;
    std::size_t mChosen = 0;
    std::optional<std::string> mChosenKey;
    std::optional<APW::PTA::KeUnitReading> mChosenOffered;
    std::optional<APW::PTA::KeUnitReading> mProblem;
    std::string mChosenEntry;
    // The chosen unit was on show beside others: the user could have chosen it.
    bool mChosenAmongSeveral = false;
    std::optional<std::string> mLeft;
};
