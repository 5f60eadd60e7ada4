// SPDX-License-Identifier: MIT
#include "macapps/KEFirmwareUpdate/KeText.h"

#include "platform/common/FillPlaceholders.h"

std::string KeUntranslated(const char*, const char* source) { return source; }

std::string KeFill(std::string_view text, std::initializer_list<std::string_view> args)
{
    return FillPlaceholders(text, args);
}
