// SPDX-License-Identifier: MIT
#include "cli/Phrase.h"

#include <QCoreApplication>

#include "platform/ui/Translations.h"

namespace kecli {

Phrase Phrase::operator+(std::string_view same) const
{
    Phrase joined = *this;
    joined.english += same;
    joined.shown += same;
    return joined;
}

Phrase operator+(std::string_view same, const Phrase& phrase) { return Phrase::Same(std::string(same)) + phrase; }

Phrase Say(const char* context, const char* source, std::initializer_list<std::string_view> args)
{
    return {keui::Fill(QString::fromUtf8(source), args),
            keui::Fill(QCoreApplication::translate(context, source), args)};
}

}  // namespace kecli
