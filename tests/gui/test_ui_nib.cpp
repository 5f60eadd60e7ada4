// Interface files: the application's own, and files that lack what it needs.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <set>

#include "tests/gui/UiTestSupport.h"

TEST(InterfaceFile, MainWindowComesUpHiddenWithItsSevenControlsAndMenuBar)
{
    uitest::MainWindow main;
    auto* window = qobject_cast<QMainWindow*>(main.Widget());
    ASSERT_NE(nullptr, window);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(QStringLiteral("KEFirmwareUpdate"), window->windowTitle());

    // The warning's red and the bar's range are checked with the controls.
    for (SInt32 id : {200, 201, 202, 203}) EXPECT_NE(nullptr, main.Widget<QLabel>(id)) << id;
    EXPECT_NE(nullptr, main.Widget<QProgressBar>(300));
    for (SInt32 id : {100, 101}) ASSERT_NE(nullptr, main.Widget<QPushButton>(id)) << id;
    EXPECT_EQ(QStringLiteral("Cancel"), main.Widget<QPushButton>(100)->text());
    EXPECT_EQ(QStringLiteral("Upgrade"), main.Widget<QPushButton>(101)->text());

    EXPECT_EQ(QStringLiteral("MenuBar"), window->menuBar()->objectName());
    std::set<QString> commands;
    for (QAction* action : window->findChildren<QAction*>()) {
        if (action->property("command").isValid()) commands.insert(action->property("command").toString());
    }
    EXPECT_EQ((std::set<QString>{QStringLiteral("abou"), QStringLiteral("quit")}), commands);
}

TEST(InterfaceFile, EachMissingPieceHasItsOwnStatusAndShowsNoWindow)
{
    uitest::UiFiles files;
    files.Write("nomenubar", uitest::UiFile("QMainWindow", "MainWindow", ""));
    files.Write("nowindow", uitest::UiFile("QWidget", "OtherWindow", "<widget class=\"QMenuBar\" name=\"MenuBar\"/>"));
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
    // Distinct, and each keeps a non-zero low byte as a process exit status.
    const std::set<OSStatus> statuses = {missingFile, invalidFile, missingMenuBar, missingWindow};
    EXPECT_EQ(4u, statuses.size());
    for (OSStatus status : statuses) EXPECT_NE(0, status & 0xFF) << status;
    for (QWidget* widget : QApplication::topLevelWidgets()) EXPECT_FALSE(widget->isVisible());
}
