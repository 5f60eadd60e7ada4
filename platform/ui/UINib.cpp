// Interface files, windows and the menu bar's commands.
#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QUiLoader>
#include <cstdio>

#include "platform/ui/UIRuntime.h"

namespace {

const char kCommandProperty[] = "command";
const char kRoutedProperty[] = "keCommandRouted";

std::unique_ptr<QWidget> LoadRoot(const QString& path, OSStatus& status)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(file.errorString()));
        status = kIBCarbonRuntimeCantFindNibFile;
        return nullptr;
    }
    // The loader would load every Designer plugin on the library path (one
    // pulls in the whole Quick stack); the file uses standard widgets only.
    const QStringList libraryPaths = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths({});
    QUiLoader loader;
    QCoreApplication::setLibraryPaths(libraryPaths);
    std::unique_ptr<QWidget> root(loader.load(&file));
    if (!root) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(loader.errorString()));
        status = kIBCarbonRuntimeInvalidNibFile;
        return nullptr;
    }
    status = noErr;
    return root;
}

// The close box asks to quit through the window's command handling, which
// may refuse; the window itself never closes.
class CloseBoxFilter final : public QObject {
public:
    explicit CloseBoxFilter(OpaqueWindowRef* window) : window_(window) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Close || watched != window_->widget.get()) return false;
        event->ignore();
        SendCommandEvent(&window_->target, kHICommandQuit, 0);
        return true;
    }

private:
    OpaqueWindowRef* window_;
};

UInt32 CommandOf(const QAction* action)
{
    const QByteArray code = action->property(kCommandProperty).toString().toLatin1();
    if (code.size() != 4) return 0;
    UInt32 command = 0;
    for (char c : code) command = (command << 8) | static_cast<UInt8>(c);
    return command;
}

void RouteCommands(QMenuBar* bar, const QList<QAction*>& actions)
{
    for (QAction* action : actions) {
        if (QMenu* menu = action->menu()) {
            RouteCommands(bar, menu->actions());
            continue;
        }
        const UInt32 command = CommandOf(action);
        if (command == 0 || action->property(kRoutedProperty).toBool()) continue;
        action->setProperty(kRoutedProperty, true);
        QObject::connect(action, &QAction::triggered, action, [bar = QPointer<QMenuBar>(bar), command] {
            OpaqueWindowRef* window = bar ? UIRuntime::Get().WindowOf(bar->window()) : nullptr;
            SendCommandEvent(window ? &window->target : nullptr, command, kHICommandFromMenu);
        });
    }
}

}  // namespace

OSStatus CreateNibReferenceInDirectory(const char* inDirectory, const char* inNibName, IBNibRef* outNibRef)
{
    if (outNibRef) *outNibRef = nullptr;
    if (inDirectory == nullptr || inNibName == nullptr || outNibRef == nullptr) return paramErr;
    UIRuntime& runtime = UIRuntime::Get();
    auto nib = std::make_unique<OpaqueIBNibRef>();
    nib->path = QDir(QString::fromUtf8(inDirectory)).filePath(QString::fromUtf8(inNibName) + QStringLiteral(".ui"));
    OSStatus status = noErr;
    nib->root = LoadRoot(nib->path, status);
    if (status != noErr) return status;
    nib->lastRoot = nib->root.get();
    *outNibRef = nib.get();
    runtime.nibs.push_back(std::move(nib));
    return noErr;
}

OSStatus CreateNibReference(const char* inNibName, IBNibRef* outNibRef)
{
    if (outNibRef) *outNibRef = nullptr;
    if (inNibName == nullptr || outNibRef == nullptr) return paramErr;
    UIRuntime::Get();
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QString fileName = QString::fromUtf8(inNibName) + QStringLiteral(".ui");
    const QString installed = QDir::cleanPath(exeDir + QStringLiteral("/../share/kefirmwareupdate"));
    const QString directory = QFileInfo::exists(QDir(exeDir).filePath(fileName)) ||
                                      !QFileInfo::exists(QDir(installed).filePath(fileName))
                                  ? exeDir
                                  : installed;
    return CreateNibReferenceInDirectory(directory.toUtf8().constData(), inNibName, outNibRef);
}

OSStatus SetMenuBarFromNib(IBNibRef inNibRef, const char* inName)
{
    if (inNibRef == nullptr || inName == nullptr) return paramErr;
    QWidget* root = inNibRef->root ? inNibRef->root.get() : inNibRef->lastRoot.data();
    if (root == nullptr) return kIBCarbonRuntimeCantFindMenuBar;
    const QString name = QString::fromUtf8(inName);
    QMenuBar* bar = root->objectName() == name ? qobject_cast<QMenuBar*>(root) : root->findChild<QMenuBar*>(name);
    if (bar == nullptr) return kIBCarbonRuntimeCantFindMenuBar;
    RouteCommands(bar, bar->actions());
    return noErr;
}

OSStatus CreateWindowFromNib(IBNibRef inNibRef, const char* inName, WindowRef* outWindow)
{
    if (outWindow) *outWindow = nullptr;
    if (inNibRef == nullptr || inName == nullptr || outWindow == nullptr) return paramErr;
    if (!inNibRef->root) {
        // A second window of the same file: read it again.
        OSStatus status = noErr;
        inNibRef->root = LoadRoot(inNibRef->path, status);
        if (status != noErr) return status;
        inNibRef->lastRoot = inNibRef->root.get();
    }
    if (inNibRef->root->objectName() != QString::fromUtf8(inName)) return kIBCarbonRuntimeCantFindWindow;

    UIRuntime& runtime = UIRuntime::Get();
    auto window = std::make_unique<OpaqueWindowRef>();
    window->widget = std::move(inNibRef->root);
    window->target.parent = &runtime.applicationTarget;
    window->closeBoxFilter = std::make_unique<CloseBoxFilter>(window.get());
    window->widget->installEventFilter(window->closeBoxFilter.get());
    *outWindow = window.get();
    runtime.windows.push_back(std::move(window));
    return noErr;
}

void DisposeNibReference(IBNibRef inNibRef)
{
    std::erase_if(UIRuntime::Get().nibs, [&](const auto& nib) { return nib.get() == inNibRef; });
}

void ShowWindow(WindowRef inWindow)
{
    if (!UIRuntime::Get().IsWindow(inWindow)) return;
    inWindow->widget->show();
}

void DisposeWindow(WindowRef inWindow)
{
    UIRuntime& runtime = UIRuntime::Get();
    if (!runtime.IsWindow(inWindow)) return;
    std::erase_if(runtime.windows, [&](const auto& w) { return w.get() == inWindow; });
}

EventTargetRef GetWindowEventTarget(WindowRef inWindow)
{
    return UIRuntime::Get().IsWindow(inWindow) ? &inWindow->target : nullptr;
}
