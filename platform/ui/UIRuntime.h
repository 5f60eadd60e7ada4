// Inside of the window layer: what the opaque references of HIToolbox.h are
// on Qt, and the one per-application runtime that owns them.
#pragma once

#include <QFont>
#include <QMetaObject>
#include <QPalette>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

#include "platform/ui/HIToolbox.h"

class QApplication;
class QComboBox;
class QTimer;

struct OpaqueEventHandlerRef {
    OpaqueEventTargetRef* target = nullptr;
    EventHandlerUPP proc = nullptr;
    std::vector<EventTypeSpec> types;
    void* userData = nullptr;
    bool removed = false;

    bool Handles(UInt32 eventClass, UInt32 eventKind) const;
};

struct OpaqueEventTargetRef {
    OpaqueEventTargetRef* parent = nullptr;
    // Shared, so that a dispatch in progress survives a handler's removal.
    std::vector<std::shared_ptr<OpaqueEventHandlerRef>> handlers;
};

struct OpaqueEventRef {
    UInt32 eventClass = 0;
    UInt32 eventKind = 0;
    bool hasCommand = false;
    HICommand command{};
    ControlRef control = nullptr;
};

struct OpaqueMenuRef {
    QPointer<QComboBox> popup;
};

struct OpaqueControlRef {
    QPointer<QWidget> widget;
    OpaqueEventTargetRef target;
    SInt32 reference = 0;
    ControlActionUPP action = nullptr;
    // The style the interface file gave; font styles apply on top of it.
    QFont originalFont;
    QPalette originalPalette;
    bool originalAutoFill = false;
    Qt::Alignment originalAlignment;
    std::unique_ptr<OpaqueMenuRef> popupMenu;
    std::vector<QMetaObject::Connection> connections;

    ~OpaqueControlRef();
};

struct OpaqueWindowRef {
    std::unique_ptr<QWidget> widget;  // destroyed last
    OpaqueEventTargetRef target;
    std::vector<std::unique_ptr<OpaqueControlRef>> controls;
    std::unique_ptr<QObject> closeBoxFilter;
};

struct OpaqueIBNibRef {
    QString path;
    std::unique_ptr<QWidget> root;  // until a window takes it
    QPointer<QWidget> lastRoot;     // the menu bar may be installed after that
};

struct OpaqueEventLoopRef {};

struct OpaqueEventLoopTimerRef {
    QTimer* timer = nullptr;  // owned by the runtime's timer owner
    EventLoopTimerUPP proc = nullptr;
    void* userData = nullptr;
    int intervalMs = 0;
};

class UIRuntime {
public:
    // The runtime of the running application; creates the QApplication when
    // the process has none yet. Torn down with the QApplication.
    static UIRuntime& Get();

    UIRuntime(const UIRuntime&) = delete;
    UIRuntime& operator=(const UIRuntime&) = delete;
    ~UIRuntime();

    OpaqueEventTargetRef applicationTarget;
    OpaqueEventLoopRef mainLoop;
    std::vector<std::unique_ptr<OpaqueIBNibRef>> nibs;
    std::vector<std::unique_ptr<OpaqueWindowRef>> windows;
    std::vector<std::unique_ptr<OpaqueEventLoopTimerRef>> timers;
    std::unique_ptr<QObject> timerOwner;

    OpaqueWindowRef* WindowOf(const QWidget* topLevel) const;
    bool IsWindow(WindowRef window) const;
    bool IsTimer(EventLoopTimerRef timer) const;

    // The standard handling of the application-quit event.
    void QuitEventLoop();
    void RunEventLoop();

private:
    UIRuntime();
    static void OnApplicationDestroyed();

    std::unique_ptr<QApplication> ownedApplication_;
    bool loopRunning_ = false;
    bool quitPending_ = false;
};

// Sends a command event to `target` (null: the application).
OSStatus SendCommandEvent(EventTargetRef target, UInt32 commandID, UInt32 attributes);
