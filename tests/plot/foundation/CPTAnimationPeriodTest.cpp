// Animation periods: which starts count as none, reading and comparing the property, tweening in
// doubles and in decimals, the abstract operations of the public class, and the descriptions.
#include "plot/foundation/CPTAnimationPeriod.h"

#include "AnimatedObject.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using foundation::Decimal;
using foundation::Value;

namespace {
const double kNaN = std::numeric_limits<double>::quiet_NaN();

bool hasStart(const std::shared_ptr<CPTAnimationPeriod>& period) {
    return !std::holds_alternative<std::monostate>(period->startValue());
}

std::shared_ptr<CPTPlotRange> range(double location, double length) {
    return CPTPlotRange::plotRangeWithLocation(location, length);
}
} // namespace

TEST(CPTAnimationPeriod, StartsThatAreNoValueBecomeNone) {
    struct Case {
        const char* name;
        std::shared_ptr<CPTAnimationPeriod> period;
        bool startKept;
    };
    const Case cases[] = {
        {"NaN", CPTAnimationPeriod::periodWithStart(kNaN, 10, 1, 0), false},
        {"number", CPTAnimationPeriod::periodWithStart(0, 10, 1, 0), true},
        {"point with NaN y", CPTAnimationPeriod::periodWithStartPoint({1, kNaN}, {2, 2}, 1, 0), false},
        {"point", CPTAnimationPeriod::periodWithStartPoint({1, 1}, {2, 2}, 1, 0), true},
        {"size with NaN width", CPTAnimationPeriod::periodWithStartSize({kNaN, 1}, {2, 2}, 1, 0), false},
        {"null rectangle", CPTAnimationPeriod::periodWithStartRect(CGRect::null(), CGRect(0, 0, 1, 1), 1, 0), false},
        {"rectangle with NaN width", CPTAnimationPeriod::periodWithStartRect(CGRect(0, 0, kNaN, 1), CGRect(0, 0, 1, 1), 1, 0), false},
        {"rectangle", CPTAnimationPeriod::periodWithStartRect(CGRect(0, 0, 2, 1), CGRect(0, 0, 1, 1), 1, 0), true},
        {"decimal NaN", CPTAnimationPeriod::periodWithStartDecimal(Decimal::notANumber(), Decimal::fromInt64(1), 1, 0), false},
        {"decimal", CPTAnimationPeriod::periodWithStartDecimal(Decimal::fromInt64(0), Decimal::fromInt64(1), 1, 0), true},
        {"null number", CPTAnimationPeriod::periodWithStartNumber(Value(), 1.0, 1, 0), false},
        {"number object", CPTAnimationPeriod::periodWithStartNumber(2.0, 1.0, 1, 0), true},
        {"range with NaN location", CPTAnimationPeriod::periodWithStartPlotRange(range(kNaN, 1), range(0, 1), 1, 0), false},
        {"range with NaN length", CPTAnimationPeriod::periodWithStartPlotRange(range(0, kNaN), range(0, 1), 1, 0), false},
        {"no range", CPTAnimationPeriod::periodWithStartPlotRange(nullptr, range(0, 1), 1, 0), false},
        {"range", CPTAnimationPeriod::periodWithStartPlotRange(range(0, 2), range(0, 1), 1, 0), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(hasStart(c.period), c.startKept);
        EXPECT_FALSE(std::holds_alternative<std::monostate>(c.period->endValue()));
    }
}

TEST(CPTAnimationPeriod, KindsAndValueClasses) {
    using VC = CPTAnimationPeriod::ValueClass;
    struct Case {
        std::shared_ptr<CPTAnimationPeriod> period;
        const char* className;
        VC valueClass;
    };
    const Case cases[] = {
        {CPTAnimationPeriod::periodWithStart(0, 1, 1, 0), "_CPTAnimationCGFloatPeriod", VC::none},
        {CPTAnimationPeriod::periodWithStartPoint({}, {1, 1}, 1, 0), "_CPTAnimationCGPointPeriod", VC::none},
        {CPTAnimationPeriod::periodWithStartSize({}, {1, 1}, 1, 0), "_CPTAnimationCGSizePeriod", VC::none},
        {CPTAnimationPeriod::periodWithStartRect({}, CGRect(0, 0, 1, 1), 1, 0), "_CPTAnimationCGRectPeriod", VC::none},
        {CPTAnimationPeriod::periodWithStartDecimal({}, Decimal::fromInt64(1), 1, 0), "_CPTAnimationNSDecimalPeriod", VC::none},
        {CPTAnimationPeriod::periodWithStartNumber(0.0, 1.0, 1, 0), "_CPTAnimationNSNumberPeriod", VC::number},
        {CPTAnimationPeriod::periodWithStartPlotRange(range(0, 1), range(1, 1), 1, 0), "_CPTAnimationPlotRangePeriod", VC::plotRange},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.className);
        EXPECT_STREQ(c.period->className(), c.className);
        EXPECT_EQ(c.period->valueClass(), c.valueClass);
    }
}

TEST(CPTAnimationPeriod, CanStartOnlyBetweenStartAndEndWhicheverWayItRuns) {
    struct Case {
        double start, end, current;
        bool canStart;
    };
    const Case cases[] = {
        {0, 10, 0, true},   {0, 10, 10, true},  {0, 10, 10.5, false}, {0, 10, -0.5, false},
        {10, 0, 0, true},   {10, 0, 10, true},  {10, 0, 10.5, false}, {10, 0, 5, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << ".." << c.end << " at " << c.current);
        AnimatedObject object;
        object.number = c.current;
        object.point = {c.current, 5};
        object.decimal = Decimal::fromDouble(c.current);
        object.boxed = c.current;
        object.range = range(c.current, 99);
        EXPECT_EQ(CPTAnimationPeriod::periodWithStart(c.start, c.end, 1, 0)->canStartWithValueFromObject(object, "number"),
                  c.canStart);
        EXPECT_EQ(CPTAnimationPeriod::periodWithStartPoint({c.start, 0}, {c.end, 10}, 1, 0)
                      ->canStartWithValueFromObject(object, "point"),
                  c.canStart);
        EXPECT_EQ(CPTAnimationPeriod::periodWithStartDecimal(Decimal::fromDouble(c.start), Decimal::fromDouble(c.end), 1, 0)
                      ->canStartWithValueFromObject(object, "decimal"),
                  c.canStart);
        EXPECT_EQ(CPTAnimationPeriod::periodWithStartNumber(c.start, c.end, 1, 0)->canStartWithValueFromObject(object, "boxed"),
                  c.canStart);
        // Ranges compare their locations only.
        EXPECT_EQ(CPTAnimationPeriod::periodWithStartPlotRange(range(c.start, 1), range(c.end, 2), 1, 0)
                      ->canStartWithValueFromObject(object, "range"),
                  c.canStart);
    }
}

TEST(CPTAnimationPeriod, CanStartReadsAMissingStartFirst) {
    AnimatedObject object;
    object.number = 3;
    auto period = CPTAnimationPeriod::periodWithStart(kNaN, 10, 1, 0);
    EXPECT_TRUE(period->canStartWithValueFromObject(object, "number"));
    EXPECT_EQ(std::get<CGFloat>(period->startValue()), 3.0);
}

TEST(CPTAnimationPeriod, ReadingAPropertyOfAnotherKindOrNameRaises) {
    AnimatedObject object;
    auto period = CPTAnimationPeriod::periodWithStart(kNaN, 10, 1, 0);
    EXPECT_THROW(period->setStartValueFromObject(object, "point"), CPTException);
    EXPECT_THROW(period->setStartValueFromObject(object, "missing"), CPTException);
    period->setStartValueFromObject(object, "number");
    EXPECT_EQ(std::get<CGFloat>(period->startValue()), 0.0);
}

TEST(CPTAnimationPeriod, TweensExtrapolateOutsideZeroToOne) {
    struct Case {
        double progress, value;
    };
    const Case cases[] = {{0, 2}, {0.25, 4}, {1, 10}, {-0.5, -2}, {1.5, 14}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.progress);
        EXPECT_DOUBLE_EQ(std::get<CGFloat>(CPTAnimationPeriod::periodWithStart(2, 10, 1, 0)->tweenedValueForProgress(c.progress)),
                         c.value);
        const CGRect r = std::get<CGRect>(CPTAnimationPeriod::periodWithStartRect(CGRect(2, 2, 2, 2), CGRect(10, 10, 10, 10), 1, 0)
                                              ->tweenedValueForProgress(c.progress));
        EXPECT_EQ(r, CGRect(c.value, c.value, c.value, c.value));
        const Decimal d = std::get<Decimal>(
            CPTAnimationPeriod::periodWithStartDecimal(Decimal::fromInt64(2), Decimal::fromInt64(10), 1, 0)
                ->tweenedValueForProgress(c.progress));
        EXPECT_TRUE(CPTDecimalIsEqual(d, Decimal::fromDouble(c.value))) << d.toString();
        const auto rng = std::get<std::shared_ptr<CPTPlotRange>>(
            CPTAnimationPeriod::periodWithStartPlotRange(range(2, 2), range(10, 10), 1, 0)->tweenedValueForProgress(c.progress));
        EXPECT_EQ(rng->locationDouble(), c.value);
        EXPECT_EQ(rng->lengthDouble(), c.value);
    }
}

TEST(CPTAnimationPeriod, DecimalTweenTakesTheProgressAtItsShortestDigits) {
    // 0 + 0.3333333333333333 * 3: sixteen threes and a 9, exact in decimals.
    const Decimal d = std::get<Decimal>(CPTAnimationPeriod::periodWithStartDecimal(Decimal::fromInt64(0), Decimal::fromInt64(3), 1, 0)
                                            ->tweenedValueForProgress(1.0 / 3.0));
    EXPECT_EQ(d.toString(), "0.9999999999999999");
    const auto r = std::get<std::shared_ptr<CPTPlotRange>>(
        CPTAnimationPeriod::periodWithStartPlotRange(range(0, 0), range(3, 30), 1, 0)->tweenedValueForProgress(1.0 / 3.0));
    EXPECT_EQ(r->locationDecimal().toString(), "0.9999999999999999");
    EXPECT_EQ(r->lengthDecimal().toString(), "9.999999999999999");
}

TEST(CPTAnimationPeriod, NumberPeriodsTweenInDecimalsWhenAnEndIsADecimal) {
    const Value inDoubles = std::get<Value>(CPTAnimationPeriod::periodWithStartNumber(0.0, 3.0, 1, 0)->tweenedValueForProgress(1.0 / 3.0));
    EXPECT_EQ(inDoubles.kind(), Value::Kind::Double);
    EXPECT_EQ(inDoubles.toDouble(), 1.0);
    const Value inDecimals = std::get<Value>(
        CPTAnimationPeriod::periodWithStartNumber(0.0, Decimal::fromInt64(3), 1, 0)->tweenedValueForProgress(1.0 / 3.0));
    ASSERT_EQ(inDecimals.kind(), Value::Kind::Decimal);
    EXPECT_EQ(inDecimals.toDecimal().toString(), "0.9999999999999999");
}

TEST(CPTAnimationPeriod, MissingDecimalValuesReadAsZero) {
    auto period = CPTAnimationPeriod::periodWithStartDecimal(Decimal::notANumber(), Decimal::fromInt64(4), 1, 0);
    EXPECT_EQ(std::get<Decimal>(period->tweenedValueForProgress(0.5)).toString(), "2");
}

TEST(CPTAnimationPeriod, ThePublicClassLeavesItsValueOperationsToItsKinds) {
    AnimatedObject object;
    auto period = CPTAnimationPeriod::periodWithStartValue(0.0, 1.0, CPTAnimationPeriod::ValueClass::none, 1, 0);
    struct Case {
        const char* text;
        std::function<void()> call;
    };
    const Case cases[] = {
        {"The -initializeStartValue method must be implemented by CPTAnimationPeriod subclasses.",
         [&] { period->setStartValueFromObject(object, "number"); }},
        {"The -tweenedValueForProgress: method must be implemented by CPTAnimationPeriod subclasses.",
         [&] { period->tweenedValueForProgress(0.5); }},
        {"The -canStartWithValueFromObject:propertyGetter: method must be implemented by CPTAnimationPeriod "
         "subclasses.",
         [&] { period->canStartWithValueFromObject(object, "number"); }},
    };
    for (const auto& c : cases) {
        try {
            c.call();
            ADD_FAILURE() << "no exception for " << c.text;
        } catch (const CPTException& e) {
            EXPECT_EQ(e.name(), NSGenericException);
            EXPECT_EQ(e.reason(), c.text);
        }
    }
}

TEST(CPTAnimationPeriod, Description) {
    auto period = CPTAnimationPeriod::periodWithStart(kNaN, 2.5, 1.5, 0.25);
    const std::string text = period->description();
    EXPECT_EQ(text.rfind("<<_CPTAnimationCGFloatPeriod: 0x", 0), 0u) << text;
    EXPECT_NE(text.find("> from: (null); to: 2.5; duration: 1.5, delay: 0.25>"), std::string::npos) << text;
    const std::string plain = CPTAnimationPeriod().description();
    EXPECT_NE(plain.find("> from: (null); to: 0; duration: 0, delay: 0>"), std::string::npos) << plain;
}

TEST(CPTAnimationPeriod, PlotRangesAreCopiedIn) {
    auto start = CPTMutablePlotRange::plotRangeWithLocation(0.0, 1.0);
    auto period = CPTAnimationPeriod::periodWithStartPlotRange(start, range(5, 1), 1, 0);
    start->setLocation(3.0);
    EXPECT_EQ(std::get<std::shared_ptr<CPTPlotRange>>(period->startValue())->locationDouble(), 0.0);
}
