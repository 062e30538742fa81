// Dragging, momentum, bounce and pinch scaling of the XY plot space, driven as a finger drives them:
// presses, drags and releases with their timestamps, and the animation engine ticked one by one.
#include "GraphFixtures.h"

#include "plot/foundation/CPTAnimation.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using foundation::Value;

namespace {
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

CPTEvent at(double timestamp) {
    CPTEvent event;
    event.timestamp = timestamp;
    return event;
}

std::shared_ptr<CPTPlotRange> range(double location, double length) {
    return CPTPlotRange::plotRangeWithLocation(location, length);
}

// A 100 x 100 plot area at the graph's origin over x and y ranges 0..10: ten points a unit.
struct Chart {
    std::shared_ptr<TestGraph> graph = graphWithPlotArea(100, 100);
    std::shared_ptr<CPTXYPlotSpace> space = graph->xySpace();
    Chart() {
        space->setXRange(range(0, 10));
        space->setYRange(range(0, 10));
        space->setAllowsUserInteraction(true);
    }
    ~Chart() {
        CPTAnimation::sharedInstance().removeAllAnimationOperations();
        CPTAnimation::sharedInstance().update();
    }
    double x() const { return space->xRange()->locationDouble(); }
    double y() const { return space->yRange()->locationDouble(); }
    // Ticks the engine until it has nothing left (or a generous limit).
    int settle() const {
        int ticks = 0;
        for (; ticks < 2000 && !CPTAnimation::sharedInstance().animationOperations().empty(); ++ticks)
            CPTAnimation::sharedInstance().update();
        return ticks;
    }
};
} // namespace

TEST(CPTXYPlotSpaceScrolling, ADragStartsOnlyStrictlyPastTheThreshold) {
    struct Case {
        double dx;
        bool scrolls;
    };
    const Case cases[] = {{2.0, false}, {2.1, true}, {-2.1, true}, {1.0, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dx);
        Chart chart;
        ASSERT_TRUE(chart.space->pointingDeviceDownEvent(at(0), {50, 50}));
        EXPECT_EQ(chart.space->pointingDeviceDraggedEvent(at(0.01), {50 + c.dx, 50}), c.scrolls);
        EXPECT_EQ(chart.space->isDragging(), c.scrolls);
        EXPECT_NEAR(chart.x(), c.scrolls ? -c.dx / 10 : 0.0, 1e-12);
        EXPECT_EQ(chart.y(), 0.0);
    }
}

TEST(CPTXYPlotSpaceScrolling, TheThresholdIsMeasuredFromThePress) {
    Chart chart;
    chart.space->pointingDeviceDownEvent(at(0), {50, 50});
    EXPECT_FALSE(chart.space->pointingDeviceDraggedEvent(at(0.01), {51.5, 50}));
    EXPECT_TRUE(chart.space->pointingDeviceDraggedEvent(at(0.02), {52.5, 50}));
    EXPECT_NEAR(chart.x(), -0.25, 1e-12);
}

TEST(CPTXYPlotSpaceScrolling, PastTheGlobalRangeElasticityDampsEachStep) {
    struct Case {
        const char* name;
        double startLocation;  // the range before the step; the finger moves 1 unit right
        double location;       // after the step
        double displacement;   // of the 10-point step
    };
    const Case cases[] = {
        {"inside: the whole step", 3, 2, 10},
        {"20 % past: half the finger", -1, -1.5, 5},
        {"40 % past: not at all", -3, -3, 0},
        {"beyond: not at all", -6, -6, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Chart chart;
        chart.space->setAllowsMomentumX(true);
        chart.space->setGlobalXRange(range(0, 20));
        chart.space->setXRange(range(c.startLocation, 10));
        ASSERT_EQ(chart.x(), c.startLocation);
        chart.space->pointingDeviceDownEvent(at(0), {50, 50});
        chart.space->pointingDeviceDraggedEvent(at(0.01), {60, 50});
        EXPECT_NEAR(chart.x(), c.location, 1e-12);
        EXPECT_NEAR(chart.space->lastDisplacement().x, c.displacement, 1e-12);
    }
}

TEST(CPTXYPlotSpaceScrolling, WithoutMomentumADragStopsAtTheEdgeAndNothingBounces) {
    Chart chart;
    chart.space->setGlobalXRange(range(0, 20));
    chart.space->setXRange(range(1, 10));
    chart.space->pointingDeviceDownEvent(at(0), {50, 50});
    chart.space->pointingDeviceDraggedEvent(at(0.01), {80, 50});
    EXPECT_EQ(chart.x(), 0.0);
    EXPECT_TRUE(chart.space->pointingDeviceUpEvent(at(0.02), {80, 50}));
    EXPECT_TRUE(chart.space->animations().empty());
    EXPECT_TRUE(CPTAnimation::sharedInstance().animationOperations().empty());
}

TEST(CPTXYPlotSpaceScrolling, MomentumNeedsAQuickReleaseAfterAMovingDrag) {
    struct Case {
        const char* name;
        double release;   // timestamp of the release; the last drag is at 0.02
        bool momentum;
        double dragTime;  // of the second drag step
    };
    const Case cases[] = {
        {"0.04 s after", 0.06, true, 0.02},
        {"0.06 s after", 0.08, false, 0.02},
        {"at the same time", 0.02, false, 0.02},
        {"before", 0.01, false, 0.02},
        {"a drag step without time", 0.03, false, 0.01},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Chart chart;
        chart.space->setAllowsMomentum(true);
        chart.space->pointingDeviceDownEvent(at(0), {50, 50});
        chart.space->pointingDeviceDraggedEvent(at(0.01), {45, 50});
        chart.space->pointingDeviceDraggedEvent(at(c.dragTime), {40, 50});
        const double released = chart.x();
        EXPECT_TRUE(chart.space->pointingDeviceUpEvent(at(c.release), {40, 50}));
        EXPECT_EQ(chart.space->animations().empty(), !c.momentum);
        chart.settle();
        if (c.momentum) {
            EXPECT_GT(chart.x(), released);
        } else {
            EXPECT_EQ(chart.x(), released);
        }
    }
}

TEST(CPTXYPlotSpaceScrolling, AFlingEndsInsideTheGlobalRange) {
    struct Case {
        const char* name;
        double location;  // where the range starts
        double step;      // finger movement per 10 ms, in points
    };
    const Case cases[] = {
        {"past the upper end", 5, -20},
        {"past the lower end", 5, 20},
        {"from outside", -1, 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Chart chart;
        chart.space->setAllowsMomentumX(true);
        chart.space->setGlobalXRange(range(0, 20));
        chart.space->setXRange(range(c.location, 10));
        foundation::NotificationCenter& centre = foundation::NotificationCenter::defaultCenter();
        int changes = 0;
        auto token = centre.observe(CPTPlotSpaceCoordinateMappingDidChangeNotification,
                                    static_cast<const void*>(chart.space.get()),
                                    [&changes](const foundation::Notification&) { ++changes; });
        chart.space->pointingDeviceDownEvent(at(0), {50, 50});
        double x = 50;
        for (int i = 1; i <= 3; ++i) {
            x += c.step;
            chart.space->pointingDeviceDraggedEvent(at(0.01 * i), {x, 50});
        }
        chart.space->pointingDeviceUpEvent(at(0.04), {x, 50});
        const int dragChanges = changes;
        EXPECT_FALSE(chart.space->animations().empty());
        EXPECT_LT(chart.settle(), 2000);
        EXPECT_GT(changes, dragChanges + 3);
        EXPECT_GE(chart.x(), -1e-9);
        EXPECT_LE(chart.x() + 10, 20 + 1e-9);
        EXPECT_TRUE(std::isfinite(chart.x()));
        EXPECT_EQ(chart.space->xRange()->lengthDouble(), 10.0);
    }
}

TEST(CPTXYPlotSpaceScrolling, APressDuringMomentumStopsItWhereItIs) {
    Chart chart;
    chart.space->setAllowsMomentum(true);
    chart.space->pointingDeviceDownEvent(at(0), {50, 50});
    chart.space->pointingDeviceDraggedEvent(at(0.01), {40, 40});
    chart.space->pointingDeviceDraggedEvent(at(0.02), {30, 30});
    chart.space->pointingDeviceUpEvent(at(0.03), {30, 30});
    for (int i = 0; i < 3; ++i)
        CPTAnimation::sharedInstance().update();
    const double x = chart.x(), y = chart.y();
    EXPECT_GT(x, 2.0);
    EXPECT_GT(y, 2.0);
    EXPECT_TRUE(chart.space->pointingDeviceDownEvent(at(1), {50, 50}));
    EXPECT_TRUE(chart.space->animations().empty());
    chart.settle();
    EXPECT_EQ(chart.x(), x);
    EXPECT_EQ(chart.y(), y);
}

TEST(CPTXYPlotSpaceScrolling, CancelAnimationsStopsMomentum) {
    Chart chart;
    chart.space->setAllowsMomentum(true);
    chart.space->pointingDeviceDownEvent(at(0), {50, 50});
    chart.space->pointingDeviceDraggedEvent(at(0.01), {40, 50});
    chart.space->pointingDeviceDraggedEvent(at(0.02), {30, 50});
    chart.space->pointingDeviceUpEvent(at(0.03), {30, 50});
    CPTAnimation::sharedInstance().update();
    const double x = chart.x();
    chart.space->cancelAnimations();
    EXPECT_FALSE(chart.space->isDragging());
    chart.settle();
    EXPECT_EQ(chart.x(), x);
}

TEST(CPTXYPlotSpaceScrolling, AnUnusableAccelerationSkipsItsPhase) {
    struct Case {
        double acceleration;
        bool momentumPhase;  // which acceleration is spoilt
    };
    const Case cases[] = {{0, true}, {-1, true}, {kInf, true}, {kNaN, true},
                          {0, false}, {-1, false}, {kInf, false}, {kNaN, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.acceleration << (c.momentumPhase ? " momentum" : " bounce"));
        Chart chart;
        chart.space->setAllowsMomentumX(true);
        chart.space->setGlobalXRange(range(0, 20));
        if (c.momentumPhase) {
            chart.space->setMomentumAcceleration(c.acceleration);
        } else {
            chart.space->setBounceAcceleration(c.acceleration);
            chart.space->setXRange(range(-1, 10)); // outside: only a bounce would follow
        }
        chart.space->pointingDeviceDownEvent(at(0), {50, 50});
        chart.space->pointingDeviceDraggedEvent(at(0.01), {40, 50});
        chart.space->pointingDeviceDraggedEvent(at(0.02), {30, 50});
        const double released = chart.x();
        // Long after the last drag in the bounce rows, so no momentum either.
        chart.space->pointingDeviceUpEvent(at(c.momentumPhase ? 0.03 : 1.0), {30, 50});
        EXPECT_TRUE(chart.space->animations().empty());
        chart.settle();
        EXPECT_EQ(chart.x(), released);
    }
}

TEST(CPTXYPlotSpaceScrolling, ScalingKeepsThePointUnderTheFingers) {
    struct Case {
        const char* name;
        double factor;
        CGPoint at;
        double location, length;
    };
    const Case cases[] = {
        {"2 about the middle", 2, {50, 50}, 2.5, 5},
        {"0.5 about the middle", 0.5, {50, 50}, -5, 20},
        {"2 about a quarter", 2, {25, 50}, 1.25, 5},
        {"1e-6 does nothing", 1e-6, {50, 50}, 0, 10},
        {"0 does nothing", 0, {50, 50}, 0, 10},
        {"NaN does nothing", kNaN, {50, 50}, 0, 10},
        {"infinity does nothing", kInf, {50, 50}, 0, 10},
        {"outside the plot area", 2, {150, 50}, 0, 10},
        {"at a NaN point", 2, {kNaN, 50}, 0, 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Chart chart;
        chart.space->scaleBy(c.factor, c.at);
        EXPECT_NEAR(chart.x(), c.location, 1e-12);
        EXPECT_NEAR(chart.space->xRange()->lengthDouble(), c.length, 1e-12);
    }
}

TEST(CPTXYPlotSpaceScrolling, ScalingIsClippedToTheGlobalRangeAndTheDelegateMayRefuse) {
    Chart chart;
    chart.space->setAllowsMomentumX(true);
    chart.space->setGlobalXRange(range(0, 10));
    chart.space->scaleBy(0.5, {50, 50});
    EXPECT_EQ(chart.x(), 0.0);
    EXPECT_EQ(chart.space->xRange()->lengthDouble(), 10.0);
    EXPECT_TRUE(chart.space->allowsMomentumX());

    struct Refusing : CPTPlotSpaceDelegate {
        std::optional<bool> plotSpaceShouldScaleBy(CPTPlotSpace&, CGFloat, CGPoint) override { return false; }
    };
    auto refusing = std::make_shared<Refusing>();
    chart.space->setDelegate(refusing);
    chart.space->scaleBy(2, {50, 50});
    EXPECT_EQ(chart.space->xRange()->lengthDouble(), 10.0);
}

TEST(CPTXYPlotSpaceScrolling, SmallestNonNegativeQuadraticRoot) {
    struct Case {
        double a, b, c, root;
    };
    const Case cases[] = {
        {1, -3, 2, 1},       // roots 1 and 2
        {1, 1, -2, 1},       // roots 1 and -2
        {1, 3, 2, kNaN},     // roots -1 and -2
        {1, 0, 1, kNaN},     // no real root
        {kNaN, 1, 1, kNaN},
        {2, -4, 0, 0},       // roots 0 and 2
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << " " << c.b << " " << c.c);
        const double r = CPTSmallestNonNegativeQuadraticRoot(c.a, c.b, c.c);
        if (std::isnan(c.root)) {
            EXPECT_TRUE(std::isnan(r)) << r;
        } else {
            EXPECT_DOUBLE_EQ(r, c.root);
        }
    }
}

TEST(CPTXYPlotSpaceScrolling, BadInputLeavesTheRangesAlone) {
    struct Case {
        const char* name;
        CGPoint press, drag;
        double dragTime;
    };
    const Case cases[] = {
        {"a NaN drag", {50, 50}, {kNaN, 50}, 0.01},
        {"an infinite drag", {50, 50}, {kInf, 50}, 0.01},
        {"a press outside the plot area", {150, 50}, {60, 50}, 0.01},
        {"a NaN press", {kNaN, 50}, {60, 50}, 0.01},
        {"a drag too far for a decimal", {50, 50}, {1e300, 50}, 0.01},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Chart chart;
        chart.space->setAllowsMomentum(true);
        chart.space->pointingDeviceDownEvent(at(0), c.press);
        chart.space->pointingDeviceDraggedEvent(at(c.dragTime), c.drag);
        chart.space->pointingDeviceUpEvent(at(c.dragTime + 0.01), c.drag);
        chart.settle();
        EXPECT_EQ(chart.x(), 0.0);
        EXPECT_EQ(chart.y(), 0.0);
    }
    // A drag without any press before it.
    Chart chart;
    EXPECT_FALSE(chart.space->pointingDeviceDraggedEvent(at(0), {90, 90}));
    EXPECT_FALSE(chart.space->pointingDeviceUpEvent(at(0), {90, 90}));
    EXPECT_EQ(chart.x(), 0.0);
}

TEST(CPTXYPlotSpaceScrolling, NothingHappensWithoutUserInteraction) {
    Chart chart;
    chart.space->setAllowsUserInteraction(false);
    EXPECT_FALSE(chart.space->pointingDeviceDownEvent(at(0), {50, 50}));
    EXPECT_FALSE(chart.space->pointingDeviceDraggedEvent(at(0.01), {80, 50}));
    EXPECT_FALSE(chart.space->pointingDeviceUpEvent(at(0.02), {80, 50}));
    EXPECT_EQ(chart.x(), 0.0);
}

TEST(CPTXYPlotSpaceScrolling, RangesAnimateByName) {
    Chart chart;
    std::shared_ptr<CPTAnimatable> object = chart.space;
    CPTAnimation::animate(object, "xRange", range(0, 10), range(5, 10), 0.1);
    CPTAnimation::animate(object, "yRange", range(kNaN, 10), range(-5, 10), 0.1);
    chart.settle();
    EXPECT_EQ(chart.x(), 5.0);
    EXPECT_EQ(chart.y(), -5.0);
    EXPECT_FALSE(chart.space->animationPropertyNamed("zRange"));
}

TEST(CPTXYPlotSpaceScrolling, APressStopsEveryPhaseOfAFlingPastTheEdge) {
    Chart chart;
    chart.space->setAllowsMomentumX(true);
    chart.space->setGlobalXRange(range(0, 20));
    chart.space->setXRange(range(8.5, 10));
    chart.space->pointingDeviceDownEvent(at(0), {50, 50});
    chart.space->pointingDeviceDraggedEvent(at(0.01), {45, 50});
    chart.space->pointingDeviceDraggedEvent(at(0.02), {40, 50});
    ASSERT_NEAR(chart.x(), 9.5, 1e-12) << "still inside when released";
    chart.space->pointingDeviceUpEvent(at(0.03), {40, 50});
    // The momentum, its hand-over at the edge and the bounce.
    EXPECT_EQ(chart.space->animations().size(), 3u);
    int ticks = 0;
    for (; ticks < 200 && chart.x() + 10 <= 20; ++ticks)
        CPTAnimation::sharedInstance().update();
    ASSERT_GT(chart.x() + 10, 20.0) << "the range runs past the edge";
    chart.space->pointingDeviceDownEvent(at(1), {50, 50});
    const double x = chart.x();
    chart.settle();
    EXPECT_EQ(chart.x(), x);
}

TEST(CPTXYPlotSpaceScrolling, MomentumAndBounceStepsReportTheirOwnDisplacement) {
    // Each step of a fling's momentum and of its bounce moves the view by its own distance: its notification
    // reports that distance (ten points a unit, positive where the content moves right or up, as a drag
    // reports it), and the space keeps it as the last displacement.
    struct Case {
        const char* name;
        bool alongX;
        double location; // where the range starts; global range 0..20
        double step;     // finger movement per 10 ms, in points
    };
    const Case cases[] = {
        {"x, inside", true, 5, -3},
        {"x, past the upper end and back", true, 8.5, -5},
        {"x, past the lower end and back", true, 1.5, 5},
        {"y, past the upper end and back", false, 8.5, -5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Chart chart;
        chart.space->setAllowsMomentum(true);
        if (c.alongX) {
            chart.space->setGlobalXRange(range(0, 20));
            chart.space->setXRange(range(c.location, 10));
        } else {
            chart.space->setGlobalYRange(range(0, 20));
            chart.space->setYRange(range(c.location, 10));
        }
        auto location = [&] { return c.alongX ? chart.x() : chart.y(); };
        auto kept = [&] {
            return c.alongX ? chart.space->lastDisplacement().x : chart.space->lastDisplacement().y;
        };
        chart.space->pointingDeviceDownEvent(at(0), {50, 50});
        CGPoint finger{50, 50};
        for (int i = 1; i <= 2; ++i) {
            (c.alongX ? finger.x : finger.y) += c.step;
            chart.space->pointingDeviceDraggedEvent(at(0.01 * i), finger);
        }
        const double lastDrag = kept();
        ASSERT_EQ(lastDrag, c.step);
        chart.space->pointingDeviceUpEvent(at(0.03), finger);
        ASSERT_FALSE(chart.space->animations().empty());

        NotificationListener changes(CPTPlotSpaceCoordinateMappingDidChangeNotification, chart.space.get());
        const std::int64_t coordinate = c.alongX ? 0 : 1;
        bool forward = false, back = false;
        for (int tick = 0; tick < 2000 && !CPTAnimation::sharedInstance().animationOperations().empty();
             ++tick) {
            const double before = location();
            changes.received.clear();
            CPTAnimation::sharedInstance().update();
            const double moved = -(location() - before) * 10;
            // A tick that hands one phase over to the next may set the range twice: the steps add up.
            double reported = 0, last = 0;
            for (const auto& n : changes.received) {
                if (n.userInfo.find(CPTPlotSpaceCoordinateKey)->toInt64() != coordinate) {
                    continue;
                }
                EXPECT_TRUE(n.userInfo.find(CPTPlotSpaceScrollingKey)->toBool());
                last = n.userInfo.find(CPTPlotSpaceDisplacementKey)->toDouble();
                reported += last;
            }
            EXPECT_NEAR(reported, moved, 1e-9);
            if (moved == 0) {
                continue;
            }
            EXPECT_EQ(kept(), last);
            forward = forward || moved * c.step > 0;
            back = back || moved * c.step < 0;
        }
        EXPECT_TRUE(forward);
        // A fling that leaves the global range bounces back against the finger's direction.
        EXPECT_EQ(back, c.location != 5);
        EXPECT_NE(kept(), lastDrag);
    }
}
