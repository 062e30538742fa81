// Axis labels for values that count calendar units (months, days, years ...) from a reference date:
// the value n is written as the date n units after it, by a shared date formatter.
#pragma once

#include "platform/foundation/Calendar.h"
#include "platform/foundation/DateFormatter.h"
#include "platform/foundation/NumberFormatter.h"

#include <cstdint>
#include <memory>
#include <optional>

// The platform's calendar-unit flags.
enum CPTCalendarUnit : std::uint64_t {
    CPTCalendarUnitEra = 2,
    CPTCalendarUnitYear = 4,
    CPTCalendarUnitMonth = 8,
    CPTCalendarUnitDay = 16,
    CPTCalendarUnitHour = 32,
    CPTCalendarUnitMinute = 64,
    CPTCalendarUnitSecond = 128,
    CPTCalendarUnitWeekday = 512,
    CPTCalendarUnitWeekdayOrdinal = 1024,
    CPTCalendarUnitQuarter = 2048,
    CPTCalendarUnitWeekOfMonth = 4096,
    CPTCalendarUnitWeekOfYear = 8192,
    CPTCalendarUnitYearForWeekOfYear = 16384,
    CPTCalendarUnitCalendar = 0x100000,
    CPTCalendarUnitTimeZone = 0x200000,
};

class CPTCalendarFormatter : public foundation::NumberFormatter {
  public:
    // A new date formatter with medium date and medium time.
    CPTCalendarFormatter();
    // The formatter is shared, not copied; no reference date or calendar; counting eras.
    explicit CPTCalendarFormatter(std::shared_ptr<foundation::DateFormatter> dateFormatter);

    const std::shared_ptr<foundation::DateFormatter>& dateFormatter() const { return dateFormatter_; }
    void setDateFormatter(std::shared_ptr<foundation::DateFormatter> formatter) {
        dateFormatter_ = std::move(formatter);
    }
    // Seconds after 1970; none means 1 January 2001 UTC.
    const std::optional<double>& referenceDate() const { return referenceDate_; }
    void setReferenceDate(std::optional<double> date) { referenceDate_ = date; }
    // Copied; none means the current calendar.
    const std::optional<foundation::Calendar>& referenceCalendar() const { return referenceCalendar_; }
    void setReferenceCalendar(const std::optional<foundation::Calendar>& calendar) { referenceCalendar_ = calendar; }
    std::uint64_t referenceCalendarUnit() const { return referenceCalendarUnit_; }
    void setReferenceCalendarUnit(std::uint64_t unit) { referenceCalendarUnit_ = unit; }

    // The date `n` units after the reference date, n being the value's integer part (NaN gives 0, a
    // value out of range saturates, anything but a number 0). None for a date the calendar cannot
    // reach. A unit outside the table raises CPTException ("Unsupported calendar unit...").
    std::optional<std::string> stringForObjectValue(const foundation::Value& value) const override;
    // Shares the date formatter; its own reference date and calendar.
    std::shared_ptr<CPTCalendarFormatter> copy() const;

  private:
    std::shared_ptr<foundation::DateFormatter> dateFormatter_;
    std::optional<double> referenceDate_;
    std::optional<foundation::Calendar> referenceCalendar_;
    std::uint64_t referenceCalendarUnit_ = CPTCalendarUnitEra;
};
