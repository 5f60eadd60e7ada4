// SPDX-License-Identifier: MIT
#include "macapps/KEFirmwareUpdate/UnitSurvey.h"

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <utility>

#include "macapps/KEFirmwareUpdate/UnitReading.h"

using APW::PTA::KeUnitReading;

struct UnitSurvey::Shared {
    Shared(fwplat::Transports transports, KeSleepFunction sleep, std::function<void()> finished)
        : transports(std::move(transports)), sleep(std::move(sleep)), finished(std::move(finished))
    {
    }

    const fwplat::Transports transports;
    const KeSleepFunction sleep;
    const std::function<void()> finished;

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    bool requested = false;  // a survey is asked for and not yet begun
    bool running = false;    // asked for or under way
    bool ending = false;     // the owner is gone or going
    bool ended = false;      // the worker has left its loop
    std::optional<Readings> readings;
};

UnitSurvey::UnitSurvey(fwplat::Transports transports, KeSleepFunction sleep, std::function<void()> finished)
    : mShared(std::make_shared<Shared>(std::move(transports), std::move(sleep), std::move(finished)))
{
    mWorker = std::thread(&UnitSurvey::Work, mShared);
}

UnitSurvey::~UnitSurvey()
{
    bool ended = false;
    {
        std::unique_lock lock(mShared->mutex);
        mShared->ending = true;
        mShared->changed.notify_all();
        ended = mShared->changed.wait_for(lock, kEndWait, [this] { return mShared->ended; });
    }
    if (ended) {
        mWorker.join();
    } else {
        mWorker.detach();
    }
}

void UnitSurvey::Work(const std::shared_ptr<Shared>& shared)
{
    std::unique_lock lock(shared->mutex);
    for (;;) {
        shared->changed.wait(lock, [&] { return shared->requested || shared->ending; });
        if (shared->ending) break;
        shared->requested = false;
        lock.unlock();
        Readings readings = APW::PTA::SurveyKeUnitsQuietly(shared->transports, shared->sleep);
        lock.lock();
        shared->readings = std::move(readings);
        shared->running = false;
        shared->changed.notify_all();
        if (!shared->ending && shared->finished) shared->finished();
    }
    shared->ended = true;
    shared->changed.notify_all();
}

bool UnitSurvey::Start()
{
    std::lock_guard lock(mShared->mutex);
    if (mShared->running) return false;
    mShared->running = mShared->requested = true;
    mShared->changed.notify_all();
    return true;
}

bool UnitSurvey::Running() const
{
    std::lock_guard lock(mShared->mutex);
    return mShared->running;
}

std::optional<UnitSurvey::Readings> UnitSurvey::TakeFinished()
{
    std::lock_guard lock(mShared->mutex);
    return std::exchange(mShared->readings, std::nullopt);
}

bool UnitSurvey::WaitUntilIdle(std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mShared->mutex);
    return mShared->changed.wait_for(lock, timeout, [this] { return !mShared->running; });
}

namespace {

std::string KeyOf(const KeUnitReading& unit)
{
    return unit.identity.guid ? "GUID " + APW::PTA::GuidText(unit.identity.guid) : "at " + unit.where;
}

std::string Describe(const KeUnitReading& unit)
{
    if (unit.status == 0)
        return KeyOf(unit) + ", serial " + APW::PTA::SerialNumberText(unit.info) + ", firmware " +
               APW::PTA::InstalledVersionText(unit.info);
    return KeyOf(unit) + ", not offered: " + (unit.reason.empty() ? APW::PTA::KeStatusText(unit.status) : unit.reason);
}

}  // namespace

std::vector<std::string> SurveyChanges(const UnitSurvey::Readings& before, const UnitSurvey::Readings& after)
{
    std::map<std::string, std::string> was;
    for (const KeUnitReading& unit : before) was[KeyOf(unit)] = Describe(unit);
    std::vector<std::string> lines;
    for (const KeUnitReading& unit : after) {
        const std::string now = Describe(unit);
        const auto it = was.find(KeyOf(unit));
        if (it == was.end()) {
            lines.push_back("Ke connected: " + now);
            continue;
        }
        if (it->second != now) lines.push_back("Ke changed: " + now);
        was.erase(it);
    }
    for (const auto& [key, description] : was) lines.push_back("Ke disconnected: " + description);
    return lines;
}
