// A number formatter and reader of one style in one locale, on ICU's unum_* API.
// Reading accepts only a whole text: "3,5 kg" is not a number, whatever its first characters say.
// Subclasses (the date formatters of charts) replace how a boxed value becomes text.
#pragma once

#include "platform/foundation/PlainNumber.h"
#include "platform/foundation/Value.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace foundation {

class NumberFormatter {
  public:
    enum class Style { Decimal, Percent, Currency, Scientific };
    // The platform's rounding modes, by number; half even is the default.
    enum class RoundingMode { Ceiling = 0, Floor = 1, Down = 2, Up = 3, HalfEven = 4, HalfDown = 5, HalfUp = 6 };

    // The decimal style in the current locale.
    NumberFormatter();
    // An unknown locale id falls back to ICU's root data rather than failing.
    NumberFormatter(Style style, const std::string& localeId);
    virtual ~NumberFormatter();
    NumberFormatter(const NumberFormatter&) = delete;
    NumberFormatter& operator=(const NumberFormatter&) = delete;

    Style style() const { return style_; }
    const std::string& locale() const { return locale_; }

    // Lenient reading also takes texts that differ from the style's pattern in small ways (a
    // currency text in another symbol or without one).
    void setLenient(bool lenient);
    bool usesSignificantDigits() const;
    void setUsesSignificantDigits(bool on);
    int minimumSignificantDigits() const;
    void setMinimumSignificantDigits(int digits);
    int maximumSignificantDigits() const;
    void setMaximumSignificantDigits(int digits);
    int minimumIntegerDigits() const;
    void setMinimumIntegerDigits(int digits);
    int minimumFractionDigits() const;
    void setMinimumFractionDigits(int digits);
    int maximumFractionDigits() const;
    void setMaximumFractionDigits(int digits);
    RoundingMode roundingMode() const;
    void setRoundingMode(RoundingMode mode);

    // The number that the whole text denotes; nothing for an empty text, a text with anything
    // left over, or a text that denotes NaN or an infinity (no cell holds such a measurement).
    std::optional<double> parseWhole(std::string_view text) const;
    std::optional<double> parseWhole(std::u16string_view text) const;

    std::string format(double value) const;
    // From the decimal's own digits, never through a double: 0.25000000000000000001 rounds up.
    std::string formatDecimal(const Decimal& value) const;
    // The text of a boxed number (decimals from their digits, integers exactly); none for anything
    // that is not a number.
    virtual std::optional<std::string> stringForObjectValue(const Value& value) const;

    // The locale's decimal separator for this style ("." in en_US, "," in de_DE).
    std::string decimalSeparator() const;

    // The plain texts this reader reads exactly as readPlainNumber does: its separator when that is
    // '.' or ',' and its digits are ASCII; the leading minus when its minus sign is '-'; the exponent
    // when its exponent symbol is "E" and its signs '+' and '-'. Each part is also checked on sample
    // texts; a part the reader reads otherwise is left out. Asked again after a change of settings.
    PlainNumberForm plainForm() const;
    // True when each of the reader's ten digits is one character of Unicode category Nd.
    bool localDigitsAreNd() const;

  private:
    Style style_;
    std::string locale_;
    void** format_ = nullptr; // UNumberFormat* (ICU declares the handle as void*)
};

} // namespace foundation
