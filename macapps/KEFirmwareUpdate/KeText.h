// SPDX-License-Identifier: MIT
// Texts for people, in the core that knows no Qt: each English text is
// marked where it is written, so that Qt's lupdate finds it, and a front end
// renders it through its own translation (none for the JSON, the history and
// the log, which read the same in every language).
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

// Marks a text for lupdate; the text itself is unchanged.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x
#endif

// The text `source`, marked under `context`, in the user's language.
using KeTranslate = std::function<std::string(const char* context, const char* source)>;

// `source` as it is: English.
std::string KeUntranslated(const char* context, const char* source);

// `text` with its %1, %2 ... replaced by `args` in one pass: an argument that
// holds "%2" itself is left as it is. A placeholder without an argument stays.
std::string KeFill(std::string_view text, std::initializer_list<std::string_view> args);
