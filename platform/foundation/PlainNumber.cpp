// Plain numbers read with fast_float, whose results are correctly rounded like the readers'.
#include "platform/foundation/PlainNumber.h"

#include <cmath>
#include <cstdint>
#include <fast_float/fast_float.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace foundation {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::optional<double> readPlainNumber(std::string_view text, const PlainNumberForm& form) {
    if (text.empty() || form.separator == 0)
        return std::nullopt;
    const char* const first = text.data();
    const char* const last = first + text.size();
    const char* p = first;
    if (*p == '-') {
        if (!form.minus)
            return std::nullopt;
        ++p;
    }
    // fast_float also reads "inf", "nan" and a second '-': none of them is plain.
    if (p == last || !(isDigit(*p) || *p == form.separator))
        return std::nullopt;
    const fast_float::parse_options options(
        form.exponent ? fast_float::chars_format::general : fast_float::chars_format::fixed, form.separator);
    double value = 0;
    const auto [end, ec] = fast_float::from_chars_advanced(first, last, value, options);
    if (ec != std::errc() || end != last || std::isinf(value))
        return std::nullopt;
    if (value == 0) {
        // "0", "-0,0" are plain zeros; an underflow or a zero with an exponent is the reader's to judge.
        for (const char* c = p; c != last; ++c)
            if ((*c >= '1' && *c <= '9') || *c == 'e' || *c == 'E')
                return std::nullopt;
    }
    return value;
}

bool mayHoldDigit(std::string_view text, bool localDigitsAreNd) {
    bool ascii = true;
    for (char c : text) {
        if (isDigit(c))
            return true;
        if (static_cast<unsigned char>(c) >= 0x80)
            ascii = false;
    }
    if (ascii)
        return false;
    if (!localDigitsAreNd || text.size() > static_cast<size_t>(INT32_MAX))
        return true;
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c >= 0 && u_isdigit(c))
            return true;
    }
    return false;
}

} // namespace foundation
