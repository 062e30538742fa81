// The bar plot: bar geometry in both directions, widths, corner radii, pixel snapping, the per-record
// lists and their fallbacks, extents, labels beyond the tips, legend entries, hit tests and the
// drawing of mismatched fields.
#include "plot/axes_plots/CPTBarPlot.h"
#include "plot/foundation/CPTColor.h"
#include "plot/graph/CPTLegend.h"
#include "plot/foundation/CPTShadow.h"
#include "plot/foundation/CPTTextStyle.h"
#include "platform/foundation/Log.h"
#include "tests/plot/graph/FakeDataSource.h"
#include "tests/plot/graph/GraphFixtures.h"

#include <gtest/gtest.h>

#include <cmath>

using foundation::Value;

namespace {

class BarSource : public FakeSource<CPTBarPlotDataSource> {
  public:
    std::optional<CPTPlotObjectList> fills;                     // the list form
    std::optional<std::vector<std::shared_ptr<CPTFill>>> fill;  // the single form; null is nil
    std::optional<std::vector<std::string>> titles;

    std::optional<CPTPlotObjectList> barFillsForBarPlot(CPTBarPlot&, NSRange r) override {
        if (!fills)
            return std::nullopt;
        return CPTPlotObjectList(fills->begin() + long(r.location), fills->begin() + long(r.end()));
    }
    std::optional<std::shared_ptr<CPTFill>> barFillForBarPlot(CPTBarPlot&, std::uint64_t i) override {
        if (!fill)
            return std::nullopt;
        return i < fill->size() ? (*fill)[i] : nullptr;
    }
    std::optional<std::string> legendTitleForBarPlot(CPTBarPlot&, std::uint64_t i) override {
        if (!titles || i >= titles->size())
            return std::nullopt;
        return (*titles)[i];
    }
};

// A 200 x 100 plot area over x 0..10 and y 0..10: 20 points per x unit, 10 per y unit.
struct BarChart {
    std::shared_ptr<TestGraph> graph = graphWithPlotArea(200, 100);
    std::shared_ptr<CPTBarPlot> plot = std::make_shared<CPTBarPlot>();
    std::shared_ptr<BarSource> source = std::make_shared<BarSource>();

    BarChart(std::initializer_list<double> locations, std::initializer_list<double> tips, bool horizontal = false) {
        graph->xySpace()->setXRange(rangeOf(0, 10));
        graph->xySpace()->setYRange(rangeOf(0, 10));
        graph->addPlot(plot);
        plot->setBarsAreHorizontal(horizontal);
        source->records = locations.size();
        source->answers = {Answer::Numbers};
        source->fields = {{0, numbers(locations)}, {1, numbers(tips)}};
        plot->setDataSource(source);
        plot->reloadData();
    }
    CGRect barRect(std::uint64_t i) const { return plot->newBarPath(nullptr, i).boundingBox(); }
};

void expectRect(CGRect actual, CGRect expected) {
    EXPECT_NEAR(actual.minX(), expected.minX(), 1e-9);
    EXPECT_NEAR(actual.minY(), expected.minY(), 1e-9);
    EXPECT_NEAR(actual.maxX(), expected.maxX(), 1e-9);
    EXPECT_NEAR(actual.maxY(), expected.maxY(), 1e-9);
}

void expectRange(const std::shared_ptr<CPTPlotRange>& range, double location, double length) {
    ASSERT_TRUE(range);
    EXPECT_NEAR(range->locationDouble(), location, 1e-12);
    EXPECT_NEAR(range->lengthDouble(), length, 1e-12);
}

int countOps(const gfx::Recorder& recorder, gfx::Recorder::Op op) {
    int n = 0;
    for (const auto& r : recorder.records()) {
        if (r.op == op)
            ++n;
        if (r.group)
            n += countOps(*r.group, op);
    }
    return n;
}

} // namespace

TEST(CPTBarPlot, DefaultsAndFields) {
    CPTBarPlot plot;
    EXPECT_EQ(plot.labelOffset(), 10.0);
    EXPECT_EQ(plot.labelField(), 1u);
    EXPECT_EQ(plot.barWidth().toDouble(), 0.5);
    EXPECT_TRUE(plot.fill());
    EXPECT_TRUE(plot.lineStyle());
    EXPECT_EQ(plot.numberOfFields(), 3u);

    struct Case {
        bool horizontal, vary;
        std::vector<std::uint64_t> x, y;
        std::uint64_t locationCoordinate;
    };
    const Case cases[] = {
        {false, false, {0}, {1}, 0},
        {false, true, {0}, {1, 2}, 0},
        {true, false, {1}, {0}, 1},
        {true, true, {1, 2}, {0}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.horizontal << c.vary);
        plot.setBarsAreHorizontal(c.horizontal);
        plot.setBarBasesVary(c.vary);
        EXPECT_EQ(plot.fieldIdentifiersForCoordinate(CPTCoordinateX), c.x);
        EXPECT_EQ(plot.fieldIdentifiersForCoordinate(CPTCoordinateY), c.y);
        EXPECT_EQ(plot.coordinateForFieldIdentifier(0), c.locationCoordinate);
        EXPECT_EQ(plot.coordinateForFieldIdentifier(1), 1 - c.locationCoordinate);
        EXPECT_EQ(plot.coordinateForFieldIdentifier(2), 1 - c.locationCoordinate);
        EXPECT_EQ(plot.coordinateForFieldIdentifier(3), foundation::notFound);
    }
    try {
        plot.fieldIdentifiersForCoordinate(CPTCoordinate(2));
        FAIL() << "no exception";
    } catch (const CPTException& e) {
        EXPECT_EQ(e.reason(), "Invalid coordinate passed to fieldIdentifiersForCoordinate:");
    }
}

TEST(CPTBarPlot, CornerRadiiAreStoredAsAbsoluteValues) {
    CPTBarPlot plot;
    plot.setBarCornerRadius(-3);
    plot.setBarBaseCornerRadius(-4);
    EXPECT_EQ(plot.barCornerRadius(), 3);
    EXPECT_EQ(plot.barBaseCornerRadius(), 4);
}

TEST(CPTBarPlot, TubularBars) {
    for (bool horizontal : {false, true}) {
        auto plot = CPTBarPlot::tubularBarPlotWithColor(*CPTColor::redColor(), horizontal);
        EXPECT_EQ(plot->barsAreHorizontal(), horizontal);
        EXPECT_EQ(plot->barWidth().toDouble(), 0.8);
        EXPECT_EQ(plot->barCornerRadius(), 2.0);
        EXPECT_EQ(plot->lineStyle()->lineWidth(), 1.0);
        EXPECT_STREQ(plot->fill()->className(), "_CPTFillGradient");
    }
}

TEST(CPTBarPlot, WidthInPlotUnitsFollowsTheScale) {
    BarChart chart({5}, {4});
    // 0.5 of an x range of 10 over 200 points.
    expectRect(chart.barRect(0), CGRect(95, 0, 10, 40));
    chart.plot->setBarWidthsAreInViewCoordinates(true);
    chart.plot->setBarWidth(Value(6.0));
    expectRect(chart.barRect(0), CGRect(97, 0, 6, 40));
    // The offset moves the bar along its location, in the width's unit.
    chart.plot->setBarOffset(Value(4.0));
    expectRect(chart.barRect(0), CGRect(101, 0, 6, 40));
}

TEST(CPTBarPlot, BarsBelowTheBaseAndOfZeroHeight) {
    BarChart chart({1, 2, 3}, {4, -2, 0});
    chart.graph->xySpace()->setYRange(rangeOf(-5, 10));
    chart.plot->setLabelTextStyle(CPTTextStyle::textStyle());
    chart.plot->relabel();
    CGPoint base, tip;
    ASSERT_TRUE(chart.plot->barAtRecordIndex(1, base, tip));
    EXPECT_LT(tip.y, base.y);
    ASSERT_TRUE(chart.plot->barAtRecordIndex(2, base, tip));
    EXPECT_EQ(tip.y, base.y);
    EXPECT_FALSE(chart.plot->newBarPath(nullptr, 2).isEmpty());

    const auto& labels = *chart.plot->labelAnnotations();
    ASSERT_EQ(labels.size(), 3u);
    EXPECT_EQ(labels[0]->displacement(), (CGPoint{0, 10}));
    EXPECT_EQ(labels[1]->displacement(), (CGPoint{0, -10}));
    EXPECT_EQ(labels[2]->displacement(), (CGPoint{0, 10}));
    // The label of the bar pointing down hangs below its tip.
    EXPECT_EQ(labels[1]->contentAnchorPoint(), (CGPoint{0.5, 1}));
    // A reversed value range flips which side is beyond the tip on screen.
    chart.graph->xySpace()->setYRange(rangeOf(5, -10));
    chart.plot->repositionAllLabelAnnotations();
    EXPECT_EQ(labels[0]->displacement(), (CGPoint{0, -10}));
    EXPECT_EQ(labels[1]->displacement(), (CGPoint{0, 10}));
}

TEST(CPTBarPlot, TipRadiusIsLimitedByTheBar) {
    // A bar 4 points wide and 20 points tall.
    BarChart chart({5}, {2});
    chart.plot->setBarWidthsAreInViewCoordinates(true);
    chart.plot->setBarWidth(Value(4.0));
    chart.plot->setBarCornerRadius(5);
    const gfx::Path path = chart.plot->newBarPath(nullptr, 0);
    expectRect(path.pathBoundingBox(), CGRect(98, 0, 4, 20));
    struct Probe {
        CGPoint point;
        bool inside;
        const char* what;
    };
    const Probe probes[] = {
        {{98.3, 19.7}, false, "tip corner, cut by a radius-2 arc"},
        {{101.7, 19.7}, false, "other tip corner"},
        {{98.6, 19.0}, true, "inside the radius-2 arc"},
        {{98.1, 0.1}, true, "base corner stays sharp"},
        {{101.9, 0.1}, true, "other base corner"},
    };
    for (const Probe& p : probes)
        EXPECT_EQ(path.contains(p.point), p.inside) << p.what;

    chart.plot->setBarBaseCornerRadius(1);
    EXPECT_FALSE(chart.plot->newBarPath(nullptr, 0).contains({98.1, 0.1}));
}

TEST(CPTBarPlot, PixelSnappingKeepsTheDirectionOfTheBar) {
    BarChart chart({1.03}, {-2.03});
    chart.graph->xySpace()->setYRange(rangeOf(-5, 10));
    auto rec = gfx::makeRecordingContext(gfx::Rect(0, 0, 400, 200), 2);
    rec.context->scaleCTM(2, 2);
    // Base 0 at view y 50, tip -2.03 at 29.7; 0.5 wide is 10 points around 20.6.
    const CGRect r = chart.plot->newBarPath(rec.context.get(), 0).boundingBox();
    EXPECT_NEAR(r.minY(), 29.7, 0.5) << "the bar still points down from its base";
    EXPECT_NEAR(r.maxY(), 50, 0.5);
    EXPECT_NEAR(r.minX(), 15.6, 0.5);
    EXPECT_NEAR(r.maxX(), 25.6, 0.5);
    // Lined bars sit on pixel centres: at scale 2 a centre is an odd number of quarter points.
    for (double edge : {r.minX(), r.maxX(), r.minY(), r.maxY()})
        EXPECT_NEAR(std::fmod(edge * 2, 1.0), 0.5, 1e-9) << edge;
    // Without an outline they sit on pixel edges.
    chart.plot->setLineStyle(nullptr);
    const CGRect e = chart.plot->newBarPath(rec.context.get(), 0).boundingBox();
    for (double edge : {e.minX(), e.maxX(), e.minY(), e.maxY()})
        EXPECT_NEAR(std::fmod(edge * 2, 1.0), 0.0, 1e-9) << edge;
    EXPECT_NEAR(e.minY(), 29.5, 1e-9);
}

TEST(CPTBarPlot, Extents) {
    BarChart chart({1, 2, 3}, {2, 5, 3});
    expectRange(chart.plot->plotRangeForCoordinate(CPTCoordinateY), 0, 5);
    expectRange(chart.plot->plotRangeEnclosingBars(), 0.75, 2.5);
    expectRange(chart.plot->plotRangeEnclosingField(0), 0.75, 2.5);
    expectRange(chart.plot->plotRangeEnclosingField(1), 2, 3);
    EXPECT_FALSE(chart.plot->plotRangeEnclosingField(3));

    chart.source->fields[2] = numbers({1, 1, 4});
    chart.plot->setBarBasesVary(true);
    chart.plot->reloadDataIfNeeded();
    expectRange(chart.plot->plotRangeForCoordinate(CPTCoordinateY), 1, 4);

    BarChart horizontal({1, 2, 3}, {2, 5, 3}, true);
    expectRange(horizontal.plot->plotRangeForCoordinate(CPTCoordinateX), 0, 5);
    expectRange(horizontal.plot->plotRangeEnclosingField(0), 0.75, 2.5);
}

TEST(CPTBarPlot, APlotRangeSpreadsTheLocations) {
    BarChart chart({7, 7, 7, 7, 7}, {1, 2, 3, 4, 5});
    chart.plot->setPlotRange(rangeOf(10, 4));
    chart.plot->reloadData();
    EXPECT_EQ(chart.plot->barLocations(), numbers({10, 11, 12, 13, 14}));
    chart.plot->setCachePrecision(CPTPlotCachePrecisionDecimal);
    chart.plot->reloadData();
    for (std::uint64_t i = 0; i < 5; ++i)
        EXPECT_EQ(chart.plot->cachedDecimalForField(0, i), NSDecimal::fromInt64(10 + std::int64_t(i)));
    // Without a source the locations count from 0, and there are no tips.
    chart.plot->setPlotRange(nullptr);
    chart.plot->setDataSource(nullptr);
    chart.plot->reloadData();
    EXPECT_TRUE(chart.plot->barTips().empty());
}

TEST(CPTBarPlot, FillsFromTheSourceAndTheirFallbacks) {
    auto red = CPTFill::fillWithColor(CPTColor::redColor());
    auto blue = CPTFill::fillWithColor(CPTColor::blueColor());
    {
        SCOPED_TRACE("single form: nil falls back to the plot's fill");
        BarChart chart({1, 2, 3}, {1, 2, 3});
        chart.source->fill = std::vector<std::shared_ptr<CPTFill>>{red, nullptr, blue};
        chart.plot->reloadData();
        EXPECT_EQ(chart.plot->barFillForIndex(0)->className(), red->className());
        EXPECT_EQ(chart.plot->barFillForIndex(1), chart.plot->fill());
        EXPECT_EQ(chart.plot->barFills()[1], CPTPlotObject::nilData());
        EXPECT_EQ(chart.plot->numberOfLegendEntries(), 3u);
    }
    {
        SCOPED_TRACE("list form: a null entry draws no fill");
        BarChart chart({1, 2, 3}, {1, 2, 3});
        chart.source->fills = CPTPlotObjectList{CPTPlotObject(red), CPTPlotObject(), CPTPlotObject::nilData()};
        chart.plot->reloadData();
        EXPECT_TRUE(chart.plot->barFillForIndex(0));
        EXPECT_FALSE(chart.plot->barFillForIndex(1));
        EXPECT_EQ(chart.plot->barFillForIndex(2), chart.plot->fill());
        auto rec = gfx::makeRecordingContext(gfx::Rect(0, 0, 200, 100));
        chart.plot->setLineStyle(nullptr);
        chart.plot->renderAsVectorInContext(*rec.context);
        EXPECT_EQ(countOps(*rec.recorder, gfx::Recorder::Op::Fill), 2);
        EXPECT_EQ(chart.plot->numberOfLegendEntries(), 1u);
    }
}

TEST(CPTBarPlot, WidthsFromTheSource) {
    struct WidthSource : BarSource {
        std::optional<foundation::Value> barWidthForBarPlot(CPTBarPlot&, std::uint64_t i) override {
            if (i == 0)
                return Value(1.0);
            if (i == 1)
                return Value();
            return Value("wide");
        }
    };
    BarChart chart({2, 4, 6}, {1, 1, 1});
    auto source = std::make_shared<WidthSource>();
    source->records = 3;
    source->answers = chart.source->answers;
    source->fields = chart.source->fields;
    chart.plot->setDataSource(source);
    chart.plot->reloadData();
    EXPECT_NEAR(chart.barRect(0).size.width, 20, 1e-9);
    EXPECT_NEAR(chart.barRect(1).size.width, 10, 1e-9) << "nil: the plot's width";
    EXPECT_NEAR(chart.barRect(2).size.width, 10, 1e-9) << "not a number: the plot's width";
}

TEST(CPTBarPlot, HorizontalBarsSwapEveryRole) {
    BarChart chart({2, 6}, {3, -1}, true);
    chart.graph->xySpace()->setXRange(rangeOf(-5, 10));
    // Location 2 on y (20 points), tip 3 on x (160 points), base 0 (100 points); width 0.5 of 10 y units
    // over 100 points is 5 points.
    expectRect(chart.barRect(0), CGRect(100, 17.5, 60, 5));
    CGPoint base, tip;
    ASSERT_TRUE(chart.plot->barAtRecordIndex(1, base, tip));
    EXPECT_LT(tip.x, base.x);
    EXPECT_EQ(chart.plot->dataIndexFromInteractionPoint({150, 20}), 0u);
    EXPECT_EQ(chart.plot->dataIndexFromInteractionPoint({90, 60}), 1u);
    EXPECT_EQ(chart.plot->dataIndexFromInteractionPoint({90, 20}), foundation::notFound);
    chart.plot->setLabelTextStyle(CPTTextStyle::textStyle());
    chart.plot->relabel();
    const auto& labels = *chart.plot->labelAnnotations();
    EXPECT_EQ(labels[0]->displacement(), (CGPoint{10, 0}));
    EXPECT_EQ(labels[1]->displacement(), (CGPoint{-10, 0}));
    EXPECT_EQ(labels[0]->anchorPlotPoint()->at(0).toDouble(), 3);
    EXPECT_EQ(labels[0]->anchorPlotPoint()->at(1).toDouble(), 2);
}

TEST(CPTBarPlot, HitTests) {
    BarChart chart({2, 5}, {6, 6});
    chart.plot->setBarWidthsAreInViewCoordinates(true);
    chart.plot->setBarWidth(Value(20.0));
    chart.plot->setBarCornerRadius(8);
    // Bar 0 spans x 30..50 and y 0..60; bar 1 spans x 90..110.
    struct Case {
        CGPoint point;
        std::uint64_t index;
        const char* what;
    };
    const Case cases[] = {
        {{40, 30}, 0, "inside a bar"},
        {{100, 59}, 1, "the middle of a rounded tip"},
        {{31, 59}, foundation::notFound, "outside the rounded corner"},
        {{70, 30}, foundation::notFound, "the gap between bars"},
        {{40, 61}, foundation::notFound, "above the tip"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(chart.plot->dataIndexFromInteractionPoint(c.point), c.index) << c.what;
}

TEST(CPTBarPlot, MismatchedFieldsAreLoggedAndDrawNoBars) {
    BarChart chart({1, 2, 3}, {1, 2, 3});
    chart.plot->setBarLocations(numbers({1, 2}));
    chart.plot->setBarTips(numbers({1, 2, 3}));
    foundation::LogCapture log;
    auto rec = gfx::makeRecordingContext(gfx::Rect(0, 0, 200, 100));
    chart.plot->renderAsVectorInContext(*rec.context);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"Number of bar locations and lengths do not match"});
    EXPECT_EQ(countOps(*rec.recorder, gfx::Recorder::Op::Fill), 0);

    BarChart varying({1, 2, 3}, {1, 2, 3});
    varying.plot->setBarBasesVary(true);
    varying.plot->reloadDataIfNeeded();
    varying.plot->setBarBases(numbers({0, 0}));
    foundation::LogCapture log2;
    varying.plot->renderAsVectorInContext(*rec.context);
    EXPECT_EQ(log2.lines(), std::vector<std::string>{"Number of bar lengths and bases do not match"});
}

TEST(CPTBarPlot, AllBarsDrawInOneTransparencyLayer) {
    BarChart chart({1, 2, 3, 20}, {1, std::nan(""), 3, 4});
    // A shadow makes the layer a group of its own in the recording.
    auto shadow = CPTMutableShadow::shadow();
    shadow->setShadowOffset({2, -2});
    shadow->setShadowColor(CPTColor::blackColor());
    chart.plot->setShadow(shadow);
    auto rec = gfx::makeRecordingContext(gfx::Rect(0, 0, 200, 100));
    chart.plot->renderAsVectorInContext(*rec.context);
    int groups = 0;
    for (const auto& r : rec.recorder->records())
        if (r.op == gfx::Recorder::Op::Group) {
            ++groups;
            // A missing tip and a bar beyond the plot area draw nothing: two bars, filled and stroked.
            EXPECT_EQ(countOps(*r.group, gfx::Recorder::Op::Fill), 2);
            EXPECT_EQ(countOps(*r.group, gfx::Recorder::Op::Stroke), 2);
        }
    EXPECT_EQ(groups, 1);
}

TEST(CPTBarPlot, LegendEntriesPerBarWithTheSourcesTitles) {
    BarChart chart({1, 2}, {1, 2});
    chart.plot->setTitle(std::string("Counts"));
    EXPECT_EQ(chart.plot->numberOfLegendEntries(), 1u);
    EXPECT_EQ(chart.plot->titleForLegendEntryAtIndex(0), "Counts");
    chart.source->titles = std::vector<std::string>{"North", "South"};
    EXPECT_EQ(chart.plot->numberOfLegendEntries(), 2u);
    EXPECT_EQ(chart.plot->titleForLegendEntryAtIndex(1), "South");
}

TEST(CPTBarPlot, StyleChangesAskTheLegendToRedraw) {
    CPTBarPlot plot;
    NotificationListener redraws(CPTLegendNeedsRedrawForPlotNotification, &plot);
    plot.setFill(CPTFill::fillWithColor(CPTColor::redColor()));
    plot.setLineStyle(nullptr);
    plot.setBarCornerRadius(2);
    plot.setBarCornerRadius(-2); // the same radius
    plot.setBarWidth(Value(0.7));
    EXPECT_EQ(redraws.count(), 3u);
}

TEST(CPTBarPlot, LegendSwatchInTheBarsFill) {
    const gfx::Color red{1, 0, 0, 1};
    BarChart chart({1, 2}, {1, 2});
    chart.plot->setBarFills({CPTPlotObject(CPTFill::fillWithColor(CPTColor::colorWithCGColor(red))), CPTPlotObject()});
    chart.plot->setLineStyle(nullptr);
    CPTLegend legend;
    auto fillsOf = [&](std::uint64_t idx) {
        auto rec = gfx::makeRecordingContext(gfx::Rect(0, 0, 100, 100));
        chart.plot->drawSwatchForLegend(legend, idx, CGRect(10, 20, 30, 10), *rec.context);
        std::vector<gfx::Color> colors;
        for (const auto& r : rec.recorder->records())
            if (r.op == gfx::Recorder::Op::Fill)
                colors.push_back(r.state.fillColor);
        return colors;
    };
    EXPECT_EQ(fillsOf(0), std::vector<gfx::Color>{red});
    EXPECT_TRUE(fillsOf(1).empty()) << "a null entry draws no swatch fill";
}
