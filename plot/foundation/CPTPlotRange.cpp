// Plot ranges: the two mirrored representations, limits, containment, and range against range.
#include "plot/foundation/CPTPlotRange.h"

#include <cmath>
#include <limits>

using foundation::Decimal;
using foundation::Value;

namespace {

const double kInfinity = std::numeric_limits<double>::infinity();

NSDecimal two() {
    static const NSDecimal value = CPTDecimalFromInteger(2);
    return value;
}

std::int64_t signOfLength(double length) {
    if (std::isnan(length))
        return 0;
    return std::signbit(length) ? -1 : 1;
}

} // namespace

CPTPlotRange::CPTPlotRange() : CPTPlotRange(Value(0.0), Value(0.0)) {}

CPTPlotRange::CPTPlotRange(const Value& location, const Value& length) {
    locationDecimal_ = location.isNull() ? Decimal{} : location.toDecimal();
    lengthDecimal_ = length.isNull() ? Decimal{} : length.toDecimal();
    locationDouble_ = location.isNull() ? 0.0 : location.toDouble();
    lengthDouble_ = length.isNull() ? 0.0 : length.toDouble();
    isInfinite_ = std::isinf(lengthDouble_);
    lengthSign_ = signOfLength(lengthDouble_);
}

CPTPlotRange::CPTPlotRange(NSDecimal location, NSDecimal length)
    : CPTPlotRange(Value(location), Value(length)) {}

std::shared_ptr<CPTPlotRange> CPTPlotRange::plotRangeWithLocation(const Value& location,
                                                                  const Value& length) {
    return std::make_shared<CPTPlotRange>(location, length);
}

std::shared_ptr<CPTPlotRange> CPTPlotRange::plotRangeWithLocationDecimal(NSDecimal location,
                                                                         NSDecimal length) {
    return std::make_shared<CPTPlotRange>(location, length);
}

void CPTPlotRange::setLocationDecimal(NSDecimal value) {
    if (CPTDecimalIsEqual(value, locationDecimal_))
        return;
    locationDecimal_ = value;
    if (inValueUpdate_)
        return;
    inValueUpdate_ = true;
    setLocationDouble(CPTDecimalToDouble(value));
    inValueUpdate_ = false;
}

void CPTPlotRange::setLocationDouble(double value) {
    if (value == locationDouble_)
        return;
    locationDouble_ = value;
    if (inValueUpdate_)
        return;
    inValueUpdate_ = true;
    setLocationDecimal(CPTDecimalFromDouble(value));
    inValueUpdate_ = false;
}

void CPTPlotRange::setLengthDecimal(NSDecimal value) {
    if (CPTDecimalIsEqual(value, lengthDecimal_))
        return;
    lengthDecimal_ = value;
    if (inValueUpdate_)
        return;
    inValueUpdate_ = true;
    setLengthDouble(CPTDecimalToDouble(value));
    inValueUpdate_ = false;
}

void CPTPlotRange::setLengthDouble(double value) {
    if (value == lengthDouble_)
        return;
    lengthDouble_ = value;
    isInfinite_ = std::isinf(value);
    lengthSign_ = signOfLength(value);
    if (inValueUpdate_)
        return;
    inValueUpdate_ = true;
    setLengthDecimal(CPTDecimalFromDouble(value)); // an infinite length becomes the NaN decimal
    inValueUpdate_ = false;
}

void CPTPlotRange::copyValuesFrom(const CPTPlotRange& other) {
    inValueUpdate_ = true;
    setLocationDecimal(other.locationDecimal_);
    setLocationDouble(other.locationDouble_);
    setLengthDecimal(other.lengthDecimal_);
    setLengthDouble(other.lengthDouble_);
    // A length of -0.0 compares equal to the fresh 0.0 and would be skipped; the copy must still run
    // the same way as its original.
    isInfinite_ = other.isInfinite_;
    lengthSign_ = other.lengthSign_;
    inValueUpdate_ = false;
}

Value CPTPlotRange::location() const {
    return Value(locationDecimal_);
}
Value CPTPlotRange::length() const {
    return Value(lengthDecimal_);
}
Value CPTPlotRange::end() const {
    return Value(endDecimal());
}
NSDecimal CPTPlotRange::endDecimal() const {
    return CPTDecimalPlus(locationDecimal_, lengthDecimal_);
}
double CPTPlotRange::endDouble() const {
    return locationDouble_ + lengthDouble_;
}

Value CPTPlotRange::minLimit() const {
    return Value(minLimitDecimal());
}
NSDecimal CPTPlotRange::minLimitDecimal() const {
    if (!lengthDecimal_.isNaN() && CPTDecimalIsLess(lengthDecimal_, Decimal{}))
        return CPTDecimalPlus(locationDecimal_, lengthDecimal_);
    return locationDecimal_;
}
double CPTPlotRange::minLimitDouble() const {
    return lengthDouble_ < 0 ? locationDouble_ + lengthDouble_ : locationDouble_;
}

Value CPTPlotRange::midPoint() const {
    return Value(midPointDecimal());
}
NSDecimal CPTPlotRange::midPointDecimal() const {
    return CPTDecimalPlus(locationDecimal_, CPTDecimalDividedBy(lengthDecimal_, two()));
}
double CPTPlotRange::midPointDouble() const {
    return std::fma(0.5, lengthDouble_, locationDouble_);
}

Value CPTPlotRange::maxLimit() const {
    return Value(maxLimitDecimal());
}
NSDecimal CPTPlotRange::maxLimitDecimal() const {
    if (!lengthDecimal_.isNaN() && CPTDecimalIsGreater(lengthDecimal_, Decimal{}))
        return CPTDecimalPlus(locationDecimal_, lengthDecimal_);
    return locationDecimal_;
}
double CPTPlotRange::maxLimitDouble() const {
    return lengthDouble_ > 0 ? locationDouble_ + lengthDouble_ : locationDouble_;
}

bool CPTPlotRange::contains(NSDecimal value) const {
    if (isInfinite_) {
        if (lengthSign_ == 1)
            return CPTDecimalIsGreaterOrEqual(value, minLimitDecimal());
        if (lengthSign_ == -1)
            return CPTDecimalIsLessOrEqual(value, maxLimitDecimal());
        return false;
    }
    return CPTDecimalIsLessOrEqual(minLimitDecimal(), value) &&
           CPTDecimalIsLessOrEqual(value, maxLimitDecimal());
}

bool CPTPlotRange::containsDouble(double value) const {
    return minLimitDouble() <= value && value <= maxLimitDouble();
}

bool CPTPlotRange::containsNumber(const Value& number) const {
    if (number.kind() == Value::Kind::Decimal)
        return contains(number.toDecimal());
    return containsDouble(number.toDouble());
}

bool CPTPlotRange::containsRange(const CPTPlotRange* other) const {
    if (other == nullptr)
        return false;
    if (isInfinite_) {
        if (other->isInfinite_ && other->lengthSign_ != lengthSign_)
            return false;
        if (lengthSign_ == 1)
            return CPTDecimalIsGreaterOrEqual(other->minLimitDecimal(), minLimitDecimal());
        if (lengthSign_ == -1)
            return CPTDecimalIsLessOrEqual(other->maxLimitDecimal(), maxLimitDecimal());
        return false;
    }
    // The decimal limits of an infinite range both sit at its location, so they alone would let a
    // finite range contain it.
    if (other->isInfinite_)
        return false;
    return CPTDecimalIsGreaterOrEqual(other->minLimitDecimal(), minLimitDecimal()) &&
           CPTDecimalIsLessOrEqual(other->maxLimitDecimal(), maxLimitDecimal());
}

bool CPTPlotRange::intersectsRange(const CPTPlotRange* other) const {
    if (other == nullptr)
        return false;
    if (isInfinite_ && other->isInfinite_ && lengthSign_ == other->lengthSign_)
        return true;
    if (isInfinite_) {
        if (lengthSign_ == 1)
            return CPTDecimalIsGreaterOrEqual(other->maxLimitDecimal(), minLimitDecimal());
        if (lengthSign_ == -1)
            return CPTDecimalIsLessOrEqual(other->minLimitDecimal(), maxLimitDecimal());
        return false;
    }
    if (other->isInfinite_) {
        if (other->lengthSign_ == 1)
            return CPTDecimalIsLessOrEqual(other->minLimitDecimal(), maxLimitDecimal());
        if (other->lengthSign_ == -1)
            return CPTDecimalIsGreaterOrEqual(other->maxLimitDecimal(), minLimitDecimal());
        return false;
    }
    return CPTDecimalIsGreaterOrEqual(CPTDecimalMinimum(maxLimitDecimal(), other->maxLimitDecimal()),
                                      CPTDecimalMaximum(minLimitDecimal(), other->minLimitDecimal()));
}

bool CPTPlotRange::isEqualToRange(const CPTPlotRange* other) const {
    if (other == nullptr)
        return false;
    return CPTDecimalIsEqual(locationDecimal_, other->locationDecimal_) &&
           CPTDecimalIsEqual(lengthDecimal_, other->lengthDecimal_) && isInfinite_ == other->isInfinite_ &&
           lengthSign_ == other->lengthSign_;
}

bool CPTPlotRange::isEqual(const CPTPlotRange* other) const {
    return other == this || isEqualToRange(other);
}

bool CPTMutablePlotRange::isEqual(const CPTPlotRange* other) const {
    if (other == this)
        return true;
    return dynamic_cast<const CPTMutablePlotRange*>(other) != nullptr && isEqualToRange(other);
}

std::size_t CPTPlotRange::hash() const {
    return locationDecimal_.hash() + lengthDecimal_.hash();
}

CPTPlotRangeComparisonResult CPTPlotRange::compareToDecimal(NSDecimal value) const {
    if (value.isNaN())
        return CPTPlotRangeComparisonUndefined;
    if (contains(value))
        return CPTPlotRangeComparisonInside;
    if (CPTDecimalIsLess(value, minLimitDecimal()))
        return CPTPlotRangeComparisonBelow;
    return CPTPlotRangeComparisonAbove;
}

CPTPlotRangeComparisonResult CPTPlotRange::compareToDouble(double value) const {
    if (std::isnan(value))
        return CPTPlotRangeComparisonUndefined;
    if (value < minLimitDouble())
        return CPTPlotRangeComparisonBelow;
    if (value > maxLimitDouble())
        return CPTPlotRangeComparisonAbove;
    return CPTPlotRangeComparisonInside;
}

CPTPlotRangeComparisonResult CPTPlotRange::compareToNumber(const Value& number) const {
    if (number.kind() == Value::Kind::Decimal)
        return compareToDecimal(number.toDecimal());
    return compareToDouble(number.toDouble());
}

namespace {
std::string lengthText(const CPTPlotRange& range) {
    if (range.isInfinite())
        return range.lengthSign() == 1 ? "+INF" : "-INF";
    return range.lengthDecimal().toString();
}
} // namespace

std::string CPTPlotRange::description() const {
    return "<" + CPTObjectDescription(className(), this) + " {" + locationDecimal_.toString() + ", " +
           lengthText(*this) + "}>";
}

std::string CPTPlotRange::debugQuickLookObject() const {
    return "Location: " + locationDecimal_.toString() + "\nLength:   " + lengthText(*this);
}

std::shared_ptr<CPTPlotRange> CPTPlotRange::copy() const {
    auto range = std::make_shared<CPTPlotRange>();
    range->copyValuesFrom(*this);
    return range;
}

std::shared_ptr<CPTMutablePlotRange> CPTPlotRange::mutableCopy() const {
    auto range = std::make_shared<CPTMutablePlotRange>();
    range->copyValuesFrom(*this);
    return range;
}

// ---- mutable range

std::shared_ptr<CPTMutablePlotRange> CPTMutablePlotRange::plotRangeWithLocation(const Value& location,
                                                                                const Value& length) {
    return std::make_shared<CPTMutablePlotRange>(location, length);
}

std::shared_ptr<CPTMutablePlotRange> CPTMutablePlotRange::plotRangeWithLocationDecimal(NSDecimal location,
                                                                                       NSDecimal length) {
    return std::make_shared<CPTMutablePlotRange>(location, length);
}

void CPTMutablePlotRange::setLocation(const Value& location) {
    setInValueUpdate(true);
    setLocationDecimal(location.isNull() ? Decimal{} : location.toDecimal());
    setLocationDouble(location.toDouble());
    setInValueUpdate(false);
}

void CPTMutablePlotRange::setLength(const Value& length) {
    setInValueUpdate(true);
    setLengthDecimal(length.isNull() ? Decimal{} : length.toDecimal());
    setLengthDouble(length.toDouble());
    setInValueUpdate(false);
}

void CPTMutablePlotRange::becomeNaN() {
    // Through the double setters: a NaN decimal length equals the NaN length of an infinite range and
    // would be skipped, leaving the range infinite.
    setLocationDouble(std::numeric_limits<double>::quiet_NaN());
    setLengthDouble(std::numeric_limits<double>::quiet_NaN());
}

void CPTMutablePlotRange::unionPlotRange(const CPTPlotRange* other) {
    if (other == nullptr)
        return;
    const NSDecimal newMin = CPTDecimalMinimum(minLimitDecimal(), other->minLimitDecimal());
    const NSDecimal newMax = CPTDecimalMaximum(maxLimitDecimal(), other->maxLimitDecimal());
    const std::int64_t sign = lengthSign();
    const std::int64_t otherSign = other->lengthSign();

    if (isInfinite() && other->isInfinite()) {
        if (sign != otherSign) {
            setLocationDouble(-kInfinity);
            setLengthDouble(kInfinity);
            return;
        }
    }
    if (isInfinite()) {
        if (sign == -1)
            setLocationDecimal(newMax);
        else if (sign == 1)
            setLocationDecimal(newMin);
        return;
    }
    if (other->isInfinite()) {
        if (otherSign == -1) {
            setLocationDecimal(newMax);
            setLengthDouble(-kInfinity);
        } else if (otherSign == 1) {
            setLocationDecimal(newMin);
            setLengthDouble(kInfinity);
        }
        return;
    }
    if (newMin.isNaN() || newMax.isNaN()) {
        setLocationDecimal(CPTDecimalNotANumber());
        setLengthDecimal(CPTDecimalNotANumber());
        return;
    }
    if (CPTDecimalIsGreaterOrEqual(lengthDecimal(), Decimal{})) {
        setLocationDecimal(newMin);
        setLengthDecimal(CPTDecimalMinus(newMax, newMin));
    } else {
        setLocationDecimal(newMax);
        setLengthDecimal(CPTDecimalMinus(newMin, newMax));
    }
}

void CPTMutablePlotRange::intersectionPlotRange(const CPTPlotRange* other) {
    if (other == nullptr)
        return;
    if (!intersectsRange(other)) {
        becomeNaN();
        return;
    }
    const NSDecimal newMin = CPTDecimalMaximum(minLimitDecimal(), other->minLimitDecimal());
    const NSDecimal newMax = CPTDecimalMinimum(maxLimitDecimal(), other->maxLimitDecimal());
    const std::int64_t sign = lengthSign();
    const std::int64_t otherSign = other->lengthSign();

    if (isInfinite() && other->isInfinite()) {
        if (sign == otherSign) {
            if (sign == -1)
                setLocationDecimal(newMax);
            else if (sign == 1)
                setLocationDecimal(newMin);
            return;
        }
        // Opposite directions that overlap: the finite stretch between the two starts, run in this
        // range's direction. The whole line (a NaN location) gives way to the other range.
        if (locationDecimal().isNaN()) {
            copyValuesFrom(*other);
            return;
        }
        if (other->locationDecimal().isNaN())
            return;
        setLengthDecimal(CPTDecimalMinus(other->locationDecimal(), locationDecimal()));
        return;
    }
    if (isInfinite()) {
        if (sign == -1) {
            setLocationDecimal(newMax);
            setLengthDecimal(CPTDecimalMinus(other->minLimitDecimal(), newMax));
        } else if (sign == 1) {
            setLocationDecimal(newMin);
            setLengthDecimal(CPTDecimalMinus(other->maxLimitDecimal(), newMin));
        }
        return;
    }
    if (other->isInfinite()) {
        const NSDecimal receiverMin = minLimitDecimal();
        const NSDecimal receiverMax = maxLimitDecimal();
        if (otherSign == -1) {
            setLocationDecimal(newMax);
            setLengthDecimal(CPTDecimalMinus(receiverMin, newMax));
        } else if (otherSign == 1) {
            setLocationDecimal(newMin);
            setLengthDecimal(CPTDecimalMinus(receiverMax, newMin));
        }
        return;
    }
    if (newMin.isNaN() || newMax.isNaN()) {
        becomeNaN();
        return;
    }
    if (CPTDecimalIsGreaterOrEqual(lengthDecimal(), Decimal{})) {
        setLocationDecimal(newMin);
        setLengthDecimal(CPTDecimalMinus(newMax, newMin));
    } else {
        setLocationDecimal(newMax);
        setLengthDecimal(CPTDecimalMinus(newMin, newMax));
    }
}

void CPTMutablePlotRange::expandRangeByFactor(const Value& factor) {
    const NSDecimal f = factor.isNull() ? Decimal{} : factor.toDecimal();
    const NSDecimal oldLength = lengthDecimal();
    const NSDecimal newLength = CPTDecimalTimes(oldLength, f);
    const NSDecimal newLocation =
        CPTDecimalPlus(locationDecimal(), CPTDecimalDividedBy(CPTDecimalMinus(oldLength, newLength), two()));
    setLocationDecimal(newLocation);
    setLengthDecimal(newLength);
}

void CPTMutablePlotRange::shiftLocationToFitInRange(const CPTPlotRange* other) {
    if (other == nullptr)
        return;
    switch (other->compareToDecimal(locationDecimal())) {
    case CPTPlotRangeComparisonAbove:
        setLocationDecimal(other->maxLimitDecimal());
        break;
    case CPTPlotRangeComparisonBelow:
        setLocationDecimal(other->minLimitDecimal());
        break;
    default:
        break;
    }
}

void CPTMutablePlotRange::shiftEndToFitInRange(const CPTPlotRange* other) {
    if (other == nullptr)
        return;
    switch (other->compareToDecimal(endDecimal())) {
    case CPTPlotRangeComparisonAbove:
        setLocationDecimal(CPTDecimalMinus(other->maxLimitDecimal(), lengthDecimal()));
        break;
    case CPTPlotRangeComparisonBelow:
        setLocationDecimal(CPTDecimalMinus(other->minLimitDecimal(), lengthDecimal()));
        break;
    default:
        break;
    }
}

// ---- archiving

void CPTPlotRange::encodeWithCoder(foundation::KeyedArchiver& coder) const {
    coder.encodeDecimal(locationDecimal_, "CPTPlotRange.location");
    coder.encodeDecimal(lengthDecimal_, "CPTPlotRange.length");
    coder.encodeBool(isInfinite_, "CPTPlotRange.isInfinite");
    coder.encodeInteger(lengthSign_, "CPTPlotRange.lengthSign");
}

CPTPlotRange::CPTPlotRange(foundation::KeyedUnarchiver& coder) : CPTPlotRange() {
    setLocationDecimal(coder.decodeDecimalForKey("CPTPlotRange.location"));
    setLengthDecimal(coder.decodeDecimalForKey("CPTPlotRange.length"));
    isInfinite_ = coder.decodeBoolForKey("CPTPlotRange.isInfinite");
    lengthSign_ = coder.decodeIntegerForKey("CPTPlotRange.lengthSign");
    // The length decimal of an infinite range is NaN; its double must say which way it runs.
    if (isInfinite_ && (lengthSign_ == 1 || lengthSign_ == -1))
        lengthDouble_ = static_cast<double>(lengthSign_) * kInfinity;
}

void CPTPlotRange::encodeForKey(foundation::KeyedArchiver& coder, std::string_view key) const {
    coder.encodeObject(className(), key, [this](foundation::KeyedArchiver& c) { encodeWithCoder(c); });
}

std::shared_ptr<CPTPlotRange> CPTPlotRange::decodeForKey(foundation::KeyedUnarchiver& coder,
                                                         std::string_view key) {
    auto object = coder.decodeObjectForKey(key, {"CPTPlotRange", "CPTMutablePlotRange"});
    if (!object)
        return nullptr;
    std::shared_ptr<CPTPlotRange> range;
    if (object->className() == "CPTMutablePlotRange")
        range = std::make_shared<CPTMutablePlotRange>(*object);
    else
        range = std::make_shared<CPTPlotRange>(*object);
    return coder.failed() ? nullptr : range;
}
