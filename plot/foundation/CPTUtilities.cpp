// Decimal conversions and arithmetic for plot coordinates, and small numeric helpers.
#include "plot/foundation/CPTUtilities.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

using foundation::CalculationError;
using foundation::ComparisonResult;
using foundation::Decimal;
using foundation::RoundingMode;
using foundation::Value;

namespace {

// The floor of a decimal, as the wider integer conversions want it.
Decimal floorOf(const Decimal& value) {
    Decimal r;
    foundation::decimalRound(r, value, 0, RoundingMode::Down);
    return r;
}

template <class T> T saturate(std::int64_t v) {
    if (v < static_cast<std::int64_t>(std::numeric_limits<T>::min()))
        return std::numeric_limits<T>::min();
    if (v > static_cast<std::int64_t>(std::numeric_limits<T>::max()))
        return std::numeric_limits<T>::max();
    return static_cast<T>(v);
}

template <class T> T saturateUnsigned(std::uint64_t v) {
    return v > std::numeric_limits<T>::max() ? std::numeric_limits<T>::max() : static_cast<T>(v);
}

} // namespace

NSDecimal CPTDecimalFromInt8(std::int8_t value) {
    return Decimal::fromInt64(value);
}
NSDecimal CPTDecimalFromInt16(std::int16_t value) {
    return Decimal::fromInt64(value);
}
NSDecimal CPTDecimalFromInt32(std::int32_t value) {
    return Decimal::fromInt64(value);
}
NSDecimal CPTDecimalFromLongLong(long long value) {
    return Decimal::fromInt64(value);
}
NSDecimal CPTDecimalFromInteger(std::int64_t value) {
    return Decimal::fromInt64(value);
}
NSDecimal CPTDecimalFromUInt8(std::uint8_t value) {
    return Decimal::fromUInt64(value);
}
NSDecimal CPTDecimalFromUInt16(std::uint16_t value) {
    return Decimal::fromUInt64(value);
}
NSDecimal CPTDecimalFromUInt32(std::uint32_t value) {
    return Decimal::fromUInt64(value);
}
NSDecimal CPTDecimalFromUnsignedLongLong(unsigned long long value) {
    return Decimal::fromUInt64(value);
}
NSDecimal CPTDecimalFromUnsignedInteger(std::uint64_t value) {
    return Decimal::fromUInt64(value);
}

NSDecimal CPTDecimalFromFloat(float value) {
    if (!std::isfinite(value))
        return Decimal::notANumber();
    // The float's own shortest digits: 0.1f is 0.1, not the 0.10000000149011612 of its widened double.
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    return Decimal::fromString(std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)));
}

NSDecimal CPTDecimalFromDouble(double value) {
    return Decimal::fromDouble(value);
}
NSDecimal CPTDecimalFromCGFloat(CGFloat value) {
    return Decimal::fromDouble(value);
}
NSDecimal CPTDecimalFromString(std::string_view text) {
    return Decimal::fromString(text);
}
NSDecimal CPTDecimalNotANumber() {
    return Decimal::notANumber();
}

std::int8_t CPTDecimalToInt8(NSDecimal value) {
    return saturate<std::int8_t>(value.toInt64());
}
std::int16_t CPTDecimalToInt16(NSDecimal value) {
    return saturate<std::int16_t>(value.toInt64());
}
long CPTDecimalToLong(NSDecimal value) {
    return floorOf(value).toInt64();
}
long long CPTDecimalToLongLong(NSDecimal value) {
    return floorOf(value).toInt64();
}
std::int64_t CPTDecimalToInteger(NSDecimal value) {
    return floorOf(value).toInt64();
}
std::uint8_t CPTDecimalToUInt8(NSDecimal value) {
    return saturateUnsigned<std::uint8_t>(value.toUInt64());
}
std::uint16_t CPTDecimalToUInt16(NSDecimal value) {
    return saturateUnsigned<std::uint16_t>(value.toUInt64());
}
unsigned long CPTDecimalToUnsignedLong(NSDecimal value) {
    return floorOf(value).toUInt64();
}
unsigned long long CPTDecimalToUnsignedLongLong(NSDecimal value) {
    return floorOf(value).toUInt64();
}
float CPTDecimalToFloat(NSDecimal value) {
    return static_cast<float>(value.toDouble());
}
double CPTDecimalToDouble(NSDecimal value) {
    return value.toDouble();
}
CGFloat CPTDecimalToCGFloat(NSDecimal value) {
    return value.toDouble();
}

NSDecimal CPTDecimalPlus(NSDecimal a, NSDecimal b) {
    Decimal r;
    foundation::decimalAdd(r, a, b, RoundingMode::Bankers);
    return r;
}

NSDecimal CPTDecimalMinus(NSDecimal a, NSDecimal b) {
    Decimal r;
    foundation::decimalSubtract(r, a, b, RoundingMode::Bankers);
    return r;
}

NSDecimal CPTDecimalTimes(NSDecimal a, NSDecimal b) {
    Decimal r;
    foundation::decimalMultiply(r, a, b, RoundingMode::Bankers);
    return r;
}

NSDecimal CPTDecimalDividedBy(NSDecimal a, NSDecimal b) {
    Decimal r;
    const CalculationError err = foundation::decimalDivide(r, a, b, RoundingMode::Bankers);
    if (err == CalculationError::DivideByZero || err == CalculationError::Underflow)
        return Decimal{};
    return r;
}

NSDecimal CPTDecimalAbsolute(NSDecimal a) {
    if (!CPTDecimalIsLess(a, Decimal{}))
        return a;
    return CPTDecimalTimes(a, Decimal::fromInt64(-1));
}

bool CPTDecimalIsGreater(NSDecimal a, NSDecimal b) {
    return foundation::decimalCompare(a, b) == ComparisonResult::Descending;
}
bool CPTDecimalIsGreaterOrEqual(NSDecimal a, NSDecimal b) {
    return foundation::decimalCompare(a, b) != ComparisonResult::Ascending;
}
bool CPTDecimalIsLess(NSDecimal a, NSDecimal b) {
    return foundation::decimalCompare(a, b) == ComparisonResult::Ascending;
}
bool CPTDecimalIsLessOrEqual(NSDecimal a, NSDecimal b) {
    return foundation::decimalCompare(a, b) != ComparisonResult::Descending;
}
bool CPTDecimalIsEqual(NSDecimal a, NSDecimal b) {
    return foundation::decimalCompare(a, b) == ComparisonResult::Same;
}

NSDecimal CPTDecimalMinimum(NSDecimal a, NSDecimal b) {
    if (a.isNaN())
        return b;
    if (b.isNaN())
        return a;
    return CPTDecimalIsLess(a, b) ? a : b;
}

NSDecimal CPTDecimalMaximum(NSDecimal a, NSDecimal b) {
    if (a.isNaN())
        return b;
    if (b.isNaN())
        return a;
    return CPTDecimalIsGreater(a, b) ? a : b;
}

CPTCoordinate CPTOtherCoordinate(CPTCoordinate coordinate) {
    return coordinate == CPTCoordinateX ? CPTCoordinateY : CPTCoordinateX;
}

double CPTLogModulus(double x) {
    if (x == 0)
        return 0;
    return std::copysign(std::log10(std::fabs(x) + 1.0), x);
}

double CPTInverseLogModulus(double y) {
    if (y == 0)
        return 0;
    return std::copysign(std::pow(10.0, std::fabs(y)) - 1.0, y);
}

namespace {
// The aligning of one point, visible to the loops over many below.
inline CGPoint alignedToPixelCenter(const gfx::AffineTransform& toDevice, const gfx::AffineTransform& toUser,
                                    CGPoint point) {
    CGPoint p = toDevice.apply(point);
    p.x = std::round(p.x - 0.5) + 0.5;
    p.y = std::ceil(p.y) - 0.5;
    return toUser.apply(p);
}

inline CGPoint alignedToPixelEdge(const gfx::AffineTransform& toDevice, const gfx::AffineTransform& toUser,
                                  CGPoint point) {
    CGPoint p = toDevice.apply(point);
    p.x = std::round(p.x);
    p.y = std::ceil(p.y - 0.5);
    return toUser.apply(p);
}
} // namespace

CGPoint CPTPointAlignedToPixelCenter(const gfx::AffineTransform& toDevice, const gfx::AffineTransform& toUser,
                                     CGPoint point) {
    return alignedToPixelCenter(toDevice, toUser, point);
}

CGPoint CPTPointAlignedToPixelEdge(const gfx::AffineTransform& toDevice, const gfx::AffineTransform& toUser,
                                   CGPoint point) {
    return alignedToPixelEdge(toDevice, toUser, point);
}

namespace {
template <class Align>
void alignPoints(std::span<CGPoint> points, std::span<const std::uint8_t> wanted, Align align) {
    const std::size_t n = std::min(points.size(), wanted.size());
    for (std::size_t i = 0; i < n; ++i)
        if (wanted[i] && !std::isnan(points[i].x) && !std::isnan(points[i].y))
            points[i] = align(points[i]);
}
} // namespace

void CPTAlignPointsToPixelCenter(const gfx::AffineTransform& toDevice, const gfx::AffineTransform& toUser,
                                 std::span<CGPoint> points, std::span<const std::uint8_t> wanted) {
    alignPoints(points, wanted, [&](CGPoint p) { return alignedToPixelCenter(toDevice, toUser, p); });
}

void CPTAlignPointsToPixelEdge(const gfx::AffineTransform& toDevice, const gfx::AffineTransform& toUser,
                               std::span<CGPoint> points, std::span<const std::uint8_t> wanted) {
    alignPoints(points, wanted, [&](CGPoint p) { return alignedToPixelEdge(toDevice, toUser, p); });
}

namespace {
// The context's user space as seen from the device (the identity for a singular transform, as the
// context converts).
gfx::AffineTransform userSpaceOf(const gfx::Context& context) {
    return context.ctm().inverted().value_or(gfx::AffineTransform::identity());
}
} // namespace

CGPoint CPTPointAlignedToPixelCenter(const gfx::Context& context, CGPoint point) {
    return CPTPointAlignedToPixelCenter(context.ctm(), userSpaceOf(context), point);
}

CGPoint CPTPointAlignedToPixelEdge(const gfx::Context& context, CGPoint point) {
    return CPTPointAlignedToPixelEdge(context.ctm(), userSpaceOf(context), point);
}

CGRect CPTRectAlignedToPixelCenter(const gfx::Context& context, CGRect rect) {
    const CGRect r = context.convertRectToDeviceSpace(rect);
    const double left = std::round(r.origin.x - 0.5);
    const double right = std::round(r.origin.x + r.size.width - 0.5);
    const double maxY = std::fmax(r.origin.y, r.origin.y + r.size.height);
    const double top = std::ceil(maxY);
    const CGRect aligned(left + 0.5, top - 0.5, right - left, std::ceil((r.origin.y - 0.5) - (top - 0.5)));
    return context.convertRectToUserSpace(aligned);
}

CGRect CPTRectAlignedToPixelEdge(const gfx::Context& context, CGRect rect) {
    const CGRect r = context.convertRectToDeviceSpace(rect);
    const double x = std::round(r.origin.x);
    const double width = std::round(r.origin.x + r.size.width) - x;
    const double maxY = std::fmax(r.origin.y, r.origin.y + r.size.height);
    const double y = std::ceil(maxY - 0.5);
    const CGRect aligned(x, y, width, std::ceil((r.origin.y - 0.5) - y));
    return context.convertRectToUserSpace(aligned);
}

namespace {
// "%g" without the locale: six significant digits, the shorter of fixed and exponent notation.
std::string general(double value) {
    char buf[40];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 6);
    return std::string(buf, res.ptr);
}
} // namespace

std::string CPTFormatGeneral(double value) {
    return general(value);
}

std::string CPTStringFromPoint(CGPoint point) {
    return "{" + general(point.x) + ", " + general(point.y) + "}";
}

std::string CPTStringFromRect(CGRect rect) {
    return "{{" + general(rect.origin.x) + ", " + general(rect.origin.y) + "}, {" + general(rect.size.width) +
           ", " + general(rect.size.height) + "}}";
}

CGFloat CPTPointDistanceSquared(CGPoint p1, CGPoint p2) {
    const double dx = p1.x - p2.x;
    const double dy = p1.y - p2.y;
    return std::fma(dx, dx, dy * dy);
}

CPTRGBAColor CPTColorGetRGBA(const gfx::Color& color) {
    return {color.red, color.green, color.blue, color.alpha};
}

CPTEdgeInsets CPTInsetsFromNativeInsets(gfx::EdgeInsets insets) {
    return {insets.top, insets.left, insets.bottom, insets.right};
}

bool CPTInsetsEqual(CPTEdgeInsets a, CPTEdgeInsets b) {
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

Value decimalNumber(const Value& number) {
    if (number.kind() == Value::Kind::Decimal)
        return number;
    return Value(number.toDecimal());
}

ComparisonResult compareNumbers(const Value& a, const Value& b) {
    auto order = [](auto x, auto y) {
        return x < y ? ComparisonResult::Ascending
                     : (y < x ? ComparisonResult::Descending : ComparisonResult::Same);
    };
    const bool aWhole = a.kind() == Value::Kind::Integer || a.kind() == Value::Kind::Bool;
    const bool bWhole = b.kind() == Value::Kind::Integer || b.kind() == Value::Kind::Bool;
    const bool aUnsigned = a.kind() == Value::Kind::Unsigned, bUnsigned = b.kind() == Value::Kind::Unsigned;
    if ((aWhole || aUnsigned) && (bWhole || bUnsigned)) {
        if (aUnsigned && bUnsigned)
            return order(a.toUInt64(), b.toUInt64());
        if (aUnsigned && b.toInt64() < 0)
            return ComparisonResult::Descending;
        if (bUnsigned && a.toInt64() < 0)
            return ComparisonResult::Ascending;
        if (aUnsigned || bUnsigned)
            return order(a.toUInt64(), b.toUInt64());
        return order(a.toInt64(), b.toInt64());
    }
    const double da = a.toDouble(), db = b.toDouble();
    // Infinities have no decimal; they order by themselves.
    const bool decimals = (a.kind() == Value::Kind::Decimal || b.kind() == Value::Kind::Decimal) &&
                          !std::isinf(da) && !std::isinf(db);
    if (decimals)
        return foundation::decimalCompare(a.toDecimal(), b.toDecimal());
    if (std::isnan(da) || std::isnan(db))
        return std::isnan(da) && std::isnan(db) ? ComparisonResult::Same
               : std::isnan(da)                 ? ComparisonResult::Ascending
                                                : ComparisonResult::Descending;
    return order(da, db);
}

bool isLessThan(const Value& a, const Value& b) {
    return compareNumbers(a, b) == ComparisonResult::Ascending;
}
bool isLessThanOrEqualTo(const Value& a, const Value& b) {
    return compareNumbers(a, b) != ComparisonResult::Descending;
}
bool isGreaterThan(const Value& a, const Value& b) {
    return compareNumbers(a, b) == ComparisonResult::Descending;
}
bool isGreaterThanOrEqualTo(const Value& a, const Value& b) {
    return compareNumbers(a, b) != ComparisonResult::Ascending;
}

std::string CPTObjectDescription(std::string_view className, const void* object) {
    char address[32];
    std::snprintf(address, sizeof address, "%p", object); // no locale enters a pointer's text
    return "<" + std::string(className) + ": " + address + ">";
}
