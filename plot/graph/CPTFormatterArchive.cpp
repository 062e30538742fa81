#include "plot/graph/CPTFormatterArchive.h"

#include "plot/foundation/CPTCalendarFormatter.h"

#include <cmath>
#include <mutex>
#include <vector>

using foundation::KeyedArchiver;
using foundation::KeyedUnarchiver;
using foundation::NumberFormatter;

namespace {

struct FormatterRegistry {
    std::mutex mutex;
    std::vector<CPTFormatterClass> classes;
};

FormatterRegistry& formatterRegistry() {
    static FormatterRegistry registry;
    return registry;
}

std::vector<CPTFormatterClass> registeredFormatters() {
    FormatterRegistry& r = formatterRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.classes;
}

int decodeDigits(KeyedUnarchiver& coder, std::string_view key, int missing) {
    if (!coder.containsValueForKey(key))
        return missing;
    const std::int64_t digits = coder.decodeIntegerForKey(key);
    if (digits < -1 || digits > 340) {
        coder.failWithError("\"" + std::string(key) + "\" is not a number of digits.");
        return missing;
    }
    return static_cast<int>(digits);
}

// A setting that reads -1 has not been given: it stays as the formatter's style makes it.
void setDigits(NumberFormatter& formatter, void (NumberFormatter::*set)(int), int digits) {
    if (digits >= 0)
        (formatter.*set)(digits);
}

// The plain formatter's settings onto a formatter made with the archived style and locale.
void decodeSettings(KeyedUnarchiver& coder, NumberFormatter& formatter) {
    setDigits(formatter, &NumberFormatter::setMinimumIntegerDigits,
              decodeDigits(coder, "NSNumberFormatter.minimumIntegerDigits", formatter.minimumIntegerDigits()));
    setDigits(formatter, &NumberFormatter::setMinimumFractionDigits,
              decodeDigits(coder, "NSNumberFormatter.minimumFractionDigits", formatter.minimumFractionDigits()));
    setDigits(formatter, &NumberFormatter::setMaximumFractionDigits,
              decodeDigits(coder, "NSNumberFormatter.maximumFractionDigits", formatter.maximumFractionDigits()));
    // Significant digits only when they are used: setting them turns them on.
    const bool significant = coder.decodeBoolForKey("NSNumberFormatter.usesSignificantDigits");
    if (significant) {
        setDigits(formatter, &NumberFormatter::setMinimumSignificantDigits,
                  decodeDigits(coder, "NSNumberFormatter.minimumSignificantDigits", -1));
        setDigits(formatter, &NumberFormatter::setMaximumSignificantDigits,
                  decodeDigits(coder, "NSNumberFormatter.maximumSignificantDigits", -1));
    }
    formatter.setUsesSignificantDigits(significant);
    if (coder.containsValueForKey("NSNumberFormatter.roundingMode")) {
        const std::int64_t mode = coder.decodeIntegerForKey("NSNumberFormatter.roundingMode");
        if (mode < 0 || mode > 6)
            coder.failWithError("\"NSNumberFormatter.roundingMode\" is not a rounding mode.");
        else
            formatter.setRoundingMode(static_cast<NumberFormatter::RoundingMode>(mode));
    }
}

std::shared_ptr<NumberFormatter> decodePlain(KeyedUnarchiver& coder) {
    const std::int64_t style = coder.decodeIntegerForKey("NSNumberFormatter.style");
    if (style < 0 || style > 3) {
        coder.failWithError("\"NSNumberFormatter.style\" is not a number style.");
        return nullptr;
    }
    std::shared_ptr<NumberFormatter> formatter;
    if (coder.containsValueForKey("NSNumberFormatter.locale"))
        formatter = std::make_shared<NumberFormatter>(static_cast<NumberFormatter::Style>(style),
                                                      coder.decodeStringForKey("NSNumberFormatter.locale"));
    else
        formatter = std::make_shared<NumberFormatter>();
    decodeSettings(coder, *formatter);
    return coder.failed() ? nullptr : formatter;
}

double decodeDate(KeyedUnarchiver& coder, std::string_view key) {
    const double date = coder.decodeDoubleForKey(key);
    if (!std::isfinite(date))
        coder.failWithError("\"" + std::string(key) + "\" is not a date.");
    return date;
}

std::shared_ptr<NumberFormatter> decodeCalendarFormatter(KeyedUnarchiver& coder) {
    // A plain start: the base formatter's archived settings are not read back.
    auto formatter = std::make_shared<CPTCalendarFormatter>(nullptr);
    formatter->setDateFormatter(CPTDecodeDateFormatter(coder, "CPTCalendarFormatter.dateFormatter"));
    if (coder.containsValueForKey("CPTCalendarFormatter.referenceDate"))
        formatter->setReferenceDate(decodeDate(coder, "CPTCalendarFormatter.referenceDate"));
    formatter->setReferenceCalendar(CPTDecodeCalendar(coder, "CPTCalendarFormatter.referenceCalendar"));
    const std::int64_t unit = coder.decodeIntegerForKey("CPTCalendarFormatter.referenceCalendarUnit");
    if (unit < 0)
        coder.failWithError("\"CPTCalendarFormatter.referenceCalendarUnit\" is not a calendar unit.");
    formatter->setReferenceCalendarUnit(static_cast<std::uint64_t>(unit));
    return coder.failed() ? nullptr : formatter;
}

} // namespace

void CPTRegisterFormatterClass(const CPTFormatterClass& formatterClass) {
    FormatterRegistry& r = formatterRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    for (const CPTFormatterClass& known : r.classes)
        if (known.className == formatterClass.className)
            return;
    r.classes.push_back(formatterClass);
}

void CPTEncodeNumberFormatterSettings(KeyedArchiver& coder, const NumberFormatter& formatter) {
    coder.encodeInteger(static_cast<std::int64_t>(formatter.style()), "NSNumberFormatter.style");
    coder.encodeString(formatter.locale(), "NSNumberFormatter.locale");
    coder.encodeBool(formatter.usesSignificantDigits(), "NSNumberFormatter.usesSignificantDigits");
    coder.encodeInteger(formatter.minimumSignificantDigits(), "NSNumberFormatter.minimumSignificantDigits");
    coder.encodeInteger(formatter.maximumSignificantDigits(), "NSNumberFormatter.maximumSignificantDigits");
    coder.encodeInteger(formatter.minimumIntegerDigits(), "NSNumberFormatter.minimumIntegerDigits");
    coder.encodeInteger(formatter.minimumFractionDigits(), "NSNumberFormatter.minimumFractionDigits");
    coder.encodeInteger(formatter.maximumFractionDigits(), "NSNumberFormatter.maximumFractionDigits");
    coder.encodeInteger(static_cast<std::int64_t>(formatter.roundingMode()), "NSNumberFormatter.roundingMode");
}

void CPTEncodeFormatter(KeyedArchiver& coder, const NumberFormatter* formatter, std::string_view key) {
    if (formatter == nullptr)
        return;
    if (const auto* calendar = dynamic_cast<const CPTCalendarFormatter*>(formatter)) {
        coder.encodeSharedObject(formatter, "CPTCalendarFormatter", key, [calendar](KeyedArchiver& c) {
            CPTEncodeNumberFormatterSettings(c, *calendar);
            CPTEncodeDateFormatter(c, calendar->dateFormatter().get(), "CPTCalendarFormatter.dateFormatter");
            if (calendar->referenceDate())
                c.encodeDouble(*calendar->referenceDate(), "CPTCalendarFormatter.referenceDate");
            CPTEncodeCalendar(c, calendar->referenceCalendar(), "CPTCalendarFormatter.referenceCalendar");
            c.encodeInteger(static_cast<std::int64_t>(calendar->referenceCalendarUnit()),
                            "CPTCalendarFormatter.referenceCalendarUnit");
        });
        return;
    }
    for (const CPTFormatterClass& kind : registeredFormatters())
        if (kind.matches(*formatter)) {
            coder.encodeSharedObject(formatter, kind.className, key,
                                     [&kind, formatter](KeyedArchiver& c) { kind.encode(c, *formatter); });
            return;
        }
    coder.encodeSharedObject(formatter, "NSNumberFormatter", key,
                             [formatter](KeyedArchiver& c) { CPTEncodeNumberFormatterSettings(c, *formatter); });
}

std::shared_ptr<NumberFormatter> CPTDecodeFormatter(KeyedUnarchiver& coder, std::string_view key) {
    return coder.decodeSharedObject<NumberFormatter>(
        key, {"NSNumberFormatter", "CPTCalendarFormatter", "CPTTimeFormatter"},
        [](KeyedUnarchiver& c) -> std::shared_ptr<NumberFormatter> {
            if (c.className() == "NSNumberFormatter")
                return decodePlain(c);
            if (c.className() == "CPTCalendarFormatter")
                return decodeCalendarFormatter(c);
            for (const CPTFormatterClass& kind : registeredFormatters())
                if (kind.className == c.className())
                    return kind.decode(c);
            c.failWithError("The formatter class \"" + c.className() + "\" is not known here.");
            return nullptr;
        });
}

void CPTEncodeDateFormatter(KeyedArchiver& coder, const foundation::DateFormatter* formatter, std::string_view key) {
    if (formatter == nullptr)
        return;
    coder.encodeObject("NSDateFormatter", key, [formatter](KeyedArchiver& c) {
        const bool styled = formatter->dateStyle() != foundation::DateFormatter::Style::None ||
                            formatter->timeStyle() != foundation::DateFormatter::Style::None;
        if (styled) {
            c.encodeInteger(static_cast<std::int64_t>(formatter->dateStyle()), "NSDateFormatter.dateStyle");
            c.encodeInteger(static_cast<std::int64_t>(formatter->timeStyle()), "NSDateFormatter.timeStyle");
        } else {
            c.encodeString(formatter->pattern(), "NSDateFormatter.pattern");
        }
        c.encodeString(formatter->locale(), "NSDateFormatter.locale");
        c.encodeString(formatter->timeZone(), "NSDateFormatter.timeZone");
    });
}

std::shared_ptr<foundation::DateFormatter> CPTDecodeDateFormatter(KeyedUnarchiver& coder, std::string_view key) {
    auto nested = coder.decodeObjectForKey(key, {"NSDateFormatter"});
    if (!nested)
        return nullptr;
    const std::string locale = nested->decodeStringForKey("NSDateFormatter.locale");
    const std::string zone = nested->decodeStringForKey("NSDateFormatter.timeZone");
    if (nested->containsValueForKey("NSDateFormatter.pattern"))
        return std::make_shared<foundation::DateFormatter>(
            foundation::DateFormatter::fromPattern(nested->decodeStringForKey("NSDateFormatter.pattern"), locale, zone));
    const std::int64_t date = nested->decodeIntegerForKey("NSDateFormatter.dateStyle");
    const std::int64_t time = nested->decodeIntegerForKey("NSDateFormatter.timeStyle");
    if (date < 0 || date > 4 || time < 0 || time > 4) {
        coder.failWithError("\"" + std::string(key) + "\" has a date style that does not exist.");
        return nullptr;
    }
    if (coder.failed())
        return nullptr;
    return std::make_shared<foundation::DateFormatter>(static_cast<foundation::DateFormatter::Style>(date),
                                                       static_cast<foundation::DateFormatter::Style>(time), locale, zone);
}

void CPTEncodeCalendar(KeyedArchiver& coder, const std::optional<foundation::Calendar>& calendar, std::string_view key) {
    if (!calendar)
        return;
    coder.encodeObject("NSCalendar", key, [&calendar](KeyedArchiver& c) {
        c.encodeString(calendar->identifier(), "NSCalendar.identifier");
        c.encodeString(calendar->timeZone(), "NSCalendar.timeZone");
    });
}

std::optional<foundation::Calendar> CPTDecodeCalendar(KeyedUnarchiver& coder, std::string_view key) {
    auto nested = coder.decodeObjectForKey(key, {"NSCalendar"});
    if (!nested)
        return std::nullopt;
    const std::string identifier = nested->decodeStringForKey("NSCalendar.identifier");
    const std::string zone = nested->decodeStringForKey("NSCalendar.timeZone");
    if (coder.failed())
        return std::nullopt;
    return foundation::Calendar(identifier, zone);
}
