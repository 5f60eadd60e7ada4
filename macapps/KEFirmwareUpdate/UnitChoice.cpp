// SPDX-License-Identifier: MIT
#include "macapps/KEFirmwareUpdate/UnitChoice.h"

#include <QCoreApplication>
#include <algorithm>
#include <map>

#include "platform/ui/Translations.h"

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
        const std::string version = APW::PTA::InstalledVersionText(unit.info);
        // Two units without a serial number, or with the same one, differ only by their GUID.
        entries.push_back(
            serialCount[serial] > 1
                ? keui::Fill(QCoreApplication::translate("UnitChoice", "%1, firmware %2, GUID %3"),
                             {serial, version, APW::PTA::GuidText(unit.identity.guid)})
                : keui::Fill(QCoreApplication::translate("UnitChoice", "%1, firmware %2"), {serial, version}));
    }
    return entries;
}

}  // namespace

void UnitChoice::Update(const std::vector<KeUnitReading>& survey)
{
    mListed.clear();
    mProblem.reset();
    for (const KeUnitReading& unit : survey) {
        if (unit.status == 0) {
            mListed.push_back(unit);
        } else if (KeyOf(unit) == mChosenKey && mChosenOffered) {
            // Still on the bus: kept, shown as it was last read.
            mListed.push_back(*mChosenOffered);
            mProblem = unit;
        }
    }
    mEntries = EntriesOf(mListed);
    if (mListed.empty()) return;

    const auto chosen = std::find_if(mListed.begin(), mListed.end(),
                                     [this](const KeUnitReading& unit) { return KeyOf(unit) == mChosenKey; });
    if (chosen != mListed.end()) {
        mChosen = static_cast<std::size_t>(chosen - mListed.begin());
    } else {
        if (mChosenKey && mChosenAmongSeveral) mLeft = mChosenEntry;
        mChosenAmongSeveral = false;
        mChosen = 0;
        mChosenKey = KeyOf(mListed.front());
    }
    mChosenOffered = mListed[mChosen];
    mChosenEntry = mEntries[mChosen];
    if (mListed.size() > 1) mChosenAmongSeveral = true;
}

void UnitChoice::Choose(std::size_t index)
{
    if (index >= mListed.size()) return;
    if (KeyOf(mListed[index]) != mChosenKey) mProblem.reset();
    mChosen = index;
    mChosenKey = KeyOf(mListed[index]);
    mChosenOffered = mListed[index];
    mChosenEntry = mEntries[index];
    mLeft.reset();
}

const KeUnitReading* UnitChoice::Chosen() const { return mListed.empty() ? nullptr : &mListed[mChosen]; }
