// SPDX-License-Identifier: MIT
// The window program's place on the desktop, set once its QApplication exists.
#pragma once

namespace keui {

// The desktop entry's name: the window's Wayland app id, and its X11 class
// (the entry's StartupWMClass).
inline constexpr char kDesktopFileName[] = "org.kefirmwareupdate.KEFirmwareUpdate";
inline constexpr char kWindowClass[] = "KEFirmwareUpdate";
// The icon's name in the icon theme (the entry's Icon).
inline constexpr char kIconName[] = "kefirmwareupdate";

// The user's language (InstallTranslations), the desktop entry the windows
// belong to, so that a dock or task bar ties them to it, and the installed
// icon as every window's icon (the copy built into the program where no
// icon theme has it). Does nothing without a QGuiApplication.
void PrepareDesktopApplication();

}  // namespace keui
