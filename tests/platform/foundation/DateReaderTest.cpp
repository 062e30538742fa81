// The date reader's grammar, one table per locale, with locale, time zone and "now" pinned.
// Expected instants come from the C library's mktime/timegm, independent of ICU.
#include "platform/foundation/DateReader.h"
#include "platform/foundation/Locale.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <optional>

namespace {

void pin(const char* locale, const char* zone) {
    setenv("TZ", zone, 1);
    foundation::reloadLocalTimeZone();
    foundation::setCurrentLocale(locale);
}

double local(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    return static_cast<double>(std::mktime(&tm));
}

double utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    return static_cast<double>(timegm(&tm));
}

struct Case {
    const char* text;
    std::optional<double> expected;
};

void check(foundation::DateReader& reader, const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<double> got = reader.firstDate(c.text);
        EXPECT_EQ(got.has_value(), c.expected.has_value());
        if (got && c.expected) {
            EXPECT_DOUBLE_EQ(*got, *c.expected);
        }
    }
}

// Wednesday 5 May 2021, 12:00 in Berlin.
std::function<double()> fixedNow() {
    return [] { return local(2021, 5, 5, 12); };
}

} // namespace

TEST(DateReader, GrammarInEnUs) {
    pin("en_US", "Europe/Berlin");
    foundation::DateReader reader;
    reader.setNow(fixedNow());
    EXPECT_EQ(reader.numericOrder(), foundation::DateReader::Order::MonthDayYear);
    const std::optional<double> none;
    check(reader, {
                      // ISO 8601
                      {"2021-05-03", local(2021, 5, 3)},
                      {"2021-05-03T14:30", local(2021, 5, 3, 14, 30)},
                      {"2021-05-03 14:30:15", local(2021, 5, 3, 14, 30, 15)},
                      {"2021-05-03T14:30:15.250Z", utc(2021, 5, 3, 14, 30, 15) + 0.25},
                      {"2021-05-03T14:30+02:00", utc(2021, 5, 3, 12, 30)},
                      {"2021-05-03T14:30-0500", utc(2021, 5, 3, 19, 30)},
                      {"2021-05-03 14:30+02:00", utc(2021, 5, 3, 12, 30)},
                      {"2021-05-03 14:30abc", local(2021, 5, 3)},
                      {"2021-05-03T14:30abc", std::nullopt},
                      {"2021/05/03", local(2021, 5, 3)},
                      {"1500-03-01T12:00Z", utc(1500, 3, 1, 12)},
                      {"1500-03-01", local(1500, 3, 1)},
                      // numeric, month first in en_US
                      {"05/03/2021", local(2021, 5, 3)},
                      {"5/3/21", local(2021, 5, 3)},
                      {"05-03-2021", local(2021, 5, 3)},
                      {"05.03.2021", local(2021, 5, 3)},
                      {"12/31/69", local(1969, 12, 31)},
                      {"1/1/68", local(2068, 1, 1)},
                      {"2/29/2020", local(2020, 2, 29)},
                      // month names
                      {"3 May 2021", local(2021, 5, 3)},
                      {"3rd May 2021", local(2021, 5, 3)},
                      {"3-May-2021", local(2021, 5, 3)},
                      {"3-May-21", local(2021, 5, 3)},
                      {"May 3, 2021", local(2021, 5, 3)},
                      {"May 3 2021", local(2021, 5, 3)},
                      {"MAY 3, 2021", local(2021, 5, 3)},
                      {"Sept. 9, 2020", local(2020, 9, 9)},
                      {"3 Dec", local(2021, 12, 3)},
                      {"3 May", local(2021, 5, 3)},
                      {"May 3", local(2021, 5, 3)},
                      {"May 2021", local(2021, 5, 1)},
                      {"Fri, 7 May 2021", local(2021, 5, 7)},
                      // relative to Wednesday 5 May 2021
                      {"today", local(2021, 5, 5)},
                      {"Tomorrow", local(2021, 5, 6)},
                      {"yesterday", local(2021, 5, 4)},
                      {"Friday", local(2021, 5, 7)},
                      {"Wednesday", local(2021, 5, 5)},
                      {"this Friday", local(2021, 5, 7)},
                      {"next Friday", local(2021, 5, 7)},
                      {"next Wednesday", local(2021, 5, 12)},
                      {"last Wednesday", local(2021, 4, 28)},
                      {"last fri", local(2021, 4, 30)},
                      // times, alone (today) and after a date
                      {"14:30", local(2021, 5, 5, 14, 30)},
                      {"14:30:15", local(2021, 5, 5, 14, 30, 15)},
                      {"2:30 pm", local(2021, 5, 5, 14, 30)},
                      {"2pm", local(2021, 5, 5, 14)},
                      {"12am", local(2021, 5, 5, 0)},
                      {"12 p.m.", local(2021, 5, 5, 12)},
                      {"05/03/2021, 14:30", local(2021, 5, 3, 14, 30)},
                      {"05/03/2021 14:30", local(2021, 5, 3, 14, 30)},
                      {"3 May 2021 at 2pm", local(2021, 5, 3, 14)},
                      {"tomorrow 9:15", local(2021, 5, 6, 9, 15)},
                      // inside longer texts: the first date, left to right
                      {"due 3 May", local(2021, 5, 3)},
                      {"meeting next Friday at 10:00", local(2021, 5, 7, 10)},
                      {"from 3/5/2021 to 4/5/2021", local(2021, 3, 5)},
                      {"(2021-05-03)", local(2021, 5, 3)},
                      {"sun rises 6:05 am", local(2021, 5, 5, 6, 5)},
                      // near misses
                      {"", none},
                      {"3.5", none},
                      {"3/5", none},
                      {"10-12", none},
                      {"May", none},
                      {"may be", none},
                      {"2021", none},
                      {"12%", none},
                      {"abc", none},
                      {"1.2.3", none},
                      {"1.2.3.2021", none},
                      {"version 10.12.13.1", none},
                      {"31/02/2021", none},
                      {"02/30/2021", none},
                      {"2/29/2021", none},
                      {"3/5/2021x", none},
                      {"x3/5/2021", none},
                      {"25:00", none},
                      {"14:3", none},
                      {"13pm", none},
                      {"the sun", none},
                      {"next", none},
                      {"2021-13-01", none},
                      {"3 Mayo", none},
                  });
}

TEST(DateReader, DayFirstAndOwnMonthNamesInDeDe) {
    pin("de_DE", "Europe/Berlin");
    foundation::DateReader reader;
    reader.setNow(fixedNow());
    EXPECT_EQ(reader.numericOrder(), foundation::DateReader::Order::DayMonthYear);
    check(reader, {
                      {"03.05.2021", local(2021, 5, 3)},
                      {"3.5.21", local(2021, 5, 3)},
                      {"03.05.2021, 14:30", local(2021, 5, 3, 14, 30)},
                      {"3. Mai 2021", local(2021, 5, 3)},
                      {"3 März 2021", local(2021, 3, 3)},
                      {"3. MÄRZ 2021", local(2021, 3, 3)},
                      {"Dez. 2020", local(2020, 12, 1)},
                      {"3 May 2021", local(2021, 5, 3)},
                      {"2021-05-03", local(2021, 5, 3)},
                      {"3,5", std::nullopt},
                      {"Mai", std::nullopt},
                  });
}

TEST(DateReader, DayFirstInFrFr) {
    pin("fr_FR", "Europe/Paris");
    foundation::DateReader reader;
    reader.setNow(fixedNow());
    check(reader, {
                      {"03/05/2021", local(2021, 5, 3)},
                      {"03/05/2021 14:30", local(2021, 5, 3, 14, 30)},
                      {"3 févr. 2021", local(2021, 2, 3)},
                      {"3 août 2021", local(2021, 8, 3)},
                      {"13/12/2021", local(2021, 12, 13)},
                      {"12/13/2021", std::nullopt},
                  });
}

TEST(DateReader, NonexistentLocalMidnightMovesToFirstValidInstant) {
    // Clocks in Sao Paulo jumped from 00:00 to 01:00 on 4 November 2018.
    // python3: datetime(2018,11,4,0,tzinfo=ZoneInfo('America/Sao_Paulo')).timestamp() -> 1541300400.0
    pin("en_US", "America/Sao_Paulo");
    foundation::DateReader reader;
    EXPECT_EQ(reader.firstDate("2018-11-04"), 1541300400.0);
    EXPECT_EQ(reader.firstDate("11/04/2018"), 1541300400.0);
    // python3: datetime(2018,11,3,23,59,...).timestamp() -> 1541300340.0
    EXPECT_EQ(reader.firstDate("11/03/2018 23:59"), 1541300340.0);
}

TEST(DateReader, NowIsAskedAgainForEachText) {
    pin("en_US", "Europe/Berlin");
    foundation::DateReader reader;
    double now = local(2021, 5, 5, 12);
    reader.setNow([&now] { return now; });
    EXPECT_EQ(reader.firstDate("tomorrow"), local(2021, 5, 6));
    now = local(2021, 12, 31, 23);
    EXPECT_EQ(reader.firstDate("tomorrow"), local(2022, 1, 1));
    EXPECT_EQ(reader.firstDate("3 May"), local(2021, 5, 3));
}
