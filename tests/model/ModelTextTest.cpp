// Reading cell text as numbers and dates by the workspace's separator, and the display texts.
// Locale, time zone and "now" are pinned in every test.
#include "model/ModelText.h"
#include "platform/foundation/DateFormatter.h"
#include "platform/foundation/Locale.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <limits>
#include <thread>

namespace {

void pin(const char* locale, const char* zone = "Europe/Berlin") {
    setenv("TZ", zone, 1);
    foundation::reloadLocalTimeZone();
    foundation::setCurrentLocale(locale);
}

double local(int y, int mo, int d, int h = 0, int mi = 0) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_isdst = -1;
    return static_cast<double>(std::mktime(&tm));
}

ModelText::SeparatorSource separator(std::optional<std::string> s) {
    return [s] { return s; };
}

std::unique_ptr<foundation::DateReader> readerAt(double now) {
    auto reader = std::make_unique<foundation::DateReader>();
    reader->setNow([now] { return now; });
    return reader;
}

const std::string nnbsp = "\u202F"; // ICU puts it before "AM"/"PM" and in French groupings

} // namespace

TEST(ModelText, LocaleRulesInTheirOrder) {
    struct Case {
        const char* current;
        const char* separator;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"en_US", ".", "en_US"},      // 1: the current locale's own separator
        {"en_US", ",", "fr_FR"},      // 3
        {"en_US", ";", std::nullopt}, // 4
        {"en_US", "", std::nullopt},  // 4: the workspace has none
        {"de_DE", ",", "de_DE"},      // 1, before rule 3
        {"de_DE", ".", "en_US"},      // 2
        {"fr_FR", ",", "fr_FR"},      // 1
        {"en_GB", ".", "en_GB"},      // 1, before rule 2
        {"de_CH", ".", "de_CH"},      // 1
        {"de_CH", ",", "fr_FR"},      // 3
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.current) + " '" + c.separator + "'");
        pin(c.current);
        EXPECT_EQ(ModelText::localeForDecimalPoint(c.separator), c.expected);
    }
}

TEST(ModelText, ReadersTakeTheLocaleOfTheRules) {
    struct Case {
        const char* current;
        std::optional<std::string> separator;
        const char* readerLocale;
    };
    const Case cases[] = {
        {"en_US", ".", "en_US"}, {"en_US", ",", "fr_FR"},          {"de_DE", ",", "de_DE"},
        {"de_DE", ".", "en_US"}, {"de_DE", std::nullopt, "de_DE"}, {"fr_FR", ";", "fr_FR"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.current) + " " + c.separator.value_or("(none)"));
        pin(c.current);
        ModelText text(separator(c.separator));
        EXPECT_EQ(text.readDecimal().locale(), c.readerLocale);
        EXPECT_EQ(text.readPercent().locale(), c.readerLocale);
        EXPECT_EQ(text.readCurrency().locale(), c.readerLocale);
    }
}

TEST(ModelText, DecimalNumberForString) {
    struct Case {
        const char* current;
        const char* separator;
        std::string text;
        std::optional<double> expected;
    };
    const std::optional<double> none;
    const Case cases[] = {
        {"en_US", ",", "3,5", 3.5}, // through fr_FR
        {"en_US", ",", "3.5", none},
        {"en_US", ",", "1 234,5", 1234.5},
        {"en_US", ",", "1" + nnbsp + "234,5", 1234.5},
        {"en_US", ".", "3.5", 3.5},
        {"en_US", ".", "3,5", none},
        {"en_US", ".", "1,234.5", 1234.5},
        {"en_US", ".", "-3", -3.0},
        {"en_US", ".", "1e5", 1e5},
        {"en_US", ".", "12%", 0.12},    // the percent reader
        {"en_US", ".", "0.5%", 0.005},  // the percent reader
        {"en_US", ".", "$12.50", 12.5}, // the lenient currency reader
        {"en_US", ".", "", none},
        {"en_US", ".", "abc", none},
        {"en_US", ".", "3 kg", none},
        {"en_US", ".", " 3", none},
        {"en_US", ".", "next Friday", none},
        {"en_US", ".", "due 3 May", none},
        {"en_US", ".", "05/03/2021", none},
        // Not measurements: kept out of every sum and mean.
        {"en_US", ".", "NaN", none},
        {"en_US", ".", "\u221E", none},
        {"de_DE", ",", "3,5", 3.5}, // through de_DE itself (rule 1)
        {"de_DE", ",", "1.234,5", 1234.5},
        {"de_DE", ",", "12\u00A0%", 0.12},
        {"de_DE", ",", "12,50\u00A0\u20AC", 12.5},
        {"de_DE", ".", "3.5", 3.5},
        {"fr_FR", ",", "12\u00A0%", 0.12},
        {"en_US", ".", "$1,234.50", 1234.5},
        // Lenient currency reading only where a currency sign says it is money: a German date
        // text would otherwise read as 1,012,020.
        {"de_DE", ",", "01.01.2020", none},
        {"de_DE", ",", "1.2.3", none},
        {"en_US", ".", "12 34", none},
        {"fr_FR", ",", "12,50\u00A0\u20AC", 12.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.current) + " '" + c.separator + "' " + c.text);
        pin(c.current);
        ModelText text(separator(std::string(c.separator)));
        EXPECT_EQ(text.decimalNumberForString(c.text), c.expected);
    }
}

// The plain reading and the no-digit test give the readers' own answer: the same double (the sign of
// a zero included) or nothing, in workspaces of either separator under several locales.
TEST(ModelText, ShortcutsGiveTheReadersAnswer) {
    struct Workspace {
        const char* current;
        const char* separator;
    };
    const Workspace workspaces[] = {
        {"en_US", "."}, {"en_US", ","}, {"de_DE", ","}, {"de_DE", "."},
        {"de_CH", "."}, {"fr_FR", ","}, {"sv_SE", ","}, {"sv_SE", "."},
    };
    const std::string zeros(800, '0');
    // '#' stands for the workspace's separator; '.' and ',' are themselves.
    const std::string texts[] = {
        // signs
        "5", "-5", "+5", "--5", "-+5", "+-5", "-", "+", "5-", "- 5", "\u2212" "5", "-0", "+0", "-0#0",
        "0", "00", "0#", "#0", "-#0", "#", "-#", "#5", "-#5", "5#",
        // leading zeros
        "007", "-007#50", "0000000000000000000000001", "000#000",
        // 17 digits and more, halfway cases
        "12345678901234567", "123456789012345678", "-123456789012345678901234567890",
        "9007199254740993", "9007199254740993#" + zeros + "1", "0#1", "0#3", "0#" + zeros + "1",
        "1" + zeros, std::string(400, '7'), "0#" + std::string(400, '7'),
        std::string(1000, '7') + "e-1000", "1" + zeros + "e-800",
        // exponents and their limits
        "1e5", "1E5", "1e+5", "1e-5", "1E-5", "1e05", "1e0000000000000000005", "2#5e3", "-2#5E-3",
        "1e", "1e+", "1e-", "e5", "#e5", "1e5#5", "1ee5", "1e5e5", "1e 5", "1 e5",
        "1e308", "1#7976931348623157e308", "1#7976931348623158e308", "1#7976931348623159e308", "1e309",
        "-1e309", "2#2250738585072011e-308", "2#2250738585072012e-308", "1e-307", "4#9e-324",
        "2#4703282292062327e-324", "2#4703282292062328e-324", "1e-323", "1e-324", "1e-400", "-1e-400",
        "0e5", "-0e5", "0e2147483647", "0e2147483648", "-0e2147483648", "0#0e-99999999999",
        "1e2147483647", "1e2147483648", "1e-2147483648", "1e-2147483649", "1e99999999999999999999",
        // separators and grouping
        "1,234", "1.234", "1,234.5", "1.234,5", "1,5", "1.5", "-1,5", "-1.5", "1#2#3", "1,2,3", "1.2.3",
        "12,345,678", "12.345.678", "1 234", "1\u202F234", "1\u00A0234", "1'234", "1\u2019234",
        // other scripts' digits and marks
        "\u0661\u0662\u0663", "\u0663\u066B\u0665", "\uFF11\uFF12\uFF13", "\u0967\u0968",
        "\uFF11e5", "\u3007", "\u4E00\u4E8C\u4E09", "\u00BD", "\u00B2", "\u216B", "\u0661-",
        // spaces
        " 5", "5 ", "5 5", "\t5", "5\n", "\u00A05", "5\u00A0",
        // NaN and infinity
        "NaN", "nan", "-nan", "inf", "-inf", "Infinity", "infinity", "\u221E", "-\u221E",
        // empty, words, other readers' texts
        "", "abc", "e", "E", "x5", "5x", "0x10", "1/2", "05/03/2021", "12:30", "2021-05-03", "12%",
        "-12#5%", "$12#50", "12#50\u00A0\u20AC", "\u20AC", "%", "Group 3", "A12", "next Friday",
    };
    for (const Workspace& w : workspaces) {
        pin(w.current);
        ModelText text(separator(std::string(w.separator)));
        for (std::string t : texts) {
            for (size_t at = t.find('#'); at != std::string::npos; at = t.find('#', at + 1))
                t.replace(at, 1, w.separator);
            SCOPED_TRACE(std::string(w.current) + " '" + w.separator + "' " + t.substr(0, 40));
            const auto fast = text.decimalNumberForString(t);
            const auto readers = text.decimalNumberByReaders(t);
            ASSERT_EQ(fast.has_value(), readers.has_value());
            if (fast) {
                EXPECT_EQ(*fast, *readers);
                EXPECT_EQ(std::signbit(*fast), std::signbit(*readers));
            }
        }
    }
}

TEST(ModelText, DroppedReadersAreRebuiltForTheNewSeparator) {
    pin("en_US");
    std::optional<std::string> workspaceSeparator = ".";
    ModelText text([&] { return workspaceSeparator; });
    EXPECT_EQ(text.decimalNumberForString("3,5"), std::nullopt);
    workspaceSeparator = ",";
    // Built readers keep the separator they were built for until dropped.
    EXPECT_EQ(text.decimalNumberForString("3,5"), std::nullopt);
    text.setReadDecimal(nullptr);
    text.setReadPercent(nullptr);
    text.setReadCurrency(nullptr);
    EXPECT_EQ(text.decimalNumberForString("3,5"), 3.5);
    EXPECT_EQ(text.readCurrency().locale(), "fr_FR");
}

TEST(ModelText, DateForString) {
    pin("en_US");
    ModelText text(separator("."));
    text.setDetectDate(readerAt(local(2021, 5, 5, 12))); // a Wednesday
    EXPECT_EQ(text.dateForString("next Friday"), local(2021, 5, 7));
    EXPECT_EQ(text.dateForString("due 3 May"), local(2021, 5, 3));
    EXPECT_EQ(text.dateForString(""), std::nullopt);
    EXPECT_EQ(text.dateForString("3.5"), std::nullopt);
    EXPECT_EQ(text.decimalNumberForString("next Friday"), std::nullopt);
    EXPECT_EQ(text.decimalNumberForString(""), std::nullopt);
}

TEST(ModelText, DisplayOfNumbersAndPValues) {
    pin("en_US");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double x;
        unsigned digits;
        const char* expected;
    };
    const Case numbers[] = {
        {0, 4, "0"},        {0.00005, 4, "5E-5"},     {0.0001, 4, "0.0001"},  {-0.00005, 4, "-5E-5"},
        {9999, 4, "9,999"}, {10000, 4, "10,000"},     {12345, 4, "1.234E4"},  {-12345, 4, "-1.234E4"},
        {0.5, 4, "0.5"},    {2.0 / 3.0, 4, "0.6667"}, {123456, 6, "123,456"}, {1234567, 6, "1.23457E6"},
        {nan, 4, "NaN"},
        // A NaN with its sign bit set (0/0 on x86-64 makes one) has no sign to show.
        {-nan, 4, "NaN"},   {std::copysign(nan, -1.0), 6, "NaN"},
        // Nor has zero: -0.0 (a coefficient of a regressor that does not move the fit) reads "0".
        {-0.0, 4, "0"},     {-0.0, 8, "0"},
    };
    for (const Case& c : numbers) {
        SCOPED_TRACE(c.x);
        EXPECT_EQ(ModelText::stringFromNumber(c.x, c.digits), c.expected);
    }
    EXPECT_EQ(ModelText::stringFromNumber(12345.0), "1.234E4");

    EXPECT_EQ(ModelText::stringFromPNumber(0.00005), "p < 0.0001");
    EXPECT_EQ(ModelText::stringFromPNumber(0.0001), "p = 0.0001");
    EXPECT_EQ(ModelText::stringFromPNumber(0.5), "p = 0.5");
    EXPECT_EQ(ModelText::stringFromPNumber(0.012345), "p = 0.01234");
    EXPECT_EQ(ModelText::stringFromPNumber(nan), "p = NaN");

    pin("de_DE");
    EXPECT_EQ(ModelText::stringFromNumber(9999.0, 4u), "9.999");
    EXPECT_EQ(ModelText::stringFromNumber(0.5, 4u), "0,5");
    EXPECT_EQ(ModelText::stringFromNumber(12345.0, 4u), "1,234E4");
}

TEST(ModelText, DateAndTimeStylesAndDateTexts) {
    struct Styles {
        double interval;
        unsigned date, time;
    };
    const Styles styles[] = {{0, 1, 0}, {86400, 0, 1}, {86401, 1, 0}, {60, 0, 1}, {-5, 0, 1}};
    for (const Styles& s : styles) {
        SCOPED_TRACE(s.interval);
        const ModelText::DateTimeStyles got = ModelText::dateTimeStylesForInterval(s.interval);
        EXPECT_EQ(got.dateStyle, s.date);
        EXPECT_EQ(got.timeStyle, s.time);
    }

    pin("en_US", "America/New_York"); // 1970-01-01 00:00 UTC is 19:00 the day before
    EXPECT_EQ(ModelText::stringFromDateNumber(0), "12/31/69");
    EXPECT_EQ(ModelText::stringFromDateNumber(0, 86400), "7:00" + nnbsp + "PM");
    EXPECT_EQ(ModelText::stringFromDateNumber(0, 86401), "12/31/69");
    EXPECT_EQ(ModelText::stringFromNumber(0.0, 4u, 4u, 86400.0), "7:00" + nnbsp + "PM");
    EXPECT_EQ(ModelText::stringFromNumberOfType(86400.0 * 365, 4), "12/31/70");
    EXPECT_EQ(ModelText::stringFromNumberOfType(12345.0, 3), "1.234E4");
    EXPECT_EQ(ModelText::stringFromNumberOfTypeTimeScale(0.0, 4, 60), "7:00" + nnbsp + "PM");
    EXPECT_EQ(ModelText::stringFromNumberOfTypeWithSigDigits(123456.0, 3, 6), "123,456");

    pin("de_DE", "Europe/Berlin");
    EXPECT_EQ(ModelText::stringFromDateNumber(0), "01.01.70");
    EXPECT_EQ(ModelText::stringFromDateNumber(0, 3600), "01:00");
}

TEST(ModelText, DifferencesInDays) {
    pin("en_US");
    struct Case {
        double difference;
        unsigned type, digits;
        const char* expected;
    };
    const Case cases[] = {
        {172800, 4, 4, "2 days"},   {108000, 4, 4, "1 days"}, // 1.25 days at one digit
        {108000, 4, 6, "1.2 days"}, {108000, 4, 5, "1 days"}, // d - 4 digits beyond four
        {108000, 4, 2, "1 days"},   {12345, 3, 4, "1.234E4"}, // below four: still one digit
        {0.00005, 3, 4, "5E-5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(ModelText::stringFromDifferenceNumber(c.difference, c.type, c.digits), c.expected);
    }
}

TEST(ModelText, SharedFormattersKeepEachCallWhole) {
    pin("en_US");
    // Each thread asks for different digits of the same formatter; an interleaved configure
    // step would show up as a text with the other thread's digits.
    const double x = 2.0 / 3.0;
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (unsigned digits : {2u, 3u, 5u, 6u}) {
        threads.emplace_back([&, digits] {
            const std::string expected = ModelText::stringFromNumber(x, digits);
            for (int i = 0; i < 2000; ++i)
                if (ModelText::stringFromNumber(x, digits) != expected ||
                    ModelText::stringFromNumber(1e-9, digits) != ModelText::stringFromNumber(1e-9, digits))
                    ++wrong;
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(ModelText::stringFromNumber(x, 3u), "0.667");
}

TEST(ModelText, ImporterDateTextsReadBackToTheirInstant) {
    const double instants[] = {
        local(2020, 1, 1),         local(1999, 12, 31),
        local(2021, 3, 28), // the spring change in Berlin
        local(2021, 5, 3, 14, 30), local(2021, 12, 13, 9, 5),
        local(1970, 1, 1, 0, 1),
    };
    for (const char* locale : {"en_US", "de_DE", "fr_FR"}) {
        pin(locale);
        ModelText text(separator(std::nullopt));
        text.setDetectDate(readerAt(local(2021, 5, 5, 12)));
        const auto day = foundation::DateFormatter::fromTemplate("MM/dd/yyyy");
        const auto dayTime = foundation::DateFormatter::fromTemplate("MM/dd/yyyy HH:mm");
        for (double instant : instants) {
            const bool wholeDay = instant == local(2020, 1, 1) || instant == local(1999, 12, 31) ||
                                  instant == local(2021, 3, 28);
            const std::string written = wholeDay ? day.format(instant) : dayTime.format(instant);
            SCOPED_TRACE(std::string(locale) + " " + written);
            EXPECT_EQ(text.dateForString(written), instant);
            // Written as a number, the text is not one: a date text never counts as numeric.
            EXPECT_EQ(text.decimalNumberForString(written), std::nullopt);
        }
        // The workbook readers write a serial's calendar date without a shift for the zone (they
        // format in UTC); the text reads back as that day's local midnight.
        const auto serialDay = foundation::DateFormatter::fromTemplate("MM/dd/yyyy", {}, "UTC");
        EXPECT_EQ(text.dateForString(serialDay.format(1577836800)), local(2020, 1, 1)); // 43831
    }
}
