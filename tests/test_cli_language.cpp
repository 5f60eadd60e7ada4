// SPDX-License-Identifier: MIT
// kefirmwareupdate-cli speaks the user's language; its JSON does not.
#include <gmock/gmock.h>

#include <tuple>

#include "cli/ExitCodes.h"
#include "platform/ui/Translations.h"
#include "tests/support/SimUnits.h"

using testing::HasSubstr;

namespace {

using simunits::Ran;
using simunits::Result;

class CliLanguage : public simunits::SimUnits {
protected:
    // A run with LANGUAGE, LC_ALL, LC_MESSAGES and LANG set as given ("" unset).
    Result CliIn(const std::tuple<const char*, const char*, const char*, const char*>& locale,
                 std::vector<std::string> args)
    {
        const auto& [language, all, messages, lang] = locale;
        mEnv["LANGUAGE"] = language;
        mEnv["LC_ALL"] = all;
        mEnv["LC_MESSAGES"] = messages;
        mEnv["LANG"] = lang;
        args.insert(args.begin(), KE_CLI_BINARY);
        return Run(args);
    }
};

}  // namespace

TEST_F(CliLanguage, SummaryInTheLanguageTheEnvironmentChooses)
{
    Plug({"--versions", "20-20"});
    for (const auto& [locale, summary] :
         {std::tuple{std::tuple{"", "", "", "fr_FR.UTF-8"}, "mise à niveau (de 20-20 vers 21-26)"},
          std::tuple{std::tuple{"", "", "", "de_DE.UTF-8"}, "Aktualisierung (20-20 auf 21-26)"},
          std::tuple{std::tuple{"", "", "", "es_ES.UTF-8"}, "actualización (de 20-20 a 21-26)"},
          std::tuple{std::tuple{"", "", "", "ja_JP.UTF-8"}, "アップグレード (20-20 から 21-26 へ)"},
          std::tuple{std::tuple{"", "", "es_ES.UTF-8", "fr_FR.UTF-8"}, "actualización (de 20-20 a 21-26)"},
          std::tuple{std::tuple{"pt:de", "", "", "fr_FR.UTF-8"}, "Aktualisierung (20-20 auf 21-26)"},
          // English wherever it comes first, where the locale is C, and where no translation fits.
          std::tuple{std::tuple{"en:fr", "", "", "fr_FR.UTF-8"}, "upgrade (20-20 to 21-26)"},
          std::tuple{std::tuple{"de", "C", "", "fr_FR.UTF-8"}, "upgrade (20-20 to 21-26)"},
          std::tuple{std::tuple{"", "", "", "pt_BR.UTF-8"}, "upgrade (20-20 to 21-26)"}}) {
        EXPECT_THAT(CliIn(locale, {"status"}),
                    Ran(kecli::kExitSuccess, "", HasSubstr(std::string(" ") + summary + "\n")))
            << std::get<0>(locale) << " " << std::get<3>(locale);
    }
}

TEST_F(CliLanguage, JsonIsTheSameBytesInEveryLanguage)
{
    Plug({"--versions", "20-20"});
    const std::string badTrace = mDir / "no-such-folder/trace";
    for (const std::vector<std::string>& args : {std::vector<std::string>{"status", "--json"},
                                                 {"status", "--json", "--trace", badTrace},
                                                 {"update", "--json"},
                                                 {"update", "--json", "--unit", "KEZZZZZZ"}}) {
        const Result english = CliIn({"", "", "", "C"}, args);
        EXPECT_THAT(english.out, HasSubstr("\"result\""));
        for (const char* lang : {"fr_FR.UTF-8", "ja_JP.UTF-8"}) {
            EXPECT_EQ(CliIn({"", "", "", lang}, args).out, english.out) << lang << " " << args.back();
        }
    }
}

TEST(TranslatedText, FilledInOnePassInTheTranslationsOrder)
{
    // A unit's text that looks like a placeholder stays as it is.
    EXPECT_EQ(keui::Fill(QStringLiteral("%2 から %1 へ (%3)"), {"KE%2", "21-26"}), "21-26 から KE%2 へ (%3)");
}
