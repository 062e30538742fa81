// Conversions between our UTF-8 strings and ICU's UTF-16, for the formatters and readers.
// Malformed UTF-8 becomes U+FFFD rather than an error, so a bad cell never stops a scan.
#pragma once

#include <string>
#include <string_view>
#include <unicode/utypes.h>

namespace foundation::icu {

// Fills `out` (reusing its capacity) with the UTF-16 form of `text`.
void toUtf16(std::string_view text, std::u16string& out);
std::u16string toUtf16(std::string_view text);
std::string toUtf8(const UChar* text, int32_t length);
inline std::string toUtf8(std::u16string_view text) {
    return toUtf8(reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()));
}

} // namespace foundation::icu
