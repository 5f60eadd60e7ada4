// SPDX-License-Identifier: MIT
// The look at the units that runs off the window's main thread: one at a
// time, its readings handed over once, and an end that never waits on a unit.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "macapps/KEFirmwareUpdate/UnitSurvey.h"
#include "tests/support/SimBus.h"

using namespace std::chrono_literals;

TEST(UnitSurvey, RunsOneAtATimeAndHandsItsReadingsOverOnce)
{
    simbus::Bus bus;
    std::atomic<int> news{0};
    UnitSurvey survey(bus.transports(), simbus::NoPause, [&] { ++news; });
    bus.model().SetLatency(50ms);
    ASSERT_TRUE(survey.Start());
    EXPECT_FALSE(survey.Start()) << "one at a time";
    EXPECT_FALSE(survey.TakeFinished().has_value()) << "nothing before it ends";
    ASSERT_TRUE(survey.WaitUntilIdle(60s));
    const auto readings = survey.TakeFinished();
    ASSERT_TRUE(readings.has_value() && readings->size() == 1u);
    EXPECT_EQ(std::tuple(0, 0x00140019u, 1),
              std::tuple((*readings)[0].status, (*readings)[0].info.softwareVer, news.load()));
    EXPECT_FALSE(survey.TakeFinished().has_value()) << "taken once";
}

TEST(UnitSurvey, EndsWithoutWaitingForAUnitThatStoppedAnsweringAndNeverReportsAfterwards)
{
    simbus::Bus bus;
    bus.model().SetLatency(300ms);  // longer than the end waits, for each of its reads
    std::atomic<int> news{0};
    auto survey = std::make_unique<UnitSurvey>(bus.transports(), simbus::NoPause, [&] { ++news; });
    ASSERT_TRUE(survey->Start());
    std::this_thread::sleep_for(20ms);
    const auto start = std::chrono::steady_clock::now();
    survey.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, UnitSurvey::kEndWait + 150ms);

    // The survey goes on with its own share of the bus, and ends without a word.
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (bus.model().Log().size() < 4 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(std::pair(std::size_t{4}, 0), std::pair(bus.model().Log().size(), news.load()));
}
