// Command events from the menu, the keyboard and the close box; the
// application-quit event and the event loop; event-loop timers.
#include <QAction>
#include <QElapsedTimer>
#include <QTest>

#include "tests/gui/UiTestSupport.h"

namespace {

struct CommandLog {
    std::vector<UInt32> commands;
    std::vector<UInt32> attributes;
    OSStatus result = noErr;
};

OSStatus RecordCommand(EventHandlerCallRef, EventRef event, void* data)
{
    auto* log = static_cast<CommandLog*>(data);
    HICommand command{};
    EXPECT_EQ(noErr, GetEventParameter(event, kEventParamDirectObject, typeHICommand, nullptr, sizeof(HICommand),
                                       nullptr, &command));
    log->commands.push_back(command.commandID);
    log->attributes.push_back(command.attributes);
    return log->result;
}

EventHandlerRef InstallCommandHandler(WindowRef window, CommandLog& log)
{
    const EventTypeSpec process = {kEventClassCommand, kEventCommandProcess};
    EventHandlerRef handler = nullptr;
    EXPECT_EQ(noErr, InstallEventHandler(GetWindowEventTarget(window), RecordCommand, 1, &process, &log, &handler));
    return handler;
}

void Trigger(const uitest::MainWindow& main, const char* command)
{
    for (QAction* action : main.Widget()->findChildren<QAction*>()) {
        if (action->property("command").toString() == QLatin1String(command)) return action->trigger();
    }
    ADD_FAILURE() << "no menu item sends " << command;
}

OSStatus SendQuitEvent()
{
    EventRef event = nullptr;
    CreateEvent(nullptr, kEventClassApplication, kEventAppQuit, 0, kEventAttributeNone, &event);
    const OSStatus status = SendEventToEventTarget(event, GetApplicationEventTarget());
    ReleaseEvent(event);
    return status;
}

struct TickLog {
    QElapsedTimer clock;
    std::vector<qint64> at;
    size_t removeAfter = 0;
};

OSStatus RecordTick(EventLoopTimerRef timer, void* data)
{
    auto* log = static_cast<TickLog*>(data);
    log->at.push_back(log->clock.elapsed());
    if (log->at.size() == log->removeAfter) {
        EXPECT_EQ(noErr, RemoveEventLoopTimer(timer));
    }
    return noErr;
}

}  // namespace

TEST(Commands, MenuItemsReachTheWindowFirstAndOnlyAnUnhandledQuitQuits)
{
    uitest::MainWindow main;
    uitest::QuitRecorder quits;
    CommandLog log;
    InstallCommandHandler(main.window, log);

    Trigger(main, "abou");
    Trigger(main, "quit");
    EXPECT_EQ((std::vector<UInt32>{kHICommandAbout, kHICommandQuit}), log.commands);
    EXPECT_EQ((std::vector<UInt32>{kHICommandFromMenu, kHICommandFromMenu}), log.attributes);
    EXPECT_EQ(0, quits.count);

    log.result = eventNotHandledErr;
    Trigger(main, "abou");
    EXPECT_EQ(0, quits.count);
    Trigger(main, "quit");
    EXPECT_EQ(1, quits.count);

    ShowWindow(main.window);
    main.Widget()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.Widget()));
    QTest::keyClick(main.Widget(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(kHICommandQuit, log.commands.back());
    EXPECT_EQ(5u, log.commands.size());
}

TEST(Commands, CloseBoxIsAQuitCommandThatTheWindowMaySwallow)
{
    uitest::MainWindow main;
    uitest::QuitRecorder quits;
    CommandLog log;
    EventHandlerRef handler = InstallCommandHandler(main.window, log);
    ShowWindow(main.window);

    EXPECT_FALSE(main.Widget()->close());
    EXPECT_TRUE(main.Widget()->isVisible());
    EXPECT_EQ((std::vector<UInt32>{kHICommandQuit}), log.commands);
    EXPECT_EQ(0u, log.attributes[0] & kHICommandFromMenu);
    EXPECT_EQ(0, quits.count);

    // Not handled: the standard handling quits, and the loop's end closes.
    log.result = eventNotHandledErr;
    EXPECT_FALSE(main.Widget()->close());
    EXPECT_EQ(1, quits.count);

    EXPECT_EQ(noErr, RemoveEventHandler(handler));
    EXPECT_EQ(paramErr, RemoveEventHandler(nullptr));
    EXPECT_FALSE(main.Widget()->close());
    EXPECT_EQ(2, quits.count);
    EXPECT_EQ(2u, log.commands.size());
}

TEST(EventLoop, QuitHandledWhileNoLoopRunsEndsTheNextLoopAtOnce)
{
    // The start-up tests see a quit end a running loop.
    EXPECT_EQ(noErr, SendQuitEvent());
    RunApplicationEventLoop();
}

TEST(EventLoop, TimerFiresAtOnceThenAtItsInterval)
{
    TickLog log;
    log.removeAfter = 3;
    log.clock.start();
    EventLoopTimerRef timer = nullptr;
    ASSERT_EQ(noErr, InstallEventLoopTimer(GetCurrentEventLoop(), 0, 0.2, RecordTick, &log, &timer));
    QTest::qWait(5);
    ASSERT_EQ(1u, log.at.size());
    EXPECT_LT(log.at[0], 100);
    QTest::qWait(800);
    // Removed from inside its third call.
    ASSERT_EQ(3u, log.at.size());
    EXPECT_GE(log.at[1] - log.at[0], 150);
    EXPECT_LE(log.at[1] - log.at[0], 350);
    EXPECT_EQ(paramErr, RemoveEventLoopTimer(timer));
}

TEST(EventLoop, TimerArgumentsAreChecked)
{
    TickLog log;
    EventLoopTimerRef timer = reinterpret_cast<EventLoopTimerRef>(1);
    EXPECT_EQ(paramErr, InstallEventLoopTimer(nullptr, 0, 0.5, RecordTick, &log, &timer));
    EXPECT_EQ(nullptr, timer);
    EXPECT_EQ(paramErr, InstallEventLoopTimer(GetCurrentEventLoop(), -1, 0.5, RecordTick, &log, &timer));
    EXPECT_EQ(paramErr, InstallEventLoopTimer(GetCurrentEventLoop(), 0, 0.5, nullptr, &log, &timer));
    EXPECT_EQ(paramErr, RemoveEventLoopTimer(nullptr));
}
