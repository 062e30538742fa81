// The plain number form: which texts it takes, their values (the compiler's rounding of the same
// literal is the reference), the texts it leaves to the locale's reader, the digit test, and which
// parts of the form each locale's reader is trusted with.
#include "platform/foundation/NumberFormatter.h"
#include "platform/foundation/PlainNumber.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

using foundation::mayHoldDigit;
using foundation::NumberFormatter;
using foundation::PlainNumberForm;
using foundation::readPlainNumber;

namespace {

const PlainNumberForm dot{'.', true, true};
const PlainNumberForm comma{',', true, true};
const PlainNumberForm dotNoSigns{'.', false, false};

bool sameDouble(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

TEST(PlainNumber, ValuesOfPlainTexts) {
    struct Case {
        std::string text;
        PlainNumberForm form;
        double expected;
    };
    const Case cases[] = {
        {"0", dot, 0.0},
        {"-0", dot, -0.0},
        {"-0.000", dot, -0.0},
        {"-0,0", comma, -0.0},
        {"007", dot, 7},
        {"-007.50", dot, -7.5},
        {".5", dot, 0.5},
        {"5.", dot, 5},
        {",25", comma, 0.25},
        {"3,5", comma, 3.5},
        {"-3,5e2", comma, -350},
        {"0.1", dot, 0.1},
        {"0.3", dot, 0.3},
        {"12345678901234567", dot, 12345678901234567.0},
        {"123456789012345678901234567890", dot, 123456789012345678901234567890.0},
        // Halfway between two doubles: to the even one; a digit beyond it tips it up.
        {"9007199254740993", dot, 9007199254740992.0},
        {"9007199254740993." + std::string(800, '0') + "1", dot, 9007199254740994.0},
        {"1e5", dot, 1e5},
        {"1E-5", dot, 1e-5},
        {"2.5e+3", dot, 2500},
        {"1e0000000000000000005", dot, 1e5},
        {"1.7976931348623157e308", dot, 1.7976931348623157e308},
        {"1.7976931348623158e308", dot, 1.7976931348623157e308},
        {"2.2250738585072011e-308", dot, 2.2250738585072011e-308},
        {"4.9e-324", dot, 0x0.0000000000001p-1022},
        {"2.4703282292062328e-324", dot, 0x0.0000000000001p-1022},
        {"12.5", dotNoSigns, 12.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        const auto v = readPlainNumber(c.text, c.form);
        ASSERT_TRUE(v);
        EXPECT_TRUE(sameDouble(*v, c.expected)) << *v;
    }
}

TEST(PlainNumber, TextsLeftToTheReader) {
    struct Case {
        std::string text;
        PlainNumberForm form;
    };
    const Case cases[] = {
        {"", dot},
        {"5", PlainNumberForm{}}, // a reader with no plain form
        {"+5", dot},              // the readers refuse a plus sign
        {"--5", dot},
        {"-+5", dot},
        {"-", dot},
        {".", dot},
        {"-.", dot},
        {"5-", dot},
        {"-5", dotNoSigns},
        {"1e5", dotNoSigns},
        {"1,5", dot},
        {"1.5", comma},
        {"1,234", dot},
        {"1,234.5", dot},
        {"1.2.3", dot},
        {"1,2,3", comma},
        {" 5", dot},
        {"5 ", dot},
        {"5\n", dot},
        {"1 234", dot},
        {"1e", dot},
        {"1e+", dot},
        {"e5", dot},
        {".e5", dot},
        {"1e5.5", dot},
        {"1ee5", dot},
        {"0x10", dot},
        {"inf", dot},
        {"-inf", dot},
        {"infinity", dot},
        {"nan", dot},
        {"NaN", dot},
        {"\xEF\xBC\x91", dot},           // fullwidth 1
        {"\xD9\xA1\xD9\xA2", dot},       // Arabic-Indic 12
        {"\xE2\x88\x92" "5", dot},       // U+2212 minus
        // Overflow, underflow and a zero with an exponent: the reader's answer holds.
        {"1e309", dot},
        {"1.7976931348623159e308", dot},
        {"-1e400", dot},
        {"1e-400", dot},
        {"-1e-400", dot},
        {"2.4703282292062327e-324", dot},
        {"0." + std::string(400, '0') + "1", dot},
        {"0e5", dot},
        {"0e2147483648", dot},
        {"-0,0e-3", comma},
        {std::string(400, '9'), dot},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        EXPECT_EQ(readPlainNumber(c.text, c.form), std::nullopt);
    }
}

TEST(PlainNumber, MayHoldDigit) {
    struct Case {
        const char* text;
        bool localDigitsAreNd;
        bool expected;
    };
    const Case cases[] = {
        {"", true, false},
        {"abc", true, false},
        {"NaN", true, false},
        {"next Friday", true, false},
        {"\xE2\x88\x9E", true, false},         // infinity sign
        {"\xC2\xBD \xC2\xB2 \xE2\x85\xAB", true, false}, // one half, superscript two, Roman twelve: not Nd
        {"\xE4\xB8\x80\xE4\xBA\x8C", true, false},       // CJK one, two: letters
        {"\xE4\xB8\x80\xE4\xBA\x8C", false, true},       // ... but a reader of Han digits may take them
        {"\xFF\xFE", true, false},                       // not UTF-8
        {"Group 3", true, true},
        {"a9", true, true},
        {"\xEF\xBC\x91", true, true},               // fullwidth 1
        {"x\xD9\xA3", true, true},                  // Arabic-Indic 3
        {"\xE0\xA5\xA8", true, true},               // Devanagari 2
        {"abc", false, false},                      // ASCII text: no local digit either
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(mayHoldDigit(c.text, c.localDigitsAreNd), c.expected);
    }
}

TEST(PlainNumber, FormOfEachLocalesReader) {
    struct Case {
        const char* locale;
        NumberFormatter::Style style;
        PlainNumberForm expected;
        bool localDigitsAreNd;
    };
    using S = NumberFormatter::Style;
    const Case cases[] = {
        {"en_US", S::Decimal, {'.', true, true}, true},
        {"fr_FR", S::Decimal, {',', true, true}, true},
        {"de_DE", S::Decimal, {',', true, true}, true},
        {"de_CH", S::Decimal, {'.', true, true}, true},
        // Minus sign U+2212 and the exponent "×10^": only unsigned texts without exponent are plain.
        {"sv_SE", S::Decimal, {',', false, false}, true},
        // Minus sign U+2212, exponent "E".
        {"nb_NO", S::Decimal, {',', false, false}, true},
        {"ar_EG", S::Decimal, {}, true},                // Arabic-Indic digits and separator
        {"zh@numbers=hanidec", S::Decimal, {}, false},  // Han digits are letters, not Nd
        {"en_US", S::Percent, {}, true},                // only the decimal reader has a plain form
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale);
        const NumberFormatter reader(c.style, c.locale);
        const PlainNumberForm form = reader.plainForm();
        EXPECT_EQ(form.separator, c.expected.separator);
        EXPECT_EQ(form.minus, c.expected.minus);
        EXPECT_EQ(form.exponent, c.expected.exponent);
        EXPECT_EQ(reader.localDigitsAreNd(), c.localDigitsAreNd);
    }
}
