// A calendar on ICU's ucal_* API: its kind ("gregorian", "japanese", ...), its time zone, and date
// arithmetic by calendar fields, with the calendar's own rules (one month after 31 January is the
// last day of February).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace foundation {

class Calendar {
  public:
    enum class Field {
        Era,
        Year,
        Month,
        Day,
        Hour,
        Minute,
        Second,
        Weekday,
        WeekdayOrdinal,
        Quarter, // three months
        WeekOfMonth,
        WeekOfYear,
        YearForWeekOfYear,
    };

    // The current locale's calendar in the local time zone.
    static Calendar current();
    // An unknown identifier gives the locale's default calendar; an empty zone the local one.
    explicit Calendar(const std::string& identifier, const std::string& timeZone = {});
    ~Calendar();
    Calendar(const Calendar& other);
    Calendar& operator=(const Calendar& other);

    // As ICU names the calendar in use ("gregorian").
    std::string identifier() const;
    const std::string& timeZone() const { return timeZone_; }
    void setTimeZone(const std::string& timeZone);

    // The instant `amount` of the field after `seconds` (both counted from 1970-01-01 00:00 UTC); none
    // when the amount or the result lies beyond what the calendar can reach.
    std::optional<double> dateByAdding(Field field, std::int64_t amount, double seconds) const;

  private:
    void open();
    std::string identifier_;
    std::string timeZone_;
    void** calendar_ = nullptr; // UCalendar* (ICU declares the handle as void*)
};

} // namespace foundation
