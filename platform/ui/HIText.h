// Text between the program's 8-bit strings and the window system, which keeps
// all text as Unicode (held as UTF-8 here). Free of the toolkit, so that the
// control layer and its test fakes share one conversion.
#pragma once

#include <string>
#include <string_view>

#include "platform/common/MacTypes.h"

typedef UInt32 TextEncoding;

enum : TextEncoding {
    kTextEncodingWindowsLatin1 = 0x0500,
    kTextEncodingUTF8 = 0x08000100,
};

// The system's default 8-bit encoding: UTF-8, as in the usual Linux locale.
TextEncoding GetSystemTextEncoding();

// Decodes a NUL-terminated string; null gives "". Byte sequences that the
// encoding does not define become U+FFFD. An unknown encoding is read as UTF-8.
std::string TextCreateWithCString(const char* cString, TextEncoding encoding);

// Encodes UTF-8 text; each character that the encoding lacks, and each
// malformed sequence, becomes `lossByte`.
std::string TextGetBytes(std::string_view text, TextEncoding encoding, char lossByte);
