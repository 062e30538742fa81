// The XY plot space: mapping of every scale type in every point form, the range-change procedure
// and its notification, fitting to plots, and the categories of the plot-space base.
#include "GraphFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

using foundation::Value;

namespace {

NSDecimal dec(const char* text) {
    return CPTDecimalFromString(text);
}

// One coordinate mapped on a plot area 200 wide (x) and 100 high (y, range -10..10, linear).
struct MappingCase {
    const char* name;
    CPTScaleType scale;
    double location, length;
    double plot; // the x of the plot point
    double view; // where it lands
    double back; // what the view point maps back to (doubles)
};

} // namespace

TEST(CPTXYPlotSpaceMapping, EveryScaleTypeInEveryPointForm) {
    // log-modulus: M(x) = sign(x) log10(|x| + 1); on -100..100, 9 lands at (1 + M(100)) / (2 M(100)) x 200.
    double m100 = std::log10(101.0);
    const MappingCase cases[] = {
        {"linear", CPTScaleTypeLinear, 0, 10, 2.5, 50, 2.5},
        {"linear reversed", CPTScaleTypeLinear, 10, -10, 2.5, 150, 2.5},
        {"category", CPTScaleTypeCategory, 0, 4, 1, 50, 1},
        {"log", CPTScaleTypeLog, 1, 99, 10, 100, 10},
        {"log of zero", CPTScaleTypeLog, 1, 99, 0, 0, 1},
        {"log-modulus", CPTScaleTypeLogModulus, -100, 200, 9, (1 + m100) / (2 * m100) * 200, 9},
    };
    auto graph = graphWithPlotArea(200, 100);
    auto space = graph->xySpace();
    space->setYRange(rangeOf(-10, 20));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        space->setXScaleType(c.scale);
        space->setXRange(rangeOf(c.location, c.length));

        std::vector<Value> objects{Value(c.plot), Value(0.0)};
        NSDecimal decimals[2] = {CPTDecimalFromDouble(c.plot), NSDecimal()};
        double doubles[2] = {c.plot, 0};
        for (CGPoint p : {space->plotAreaViewPointForPlotPoint(objects),
                          space->plotAreaViewPointForPlotPoint(std::span<const NSDecimal>(decimals)),
                          space->plotAreaViewPointForDoublePrecisionPlotPoint(doubles)}) {
            EXPECT_NEAR(p.x, c.view, 1e-9);
            EXPECT_NEAR(p.y, 50, 1e-9);
        }

        CGPoint view{c.view, 50};
        double backDoubles[2] = {-1, -1};
        space->doublePrecisionPlotPoint(backDoubles, view);
        EXPECT_NEAR(backDoubles[0], c.back, 1e-9);
        EXPECT_NEAR(backDoubles[1], 0, 1e-12);
        NSDecimal backDecimals[2];
        space->plotPoint(backDecimals, view);
        EXPECT_NEAR(CPTDecimalToDouble(backDecimals[0]), c.back, 1e-9);
        auto backObjects = space->plotPointForPlotAreaViewPoint(view);
        ASSERT_EQ(backObjects.size(), 2u);
        EXPECT_NEAR(backObjects[0].toDouble(), c.back, 1e-9);
        // Linear scales answer exact decimals, logarithmic ones doubles.
        bool linear = c.scale == CPTScaleTypeLinear || c.scale == CPTScaleTypeCategory;
        EXPECT_EQ(backObjects[0].kind(), linear ? Value::Kind::Decimal : Value::Kind::Double);
    }
}

TEST(CPTXYPlotSpaceMapping, LinearInverseIsExactInDecimals) {
    auto graph = graphWithPlotArea(200, 100);
    auto space = graph->xySpace();
    space->setXRange(rangeOf(0, 10));
    NSDecimal back[2];
    space->plotPoint(back, CGPoint{50, 0});
    EXPECT_EQ(back[0], dec("2.5"));
    // A tiny view offset keeps its digits: 1e-7 of 200 points on a span of 10 is 5e-9.
    space->plotPoint(back, CGPoint{1e-7, 0});
    EXPECT_EQ(back[0], dec("5e-9"));
    // A logarithmic inverse stored as a decimal keeps its shortest digits, not six fraction digits.
    space->setXScaleType(CPTScaleTypeLog);
    space->setXRange(rangeOf(1e-9, 9e-9));
    space->plotPoint(back, CGPoint{0, 0});
    EXPECT_NEAR(CPTDecimalToDouble(back[0]), 1e-9, 1e-20);
    EXPECT_FALSE(back[0].isZero());
}

TEST(CPTXYPlotSpaceMapping, DegenerateAnswers) {
    // Without a graph there is no plot area: forward forms give the zero point, inverse forms zeros.
    CPTXYPlotSpace loose;
    loose.setXRange(rangeOf(0, 10));
    double one[2] = {5, 5};
    EXPECT_EQ(loose.plotAreaViewPointForDoublePrecisionPlotPoint(one), (CGPoint{0, 0}));
    auto objects = loose.plotPointForPlotAreaViewPoint({10, 10});
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0].kind(), Value::Kind::Integer);
    EXPECT_EQ(objects[0].toInt64(), 0);
    double back[2] = {7, 7};
    loose.doublePrecisionPlotPoint(back, CGPoint{10, 10});
    EXPECT_EQ(back[0], 0);
    EXPECT_EQ(back[1], 0);
    // An unsupported scale type raises only where there is something to map.
    loose.setXScaleType(CPTScaleTypeAngular);
    EXPECT_EQ(loose.plotAreaViewPointForDoublePrecisionPlotPoint(one), (CGPoint{0, 0}));

    auto graph = graphWithPlotArea(200, 100);
    auto space = graph->xySpace();
    struct Case {
        const char* name;
        std::shared_ptr<CPTPlotRange> range;
        double plot;
        double view;
    };
    double nan = std::nan("");
    const Case zeroLength[] = {
        {"zero length", rangeOf(3, 0), 3, 0},
        {"no range", nullptr, 3, 0},
        {"NaN value", rangeOf(0, 10), nan, 0},
    };
    for (const auto& c : zeroLength) {
        SCOPED_TRACE(c.name);
        space->setXRange(c.range);
        NSDecimal d[2] = {CPTDecimalFromDouble(c.plot), NSDecimal()};
        EXPECT_EQ(space->plotAreaViewPointForPlotPoint(std::span<const NSDecimal>(d)).x, c.view);
    }
    space->setXRange(rangeOf(0, 10));
    space->setXScaleType(CPTScaleTypeDateTime);
    try {
        space->plotAreaViewPointForDoublePrecisionPlotPoint(one);
        ADD_FAILURE() << "no exception";
    } catch (const CPTException& e) {
        EXPECT_EQ(e.name(), "CPTException");
        EXPECT_EQ(e.reason(), "Scale type not supported in CPTXYPlotSpace");
    }
    // A log range starting at 0 maps everything to the origin.
    space->setXScaleType(CPTScaleTypeLog);
    space->setXRange(rangeOf(0, 100));
    EXPECT_EQ(space->plotAreaViewPointForDoublePrecisionPlotPoint(one).x, 0);
}

TEST(CPTXYPlotSpaceMapping, ManyPointsAtOnceLandWhereEachAloneLands) {
    const double nan = std::nan("");
    const double inf = std::numeric_limits<double>::infinity();
    // Ordinary values, values outside the ranges, edges, infinities and missing coordinates.
    const std::vector<double> xs{2.5, -3, 0.1, 10, 1e300, -inf, nan, 7, 4.2, 0};
    const std::vector<double> ys{1.5, 40, -10, 10, 3, 2, 5, nan, -0.0, 1e-300};
    const std::vector<std::uint8_t> wanted{1, 1, 1, 1, 1, 1, 1, 1, 0, 1};
    const CGPoint untouched{-1234, -5678};
    struct Case {
        const char* name;
        CPTScaleType xScale, yScale;
        std::shared_ptr<CPTPlotRange> x, y;
    };
    const Case cases[] = {
        {"linear", CPTScaleTypeLinear, CPTScaleTypeLinear, rangeOf(0, 10), rangeOf(-10, 20)},
        {"linear reversed", CPTScaleTypeLinear, CPTScaleTypeLinear, rangeOf(10, -10), rangeOf(10, -20)},
        {"zero length and no range", CPTScaleTypeLinear, CPTScaleTypeLinear, rangeOf(3, 0), nullptr},
        {"category and log", CPTScaleTypeCategory, CPTScaleTypeLog, rangeOf(0, 4), rangeOf(1, 99)},
        {"log-modulus", CPTScaleTypeLogModulus, CPTScaleTypeLinear, rangeOf(-100, 200), rangeOf(0, 1)},
    };
    auto graph = graphWithPlotArea(200, 100);
    auto space = graph->xySpace();
    auto same = [](double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        space->setXScaleType(c.xScale);
        space->setYScaleType(c.yScale);
        space->setXRange(c.x);
        space->setYRange(c.y);
        std::vector<CGPoint> points(xs.size(), untouched);
        space->plotAreaViewPointsForDoublePrecisionPlotPoints(xs, ys, wanted, points);
        for (std::size_t i = 0; i < xs.size(); ++i) {
            SCOPED_TRACE(i);
            if (!wanted[i] || std::isnan(xs[i]) || std::isnan(ys[i])) {
                EXPECT_EQ(points[i], untouched);
                continue;
            }
            const double one[2] = {xs[i], ys[i]};
            const CGPoint alone = space->plotAreaViewPointForDoublePrecisionPlotPoint(one);
            EXPECT_TRUE(same(points[i].x, alone.x)) << points[i].x << " vs " << alone.x;
            EXPECT_TRUE(same(points[i].y, alone.y)) << points[i].y << " vs " << alone.y;
        }
    }
    // An unsupported scale raises as the single form does, x first; with nothing wanted nothing is mapped.
    space->setXRange(rangeOf(0, 10));
    space->setYRange(rangeOf(0, 10));
    space->setXScaleType(CPTScaleTypeLinear);
    space->setYScaleType(CPTScaleTypeAngular);
    std::vector<CGPoint> points(xs.size());
    EXPECT_THROW(space->plotAreaViewPointsForDoublePrecisionPlotPoints(xs, ys, wanted, points), CPTException);
    const std::vector<std::uint8_t> none(xs.size(), 0);
    EXPECT_NO_THROW(space->plotAreaViewPointsForDoublePrecisionPlotPoints(xs, ys, none, points));
    // Without a plot area every wanted point is the zero point, as the single form answers.
    CPTXYPlotSpace loose;
    std::vector<CGPoint> looseMapped(xs.size(), CGPoint{9, 9});
    loose.plotAreaViewPointsForDoublePrecisionPlotPoints(xs, ys, wanted, looseMapped);
    EXPECT_EQ(looseMapped[0], (CGPoint{0, 0}));
    EXPECT_EQ(looseMapped[6], (CGPoint{9, 9})) << "a missing coordinate";
    EXPECT_EQ(looseMapped[8], (CGPoint{9, 9})) << "not wanted";
    // Spans of different lengths: the shortest sets the count.
    std::vector<CGPoint> two(2, untouched);
    space->setYScaleType(CPTScaleTypeLinear);
    space->plotAreaViewPointsForDoublePrecisionPlotPoints(xs, std::span<const double>(ys.data(), 1), wanted, two);
    EXPECT_EQ(two[0], (CGPoint{50, 15}));
    EXPECT_EQ(two[1], untouched);
}

TEST(CPTXYPlotSpaceMapping, ShortPointsNeverReachPastTheirEnd) {
    auto graph = graphWithPlotArea(200, 100);
    auto space = graph->xySpace();
    space->setXRange(rangeOf(0, 10));
    space->setYRange(rangeOf(-10, 20));
    // One coordinate: y reads as 0, which lands mid-height.
    NSDecimal x[1] = {dec("2.5")};
    EXPECT_EQ(space->plotAreaViewPointForPlotPoint(std::span<const NSDecimal>(x)), (CGPoint{50, 50}));
    double xd[1] = {2.5};
    EXPECT_EQ(space->plotAreaViewPointForDoublePrecisionPlotPoint(xd), (CGPoint{50, 50}));
    EXPECT_EQ(space->plotAreaViewPointForPlotPoint(std::vector<Value>{Value(2.5)}), (CGPoint{50, 50}));
    // The inverse writes only what the span holds.
    std::vector<double> room{-1, -1, -1};
    space->doublePrecisionPlotPoint(std::span<double>(room.data(), 1), CGPoint{50, 50});
    EXPECT_EQ(room, (std::vector<double>{2.5, -1, -1}));
    std::vector<NSDecimal> droom(3, dec("7"));
    space->plotPoint(std::span<NSDecimal>(droom.data(), 1), CGPoint{50, 50});
    EXPECT_EQ(droom[0], dec("2.5"));
    EXPECT_EQ(droom[1], dec("7"));
}

TEST(CPTXYPlotSpaceRanges, ChangesPostTheMappingNotification) {
    auto graph = graphWithPlotArea(200, 100);
    auto space = graph->xySpace();
    space->setXRange(rangeOf(0, 10));
    NotificationListener mapping(CPTPlotSpaceCoordinateMappingDidChangeNotification, space.get());
    NotificationListener redraw(CPTGraphNeedsRedrawNotification, graph.get());

    space->setXRange(rangeOf(0, 10));
    EXPECT_EQ(mapping.count(), 0u) << "an equal range posts nothing";

    space->setXRange(rangeOf(1, 10));
    ASSERT_EQ(mapping.count(), 1u);
    const Value& info = mapping.received[0].userInfo;
    EXPECT_EQ(info.find(CPTPlotSpaceCoordinateKey)->toInt64(), 0);
    EXPECT_TRUE(info.find(CPTPlotSpaceScrollingKey)->toBool());
    EXPECT_DOUBLE_EQ(info.find(CPTPlotSpaceDisplacementKey)->toDouble(), 20);
    EXPECT_GE(redraw.count(), 1u);

    // A new length is no scroll; no drag happened, so no displacement.
    space->setYRange(rangeOf(0, 5));
    ASSERT_EQ(mapping.count(), 2u);
    const Value& y = mapping.received[1].userInfo;
    EXPECT_EQ(y.find(CPTPlotSpaceCoordinateKey)->toInt64(), 1);
    EXPECT_FALSE(y.find(CPTPlotSpaceScrollingKey)->toBool());
    EXPECT_EQ(y.find(CPTPlotSpaceDisplacementKey)->toDouble(), 0);

    // A scale change names only the coordinate.
    space->setYScaleType(CPTScaleTypeLog);
    ASSERT_EQ(mapping.count(), 3u);
    EXPECT_EQ(mapping.received[2].userInfo.dictionary().size(), 1u);
    space->setYScaleType(CPTScaleTypeLog);
    EXPECT_EQ(mapping.count(), 3u);
}

TEST(CPTXYPlotSpaceRanges, GlobalRangesMoveAndNeverShrink) {
    CPTXYPlotSpace space;
    space.setGlobalXRange(rangeOf(0, 100));
    struct Case {
        const char* name;
        double location, length;
        double expectedLocation, expectedLength;
    };
    const Case cases[] = {
        {"inside", 10, 10, 10, 10},
        {"past the end", 95, 10, 90, 10},
        {"before the start", -5, 10, 0, 10},
        {"longer than the global range", 0, 200, 0, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        space.setXRange(rangeOf(c.location, c.length));
        EXPECT_EQ(space.xRange()->locationDouble(), c.expectedLocation);
        EXPECT_EQ(space.xRange()->lengthDouble(), c.expectedLength);
    }
    // With momentum the visible range may leave the global range (an elastic drag).
    space.setAllowsMomentumX(true);
    space.setXRange(rangeOf(95, 10));
    EXPECT_EQ(space.xRange()->locationDouble(), 95);
    // A new global range moves the present one inside.
    space.setAllowsMomentumX(false);
    space.setGlobalXRange(rangeOf(0, 50));
    EXPECT_EQ(space.xRange()->locationDouble(), 40);
}

namespace {

class ReplacingDelegate : public CPTPlotSpaceDelegate {
  public:
    std::optional<std::shared_ptr<CPTPlotRange>>
    plotSpaceWillChangePlotRangeTo(CPTPlotSpace&, const std::shared_ptr<CPTPlotRange>& proposed,
                                   CPTCoordinate coordinate) override {
        proposals.push_back(proposed->locationDouble());
        return rangeOf(proposed->locationDouble(), 42);
    }
    void plotSpaceDidChangePlotRangeForCoordinate(CPTPlotSpace&, CPTCoordinate coordinate) override {
        changed.push_back(coordinate);
    }
    std::vector<double> proposals;
    std::vector<CPTCoordinate> changed;
};

} // namespace

TEST(CPTXYPlotSpaceRanges, TheDelegateReplacesTheProposal) {
    CPTXYPlotSpace space;
    auto delegate = std::make_shared<ReplacingDelegate>();
    space.setDelegate(delegate);
    space.setXRange(rangeOf(3, 5));
    EXPECT_EQ(space.xRange()->lengthDouble(), 42);
    EXPECT_EQ(delegate->proposals, std::vector<double>{3});
    EXPECT_EQ(delegate->changed, std::vector<CPTCoordinate>{CPTCoordinateX});
    // A delegate that has gone reads as none.
    delegate.reset();
    space.setXRange(rangeOf(3, 5));
    EXPECT_EQ(space.xRange()->lengthDouble(), 5);
}

TEST(CPTXYPlotSpaceRanges, ScaleToFitPlots) {
    CPTXYPlotSpace space;
    space.setXRange(rangeOf(0, 10));
    space.setYRange(rangeOf(0, 1));
    auto a = std::make_shared<RecordingPlot>();
    auto b = std::make_shared<RecordingPlot>();
    // All x at 5: the single value keeps the present span around it.
    a->xRange = rangeOf(5, 0);
    b->xRange = rangeOf(5, 0);
    a->yRange = rangeOf(2, 3);
    b->yRange = nullptr;
    space.scaleToFitPlots({a, b});
    EXPECT_EQ(space.xRange()->locationDouble(), 0);
    EXPECT_EQ(space.xRange()->lengthDouble(), 10);
    EXPECT_TRUE(space.xRange()->containsDouble(5));
    EXPECT_EQ(space.yRange()->locationDouble(), 2);
    EXPECT_EQ(space.yRange()->lengthDouble(), 3);
    b->xRange = rangeOf(20, 5);
    space.scaleToFitPlots({a, b});
    EXPECT_EQ(space.xRange()->locationDouble(), 5);
    EXPECT_EQ(space.xRange()->lengthDouble(), 20);
    // Nothing to fit changes nothing.
    space.scaleToFitPlots({});
    EXPECT_EQ(space.xRange()->lengthDouble(), 20);
    // The base class's one-coordinate fit follows the same rule.
    space.scaleToFitPlotsForCoordinate({a}, CPTCoordinateY);
    EXPECT_EQ(space.yRange()->lengthDouble(), 3);
}

TEST(CPTPlotSpaceCategories, OrderedOncePerCoordinate) {
    CPTXYPlotSpace space;
    space.setCategories(std::vector<std::string>{"a", "b", "a"}, CPTCoordinateX);
    EXPECT_EQ(space.categoriesForCoordinate(CPTCoordinateX), (std::vector<std::string>{"a", "b"}));
    space.addCategory("a", CPTCoordinateX);
    space.addCategory("c", CPTCoordinateX);
    EXPECT_EQ(space.categoriesForCoordinate(CPTCoordinateX), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(space.indexOfCategory("c", CPTCoordinateX), 2u);
    EXPECT_EQ(space.indexOfCategory("z", CPTCoordinateY), foundation::notFound);

    struct Case {
        std::int64_t index;
        std::optional<std::string> expected;
    };
    const Case lookups[] = {
        {0, "a"}, {2, "c"}, {3, std::nullopt}, {-1, std::nullopt}, {1000000, std::nullopt}};
    for (const auto& c : lookups) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(space.categoryForCoordinate(CPTCoordinateX, c.index), c.expected);
    }
    // Insertion beyond the count raises and changes nothing.
    EXPECT_THROW(space.insertCategory("d", CPTCoordinateX, 4), CPTException);
    EXPECT_EQ(space.categoriesForCoordinate(CPTCoordinateX).size(), 3u);
    space.insertCategory("d", CPTCoordinateX, 3);
    space.insertCategory("e", CPTCoordinateX, 0);
    EXPECT_EQ(space.categoriesForCoordinate(CPTCoordinateX),
              (std::vector<std::string>{"e", "a", "b", "c", "d"}));
    space.removeCategory("a", CPTCoordinateX);
    EXPECT_EQ(space.indexOfCategory("b", CPTCoordinateX), 1u);
    space.setCategories(std::nullopt, CPTCoordinateX);
    EXPECT_TRUE(space.categoriesForCoordinate(CPTCoordinateX).empty());
    space.addCategory("q", CPTCoordinateY);
    space.removeAllCategories();
    EXPECT_TRUE(space.categoriesForCoordinate(CPTCoordinateY).empty());
}

TEST(CPTPlotSpaceEvents, TheDelegateCanTakeAnEvent) {
    struct Veto : CPTPlotSpaceDelegate {
        std::optional<bool> plotSpaceShouldHandlePointingDeviceDownEvent(CPTPlotSpace&, const CPTEvent&,
                                                                         CGPoint) override {
            return false;
        }
    };
    CPTXYPlotSpace space;
    CPTEvent event;
    EXPECT_FALSE(space.pointingDeviceDownEvent(event, {}));
    auto veto = std::make_shared<Veto>();
    space.setDelegate(veto);
    EXPECT_TRUE(space.pointingDeviceDownEvent(event, {}));
    EXPECT_FALSE(space.pointingDeviceUpEvent(event, {}));
}

TEST(CPTXYPlotSpaceDebug, QuickLookText) {
    CPTXYPlotSpace space;
    space.setYScaleType(CPTScaleTypeLogModulus);
    space.setIdentifier(Value("main"));
    std::string text = space.debugQuickLookObject();
    EXPECT_EQ(text.rfind("Identifier: main\nallowsUserInteraction: NO\n\nX:\nxRange:\n", 0), 0u) << text;
    EXPECT_NE(text.find("globalXRange:\n(null)\nxScaleType: CPTScaleTypeLinear"), std::string::npos);
    EXPECT_NE(text.find("yScaleType: CPTScaleTypeLogModulus"), std::string::npos);
}
