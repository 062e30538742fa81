// Calendar units to date texts.
#include "plot/foundation/CPTCalendarFormatter.h"

#include "plot/foundation/CPTException.h"

namespace {

constexpr double kPlatformReferenceDate = 978307200.0; // 1 January 2001 UTC, in seconds after 1970

foundation::Calendar::Field fieldForUnit(std::uint64_t unit) {
    using Field = foundation::Calendar::Field;
    switch (unit) {
    case CPTCalendarUnitEra:
        return Field::Era;
    case CPTCalendarUnitYear:
        return Field::Year;
    case CPTCalendarUnitMonth:
        return Field::Month;
    case CPTCalendarUnitDay:
        return Field::Day;
    case CPTCalendarUnitHour:
        return Field::Hour;
    case CPTCalendarUnitMinute:
        return Field::Minute;
    case CPTCalendarUnitSecond:
        return Field::Second;
    case CPTCalendarUnitWeekday:
        return Field::Weekday;
    case CPTCalendarUnitWeekdayOrdinal:
        return Field::WeekdayOrdinal;
    case CPTCalendarUnitQuarter:
        return Field::Quarter;
    case CPTCalendarUnitWeekOfMonth:
        return Field::WeekOfMonth;
    case CPTCalendarUnitWeekOfYear:
        return Field::WeekOfYear;
    case CPTCalendarUnitYearForWeekOfYear:
        return Field::YearForWeekOfYear;
    case CPTCalendarUnitCalendar:
        throw CPTException(CPTExceptionName, "Unsupported calendar unit: NSCalendarCalendarUnit");
    case CPTCalendarUnitTimeZone:
        throw CPTException(CPTExceptionName, "Unsupported calendar unit: NSTimeZoneCalendarUnit");
    default:
        throw CPTException(CPTExceptionName, "Unsupported calendar unit");
    }
}

} // namespace

CPTCalendarFormatter::CPTCalendarFormatter()
    : CPTCalendarFormatter(std::make_shared<foundation::DateFormatter>(foundation::DateFormatter::Style::Medium,
                                                                       foundation::DateFormatter::Style::Medium)) {}

CPTCalendarFormatter::CPTCalendarFormatter(std::shared_ptr<foundation::DateFormatter> dateFormatter)
    : dateFormatter_(std::move(dateFormatter)) {}

std::optional<std::string> CPTCalendarFormatter::stringForObjectValue(const foundation::Value& value) const {
    const std::int64_t n = value.isNumber() ? value.toInt64() : 0;
    const auto field = fieldForUnit(referenceCalendarUnit_);
    const double base = referenceDate_.value_or(kPlatformReferenceDate);
    const foundation::Calendar calendar =
        referenceCalendar_ ? *referenceCalendar_ : foundation::Calendar::current();
    const auto date = calendar.dateByAdding(field, n, base);
    if (!date || !dateFormatter_)
        return std::nullopt;
    std::string text = dateFormatter_->format(*date);
    if (text.empty())
        return std::nullopt;
    return text;
}

std::shared_ptr<CPTCalendarFormatter> CPTCalendarFormatter::copy() const {
    auto copy = std::make_shared<CPTCalendarFormatter>(dateFormatter_);
    copy->setReferenceDate(referenceDate_);
    copy->setReferenceCalendar(referenceCalendar_);
    copy->setReferenceCalendarUnit(referenceCalendarUnit_);
    return copy;
}
