// Seconds from a reference date written as dates, in UTC and in New York.
#include "plot/axes_plots/CPTTimeFormatter.h"

#include "platform/foundation/Locale.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>

namespace {

void pinZone(const char* zone) {
    setenv("TZ", zone, 1);
    foundation::reloadLocalTimeZone();
    foundation::setCurrentLocale("en_US");
}

std::shared_ptr<foundation::DateFormatter> longDates() {
    return std::make_shared<foundation::DateFormatter>(foundation::DateFormatter::Style::Long,
                                                       foundation::DateFormatter::Style::None);
}

} // namespace

TEST(CPTTimeFormatter, SecondsFromTheReferenceDateInTheLocalZone) {
    struct Case {
        const char* zone;
        std::optional<double> reference;
        foundation::Value value;
        std::optional<std::string> text;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {"UTC", 0.0, foundation::Value(0), "January 1, 1970"},
        {"America/New_York", 0.0, foundation::Value(0), "December 31, 1969"},
        {"UTC", std::nullopt, foundation::Value(0), "January 1, 2001"},
        {"UTC", 0.0, foundation::Value(86400.0 * 31), "February 1, 1970"},
        {"UTC", 0.0, foundation::Value(foundation::Decimal::fromString("86400")), "January 2, 1970"},
        {"UTC", 0.0, foundation::Value("86400"), std::nullopt},
        {"UTC", 0.0, foundation::Value(), std::nullopt},
        {"UTC", 0.0, foundation::Value(std::numeric_limits<double>::quiet_NaN()), std::nullopt},
        {"UTC", 0.0, foundation::Value(inf), std::nullopt},
        {"UTC", 0.0, foundation::Value(-inf), std::nullopt},
        {"UTC", 0.0, foundation::Value(1e300), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.zone);
        pinZone(c.zone);
        CPTTimeFormatter formatter(longDates());
        formatter.setReferenceDate(c.reference);
        EXPECT_EQ(formatter.stringForObjectValue(c.value), c.text);
    }
    pinZone("UTC");
    EXPECT_EQ(CPTTimeFormatter(nullptr).stringForObjectValue(foundation::Value(0)), std::nullopt);
}

TEST(CPTTimeFormatter, MediumStylesByDefaultAndCopiesShareTheDateFormatter) {
    pinZone("UTC");
    CPTTimeFormatter plain;
    ASSERT_NE(plain.dateFormatter(), nullptr);
    EXPECT_EQ(plain.dateFormatter()->dateStyle(), foundation::DateFormatter::Style::Medium);
    EXPECT_EQ(plain.dateFormatter()->timeStyle(), foundation::DateFormatter::Style::Medium);
    EXPECT_EQ(plain.referenceDate(), std::nullopt);

    CPTTimeFormatter formatter(longDates());
    formatter.setReferenceDate(0.0);
    auto copy = formatter.copy();
    EXPECT_EQ(copy->dateFormatter(), formatter.dateFormatter());
    EXPECT_EQ(copy->referenceDate(), 0.0);
    formatter.dateFormatter()->setDateStyle(foundation::DateFormatter::Style::Short);
    EXPECT_EQ(copy->stringForObjectValue(foundation::Value(0)), "1/1/70") << "the copy sees the style change";
}
