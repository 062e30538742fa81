// Decimal conversions, arithmetic and extremes of the plotting framework, the log-modulus transform,
// and the comparisons of boxed numbers.
#include "plot/foundation/CPTUtilities.h"

#include "platform/graphics/Recorder.h"

#include <clocale>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

using foundation::Decimal;
using foundation::Value;

namespace {
Decimal d(const char* text) {
    return Decimal::fromString(text);
}
const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();
} // namespace

TEST(CPTUtilities, NativeNumbersBecomeDecimals) {
    struct Case {
        Decimal value;
        const char* expected;
    };
    const Case cases[] = {
        {CPTDecimalFromInteger(-1), "-1"},
        {CPTDecimalFromInteger(3), "3"},
        {CPTDecimalFromUInt8(200), "200"},
        {CPTDecimalFromInt8(-128), "-128"},
        {CPTDecimalFromInt16(-32768), "-32768"},
        {CPTDecimalFromInt32(2147483647), "2147483647"},
        {CPTDecimalFromLongLong(std::numeric_limits<long long>::min()), "-9223372036854775808"},
        {CPTDecimalFromUnsignedLongLong(std::numeric_limits<unsigned long long>::max()),
         "18446744073709551615"},
        {CPTDecimalFromUInt16(65535), "65535"},
        {CPTDecimalFromUInt32(4294967295u), "4294967295"},
        {CPTDecimalFromUnsignedInteger(0), "0"},
        // Shortest digits: small values survive (six fraction digits would make them 0).
        {CPTDecimalFromDouble(1e-7), "0.0000001"},
        {CPTDecimalFromDouble(2.5e-7), "0.00000025"},
        {CPTDecimalFromDouble(-0.5), "-0.5"},
        {CPTDecimalFromDouble(0.1), "0.1"},
        {CPTDecimalFromDouble(0.1 + 0.2), "0.30000000000000004"},
        {CPTDecimalFromDouble(1.0 / 3.0), "0.3333333333333333"},
        {CPTDecimalFromDouble(1e20), "100000000000000000000"},
        {CPTDecimalFromCGFloat(12.75), "12.75"},
        {CPTDecimalFromFloat(0.1f), "0.1"},
        {CPTDecimalFromFloat(16777217.0f), "16777216"},
        {CPTDecimalFromDouble(kInf), "NaN"},
        {CPTDecimalFromDouble(-kInf), "NaN"},
        {CPTDecimalFromDouble(kNaN), "NaN"},
        {CPTDecimalFromFloat(std::numeric_limits<float>::infinity()), "NaN"},
        {CPTDecimalFromString("12.5"), "12.5"},
        {CPTDecimalFromString("12.5x"), "NaN"},
        {CPTDecimalNotANumber(), "NaN"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(cases[i].value.toString(), cases[i].expected);
    }
}

TEST(CPTUtilities, DecimalsBecomeNativeNumbers) {
    EXPECT_EQ(CPTDecimalToInteger(d("-1.5")), -2);
    EXPECT_EQ(CPTDecimalToInteger(d("1.9")), 1);
    EXPECT_EQ(CPTDecimalToLong(d("-0.1")), -1);
    EXPECT_EQ(CPTDecimalToLongLong(d("1e30")), std::numeric_limits<long long>::max());
    EXPECT_EQ(CPTDecimalToInt8(d("1.9")), 1);   // no rounding step:
    EXPECT_EQ(CPTDecimalToInt8(d("-1.9")), -1); // truncation, not the floor
    EXPECT_EQ(CPTDecimalToInt8(d("300")), 127);
    EXPECT_EQ(CPTDecimalToInt16(d("-40000")), -32768);
    EXPECT_EQ(CPTDecimalToUInt8(d("-3")), 0);
    EXPECT_EQ(CPTDecimalToUInt16(d("65535.9")), 65535);
    EXPECT_EQ(CPTDecimalToUnsignedLong(d("7.99")), 7u);
    EXPECT_EQ(CPTDecimalToUnsignedLongLong(d("-7")), 0u);
    EXPECT_EQ(CPTDecimalToInteger(CPTDecimalNotANumber()), 0);
    EXPECT_EQ(CPTDecimalToDouble(d("0.1")), 0.1);
    EXPECT_EQ(CPTDecimalToCGFloat(d("-2.5")), -2.5);
    EXPECT_EQ(CPTDecimalToFloat(d("0.1")), 0.1f);
    EXPECT_TRUE(std::isnan(CPTDecimalToDouble(CPTDecimalNotANumber())));
}

TEST(CPTUtilities, ArithmeticRoundsBankersAndDivisionByZeroGivesZero) {
    EXPECT_EQ(CPTDecimalPlus(d("0.1"), d("0.2")), d("0.3"));
    EXPECT_EQ(CPTDecimalMinus(d("1"), d("1e-100")), d("1")); // a tie-free case: the nearest
    EXPECT_EQ(CPTDecimalTimes(d("-1.5"), d("2")), d("-3"));
    EXPECT_EQ(CPTDecimalDividedBy(d("2"), d("3")).toString(), "0.66666666666666666666666666666666666667");
    // A tie at the 39th digit goes to the even neighbour.
    EXPECT_EQ(CPTDecimalPlus(d("12345678901234567890123456789012345677"), d("0.5")).toString(),
              "12345678901234567890123456789012345678");

    const Decimal zeroQuotient = CPTDecimalDividedBy(d("5"), Decimal{});
    EXPECT_FALSE(zeroQuotient.isNaN());
    EXPECT_TRUE(zeroQuotient.isZero());
    EXPECT_TRUE(CPTDecimalDividedBy(d("1e-100"), d("1e100")).isZero());
    // Overflow is left as the arithmetic gives it.
    EXPECT_TRUE(CPTDecimalDividedBy(d("1e127"), d("1e-100")).isNaN());

    EXPECT_EQ(CPTDecimalAbsolute(d("-2.5")), d("2.5"));
    EXPECT_EQ(CPTDecimalAbsolute(d("2.5")), d("2.5"));
    EXPECT_TRUE(CPTDecimalAbsolute(Decimal{}).isZero());
}

TEST(CPTUtilities, ComparisonsAndNaNSkippingExtremes) {
    const Decimal nan = CPTDecimalNotANumber();
    EXPECT_TRUE(CPTDecimalIsLess(d("1"), d("2")));
    EXPECT_TRUE(CPTDecimalIsLessOrEqual(d("2"), d("2.00")));
    EXPECT_TRUE(CPTDecimalIsGreater(d("-1"), d("-2")));
    EXPECT_TRUE(CPTDecimalIsGreaterOrEqual(d("2"), d("2")));
    EXPECT_TRUE(CPTDecimalIsEqual(nan, nan));
    EXPECT_TRUE(CPTDecimalIsLess(nan, d("-1e100")));

    EXPECT_EQ(CPTDecimalMinimum(nan, d("5")), d("5"));
    EXPECT_EQ(CPTDecimalMinimum(d("5"), nan), d("5"));
    EXPECT_EQ(CPTDecimalMaximum(nan, d("5")), d("5"));
    EXPECT_EQ(CPTDecimalMaximum(d("5"), nan), d("5"));
    EXPECT_TRUE(CPTDecimalMinimum(nan, nan).isNaN());
    EXPECT_EQ(CPTDecimalMinimum(d("1"), d("2")), d("1"));
    EXPECT_EQ(CPTDecimalMaximum(d("1"), d("2")), d("2"));

    // A tie gives the second argument: tell them apart by representation.
    Decimal twoPointZero;
    twoPointZero.header = static_cast<std::uint8_t>(-1) | (1u << 8);
    twoPointZero.mantissa[0] = 20;
    EXPECT_EQ(CPTDecimalMaximum(d("2"), twoPointZero).mantissa[0], 20);
    EXPECT_EQ(CPTDecimalMinimum(twoPointZero, d("2")).mantissa[0], 2);
}

TEST(CPTUtilities, LogModulusAndCoordinates) {
    EXPECT_DOUBLE_EQ(CPTLogModulus(-9), -1);
    EXPECT_DOUBLE_EQ(CPTLogModulus(99), 2);
    EXPECT_DOUBLE_EQ(CPTInverseLogModulus(-1), -9);
    EXPECT_DOUBLE_EQ(CPTInverseLogModulus(2), 99);
    EXPECT_EQ(CPTLogModulus(0), 0);
    EXPECT_EQ(CPTInverseLogModulus(0), 0);
    EXPECT_TRUE(std::signbit(CPTLogModulus(-0.5)));
    for (double x : {-1234.5, -1e-3, 0.25, 7.0, 1e6})
        EXPECT_NEAR(CPTInverseLogModulus(CPTLogModulus(x)), x, 1e-9 * std::fabs(x));

    EXPECT_EQ(CPTOtherCoordinate(CPTCoordinateX), CPTCoordinateY);
    EXPECT_EQ(CPTOtherCoordinate(CPTCoordinateY), CPTCoordinateX);
    EXPECT_EQ(CPTOtherCoordinate(static_cast<CPTCoordinate>(7)), CPTCoordinateX);

    const CPTEdgeInsets insets{1, 2, 3, 4};
    EXPECT_TRUE(CPTInsetsEqual(CPTInsetsFromNativeInsets(gfx::EdgeInsets{1, 2, 3, 4}), insets));
    EXPECT_FALSE(CPTInsetsEqual(insets, CPTEdgeInsets{1, 2, 3, 5}));
}

TEST(CPTUtilities, BoxedNumbersCompareByValue) {
    using foundation::ComparisonResult;
    struct Case {
        Value a, b;
        ComparisonResult expected;
    };
    const Case cases[] = {
        {1, 2.5, ComparisonResult::Ascending},
        {Value(d("0.1")), 0.1, ComparisonResult::Same},
        {Value(d("0.30000000000000004")), 0.1 + 0.2, ComparisonResult::Same},
        {Value(d("0.3")), 0.1 + 0.2, ComparisonResult::Ascending},
        {std::numeric_limits<std::uint64_t>::max(), -1, ComparisonResult::Descending},
        {(std::int64_t{1} << 60) + 1, std::int64_t{1} << 60, ComparisonResult::Descending},
        {Value(d("1e100")), kInf, ComparisonResult::Ascending},
        {kNaN, -kInf, ComparisonResult::Ascending},
        {Value(CPTDecimalNotANumber()), Value(d("-5")), ComparisonResult::Ascending},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(compareNumbers(cases[i].a, cases[i].b), cases[i].expected);
    }
    EXPECT_TRUE(isLessThan(1, 2));
    EXPECT_TRUE(isLessThanOrEqualTo(2, 2.0));
    EXPECT_TRUE(isGreaterThan(3u, 2));
    EXPECT_TRUE(isGreaterThanOrEqualTo(Value(d("2")), 2));
    EXPECT_EQ(decimalNumber(2.5).kind(), Value::Kind::Decimal);
    EXPECT_EQ(decimalNumber(2.5).toDecimal(), d("2.5"));
    EXPECT_EQ(decimalNumber(Value(d("7"))).toDecimal(), d("7"));
}

TEST(CPTUtilities, ConversionsAreUnchangedUnderADecimalCommaLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    const char* found = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"})
        if (std::setlocale(LC_ALL, name) != nullptr) {
            found = name;
            break;
        }
    if (found == nullptr)
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    EXPECT_EQ(CPTDecimalFromDouble(2.5).toString(), "2.5");
    EXPECT_EQ(CPTDecimalFromFloat(0.25f).toString(), "0.25");
    EXPECT_EQ(CPTDecimalToDouble(CPTDecimalFromString("1234567890123456789.5")), 1234567890123456789.5);
    std::setlocale(LC_ALL, previous.c_str());
}

TEST(CPTUtilities, AlignsToDevicePixels) {
    struct Case {
        const char* name;
        double scale;
        CGPoint center, edge;        // of the point (1.2, 3.7)
        CGRect centerRect, edgeRect; // of the rect (1.2, 3.7, 10, 5)
    };
    const Case cases[] = {
        // x: round(0.7) + 0.5, y: ceil(3.7) - 0.5; edges round(1.2), ceil(3.2)
        {"unscaled", 1, {1.5, 3.5}, {1, 4}, CGRect(1.5, 3.5, 10, 5), CGRect(1, 4, 10, 5)},
        // device (2.4, 7.4, 20, 10): centre x round(1.9) + 0.5 = 2.5, top ceil(17.4) = 18, height
        // ceil(6.9 - 17.5) = -10; edges x round(2.4) = 2, y ceil(6.9) = 7 and ceil(16.9) = 17
        {"scaled 2", 2, {1.25, 3.75}, {1, 3.5}, CGRect(1.25, 3.75, 10, 5), CGRect(1, 3.5, 10, 5)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto rc = gfx::makeRecordingContext(CGRect(0, 0, 100, 100));
        rc.context->scaleCTM(c.scale, c.scale);
        const gfx::Context& ctx = *rc.context;
        EXPECT_EQ(CPTPointAlignedToPixelCenter(ctx, {1.2, 3.7}), c.center);
        EXPECT_EQ(CPTPointAlignedToPixelEdge(ctx, {1.2, 3.7}), c.edge);
        EXPECT_EQ(CPTRectAlignedToPixelCenter(ctx, CGRect(1.2, 3.7, 10, 5)), c.centerRect);
        EXPECT_EQ(CPTRectAlignedToPixelEdge(ctx, CGRect(1.2, 3.7, 10, 5)), c.edgeRect);

        // Many points at once: the wanted ones as each alone, the others and those with a NaN as they were.
        const double nan = std::nan("");
        const std::vector<CGPoint> before{{1.2, 3.7}, {-0.5, 0.5}, {nan, 2}, {2.5, -1.25}, {7.75, 8}};
        const std::vector<std::uint8_t> wanted{1, 1, 1, 0, 1};
        const gfx::AffineTransform toDevice = ctx.ctm();
        const gfx::AffineTransform toUser = *toDevice.inverted();
        for (const bool centre : {true, false}) {
            std::vector<CGPoint> points = before;
            if (centre)
                CPTAlignPointsToPixelCenter(toDevice, toUser, points, wanted);
            else
                CPTAlignPointsToPixelEdge(toDevice, toUser, points, wanted);
            for (std::size_t i = 0; i < points.size(); ++i) {
                SCOPED_TRACE(std::to_string(i) + (centre ? " centre" : " edge"));
                if (!wanted[i] || std::isnan(before[i].x)) {
                    EXPECT_TRUE(std::isnan(before[i].x) ? std::isnan(points[i].x) : points[i] == before[i]);
                    continue;
                }
                EXPECT_EQ(points[i], centre ? CPTPointAlignedToPixelCenter(ctx, before[i])
                                            : CPTPointAlignedToPixelEdge(ctx, before[i]));
            }
        }
    }
}

TEST(CPTUtilities, PointsRectsAndColours) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "de_DE.UTF-8"); // where installed: the texts must not change
    EXPECT_EQ(CPTStringFromPoint({1, 2.5}), "{1, 2.5}");
    EXPECT_EQ(CPTStringFromRect(CGRect(0, -0.125, 1e7, 1234567)), "{{0, -0.125}, {1e+07, 1.23457e+06}}");
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(CPTPointDistanceSquared({1, 2}, {4, 6}), 25);
    const CPTRGBAColor c = CPTColorGetRGBA(gfx::Color{0.1, 0.2, 0.3, 0.4});
    EXPECT_EQ(c.red, 0.1);
    EXPECT_EQ(c.green, 0.2);
    EXPECT_EQ(c.blue, 0.3);
    EXPECT_EQ(c.alpha, 0.4);
}
