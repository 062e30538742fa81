// Text conversions for workbook records: UTF-16 code units and legacy code pages to UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace xls {


// UTF-16 code units to UTF-8; lone surrogates become U+FFFD so the result is always valid UTF-8.
std::string utf16ToUtf8(std::u16string_view units);

// Bytes in a Windows code page (as the CODEPAGE record names it) to UTF-8. Unknown code pages and
// bytes that do not convert fall back to Windows-1252, so no text is ever dropped.
std::string codePageToUtf8(std::string_view bytes, uint16_t codePage);

// True when the bytes are well-formed UTF-8.
bool isValidUtf8(std::string_view bytes);

} // namespace xls
