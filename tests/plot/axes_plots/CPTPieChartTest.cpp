// The pie chart: fractions in both caches, the angles of the slices, the slice paths of discs and
// rings, what is drawn for missing, zero and bad values, the default colours, labels around the rim,
// legend entries, and the hit tests by point and by angle.
#include "plot/axes_plots/CPTPieChart.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTLegend.h"
#include "tests/plot/graph/FakeDataSource.h"
#include "tests/plot/graph/GraphFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using foundation::Value;

namespace {

constexpr double kPi = std::numbers::pi;

class PieSource : public FakeSource<CPTPieChartDataSource> {
  public:
    std::optional<std::vector<CGFloat>> offsets;
    std::optional<std::vector<std::string>> titles;
    std::optional<std::vector<std::shared_ptr<CPTFill>>> fill; // the single form; null is nil

    std::optional<std::vector<CGFloat>> radialOffsetsForPieChart(CPTPieChart&, NSRange r) override {
        if (!offsets)
            return std::nullopt;
        return std::vector<CGFloat>(offsets->begin() + long(r.location), offsets->begin() + long(r.end()));
    }
    std::optional<std::string> legendTitleForPieChart(CPTPieChart&, std::uint64_t i) override {
        if (!titles || i >= titles->size())
            return std::nullopt;
        return (*titles)[i];
    }
    std::optional<std::shared_ptr<CPTFill>> sliceFillForPieChart(CPTPieChart&, std::uint64_t i) override {
        if (!fill)
            return std::nullopt;
        return i < fill->size() ? (*fill)[i] : nullptr;
    }
};

// A pie of radius 80 in the middle of a 200 x 200 plot area: its centre is (100, 100).
struct Pie {
    std::shared_ptr<TestGraph> graph = graphWithPlotArea(200, 200);
    std::shared_ptr<CPTPieChart> pie = std::make_shared<CPTPieChart>();
    std::shared_ptr<PieSource> source = std::make_shared<PieSource>();

    explicit Pie(std::vector<double> values, CPTPlotCachePrecision precision = CPTPlotCachePrecisionDouble) {
        pie->setPieRadius(80);
        pie->setAlignsPointsToPixels(false);
        pie->setCachePrecision(precision);
        graph->addPlot(pie);
        graph->layoutIfNeeded();
        source->records = values.size();
        source->answers = {Answer::Numbers};
        Value::Array column;
        for (double v : values)
            column.push_back(std::isnan(v) ? Value() : Value(v));
        source->fields = {{0, column}};
        pie->setDataSource(source);
        pie->reloadData();
    }
    // The point at a distance and angle from the centre, in the plot area's coordinates.
    static CGPoint at(double distance, double angle) {
        return {100 + distance * std::cos(angle), 100 + distance * std::sin(angle)};
    }
};

struct Painted {
    gfx::Path path;
    gfx::Color color;
};

void collectFills(const gfx::Recorder& recorder, std::vector<Painted>& out) {
    for (const auto& r : recorder.records()) {
        if (r.op == gfx::Recorder::Op::Fill)
            out.push_back({r.path, r.state.fillColor});
        if (r.group)
            collectFills(*r.group, out);
    }
}

std::vector<Painted> fillsOf(CPTPieChart& pie) {
    auto rec = gfx::makeRecordingContext(gfx::Rect(0, 0, 200, 200));
    pie.renderAsVectorInContext(*rec.context);
    std::vector<Painted> fills;
    collectFills(*rec.recorder, fills);
    return fills;
}

bool sameColor(const gfx::Color& a, const gfx::Color& b) {
    return std::fabs(a.red - b.red) < 1e-9 && std::fabs(a.green - b.green) < 1e-9 &&
           std::fabs(a.blue - b.blue) < 1e-9 && std::fabs(a.alpha - b.alpha) < 1e-9;
}

} // namespace

TEST(CPTPieChart, Defaults) {
    CPTPieChart pie(CGRect(0, 0, 300, 200));
    EXPECT_DOUBLE_EQ(pie.pieRadius(), 80.0);
    EXPECT_EQ(pie.pieInnerRadius(), 0.0);
    EXPECT_DOUBLE_EQ(pie.startAngle(), 1.5707963267948966);
    EXPECT_TRUE(std::isnan(pie.endAngle()));
    EXPECT_EQ(pie.sliceDirection(), CPTPieDirectionClockwise);
    EXPECT_EQ(pie.centerAnchor(), CGPoint(0.5, 0.5));
    EXPECT_EQ(pie.labelOffset(), 10.0);
    EXPECT_EQ(pie.labelField(), 0u);
    EXPECT_EQ(pie.numberOfFields(), 1u);
    EXPECT_EQ(pie.fieldIdentifiers(), std::vector<std::uint64_t>{0});
    EXPECT_EQ(pie.pointingDeviceDownIndex(), foundation::notFound);

    // Radii are stored as absolute values.
    pie.setPieRadius(-50);
    EXPECT_EQ(pie.pieRadius(), 50.0);
    pie.setPieInnerRadius(-20);
    EXPECT_EQ(pie.pieInnerRadius(), 20.0);
}

TEST(CPTPieChart, FractionsInBothCaches) {
    struct Case {
        const char* name;
        std::vector<double> values;
        std::vector<double> normalized, cumulative; // NaN: a missing fraction
    };
    const Case cases[] = {
        {"1, 1, 2", {1, 1, 2}, {0.25, 0.25, 0.5}, {0.25, 0.5, 1.0}},
        {"a missing value leaves no gap", {1, NAN, 3}, {0.25, NAN, 0.75}, {0.25, 0.25, 1.0}},
        {"negative and infinite values are no slices",
         {-2, 1, INFINITY, 1},
         {NAN, 0.5, NAN, 0.5},
         {0, 0.5, 0.5, 1.0}},
        {"all zeros", {0, 0, 0}, {NAN, NAN, NAN}, {NAN, NAN, NAN}},
        {"one value", {7}, {1.0}, {1.0}},
    };
    for (CPTPlotCachePrecision precision : {CPTPlotCachePrecisionDouble, CPTPlotCachePrecisionDecimal}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message()
                         << c.name << (precision == CPTPlotCachePrecisionDouble ? " doubles" : " decimals"));
            Pie p(c.values, precision);
            ASSERT_EQ(p.pie->cachedDataCount(), c.values.size());
            EXPECT_EQ(p.pie->doublePrecisionCache(), precision == CPTPlotCachePrecisionDouble);
            for (std::size_t i = 0; i < c.values.size(); ++i) {
                const double n = p.pie->cachedDoubleForField(CPTPieChartFieldSliceWidthNormalized, i);
                const double s = p.pie->cachedDoubleForField(CPTPieChartFieldSliceWidthSum, i);
                if (std::isnan(c.normalized[i])) {
                    EXPECT_TRUE(std::isnan(n)) << i;
                } else {
                    EXPECT_NEAR(n, c.normalized[i], 1e-15) << i;
                }
                if (std::isnan(c.cumulative[i])) {
                    EXPECT_TRUE(std::isnan(s)) << i;
                } else {
                    EXPECT_NEAR(s, c.cumulative[i], 1e-15) << i;
                }
            }
        }
    }
}

TEST(CPTPieChart, AnglesOfFractions) {
    struct Case {
        double start, end;
        CPTPieDirection direction;
        double fraction, radians;
    };
    const Case cases[] = {
        {kPi / 2, NAN, CPTPieDirectionClockwise, 0.25, 0},
        {kPi / 2, NAN, CPTPieDirectionClockwise, 1.0, kPi / 2 - 2 * kPi},
        {kPi / 2, NAN, CPTPieDirectionCounterClockwise, 0.25, kPi},
        // An end angle: counter-clockwise the slices share the quarter up to pi, clockwise the three
        // quarters down to -pi.
        {kPi / 2, 0, CPTPieDirectionCounterClockwise, 1.0, kPi},
        {kPi / 2, 0, CPTPieDirectionCounterClockwise, 0.5, 3 * kPi / 4},
        {kPi / 2, 0, CPTPieDirectionClockwise, 1.0, -kPi},
        {kPi / 2, 0, CPTPieDirectionClockwise, 0.5, -kPi / 4},
        // Other directions stay at the start.
        {kPi / 2, NAN, CPTPieDirection(5), 0.5, kPi / 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.start << " " << c.end << " " << c.direction << " " << c.fraction);
        CPTPieChart pie;
        pie.setStartAngle(c.start);
        pie.setEndAngle(c.end);
        pie.setSliceDirection(c.direction);
        EXPECT_NEAR(pie.radiansForPieSliceValue(c.fraction), c.radians, 1e-12);
    }
}

TEST(CPTPieChart, SlicePaths) {
    // 1, 1, 2 clockwise from the top: the first slice is the quarter up and right of the centre, the
    // second the one down and right, the third the left half; each in its default colour.
    Pie p({1, 1, 2});
    auto fills = fillsOf(*p.pie);
    ASSERT_EQ(fills.size(), 3u);
    const gfx::Rect boxes[] = {{100, 100, 80, 80}, {100, 20, 80, 80}, {20, 20, 80, 160}};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const gfx::Rect box = fills[i].path.boundingBox();
        EXPECT_NEAR(box.minX(), boxes[i].minX(), 1e-6);
        EXPECT_NEAR(box.minY(), boxes[i].minY(), 1e-6);
        EXPECT_NEAR(box.maxX(), boxes[i].maxX(), 1e-6);
        EXPECT_NEAR(box.maxY(), boxes[i].maxY(), 1e-6);
        EXPECT_TRUE(sameColor(fills[i].color, CPTPieChart::defaultPieSliceColorForIndex(i)->cgColor()));
        const double median = p.pie->medianAngleForPieSliceIndex(i);
        EXPECT_TRUE(fills[i].path.contains(Pie::at(40, median)));
    }
    // The first slice starts at the centre, goes straight up to the rim and ends back at the centre.
    const auto& first = fills[0].path.elements();
    ASSERT_GE(first.size(), 3u);
    EXPECT_EQ(first[0].kind, gfx::Path::Kind::Move);
    EXPECT_EQ(first[0].points[0], gfx::Point(100, 100));
    EXPECT_EQ(first[1].kind, gfx::Path::Kind::Line);
    EXPECT_NEAR(first[1].points[0].x, 100, 1e-9);
    EXPECT_NEAR(first[1].points[0].y, 180, 1e-9);
    EXPECT_EQ(first.back().kind, gfx::Path::Kind::Close);

    struct Whole {
        const char* name;
        double inner;
    };
    for (const Whole& w : {Whole{"disc", 0}, Whole{"ring", 40}}) {
        SCOPED_TRACE(w.name);
        Pie one({5});
        one.pie->setPieInnerRadius(w.inner);
        auto whole = fillsOf(*one.pie);
        ASSERT_EQ(whole.size(), 1u);
        const gfx::Rect box = whole[0].path.boundingBox();
        EXPECT_NEAR(box.minX(), 20, 1e-6);
        EXPECT_NEAR(box.maxX(), 180, 1e-6);
        EXPECT_NEAR(box.minY(), 20, 1e-6);
        EXPECT_NEAR(box.maxY(), 180, 1e-6);
        // All the way round, and a hole in a ring.
        for (double angle = 0.1; angle < 2 * kPi; angle += kPi / 8)
            EXPECT_TRUE(whole[0].path.contains(Pie::at(60, angle))) << angle;
        EXPECT_EQ(whole[0].path.contains(Pie::at(20, 1.0)), w.inner == 0);
    }
}

TEST(CPTPieChart, WhatIsDrawnForOddValues) {
    struct Case {
        const char* name;
        std::vector<double> values;
        std::vector<std::size_t> drawn; // the records whose slices are filled, in order
    };
    const Case cases[] = {
        {"a missing value is skipped", {1, NAN, 1}, {0, 2}},
        {"all zeros draw nothing", {0, 0}, {}},
        {"negative and infinite values are skipped", {-1, 2, INFINITY}, {1}},
    };
    for (CPTPlotCachePrecision precision : {CPTPlotCachePrecisionDouble, CPTPlotCachePrecisionDecimal}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << " " << precision);
            Pie p(c.values, precision);
            auto fills = fillsOf(*p.pie);
            ASSERT_EQ(fills.size(), c.drawn.size());
            for (std::size_t k = 0; k < c.drawn.size(); ++k) {
                EXPECT_TRUE(sameColor(fills[k].color,
                                      CPTPieChart::defaultPieSliceColorForIndex(c.drawn[k])->cgColor()));
                EXPECT_TRUE(fills[k].path.isFinite());
            }
            // Every record still has its legend entry.
            EXPECT_EQ(p.pie->numberOfLegendEntries(), c.values.size());
        }
    }
    // The missing slice leaves no gap: the third starts where the first ended (at the bottom).
    Pie gap({1, NAN, 1});
    EXPECT_NEAR(gap.pie->medianAngleForPieSliceIndex(0), 0, 1e-12);
    EXPECT_TRUE(std::isnan(gap.pie->medianAngleForPieSliceIndex(1)));
    EXPECT_NEAR(gap.pie->medianAngleForPieSliceIndex(2), -kPi, 1e-12);

    // Bad radii and angles draw nothing and fail nothing.
    for (double bad : {NAN, INFINITY}) {
        Pie p({1, 2});
        p.pie->setPieRadius(bad);
        EXPECT_TRUE(fillsOf(*p.pie).empty());
        Pie q({1, 2});
        q.pie->setStartAngle(bad);
        EXPECT_TRUE(fillsOf(*q.pie).empty());
        EXPECT_EQ(q.pie->dataIndexFromInteractionPoint(Pie::at(40, 1)), foundation::notFound);
        EXPECT_EQ(q.pie->pieSliceIndexAtAngle(1), foundation::notFound);
    }
}

TEST(CPTPieChart, FillsBorderAndOverlay) {
    Pie p({1, 1});
    auto green = CPTFill::fillWithColor(CPTColor::greenColor());
    p.source->fill = std::vector<std::shared_ptr<CPTFill>>{green, nullptr};
    p.pie->reloadData();
    auto fills = fillsOf(*p.pie);
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_TRUE(sameColor(fills[0].color, CPTColor::greenColor()->cgColor()));
    // nil gives the slice its default colour
    EXPECT_TRUE(sameColor(fills[1].color, CPTPieChart::defaultPieSliceColorForIndex(1)->cgColor()));

    // An overlay without offsets is painted once over the whole disc, after the slices.
    p.pie->setOverlayFill(CPTFill::fillWithColor(CPTColor::colorWithComponentRed(0, 0, 0, 0.3)));
    fills = fillsOf(*p.pie);
    ASSERT_EQ(fills.size(), 3u);
    EXPECT_NEAR(fills[2].color.alpha, 0.3, 1e-9);
    const gfx::Rect disc = fills[2].path.boundingBox();
    EXPECT_NEAR(disc.minX(), 20, 1e-6);
    EXPECT_NEAR(disc.maxX(), 180, 1e-6);

    // With offsets it is painted per slice, into the slice moved outward.
    p.source->offsets = std::vector<CGFloat>{10, 0};
    p.pie->reloadData();
    fills = fillsOf(*p.pie);
    ASSERT_EQ(fills.size(), 4u);
    EXPECT_NEAR(fills[1].color.alpha, 0.3, 1e-9);
    EXPECT_NEAR(fills[0].path.boundingBox().minX(), 110, 1e-6); // the right half moved right by 10
}

TEST(CPTPieChart, DefaultColours) {
    struct Case {
        std::uint64_t index;
        double r, g, b;
    };
    const Case cases[] = {
        {0, 1, 0, 0},
        {1, 0, 1, 0},
        {2, 0, 0, 1},
        {3, 1, 1, 0},
        {4, 0.25, 0.5, 0.25},
        {5, 1, 0, 1},
        {6, 0.5, 0.5, 0.5},
        {7, 0.25, 0.5, 0},
        {8, 0.25, 0.25, 0.25},
        {9, 0, 1, 1},
        {10, 1, 0.1, 0.1},
        // Beyond the tenth the components grow by 0.1 per ten and stop at 1.
        {12, 0.1, 0.1, 1.0},
        {13, 1.0, 1.0, 0.1},
        {25, 1.0, 0.2, 1.0},
        {104, 1.0, 1.0, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        const gfx::Color color = CPTPieChart::defaultPieSliceColorForIndex(c.index)->cgColor();
        EXPECT_NEAR(color.red, c.r, 1e-12);
        EXPECT_NEAR(color.green, c.g, 1e-12);
        EXPECT_NEAR(color.blue, c.b, 1e-12);
        EXPECT_EQ(color.alpha, 1.0);
    }
}

TEST(CPTPieChart, HitTestsAndAngles) {
    struct Case {
        const char* name;
        double endAngle;
        CPTPieDirection direction;
        std::vector<CGFloat> offsets;
        double inner;
        CGPoint point;
        std::uint64_t hit;
    };
    const std::uint64_t none = foundation::notFound;
    const Case cases[] = {
        {"first quarter", NAN, CPTPieDirectionClockwise, {}, 0, Pie::at(50, kPi / 4), 0},
        {"second quarter", NAN, CPTPieDirectionClockwise, {}, 0, Pie::at(50, -kPi / 4), 1},
        {"left half", NAN, CPTPieDirectionClockwise, {}, 0, Pie::at(50, kPi), 2},
        {"beyond the rim", NAN, CPTPieDirectionClockwise, {}, 0, Pie::at(81, kPi / 4), none},
        {"in the hole of a ring", NAN, CPTPieDirectionClockwise, {}, 40, Pie::at(30, kPi / 4), none},
        {"on a ring", NAN, CPTPieDirectionClockwise, {}, 40, Pie::at(60, kPi / 4), 0},
        {"counter-clockwise", NAN, CPTPieDirectionCounterClockwise, {}, 0, Pie::at(50, 3 * kPi / 4), 0},
        // With the end angle 0 counter-clockwise, the slices share pi/2..pi: the first up to 5 pi / 8.
        {"end angle: first", 0, CPTPieDirectionCounterClockwise, {}, 0, Pie::at(50, 9 * kPi / 16), 0},
        {"end angle: last", 0, CPTPieDirectionCounterClockwise, {}, 0, Pie::at(50, 7 * kPi / 8), 2},
        {"end angle: outside the span",
         0,
         CPTPieDirectionCounterClockwise,
         {},
         0,
         Pie::at(50, -kPi / 2),
         none},
        // The first slice moved out by 20: its rim now lies 100 from the chart's centre.
        {"offset slice beyond the old rim",
         NAN,
         CPTPieDirectionClockwise,
         {20, 0, 0},
         0,
         Pie::at(95, kPi / 4),
         0},
        {"offset slice: the gap it left",
         NAN,
         CPTPieDirectionClockwise,
         {20, 0, 0},
         0,
         Pie::at(10, kPi / 4),
         none},
        {"other slices keep their place", NAN, CPTPieDirectionClockwise, {20, 0, 0}, 0, Pie::at(50, kPi), 2},
        {"another direction", NAN, CPTPieDirection(7), {}, 0, Pie::at(50, kPi / 4), none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Pie p({1, 1, 2});
        p.pie->setEndAngle(c.endAngle);
        p.pie->setSliceDirection(c.direction);
        p.pie->setPieInnerRadius(c.inner);
        if (!c.offsets.empty()) {
            p.source->offsets = c.offsets;
            p.pie->reloadData();
        }
        EXPECT_EQ(p.pie->dataIndexFromInteractionPoint(c.point), c.hit);
    }

    struct AngleCase {
        const char* name;
        double endAngle;
        CPTPieDirection direction;
        double angle;
        std::uint64_t slice;
        std::uint64_t medianOf;
        double median;
    };
    const AngleCase angles[] = {
        {"clockwise from the top", NAN, CPTPieDirectionClockwise, kPi / 4, 0, 0, kPi / 4},
        {"second slice", NAN, CPTPieDirectionClockwise, -kPi / 4, 1, 1, -kPi / 4},
        {"third slice", NAN, CPTPieDirectionClockwise, kPi, 2, 2, -kPi},
        {"a whole turn later", NAN, CPTPieDirectionClockwise, kPi / 4 + 2 * kPi, 0, 0, kPi / 4},
        {"counter-clockwise", NAN, CPTPieDirectionCounterClockwise, 3 * kPi / 4, 0, 2, 2 * kPi},
        // The angle search does not scale by the end angle; the median does.
        {"end angle", 0, CPTPieDirectionCounterClockwise, 3 * kPi / 4, 0, 0, 9 * kPi / 16},
        {"no such slice", NAN, CPTPieDirectionClockwise, kPi / 4, 0, 3, NAN},
    };
    for (const AngleCase& c : angles) {
        SCOPED_TRACE(c.name);
        Pie p({1, 1, 2});
        p.pie->setEndAngle(c.endAngle);
        p.pie->setSliceDirection(c.direction);
        EXPECT_EQ(p.pie->pieSliceIndexAtAngle(c.angle), c.slice);
        const double median = p.pie->medianAngleForPieSliceIndex(c.medianOf);
        if (std::isnan(c.median)) {
            EXPECT_TRUE(std::isnan(median));
        } else {
            EXPECT_NEAR(median, c.median, 1e-12);
        }
    }

    // Without records or a plot area there is nothing to hit.
    Pie empty({});
    EXPECT_EQ(empty.pie->dataIndexFromInteractionPoint(Pie::at(10, 1)), foundation::notFound);
    CPTPieChart loose;
    EXPECT_EQ(loose.dataIndexFromInteractionPoint({0, 0}), foundation::notFound);
}

TEST(CPTPieChart, LabelsAroundTheRim) {
    Pie p({1, NAN, 3});
    p.pie->setLabelTextStyle(CPTMutableTextStyle::textStyle());
    p.pie->setLabelOffset(10);
    p.pie->relabel();
    ASSERT_TRUE(p.pie->labelAnnotations());
    const auto& labels = *p.pie->labelAnnotations();
    ASSERT_EQ(labels.size(), 3u);
    // The first label sits 90 from the centre on the first slice's median (pi/2 - pi/4 = pi/4).
    ASSERT_TRUE(labels[0]);
    EXPECT_NEAR(labels[0]->displacement().x, 90 * std::cos(kPi / 4), 1e-9);
    EXPECT_NEAR(labels[0]->displacement().y, 90 * std::sin(kPi / 4), 1e-9);
    // The missing value shows no label, the last one shows on its median.
    EXPECT_TRUE(!labels[1] || !labels[1]->contentLayer() || labels[1]->contentLayer()->isHidden());
    ASSERT_TRUE(labels[2] && labels[2]->contentLayer());
    EXPECT_FALSE(labels[2]->contentLayer()->isHidden());
    const double last = p.pie->medianAngleForPieSliceIndex(2);
    EXPECT_NEAR(labels[2]->displacement().x, 90 * std::cos(last), 1e-9);
    EXPECT_NEAR(labels[2]->displacement().y, 90 * std::sin(last), 1e-9);
    // Values that sum to zero show no labels, in both caches.
    for (CPTPlotCachePrecision precision : {CPTPlotCachePrecisionDouble, CPTPlotCachePrecisionDecimal}) {
        Pie zeros({0, 0, 0}, precision);
        zeros.pie->setLabelTextStyle(CPTMutableTextStyle::textStyle());
        zeros.pie->relabel();
        ASSERT_TRUE(zeros.pie->labelAnnotations());
        for (const auto& label : *zeros.pie->labelAnnotations()) {
            ASSERT_TRUE(label && label->contentLayer());
            EXPECT_TRUE(label->contentLayer()->isHidden());
        }
    }
    // Turned along the radius: the median of the first slice is an eighth of a turn.
    p.pie->setLabelRotationRelativeToRadius(true);
    EXPECT_NEAR(labels[0]->rotation(), kPi / 4, 1e-9);
    // On the left the label turns half a turn back so that it reads upright.
    EXPECT_NEAR(labels[2]->rotation(), std::fmod(last + 4 * kPi, 2 * kPi) - kPi, 1e-9);
}

TEST(CPTPieChart, LegendEntriesAndNotifications) {
    Pie p({1, 2, 3});
    p.source->titles = std::vector<std::string>{"one", "two", "three"};
    EXPECT_EQ(p.pie->numberOfLegendEntries(), 3u);
    EXPECT_EQ(p.pie->titleForLegendEntryAtIndex(1), "two");
    {
        NotificationListener reload(CPTLegendNeedsReloadEntriesForPlotNotification, p.pie.get());
        NotificationListener redraw(CPTLegendNeedsRedrawForPlotNotification, p.pie.get());
        p.pie->reloadData();
        EXPECT_EQ(reload.count(), 1u);
        EXPECT_GE(redraw.count(), 1u); // the titles
        p.pie->setBorderLineStyle(CPTLineStyle::lineStyle());
        EXPECT_GE(redraw.count(), 2u);
        p.pie->deleteDataInIndexRange(NSMakeRange(0, 1));
        EXPECT_EQ(reload.count(), 2u);
    }
    // Deleting renormalises what is left: 2 and 3.
    EXPECT_NEAR(p.pie->cachedDoubleForField(CPTPieChartFieldSliceWidthNormalized, 0), 0.4, 1e-15);

    // The swatch is the slice's fill, bordered by the chart's line style.
    CPTLegend legend;
    auto rec = gfx::makeRecordingContext(gfx::Rect(0, 0, 100, 100));
    p.pie->drawSwatchForLegend(legend, 1, CGRect(10, 10, 18, 18), *rec.context);
    std::vector<Painted> fills;
    collectFills(*rec.recorder, fills);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_TRUE(sameColor(fills[0].color, CPTPieChart::defaultPieSliceColorForIndex(1)->cgColor()));
    int strokes = 0;
    for (const auto& r : rec.recorder->records())
        strokes += r.op == gfx::Recorder::Op::Stroke;
    EXPECT_EQ(strokes, 1);
}
