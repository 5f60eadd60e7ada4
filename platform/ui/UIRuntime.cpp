#include "platform/ui/UIRuntime.h"

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The QApplication needs an argv that outlives it.
int gArgc = 1;
char gArg0[] = "KEFirmwareUpdate";
char* gArgv[] = {gArg0, nullptr};

struct RuntimeHolder {
    std::unique_ptr<UIRuntime> runtime;
    bool tearingDown = false;
};

// Never destroyed: a QApplication that this layer made lives until the
// process ends, since destroying it after main has returned would run after
// Qt's own statics are gone. One that a test made ends the runtime through
// the post routine instead.
RuntimeHolder& Holder()
{
    static RuntimeHolder* const holder = new RuntimeHolder;
    return *holder;
}

// The handling that follows every handler of the target chain.
OSStatus StandardHandler(OpaqueEventRef& event)
{
    if (event.eventClass == kEventClassCommand && event.eventKind == kEventCommandProcess && event.hasCommand &&
        event.command.commandID == kHICommandQuit) {
        OpaqueEventRef quit;
        quit.eventClass = kEventClassApplication;
        quit.eventKind = kEventAppQuit;
        return SendEventToEventTarget(&quit, GetApplicationEventTarget());
    }
    if (event.eventClass == kEventClassApplication && event.eventKind == kEventAppQuit) {
        UIRuntime::Get().QuitEventLoop();
        return noErr;
    }
    return eventNotHandledErr;
}

}  // namespace

// ------------------------------------------------------------------ runtime

UIRuntime& UIRuntime::Get()
{
    RuntimeHolder& holder = Holder();
    if (!holder.runtime) holder.runtime.reset(new UIRuntime());
    return *holder.runtime;
}

UIRuntime::UIRuntime()
{
    if (QApplication::instance() == nullptr) ownedApplication_ = std::make_unique<QApplication>(gArgc, gArgv);
    // Only the application-quit event ends the event loop.
    QApplication::setQuitOnLastWindowClosed(false);
    timerOwner = std::make_unique<QObject>();
    qAddPostRoutine(&UIRuntime::OnApplicationDestroyed);
}

UIRuntime::~UIRuntime()
{
    Holder().tearingDown = true;
    windows.clear();
    nibs.clear();
    timers.clear();
    timerOwner.reset();
    ownedApplication_.reset();
    Holder().tearingDown = false;
}

void UIRuntime::OnApplicationDestroyed()
{
    // Windows and timers must go while the QApplication still stands.
    RuntimeHolder& holder = Holder();
    if (holder.tearingDown) return;
    holder.runtime.reset();
}

OpaqueWindowRef* UIRuntime::WindowOf(const QWidget* topLevel) const
{
    for (const auto& window : windows) {
        if (window->widget.get() == topLevel) return window.get();
    }
    return nullptr;
}

bool UIRuntime::IsWindow(WindowRef window) const
{
    return window != nullptr &&
           std::any_of(windows.begin(), windows.end(), [&](const auto& w) { return w.get() == window; });
}

bool UIRuntime::IsTimer(EventLoopTimerRef timer) const
{
    return timer != nullptr &&
           std::any_of(timers.begin(), timers.end(), [&](const auto& t) { return t.get() == timer; });
}

void UIRuntime::QuitEventLoop()
{
    if (!loopRunning_) {
        quitPending_ = true;
        return;
    }
    // exit() ends the loop without asking the windows to close first.
    QCoreApplication::exit(0);
}

void UIRuntime::RunEventLoop()
{
    if (quitPending_) {
        quitPending_ = false;
        return;
    }
    loopRunning_ = true;
    QApplication::exec();
    loopRunning_ = false;
}

// ------------------------------------------------------------------- events

bool OpaqueEventHandlerRef::Handles(UInt32 eventClass, UInt32 eventKind) const
{
    return std::any_of(types.begin(), types.end(), [&](const EventTypeSpec& wanted) {
        return wanted.eventClass == eventClass && wanted.eventKind == eventKind;
    });
}

EventHandlerUPP NewEventHandlerUPP(EventHandlerProcPtr inProc) { return inProc; }

OSStatus InstallEventHandler(EventTargetRef inTarget, EventHandlerUPP inHandler, UInt32 inNumTypes,
                             const EventTypeSpec* inList, void* inUserData, EventHandlerRef* outRef)
{
    if (outRef) *outRef = nullptr;
    if (inTarget == nullptr || inHandler == nullptr || inNumTypes == 0 || inList == nullptr) return paramErr;
    auto handler = std::make_shared<OpaqueEventHandlerRef>();
    handler->target = inTarget;
    handler->proc = inHandler;
    handler->types.assign(inList, inList + inNumTypes);
    handler->userData = inUserData;
    inTarget->handlers.push_back(handler);
    if (outRef) *outRef = handler.get();
    return noErr;
}

OSStatus RemoveEventHandler(EventHandlerRef inHandlerRef)
{
    if (inHandlerRef == nullptr) return paramErr;
    auto& handlers = inHandlerRef->target->handlers;
    auto it = std::find_if(handlers.begin(), handlers.end(), [&](const auto& h) { return h.get() == inHandlerRef; });
    if (it == handlers.end()) return paramErr;
    (*it)->removed = true;
    handlers.erase(it);
    return noErr;
}

EventTargetRef GetApplicationEventTarget() { return &UIRuntime::Get().applicationTarget; }

OSStatus CreateEvent(const void* inAllocator, UInt32 inClassID, UInt32 inKind, EventTime /*inWhen*/,
                     EventAttributes /*inAttributes*/, EventRef* outEvent)
{
    if (outEvent == nullptr || inAllocator != nullptr) return paramErr;
    auto event = std::make_unique<OpaqueEventRef>();
    event->eventClass = inClassID;
    event->eventKind = inKind;
    *outEvent = event.release();
    return noErr;
}

void ReleaseEvent(EventRef inEvent) { delete inEvent; }

UInt32 GetEventClass(EventRef inEvent) { return inEvent ? inEvent->eventClass : 0; }

UInt32 GetEventKind(EventRef inEvent) { return inEvent ? inEvent->eventKind : 0; }

OSStatus GetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inDesiredType,
                           EventParamType* outActualType, UInt32 inBufferSize, UInt32* outActualSize,
                           void* outData)
{
    if (inEvent == nullptr || outData == nullptr) return paramErr;
    if (inName != kEventParamDirectObject) return eventParameterNotFoundErr;
    const void* source = nullptr;
    UInt32 size = 0;
    if (inDesiredType == typeHICommand && inEvent->hasCommand) {
        source = &inEvent->command;
        size = sizeof(HICommand);
    } else if (inDesiredType == typeControlRef && inEvent->control != nullptr) {
        source = &inEvent->control;
        size = sizeof(ControlRef);
    } else {
        return eventParameterNotFoundErr;
    }
    if (inBufferSize < size) return paramErr;
    std::memcpy(outData, source, size);
    if (outActualType) *outActualType = inDesiredType;
    if (outActualSize) *outActualSize = size;
    return noErr;
}

OSStatus SetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inType, UInt32 inSize,
                           const void* inData)
{
    if (inEvent == nullptr || inData == nullptr || inName != kEventParamDirectObject) return paramErr;
    if (inType == typeHICommand && inSize == sizeof(HICommand)) {
        std::memcpy(&inEvent->command, inData, sizeof(HICommand));
        inEvent->hasCommand = true;
        return noErr;
    }
    if (inType == typeControlRef && inSize == sizeof(ControlRef)) {
        std::memcpy(&inEvent->control, inData, sizeof(ControlRef));
        return noErr;
    }
    return paramErr;
}

OSStatus SendEventToEventTarget(EventRef inEvent, EventTargetRef inTarget)
{
    if (inEvent == nullptr || inTarget == nullptr) return paramErr;
    // Collected first: a handler may remove handlers or dispose of its window.
    std::vector<std::shared_ptr<OpaqueEventHandlerRef>> chain;
    for (EventTargetRef target = inTarget; target != nullptr; target = target->parent) {
        for (auto it = target->handlers.rbegin(); it != target->handlers.rend(); ++it) {
            if ((*it)->Handles(inEvent->eventClass, inEvent->eventKind)) chain.push_back(*it);
        }
    }
    for (const auto& handler : chain) {
        if (handler->removed) continue;
        const OSStatus result = handler->proc(nullptr, inEvent, handler->userData);
        if (result != eventNotHandledErr) return result;
    }
    return StandardHandler(*inEvent);
}

OSStatus SendCommandEvent(EventTargetRef target, UInt32 commandID, UInt32 attributes)
{
    OpaqueEventRef event;
    event.eventClass = kEventClassCommand;
    event.eventKind = kEventCommandProcess;
    event.hasCommand = true;
    event.command.attributes = attributes;
    event.command.commandID = commandID;
    return SendEventToEventTarget(&event, target ? target : GetApplicationEventTarget());
}

// --------------------------------------------------------- loop and timers

EventLoopTimerUPP NewEventLoopTimerUPP(EventLoopTimerProcPtr inProc) { return inProc; }

EventLoopRef GetCurrentEventLoop() { return &UIRuntime::Get().mainLoop; }

OSStatus InstallEventLoopTimer(EventLoopRef inEventLoop, EventTimerInterval inFireDelay,
                               EventTimerInterval inInterval, EventLoopTimerUPP inTimerProc, void* inTimerData,
                               EventLoopTimerRef* outTimer)
{
    if (outTimer) *outTimer = nullptr;
    UIRuntime& runtime = UIRuntime::Get();
    const bool validTimes = std::isfinite(inFireDelay) && std::isfinite(inInterval) && inFireDelay >= 0 &&
                            inInterval >= 0 && inFireDelay < 2.0e6 && inInterval < 2.0e6;
    if (inEventLoop != &runtime.mainLoop || inTimerProc == nullptr || !validTimes) return paramErr;

    auto record = std::make_unique<OpaqueEventLoopTimerRef>();
    OpaqueEventLoopTimerRef* timerRef = record.get();
    timerRef->timer = new QTimer(runtime.timerOwner.get());  // owned by timerOwner
    timerRef->proc = inTimerProc;
    timerRef->userData = inTimerData;
    timerRef->intervalMs = static_cast<int>(std::lround(inInterval * 1000.0));
    QTimer* timer = timerRef->timer;
    timer->setSingleShot(true);
    QObject::connect(timer, &QTimer::timeout, timer, [timerRef, timer] {
        if (timer->isSingleShot() && timerRef->intervalMs > 0) {
            timer->setSingleShot(false);
            timer->start(timerRef->intervalMs);
        }
        // The call may remove this timer: nothing of it is touched afterwards.
        timerRef->proc(timerRef, timerRef->userData);
    });
    timer->start(static_cast<int>(std::lround(inFireDelay * 1000.0)));
    runtime.timers.push_back(std::move(record));
    if (outTimer) *outTimer = timerRef;
    return noErr;
}

OSStatus RemoveEventLoopTimer(EventLoopTimerRef inTimer)
{
    UIRuntime& runtime = UIRuntime::Get();
    if (!runtime.IsTimer(inTimer)) return paramErr;
    inTimer->timer->stop();
    // Deferred: the timer may be inside its own timeout.
    inTimer->timer->deleteLater();
    std::erase_if(runtime.timers, [&](const auto& t) { return t.get() == inTimer; });
    return noErr;
}

void RunApplicationEventLoop() { UIRuntime::Get().RunEventLoop(); }
