// SPDX-License-Identifier: MIT
#include "macapps/KEFirmwareUpdate/UnitChoice.h"

#include <algorithm>
#include <map>

using APW::PTA::KeUnitReading;

namespace {

std::string KeyOf(const KeUnitReading& unit)
{
    return unit.identity.guid ? APW::PTA::GuidText(unit.identity.guid) : "at " + unit.where;
}

std::vector<std::string> EntriesOf(const std::vector<KeUnitReading>& units)
{
    std::map<std::string, int> serialCount;
    for (const KeUnitReading& unit : units) ++serialCount[APW::PTA::SerialNumberText(unit.info)];
    std::vector<std::string> entries;
    for (const KeUnitReading& unit : units) {
        const std::string serial = APW::PTA::SerialNumberText(unit.info);
        std::string entry = serial + ", firmware " + APW::PTA::InstalledVersionText(unit.info);
        // Two units without a serial number, or with the same one, differ only by their GUID.
        if (serialCount[serial] > 1) entry += ", GUID " + APW::PTA::GuidText(unit.identity.guid);
        entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace

void UnitChoice::Update(const std::vector<KeUnitReading>& survey)
{
    mOffered.clear();
    std::copy_if(survey.begin(), survey.end(), std::back_inserter(mOffered),
                 [](const KeUnitReading& unit) { return unit.status == 0; });
    mEntries = EntriesOf(mOffered);
    if (mOffered.empty()) return;

    const auto chosen = std::find_if(mOffered.begin(), mOffered.end(),
                                     [this](const KeUnitReading& unit) { return KeyOf(unit) == mChosenKey; });
    if (chosen != mOffered.end()) {
        mChosen = static_cast<std::size_t>(chosen - mOffered.begin());
    } else {
        if (mChosenKey && mChosenAmongSeveral) mLeft = mChosenEntry;
        mChosenAmongSeveral = false;
        mChosen = 0;
        mChosenKey = KeyOf(mOffered.front());
    }
    mChosenEntry = mEntries[mChosen];
    if (mOffered.size() > 1) mChosenAmongSeveral = true;
}

void UnitChoice::Choose(std::size_t index)
{
    if (index >= mOffered.size()) return;
    mChosen = index;
    mChosenKey = KeyOf(mOffered[index]);
    mChosenEntry = mEntries[index];
    mLeft.reset();
}

const KeUnitReading* UnitChoice::Chosen() const { return mOffered.empty() ? nullptr : &mOffered[mChosen]; }
