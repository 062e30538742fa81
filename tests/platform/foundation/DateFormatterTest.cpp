// Date texts by template and by style in the locales the importers and screens meet.
#include "platform/foundation/DateFormatter.h"
#include "platform/foundation/Locale.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>

TEST(DateFormatter, TemplatesTakeEachLocalesOwnForm) {
    struct Case {
        const char* locale;
        const char* day;
        const char* dayTime;
        const char* dayText;
        const char* dayTimeText;
    };
    // 2020-12-31 18:05 UTC
    const double instant = 1609437900;
    const Case cases[] = {
        {"en_US", "MM/dd/yyyy", "MM/dd/yyyy, HH:mm", "12/31/2020", "12/31/2020, 18:05"},
        {"de_DE", "dd.MM.yyyy", "dd.MM.yyyy, HH:mm", "31.12.2020", "31.12.2020, 18:05"},
        {"fr_FR", "dd/MM/yyyy", "dd/MM/yyyy HH:mm", "31/12/2020", "31/12/2020 18:05"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale);
        EXPECT_EQ(foundation::DateFormatter::patternFromTemplate("MM/dd/yyyy", c.locale), c.day);
        EXPECT_EQ(foundation::DateFormatter::patternFromTemplate("MM/dd/yyyy HH:mm", c.locale), c.dayTime);
        EXPECT_EQ(foundation::DateFormatter::fromTemplate("MM/dd/yyyy", c.locale, "UTC").format(instant),
                  c.dayText);
        EXPECT_EQ(
            foundation::DateFormatter::fromTemplate("MM/dd/yyyy HH:mm", c.locale, "UTC").format(instant),
            c.dayTimeText);
    }
}

TEST(DateFormatter, LocalTimeZoneAndCurrentLocaleByDefault) {
    setenv("TZ", "Asia/Tokyo", 1);
    foundation::reloadLocalTimeZone();
    foundation::setCurrentLocale("de_DE");
    EXPECT_EQ(foundation::localTimeZone(), "Asia/Tokyo");
    const foundation::DateFormatter formatter(foundation::DateFormatter::Style::Short,
                                              foundation::DateFormatter::Style::Short);
    EXPECT_EQ(formatter.format(0), "01.01.70, 09:00");
    EXPECT_EQ(formatter.format(std::nan("")), "");
}
