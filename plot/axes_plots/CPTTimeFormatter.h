// Axis labels for values that count seconds from a reference date: the value is written as the date
// (and time) it stands for, by a shared date formatter.
#pragma once

#include "platform/foundation/DateFormatter.h"
#include "platform/foundation/NumberFormatter.h"

#include <memory>
#include <optional>

class CPTTimeFormatter : public foundation::NumberFormatter {
  public:
    // 1 January 2001, 00:00 UTC, in seconds after 1970: the date of 0 when no reference date is set.
    static constexpr double kPlatformReferenceDate = 978307200.0;

    // A new date formatter with medium date and medium time in the current locale and local zone.
    CPTTimeFormatter();
    // The formatter is shared, not copied; none gives no texts.
    explicit CPTTimeFormatter(std::shared_ptr<foundation::DateFormatter> dateFormatter);

    const std::shared_ptr<foundation::DateFormatter>& dateFormatter() const { return dateFormatter_; }
    void setDateFormatter(std::shared_ptr<foundation::DateFormatter> formatter) {
        dateFormatter_ = std::move(formatter);
    }
    // Seconds after 1970; none means 1 January 2001 UTC.
    const std::optional<double>& referenceDate() const { return referenceDate_; }
    void setReferenceDate(std::optional<double> date) { referenceDate_ = date; }

    // The date `value` seconds after the reference date. None for anything but a number, for NaN and
    // infinities, for dates beyond what the date formatter can write, and without a date formatter.
    std::optional<std::string> stringForObjectValue(const foundation::Value& value) const override;
    // A new formatter sharing the date formatter, with the same reference date.
    std::shared_ptr<CPTTimeFormatter> copy() const;

  private:
    std::shared_ptr<foundation::DateFormatter> dateFormatter_;
    std::optional<double> referenceDate_;
};
