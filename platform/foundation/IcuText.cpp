// UTF-8 <-> UTF-16 through ICU, substituting U+FFFD for malformed input.
#include "platform/foundation/IcuText.h"

#include <unicode/ustring.h>

namespace foundation::icu {

void toUtf16(std::string_view text, std::u16string& out) {
    // UTF-16 never needs more code units than UTF-8 has bytes.
    out.resize(text.size());
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), &length,
                         text.data(), static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
    out.resize(U_SUCCESS(status) ? static_cast<size_t>(length) : 0);
}

std::u16string toUtf16(std::string_view text) {
    std::u16string out;
    toUtf16(text, out);
    return out;
}

std::string toUtf8(const UChar* text, int32_t length) {
    std::string out(static_cast<size_t>(length) * 3, '\0');
    int32_t written = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &written, text, length, 0xFFFD, nullptr,
                       &status);
    out.resize(U_SUCCESS(status) ? static_cast<size_t>(written) : 0);
    return out;
}

} // namespace foundation::icu
