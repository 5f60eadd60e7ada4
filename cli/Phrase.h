// SPDX-License-Identifier: MIT
// A text the program both records and says: in English where a script reads
// it (the JSON object), in the user's language where a person does.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace kecli {

struct Phrase {
    std::string english;
    std::string shown;

    // A text that has no translation of its own (a unit's, the system's).
    static Phrase Same(std::string text) { return {text, text}; }

    Phrase operator+(const Phrase& next) const { return {english + next.english, shown + next.shown}; }
    Phrase operator+(std::string_view same) const;
};

Phrase operator+(std::string_view same, const Phrase& phrase);

// `source`, marked where it is written with QT_TRANSLATE_NOOP(context, ...),
// with %1, %2 ... filled by `args` in English and in the user's language.
Phrase Say(const char* context, const char* source, std::initializer_list<std::string_view> args = {});

}  // namespace kecli
