// NumberFormatter over unum_*: whole-text parsing and formatting in one locale.
#include "platform/foundation/NumberFormatter.h"

#include "platform/foundation/IcuText.h"
#include "platform/foundation/Locale.h"

#include <cmath>
#include <limits>
#include <unicode/uchar.h>
#include <unicode/unum.h>
#include <unicode/utf16.h>

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

std::u16string symbol(const UNumberFormat* format, UNumberFormatSymbol which) {
    UChar buffer[32];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = unum_getSymbol(format, which, buffer, 32, &status);
    if (U_FAILURE(status))
        return {};
    return std::u16string(reinterpret_cast<const char16_t*>(buffer), static_cast<size_t>(length));
}

const UNumberFormatSymbol kDigitSymbols[10] = {
    UNUM_ZERO_DIGIT_SYMBOL,  UNUM_ONE_DIGIT_SYMBOL,   UNUM_TWO_DIGIT_SYMBOL, UNUM_THREE_DIGIT_SYMBOL,
    UNUM_FOUR_DIGIT_SYMBOL,  UNUM_FIVE_DIGIT_SYMBOL,  UNUM_SIX_DIGIT_SYMBOL, UNUM_SEVEN_DIGIT_SYMBOL,
    UNUM_EIGHT_DIGIT_SYMBOL, UNUM_NINE_DIGIT_SYMBOL,
};

} // namespace

NumberFormatter::NumberFormatter() : NumberFormatter(Style::Decimal, currentLocale()) {}

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

bool NumberFormatter::usesSignificantDigits() const {
    return unum_getAttribute(format_, UNUM_SIGNIFICANT_DIGITS_USED) != 0;
}

void NumberFormatter::setUsesSignificantDigits(bool on) {
    unum_setAttribute(format_, UNUM_SIGNIFICANT_DIGITS_USED, on ? 1 : 0);
}

int NumberFormatter::minimumSignificantDigits() const {
    return unum_getAttribute(format_, UNUM_MIN_SIGNIFICANT_DIGITS);
}

void NumberFormatter::setMinimumSignificantDigits(int digits) {
    unum_setAttribute(format_, UNUM_MIN_SIGNIFICANT_DIGITS, digits);
}

int NumberFormatter::maximumSignificantDigits() const {
    return unum_getAttribute(format_, UNUM_MAX_SIGNIFICANT_DIGITS);
}

void NumberFormatter::setMaximumSignificantDigits(int digits) {
    unum_setAttribute(format_, UNUM_MAX_SIGNIFICANT_DIGITS, digits);
}

int NumberFormatter::minimumIntegerDigits() const {
    return unum_getAttribute(format_, UNUM_MIN_INTEGER_DIGITS);
}

void NumberFormatter::setMinimumIntegerDigits(int digits) {
    unum_setAttribute(format_, UNUM_MIN_INTEGER_DIGITS, digits);
}

int NumberFormatter::minimumFractionDigits() const {
    return unum_getAttribute(format_, UNUM_MIN_FRACTION_DIGITS);
}

void NumberFormatter::setMinimumFractionDigits(int digits) {
    unum_setAttribute(format_, UNUM_MIN_FRACTION_DIGITS, digits);
}

int NumberFormatter::maximumFractionDigits() const {
    return unum_getAttribute(format_, UNUM_MAX_FRACTION_DIGITS);
}

void NumberFormatter::setMaximumFractionDigits(int digits) {
    unum_setAttribute(format_, UNUM_MAX_FRACTION_DIGITS, digits);
}

NumberFormatter::RoundingMode NumberFormatter::roundingMode() const {
    return static_cast<RoundingMode>(unum_getAttribute(format_, UNUM_ROUNDING_MODE));
}

void NumberFormatter::setRoundingMode(RoundingMode mode) {
    // The platform's numbers are ICU's (UNUM_ROUND_CEILING 0 ... UNUM_ROUND_HALFUP 6).
    unum_setAttribute(format_, UNUM_ROUNDING_MODE, static_cast<int32_t>(mode));
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

std::string NumberFormatter::formatDecimal(const Decimal& value) const {
    if (value.isNaN())
        return format(std::numeric_limits<double>::quiet_NaN());
    const std::string digits = value.toString();
    UChar buffer[128];
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = unum_formatDecimal(format_, digits.c_str(), static_cast<int32_t>(digits.size()), buffer,
                                        128, nullptr, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        std::u16string big(static_cast<size_t>(length) + 1, u'\0');
        status = U_ZERO_ERROR;
        length = unum_formatDecimal(format_, digits.c_str(), static_cast<int32_t>(digits.size()),
                                    reinterpret_cast<UChar*>(big.data()), static_cast<int32_t>(big.size()), nullptr,
                                    &status);
        return U_SUCCESS(status) ? icu::toUtf8(reinterpret_cast<const UChar*>(big.data()), length)
                                 : std::string();
    }
    return U_SUCCESS(status) ? icu::toUtf8(buffer, length) : std::string();
}

std::optional<std::string> NumberFormatter::stringForObjectValue(const Value& value) const {
    switch (value.kind()) {
    case Value::Kind::Decimal:
    case Value::Kind::Integer:
    case Value::Kind::Unsigned:
        return formatDecimal(value.toDecimal());
    case Value::Kind::Double:
        return format(value.toDouble());
    default:
        return std::nullopt;
    }
}

std::string NumberFormatter::decimalSeparator() const {
    UChar buffer[16];
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = unum_getSymbol(format_, UNUM_DECIMAL_SEPARATOR_SYMBOL, buffer, 16, &status);
    return U_SUCCESS(status) ? icu::toUtf8(buffer, length) : std::string(".");
}

PlainNumberForm NumberFormatter::plainForm() const {
    PlainNumberForm none;
    if (format_ == nullptr || style_ != Style::Decimal)
        return none;
    for (int d = 0; d < 10; ++d)
        if (symbol(format_, kDigitSymbols[d]) != std::u16string(1, static_cast<char16_t>(u'0' + d)))
            return none;
    const std::u16string separator = symbol(format_, UNUM_DECIMAL_SEPARATOR_SYMBOL);
    if (separator != u"." && separator != u",")
        return none;
    PlainNumberForm form;
    form.separator = static_cast<char>(separator[0]);
    const std::string sep(1, form.separator);
    // The reader must agree with the plain reading on samples of each part it is trusted with.
    auto agrees = [this](const std::string& text, double expected) {
        const auto v = parseWhole(std::string_view(text));
        return v && *v == expected && std::signbit(*v) == std::signbit(expected);
    };
    if (!agrees("1" + sep + "5", 1.5) || !agrees(sep + "25", 0.25) || !agrees("5" + sep, 5) ||
        !agrees("007", 7) || !agrees("0" + sep + "0", 0) ||
        !agrees("123456789012345678901234567890", 123456789012345678901234567890.0))
        return none;
    form.minus = symbol(format_, UNUM_MINUS_SIGN_SYMBOL) == u"-" && agrees("-2" + sep + "5", -2.5) &&
                 agrees("-0", -0.0) && agrees("-" + sep + "5", -0.5);
    form.exponent = form.minus && symbol(format_, UNUM_EXPONENTIAL_SYMBOL) == u"E" &&
                    symbol(format_, UNUM_PLUS_SIGN_SYMBOL) == u"+" && agrees("1E5", 1e5) &&
                    agrees("1e5", 1e5) && agrees("2" + sep + "5e+3", 2500) && agrees("25e-1", 2.5) &&
                    agrees("-1e-5", -1e-5);
    return form;
}

bool NumberFormatter::localDigitsAreNd() const {
    if (format_ == nullptr)
        return true;
    for (UNumberFormatSymbol which : kDigitSymbols) {
        const std::u16string digit = symbol(format_, which);
        if (digit.empty())
            return false;
        const auto* units = reinterpret_cast<const UChar*>(digit.data());
        const auto length = static_cast<int32_t>(digit.size());
        int32_t i = 0;
        UChar32 c;
        U16_NEXT(units, i, length, c);
        if (i != length || !u_isdigit(c))
            return false;
    }
    return true;
}

} // namespace foundation
