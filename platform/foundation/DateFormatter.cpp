// DateFormatter over udat_* and the date-time pattern generator.
#include "platform/foundation/DateFormatter.h"

#include "platform/foundation/IcuText.h"
#include "platform/foundation/Locale.h"

#include <cmath>
#include <unicode/udat.h>
#include <unicode/udatpg.h>
#include <utility>

namespace foundation {
namespace {

UDateFormatStyle icuStyle(DateFormatter::Style style) {
    switch (style) {
    case DateFormatter::Style::None:
        return UDAT_NONE;
    case DateFormatter::Style::Short:
        return UDAT_SHORT;
    case DateFormatter::Style::Medium:
        return UDAT_MEDIUM;
    case DateFormatter::Style::Long:
        return UDAT_LONG;
    case DateFormatter::Style::Full:
        return UDAT_FULL;
    }
    return UDAT_NONE;
}

std::string localeOrCurrent(const std::string& localeId) {
    return localeId.empty() ? currentLocale() : localeId;
}

std::string zoneOrLocal(const std::string& zone) {
    return zone.empty() ? localTimeZone() : zone;
}

} // namespace

DateFormatter::DateFormatter(Style dateStyle, Style timeStyle, const std::string& localeId,
                             const std::string& timeZone)
    : dateStyle_(dateStyle), timeStyle_(timeStyle), locale_(localeOrCurrent(localeId)),
      timeZone_(zoneOrLocal(timeZone)) {
    open();
}

void DateFormatter::open() {
    if (format_ != nullptr)
        udat_close(format_);
    const std::u16string zone = icu::toUtf16(timeZone_);
    UErrorCode status = U_ZERO_ERROR;
    format_ = udat_open(icuStyle(timeStyle_), icuStyle(dateStyle_), locale_.c_str(),
                        reinterpret_cast<const UChar*>(zone.data()), static_cast<int32_t>(zone.size()),
                        nullptr, 0, &status);
    if (U_FAILURE(status))
        format_ = nullptr;
}

void DateFormatter::setDateStyle(Style style) {
    dateStyle_ = style;
    open();
}

void DateFormatter::setTimeStyle(Style style) {
    timeStyle_ = style;
    open();
}

DateFormatter DateFormatter::fromTemplate(std::string_view skeleton, const std::string& localeId,
                                          const std::string& timeZone) {
    const std::string locale = localeOrCurrent(localeId);
    return fromPattern(patternFromTemplate(skeleton, locale), locale, timeZone);
}

DateFormatter DateFormatter::fromPattern(std::string_view patternText, const std::string& localeId,
                                         const std::string& timeZone) {
    const std::string locale = localeOrCurrent(localeId);
    const std::u16string pattern = icu::toUtf16(patternText);
    const std::u16string zone = icu::toUtf16(zoneOrLocal(timeZone));
    DateFormatter formatter;
    formatter.locale_ = locale;
    formatter.timeZone_ = zoneOrLocal(timeZone);
    UErrorCode status = U_ZERO_ERROR;
    formatter.format_ =
        udat_open(UDAT_PATTERN, UDAT_PATTERN, locale.c_str(), reinterpret_cast<const UChar*>(zone.data()),
                  static_cast<int32_t>(zone.size()), reinterpret_cast<const UChar*>(pattern.data()),
                  static_cast<int32_t>(pattern.size()), &status);
    if (U_FAILURE(status))
        formatter.format_ = nullptr;
    return formatter;
}

DateFormatter::~DateFormatter() {
    if (format_ != nullptr)
        udat_close(format_);
}

DateFormatter::DateFormatter(DateFormatter&& other) noexcept
    : format_(std::exchange(other.format_, nullptr)), dateStyle_(other.dateStyle_), timeStyle_(other.timeStyle_),
      locale_(std::move(other.locale_)), timeZone_(std::move(other.timeZone_)) {}

DateFormatter& DateFormatter::operator=(DateFormatter&& other) noexcept {
    if (this != &other) {
        if (format_ != nullptr)
            udat_close(format_);
        format_ = std::exchange(other.format_, nullptr);
        dateStyle_ = other.dateStyle_;
        timeStyle_ = other.timeStyle_;
        locale_ = std::move(other.locale_);
        timeZone_ = std::move(other.timeZone_);
    }
    return *this;
}

std::string DateFormatter::format(double seconds) const {
    // ICU's calendars reach some 5.8 million years either way; beyond that udat_format fails or
    // writes a wrapped date, so those instants get no text.
    constexpr double icuLimitSeconds = 183882168921600.0;
    if (format_ == nullptr || !std::isfinite(seconds) || std::fabs(seconds) > icuLimitSeconds)
        return {};
    UChar buffer[256];
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = udat_format(format_, seconds * 1000.0, buffer, 256, nullptr, &status);
    return U_SUCCESS(status) ? icu::toUtf8(buffer, length) : std::string();
}

std::string DateFormatter::pattern() const {
    if (format_ == nullptr)
        return {};
    UChar buffer[256];
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = udat_toPattern(format_, false, buffer, 256, &status);
    return U_SUCCESS(status) ? icu::toUtf8(buffer, length) : std::string();
}

std::string DateFormatter::patternFromTemplate(std::string_view skeleton, const std::string& localeId) {
    const std::string locale = localeOrCurrent(localeId);
    UErrorCode status = U_ZERO_ERROR;
    UDateTimePatternGenerator* generator = udatpg_open(locale.c_str(), &status);
    if (U_FAILURE(status))
        return std::string(skeleton);
    const std::u16string skeleton16 = icu::toUtf16(skeleton);
    UChar buffer[256];
    int32_t length = udatpg_getBestPattern(generator, reinterpret_cast<const UChar*>(skeleton16.data()),
                                           static_cast<int32_t>(skeleton16.size()), buffer, 256, &status);
    udatpg_close(generator);
    return U_SUCCESS(status) ? icu::toUtf8(buffer, length) : std::string(skeleton);
}

} // namespace foundation
