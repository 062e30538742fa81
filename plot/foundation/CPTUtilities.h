// The plotting framework's decimal conversions, arithmetic and NaN-skipping extremes, the log-modulus
// transform, colour and inset records, and the comparisons it adds to boxed numbers.
#pragma once

#include "platform/foundation/Decimal.h"
#include "platform/foundation/Value.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Geometry.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>

using NSDecimal = foundation::Decimal;
using CGFloat = double;
using CGPoint = gfx::Point;
using CGSize = gfx::Size;
using CGRect = gfx::Rect;

// A plot axis.
enum CPTCoordinate : std::int64_t { CPTCoordinateX = 0, CPTCoordinateY = 1 };

struct CPTRGBAColor {
    CGFloat red = 0, green = 0, blue = 0, alpha = 0;
};

struct CPTEdgeInsets {
    CGFloat top = 0, left = 0, bottom = 0, right = 0;
};

// Native numbers to decimals: integers exactly; floating values through their shortest round-trip
// digits (a float through the float's own), NaN and infinities giving the NaN decimal.
NSDecimal CPTDecimalFromInt8(std::int8_t value);
NSDecimal CPTDecimalFromInt16(std::int16_t value);
NSDecimal CPTDecimalFromInt32(std::int32_t value);
NSDecimal CPTDecimalFromLongLong(long long value);
NSDecimal CPTDecimalFromInteger(std::int64_t value);
NSDecimal CPTDecimalFromUInt8(std::uint8_t value);
NSDecimal CPTDecimalFromUInt16(std::uint16_t value);
NSDecimal CPTDecimalFromUInt32(std::uint32_t value);
NSDecimal CPTDecimalFromUnsignedLongLong(unsigned long long value);
NSDecimal CPTDecimalFromUnsignedInteger(std::uint64_t value);
NSDecimal CPTDecimalFromFloat(float value);
NSDecimal CPTDecimalFromDouble(double value);
NSDecimal CPTDecimalFromCGFloat(CGFloat value);
// The whole text in the C locale; anything that is not a number gives the NaN decimal.
NSDecimal CPTDecimalFromString(std::string_view text);
NSDecimal CPTDecimalNotANumber();

// Decimals to native numbers. The 8- and 16-bit forms truncate towards zero; the wider integer forms
// take the floor first. Out of range they saturate, and NaN gives 0.
std::int8_t CPTDecimalToInt8(NSDecimal value);
std::int16_t CPTDecimalToInt16(NSDecimal value);
long CPTDecimalToLong(NSDecimal value);
long long CPTDecimalToLongLong(NSDecimal value);
std::int64_t CPTDecimalToInteger(NSDecimal value);
std::uint8_t CPTDecimalToUInt8(NSDecimal value);
std::uint16_t CPTDecimalToUInt16(NSDecimal value);
unsigned long CPTDecimalToUnsignedLong(NSDecimal value);
unsigned long long CPTDecimalToUnsignedLongLong(NSDecimal value);
float CPTDecimalToFloat(NSDecimal value);
double CPTDecimalToDouble(NSDecimal value);
CGFloat CPTDecimalToCGFloat(NSDecimal value);

// Arithmetic with bankers' rounding, errors ignored except that dividing by zero, or a quotient too
// small for a decimal, gives 0.
NSDecimal CPTDecimalPlus(NSDecimal a, NSDecimal b);
NSDecimal CPTDecimalMinus(NSDecimal a, NSDecimal b);
NSDecimal CPTDecimalTimes(NSDecimal a, NSDecimal b);
NSDecimal CPTDecimalDividedBy(NSDecimal a, NSDecimal b);
NSDecimal CPTDecimalAbsolute(NSDecimal a);

// The decimal comparison as it stands: NaN equals NaN and orders below every number.
bool CPTDecimalIsGreater(NSDecimal a, NSDecimal b);
bool CPTDecimalIsGreaterOrEqual(NSDecimal a, NSDecimal b);
bool CPTDecimalIsLess(NSDecimal a, NSDecimal b);
bool CPTDecimalIsLessOrEqual(NSDecimal a, NSDecimal b);
bool CPTDecimalIsEqual(NSDecimal a, NSDecimal b);

// Extremes that skip a NaN operand; a tie (and two NaNs) gives b.
NSDecimal CPTDecimalMinimum(NSDecimal a, NSDecimal b);
NSDecimal CPTDecimalMaximum(NSDecimal a, NSDecimal b);

CPTCoordinate CPTOtherCoordinate(CPTCoordinate coordinate);

// log10(|x| + 1) with the sign of x, and its inverse; both 0 at 0.
double CPTLogModulus(double x);
double CPTInverseLogModulus(double y);

// Snapping to device pixels through the context's own conversions: centres for odd-width lines,
// edges for fills and whole-width lines.
CGPoint CPTPointAlignedToPixelCenter(const gfx::Context& context, CGPoint point);
CGPoint CPTPointAlignedToPixelEdge(const gfx::Context& context, CGPoint point);
// The same with the context's transform and its inverse given, for many points under one transform.
CGPoint CPTPointAlignedToPixelCenter(const gfx::AffineTransform& toDevice, const gfx::AffineTransform& toUser,
                                     CGPoint point);
CGPoint CPTPointAlignedToPixelEdge(const gfx::AffineTransform& toDevice, const gfx::AffineTransform& toUser,
                                   CGPoint point);
// Each point whose `wanted` entry is not zero and that has no NaN coordinate aligned in place, as the
// forms above align one point (the spans as long as each other, else the shorter limits the count).
void CPTAlignPointsToPixelCenter(const gfx::AffineTransform& toDevice, const gfx::AffineTransform& toUser,
                                 std::span<CGPoint> points, std::span<const std::uint8_t> wanted);
void CPTAlignPointsToPixelEdge(const gfx::AffineTransform& toDevice, const gfx::AffineTransform& toUser,
                               std::span<CGPoint> points, std::span<const std::uint8_t> wanted);
CGRect CPTRectAlignedToPixelCenter(const gfx::Context& context, CGRect rect);
CGRect CPTRectAlignedToPixelEdge(const gfx::Context& context, CGRect rect);

// "{1, 2.5}" and "{{0, 0}, {10, 20}}" with "%g" numbers, written with "." whatever the locale.
std::string CPTStringFromPoint(CGPoint point);
// One number as "%g" writes it in the C locale.
std::string CPTFormatGeneral(double value);
std::string CPTStringFromRect(CGRect rect);
CGFloat CPTPointDistanceSquared(CGPoint p1, CGPoint p2);

CPTRGBAColor CPTColorGetRGBA(const gfx::Color& color);

// A double truncated towards zero into an integer type, 0 for NaN and saturated at the type's limits,
// so that no value is undefined behaviour (hashes and sample conversions).
template <class T> T CPTIntegerFromDouble(double x) {
    if (std::isnan(x))
        return 0;
    constexpr int bits = std::numeric_limits<T>::digits; // value bits, without the sign
    const double top = std::ldexp(1.0, bits);
    if (x >= top)
        return std::numeric_limits<T>::max();
    if (x <= static_cast<double>(std::numeric_limits<T>::min()))
        return std::numeric_limits<T>::min();
    return static_cast<T>(x);
}
CPTEdgeInsets CPTInsetsFromNativeInsets(gfx::EdgeInsets insets);
bool CPTInsetsEqual(CPTEdgeInsets a, CPTEdgeInsets b);

// The operations the framework adds to boxed numbers. A number that holds a decimal compares as a
// decimal against any number; other numbers compare by value (integers exactly, else as doubles).
foundation::Value decimalNumber(const foundation::Value& number);
foundation::ComparisonResult compareNumbers(const foundation::Value& a, const foundation::Value& b);
bool isLessThan(const foundation::Value& a, const foundation::Value& b);
bool isLessThanOrEqualTo(const foundation::Value& a, const foundation::Value& b);
bool isGreaterThan(const foundation::Value& a, const foundation::Value& b);
bool isGreaterThanOrEqualTo(const foundation::Value& a, const foundation::Value& b);

// "<ClassName: 0x...>", the start of every debug description.
std::string CPTObjectDescription(std::string_view className, const void* object);
