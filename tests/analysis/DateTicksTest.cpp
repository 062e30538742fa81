// Where date axes have their ticks: whole calendar steps in the local time zone, so the dates under
// them read as far apart as the ticks stand.
#include "analysis/FitScreenParts.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

double utc(int year, int month, int day, int hour = 0, int minute = 0) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    return double(timegm(&t));
}

class DateTicks : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
    }
};

} // namespace

TEST_F(DateTicks, WholeCalendarStepsAboutFiveOfThem) {
    struct Case {
        const char* what;
        double minimum, maximum;
        std::vector<double> ticks;
    };
    const Case cases[] = {
        // Ten days (a histogram of 1, 3 and 10 January widened by 5 % either side): every third day
        // at midnight (counted from 1 January 1970), not every 2.3 days, which read as gaps of two and
        // three days.
        {"days", utc(2021, 1, 1) - 0.05 * 9 * 86400, utc(2021, 1, 10) + 0.05 * 9 * 86400,
         {utc(2021, 1, 3), utc(2021, 1, 6), utc(2021, 1, 9)}},
        {"eight days", utc(2021, 1, 1), utc(2021, 1, 9),
         {utc(2021, 1, 1), utc(2021, 1, 3), utc(2021, 1, 5), utc(2021, 1, 7), utc(2021, 1, 9)}},
        {"half an hour", utc(2021, 1, 1, 10, 0), utc(2021, 1, 1, 10, 30),
         {utc(2021, 1, 1, 10, 0), utc(2021, 1, 1, 10, 10), utc(2021, 1, 1, 10, 20), utc(2021, 1, 1, 10, 30)}},
        // Weeks counted from 1 January 1970.
        {"five weeks", utc(2021, 3, 3), utc(2021, 4, 7),
         {utc(2021, 3, 4), utc(2021, 3, 11), utc(2021, 3, 18), utc(2021, 3, 25), utc(2021, 4, 1)}},
        {"a year", utc(2020, 12, 20), utc(2021, 12, 10),
         {utc(2021, 1, 1), utc(2021, 4, 1), utc(2021, 7, 1), utc(2021, 10, 1)}},
        {"twenty years", utc(1999, 6, 1), utc(2019, 6, 1),
         {utc(2000, 1, 1), utc(2005, 1, 1), utc(2010, 1, 1), utc(2015, 1, 1)}},
        {"no length", utc(2021, 1, 1), utc(2021, 1, 1), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(fitparts::dateTicks(c.minimum, c.maximum), c.ticks);
    }
    EXPECT_TRUE(fitparts::dateTicks(NAN, 1).empty());
}

TEST_F(DateTicks, AxisLabelledAtThem) {
    auto graph = fitparts::makeGraph({300, 200}, {});
    auto& axis = *fitparts::axesOf(*graph).xAxis();
    fitparts::useDateTicks(axis, *fitparts::range(utc(2021, 1, 1), 8 * 86400));
    EXPECT_EQ(axis.labelingPolicy(), CPTAxisLabelingPolicyLocationsProvided);
    ASSERT_EQ(axis.majorTickLocations().size(), 5u);
    EXPECT_EQ(axis.majorTickLocations()[1].toDouble(), utc(2021, 1, 3));
}
