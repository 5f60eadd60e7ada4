// SPDX-License-Identifier: MIT
#include "platform/ui/DesktopApplication.h"

#include <QGuiApplication>
#include <QIcon>

#include "platform/ui/Translations.h"

namespace keui {

void PrepareDesktopApplication()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return;
    InstallTranslations();
    // The class would otherwise follow the name the program was started by.
    QCoreApplication::setApplicationName(QString::fromLatin1(kWindowClass));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopFileName));
    QGuiApplication::setWindowIcon(QIcon::fromTheme(QString::fromLatin1(kIconName),
                                                    QIcon(QStringLiteral(":/kefirmwareupdate/kefirmwareupdate.svg"))));
}

}  // namespace keui
