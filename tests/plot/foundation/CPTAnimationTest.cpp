// The animation engine driven tick by tick: when values apply, what replaces and cancels an
// operation, the delegate's calls, the timer's life, and the descriptions.
#include "plot/foundation/CPTAnimation.h"

#include "AnimatedObject.h"

#include "platform/foundation/Dispatch.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using foundation::Value;

namespace {
const double kNaN = std::numeric_limits<double>::quiet_NaN();

struct RecordingDelegate : CPTAnimationDelegate {
    std::vector<std::string> events;
    void animationDidStart(CPTAnimationOperation&) override { events.push_back("start"); }
    void animationWillUpdate(CPTAnimationOperation&) override { events.push_back("will"); }
    void animationDidUpdate(CPTAnimationOperation&) override { events.push_back("did"); }
    void animationDidFinish(CPTAnimationOperation&) override { events.push_back("finish"); }
    void animationCancelled(CPTAnimationOperation&) override { events.push_back("cancel"); }
};

class CPTAnimationEngine : public testing::Test {
  protected:
    CPTAnimation& engine = CPTAnimation::sharedInstance();
    std::shared_ptr<AnimatedObject> object = std::make_shared<AnimatedObject>();

    void TearDown() override {
        engine.removeAllAnimationOperations();
        engine.update();
        engine.setDefaultAnimationCurve(CPTAnimationCurveLinear);
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i)
            engine.update();
    }
    std::vector<double> numbersSet() const {
        std::vector<double> values;
        for (const auto& v : object->sets)
            values.push_back(std::get<CGFloat>(v));
        return values;
    }
};
} // namespace

TEST_F(CPTAnimationEngine, FirstTickAppliesOneSixtiethAndTheFinishingTickTheEnd) {
    auto delegate = std::make_shared<RecordingDelegate>();
    auto op = CPTAnimation::animate(object, "number", 0.0, 60.0, 0.5, CPTAnimationCurveLinear, delegate);
    engine.update();
    ASSERT_EQ(object->sets.size(), 1u);
    EXPECT_NEAR(object->number, 2.0, 1e-9); // 1/60 s of 0.5 s from 0 to 60
    EXPECT_EQ(delegate->events, (std::vector<std::string>{"start", "will", "did"}));
    for (int i = 0; i < 40 && !engine.animationOperations().empty(); ++i)
        engine.update();
    EXPECT_TRUE(engine.animationOperations().empty());
    EXPECT_EQ(object->number, 60.0);
    EXPECT_EQ(delegate->events.back(), "finish");
    EXPECT_NEAR(static_cast<double>(object->sets.size()), 30.0, 1.0);
    EXPECT_EQ(std::count(delegate->events.begin(), delegate->events.end(), "start"), 1);
}

TEST_F(CPTAnimationEngine, EqualStartAndEndQueueOnlyWithADelegate) {
    auto alone = CPTAnimation::animate(object, "number", 5.0, 5.0, 0.1);
    EXPECT_TRUE(engine.animationOperations().empty());
    ASSERT_NE(alone, nullptr);

    auto delegate = std::make_shared<RecordingDelegate>();
    CPTAnimation::animate(object, "number", 5.0, 5.0, 0.1, CPTAnimationCurveDefault, delegate);
    EXPECT_EQ(engine.animationOperations().size(), 1u);
    ticks(10);
    EXPECT_EQ(delegate->events.front(), "start");
    EXPECT_EQ(delegate->events.back(), "finish");
    EXPECT_TRUE(engine.animationOperations().empty());

    // A missing start counts as different from the end.
    CPTAnimation::animate(object, "number", kNaN, 5.0, 0.1);
    EXPECT_EQ(engine.animationOperations().size(), 1u);
}

TEST_F(CPTAnimationEngine, ANewAnimationOfThePropertyReplacesTheOlderOne) {
    auto first = std::make_shared<RecordingDelegate>();
    auto second = std::make_shared<RecordingDelegate>();
    CPTAnimation::animate(object, "number", 0.0, 10.0, 1.0, CPTAnimationCurveLinear, first);
    ticks(2);
    CPTAnimation::animate(object, "number", 100.0, 200.0, 0.1, CPTAnimationCurveLinear, second);
    ticks(1);
    EXPECT_GE(object->number, 100.0);
    ticks(10);
    EXPECT_EQ(first->events.back(), "cancel");
    EXPECT_EQ(std::count(first->events.begin(), first->events.end(), "finish"), 0);
    EXPECT_EQ(second->events.back(), "finish");
    EXPECT_EQ(object->number, 200.0);
}

TEST_F(CPTAnimationEngine, CurvesChooseTheTimingFunction) {
    struct Case {
        std::int64_t curve;
        CPTTimingFunction expected;
    };
    const Case cases[] = {{0, CPTTimingLinear}, {1, CPTTimingLinear}, {24, CPTTimingQuadraticOut},
                          {31, CPTTimingQuinticInOut}, {32, nullptr}, {-1, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.curve);
        EXPECT_EQ(engine.timingFunctionForAnimationCurve(static_cast<CPTAnimationCurve>(c.curve)), c.expected);
    }
    engine.setDefaultAnimationCurve(CPTAnimationCurveQuadraticIn);
    EXPECT_EQ(engine.timingFunctionForAnimationCurve(CPTAnimationCurveDefault), &CPTTimingQuadraticIn);
}

TEST_F(CPTAnimationEngine, DefaultCurveAnimatesLinearlyAndAnUnknownCurveNever) {
    CPTAnimation::animate(object, "number", 0.0, 60.0, 1.0);
    ticks(30);
    EXPECT_NEAR(object->number, 30.0, 1e-6);
    engine.removeAllAnimationOperations();
    engine.update();

    object->sets.clear();
    CPTAnimation::animate(object, "number", 0.0, 60.0, 0.1, static_cast<CPTAnimationCurve>(32), nullptr);
    ticks(20);
    EXPECT_TRUE(object->sets.empty());
    EXPECT_EQ(engine.animationOperations().size(), 1u);
}

TEST_F(CPTAnimationEngine, ANaNDelayWaitsUntilThePropertyLiesBetweenStartAndEnd) {
    object->number = -5;
    auto op = CPTAnimation::animate(object, "number", 0.0, 10.0, 0.5, kNaN, CPTAnimationCurveLinear, nullptr);
    ticks(5);
    EXPECT_TRUE(object->sets.empty());
    object->number = 4;
    ticks(1);
    ASSERT_EQ(object->sets.size(), 1u);
    // Started on this tick: elapsed 0, so the start value.
    EXPECT_EQ(object->number, 0.0);
    EXPECT_NEAR(op->period()->delay(), 6.0 / 60.0, 1e-9);
}

TEST_F(CPTAnimationEngine, ARefusingSetterOrAnUnknownPropertyCancelsAfterOneCall) {
    struct Case {
        const char* property;
        double start;
    };
    const Case cases[] = {{"refusing", 0}, {"missing", 0}, {"missing", kNaN}, {"point", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.property << " from " << c.start);
        auto delegate = std::make_shared<RecordingDelegate>();
        CPTAnimation::animate(object, c.property, c.start, 10.0, 1.0, CPTAnimationCurveLinear, delegate);
        ticks(5);
        EXPECT_TRUE(engine.animationOperations().empty());
        EXPECT_EQ(delegate->events.back(), "cancel");
        EXPECT_LE(std::count(delegate->events.begin(), delegate->events.end(), "will"), 1);
        EXPECT_EQ(std::count(delegate->events.begin(), delegate->events.end(), "did"), 0);
    }
}

TEST_F(CPTAnimationEngine, RemovalCancelsAndTheNextTickStopsTheTimer) {
    auto delegate = std::make_shared<RecordingDelegate>();
    auto a = CPTAnimation::animate(object, "number", 0.0, 10.0, 1.0, CPTAnimationCurveLinear, delegate);
    auto b = CPTAnimation::animate(object, "point", CGPoint{}, CGPoint{1, 1}, 1.0);
    EXPECT_TRUE(engine.hasTimer());
    engine.removeAnimationOperation(a);
    EXPECT_TRUE(a->isCanceled());
    engine.removeAnimationOperation(nullptr);
    engine.update();
    EXPECT_EQ(delegate->events, std::vector<std::string>{"cancel"});
    EXPECT_EQ(engine.animationOperations().size(), 1u);
    engine.removeAllAnimationOperations();
    engine.update();
    EXPECT_TRUE(engine.animationOperations().empty());
    EXPECT_TRUE(engine.runningAnimationOperations().empty());
    EXPECT_FALSE(engine.hasTimer());
}

TEST_F(CPTAnimationEngine, ADelegateThatHasGoneHearsNothingWhileTheValuesGoOn) {
    auto log = std::make_shared<std::vector<std::string>>();
    struct LoggingDelegate : CPTAnimationDelegate {
        std::shared_ptr<std::vector<std::string>> log;
        void animationDidUpdate(CPTAnimationOperation&) override { log->push_back("did"); }
        void animationDidFinish(CPTAnimationOperation&) override { log->push_back("finish"); }
        void animationCancelled(CPTAnimationOperation&) override { log->push_back("cancel"); }
    };
    auto delegate = std::make_shared<LoggingDelegate>();
    delegate->log = log;
    auto op = CPTAnimation::animate(object, "number", 0.0, 10.0, 0.2, CPTAnimationCurveLinear, delegate);
    ticks(2);
    const auto heard = log->size();
    delegate.reset();
    ticks(20);
    EXPECT_EQ(log->size(), heard);
    EXPECT_EQ(object->number, 10.0);
}

TEST_F(CPTAnimationEngine, TheOperationKeepsItsObjectAlive) {
    std::weak_ptr<AnimatedObject> weak = object;
    CPTAnimation::animate(object, "number", 0.0, 10.0, 0.1);
    object.reset();
    EXPECT_FALSE(weak.expired());
    ticks(10);
    EXPECT_TRUE(weak.expired());
}

TEST_F(CPTAnimationEngine, EveryKindAnimatesThroughItsConvenience) {
    using foundation::Decimal;
    CPTAnimation::animate(object, "point", CGPoint{0, 0}, CGPoint{2, 4}, 0.1);
    CPTAnimation::animate(object, "size", CGSize{0, 0}, CGSize{2, 4}, 0.1);
    CPTAnimation::animate(object, "rect", CGRect(), CGRect(1, 2, 3, 4), 0.1);
    CPTAnimation::animate(object, "decimal", Decimal::fromInt64(0), Decimal::fromInt64(7), 0.1);
    CPTAnimation::animate(object, "boxed", Value(0.0), Value(Decimal::fromInt64(3)), 0.1);
    CPTAnimation::animate(object, "range", CPTPlotRange::plotRangeWithLocation(0.0, 1.0),
                          CPTPlotRange::plotRangeWithLocation(5.0, 2.0), 0.1);
    ticks(10);
    EXPECT_EQ(object->point, (CGPoint{2, 4}));
    EXPECT_EQ(object->size, (CGSize{2, 4}));
    EXPECT_EQ(object->rect, CGRect(1, 2, 3, 4));
    EXPECT_EQ(object->decimal.toString(), "7");
    EXPECT_EQ(object->boxed.kind(), Value::Kind::Decimal);
    EXPECT_EQ(object->boxed.toDouble(), 3.0);
    EXPECT_EQ(object->range->locationDouble(), 5.0);
    EXPECT_EQ(object->range->lengthDouble(), 2.0);
}

TEST_F(CPTAnimationEngine, IdentifiersFindQueuedOperations) {
    auto op = CPTAnimation::animate(object, "number", 0.0, 10.0, 1.0);
    op->setIdentifier("scroll");
    EXPECT_EQ(engine.operationWithIdentifier("scroll"), op);
    EXPECT_EQ(engine.operationWithIdentifier("other"), nullptr);
}

TEST_F(CPTAnimationEngine, RunsOnTheMainQueueTimerWithTheInjectedClock) {
    dispatch::ManualClock clock(1000);
    dispatch::setClock(&clock);
    CPTAnimation::animate(object, "number", 0.0, 60.0, 0.05);
    dispatch::drainMainQueue();
    EXPECT_TRUE(object->sets.empty());
    for (int i = 0; i < 10; ++i) {
        clock.advance(1.0 / 60.0);
        dispatch::drainMainQueue();
    }
    EXPECT_EQ(object->number, 60.0);
    EXPECT_FALSE(engine.hasTimer());
    dispatch::setClock(nullptr);
}

TEST_F(CPTAnimationEngine, Descriptions) {
    EXPECT_EQ(CPTAnimation::setterFromProperty("bounds"), "setBounds:");
    EXPECT_EQ(CPTAnimation::setterFromProperty("xRange"), "setXRange:");
    auto op = CPTAnimation::animate(object, "number", 0.0, 10.0, 1.0);
    EXPECT_EQ(op->boundSetter(), "setNumber:");
    const std::string text = op->description();
    EXPECT_EQ(text.rfind("<<CPTAnimationOperation: 0x", 0), 0u) << text;
    EXPECT_NE(text.find("> animate <CPTAnimatable: 0x"), std::string::npos) << text;
    EXPECT_NE(text.find("> number with period <<_CPTAnimationCGFloatPeriod"), std::string::npos) << text;
    engine.update();
    const std::string engineText = engine.description();
    EXPECT_EQ(engineText.rfind("<<CPTAnimation: 0x", 0), 0u) << engineText;
    EXPECT_NE(engineText.find("; 1 active and 1 running operations>"), std::string::npos) << engineText;
    EXPECT_NE(engineText.find("> timeOffset: "), std::string::npos) << engineText;
}

TEST_F(CPTAnimationEngine, TheFinishingTickAlwaysAppliesTheEndValue) {
    struct Case {
        const char* name;
        double duration, delay;
    };
    const Case cases[] = {
        {"no duration, waiting for its start", 0, kNaN},
        {"no duration", 0, 0},
        {"a duration that is not a number", kNaN, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        object->number = 0;
        object->sets.clear();
        CPTAnimation::animate(object, "number", 0.0, 10.0, c.duration, c.delay, CPTAnimationCurveBounceInOut, nullptr);
        ticks(3);
        EXPECT_TRUE(engine.animationOperations().empty());
        ASSERT_EQ(object->sets.size(), 1u);
        EXPECT_EQ(object->number, 10.0);
    }
}
