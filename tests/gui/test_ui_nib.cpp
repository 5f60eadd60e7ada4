// Interface files: the application's own, and files that lack what it needs.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <set>

#include "tests/gui/UiTestSupport.h"

namespace {

bool AnyWindowVisible()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible()) return true;
    }
    return false;
}

const QByteArray kMenuBar =
    "  <widget class=\"QMenuBar\" name=\"MenuBar\"/>\n";

}  // namespace

TEST(InterfaceFile, MainWindowComesUpHiddenWithItsSevenControlsAndMenuBar)
{
    uitest::MainWindow main;
    ASSERT_NE(nullptr, main.window);
    QWidget* widget = main.Widget();
    EXPECT_FALSE(widget->isVisible());
    EXPECT_EQ(QStringLiteral("KEFirmwareUpdate"), widget->windowTitle());

    for (SInt32 id : {100, 101}) ASSERT_NE(nullptr, main.Widget<QPushButton>(id)) << id;
    EXPECT_EQ(QStringLiteral("Cancel"), main.Widget<QPushButton>(100)->text());
    EXPECT_EQ(QStringLiteral("Upgrade"), main.Widget<QPushButton>(101)->text());
    for (SInt32 id : {200, 201, 202, 203}) ASSERT_NE(nullptr, main.Widget<QLabel>(id)) << id;
    EXPECT_EQ(QColor(255, 0, 0), main.Widget<QLabel>(202)->palette().color(QPalette::WindowText));
    auto* bar = main.Widget<QProgressBar>(300);
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(0, bar->minimum());
    EXPECT_EQ(100, bar->maximum());

    auto* window = qobject_cast<QMainWindow*>(widget);
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(QStringLiteral("MenuBar"), window->menuBar()->objectName());
    std::set<QString> commands;
    for (QAction* action : window->findChildren<QAction*>()) {
        if (action->property("command").isValid()) commands.insert(action->property("command").toString());
    }
    EXPECT_EQ((std::set<QString>{QStringLiteral("abou"), QStringLiteral("quit")}), commands);

    ShowWindow(main.window);
    EXPECT_TRUE(widget->isVisible());
}

TEST(InterfaceFile, EachMissingPieceHasItsOwnStatusAndShowsNoWindow)
{
    uitest::UiFiles files;
    files.Write("nomenubar", uitest::UiFile("QMainWindow", "MainWindow", ""));
    files.Write("nowindow", uitest::UiFile("QWidget", "OtherWindow", kMenuBar));
    files.Write("garbage", "this is not an interface file");

    IBNibRef nib = nullptr;
    const OSStatus missingFile = CreateNibReferenceInDirectory(files.Path(), "absent", &nib);
    EXPECT_EQ(nullptr, nib);

    const OSStatus invalidFile = CreateNibReferenceInDirectory(files.Path(), "garbage", &nib);
    EXPECT_EQ(nullptr, nib);

    ASSERT_EQ(noErr, CreateNibReferenceInDirectory(files.Path(), "nomenubar", &nib));
    const OSStatus missingMenuBar = SetMenuBarFromNib(nib, "MenuBar");
    DisposeNibReference(nib);

    ASSERT_EQ(noErr, CreateNibReferenceInDirectory(files.Path(), "nowindow", &nib));
    EXPECT_EQ(noErr, SetMenuBarFromNib(nib, "MenuBar"));
    WindowRef window = nullptr;
    const OSStatus missingWindow = CreateWindowFromNib(nib, "MainWindow", &window);
    EXPECT_EQ(nullptr, window);
    DisposeNibReference(nib);

    EXPECT_EQ(kIBCarbonRuntimeCantFindNibFile, missingFile);
    EXPECT_EQ(kIBCarbonRuntimeInvalidNibFile, invalidFile);
    EXPECT_EQ(kIBCarbonRuntimeCantFindMenuBar, missingMenuBar);
    EXPECT_EQ(kIBCarbonRuntimeCantFindWindow, missingWindow);
    const std::set<OSStatus> statuses = {missingFile, invalidFile, missingMenuBar, missingWindow};
    EXPECT_EQ(4u, statuses.size());
    EXPECT_EQ(0u, statuses.count(noErr));
    // A process exit status keeps the low byte: that must not be 0 either.
    for (OSStatus status : statuses) EXPECT_NE(0, status & 0xFF) << status;
    EXPECT_FALSE(AnyWindowVisible());
}

TEST(InterfaceFile, SecondWindowFromOneFileIsANewWindow)
{
    IBNibRef nib = nullptr;
    ASSERT_EQ(noErr, CreateNibReference("main", &nib));
    WindowRef first = nullptr;
    WindowRef second = nullptr;
    ASSERT_EQ(noErr, CreateWindowFromNib(nib, "MainWindow", &first));
    ASSERT_EQ(noErr, CreateWindowFromNib(nib, "MainWindow", &second));
    DisposeNibReference(nib);
    EXPECT_NE(first, second);
    EXPECT_NE(first->widget.get(), second->widget.get());
    DisposeWindow(first);
    DisposeWindow(second);
}
