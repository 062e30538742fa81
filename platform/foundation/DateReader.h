// Finds the first date in a text, as the workspace reads a cell as a date: a hand-written scanner
// (no regular expressions: it reads every cell of a column) over this grammar.
//
// The text is cut into tokens: digit runs, letter runs (compared case-insensitively), white
// space (including no-break spaces) and single punctuation characters. A date starts at a token
// that is not glued to a letter or digit before it, and must end where no letter or digit is glued
// after it. The first token, left to right, where one of these forms starts gives the date:
//
//   ISO 8601     2021-05-03, 2021-05-03T14:30, 2021-05-03 14:30:15.250, ...Z, ...+02:00, ...-0500
//                (a zone makes an absolute instant; without one the time is local)
//   numeric      three parts joined by one of "/", "-", "." in the locale's short-date order
//                (month first for en_US: 05/03/2021; day first for de_DE and fr_FR: 03.05.2021,
//                03/05/2021; year first where the locale writes it so); a first part of four
//                digits is always year-month-day. Day and month have one or two digits, the year
//                two or four; two-digit years follow POSIX (69-99 -> 19xx, 00-68 -> 20xx). Exactly
//                three parts: "3/5", "10-12" and "1.2.3.2021" are not dates.
//   month names  "3 May 2021", "3rd May 2021", "3. Mai 2021", "3-May-2021", "3-May-21",
//                "May 3, 2021", "May 3 2021", "3 May" and "May 3" (the current year), "May 2021"
//                (the first of the month). Names are English (full, three-letter, "Sept") or the
//                locale's own full and abbreviated ones; an abbreviation may end in ".".
//                A month name alone ("May") is not a date.
//   relative     "today", "tomorrow", "yesterday"; a weekday's full name alone or with "this"
//                (the first such day on or after today), "next" + weekday (the first such day
//                after today), "last" + weekday (the last such day before today); after "next",
//                "last" and "this" a weekday may also be abbreviated ("next fri"). An abbreviated
//                weekday alone is not a date ("sun", "sat" and "wed" are also words).
//                A weekday name followed by ", " or " " and a date is that date ("Fri, 3 May 2021").
//   times        "14:30", "14:30:15", "2:30 pm", "2pm", "2 p.m." (24-hour without am/pm); alone
//                they mean today; after any date form, separated by " ", ", " or " at ", they give
//                that day's time ("05/03/2021, 14:30", "03/05/2021 14:30").
//
// A date without a time is 00:00 local time; a local time that does not exist (a clock moved
// forward) becomes the first valid instant after it. Local time is the process's time zone (TZ)
// when the reader is made; "now" is injectable for relative dates and the current year.
// A reader keeps scratch state: one reader serves one thread (each Model has its own).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace foundation {

class DateReader {
  public:
    enum class Order { MonthDayYear, DayMonthYear, YearMonthDay };

    // An empty locale id means the current locale.
    explicit DateReader(const std::string& localeId = {});
    ~DateReader();
    DateReader(const DateReader&) = delete;
    DateReader& operator=(const DateReader&) = delete;

    // Seconds since 1970 of the first date in the text, or nothing.
    std::optional<double> firstDate(std::string_view text);

    // The clock for relative dates ("tomorrow") and the current year ("3 May"); seconds since 1970.
    void setNow(std::function<double()> now);

    Order numericOrder() const { return order_; }
    const std::string& locale() const { return locale_; }

    enum class Kind : uint8_t { Number, Word, Space, Punct };
    enum class WordKind : uint8_t {
        Other,
        Month,
        Weekday,
        WeekdayShort,
        Today,
        Tomorrow,
        Yesterday,
        Next,
        Last,
        This,
        Am,
        Pm,
        A,
        P,
        M,
        Ordinal,
        At,
        T,
        Z
    };
    struct Token {
        Kind kind;
        WordKind word;
        char punct;
        uint8_t digits;
        int16_t index;
        int64_t value;
    };
    struct WordInfo {
        WordKind kind;
        int16_t index;
    };

  private:
    struct Day {
        int year, month, day;
    };
    struct Time {
        int hour = 0, minute = 0, second = 0;
        double fraction = 0;
    };
    struct Found {
        Day day;
        std::optional<Time> time;
        std::optional<int> zoneOffset; // seconds east of UTC
        size_t end;
    };

    void tokenize(std::string_view text);
    void addWord(std::string_view text, size_t begin, size_t end, bool ascii);
    std::optional<Found> parseAt(size_t i);
    std::optional<Found> parseAbsolute(size_t i);
    std::optional<Found> parseNumeric(size_t i);
    std::optional<Found> parseDayMonth(size_t i);
    std::optional<Found> parseMonthFirst(size_t i);
    std::optional<std::pair<Time, size_t>> parseTime(size_t i, bool checkEnd = true) const;
    std::optional<size_t> parseAmPm(size_t i, bool& pm) const;
    Found withTimeSuffix(Found found);
    bool boundaryAfter(size_t j) const;
    bool isKind(size_t i, Kind kind) const { return i < tokens_.size() && tokens_[i].kind == kind; }
    bool isPunct(size_t i, char c) const { return isKind(i, Kind::Punct) && tokens_[i].punct == c; }
    bool isWord(size_t i, WordKind w) const { return isKind(i, Kind::Word) && tokens_[i].word == w; }
    Day today();
    Day addDays(Day day, int days) const;
    int weekdayOf(Day day) const;
    double localInstant(const Day& day, const Time& time);
    double instantOf(const Found& found);

    std::string locale_;
    Order order_ = Order::MonthDayYear;
    std::unordered_map<std::string, WordInfo> words_;
    std::function<double()> now_;
    void** calendar_ = nullptr; // UCalendar* (ICU declares the handle as void*)
    std::vector<Token> tokens_;
    std::string lowered_;
    std::u16string scratch16_;
    std::optional<Day> today_; // per call
};

} // namespace foundation
