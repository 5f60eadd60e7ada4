// SPDX-License-Identifier: MIT
#include "platform/ui/InterfaceFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUiLoader>
#include <QWidget>
#include <cstdio>

namespace keui {

QString InterfaceFilePath(const QString& name)
{
    const QString fileName = name + QStringLiteral(".ui");
    const QDir exeDir(QCoreApplication::applicationDirPath());
    const QDir installed(QDir::cleanPath(exeDir.filePath(QStringLiteral("../share/kefirmwareupdate"))));
    if (!QFileInfo::exists(exeDir.filePath(fileName)) && QFileInfo::exists(installed.filePath(fileName))) {
        return installed.filePath(fileName);
    }
    return exeDir.filePath(fileName);
}

std::unique_ptr<QWidget> LoadInterfaceFile(const QString& path, LoadError& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(file.errorString()));
        error = LoadError::kCannotOpen;
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
        error = LoadError::kInvalid;
        return nullptr;
    }
    error = LoadError::kNone;
    return root;
}

}  // namespace keui
