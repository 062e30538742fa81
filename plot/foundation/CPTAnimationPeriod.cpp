// The public period class and its seven private kinds, one per value kind.
#include "plot/foundation/CPTAnimationPeriod.h"

#include "plot/foundation/CPTAnimation.h"

#include <cmath>

using foundation::Value;

namespace {

NSDecimal zeroDecimal() { return CPTDecimalFromInteger(0); }

// start + p * (end - start) in one rounding.
double tween(double start, double end, double progress) { return std::fma(progress, end - start, start); }

// The same in decimals, the factor made from the progress's shortest digits.
NSDecimal tweenDecimal(NSDecimal start, NSDecimal end, double progress) {
    return CPTDecimalPlus(start, CPTDecimalTimes(CPTDecimalFromCGFloat(progress), CPTDecimalMinus(end, start)));
}

bool between(double value, double start, double end) {
    return (value >= start && value <= end) || (value >= end && value <= start);
}

bool betweenDecimals(NSDecimal value, NSDecimal start, NSDecimal end) {
    return (CPTDecimalIsGreaterOrEqual(value, start) && CPTDecimalIsLessOrEqual(value, end)) ||
           (CPTDecimalIsGreaterOrEqual(value, end) && CPTDecimalIsLessOrEqual(value, start));
}

template <class T> T valueOr(const CPTAnimationValue& value, T fallback) {
    const T* typed = std::get_if<T>(&value);
    return typed ? *typed : fallback;
}

template <class Derived> class KindPeriod : public CPTAnimationPeriod {
  public:
    using CPTAnimationPeriod::CPTAnimationPeriod;
    void setStartValueFromObject(CPTAnimatable& object, std::string_view property) override {
        setStartValue(currentValue(object, property));
    }
    bool canStartWithValueFromObject(CPTAnimatable& object, std::string_view property) override {
        if (std::holds_alternative<std::monostate>(startValue()))
            setStartValueFromObject(object, property);
        return static_cast<const Derived*>(this)->lies(currentValue(object, property));
    }
};

class CGFloatPeriod : public KindPeriod<CGFloatPeriod> {
  public:
    using KindPeriod::KindPeriod;
    const char* className() const override { return "_CPTAnimationCGFloatPeriod"; }
    CPTAnimationValue tweenedValueForProgress(double p) const override {
        return tween(valueOr<CGFloat>(startValue(), 0), valueOr<CGFloat>(endValue(), 0), p);
    }
    bool lies(const CPTAnimationValue& current) const {
        return between(valueOr<CGFloat>(current, 0), valueOr<CGFloat>(startValue(), 0),
                       valueOr<CGFloat>(endValue(), 0));
    }
};

class CGPointPeriod : public KindPeriod<CGPointPeriod> {
  public:
    using KindPeriod::KindPeriod;
    const char* className() const override { return "_CPTAnimationCGPointPeriod"; }
    CPTAnimationValue tweenedValueForProgress(double p) const override {
        const CGPoint s = valueOr<CGPoint>(startValue(), {}), e = valueOr<CGPoint>(endValue(), {});
        return CGPoint{tween(s.x, e.x, p), tween(s.y, e.y, p)};
    }
    bool lies(const CPTAnimationValue& current) const {
        const CGPoint c = valueOr<CGPoint>(current, {});
        const CGPoint s = valueOr<CGPoint>(startValue(), {}), e = valueOr<CGPoint>(endValue(), {});
        return between(c.x, s.x, e.x) && between(c.y, s.y, e.y);
    }
};

class CGSizePeriod : public KindPeriod<CGSizePeriod> {
  public:
    using KindPeriod::KindPeriod;
    const char* className() const override { return "_CPTAnimationCGSizePeriod"; }
    CPTAnimationValue tweenedValueForProgress(double p) const override {
        const CGSize s = valueOr<CGSize>(startValue(), {}), e = valueOr<CGSize>(endValue(), {});
        return CGSize{tween(s.width, e.width, p), tween(s.height, e.height, p)};
    }
    bool lies(const CPTAnimationValue& current) const {
        const CGSize c = valueOr<CGSize>(current, {});
        const CGSize s = valueOr<CGSize>(startValue(), {}), e = valueOr<CGSize>(endValue(), {});
        return between(c.width, s.width, e.width) && between(c.height, s.height, e.height);
    }
};

class CGRectPeriod : public KindPeriod<CGRectPeriod> {
  public:
    using KindPeriod::KindPeriod;
    const char* className() const override { return "_CPTAnimationCGRectPeriod"; }
    CPTAnimationValue tweenedValueForProgress(double p) const override {
        const CGRect s = valueOr<CGRect>(startValue(), {}), e = valueOr<CGRect>(endValue(), {});
        return CGRect(tween(s.origin.x, e.origin.x, p), tween(s.origin.y, e.origin.y, p),
                      tween(s.size.width, e.size.width, p), tween(s.size.height, e.size.height, p));
    }
    bool lies(const CPTAnimationValue& current) const {
        const CGRect c = valueOr<CGRect>(current, {});
        const CGRect s = valueOr<CGRect>(startValue(), {}), e = valueOr<CGRect>(endValue(), {});
        return between(c.origin.x, s.origin.x, e.origin.x) && between(c.origin.y, s.origin.y, e.origin.y) &&
               between(c.size.width, s.size.width, e.size.width) &&
               between(c.size.height, s.size.height, e.size.height);
    }
};

class DecimalPeriod : public KindPeriod<DecimalPeriod> {
  public:
    using KindPeriod::KindPeriod;
    const char* className() const override { return "_CPTAnimationNSDecimalPeriod"; }
    CPTAnimationValue tweenedValueForProgress(double p) const override {
        return tweenDecimal(valueOr<NSDecimal>(startValue(), zeroDecimal()),
                            valueOr<NSDecimal>(endValue(), zeroDecimal()), p);
    }
    bool lies(const CPTAnimationValue& current) const {
        return betweenDecimals(valueOr<NSDecimal>(current, zeroDecimal()),
                               valueOr<NSDecimal>(startValue(), zeroDecimal()),
                               valueOr<NSDecimal>(endValue(), zeroDecimal()));
    }
};

class NumberPeriod : public KindPeriod<NumberPeriod> {
  public:
    using KindPeriod::KindPeriod;
    const char* className() const override { return "_CPTAnimationNSNumberPeriod"; }
    CPTAnimationValue tweenedValueForProgress(double p) const override {
        const Value s = number(startValue()), e = number(endValue());
        if (!inDecimals())
            return Value(tween(s.toDouble(), e.toDouble(), p));
        return Value(tweenDecimal(decimal(s), decimal(e), p));
    }
    bool lies(const CPTAnimationValue& current) const {
        const Value c = number(current), s = number(startValue()), e = number(endValue());
        if (!inDecimals())
            return between(c.toDouble(), s.toDouble(), e.toDouble());
        return betweenDecimals(decimal(c), decimal(s), decimal(e));
    }

  private:
    static Value number(const CPTAnimationValue& value) { return valueOr<Value>(value, Value()); }
    static NSDecimal decimal(const Value& number) {
        return number.isNull() ? zeroDecimal() : number.toDecimal();
    }
    bool inDecimals() const {
        return number(startValue()).kind() == Value::Kind::Decimal ||
               number(endValue()).kind() == Value::Kind::Decimal;
    }
};

class PlotRangePeriod : public KindPeriod<PlotRangePeriod> {
  public:
    using KindPeriod::KindPeriod;
    const char* className() const override { return "_CPTAnimationPlotRangePeriod"; }
    CPTAnimationValue tweenedValueForProgress(double p) const override {
        const auto s = range(startValue()), e = range(endValue());
        return CPTPlotRange::plotRangeWithLocationDecimal(
            tweenDecimal(s.locationDecimal(), e.locationDecimal(), p),
            tweenDecimal(s.lengthDecimal(), e.lengthDecimal(), p));
    }
    bool lies(const CPTAnimationValue& current) const {
        return betweenDecimals(range(current).locationDecimal(), range(startValue()).locationDecimal(),
                               range(endValue()).locationDecimal());
    }

  private:
    // A missing range reads as location 0, length 0.
    static CPTPlotRange range(const CPTAnimationValue& value) {
        const auto r = valueOr<std::shared_ptr<CPTPlotRange>>(value, nullptr);
        return r ? *r : CPTPlotRange();
    }
};

bool isNaNPoint(CGPoint p) { return std::isnan(p.x) || std::isnan(p.y); }

bool isNaNRect(const CGRect& r) {
    return r == CGRect::null() || std::isnan(r.origin.x) || std::isnan(r.origin.y) ||
           std::isnan(r.size.width) || std::isnan(r.size.height);
}

bool isNaNRange(const std::shared_ptr<CPTPlotRange>& r) {
    return !r || std::isnan(r->locationDouble()) || std::isnan(r->lengthDouble());
}

template <class Kind>
std::shared_ptr<CPTAnimationPeriod> make(bool startIsNone, CPTAnimationValue start, CPTAnimationValue end,
                                         CPTAnimationPeriod::ValueClass valueClass, double duration,
                                         double delay) {
    if (startIsNone)
        start = std::monostate();
    return std::make_shared<Kind>(std::move(start), std::move(end), valueClass, duration, delay);
}

// Ranges are held as immutable copies, so a caller changing its range later changes no animation.
CPTAnimationValue copied(CPTAnimationValue value) {
    if (auto* range = std::get_if<std::shared_ptr<CPTPlotRange>>(&value); range && *range)
        *range = (*range)->copy();
    return value;
}

bool equalValues(const CPTAnimationValue& a, const CPTAnimationValue& b) {
    if (a.index() != b.index())
        return false;
    return std::visit(
        [&b](const auto& x) -> bool {
            using T = std::decay_t<decltype(x)>;
            const T& y = std::get<T>(b);
            if constexpr (std::is_same_v<T, std::monostate>)
                return false;
            else if constexpr (std::is_same_v<T, NSDecimal>)
                return CPTDecimalIsEqual(x, y);
            else if constexpr (std::is_same_v<T, std::shared_ptr<CPTPlotRange>>)
                return x && y && x->isEqual(y.get());
            else
                return x == y;
        },
        a);
}

} // namespace

std::string CPTAnimationValueDescription(const CPTAnimationValue& value) {
    return std::visit(
        [](const auto& x) -> std::string {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                return "(null)";
            else if constexpr (std::is_same_v<T, CGFloat>)
                return CPTFormatGeneral(x);
            else if constexpr (std::is_same_v<T, CGPoint>)
                return CPTStringFromPoint(x);
            else if constexpr (std::is_same_v<T, CGSize>)
                return CPTStringFromPoint(CGPoint{x.width, x.height});
            else if constexpr (std::is_same_v<T, CGRect>)
                return CPTStringFromRect(x);
            else if constexpr (std::is_same_v<T, NSDecimal>)
                return x.toString();
            else if constexpr (std::is_same_v<T, Value>) {
                if (x.isNull())
                    return "(null)";
                return x.kind() == Value::Kind::Decimal ? x.toDecimal().toString() : CPTFormatGeneral(x.toDouble());
            } else
                return x ? x->description() : "(null)";
        },
        value);
}

CPTAnimationProperty CPTRequireAnimationProperty(CPTAnimatable& object, std::string_view name) {
    auto property = object.animationPropertyNamed(name);
    if (!property)
        throw CPTException(NSInvalidArgumentException, "No animatable property named " + std::string(name) + ".");
    return std::move(*property);
}

CPTAnimationPeriod::CPTAnimationPeriod() : CPTAnimationPeriod(std::monostate(), 0.0, ValueClass::none, 0, 0) {}

CPTAnimationPeriod::CPTAnimationPeriod(CPTAnimationValue startValue, CPTAnimationValue endValue,
                                       ValueClass valueClass, double duration, double delay)
    : startValue_(copied(std::move(startValue))), endValue_(copied(std::move(endValue))),
      valueClass_(valueClass), duration_(duration), delay_(delay),
      startOffset_(CPTAnimation::sharedInstance().timeOffset()) {}

std::shared_ptr<CPTAnimationPeriod> CPTAnimationPeriod::periodWithStartValue(CPTAnimationValue startValue,
                                                                             CPTAnimationValue endValue,
                                                                             ValueClass valueClass,
                                                                             double duration, double delay) {
    return std::make_shared<CPTAnimationPeriod>(std::move(startValue), std::move(endValue), valueClass,
                                                duration, delay);
}

std::shared_ptr<CPTAnimationPeriod> CPTAnimationPeriod::periodWithStart(CGFloat start, CGFloat end,
                                                                        double duration, double delay) {
    return make<CGFloatPeriod>(std::isnan(start), start, end, ValueClass::none, duration, delay);
}

std::shared_ptr<CPTAnimationPeriod> CPTAnimationPeriod::periodWithStartPoint(CGPoint start, CGPoint end,
                                                                             double duration, double delay) {
    return make<CGPointPeriod>(isNaNPoint(start), start, end, ValueClass::none, duration, delay);
}

std::shared_ptr<CPTAnimationPeriod> CPTAnimationPeriod::periodWithStartSize(CGSize start, CGSize end,
                                                                            double duration, double delay) {
    return make<CGSizePeriod>(isNaNPoint(CGPoint{start.width, start.height}), start, end, ValueClass::none,
                              duration, delay);
}

std::shared_ptr<CPTAnimationPeriod> CPTAnimationPeriod::periodWithStartRect(CGRect start, CGRect end,
                                                                            double duration, double delay) {
    return make<CGRectPeriod>(isNaNRect(start), start, end, ValueClass::none, duration, delay);
}

std::shared_ptr<CPTAnimationPeriod> CPTAnimationPeriod::periodWithStartDecimal(NSDecimal start, NSDecimal end,
                                                                               double duration, double delay) {
    return make<DecimalPeriod>(start.isNaN(), start, end, ValueClass::none, duration, delay);
}

std::shared_ptr<CPTAnimationPeriod> CPTAnimationPeriod::periodWithStartNumber(const Value& start,
                                                                              const Value& end, double duration,
                                                                              double delay) {
    return make<NumberPeriod>(start.isNull(), start, end, ValueClass::number, duration, delay);
}

std::shared_ptr<CPTAnimationPeriod>
CPTAnimationPeriod::periodWithStartPlotRange(const std::shared_ptr<CPTPlotRange>& start,
                                             const std::shared_ptr<CPTPlotRange>& end, double duration,
                                             double delay) {
    return make<PlotRangePeriod>(isNaNRange(start), start, end, ValueClass::plotRange, duration, delay);
}

void CPTAnimationPeriod::setStartValue(CPTAnimationValue value) { startValue_ = copied(std::move(value)); }

void CPTAnimationPeriod::setEndValue(CPTAnimationValue value) { endValue_ = copied(std::move(value)); }

void CPTAnimationPeriod::setStartValueFromObject(CPTAnimatable&, std::string_view) {
    throw CPTException(NSGenericException,
                       "The -initializeStartValue method must be implemented by CPTAnimationPeriod subclasses.");
}

CPTAnimationValue CPTAnimationPeriod::tweenedValueForProgress(double) const {
    throw CPTException(NSGenericException,
                       "The -tweenedValueForProgress: method must be implemented by CPTAnimationPeriod subclasses.");
}

bool CPTAnimationPeriod::canStartWithValueFromObject(CPTAnimatable&, std::string_view) {
    throw CPTException(NSGenericException, "The -canStartWithValueFromObject:propertyGetter: method must be "
                                           "implemented by CPTAnimationPeriod subclasses.");
}

bool CPTAnimationPeriod::startEqualsEnd() const { return equalValues(startValue_, endValue_); }

CPTAnimationValue CPTAnimationPeriod::currentValue(CPTAnimatable& object, std::string_view property) const {
    CPTAnimationValue value = CPTRequireAnimationProperty(object, property).get();
    if (value.index() != endValue_.index())
        throw CPTException(NSInvalidArgumentException,
                           "The property " + std::string(property) + " is not of the animated value's kind.");
    return value;
}

std::string CPTAnimationPeriod::description() const {
    return "<" + CPTObjectDescription(className(), this) + " from: " + CPTAnimationValueDescription(startValue_) +
           "; to: " + CPTAnimationValueDescription(endValue_) + "; duration: " + CPTFormatGeneral(duration_) +
           ", delay: " + CPTFormatGeneral(delay_) + ">";
}
