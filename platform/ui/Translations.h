// SPDX-License-Identifier: MIT
// The user's language for both programs: Qt's own texts and the program's,
// from the .qm files Qt's Linguist tools make of translations/*.ts.
#pragma once

#include <QString>
#include <initializer_list>
#include <string>
#include <string_view>

namespace keui {

// The folder of the program's translations: `translations/` beside the
// executable (the build tree), else `<exe dir>/../share/kefirmwareupdate/translations`.
QString TranslationsFolder();

// The translation file's language for `uiLanguages` (QLocale::uiLanguages(),
// the user's choice first): "de", "fr_CH", ...; empty for English, the
// source language, which wins wherever it comes in the list, and when no
// file in `folder` fits.
QString ChooseLanguage(const QStringList& uiLanguages, const QString& folder);

// Installs on the running application (once) the program's and Qt's
// translations for QLocale::system(): LANGUAGE, LC_ALL, LC_MESSAGES and
// LANG choose as for every other program, and a "C" locale is English.
// Without an application object, texts stay English.
void InstallTranslations();

// `text` (a translated text) with its %1, %2 ... replaced by `args` in one
// pass: an argument that holds "%2" itself is left as it is. A placeholder
// without an argument stays.
std::string Fill(const QString& text, std::initializer_list<std::string_view> args);

// `source`, marked under `context`, in the user's language: what the core's
// texts are rendered through where a person reads them.
std::string Translate(const char* context, const char* source);

}  // namespace keui
