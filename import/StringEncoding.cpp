// Names of the supported text encodings.
#include "import/StringEncoding.h"

std::string_view icuConverterName(StringEncoding encoding) {
    switch (encoding) {
    case StringEncoding::Unknown:
        return {};
    case StringEncoding::UTF8:
        return "UTF-8";
    case StringEncoding::UTF16:
        return "UTF-16";
    case StringEncoding::UTF16BigEndian:
        return "UTF-16BE";
    case StringEncoding::UTF16LittleEndian:
        return "UTF-16LE";
    case StringEncoding::UTF32:
        return "UTF-32";
    case StringEncoding::UTF32BigEndian:
        return "UTF-32BE";
    case StringEncoding::UTF32LittleEndian:
        return "UTF-32LE";
    case StringEncoding::ISO2022KR:
        return "ISO-2022-KR";
    case StringEncoding::MacOSRoman:
        return "macintosh";
    case StringEncoding::ISOLatin1:
        return "ISO-8859-1";
    case StringEncoding::WindowsCP1252:
        return "windows-1252";
    }
    return {};
}

std::string_view encodingName(StringEncoding encoding) {
    switch (encoding) {
    case StringEncoding::Unknown:
        return "unknown";
    case StringEncoding::MacOSRoman:
        return "MacOSRoman";
    default:
        return icuConverterName(encoding);
    }
}
