// Helpers shared by the window-layer tests.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "platform/ui/HIToolbox.h"
#include "platform/ui/UIRuntime.h"

namespace uitest {

// The interface file of the application, as loaded beside the test.
struct MainWindow {
    WindowRef window = nullptr;

    MainWindow()
    {
        IBNibRef nib = nullptr;
        EXPECT_EQ(noErr, CreateNibReference("main", &nib));
        EXPECT_EQ(noErr, SetMenuBarFromNib(nib, "MenuBar"));
        EXPECT_EQ(noErr, CreateWindowFromNib(nib, "MainWindow", &window));
        DisposeNibReference(nib);
    }
    ~MainWindow() { DisposeWindow(window); }
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    QWidget* Widget() const { return window ? window->widget.get() : nullptr; }

    ControlRef Control(SInt32 id) const
    {
        const ControlID controlID = {FourCC("keUD"), id};
        ControlRef control = nullptr;
        EXPECT_EQ(noErr, GetControlByID(window, &controlID, &control));
        return control;
    }

    template <class T>
    T* Widget(SInt32 id) const
    {
        ControlRef control = Control(id);
        return control ? qobject_cast<T*>(control->widget.data()) : nullptr;
    }
};

// A directory of hand-made interface files.
class UiFiles {
public:
    QString Write(const char* name, const QByteArray& contents)
    {
        QFile file(dir_.filePath(QString::fromUtf8(name) + QStringLiteral(".ui")));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
        return file.fileName();
    }
    QByteArray Path() const { return dir_.path().toUtf8(); }

private:
    QTemporaryDir dir_;
};

// Wraps widgets in a minimal Designer file.
inline QByteArray UiFile(const QByteArray& rootClass, const QByteArray& rootName, const QByteArray& children)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ui version=\"4.0\">\n <class>" + rootName +
           "</class>\n <widget class=\"" + rootClass + "\" name=\"" + rootName + "\">\n" + children +
           " </widget>\n</ui>\n";
}

// Runs `act` on the next modal message box, once it is up.
inline void WhenAlertShows(std::function<void(QMessageBox*)> act)
{
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) return;
        poll->stop();
        poll->deleteLater();
        act(box);
    });
    poll->start(10);
}

// Records the application-quit events and keeps them from ending anything.
class QuitRecorder {
public:
    QuitRecorder()
    {
        const EventTypeSpec quit = {kEventClassApplication, kEventAppQuit};
        InstallEventHandler(GetApplicationEventTarget(), &QuitRecorder::Handle, 1, &quit, this, &handler_);
    }
    ~QuitRecorder() { RemoveEventHandler(handler_); }
    QuitRecorder(const QuitRecorder&) = delete;
    QuitRecorder& operator=(const QuitRecorder&) = delete;

    int count = 0;

private:
    static OSStatus Handle(EventHandlerCallRef, EventRef, void* self)
    {
        ++static_cast<QuitRecorder*>(self)->count;
        return noErr;
    }
    EventHandlerRef handler_ = nullptr;
};

}  // namespace uitest
