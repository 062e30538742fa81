// Decimal numbers: layout, arithmetic and its rounding modes and errors, rounding at a scale, ordering,
// and conversions to and from integers, doubles and text (also under a locale with a decimal comma).
#include "platform/foundation/Decimal.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <locale>
#include <random>

using foundation::CalculationError;
using foundation::ComparisonResult;
using foundation::Decimal;
using foundation::RoundingMode;

namespace {

Decimal dec(const char* text) {
    const Decimal d = Decimal::fromString(text);
    EXPECT_FALSE(d.isNaN()) << text;
    return d;
}

// A decimal with trailing zeros left in its mantissa, as another writer may store it.
Decimal raw(std::uint16_t mantissa, int exponent, bool negative = false) {
    Decimal d;
    d.header = static_cast<std::uint8_t>(exponent) | (1u << 8) | (negative ? 1u << 12 : 0u);
    d.mantissa[0] = mantissa;
    return d;
}

const Decimal kLargest = Decimal::fromString("99999999999999999999999999999999999999e127");

} // namespace

TEST(Decimal, LayoutIsTwentyBytesOfHeaderAndMantissaWords) {
    static_assert(sizeof(Decimal) == 20);
    static_assert(std::is_trivially_copyable_v<Decimal>);

    const Decimal d = dec("-1.5");
    EXPECT_EQ(d.header & 0xFFu, 0xFFu); // exponent -1
    EXPECT_EQ(d.exponent(), -1);
    EXPECT_EQ(d.length(), 1);
    EXPECT_TRUE(d.isNegative());
    EXPECT_TRUE(d.isCompact());
    EXPECT_EQ(d.mantissa[0], 15);
    EXPECT_EQ(d.header >> 14, 0u) << "reserved bits stay clear";

    const Decimal big = dec("65536");
    EXPECT_EQ(big.length(), 2);
    EXPECT_EQ(big.mantissa[0], 0);
    EXPECT_EQ(big.mantissa[1], 1);

    EXPECT_EQ(kLargest.length(), 8);
    EXPECT_EQ(kLargest.exponent(), 127);

    const Decimal nan = Decimal::notANumber();
    EXPECT_EQ(nan.header & 0x1F00u, 0x1000u);
    EXPECT_TRUE(nan.isNaN());

    Decimal zero;
    const unsigned char zeros[20] = {};
    EXPECT_EQ(std::memcmp(&zero, zeros, 20), 0);
    EXPECT_TRUE(zero.isZero());
}

TEST(Decimal, ArithmeticRoundsTo38DigitsInEachMode) {
    struct Case {
        const char* op;
        const char* a;
        const char* b;
        RoundingMode mode;
        const char* expected;
        CalculationError error;
    };
    // python3 tests/fixtures/decimal/reference.py (Python's decimal module at 38 digits)
    const Case cases[] = {
#include "../../fixtures/decimal/reference.out"
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " " + c.op + " " + c.b + " mode " + std::to_string(int(c.mode)));
        const std::string op = c.op;
        Decimal r;
        CalculationError err{};
        if (op == "add")
            err = foundation::decimalAdd(r, dec(c.a), dec(c.b), c.mode);
        else if (op == "sub")
            err = foundation::decimalSubtract(r, dec(c.a), dec(c.b), c.mode);
        else if (op == "mul")
            err = foundation::decimalMultiply(r, dec(c.a), dec(c.b), c.mode);
        else
            err = foundation::decimalDivide(r, dec(c.a), dec(c.b), c.mode);
        EXPECT_EQ(r.toString(), c.expected);
        EXPECT_EQ(err, c.error);
        EXPECT_EQ(r, dec(c.expected));
    }
}

TEST(Decimal, RangeErrorsGiveTheirDefinedResults) {
    struct Case {
        const char* name;
        CalculationError (*op)(Decimal&, const Decimal&, const Decimal&, RoundingMode);
        Decimal a, b;
        CalculationError error;
        std::string expected;
    };
    const Case cases[] = {
        {"largest x 10 overflows", foundation::decimalMultiply, kLargest, dec("10"),
         CalculationError::Overflow, "NaN"},
        {"largest + largest overflows", foundation::decimalAdd, kLargest, kLargest,
         CalculationError::Overflow, "NaN"},
        {"1e127 x 10 still fits the mantissa", foundation::decimalMultiply, dec("1e127"), dec("10"),
         CalculationError::None, "1" + std::string(128, '0')},
        {"1/0", foundation::decimalDivide, dec("1"), Decimal{}, CalculationError::DivideByZero, "NaN"},
        {"0/0", foundation::decimalDivide, Decimal{}, Decimal{}, CalculationError::DivideByZero, "NaN"},
        {"tiny x tiny underflows to 0", foundation::decimalMultiply, dec("1e-100"), dec("1e-100"),
         CalculationError::Underflow, "0"},
        {"tiny / huge underflows to 0", foundation::decimalDivide, dec("1e-100"), dec("1e100"),
         CalculationError::Underflow, "0"},
        {"gradual underflow keeps what fits", foundation::decimalDivide, dec("15e-128"), dec("10"),
         CalculationError::LossOfPrecision, "0." + std::string(127, '0') + "2"}, // 1.5e-128 to 2e-128
        {"NaN in, NaN out", foundation::decimalAdd, Decimal::notANumber(), dec("1"), CalculationError::None,
         "NaN"},
        {"NaN divisor beats zero", foundation::decimalDivide, dec("1"), Decimal::notANumber(),
         CalculationError::None, "NaN"},
        {"x 0 is 0", foundation::decimalMultiply, kLargest, Decimal{}, CalculationError::None, "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Decimal r = dec("42");
        EXPECT_EQ(c.op(r, c.a, c.b, RoundingMode::Plain), c.error);
        EXPECT_EQ(r.toString(), c.expected);
    }
}

TEST(Decimal, OppositeValuesSumToPositiveZero) {
    Decimal r;
    EXPECT_EQ(foundation::decimalAdd(r, dec("-0.5"), dec("0.5"), RoundingMode::Bankers),
              CalculationError::None);
    EXPECT_FALSE(r.isNaN());
    EXPECT_TRUE(r.isZero());
    EXPECT_EQ(r.header, 0u);
    EXPECT_EQ(r.toString(), "0");
    EXPECT_EQ(-Decimal{}, Decimal{});
    EXPECT_FALSE((-Decimal{}).isNaN());
}

TEST(Decimal, ResultMayAliasAnOperand) {
    Decimal a = dec("1.25");
    foundation::decimalAdd(a, a, a, RoundingMode::Plain);
    EXPECT_EQ(a.toString(), "2.5");
    foundation::decimalDivide(a, a, a, RoundingMode::Plain);
    EXPECT_EQ(a.toString(), "1");
}

TEST(Decimal, RoundsAtAScale) {
    struct Case {
        const char* value;
        int scale;
        RoundingMode mode;
        const char* expected;
    };
    const Case cases[] = {
        {"8.76", 1, RoundingMode::Down, "8.7"},
        {"-8.76", 1, RoundingMode::Down, "-8.8"},
        {"-8.76", 1, RoundingMode::Up, "-8.7"},
        {"8.71", 1, RoundingMode::Up, "8.8"},
        {"-1.5", 0, RoundingMode::Down, "-2"}, // the floor
        {"1.9", 0, RoundingMode::Down, "1"},
        {"2.5", 0, RoundingMode::Bankers, "2"},
        {"3.5", 0, RoundingMode::Bankers, "4"},
        {"2.5", 0, RoundingMode::Plain, "3"},
        {"-2.5", 0, RoundingMode::Plain, "-3"},
        {"0.4", 0, RoundingMode::Plain, "0"},
        {"1250", -2, RoundingMode::Bankers, "1200"},
        {"1250", -2, RoundingMode::Plain, "1300"},
        {"8.76", 5, RoundingMode::Down, "8.76"},
        {"0.123456789", foundation::decimalNoScale, RoundingMode::Down, "0.123456789"},
        {"99.96", 1, RoundingMode::Plain, "100"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.value) + " at " + std::to_string(c.scale));
        Decimal r;
        EXPECT_EQ(foundation::decimalRound(r, dec(c.value), c.scale, c.mode), CalculationError::None);
        EXPECT_EQ(r.toString(), c.expected);
    }
    Decimal r;
    foundation::decimalRound(r, Decimal::notANumber(), 2, RoundingMode::Plain);
    EXPECT_TRUE(r.isNaN());
}

TEST(Decimal, ComparisonOrdersNaNBelowEveryNumber) {
    struct Case {
        Decimal a, b;
        ComparisonResult expected;
    };
    const Case cases[] = {
        {Decimal::notANumber(), Decimal::notANumber(), ComparisonResult::Same},
        {Decimal::notANumber(), dec("-1e100"), ComparisonResult::Ascending},
        {dec("-99999999999999999999999999999999999999e127"), Decimal::notANumber(),
         ComparisonResult::Descending},
        {dec("2"), raw(200, -2), ComparisonResult::Same},
        {raw(0, 5, true), Decimal{}, ComparisonResult::Same}, // a stored negative zero with a length is zero
        {dec("-1"), dec("1"), ComparisonResult::Ascending},
        {dec("-1"), dec("-2"), ComparisonResult::Descending},
        {dec("0.1"), dec("0.10000000000000000000000000000000000001"), ComparisonResult::Ascending},
        {dec("1e127"), dec("9.9e126"), ComparisonResult::Descending},
        {dec("1e-128"), Decimal{}, ComparisonResult::Descending},
        {dec("-1e-128"), Decimal{}, ComparisonResult::Ascending},
        {dec("123.45"), dec("12.345e1"), ComparisonResult::Same},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.a.toString() + " vs " + c.b.toString());
        EXPECT_EQ(foundation::decimalCompare(c.a, c.b), c.expected);
        EXPECT_EQ(foundation::decimalCompare(c.b, c.a),
                  static_cast<ComparisonResult>(-static_cast<int>(c.expected)));
        EXPECT_EQ(c.a == c.b, c.expected == ComparisonResult::Same);
        EXPECT_EQ(c.a < c.b, c.expected == ComparisonResult::Ascending);
        if (c.expected == ComparisonResult::Same) {
            EXPECT_EQ(c.a.hash(), c.b.hash());
        }
    }
}

TEST(Decimal, NormalizeGivesBothTheSameExponent) {
    Decimal a = dec("1.5"), b = dec("100");
    EXPECT_EQ(foundation::decimalNormalize(a, b, RoundingMode::Plain), CalculationError::None);
    EXPECT_EQ(a.exponent(), -1);
    EXPECT_EQ(b.exponent(), -1);
    EXPECT_EQ(b.mantissaValue(), 1000u);
    EXPECT_EQ(a, dec("1.5"));
    EXPECT_EQ(b, dec("100"));

    Decimal big = dec("1e50"), small = dec("1.5e-50");
    EXPECT_EQ(foundation::decimalNormalize(big, small, RoundingMode::Plain),
              CalculationError::LossOfPrecision);
    EXPECT_EQ(big.exponent(), small.exponent());
    EXPECT_EQ(big, dec("1e50"));
    EXPECT_TRUE(small.isZero());
}

TEST(Decimal, ConvertsIntegersExactly) {
    EXPECT_EQ(Decimal::fromInt64(std::numeric_limits<std::int64_t>::min()).toString(),
              "-9223372036854775808");
    EXPECT_EQ(Decimal::fromInt64(std::numeric_limits<std::int64_t>::max()).toString(), "9223372036854775807");
    EXPECT_EQ(Decimal::fromUInt64(std::numeric_limits<std::uint64_t>::max()).toString(),
              "18446744073709551615");
    EXPECT_EQ(Decimal::fromInt64(-1).toString(), "-1");
    EXPECT_EQ(Decimal::fromInt64(0).header, 0u);
    EXPECT_EQ(Decimal::fromInt64(1000), raw(1, 3));

    struct Case {
        const char* value;
        std::int64_t asInt;
        std::uint64_t asUnsigned;
    };
    const Case cases[] = {
        {"1.9", 1, 1},
        {"-1.9", -1, 0},
        {"1e30", std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::uint64_t>::max()},
        {"-1e30", std::numeric_limits<std::int64_t>::min(), 0},
        {"1e-30", 0, 0},
        {"NaN", 0, 0},
        {"-9223372036854775808", std::numeric_limits<std::int64_t>::min(), 0},
        {"18446744073709551615", std::numeric_limits<std::int64_t>::max(),
         std::numeric_limits<std::uint64_t>::max()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const Decimal d = Decimal::fromString(c.value);
        EXPECT_EQ(d.toInt64(), c.asInt);
        EXPECT_EQ(d.toUInt64(), c.asUnsigned);
    }
}

TEST(Decimal, DoublesConvertThroughTheirShortestDigits) {
    struct Case {
        double value;
        const char* expected;
    };
    const Case cases[] = {
        {0.1, "0.1"},
        {-0.5, "-0.5"},
        {1e-7, "0.0000001"},
        {2.5e-7, "0.00000025"},
        {0.1 + 0.2, "0.30000000000000004"}, // binary noise survives the conversion
        {123456789012345678.0, "123456789012345680"},
        {-0.0, "0"},
        {1e-300, "0"},  // below the smallest decimal
        {1e300, "NaN"}, // above the largest
        {std::numeric_limits<double>::infinity(), "NaN"},
        {-std::numeric_limits<double>::infinity(), "NaN"},
        {std::numeric_limits<double>::quiet_NaN(), "NaN"},
        {5e-324, "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(Decimal::fromDouble(c.value).toString(), c.expected);
    }
    const Decimal negativeZero = Decimal::fromDouble(-0.0);
    EXPECT_EQ(negativeZero.header, 0u);
    EXPECT_FALSE(negativeZero.isNaN());
    EXPECT_FALSE(std::signbit(negativeZero.toDouble()));
}

TEST(Decimal, ToDoubleIsCorrectlyRounded) {
    const char* texts[] = {
        "0.1",
        "0.30000000000000004",
        "9007199254740993", // 2^53 + 1: a tie, to even
        "9007199254740995",
        "1e-128",
        "-99999999999999999999999999999999999999e127",
        "123456789012345678901234567890.12345678",
        "2.2250738585072014e-30",
        "0.000000000000000000000000000000000000000000000000000000000000000000000000123",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        double expected = 0;
        std::from_chars(text, text + std::strlen(text), expected);
        EXPECT_EQ(dec(text).toDouble(), expected);
    }
    EXPECT_TRUE(std::isnan(Decimal::notANumber().toDouble()));

    // Every double whose shortest digits fit the decimal (17 digits above 1e-111) reads back as itself.
    std::mt19937_64 rng(20261210);
    std::uniform_real_distribution<double> exponent(-110, 120);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    for (int i = 0; i < 20000; ++i) {
        const double d = mantissa(rng) * std::pow(10.0, exponent(rng));
        ASSERT_EQ(Decimal::fromDouble(d).toDouble(), d) << d;
    }
}

TEST(Decimal, TextRoundTripsInTheCLocale) {
    struct Case {
        const char* text;
        const char* expected; // nullptr: the same text
    };
    const Case cases[] = {
        {"0.000001", nullptr},
        {"-0.5", nullptr},
        {"100", nullptr},
        {"0", nullptr},
        {"-0", "0"},
        {"+5", "5"},
        {"2.50", "2.5"},
        {"007.10", "7.1"},
        {".5", "0.5"},
        {"5.", "5"},
        {"1e-7", "0.0000001"},
        {"1E3", "1000"},
        {"-1.5e+2", "-150"},
        {"0.00000000000000000000000000000000000000000000000001", nullptr},
        {"12345678901234567890123456789012345678", nullptr},
        {"123456789012345678901234567890123456789", "123456789012345678901234567890123456790"},
        {"1.2345678901234567890123456789012345678", nullptr},
        {"1e-200", "0"},
        {"1e200", "NaN"},
        {"1e99999999999", "NaN"},
        // Not numbers: the whole text must be one.
        {"", "NaN"},
        {" 1", "NaN"},
        {"1 ", "NaN"},
        {"1,5", "NaN"},
        {"1.2.3", "NaN"},
        {"--1", "NaN"},
        {"1e", "NaN"},
        {"e5", "NaN"},
        {".", "NaN"},
        {"-", "NaN"},
        {"0x10", "NaN"},
        {"nan", "NaN"},
        {"inf", "NaN"},
        {"1e+", "NaN"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const Decimal d = Decimal::fromString(c.text);
        EXPECT_EQ(foundation::decimalString(d), c.expected ? c.expected : c.text);
        if (!d.isNaN()) {
            EXPECT_EQ(Decimal::fromString(d.toString()), d);
        }
    }
}

TEST(Decimal, TextIsUnchangedUnderADecimalCommaLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "de_DE", "fr_FR"};
    const char* found = nullptr;
    for (const char* name : names)
        if (std::setlocale(LC_ALL, name) != nullptr) {
            found = name;
            break;
        }
    if (found == nullptr)
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    const std::locale previousGlobal = std::locale::global(std::locale(found));
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");

    EXPECT_EQ(dec("2.5").toString(), "2.5");
    EXPECT_TRUE(Decimal::fromString("2,5").isNaN());
    EXPECT_EQ(Decimal::fromDouble(0.25).toString(), "0.25");
    EXPECT_EQ(dec("123456789012345678901234567890.12345678").toDouble(),
              123456789012345678901234567890.12345678);
    EXPECT_EQ(dec("-0.000001").toString(), "-0.000001");

    std::locale::global(previousGlobal);
    std::setlocale(LC_ALL, previous.c_str());
}
