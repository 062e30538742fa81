// The process's shared display formatters: significant digits, scientific, and dates by style.
// Built once in the current locale and local time zone (rebuilt when either changes), the numbers' one
// per number of digits; each call formats under its formatter's lock, so calls from several threads
// never mix.
#pragma once

#include "platform/foundation/DateFormatter.h"
#include "platform/foundation/NumberFormatter.h"

#include <memory>
#include <string>

namespace foundation::display {

// Decimal style with at most `maxDigits` significant digits ("9,999", "0.5").
std::string significant(double value, int maxDigits);

// Scientific style with at most `maxDigits` significant digits ("5E-5", "1.234E4").
std::string scientific(double value, int maxDigits);

// The instant `seconds` after 1970 in the given date and time styles.
std::string date(double seconds, DateFormatter::Style dateStyle, DateFormatter::Style timeStyle);

// Whole percentages ("25%") in the current locale: this thread's one formatter, made again when the
// locale changes (an axis may keep it as its label formatter).
std::shared_ptr<NumberFormatter> wholePercentFormatter();

} // namespace foundation::display
