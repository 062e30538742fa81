// The scatter plot: which records take part in the line, the straight and curved paths with their
// runs and baselines, control points against independent references, hit tests, the curved extent,
// symbols and labels per record, and the order of drawing.
#include "plot/axes_plots/CPTScatterPlot.h"
#include "plot/foundation/CPTColor.h"
#include "plot/graph/CPTLegend.h"
#include "plot/foundation/CPTShadow.h"
#include "plot/foundation/CPTTextStyle.h"
#include "platform/graphics/Output.h"
#include "tests/plot/graph/FakeDataSource.h"
#include "tests/plot/graph/GraphFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

using foundation::Value;

namespace {

const double kNaN = std::nan("");

class SymbolSource : public FakeSource<CPTScatterPlotDataSource> {
  public:
    std::optional<std::vector<std::shared_ptr<CPTPlotSymbol>>> symbols; // single form; null is nil
    std::optional<std::shared_ptr<CPTPlotSymbol>> symbolForScatterPlot(CPTScatterPlot&, std::uint64_t i) override {
        if (!symbols)
            return std::nullopt;
        return i < symbols->size() ? (*symbols)[i] : nullptr;
    }
};

// A 200 x 100 plot area over x 0..10 and y 0..10: view x = 20 x, view y = 10 y.
struct ScatterChart {
    std::shared_ptr<TestGraph> graph = graphWithPlotArea(200, 100);
    std::shared_ptr<CPTScatterPlot> plot = std::make_shared<CPTScatterPlot>();
    std::shared_ptr<SymbolSource> source = std::make_shared<SymbolSource>();

    ScatterChart(std::initializer_list<double> xs, std::initializer_list<double> ys) {
        graph->xySpace()->setXRange(rangeOf(0, 10));
        graph->xySpace()->setYRange(rangeOf(0, 10));
        graph->addPlot(plot);
        source->records = xs.size();
        source->answers = {Answer::Numbers};
        source->fields = {{0, numbers(xs)}, {1, numbers(ys)}};
        plot->setDataSource(source);
        plot->reloadData();
    }
    CPTScatterPlot::Flags flags(bool visibleOnly) { return plot->calculatePointsToDraw(*graph->xySpace(), visibleOnly); }
};

std::string num(double v) {
    return gfx::formatNumber(v);
}

// "M x y L x y C x y x y x y Z", numbers rounded to 1e-4.
std::string pathText(const gfx::Path& path) {
    std::ostringstream out;
    for (const auto& e : path.elements()) {
        if (out.tellp() > 0)
            out << ' ';
        switch (e.kind) {
        case gfx::Path::Kind::Move:
            out << "M " << num(e.points[0].x) << ' ' << num(e.points[0].y);
            break;
        case gfx::Path::Kind::Line:
            out << "L " << num(e.points[0].x) << ' ' << num(e.points[0].y);
            break;
        case gfx::Path::Kind::Cubic:
            out << "C";
            for (int k = 0; k < 3; ++k)
                out << ' ' << num(e.points[k].x) << ' ' << num(e.points[k].y);
            break;
        case gfx::Path::Kind::Quad:
            out << "Q";
            break;
        case gfx::Path::Kind::Close:
            out << "Z";
            break;
        }
    }
    return out.str();
}

CPTScatterPlot::ViewPoints pointsOf(std::initializer_list<CGPoint> points) {
    return CPTScatterPlot::ViewPoints(points);
}

void expectPoint(CGPoint actual, CGPoint expected, const std::string& what) {
    EXPECT_NEAR(actual.x, expected.x, 1e-9) << what;
    EXPECT_NEAR(actual.y, expected.y, 1e-9) << what;
}

} // namespace

TEST(CPTScatterPlot, DefaultsAndFields) {
    CPTScatterPlot plot;
    EXPECT_EQ(plot.labelField(), 1u);
    EXPECT_TRUE(plot.dataLineStyle());
    EXPECT_FALSE(plot.plotSymbol());
    EXPECT_TRUE(std::isnan(plot.areaBaseValue().toDouble()));
    EXPECT_EQ(plot.interpolation(), CPTScatterPlotInterpolationLinear);
    EXPECT_EQ(plot.curvedInterpolationCustomAlpha(), 0.5);
    EXPECT_EQ(plot.plotLineMarginForHitDetection(), 4.0);
    EXPECT_EQ(plot.pointingDeviceDownIndex(), foundation::notFound);
    EXPECT_EQ(plot.fieldIdentifiersForCoordinate(CPTCoordinateX), std::vector<std::uint64_t>{0});
    EXPECT_EQ(plot.fieldIdentifiersForCoordinate(CPTCoordinateY), std::vector<std::uint64_t>{1});
    EXPECT_EQ(plot.coordinateForFieldIdentifier(2), foundation::notFound);
}

TEST(CPTScatterPlot, PointsToDraw) {
    // In range, above in y, in range, missing, beyond x twice, in range.
    ScatterChart chart({1, 2, 3, kNaN, 12, 13, 5}, {1, 12, 3, 5, 5, 5, 5});
    using Flags = CPTScatterPlot::Flags;
    EXPECT_EQ(chart.flags(false), (Flags{1, 1, 1, 0, 0, 1, 1})) << "segments crossing an edge keep both ends";
    EXPECT_EQ(chart.flags(true), (Flags{1, 0, 1, 0, 0, 0, 1}));

    struct Case {
        const char* what;
        std::function<void(CPTScatterPlot&)> set;
    };
    const Case everything[] = {
        {"area fill", [](CPTScatterPlot& p) { p.setAreaFill(CPTFill::fillWithColor(CPTColor::redColor())); }},
        {"second area fill", [](CPTScatterPlot& p) { p.setAreaFill2(CPTFill::fillWithColor(CPTColor::redColor())); }},
        {"dashed line",
         [](CPTScatterPlot& p) {
             auto style = CPTMutableLineStyle::lineStyle();
             style->setDashPattern({2, 2});
             p.setDataLineStyle(style);
         }},
        {"curved line", [](CPTScatterPlot& p) { p.setInterpolation(CPTScatterPlotInterpolationCurved); }},
    };
    for (const Case& c : everything) {
        ScatterChart other({1, 2, 3, kNaN, 12, 13, 5}, {1, 12, 3, 5, 5, 5, 5});
        c.set(*other.plot);
        EXPECT_EQ(other.flags(false), Flags(7, 1)) << c.what;
    }
    EXPECT_EQ(CPTScatterPlot::extremeDrawnPointIndexForFlags({0, 1, 0, 1, 0}, true), 1u);
    EXPECT_EQ(CPTScatterPlot::extremeDrawnPointIndexForFlags({0, 1, 0, 1, 0}, false), 3u);
    EXPECT_EQ(CPTScatterPlot::extremeDrawnPointIndexForFlags({0, 0}, true), foundation::notFound);
    EXPECT_EQ(CPTScatterPlot::extremeDrawnPointIndexForFlags({}, false), foundation::notFound);

    // Decimal samples are compared as decimals, with the same outcome.
    chart.plot->setCachePrecision(CPTPlotCachePrecisionDecimal);
    EXPECT_EQ(chart.flags(false), (Flags{1, 1, 1, 0, 0, 1, 1}));
    const auto points = chart.plot->calculateViewPoints(chart.flags(false));
    expectPoint(points[2], {60, 30}, "decimal view point");
    EXPECT_TRUE(std::isnan(points[3].x));
    EXPECT_TRUE(std::isnan(points[4].x)) << "not flagged";
}

TEST(CPTScatterPlot, PointsToDrawOfManyRecordsFollowTheRecordByRecordRule) {
    // Records around and across the edges of the ranges, some missing a value.
    std::vector<double> xs, ys;
    for (int i = 0; i < 400; ++i) {
        xs.push_back(i % 13 == 5 ? kNaN : -2.5 + (i * 37 % 151) / 10.0);
        ys.push_back(i % 17 == 3 ? kNaN : -1.5 + (i * 53 % 139) / 10.0);
    }
    // The rule, one record after another: x against its range, y only when x is inside, a segment
    // between two records placed differently keeps both ends, else a record inside is kept.
    auto place = [](const CPTPlotRange* range, double v) {
        if (!range)
            return CPTPlotRangeComparisonInside;
        return range->compareToDouble(v);
    };
    auto expected = [&](const CPTPlotRange* xRange, const CPTPlotRange* yRange, bool visibleOnly) {
        const std::size_t n = xs.size();
        std::vector<CPTPlotRangeComparisonResult> xc(n), yc(n, CPTPlotRangeComparisonInside);
        std::vector<bool> missing(n);
        for (std::size_t i = 0; i < n; ++i) {
            xc[i] = place(xRange, xs[i]);
            if (xc[i] == CPTPlotRangeComparisonInside)
                yc[i] = place(yRange, ys[i]);
            missing[i] = std::isnan(xs[i]) || std::isnan(ys[i]);
        }
        auto inside = [&](std::size_t i) {
            return xc[i] == CPTPlotRangeComparisonInside && yc[i] == CPTPlotRangeComparisonInside && !missing[i];
        };
        CPTScatterPlot::Flags flags(n, 0);
        flags[0] = inside(0);
        for (std::size_t i = 1; i < n; ++i) {
            if (!visibleOnly && !missing[i - 1] && !missing[i] && (xc[i - 1] != xc[i] || yc[i - 1] != yc[i]))
                flags[i - 1] = flags[i] = 1;
            else if (inside(i))
                flags[i] = 1;
        }
        return flags;
    };
    ScatterChart chart({}, {});
    chart.source->records = xs.size();
    chart.source->fields = {{0, {}}, {1, {}}};
    for (std::size_t i = 0; i < xs.size(); ++i) {
        chart.source->fields[0].push_back(std::isnan(xs[i]) ? Value() : Value(xs[i]));
        chart.source->fields[1].push_back(std::isnan(ys[i]) ? Value() : Value(ys[i]));
    }
    chart.plot->reloadData();
    struct Case {
        const char* name;
        std::shared_ptr<CPTPlotRange> x, y;
    };
    const Case cases[] = {
        {"ranges 0..10", rangeOf(0, 10), rangeOf(0, 10)},
        {"reversed ranges", rangeOf(10, -10), rangeOf(8, -5)},
        {"an empty x range", rangeOf(3, 0), rangeOf(0, 10)},
        {"an endless y range", rangeOf(0, 10), rangeOf(2, std::numeric_limits<double>::infinity())},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        chart.graph->xySpace()->setXRange(c.x);
        chart.graph->xySpace()->setYRange(c.y);
        const auto* xRange = chart.graph->xySpace()->xRange().get();
        const auto* yRange = chart.graph->xySpace()->yRange().get();
        EXPECT_EQ(chart.flags(false), expected(xRange, yRange, false));
        EXPECT_EQ(chart.flags(true), expected(xRange, yRange, true));
        // Only records kept for the line get view points, each where the plot space maps it alone.
        const auto flags = chart.flags(false);
        const auto points = chart.plot->calculateViewPoints(flags);
        for (std::size_t i = 0; i < xs.size(); ++i) {
            if (!flags[i] || std::isnan(xs[i]) || std::isnan(ys[i])) {
                EXPECT_TRUE(std::isnan(points[i].x) && std::isnan(points[i].y)) << i;
                continue;
            }
            const double one[2] = {xs[i], ys[i]};
            EXPECT_EQ(points[i], chart.graph->xySpace()->plotAreaViewPointForDoublePrecisionPlotPoint(one)) << i;
        }
    }
}

TEST(CPTScatterPlot, StraightPaths) {
    const auto four = pointsOf({{0, 10}, {10, 20}, {20, 5}, {30, 15}});
    const auto broken = pointsOf({{0, 10}, {10, 20}, {kNaN, kNaN}, {30, 40}, {40, 30}});
    struct Case {
        CPTScatterPlotInterpolation interpolation;
        CPTScatterPlotHistogramOption option;
        const CPTScatterPlot::ViewPoints* points;
        double baseline;
        const char* path;
    };
    const Case cases[] = {
        {CPTScatterPlotInterpolationLinear, CPTScatterPlotHistogramNormal, &four, kNaN,
         "M 0 10 L 10 20 L 20 5 L 30 15"},
        {CPTScatterPlotInterpolationStepped, CPTScatterPlotHistogramNormal, &four, kNaN,
         "M 0 10 L 10 10 L 10 20 L 20 20 L 20 5 L 30 5 L 30 15"},
        {CPTScatterPlotInterpolationHistogram, CPTScatterPlotHistogramNormal, &four, kNaN,
         "M 0 10 L 5 10 L 5 20 L 10 20 L 15 20 L 15 5 L 20 5 L 25 5 L 25 15 L 30 15"},
        {CPTScatterPlotInterpolationHistogram, CPTScatterPlotHistogramSkipFirst, &four, kNaN,
         "M 0 10 L 5 20 L 10 20 L 15 5 L 20 5 L 25 15 L 30 15"},
        {CPTScatterPlotInterpolationHistogram, CPTScatterPlotHistogramSkipSecond, &four, kNaN,
         "M 0 10 L 5 10 L 10 20 L 15 20 L 20 5 L 25 5 L 30 15"},
        {CPTScatterPlotInterpolationLinear, CPTScatterPlotHistogramNormal, &broken, 0,
         "M 0 10 L 10 20 L 10 0 L 0 0 Z M 30 40 L 40 30 L 40 0 L 30 0 Z"},
        {CPTScatterPlotInterpolationStepped, CPTScatterPlotHistogramNormal, &broken, 5,
         "M 0 10 L 10 10 L 10 20 L 10 5 L 0 5 Z M 30 40 L 40 40 L 40 30 L 40 5 L 30 5 Z"},
        {CPTScatterPlotInterpolationLinear, CPTScatterPlotHistogramNormal, &broken, kNaN,
         "M 0 10 L 10 20 M 30 40 L 40 30"},
    };
    for (const Case& c : cases) {
        CPTScatterPlot plot;
        plot.setInterpolation(c.interpolation);
        plot.setHistogramOption(c.option);
        EXPECT_EQ(pathText(plot.newDataLinePathForViewPoints(*c.points, NSMakeRange(0, c.points->size()), c.baseline)),
                  c.path);
    }
    CPTScatterPlot plot;
    EXPECT_EQ(pathText(plot.newDataLinePathForViewPoints(four, NSMakeRange(1, 2), kNaN)), "M 10 20 L 20 5");
    EXPECT_TRUE(plot.newDataLinePathForViewPoints(four, NSMakeRange(7, 2), 0).isEmpty());
}

TEST(CPTScatterPlot, BezierControlPointsMatchADenseSolve) {
    // Expected values: tests/fixtures/plot/axes_plots/bezier_control_points.py (numpy.linalg.solve).
    std::ifstream expected(std::string(OVRIDA_SOURCE_DIR) + "/tests/fixtures/plot/axes_plots/bezier_control_points.txt");
    ASSERT_TRUE(expected.good());
    const std::map<std::string, CPTScatterPlot::ViewPoints> fixtures{
        {"three", pointsOf({{0, 0}, {10, 20}, {20, 5}})},
        {"five", pointsOf({{0, 0}, {10, 30}, {20, 10}, {35, 40}, {50, 0}})},
    };
    std::string name;
    std::uint64_t index;
    double c1x, c1y, c2x, c2y;
    int rows = 0;
    while (expected >> name >> index >> c1x >> c1y >> c2x >> c2y) {
        const auto& points = fixtures.at(name);
        CPTScatterPlot::ViewPoints cp1(points.size()), cp2(points.size());
        CPTScatterPlot::computeBezierControlPoints(cp1, cp2, points, NSMakeRange(0, points.size()));
        expectPoint(cp1[index], {c1x, c1y}, name + " cp1 " + std::to_string(index));
        expectPoint(cp2[index], {c2x, c2y}, name + " cp2 " + std::to_string(index));
        ++rows;
    }
    EXPECT_GT(rows, 0);
    // Two points: a straight cubic from one to the other.
    const auto two = pointsOf({{0, 0}, {10, 10}});
    CPTScatterPlot::ViewPoints cp1(2), cp2(2);
    CPTScatterPlot::computeBezierControlPoints(cp1, cp2, two, NSMakeRange(0, 2));
    expectPoint(cp1[1], {0, 0}, "two cp1");
    expectPoint(cp2[1], {10, 10}, "two cp2");
}

TEST(CPTScatterPlot, CatmullRomControlPoints) {
    // Uniform: cp1 = P1 + (P2 - P0) / 6, cp2 = P2 - (P3 - P1) / 6.
    const auto points = pointsOf({{0, 0}, {10, 0}, {20, 10}, {30, 10}});
    CPTScatterPlot::ViewPoints cp1(4), cp2(4);
    CPTScatterPlot::computeCatmullRomControlPoints(cp1, cp2, 0.0, points, NSMakeRange(0, 4));
    expectPoint(cp1[2], {10 + 20 / 6.0, 10 / 6.0}, "uniform cp1");
    expectPoint(cp2[2], {20 - 20 / 6.0, 10 - 10 / 6.0}, "uniform cp2");
    // The first segment has no point before it: its first control point is its start.
    expectPoint(cp1[1], {0, 0}, "first segment");
    expectPoint(cp2[3], {30, 10}, "last segment");

    // Coincident neighbours use the point itself and never divide by zero.
    const auto coincident = pointsOf({{0, 0}, {0, 0}, {10, 10}, {10, 10 + 1e-6}, {20, 0}});
    for (double alpha : {0.0, 0.5, 1.0}) {
        CPTScatterPlot::ViewPoints a(5), b(5);
        CPTScatterPlot::computeCatmullRomControlPoints(a, b, alpha, coincident, NSMakeRange(0, 5));
        for (std::size_t i = 1; i < 5; ++i) {
            EXPECT_TRUE(std::isfinite(a[i].x) && std::isfinite(a[i].y)) << alpha << " " << i;
            EXPECT_TRUE(std::isfinite(b[i].x) && std::isfinite(b[i].y)) << alpha << " " << i;
        }
        expectPoint(a[2], {0, 0}, "after a coincident point: the start itself");
        expectPoint(b[2], {10, 10}, "before a coincident point: the end itself");
    }
}

TEST(CPTScatterPlot, HermiteControlPoints) {
    struct Case {
        const char* what;
        CPTScatterPlot::ViewPoints points;
        bool monotonic;
        CGPoint cp2At1, cp1At2;
    };
    const Case cases[] = {
        // Tangent (20, 30) limited to the smaller neighbouring steps (10, 10), then divided by 6.
        {"monotonic", pointsOf({{0, 0}, {10, 10}, {20, 30}, {30, 35}}), true, {10 - 10 / 6.0, 10 - 10 / 6.0},
         {10 + 10 / 6.0, 10 + 10 / 6.0}},
        // Tangent (20, 0) as it is.
        {"not monotonic", pointsOf({{0, 0}, {10, 10}, {20, 0}, {30, 10}}), false, {10 - 20 / 6.0, 10},
         {10 + 20 / 6.0, 10}},
    };
    for (const Case& c : cases) {
        const NSRange all = NSMakeRange(0, c.points.size());
        EXPECT_EQ(CPTScatterPlot::monotonicViewPoints(c.points, all), c.monotonic) << c.what;
        CPTScatterPlot::ViewPoints cp1(c.points.size()), cp2(c.points.size());
        CPTScatterPlot::computeHermiteControlPoints(cp1, cp2, c.points, all);
        expectPoint(cp2[1], c.cp2At1, c.what);
        expectPoint(cp1[2], c.cp1At2, c.what);
        // The end tangents are the end steps.
        expectPoint(cp1[1], {c.points[1].x / 6, c.points[1].y / 6}, c.what);
    }
    struct Mono {
        CPTScatterPlot::ViewPoints points;
        bool monotonic;
    };
    const Mono monos[] = {
        {pointsOf({{0, 0}}), true},
        {pointsOf({{0, 0}, {1, 1}, {1, 1}, {2, 3}}), true},
        {pointsOf({{3, 0}, {2, 1}, {1, 2}}), true},
        {pointsOf({{0, 0}, {1, 1}, {2, 0}}), false},
        {pointsOf({{0, 0}, {1, 0}, {0, 1}}), false},
    };
    for (const Mono& m : monos)
        EXPECT_EQ(CPTScatterPlot::monotonicViewPoints(m.points, NSMakeRange(0, m.points.size())), m.monotonic);
}

TEST(CPTScatterPlot, ACurveWithAMissingPointKeepsBothRuns) {
    const auto points = pointsOf({{0, 0}, {10, 10}, {20, 0}, {kNaN, kNaN}, {40, 0}, {50, 10}, {60, 0}});
    for (auto option : {CPTScatterPlotCurvedInterpolationNormal, CPTScatterPlotCurvedInterpolationCatmullRomCentripetal,
                        CPTScatterPlotCurvedInterpolationHermiteCubic}) {
        CPTScatterPlot plot;
        plot.setInterpolation(CPTScatterPlotInterpolationCurved);
        plot.setCurvedInterpolationOption(option);
        const gfx::Path path = plot.newDataLinePathForViewPoints(points, NSMakeRange(0, 7), kNaN);
        int moves = 0, cubics = 0;
        for (const auto& e : path.elements()) {
            moves += e.kind == gfx::Path::Kind::Move;
            cubics += e.kind == gfx::Path::Kind::Cubic;
        }
        EXPECT_EQ(moves, 2) << option;
        EXPECT_EQ(cubics, 4) << option;
        EXPECT_TRUE(path.isFinite()) << option;
        // The second run is the first one moved along: it does not lean towards points beyond the break.
        const auto& e = path.elements();
        EXPECT_NEAR(e[1].points[0].x + 40, e[4].points[0].x, 1e-9) << option;
        EXPECT_NEAR(e[1].points[0].y, e[4].points[0].y, 1e-9) << option;
    }
    // With a baseline each run closes on its own.
    CPTScatterPlot plot;
    plot.setInterpolation(CPTScatterPlotInterpolationCurved);
    const std::string text = pathText(plot.newDataLinePathForViewPoints(points, NSMakeRange(0, 7), 0));
    EXPECT_NE(text.find("L 20 0 L 0 0 Z M 40 0"), std::string::npos) << text;
}

TEST(CPTScatterPlot, LineHitsWithinTheMargin) {
    ScatterChart chart({0, 10}, {5, 5}); // a line along view y 50
    struct Case {
        double dy;
        bool hit;
    };
    for (const Case& c : {Case{0, true}, Case{3.9, true}, Case{-3.9, true}, Case{4.1, false}, Case{-4.1, false}})
        EXPECT_EQ(chart.plot->plotWasLineHitByInteractionPoint({100, 50 + c.dy}), c.hit) << c.dy;
    // Round caps reach beyond the ends.
    EXPECT_TRUE(chart.plot->plotWasLineHitByInteractionPoint({-3, 50}));
    chart.plot->setHidden(true);
    EXPECT_FALSE(chart.plot->plotWasLineHitByInteractionPoint({100, 50}));
}

TEST(CPTScatterPlot, ClosestVisiblePoint) {
    ScatterChart chart({2, 6, 20, 8}, {5, 5, 5, kNaN});
    struct Case {
        CGPoint point;
        std::uint64_t index;
    };
    const Case cases[] = {
        {{80, 50}, 0},  // equally far from 0 and 1: the lower index
        {{100, 50}, 1}, // nearer 1
        {{199, 50}, 1}, // record 2 lies outside the range, record 3 is missing
        {{0, 0}, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(chart.plot->dataIndexFromInteractionPoint(c.point), c.index) << c.point.x;
    ScatterChart empty({}, {});
    EXPECT_EQ(empty.plot->dataIndexFromInteractionPoint({10, 10}), foundation::notFound);
}

TEST(CPTScatterPlot, ACurvedLineEnclosesItsBulge) {
    ScatterChart chart({0, 5, 10, 15}, {0, 10, 10, 0});
    chart.graph->xySpace()->setXRange(rangeOf(0, 20));
    chart.graph->xySpace()->setYRange(rangeOf(0, 20));
    auto straight = chart.plot->plotRangeEnclosingField(1);
    EXPECT_DOUBLE_EQ(straight->lengthDouble(), 10);
    chart.plot->setInterpolation(CPTScatterPlotInterpolationCurved);
    chart.plot->setCurvedInterpolationOption(CPTScatterPlotCurvedInterpolationCatmullRomUniform);
    // The middle segment runs 10, 11.667, 11.667, 10: its top at t = 0.5 is (10 + 35 + 35 + 10) / 8.
    auto y = chart.plot->plotRangeEnclosingField(1);
    EXPECT_NEAR(y->locationDouble(), 0, 1e-9);
    EXPECT_NEAR(y->lengthDouble(), 11.25, 1e-6);
    auto x = chart.plot->plotRangeEnclosingField(0);
    EXPECT_NEAR(x->locationDouble(), 0, 1e-9);
    EXPECT_NEAR(x->lengthDouble(), 15, 1e-6);
}

TEST(CPTScatterPlot, SymbolsPerRecord) {
    ScatterChart chart({1, 2, 3}, {1, 2, 3});
    auto own = CPTPlotSymbol::plusPlotSymbol();
    chart.plot->setPlotSymbol(own);
    auto star = CPTPlotSymbol::starPlotSymbol();
    chart.source->symbols = std::vector<std::shared_ptr<CPTPlotSymbol>>{star, nullptr, star};
    NotificationListener redraws(CPTLegendNeedsRedrawForPlotNotification, chart.plot.get());
    chart.plot->reloadData();
    EXPECT_EQ(redraws.count(), 1u);
    EXPECT_EQ(chart.plot->plotSymbols()[1], CPTPlotObject::nilData());
    EXPECT_EQ(chart.plot->plotSymbolForRecordIndex(0), star);
    EXPECT_EQ(chart.plot->plotSymbolForRecordIndex(1), chart.plot->plotSymbol());
    EXPECT_EQ(chart.plot->plotSymbolForRecordIndex(7), chart.plot->plotSymbol());
}

TEST(CPTScatterPlot, LabelsSitAboveTheirPointAndHideWhenAValueIsMissing) {
    ScatterChart chart({1, kNaN, 3}, {1, 2, 3});
    chart.plot->setLabelOffset(6);
    chart.plot->setLabelTextStyle(CPTTextStyle::textStyle());
    chart.plot->setLabelField(0);
    chart.plot->relabel();
    const auto& labels = *chart.plot->labelAnnotations();
    ASSERT_TRUE(labels[0]);
    EXPECT_EQ(labels[0]->displacement(), (CGPoint{0, 6}));
    EXPECT_EQ(labels[0]->anchorPlotPoint()->at(1).toDouble(), 1);
    EXPECT_FALSE(labels[1]) << "no value to show";
    chart.plot->setLabelField(1);
    chart.plot->setNeedsRelabel();
    chart.plot->relabel();
    ASSERT_TRUE(labels[1]);
    EXPECT_TRUE(labels[1]->contentLayer()->isHidden());
    EXPECT_FALSE(labels[2]->contentLayer()->isHidden());
}

TEST(CPTScatterPlot, DrawingOrderInOneTransparencyLayer) {
    ScatterChart chart({1, 5, 9}, {2, 6, 2});
    const gfx::Color area{1, 0, 0, 1}, band{0, 1, 0, 1}, line{0, 0, 1, 1}, second{1, 1, 0, 1};
    chart.plot->setAreaFill(CPTFill::fillWithColor(CPTColor::colorWithCGColor(area)));
    chart.plot->setAreaBaseValue(Value(0.0));
    chart.plot->setAreaFill2(CPTFill::fillWithColor(CPTColor::colorWithCGColor(second)));
    chart.plot->setAreaBaseValue2(Value(8.0));
    chart.plot->addAreaFillBand(
        CPTLimitBand::limitBandWithRange(rangeOf(4, 2), CPTFill::fillWithColor(CPTColor::colorWithCGColor(band))));
    auto style = CPTMutableLineStyle::lineStyle();
    style->setLineColor(CPTColor::colorWithCGColor(line));
    chart.plot->setDataLineStyle(style);
    auto symbol = CPTPlotSymbol::ellipsePlotSymbol();
    symbol->setFill(CPTFill::fillWithColor(CPTColor::blackColor()));
    chart.plot->setPlotSymbol(symbol);
    auto shadow = CPTMutableShadow::shadow();
    shadow->setShadowOffset({2, -2});
    shadow->setShadowColor(CPTColor::blackColor());
    chart.plot->setShadow(shadow);

    auto rec = gfx::makeRecordingContext(gfx::Rect(0, 0, 200, 100));
    chart.plot->renderAsVectorInContext(*rec.context);
    const gfx::Recorder* group = nullptr;
    int groups = 0;
    for (const auto& r : rec.recorder->records())
        if (r.op == gfx::Recorder::Op::Group) {
            ++groups;
            group = r.group.get();
        }
    ASSERT_EQ(groups, 1);
    std::vector<std::string> order;
    for (const auto& r : group->records()) {
        if (r.op == gfx::Recorder::Op::Fill && r.state.fillColor == area)
            order.push_back("area");
        else if (r.op == gfx::Recorder::Op::Fill && r.state.fillColor == second)
            order.push_back("area2");
        else if (r.op == gfx::Recorder::Op::Fill && r.state.fillColor == band)
            order.push_back("band");
        else if (r.op == gfx::Recorder::Op::Stroke && r.state.strokeColor == line)
            order.push_back("line");
        else if (r.op != gfx::Recorder::Op::Save && r.op != gfx::Recorder::Op::Restore &&
                 r.op != gfx::Recorder::Op::Clip)
            order.push_back("symbol");
    }
    // Each of the three symbols is filled and outlined, after everything else.
    EXPECT_EQ(order, (std::vector<std::string>{"area", "area2", "band", "line", "symbol", "symbol", "symbol",
                                               "symbol", "symbol", "symbol"}));

    // Without a shadow everything is drawn straight through.
    chart.plot->setShadow(nullptr);
    rec.recorder->clear();
    chart.plot->renderAsVectorInContext(*rec.context);
    for (const auto& r : rec.recorder->records())
        EXPECT_NE(r.op, gfx::Recorder::Op::Group);
}

TEST(CPTScatterPlot, SymbolsOnABitmapAreThoseDrawnOneByOne) {
    // Four records drawn; a missing x, a missing y, one beyond the x range and one beyond the y range not.
    ScatterChart chart({1, 2, kNaN, 3, 12, 5.5, 8, 6}, {2, 3, 4, kNaN, 5, 11, 8.2, 1.5});
    chart.plot->setDataLineStyle(nullptr);
    const std::vector<CGPoint> drawn{{20, 20}, {40, 30}, {160, 82}, {120, 15}};
    const CGPoint notDrawn[] = {{240, 50}, {110, 110}};
    auto styled = [](std::shared_ptr<CPTPlotSymbol> symbol, CGSize size, const gfx::Color& line, double width,
                     std::shared_ptr<CPTFill> fill) {
        auto style = CPTMutableLineStyle::lineStyle();
        style->setLineColor(CPTColor::colorWithCGColor(line));
        style->setLineWidth(width);
        style->setLineCap(1);
        symbol->setLineStyle(style);
        symbol->setSize(size);
        symbol->setFill(std::move(fill));
        return symbol;
    };
    struct Case {
        const char* name;
        std::shared_ptr<CPTPlotSymbol> symbol;
    };
    const Case cases[] = {
        {"plus", styled(CPTPlotSymbol::plusPlotSymbol(), {8, 8}, gfx::Color::black(), 1, nullptr)},
        {"thick snow", styled(CPTPlotSymbol::snowPlotSymbol(), {9, 7}, gfx::Color{0, 0, 1, 1}, 2.5, nullptr)},
        {"cross, a fill set but never painted",
         styled(CPTPlotSymbol::crossPlotSymbol(), {6, 6}, gfx::Color{0, 0.5, 0, 1}, 1,
                CPTFill::fillWithColor(CPTColor::redColor()))},
        {"filled and outlined ellipse",
         styled(CPTPlotSymbol::ellipsePlotSymbol(), {7, 7}, gfx::Color::black(), 1,
                CPTFill::fillWithColor(CPTColor::redColor()))},
        {"filled and outlined star",
         styled(CPTPlotSymbol::starPlotSymbol(), {10, 10}, gfx::Color{0, 0, 1, 1}, 1.5,
                CPTFill::fillWithColor(CPTColor::yellowColor()))},
    };
    for (const Case& c : cases) {
        for (const double scale : {1.0, 2.0}) {
            SCOPED_TRACE(std::string(c.name) + ", scale " + num(scale));
            chart.plot->setPlotSymbol(c.symbol);
            chart.plot->setContentsScale(scale);
            auto plotted = gfx::BitmapContext::pointsContext({260, 130}, scale, gfx::Color::white());
            chart.plot->renderAsVectorInContext(plotted->context());
            auto alone = gfx::BitmapContext::pointsContext({260, 130}, scale, gfx::Color::white());
            auto symbol = c.symbol->copy();
            for (const CGPoint& p : drawn)
                symbol->renderInContext(alone->context(), p, scale, chart.plot->alignsPointsToPixels());
            const gfx::Image a = plotted->image(), b = alone->image();
            ASSERT_EQ(a.pixelWidth(), b.pixelWidth());
            for (int y = 0; y < a.pixelHeight(); ++y) {
                for (int x = 0; x < a.pixelWidth(); ++x) {
                    const gfx::Color pa = a.pixel(x, y), pb = b.pixel(x, y);
                    ASSERT_EQ(pa == gfx::Color::white(), pb == gfx::Color::white()) << x << ", " << y;
                    const double worst = std::max({std::fabs(pa.red - pb.red), std::fabs(pa.green - pb.green),
                                                   std::fabs(pa.blue - pb.blue)});
                    ASSERT_LE(worst, 3 / 255.0) << x << ", " << y;
                }
            }
            for (const CGPoint& p : drawn)
                EXPECT_NE(a.pixel(int(p.x * scale), int(p.y * scale)), gfx::Color::white());
            for (const CGPoint& p : notDrawn)
                EXPECT_EQ(a.pixel(int(p.x * scale), int(p.y * scale)), gfx::Color::white());
        }
    }
}

TEST(CPTScatterPlot, AreaFillBands) {
    CPTScatterPlot plot;
    auto a = CPTLimitBand::limitBandWithRange(rangeOf(0, 1), nullptr);
    auto b = CPTLimitBand::limitBandWithRange(rangeOf(2, 1), nullptr);
    plot.addAreaFillBand(a);
    plot.addAreaFillBand(b);
    plot.addAreaFillBand(nullptr);
    EXPECT_EQ(plot.areaFillBands().size(), 2u);
    plot.removeAreaFillBand(a);
    EXPECT_EQ(plot.areaFillBands(), std::vector<std::shared_ptr<CPTLimitBand>>{b});
}

TEST(CPTScatterPlot, LegendSwatchShowsTheLineAndTheSymbol) {
    const gfx::Color line{0, 0, 1, 1}, mark{1, 0, 0, 1};
    CPTScatterPlot plot;
    auto style = CPTMutableLineStyle::lineStyle();
    style->setLineColor(CPTColor::colorWithCGColor(line));
    plot.setDataLineStyle(style);
    auto symbol = CPTPlotSymbol::plusPlotSymbol();
    auto symbolStyle = CPTMutableLineStyle::lineStyle();
    symbolStyle->setLineColor(CPTColor::colorWithCGColor(mark));
    symbol->setLineStyle(symbolStyle);
    plot.setPlotSymbol(symbol);
    CPTLegend legend;
    for (bool decorated : {true, false}) {
        plot.setDrawLegendSwatchDecoration(decorated);
        auto rec = gfx::makeRecordingContext(gfx::Rect(0, 0, 100, 100));
        plot.drawSwatchForLegend(legend, 0, CGRect(10, 20, 30, 10), *rec.context);
        bool lineAcross = false, symbolAtCentre = false;
        for (const auto& r : rec.recorder->records()) {
            if (r.op != gfx::Recorder::Op::Stroke)
                continue;
            const CGRect box = r.path.boundingBox();
            lineAcross = lineAcross || (r.state.strokeColor == line && box.minX() <= 10.5 && box.maxX() >= 39.5 &&
                                        std::fabs(box.midY() - 25) <= 0.5);
            symbolAtCentre = symbolAtCentre || (r.state.strokeColor == mark && std::fabs(box.midX() - 25) <= 0.5 &&
                                                std::fabs(box.midY() - 25) <= 0.5);
        }
        EXPECT_EQ(lineAcross, decorated);
        EXPECT_EQ(symbolAtCentre, decorated);
    }
}
