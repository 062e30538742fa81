// NumberFormatter over unum_*: whole-text parsing and formatting in one locale.
#include "platform/foundation/NumberFormatter.h"

#include "platform/foundation/IcuText.h"

#include <cmath>
#include <unicode/unum.h>

namespace foundation {
namespace {

UNumberFormatStyle icuStyle(NumberFormatter::Style style) {
    switch (style) {
    case NumberFormatter::Style::Decimal:
        return UNUM_DECIMAL;
    case NumberFormatter::Style::Percent:
        return UNUM_PERCENT;
    case NumberFormatter::Style::Currency:
        return UNUM_CURRENCY;
    case NumberFormatter::Style::Scientific:
        return UNUM_SCIENTIFIC;
    }
    return UNUM_DECIMAL;
}

} // namespace

NumberFormatter::NumberFormatter(Style style, const std::string& localeId)
    : style_(style), locale_(localeId) {
    UErrorCode status = U_ZERO_ERROR;
    format_ = unum_open(icuStyle(style), nullptr, 0, localeId.c_str(), nullptr, &status);
    if (U_FAILURE(status) || format_ == nullptr) {
        status = U_ZERO_ERROR;
        format_ = unum_open(icuStyle(style), nullptr, 0, "", nullptr, &status);
    }
}

NumberFormatter::~NumberFormatter() {
    if (format_ != nullptr)
        unum_close(format_);
}

void NumberFormatter::setLenient(bool lenient) {
    unum_setAttribute(format_, UNUM_LENIENT_PARSE, lenient ? 1 : 0);
}

void NumberFormatter::setUsesSignificantDigits(bool on) {
    unum_setAttribute(format_, UNUM_SIGNIFICANT_DIGITS_USED, on ? 1 : 0);
}

void NumberFormatter::setMaximumSignificantDigits(int digits) {
    unum_setAttribute(format_, UNUM_MAX_SIGNIFICANT_DIGITS, digits);
}

std::optional<double> NumberFormatter::parseWhole(std::string_view text) const {
    if (text.empty())
        return std::nullopt;
    // Cells are short; a thread-local buffer keeps the per-cell conversion free of allocation.
    thread_local std::u16string buffer;
    icu::toUtf16(text, buffer);
    return parseWhole(std::u16string_view(buffer));
}

std::optional<double> NumberFormatter::parseWhole(std::u16string_view text) const {
    if (text.empty() || format_ == nullptr)
        return std::nullopt;
    int32_t position = 0;
    UErrorCode status = U_ZERO_ERROR;
    const auto length = static_cast<int32_t>(text.size());
    double value =
        unum_parseDouble(format_, reinterpret_cast<const UChar*>(text.data()), length, &position, &status);
    if (U_FAILURE(status) || position != length || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string NumberFormatter::format(double value) const {
    UChar buffer[128];
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = unum_formatDouble(format_, value, buffer, 128, nullptr, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        std::u16string big(static_cast<size_t>(length) + 1, u'\0');
        status = U_ZERO_ERROR;
        length = unum_formatDouble(format_, value, reinterpret_cast<UChar*>(big.data()),
                                   static_cast<int32_t>(big.size()), nullptr, &status);
        return U_SUCCESS(status) ? icu::toUtf8(reinterpret_cast<const UChar*>(big.data()), length)
                                 : std::string();
    }
    return U_SUCCESS(status) ? icu::toUtf8(buffer, length) : std::string();
}

std::string NumberFormatter::decimalSeparator() const {
    UChar buffer[16];
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = unum_getSymbol(format_, UNUM_DECIMAL_SEPARATOR_SYMBOL, buffer, 16, &status);
    return U_SUCCESS(status) ? icu::toUtf8(buffer, length) : std::string(".");
}

} // namespace foundation
