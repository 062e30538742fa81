// The date scanner: tokens first, then the grammar of DateReader.h tried at each token.
#include "platform/foundation/DateReader.h"

#include "platform/foundation/IcuText.h"
#include "platform/foundation/Locale.h"

#include <chrono>
#include <cmath>
#include <unicode/ucal.h>
#include <unicode/uchar.h>
#include <unicode/udat.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

namespace foundation {
namespace {

using Kind = DateReader::Kind;
using WordKind = DateReader::WordKind;

constexpr const char* englishMonths[12] = {"january",   "february", "march",    "april",
                                           "may",       "june",     "july",     "august",
                                           "september", "october",  "november", "december"};
constexpr const char* englishWeekdays[7] = {"sunday",   "monday", "tuesday", "wednesday",
                                            "thursday", "friday", "saturday"};

bool isLeap(int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int64_t y, int m) {
    static constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t daysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

bool validDay(int64_t y, int64_t m, int64_t d) {
    return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= daysInMonth(y, static_cast<int>(m));
}

int posixYear(const DateReader::Token& t) {
    if (t.digits == 4)
        return static_cast<int>(t.value);
    return static_cast<int>(t.value >= 69 ? 1900 + t.value : 2000 + t.value);
}

bool isAsciiSpace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}
bool isAsciiLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

std::string lowerCase(std::u16string_view text, const std::string& locale) {
    UChar buffer[128];
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = u_strToLower(buffer, 128, reinterpret_cast<const UChar*>(text.data()),
                                  static_cast<int32_t>(text.size()), locale.c_str(), &status);
    if (U_FAILURE(status))
        return {};
    return icu::toUtf8(buffer, length);
}

DateReader::Order orderFromPattern(const std::u16string& pattern) {
    int dayAt = -1, monthAt = -1, yearAt = -1;
    bool quoted = false;
    for (int i = 0; i < static_cast<int>(pattern.size()); ++i) {
        const char16_t c = pattern[static_cast<size_t>(i)];
        if (c == u'\'') {
            quoted = !quoted;
            continue;
        }
        if (quoted)
            continue;
        if (c == u'd' && dayAt < 0)
            dayAt = i;
        else if ((c == u'M' || c == u'L') && monthAt < 0)
            monthAt = i;
        else if ((c == u'y' || c == u'Y' || c == u'u') && yearAt < 0)
            yearAt = i;
    }
    if (yearAt >= 0 && yearAt < monthAt && yearAt < dayAt)
        return DateReader::Order::YearMonthDay;
    if (dayAt >= 0 && dayAt < monthAt)
        return DateReader::Order::DayMonthYear;
    return DateReader::Order::MonthDayYear;
}

} // namespace

DateReader::DateReader(const std::string& localeId) : locale_(localeId.empty() ? currentLocale() : localeId) {
    auto add = [this](const std::string& word, WordKind kind, int index) {
        words_.emplace(word, WordInfo{kind, static_cast<int16_t>(index)});
    };
    for (int m = 0; m < 12; ++m) {
        add(englishMonths[m], WordKind::Month, m + 1);
        if (m != 4)
            add(std::string(englishMonths[m], 3), WordKind::Month, m + 1);
    }
    add("sept", WordKind::Month, 9);
    for (int d = 0; d < 7; ++d) {
        add(englishWeekdays[d], WordKind::Weekday, d);
        add(std::string(englishWeekdays[d], 3), WordKind::WeekdayShort, d);
    }
    add("tues", WordKind::WeekdayShort, 2);
    add("thur", WordKind::WeekdayShort, 4);
    add("thurs", WordKind::WeekdayShort, 4);
    add("today", WordKind::Today, 0);
    add("tomorrow", WordKind::Tomorrow, 0);
    add("yesterday", WordKind::Yesterday, 0);
    add("next", WordKind::Next, 0);
    add("last", WordKind::Last, 0);
    add("this", WordKind::This, 0);
    add("am", WordKind::Am, 0);
    add("pm", WordKind::Pm, 0);
    add("a", WordKind::A, 0);
    add("p", WordKind::P, 0);
    add("m", WordKind::M, 0);
    for (const char* ordinal : {"st", "nd", "rd", "th"})
        add(ordinal, WordKind::Ordinal, 0);
    add("at", WordKind::At, 0);
    add("t", WordKind::T, 0);
    add("z", WordKind::Z, 0);

    // The locale's own month names and its short-date order.
    UErrorCode status = U_ZERO_ERROR;
    UDateFormat* format = udat_open(UDAT_NONE, UDAT_SHORT, locale_.c_str(), u"UTC", -1, nullptr, 0, &status);
    if (U_SUCCESS(status)) {
        UChar buffer[128];
        int32_t length = udat_toPattern(format, false, buffer, 128, &status);
        if (U_SUCCESS(status))
            order_ = orderFromPattern(
                std::u16string(reinterpret_cast<char16_t*>(buffer), static_cast<size_t>(length)));
        for (UDateFormatSymbolType type :
             {UDAT_MONTHS, UDAT_SHORT_MONTHS, UDAT_STANDALONE_MONTHS, UDAT_STANDALONE_SHORT_MONTHS}) {
            for (int m = 0; m < 12; ++m) {
                status = U_ZERO_ERROR;
                length = udat_getSymbols(format, type, m, buffer, 128, &status);
                if (U_FAILURE(status) || length <= 0)
                    continue;
                std::u16string name(reinterpret_cast<char16_t*>(buffer), static_cast<size_t>(length));
                while (!name.empty() && name.back() == u'.')
                    name.pop_back();
                // Only names that the tokenizer sees as one word can ever match.
                bool oneWord = !name.empty();
                for (char16_t c : name)
                    oneWord = oneWord && u_isalpha(c);
                if (oneWord)
                    add(lowerCase(name, locale_), WordKind::Month, m + 1);
            }
        }
        udat_close(format);
    }

    status = U_ZERO_ERROR;
    calendar_ = ucal_open(nullptr, -1, "en_US_POSIX", UCAL_GREGORIAN, &status);
    if (U_FAILURE(status))
        calendar_ = nullptr;
    if (calendar_ != nullptr) {
        ucal_setAttribute(calendar_, UCAL_SKIPPED_WALL_TIME, UCAL_WALLTIME_NEXT_VALID);
        // Proleptic Gregorian, like the zone-qualified ISO path, so 1500-01-01 means one day.
        status = U_ZERO_ERROR;
        ucal_setGregorianChange(calendar_, -8.64e15, &status);
    }
    now_ = [] {
        using namespace std::chrono;
        return duration<double>(system_clock::now().time_since_epoch()).count();
    };
}

DateReader::~DateReader() {
    if (calendar_ != nullptr)
        ucal_close(calendar_);
}

void DateReader::setNow(std::function<double()> now) {
    now_ = std::move(now);
}

void DateReader::addWord(std::string_view text, size_t begin, size_t end, bool ascii) {
    Token token{Kind::Word, WordKind::Other, 0, 0, 0, 0};
    const size_t length = end - begin;
    // No keyword or month name is this long; skip the lookup.
    if (length <= 24) {
        if (ascii) {
            lowered_.assign(text.substr(begin, length));
            for (char& c : lowered_)
                if (c >= 'A' && c <= 'Z')
                    c = static_cast<char>(c - 'A' + 'a');
        } else {
            icu::toUtf16(text.substr(begin, length), scratch16_);
            lowered_ = lowerCase(scratch16_, locale_);
        }
        if (auto found = words_.find(lowered_); found != words_.end()) {
            token.word = found->second.kind;
            token.index = found->second.index;
        }
    }
    tokens_.push_back(token);
}

void DateReader::tokenize(std::string_view text) {
    tokens_.clear();
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char c = bytes[i];
        if (isDigit(c)) {
            Token token{Kind::Number, WordKind::Other, 0, 0, 0, 0};
            size_t digits = 0;
            while (i < n && isDigit(bytes[i])) {
                if (digits < 18)
                    token.value = token.value * 10 + (bytes[i] - '0');
                ++digits;
                ++i;
            }
            token.digits = static_cast<uint8_t>(digits > 255 ? 255 : digits);
            tokens_.push_back(token);
            continue;
        }
        if (isAsciiSpace(c)) {
            while (i < n && isAsciiSpace(bytes[i]))
                ++i;
            if (tokens_.empty() || tokens_.back().kind != Kind::Space)
                tokens_.push_back(Token{Kind::Space, WordKind::Other, 0, 0, 0, 0});
            continue;
        }
        if (c < 0x80 && !isAsciiLetter(c)) {
            tokens_.push_back(Token{Kind::Punct, WordKind::Other, static_cast<char>(c), 0, 0, 0});
            ++i;
            continue;
        }
        // A run of letters, ASCII or not; other non-ASCII characters are spaces or punctuation.
        const size_t begin = i;
        bool ascii = true;
        while (i < n) {
            const unsigned char b = bytes[i];
            if (b < 0x80) {
                if (!isAsciiLetter(b))
                    break;
                ++i;
                continue;
            }
            int32_t at = static_cast<int32_t>(i);
            UChar32 cp = 0;
            U8_NEXT(bytes, at, static_cast<int32_t>(n), cp);
            if (cp < 0 || !u_isalpha(cp))
                break;
            ascii = false;
            i = static_cast<size_t>(at);
        }
        if (i > begin) {
            addWord(text, begin, i, ascii);
            continue;
        }
        int32_t at = static_cast<int32_t>(i);
        UChar32 cp = 0;
        U8_NEXT(bytes, at, static_cast<int32_t>(n), cp);
        i = static_cast<size_t>(at);
        if (cp >= 0 && u_isUWhiteSpace(cp)) {
            if (tokens_.empty() || tokens_.back().kind != Kind::Space)
                tokens_.push_back(Token{Kind::Space, WordKind::Other, 0, 0, 0, 0});
        } else if (cp >= 0 && u_isdigit(cp)) {
            // Digits of other scripts are not read, but they still glue to their neighbours.
            tokens_.push_back(Token{Kind::Word, WordKind::Other, 0, 0, 0, 0});
        } else {
            tokens_.push_back(Token{Kind::Punct, WordKind::Other, '\x01', 0, 0, 0});
        }
    }
}

bool DateReader::boundaryAfter(size_t j) const {
    return j >= tokens_.size() || tokens_[j].kind == Kind::Space || tokens_[j].kind == Kind::Punct;
}

std::optional<double> DateReader::firstDate(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    tokenize(text);
    today_.reset();
    for (size_t i = 0; i < tokens_.size(); ++i) {
        const Kind kind = tokens_[i].kind;
        if (kind != Kind::Number && kind != Kind::Word)
            continue;
        if (i > 0 && (tokens_[i - 1].kind == Kind::Number || tokens_[i - 1].kind == Kind::Word))
            continue;
        if (auto found = parseAt(i))
            return instantOf(*found);
    }
    return std::nullopt;
}

std::optional<DateReader::Found> DateReader::parseAt(size_t i) {
    const Token& t = tokens_[i];
    if (t.kind == Kind::Number) {
        if (auto found = parseAbsolute(i))
            return found;
        auto time = parseTime(i);
        if (!time)
            return std::nullopt;
        return Found{today(), time->first, std::nullopt, time->second};
    }
    switch (t.word) {
    case WordKind::Month:
        if (auto found = parseMonthFirst(i))
            return withTimeSuffix(*found);
        return std::nullopt;
    case WordKind::Weekday:
    case WordKind::WeekdayShort: {
        // "Fri, 3 May 2021": the weekday only introduces the date that follows.
        size_t j = i + 1;
        if (isPunct(j, ','))
            ++j;
        if (isKind(j, Kind::Space))
            ++j;
        if (j > i + 1 && j < tokens_.size() &&
            (tokens_[j].kind == Kind::Number || isWord(j, WordKind::Month))) {
            auto found = tokens_[j].kind == Kind::Number ? parseAbsolute(j) : parseMonthFirst(j);
            if (found)
                return withTimeSuffix(*found);
        }
        if (t.word != WordKind::Weekday || !boundaryAfter(i + 1))
            return std::nullopt;
        const Day now = today();
        const int delta = (t.index - weekdayOf(now) + 7) % 7;
        return withTimeSuffix(Found{addDays(now, delta), std::nullopt, std::nullopt, i + 1});
    }
    case WordKind::Today:
    case WordKind::Tomorrow:
    case WordKind::Yesterday: {
        if (!boundaryAfter(i + 1))
            return std::nullopt;
        const int delta = t.word == WordKind::Today ? 0 : t.word == WordKind::Tomorrow ? 1 : -1;
        return withTimeSuffix(Found{addDays(today(), delta), std::nullopt, std::nullopt, i + 1});
    }
    case WordKind::Next:
    case WordKind::Last:
    case WordKind::This: {
        if (!isKind(i + 1, Kind::Space) ||
            !(isWord(i + 2, WordKind::Weekday) || isWord(i + 2, WordKind::WeekdayShort)))
            return std::nullopt;
        size_t end = i + 3;
        if (tokens_[i + 2].word == WordKind::WeekdayShort && isPunct(end, '.'))
            ++end;
        if (!boundaryAfter(end))
            return std::nullopt;
        const Day now = today();
        const int target = tokens_[i + 2].index;
        const int current = weekdayOf(now);
        int delta = 0;
        if (t.word == WordKind::This) {
            delta = (target - current + 7) % 7;
        } else if (t.word == WordKind::Next) {
            delta = (target - current + 7) % 7;
            if (delta == 0)
                delta = 7;
        } else {
            delta = -((current - target + 7) % 7);
            if (delta == 0)
                delta = -7;
        }
        return withTimeSuffix(Found{addDays(now, delta), std::nullopt, std::nullopt, end});
    }
    default:
        return std::nullopt;
    }
}

std::optional<DateReader::Found> DateReader::parseAbsolute(size_t i) {
    if (auto found = parseNumeric(i))
        return found;
    if (auto found = parseDayMonth(i))
        return withTimeSuffix(*found);
    return std::nullopt;
}

std::optional<DateReader::Found> DateReader::parseNumeric(size_t i) {
    if (!isKind(i + 1, Kind::Punct))
        return std::nullopt;
    const char sep = tokens_[i + 1].punct;
    if (sep != '/' && sep != '-' && sep != '.')
        return std::nullopt;
    if (!isKind(i + 2, Kind::Number) || !isPunct(i + 3, sep) || !isKind(i + 4, Kind::Number))
        return std::nullopt;
    // Exactly three parts: not the tail or the head of a longer chain such as 1.2.3.2021.
    if (i >= 2 && isPunct(i - 1, sep) && isKind(i - 2, Kind::Number))
        return std::nullopt;
    if (isPunct(i + 5, sep) && isKind(i + 6, Kind::Number))
        return std::nullopt;
    const Token& a = tokens_[i];
    const Token& b = tokens_[i + 2];
    const Token& c = tokens_[i + 4];
    const bool isoLike = a.digits == 4;
    Order order = isoLike ? Order::YearMonthDay : order_;
    const Token* year = &c;
    const Token* month = &a;
    const Token* day = &b;
    if (order == Order::DayMonthYear) {
        day = &a;
        month = &b;
    } else if (order == Order::YearMonthDay) {
        year = &a;
        month = &b;
        day = &c;
    }
    if ((year->digits != 2 && year->digits != 4) || month->digits > 2 || day->digits > 2)
        return std::nullopt;
    const Day date{posixYear(*year), static_cast<int>(month->value), static_cast<int>(day->value)};
    if (!validDay(date.year, date.month, date.day))
        return std::nullopt;
    Found found{date, std::nullopt, std::nullopt, i + 5};
    const bool iso = isoLike && sep == '-';
    // ISO date-times take "T" or a space before the time, and an optional zone glued to it.
    std::optional<std::pair<Time, size_t>> time;
    if (iso && (isWord(i + 5, WordKind::T) || isKind(i + 5, Kind::Space)))
        time = parseTime(i + 6, false);
    if (!time) {
        if (!boundaryAfter(i + 5))
            return std::nullopt;
        return withTimeSuffix(found);
    }
    // After a space, what follows may be no time of ours: the date still stands alone.
    const std::optional<Found> dateOnly =
        isKind(i + 5, Kind::Space) ? std::optional<Found>(found) : std::nullopt;
    found.time = time->first;
    found.end = time->second;
    size_t j = found.end;
    if (isWord(j, WordKind::Z)) {
        found.zoneOffset = 0;
        found.end = j + 1;
    } else if ((isPunct(j, '+') || isPunct(j, '-')) && isKind(j + 1, Kind::Number)) {
        const int sign = tokens_[j].punct == '-' ? -1 : 1;
        const Token& zone = tokens_[j + 1];
        int hours = -1, minutes = 0;
        size_t end = j + 2;
        if (zone.digits == 2) {
            hours = static_cast<int>(zone.value);
            if (isPunct(end, ':') && isKind(end + 1, Kind::Number) && tokens_[end + 1].digits == 2) {
                minutes = static_cast<int>(tokens_[end + 1].value);
                end += 2;
            }
        } else if (zone.digits == 4) {
            hours = static_cast<int>(zone.value / 100);
            minutes = static_cast<int>(zone.value % 100);
        }
        if (hours < 0 || hours > 14 || minutes > 59)
            return dateOnly;
        found.zoneOffset = sign * (hours * 3600 + minutes * 60);
        found.end = end;
    }
    if (!boundaryAfter(found.end))
        return dateOnly;
    return found;
}

std::optional<DateReader::Found> DateReader::parseDayMonth(size_t i) {
    const Token& dayToken = tokens_[i];
    if (dayToken.digits > 2 || dayToken.value < 1 || dayToken.value > 31)
        return std::nullopt;
    size_t j = i + 1;
    if (isWord(j, WordKind::Ordinal))
        ++j;
    char sep = 0;
    if (isKind(j, Kind::Space)) {
        sep = ' ';
        ++j;
    } else if (isPunct(j, '-')) {
        sep = '-';
        ++j;
    } else if (isPunct(j, '.') && isKind(j + 1, Kind::Space)) {
        sep = ' ';
        j += 2;
    } else {
        return std::nullopt;
    }
    if (!isWord(j, WordKind::Month))
        return std::nullopt;
    const int month = tokens_[j].index;
    ++j;
    if (isPunct(j, '.'))
        ++j;
    // The year, if the text gives one.
    if (sep == '-' && isPunct(j, '-') && isKind(j + 1, Kind::Number) &&
        (tokens_[j + 1].digits == 2 || tokens_[j + 1].digits == 4) && boundaryAfter(j + 2)) {
        const Day date{posixYear(tokens_[j + 1]), month, static_cast<int>(dayToken.value)};
        if (validDay(date.year, date.month, date.day))
            return Found{date, std::nullopt, std::nullopt, j + 2};
        return std::nullopt;
    }
    if (sep == ' ') {
        size_t k = j;
        if (isPunct(k, ','))
            ++k;
        if (isKind(k, Kind::Space) && isKind(k + 1, Kind::Number) && tokens_[k + 1].digits == 4 &&
            boundaryAfter(k + 2)) {
            const Day date{static_cast<int>(tokens_[k + 1].value), month, static_cast<int>(dayToken.value)};
            if (validDay(date.year, date.month, date.day))
                return Found{date, std::nullopt, std::nullopt, k + 2};
            return std::nullopt;
        }
    }
    if (!boundaryAfter(j))
        return std::nullopt;
    const Day date{today().year, month, static_cast<int>(dayToken.value)};
    if (!validDay(date.year, date.month, date.day))
        return std::nullopt;
    return Found{date, std::nullopt, std::nullopt, j};
}

std::optional<DateReader::Found> DateReader::parseMonthFirst(size_t i) {
    const int month = tokens_[i].index;
    size_t j = i + 1;
    if (isPunct(j, '.'))
        ++j;
    if (!isKind(j, Kind::Space) || !isKind(j + 1, Kind::Number))
        return std::nullopt;
    const Token& number = tokens_[j + 1];
    if (number.digits == 4) {
        if (!boundaryAfter(j + 2) || !validDay(number.value, month, 1))
            return std::nullopt;
        return Found{Day{static_cast<int>(number.value), month, 1}, std::nullopt, std::nullopt, j + 2};
    }
    if (number.digits > 2)
        return std::nullopt;
    const int day = static_cast<int>(number.value);
    size_t k = j + 2;
    if (isWord(k, WordKind::Ordinal))
        ++k;
    size_t y = k;
    if (isPunct(y, ','))
        ++y;
    if (isKind(y, Kind::Space) && isKind(y + 1, Kind::Number) && tokens_[y + 1].digits == 4 &&
        boundaryAfter(y + 2)) {
        const Day date{static_cast<int>(tokens_[y + 1].value), month, day};
        if (!validDay(date.year, date.month, date.day))
            return std::nullopt;
        return Found{date, std::nullopt, std::nullopt, y + 2};
    }
    if (!boundaryAfter(k))
        return std::nullopt;
    const Day date{today().year, month, day};
    if (!validDay(date.year, date.month, date.day))
        return std::nullopt;
    return Found{date, std::nullopt, std::nullopt, k};
}

std::optional<size_t> DateReader::parseAmPm(size_t i, bool& pm) const {
    if (isWord(i, WordKind::Am) || isWord(i, WordKind::Pm)) {
        pm = tokens_[i].word == WordKind::Pm;
        return i + 1;
    }
    // "a.m." and "p.m."
    if ((isWord(i, WordKind::A) || isWord(i, WordKind::P)) && isPunct(i + 1, '.') &&
        isWord(i + 2, WordKind::M)) {
        pm = tokens_[i].word == WordKind::P;
        return isPunct(i + 3, '.') ? i + 4 : i + 3;
    }
    return std::nullopt;
}

std::optional<std::pair<DateReader::Time, size_t>> DateReader::parseTime(size_t i, bool checkEnd) const {
    if (!isKind(i, Kind::Number) || tokens_[i].digits > 2)
        return std::nullopt;
    Time time;
    time.hour = static_cast<int>(tokens_[i].value);
    size_t j = i + 1;
    bool hasMinutes = false;
    if (isPunct(j, ':') && isKind(j + 1, Kind::Number) && tokens_[j + 1].digits == 2) {
        hasMinutes = true;
        time.minute = static_cast<int>(tokens_[j + 1].value);
        j += 2;
        if (isPunct(j, ':') && isKind(j + 1, Kind::Number) && tokens_[j + 1].digits == 2) {
            time.second = static_cast<int>(tokens_[j + 1].value);
            j += 2;
            if ((isPunct(j, '.') || isPunct(j, ',')) && isKind(j + 1, Kind::Number)) {
                const Token& f = tokens_[j + 1];
                time.fraction = static_cast<double>(f.value) / std::pow(10.0, std::min<int>(f.digits, 18));
                j += 2;
            }
        }
    }
    bool pm = false;
    std::optional<size_t> afterAmPm = parseAmPm(j, pm);
    if (!afterAmPm && isKind(j, Kind::Space))
        afterAmPm = parseAmPm(j + 1, pm);
    if (afterAmPm) {
        if (time.hour < 1 || time.hour > 12)
            return std::nullopt;
        time.hour = time.hour % 12 + (pm ? 12 : 0);
        j = *afterAmPm;
    } else if (!hasMinutes || time.hour > 23) {
        return std::nullopt;
    }
    if (time.minute > 59 || time.second > 59 || (checkEnd && !boundaryAfter(j)))
        return std::nullopt;
    return std::make_pair(time, j);
}

DateReader::Found DateReader::withTimeSuffix(Found found) {
    if (found.time)
        return found;
    size_t j = found.end;
    if (isPunct(j, ','))
        ++j;
    if (!isKind(j, Kind::Space))
        return found;
    ++j;
    if (isWord(j, WordKind::At) && isKind(j + 1, Kind::Space))
        j += 2;
    if (auto time = parseTime(j)) {
        found.time = time->first;
        found.end = time->second;
    }
    return found;
}

DateReader::Day DateReader::today() {
    if (today_)
        return *today_;
    const double now = now_ ? now_() : 0.0;
    Day day{1970, 1, 1};
    if (calendar_ != nullptr) {
        UErrorCode status = U_ZERO_ERROR;
        ucal_setMillis(calendar_, now * 1000.0, &status);
        const int year = ucal_get(calendar_, UCAL_YEAR, &status);
        const int month = ucal_get(calendar_, UCAL_MONTH, &status) + 1;
        const int date = ucal_get(calendar_, UCAL_DATE, &status);
        if (U_SUCCESS(status))
            day = Day{year, month, date};
    }
    today_ = day;
    return day;
}

DateReader::Day DateReader::addDays(Day day, int days) const {
    Day result{};
    civilFromDays(daysFromCivil(day.year, day.month, day.day) + days, result.year, result.month, result.day);
    return result;
}

int DateReader::weekdayOf(Day day) const {
    // 1970-01-01 was a Thursday (4, counting Sunday as 0).
    const int64_t days = daysFromCivil(day.year, day.month, day.day);
    return static_cast<int>(((days % 7) + 11) % 7);
}

double DateReader::localInstant(const Day& day, const Time& time) {
    if (calendar_ == nullptr)
        return static_cast<double>(daysFromCivil(day.year, day.month, day.day)) * 86400.0 +
               time.hour * 3600.0 + time.minute * 60.0 + time.second + time.fraction;
    UErrorCode status = U_ZERO_ERROR;
    ucal_clear(calendar_);
    ucal_setDateTime(calendar_, day.year, day.month - 1, day.day, time.hour, time.minute, time.second,
                     &status);
    const UDate millis = ucal_getMillis(calendar_, &status);
    return millis / 1000.0 + time.fraction;
}

double DateReader::instantOf(const Found& found) {
    const Time time = found.time.value_or(Time{});
    if (found.zoneOffset)
        return static_cast<double>(daysFromCivil(found.day.year, found.day.month, found.day.day)) * 86400.0 +
               time.hour * 3600.0 + time.minute * 60.0 + time.second + time.fraction - *found.zoneOffset;
    return localInstant(found.day, time);
}

} // namespace foundation
