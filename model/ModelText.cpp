// ModelText: the workspace's number and date readers and the shared display texts.
#include "model/ModelText.h"

#include "platform/foundation/DisplayFormatters.h"
#include "platform/foundation/IcuText.h"
#include "platform/foundation/Locale.h"
#include "platform/foundation/Tr.h"

#include <cmath>
#include <limits>
#include <cstdio>
#include <unicode/uchar.h>

namespace {

constexpr unsigned dateTimeType = 4;

// The display bounds are compared as single-precision values, so 0.0001 itself (which rounds
// down in single precision) still counts as "not below 0.0001".
bool belowSmallest(double v) {
    return std::fabs(v) < static_cast<double>(0.0001f);
}

bool hasCurrencySign(const std::u16string& text) {
    for (char16_t c : text)
        if (u_charType(c) == U_CURRENCY_SYMBOL)
            return true;
    return false;
}

std::string fill(const std::string& format, const std::string& value) {
    const auto at = format.find("%@");
    if (at == std::string::npos)
        return format;
    return format.substr(0, at) + value + format.substr(at + 2);
}

} // namespace

ModelText::ModelText(SeparatorSource decimalSeparator) : separator_(std::move(decimalSeparator)) {}

ModelText::~ModelText() = default;

std::optional<std::string> ModelText::localeForDecimalPoint(std::string_view separator) {
    const std::string current = foundation::currentLocale();
    if (!separator.empty() &&
        foundation::NumberFormatter(foundation::NumberFormatter::Style::Decimal, current)
                .decimalSeparator() == separator)
        return current;
    if (separator == ".")
        return std::string("en_US");
    if (separator == ",")
        return std::string("fr_FR");
    return std::nullopt;
}

std::unique_ptr<foundation::NumberFormatter> ModelText::makeReader(foundation::NumberFormatter::Style style) {
    const std::optional<std::string> separator = separator_ ? separator_() : std::nullopt;
    const std::optional<std::string> locale = localeForDecimalPoint(separator.value_or(""));
    return std::make_unique<foundation::NumberFormatter>(style, locale.value_or(foundation::currentLocale()));
}

foundation::NumberFormatter& ModelText::readDecimal() {
    if (!readDecimal_)
        readDecimal_ = makeReader(foundation::NumberFormatter::Style::Decimal);
    return *readDecimal_;
}

foundation::NumberFormatter& ModelText::readPercent() {
    if (!readPercent_)
        readPercent_ = makeReader(foundation::NumberFormatter::Style::Percent);
    return *readPercent_;
}

foundation::NumberFormatter& ModelText::readCurrency() {
    if (!readCurrency_) {
        readCurrency_ = makeReader(foundation::NumberFormatter::Style::Currency);
        readCurrency_->setLenient(true);
    }
    return *readCurrency_;
}

void ModelText::setReadDecimal(std::unique_ptr<foundation::NumberFormatter> f) {
    readDecimal_ = std::move(f);
    shortcuts_.reset();
}
void ModelText::setReadPercent(std::unique_ptr<foundation::NumberFormatter> f) {
    readPercent_ = std::move(f);
    shortcuts_.reset();
}
void ModelText::setReadCurrency(std::unique_ptr<foundation::NumberFormatter> f) {
    readCurrency_ = std::move(f);
    shortcuts_.reset();
}

const ModelText::Shortcuts& ModelText::shortcuts() {
    if (!shortcuts_) {
        Shortcuts s;
        s.plain = readDecimal().plainForm();
        s.localDigitsAreNd = readDecimal().localDigitsAreNd() && readPercent().localDigitsAreNd() &&
                             readCurrency().localDigitsAreNd();
        shortcuts_ = s;
    }
    return *shortcuts_;
}

foundation::DateReader& ModelText::detectDate() {
    if (!detectDate_)
        detectDate_ = std::make_unique<foundation::DateReader>();
    return *detectDate_;
}

void ModelText::setDetectDate(std::unique_ptr<foundation::DateReader> reader) {
    detectDate_ = std::move(reader);
}

std::optional<double> ModelText::plainNumberForString(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    return foundation::readPlainNumber(text, shortcuts().plain);
}

std::optional<double> ModelText::decimalNumberForString(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    const Shortcuts& s = shortcuts();
    if (auto v = foundation::readPlainNumber(text, s.plain))
        return v;
    // Most texts of a column of names or categories end here.
    if (!foundation::mayHoldDigit(text, s.localDigitsAreNd))
        return std::nullopt;
    return decimalNumberByReaders(text);
}

std::optional<double> ModelText::decimalNumberByReaders(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    // One conversion to UTF-16 serves all three readers.
    thread_local std::u16string text16;
    foundation::icu::toUtf16(text, text16);
    if (auto v = readDecimal().parseWhole(std::u16string_view(text16)))
        return v;
    if (auto v = readPercent().parseWhole(std::u16string_view(text16)))
        return v;
    // Lenient reading skips misplaced grouping marks, so without this test the German date text
    // "01.01.2020" would read as 1,012,020. Only a text with a currency sign is a currency amount.
    if (!hasCurrencySign(text16))
        return std::nullopt;
    return readCurrency().parseWhole(std::u16string_view(text16));
}

std::optional<double> ModelText::dateForString(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    return detectDate().firstDate(text);
}

std::string ModelText::stringFromNumber(double x) {
    return stringFromNumber(x, 4u);
}

std::string ModelText::stringFromNumber(double x, unsigned sigDigits) {
    // The formatter would write a NaN whose sign bit is set as "-NaN"; no NaN has a sign.
    if (std::isnan(x))
        x = std::numeric_limits<double>::quiet_NaN();
    // Nor has zero: a result of -0.0 (a product or quotient of a zero and a negative) reads "0".
    if (x == 0)
        x = 0.0;
    const auto limit =
        static_cast<double>(static_cast<float>(std::pow(10.0, static_cast<double>(sigDigits))));
    const bool scientific = x != 0 && (belowSmallest(x) || std::fabs(x) > limit);
    const int digits = static_cast<int>(sigDigits);
    return scientific ? foundation::display::scientific(x, digits)
                      : foundation::display::significant(x, digits);
}

std::string ModelText::stringFromPNumber(double p) {
    if (p < static_cast<double>(0.0001f))
        return fill(foundation::tr("p < %@"), stringFromNumber(static_cast<double>(0.0001f), 4u));
    return fill(foundation::tr("p = %@"), stringFromNumber(p, 4u));
}

ModelText::DateTimeStyles ModelText::dateTimeStylesForInterval(double seconds) {
    if (seconds > 86400 || seconds == 0)
        return {1, 0};
    return {0, 1};
}

std::string ModelText::stringFromDateNumber(double seconds, double timeScale) {
    const DateTimeStyles styles = dateTimeStylesForInterval(timeScale);
    return foundation::display::date(seconds, static_cast<foundation::DateFormatter::Style>(styles.dateStyle),
                                     static_cast<foundation::DateFormatter::Style>(styles.timeStyle));
}

std::string ModelText::stringFromNumber(double x, unsigned type, unsigned sigDigits, double timeScale) {
    if (type == dateTimeType)
        return stringFromDateNumber(x, timeScale);
    return stringFromNumber(x, sigDigits);
}

std::string ModelText::stringFromNumberOfType(double x, unsigned type) {
    return stringFromNumber(x, type, 4u, 0.0);
}

std::string ModelText::stringFromNumberOfTypeTimeScale(double x, unsigned type, double timeScale) {
    return stringFromNumber(x, type, 4u, timeScale);
}

std::string ModelText::stringFromNumberOfTypeWithSigDigits(double x, unsigned type, unsigned sigDigits) {
    return stringFromNumber(x, type, sigDigits, 0.0);
}

std::string ModelText::stringFromDifferenceNumber(double difference, unsigned type, unsigned sigDigits) {
    if (type != dateTimeType)
        return stringFromNumber(difference, sigDigits);
    // Four digits is the default and shows whole days to one digit; each further digit adds one.
    // Fewer than four would leave no digit at all, so they too show one.
    const unsigned dayDigits = sigDigits <= 4 ? 1u : sigDigits - 4;
    return fill(foundation::tr("%@ days"), stringFromNumber(difference / 86400.0, dayDigits));
}
