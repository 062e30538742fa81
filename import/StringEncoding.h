// The text encodings that delimited text may come in or be written in, and their ICU converter names.
#pragma once

#include <string_view>

enum class StringEncoding : unsigned {
    Unknown = 0, // "detect" when handed to the reader
    UTF8,
    UTF16, // with a byte-order mark (big-endian when written)
    UTF16BigEndian,
    UTF16LittleEndian,
    UTF32, // with a byte-order mark (big-endian when written)
    UTF32BigEndian,
    UTF32LittleEndian,
    ISO2022KR,
    MacOSRoman,
    ISOLatin1,
    WindowsCP1252,
};

// The ICU converter name of an encoding; empty for Unknown.
std::string_view icuConverterName(StringEncoding encoding);
std::string_view encodingName(StringEncoding encoding);
