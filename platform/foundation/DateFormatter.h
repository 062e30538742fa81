// A date formatter of one locale and time zone, on ICU's udat_* API: by date and time styles, or
// by the locale's own form of a pattern template ("MM/dd/yyyy" becomes "dd.MM.yyyy" in de_DE).
// Not safe for concurrent use of one instance; DisplayFormatters.h holds the shared, locked ones.
#pragma once

#include <string>
#include <string_view>

namespace foundation {

class DateFormatter {
  public:
    // The platform's style numbers: 0 none, 1 short, 2 medium, 3 long, 4 full.
    enum class Style { None = 0, Short = 1, Medium = 2, Long = 3, Full = 4 };

    // An empty time zone means the local one (TZ); an empty locale means the current locale.
    DateFormatter(Style dateStyle, Style timeStyle, const std::string& localeId = {},
                  const std::string& timeZone = {});
    static DateFormatter fromTemplate(std::string_view skeleton, const std::string& localeId = {},
                                      const std::string& timeZone = {});
    // A formatter of exactly this pattern (an archived template formatter reads back this way).
    static DateFormatter fromPattern(std::string_view pattern, const std::string& localeId = {},
                                     const std::string& timeZone = {});
    ~DateFormatter();
    DateFormatter(DateFormatter&& other) noexcept;
    DateFormatter& operator=(DateFormatter&& other) noexcept;
    DateFormatter(const DateFormatter&) = delete;
    DateFormatter& operator=(const DateFormatter&) = delete;

    // Text of the instant `seconds` after 1970-01-01 00:00 UTC; empty for an instant that is not a
    // number, infinite, or beyond the dates ICU can write.
    std::string format(double seconds) const;
    std::string pattern() const;
    // A new style replaces a template's pattern with the locale's pattern for the styles.
    Style dateStyle() const { return dateStyle_; }
    void setDateStyle(Style style);
    Style timeStyle() const { return timeStyle_; }
    void setTimeStyle(Style style);
    // As resolved at creation: the current locale and the local zone when none was given.
    const std::string& locale() const { return locale_; }
    const std::string& timeZone() const { return timeZone_; }

    // The pattern that the locale uses for a template (skeleton) of pattern letters.
    static std::string patternFromTemplate(std::string_view skeleton, const std::string& localeId = {});

  private:
    DateFormatter() = default;
    void open();
    void** format_ = nullptr; // UDateFormat* (ICU declares the handle as void*)
    Style dateStyle_ = Style::None;
    Style timeStyle_ = Style::None;
    std::string locale_;
    std::string timeZone_;
};

} // namespace foundation
