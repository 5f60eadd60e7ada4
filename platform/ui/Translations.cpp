// SPDX-License-Identifier: MIT
#include "platform/ui/Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

#include "platform/common/FillPlaceholders.h"

namespace keui {
namespace {

constexpr char kProgramPrefix[] = "kefirmwareupdate_";
// Marks the translators this file installed, so that a second call adds none.
constexpr char kInstalledName[] = "keui-translation";

// Installs `<folder>/<name>.qm` (else the file of `name` cut at its last
// '_': "qtbase_pt" for "qtbase_pt_BR") on `app`, which owns it from then on.
void Install(QCoreApplication& app, const QString& name, const QString& folder)
{
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(name, folder)) return;
    translator->setObjectName(QString::fromLatin1(kInstalledName));
    translator->setParent(&app);
    QCoreApplication::installTranslator(translator.release());
}

}  // namespace

QString TranslationsFolder()
{
    const QDir exeDir(QCoreApplication::applicationDirPath());
    const QString beside = exeDir.filePath(QStringLiteral("translations"));
    if (QFileInfo(beside).isDir()) return beside;
    return QDir::cleanPath(exeDir.filePath(QStringLiteral("../share/kefirmwareupdate/translations")));
}

QString ChooseLanguage(const QStringList& uiLanguages, const QString& folder)
{
    const QDir dir(folder);
    for (const QString& uiLanguage : uiLanguages) {
        // "fr-CH" is looked for as fr_CH, then as fr.
        QString name = QString(uiLanguage).replace(QLatin1Char('-'), QLatin1Char('_'));
        if (name == QLatin1String("C") || name == QLatin1String("en") || name.startsWith(QLatin1String("en_"))) {
            return {};
        }
        while (!name.isEmpty()) {
            if (dir.exists(QLatin1String(kProgramPrefix) + name + QLatin1String(".qm"))) return name;
            const qsizetype cut = name.lastIndexOf(QLatin1Char('_'));
            name.truncate(cut < 0 ? 0 : cut);
        }
    }
    return {};
}

void InstallTranslations()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || app->findChild<QTranslator*>(QString::fromLatin1(kInstalledName)) != nullptr) return;
    // As gettext does, the "C" locale ignores LANGUAGE.
    const QLocale system = QLocale::system();
    if (system.name() == QLatin1String("C")) return;
    const QString folder = TranslationsFolder();
    const QString language = ChooseLanguage(system.uiLanguages(), folder);
    if (language.isEmpty()) return;
    // Qt's standard buttons in the same language as the rest, where Qt has it.
    Install(*app, QStringLiteral("qtbase_") + language, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    Install(*app, QLatin1String(kProgramPrefix) + language, folder);
}

std::string Fill(const QString& text, std::initializer_list<std::string_view> args)
{
    return FillPlaceholders(text.toStdString(), args);
}

std::string Translate(const char* context, const char* source)
{
    return QCoreApplication::translate(context, source).toStdString();
}

}  // namespace keui
