// SPDX-License-Identifier: MIT
// A look at every unit on the bus, taken off the caller's thread: one survey
// at a time on a worker thread of its own, over transports it holds a share
// of. The window's main thread starts one on a tick and shows the readings
// once they are there, so that a slow or silent unit never holds it up.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "macapps/KEFirmwareUpdate/KeResults.h"
#include "platform/firewire/FWTransport.h"
#include "platform/threads/Sleep.h"

class UnitSurvey {
public:
    using Readings = std::vector<APW::PTA::KeUnitReading>;

    // How long the destructor waits for a survey still out before leaving
    // it to end on its own.
    static constexpr std::chrono::milliseconds kEndWait{200};

    // `finished` runs on the worker each time a survey's readings are ready
    // to take, with this object's lock held: it may only hand the news on
    // (queue a call to another thread), never call back into this object.
    UnitSurvey(fwplat::Transports transports, KeSleepFunction sleep, std::function<void()> finished = {});
    // Never waits long for a unit: a survey still out after kEndWait (a unit
    // that has stopped answering) ends later by itself, holding its own share
    // of what it uses, and `finished` is not called again.
    ~UnitSurvey();

    UnitSurvey(const UnitSurvey&) = delete;
    UnitSurvey& operator=(const UnitSurvey&) = delete;

    // Starts a survey; false when one is still out.
    bool Start();
    bool Running() const;
    // The readings of the last survey that finished, once; nullopt when
    // none has finished since they were last taken.
    std::optional<Readings> TakeFinished();
    // Readings that finished but were not taken are dropped.
    void Discard() { TakeFinished(); }
    // Waits until no survey is out; false when one still is after `timeout`.
    bool WaitUntilIdle(std::chrono::milliseconds timeout) const;

private:
    struct Shared;
    static void Work(const std::shared_ptr<Shared>& shared);

    std::shared_ptr<Shared> mShared;
    std::thread mWorker;
};

// What changed between two surveys, one line per unit that arrived, left or
// changed its state or identity: "Ke connected: GUID 0x000a270000000042,
// serial KE000042, firmware 21-20". None when nothing changed.
std::vector<std::string> SurveyChanges(const UnitSurvey::Readings& before, const UnitSurvey::Readings& after);
