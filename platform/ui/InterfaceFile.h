// SPDX-License-Identifier: MIT
// Designer files that the program loads at run time.
#pragma once

#include <QString>
#include <memory>

class QWidget;

namespace keui {

enum class LoadError {
    kNone,
    kCannotOpen,  // missing or unreadable
    kInvalid,     // not a Designer file
};

// `<name>.ui` beside the executable, else in `<exe dir>/../share/kefirmwareupdate/`
// when only that one exists.
QString InterfaceFilePath(const QString& name);

// The file's root widget, hidden; null with `error` set when it cannot be
// had, the reason on standard error.
std::unique_ptr<QWidget> LoadInterfaceFile(const QString& path, LoadError& error);

}  // namespace keui
