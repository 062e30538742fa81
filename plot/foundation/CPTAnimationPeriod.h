// What one animation does to a value: from a start to an end value over a duration after a delay.
// The public class answers one private kind per value kind, each knowing how to read, compare and
// interpolate its values; className() names the kind ("_CPTAnimationCGFloatPeriod", ...).
#pragma once

#include "plot/foundation/CPTAnimationValue.h"

#include <memory>
#include <string>
#include <string_view>

class CPTAnimationPeriod {
  public:
    // The object kind a setter takes; none for values passed by value.
    enum class ValueClass { none, number, plotRange };

    // No start, end the number 0.0, no class, duration and delay 0.
    CPTAnimationPeriod();
    // startOffset is the shared engine's clock now. Plot ranges are copied.
    CPTAnimationPeriod(CPTAnimationValue startValue, CPTAnimationValue endValue, ValueClass valueClass,
                       double duration, double delay);
    virtual ~CPTAnimationPeriod() = default;

    // A period of this public class itself, whose three value operations raise.
    static std::shared_ptr<CPTAnimationPeriod> periodWithStartValue(CPTAnimationValue startValue,
                                                                    CPTAnimationValue endValue,
                                                                    ValueClass valueClass, double duration,
                                                                    double delay);
    // One factory per kind. A start that is no value (NaN, the null rectangle or a NaN component,
    // the decimal NaN, a null number, a range with a NaN location or length, or no range) becomes
    // none, to be read from the property when the animation first applies.
    static std::shared_ptr<CPTAnimationPeriod> periodWithStart(CGFloat start, CGFloat end, double duration,
                                                               double delay);
    static std::shared_ptr<CPTAnimationPeriod> periodWithStartPoint(CGPoint start, CGPoint end,
                                                                    double duration, double delay);
    static std::shared_ptr<CPTAnimationPeriod> periodWithStartSize(CGSize start, CGSize end, double duration,
                                                                   double delay);
    static std::shared_ptr<CPTAnimationPeriod> periodWithStartRect(CGRect start, CGRect end, double duration,
                                                                   double delay);
    static std::shared_ptr<CPTAnimationPeriod> periodWithStartDecimal(NSDecimal start, NSDecimal end,
                                                                      double duration, double delay);
    static std::shared_ptr<CPTAnimationPeriod> periodWithStartNumber(const foundation::Value& start,
                                                                     const foundation::Value& end,
                                                                     double duration, double delay);
    static std::shared_ptr<CPTAnimationPeriod>
    periodWithStartPlotRange(const std::shared_ptr<CPTPlotRange>& start, const std::shared_ptr<CPTPlotRange>& end,
                             double duration, double delay);

    const CPTAnimationValue& startValue() const { return startValue_; }
    void setStartValue(CPTAnimationValue value);
    const CPTAnimationValue& endValue() const { return endValue_; }
    void setEndValue(CPTAnimationValue value);
    ValueClass valueClass() const { return valueClass_; }
    double duration() const { return duration_; }
    void setDuration(double value) { duration_ = value; }
    // NaN: start once the property's value lies between start and end; the engine then stores the
    // wait here.
    double delay() const { return delay_; }
    void setDelay(double value) { delay_ = value; }
    double startOffset() const { return startOffset_; }
    void setStartOffset(double value) { startOffset_ = value; }

    // Stores the property's current value as the start. Raises for a property the object does not
    // offer or one of another kind.
    virtual void setStartValueFromObject(CPTAnimatable& object, std::string_view property);
    virtual CPTAnimationValue tweenedValueForProgress(double progress) const;
    // Whether the property's current value lies between start and end, ends included (reads the
    // start first when there is none).
    virtual bool canStartWithValueFromObject(CPTAnimatable& object, std::string_view property);

    // Whether the start is present and equal to the end.
    bool startEqualsEnd() const;

    virtual const char* className() const { return "CPTAnimationPeriod"; }
    // "<CPTAnimationPeriod: 0x...> from: ...; to: ...; duration: 1, delay: 0>"
    std::string description() const;

  protected:
    // The property's value, checked to be of this period's kind.
    CPTAnimationValue currentValue(CPTAnimatable& object, std::string_view property) const;

  private:
    CPTAnimationValue startValue_;
    CPTAnimationValue endValue_;
    ValueClass valueClass_ = ValueClass::none;
    double duration_ = 0;
    double delay_ = 0;
    double startOffset_ = 0;
};
