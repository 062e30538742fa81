// Calendar over ucal_*.
#include "platform/foundation/Calendar.h"

#include "platform/foundation/IcuText.h"
#include "platform/foundation/Locale.h"

#include <cmath>
#include <limits>
#include <unicode/ucal.h>

namespace foundation {
namespace {

UCalendarDateFields icuField(Calendar::Field field) {
    switch (field) {
    case Calendar::Field::Era:
        return UCAL_ERA;
    case Calendar::Field::Year:
        return UCAL_YEAR;
    case Calendar::Field::Month:
    case Calendar::Field::Quarter:
        return UCAL_MONTH;
    case Calendar::Field::Day:
        return UCAL_DATE;
    case Calendar::Field::Hour:
        return UCAL_HOUR_OF_DAY;
    case Calendar::Field::Minute:
        return UCAL_MINUTE;
    case Calendar::Field::Second:
        return UCAL_SECOND;
    case Calendar::Field::Weekday:
        return UCAL_DAY_OF_WEEK;
    case Calendar::Field::WeekdayOrdinal:
        return UCAL_DAY_OF_WEEK_IN_MONTH;
    case Calendar::Field::WeekOfMonth:
        return UCAL_WEEK_OF_MONTH;
    case Calendar::Field::WeekOfYear:
        return UCAL_WEEK_OF_YEAR;
    case Calendar::Field::YearForWeekOfYear:
        return UCAL_YEAR_WOY;
    }
    return UCAL_YEAR;
}

} // namespace

Calendar Calendar::current() {
    Calendar calendar("", "");
    calendar.identifier_ = calendar.identifier();
    return calendar;
}

Calendar::Calendar(const std::string& identifier, const std::string& timeZone)
    : identifier_(identifier), timeZone_(timeZone.empty() ? localTimeZone() : timeZone) {
    open();
}

Calendar::~Calendar() {
    if (calendar_ != nullptr)
        ucal_close(calendar_);
}

Calendar::Calendar(const Calendar& other) : identifier_(other.identifier_), timeZone_(other.timeZone_) {
    open();
}

Calendar& Calendar::operator=(const Calendar& other) {
    if (this == &other)
        return *this;
    identifier_ = other.identifier_;
    timeZone_ = other.timeZone_;
    open();
    return *this;
}

void Calendar::open() {
    if (calendar_ != nullptr)
        ucal_close(calendar_);
    std::string locale = currentLocale();
    if (!identifier_.empty())
        locale += "@calendar=" + identifier_;
    const std::u16string zone = icu::toUtf16(timeZone_);
    UErrorCode status = U_ZERO_ERROR;
    calendar_ = ucal_open(reinterpret_cast<const UChar*>(zone.data()), static_cast<int32_t>(zone.size()),
                          locale.c_str(), UCAL_DEFAULT, &status);
    if (U_FAILURE(status))
        calendar_ = nullptr;
}

std::string Calendar::identifier() const {
    if (calendar_ == nullptr)
        return identifier_;
    UErrorCode status = U_ZERO_ERROR;
    const char* type = ucal_getType(calendar_, &status);
    return U_SUCCESS(status) && type ? std::string(type) : identifier_;
}

void Calendar::setTimeZone(const std::string& timeZone) {
    timeZone_ = timeZone.empty() ? localTimeZone() : timeZone;
    open();
}

std::optional<double> Calendar::dateByAdding(Field field, std::int64_t amount, double seconds) const {
    if (calendar_ == nullptr || !std::isfinite(seconds))
        return std::nullopt;
    if (field == Field::Quarter) {
        if (amount > std::numeric_limits<std::int64_t>::max() / 3 || amount < std::numeric_limits<std::int64_t>::min() / 3)
            return std::nullopt;
        amount *= 3;
    }
    if (amount > std::numeric_limits<int32_t>::max() || amount < std::numeric_limits<int32_t>::min())
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    ucal_setMillis(calendar_, seconds * 1000.0, &status);
    if (U_FAILURE(status))
        return std::nullopt;
    ucal_add(calendar_, icuField(field), static_cast<int32_t>(amount), &status);
    if (U_FAILURE(status))
        return std::nullopt;
    const UDate result = ucal_getMillis(calendar_, &status);
    if (U_FAILURE(status) || !std::isfinite(result))
        return std::nullopt;
    return result / 1000.0;
}

} // namespace foundation
