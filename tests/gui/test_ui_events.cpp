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
    EXPECT_EQ(noErr, InstallEventHandler(GetWindowEventTarget(window), NewEventHandlerUPP(RecordCommand), 1,
                                         &process, &log, &handler));
    return handler;
}

QAction* ActionFor(const uitest::MainWindow& main, const char* command)
{
    for (QAction* action : main.Widget()->findChildren<QAction*>()) {
        if (action->property("command").toString() == QLatin1String(command)) return action;
    }
    return nullptr;
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
    int ticks = 0;
    QElapsedTimer clock;
    std::vector<qint64> at;
    int removeAfter = 0;
    bool quitAfterFirst = false;
};

OSStatus RecordTick(EventLoopTimerRef timer, void* data)
{
    auto* log = static_cast<TickLog*>(data);
    ++log->ticks;
    log->at.push_back(log->clock.elapsed());
    if (log->removeAfter != 0 && log->ticks == log->removeAfter) {
        EXPECT_EQ(noErr, RemoveEventLoopTimer(timer));
    }
    if (log->quitAfterFirst) SendQuitEvent();
    return noErr;
}

}  // namespace

TEST(Commands, MenuItemsReachTheWindowFirst)
{
    uitest::MainWindow main;
    uitest::QuitRecorder quits;
    CommandLog log;
    InstallCommandHandler(main.window, log);

    ActionFor(main, "abou")->trigger();
    ActionFor(main, "quit")->trigger();
    EXPECT_EQ((std::vector<UInt32>{kHICommandAbout, kHICommandQuit}), log.commands);
    EXPECT_EQ((std::vector<UInt32>{kHICommandFromMenu, kHICommandFromMenu}), log.attributes);
    // Handled by the window: the quit command went no further.
    EXPECT_EQ(0, quits.count);
}

TEST(Commands, UnhandledQuitQuitsTheApplicationAndOtherCommandsDoNothing)
{
    uitest::MainWindow main;
    uitest::QuitRecorder quits;
    CommandLog log;
    log.result = eventNotHandledErr;
    InstallCommandHandler(main.window, log);

    ActionFor(main, "abou")->trigger();
    EXPECT_EQ(0, quits.count);
    ActionFor(main, "quit")->trigger();
    EXPECT_EQ(1, quits.count);
}

TEST(Commands, KeyboardShortcutSendsQuit)
{
    uitest::MainWindow main;
    uitest::QuitRecorder quits;
    CommandLog log;
    InstallCommandHandler(main.window, log);
    ShowWindow(main.window);
    main.Widget()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.Widget()));

    QTest::keyClick(main.Widget(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ((std::vector<UInt32>{kHICommandQuit}), log.commands);
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

    RemoveEventHandler(handler);
    EXPECT_FALSE(main.Widget()->close());
    EXPECT_EQ(2, quits.count);
    EXPECT_EQ(2u, log.commands.size());
}

TEST(Commands, HandlersRunNewestFirstAndCanBeRemoved)
{
    uitest::MainWindow main;
    CommandLog older;
    CommandLog newer;
    newer.result = eventNotHandledErr;
    InstallCommandHandler(main.window, older);
    EventHandlerRef handler = InstallCommandHandler(main.window, newer);

    ActionFor(main, "abou")->trigger();
    EXPECT_EQ(1u, newer.commands.size());
    EXPECT_EQ(1u, older.commands.size());
    EXPECT_EQ(noErr, RemoveEventHandler(handler));
    EXPECT_EQ(paramErr, RemoveEventHandler(nullptr));
    ActionFor(main, "abou")->trigger();
    EXPECT_EQ(1u, newer.commands.size());
    EXPECT_EQ(2u, older.commands.size());
}

TEST(EventLoop, QuitEventEndsTheLoop)
{
    TickLog log;
    log.quitAfterFirst = true;
    log.clock.start();
    EventLoopTimerRef timer = nullptr;
    ASSERT_EQ(noErr, InstallEventLoopTimer(GetCurrentEventLoop(), 0, 0.01, NewEventLoopTimerUPP(RecordTick), &log,
                                           &timer));
    RunApplicationEventLoop();
    EXPECT_EQ(1, log.ticks);
    RemoveEventLoopTimer(timer);

    // A quit handled while no loop runs ends the next loop at once.
    EXPECT_EQ(noErr, SendQuitEvent());
    RunApplicationEventLoop();
}

TEST(EventLoop, TimerFiresAtOnceThenAtItsInterval)
{
    TickLog log;
    log.removeAfter = 3;
    log.clock.start();
    EventLoopTimerRef timer = nullptr;
    ASSERT_EQ(noErr, InstallEventLoopTimer(GetCurrentEventLoop(), 0, 0.2, NewEventLoopTimerUPP(RecordTick), &log,
                                           &timer));
    ASSERT_NE(nullptr, timer);
    QTest::qWait(5);
    ASSERT_EQ(1, log.ticks);
    EXPECT_LT(log.at[0], 100);
    QTest::qWait(800);
    // Removed from inside its third call.
    ASSERT_EQ(3, log.ticks);
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
