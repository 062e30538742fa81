// The shared display formatters: each call formats with its own number of digits, whatever the calls
// before it asked, and in the locale current at the call.
#include "platform/foundation/DisplayFormatters.h"

#include "platform/foundation/Locale.h"

#include <gtest/gtest.h>

namespace {

TEST(DisplayFormatters, EachCallUsesItsOwnDigitsAndTheCurrentLocale) {
    foundation::setCurrentLocale("en_US");
    struct Case {
        double value;
        int digits;
        const char* significant;
        const char* scientific;
    };
    // Digits in turn up and down: a formatter left at an earlier call's digits shows here.
    const Case cases[] = {
        {3.14159265, 3, "3.14", "3.14E0"},   {3.14159265, 7, "3.141593", "3.141593E0"},
        {3.14159265, 3, "3.14", "3.14E0"},   {12345.678, 4, "12,350", "1.235E4"},
        {12345.678, 7, "12,345.68", "1.234568E4"}, {0.5, 1, "0.5", "5E-1"},
        {12345.678, 4, "12,350", "1.235E4"},
    };
    for (int round = 0; round < 2; ++round)
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(c.value) + " at " + std::to_string(c.digits));
            EXPECT_EQ(foundation::display::significant(c.value, c.digits), c.significant);
            EXPECT_EQ(foundation::display::scientific(c.value, c.digits), c.scientific);
        }
    foundation::setCurrentLocale("de_DE");
    EXPECT_EQ(foundation::display::significant(12345.678, 7), "12.345,68");
    EXPECT_EQ(foundation::display::significant(3.14159265, 3), "3,14");
    foundation::setCurrentLocale("en_US");
    EXPECT_EQ(foundation::display::significant(3.14159265, 3), "3.14");
}

} // namespace
