// A number formatter and reader of one style in one locale, on ICU's unum_* API.
// Reading accepts only a whole text: "3,5 kg" is not a number, whatever its first characters say.
#pragma once

#include "platform/foundation/PlainNumber.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace foundation {

class NumberFormatter {
  public:
    enum class Style { Decimal, Percent, Currency, Scientific };

    // An unknown locale id falls back to ICU's root data rather than failing.
    NumberFormatter(Style style, const std::string& localeId);
    ~NumberFormatter();
    NumberFormatter(const NumberFormatter&) = delete;
    NumberFormatter& operator=(const NumberFormatter&) = delete;

    Style style() const { return style_; }
    const std::string& locale() const { return locale_; }

    // Lenient reading also takes texts that differ from the style's pattern in small ways (a
    // currency text in another symbol or without one).
    void setLenient(bool lenient);
    void setUsesSignificantDigits(bool on);
    void setMaximumSignificantDigits(int digits);

    // The number that the whole text denotes; nothing for an empty text, a text with anything
    // left over, or a text that denotes NaN or an infinity (no cell holds such a measurement).
    std::optional<double> parseWhole(std::string_view text) const;
    std::optional<double> parseWhole(std::u16string_view text) const;

    std::string format(double value) const;

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
