// Values counting calendar units from a reference date, written as dates.
// Expected dates from python3-dateutil's calendar arithmetic:
//   python3 -c "from datetime import datetime; from dateutil.relativedelta import relativedelta as r;
//     b = datetime(2021, 1, 31); print([(b + r(months=n)).date() for n in (1, -1, 2, 13, 3)])"
//   -> 2021-02-28, 2020-12-31, 2021-03-31, 2022-02-28, 2021-04-30 (the last: one quarter)
#include "platform/foundation/Locale.h"
#include "plot/foundation/CPTCalendarFormatter.h"
#include "plot/foundation/CPTException.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>

namespace {

constexpr double kJanuary31st2021 = 1612051200; // 00:00 UTC

std::shared_ptr<CPTCalendarFormatter> monthFormatter() {
    setenv("TZ", "UTC", 1);
    foundation::reloadLocalTimeZone();
    foundation::setCurrentLocale("en_US");
    auto dates = std::make_shared<foundation::DateFormatter>(foundation::DateFormatter::Style::Long,
                                                             foundation::DateFormatter::Style::None, "en_US", "UTC");
    auto formatter = std::make_shared<CPTCalendarFormatter>(dates);
    formatter->setReferenceDate(kJanuary31st2021);
    formatter->setReferenceCalendar(foundation::Calendar("gregorian", "UTC"));
    formatter->setReferenceCalendarUnit(CPTCalendarUnitMonth);
    return formatter;
}

} // namespace

TEST(CPTCalendarFormatter, CountsUnitsWithTheCalendarsOwnArithmetic) {
    struct Case {
        const char* name;
        std::uint64_t unit;
        foundation::Value value;
        std::optional<std::string> text;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {"a month on: the end of February", CPTCalendarUnitMonth, foundation::Value(1), "February 28, 2021"},
        {"a month back", CPTCalendarUnitMonth, foundation::Value(-1), "December 31, 2020"},
        {"two months", CPTCalendarUnitMonth, foundation::Value(2.0), "March 31, 2021"},
        {"thirteen months", CPTCalendarUnitMonth, foundation::Value(13), "February 28, 2022"},
        {"the fraction is cut", CPTCalendarUnitMonth, foundation::Value(1.9), "February 28, 2021"},
        {"a decimal", CPTCalendarUnitMonth, foundation::Value(foundation::Decimal::fromString("-1.5")),
         "December 31, 2020"},
        {"NaN reads as 0", CPTCalendarUnitMonth, foundation::Value(nan), "January 31, 2021"},
        {"a text reads as 0", CPTCalendarUnitMonth, foundation::Value("5"), "January 31, 2021"},
        {"a quarter is three months", CPTCalendarUnitQuarter, foundation::Value(1), "April 30, 2021"},
        {"days", CPTCalendarUnitDay, foundation::Value(1), "February 1, 2021"},
        {"years", CPTCalendarUnitYear, foundation::Value(-21), "January 31, 2000"},
        {"weeks of the year", CPTCalendarUnitWeekOfYear, foundation::Value(1), "February 7, 2021"},
        {"weeks of the month", CPTCalendarUnitWeekOfMonth, foundation::Value(1), "February 7, 2021"},
        {"week-numbering years", CPTCalendarUnitYearForWeekOfYear, foundation::Value(1), "January 30, 2022"},
        {"weekdays", CPTCalendarUnitWeekday, foundation::Value(2), "February 2, 2021"},
        {"weekday ordinals", CPTCalendarUnitWeekdayOrdinal, foundation::Value(1), "February 7, 2021"},
        {"beyond the calendar", CPTCalendarUnitDay, foundation::Value(std::numeric_limits<double>::max()),
         std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto formatter = monthFormatter();
        formatter->setReferenceCalendarUnit(c.unit);
        EXPECT_EQ(formatter->stringForObjectValue(c.value), c.text);
    }
}

TEST(CPTCalendarFormatter, DefaultsAndCopies) {
    auto formatter = monthFormatter();
    CPTCalendarFormatter plain(formatter->dateFormatter());
    EXPECT_EQ(plain.referenceCalendarUnit(), CPTCalendarUnitEra);
    EXPECT_EQ(plain.referenceDate(), std::nullopt);
    plain.setReferenceCalendarUnit(CPTCalendarUnitDay);
    EXPECT_EQ(plain.stringForObjectValue(foundation::Value(0)), "January 1, 2001") << "the platform's reference date";

    auto copy = formatter->copy();
    EXPECT_EQ(copy->dateFormatter(), formatter->dateFormatter()) << "shared";
    EXPECT_EQ(copy->referenceCalendarUnit(), CPTCalendarUnitMonth);
    copy->setReferenceDate(0.0);
    EXPECT_EQ(formatter->referenceDate(), kJanuary31st2021) << "its own date";
    copy->dateFormatter()->setDateStyle(foundation::DateFormatter::Style::Short);
    EXPECT_EQ(formatter->stringForObjectValue(foundation::Value(1)), "2/28/21");

    CPTCalendarFormatter medium;
    EXPECT_EQ(medium.dateFormatter()->dateStyle(), foundation::DateFormatter::Style::Medium);
    EXPECT_EQ(medium.dateFormatter()->timeStyle(), foundation::DateFormatter::Style::Medium);
}

TEST(CPTCalendarFormatter, UnsupportedUnitsRaise) {
    struct Case {
        std::uint64_t unit;
        const char* reason;
    };
    const Case cases[] = {
        {256, "Unsupported calendar unit"},
        {0, "Unsupported calendar unit"},
        {CPTCalendarUnitCalendar, "Unsupported calendar unit: NSCalendarCalendarUnit"},
        {CPTCalendarUnitTimeZone, "Unsupported calendar unit: NSTimeZoneCalendarUnit"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.unit);
        auto formatter = monthFormatter();
        formatter->setReferenceCalendarUnit(c.unit);
        try {
            formatter->stringForObjectValue(foundation::Value(1));
            ADD_FAILURE() << "no exception";
        } catch (const CPTException& e) {
            EXPECT_EQ(e.name(), CPTExceptionName);
            EXPECT_EQ(e.reason(), c.reason);
        }
    }
}
