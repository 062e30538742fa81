// The XY axis: where values land, ticks, the axis line and its caps, grid lines, bands and limit
// bands as drawn into a recorder; the XY axis set's layout and border.
#include "AxisFixtures.h"

#include "platform/foundation/Log.h"
#include "platform/graphics/Recorder.h"
#include "plot/foundation/CPTCalendarFormatter.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTConstraints.h"
#include "plot/foundation/CPTException.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineCap.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/graph/CPTLimitBand.h"

#include <gtest/gtest.h>
#include <map>
#include <sstream>

using axistest::range;
using foundation::Value;

namespace {

// The stroked segments of the recording, as "x0 y0 x1 y1" texts.
std::vector<std::string> segments(const gfx::Recorder& recorder) {
    std::vector<std::string> out;
    for (const auto& line : recorder.lines()) {
        if (line.rfind("stroke ", 0) != 0)
            continue;
        std::istringstream in(line.substr(7));
        std::string word, x0, y0, x1, y1;
        while (in >> word) {
            if (word == "M") {
                in >> x0 >> y0;
            } else if (word == "L") {
                in >> x1 >> y1;
                out.push_back(x0 + " " + y0 + " " + x1 + " " + y1);
            } else {
                break;
            }
        }
    }
    return out;
}

struct FilledRect {
    gfx::Rect rect;
    gfx::Color color;
};

std::vector<FilledRect> fills(const gfx::Recorder& recorder) {
    std::vector<FilledRect> out;
    for (const auto& r : recorder.records())
        if (r.op == gfx::Recorder::Op::Fill)
            out.push_back({r.deviceRect, r.state.fillColor});
    return out;
}

} // namespace

TEST(CPTXYAxis, TicksPointTheirDirectionOnBothAxes) {
    struct Case {
        CPTSign direction;
        const char* x;
        const char* y;
    };
    // A tick 6 long at x = 2 (view 200) on the x axis, and at y = 1 (view 100) on the y axis.
    const Case cases[] = {
        {CPTSignNegative, "200 0 200 -6", "0 100 -6 100"},
        {CPTSignNone, "200 -3 200 3", "-3 100 3 100"},
        {CPTSignPositive, "200 0 200 6", "0 100 6 100"},
        {static_cast<CPTSign>(7), "200 0 200 0", "0 100 0 100"}, // no offset at all
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.direction);
        auto chart = axistest::chart(400, 300, range(0, 4), range(0, 3));
        for (auto* axis : {chart.x.get(), chart.y.get()}) {
            axis->setLabelTextStyle(nullptr); // no labels to place in a direction that is not one
            axistest::relabelNow(*axis);
            axis->setContentsScale(2); // whole-width lines snap to pixel edges
            axis->setTickDirection(c.direction);
            auto rc = gfx::makeRecordingContext();
            const Value at = axis == chart.x.get() ? Value(2.0) : Value(1.0);
            axis->drawTicksInContext(*rc.context, {at}, 6, nullptr, true);
            EXPECT_EQ(segments(*rc.recorder), std::vector<std::string>{axis == chart.x.get() ? c.x : c.y});
        }
    }
}

TEST(CPTXYAxis, WholeLinesOnFineScreensSnapToPixelEdgesOthersToCentres) {
    struct Case {
        const char* name;
        double contentsScale;
        double lineWidth;
        const char* tick; // at x = 2 (view 200), 6 long, downwards
    };
    const Case cases[] = {
        {"a whole width at scale 2: the edge", 2, 1, "200 0 200 -6"},
        {"a whole width at scale 1: the centre", 1, 1, "200.5 -0.5 200.5 -6.5"},
        {"half a width at scale 2: the centre", 2, 1.5, "200.5 -0.5 200.5 -6.5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto chart = axistest::chart(400, 300, range(0, 4), range(0, 3));
        auto& x = *chart.x;
        axistest::relabelNow(x);
        x.setContentsScale(c.contentsScale);
        auto style = CPTMutableLineStyle::lineStyle();
        style->setLineWidth(c.lineWidth);
        x.setMajorTickLineStyle(style);
        auto rc = gfx::makeRecordingContext();
        x.drawTicksInContext(*rc.context, {Value(2.0)}, 6, nullptr, true);
        EXPECT_EQ(segments(*rc.recorder), std::vector<std::string>{c.tick});
    }
}

TEST(CPTXYAxis, ViewPointsFollowTheOrthogonalPositionAndConstraints) {
    auto chart = axistest::chart(400, 300, range(0, 4), range(0, 3));
    EXPECT_EQ(chart.x->viewPointForCoordinateValue(Value(1.0)), (CGPoint{100, 0}));
    chart.x->setOrthogonalPosition(Value(1.5));
    EXPECT_EQ(chart.x->viewPointForCoordinateValue(Value(1.0)), (CGPoint{100, 150}));
    chart.x->setAxisConstraints(CPTConstraints::constraintWithUpperOffset(10));
    EXPECT_EQ(chart.x->viewPointForCoordinateValue(Value(1.0)), (CGPoint{100, 290}));
    EXPECT_EQ(chart.y->viewPointForCoordinateValue(Value(3.0)), (CGPoint{0, 300}));
    EXPECT_EQ(chart.y->viewPointForCoordinateValue(Value()), (CGPoint{0, 0})) << "none counts as 0";
}

TEST(CPTXYAxis, ANaNViewPointIsLoggedAndDrawnAtZero) {
    auto chart = axistest::chart(400, 300, range(0, 4), range(0, 3));
    // A constraint without a number places the line nowhere.
    chart.x->setAxisConstraints(CPTConstraints::constraintWithRelativeOffset(std::numeric_limits<double>::quiet_NaN()));
    foundation::LogCapture log;
    const CGPoint p = chart.x->viewPointForCoordinateValue(Value(1.0));
    EXPECT_EQ(p, (CGPoint{100, 0}));
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0], "[CPTXYAxis viewPointForCoordinateValue:1] was {100, nan}");
}

TEST(CPTXYAxis, CoordinateKeepsTheAlignmentMeaningful) {
    struct Case {
        const char* name;
        CPTCoordinate from, to;
        CPTAlignment before, after;
    };
    const Case cases[] = {
        {"middle becomes centre along x", CPTCoordinateY, CPTCoordinateX, CPTAlignmentMiddle, CPTAlignmentCenter},
        {"centre becomes middle along y", CPTCoordinateX, CPTCoordinateY, CPTAlignmentCenter, CPTAlignmentMiddle},
        {"left becomes middle along y", CPTCoordinateX, CPTCoordinateY, CPTAlignmentLeft, CPTAlignmentMiddle},
        {"right stays along x", CPTCoordinateY, CPTCoordinateX, CPTAlignmentRight, CPTAlignmentRight},
        {"bottom stays along y", CPTCoordinateX, CPTCoordinateY, CPTAlignmentBottom, CPTAlignmentBottom},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CPTXYAxis axis;
        axis.setCoordinate(c.from);
        axis.setLabelAlignment(c.before);
        axis.setCoordinate(c.to);
        EXPECT_EQ(axis.labelAlignment(), c.after);
        EXPECT_EQ(axis.coordinate(), c.to);
    }
    CPTXYAxis axis;
    try {
        axis.setCoordinate(static_cast<CPTCoordinate>(2));
        ADD_FAILURE() << "no exception";
    } catch (const CPTException& e) {
        EXPECT_EQ(e.name(), NSInvalidArgumentException);
        EXPECT_EQ(e.reason(), "Invalid coordinate: 2");
    }
    EXPECT_EQ(axis.coordinate(), CPTCoordinateX) << "nothing stored";
}

TEST(CPTXYAxis, DefaultTitleLocationIsTheMiddleOfTheScale) {
    struct Case {
        const char* name;
        CPTScaleType scale;
        double location, length;
        double middle;
    };
    const Case cases[] = {
        {"linear midpoint", CPTScaleTypeLinear, 0, 4, 2},
        {"log: the geometric mean", CPTScaleTypeLog, 1, 99, 10},
        // log-modulus 0 and 2: their mean 1 is 10^1 - 1 = 9.
        {"log-modulus", CPTScaleTypeLogModulus, 0, 99, 9},
        {"log from zero falls back to the midpoint", CPTScaleTypeLog, 0, 100, 50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto chart = axistest::chart(400, 300, range(c.location, c.length), range(0, 3), c.scale);
        EXPECT_NEAR(chart.x->defaultTitleLocation().toDouble(), c.middle, 1e-9);
        EXPECT_NEAR(chart.x->titleLocation().toDouble(), c.middle, 1e-9);
    }
}

TEST(CPTXYAxis, CapsPointOutwardsEvenOnAReversedRangeAndWithoutALine) {
    auto chart = axistest::chart(400, 300, range(4, -4), range(0, 3));
    auto& x = *chart.x;
    x.setAxisLineStyle(nullptr);
    x.setMajorTickLineStyle(nullptr);
    x.setMinorTickLineStyle(nullptr);
    auto cap = CPTLineCap::solidArrowPlotLineCap();
    cap->setFill(CPTFill::fillWithColor(CPTColor::redColor()));
    cap->setSize(CGSize{10, 10});
    x.setAxisLineCapMin(cap);
    auto maxCap = CPTLineCap::solidArrowPlotLineCap();
    maxCap->setFill(CPTFill::fillWithColor(CPTColor::blueColor()));
    maxCap->setSize(CGSize{10, 10});
    x.setAxisLineCapMax(maxCap);
    auto rc = gfx::makeRecordingContext(CGRect(-100, -100, 600, 500));
    x.renderAsVectorInContext(*rc.context);
    // Each arrow is stroked as "M base L tip L base Z": the tip must lie beyond the base, outwards.
    std::vector<std::pair<double, double>> arrows; // (tip x, base x)
    for (const auto& line : rc.recorder->lines()) {
        if (line.rfind("stroke M ", 0) != 0)
            continue;
        std::istringstream in(line.substr(9));
        double baseX, baseY, tipX, tipY;
        std::string l;
        in >> baseX >> baseY >> l >> tipX >> tipY;
        arrows.emplace_back(tipX, baseX);
    }
    const auto filled = fills(*rc.recorder);
    ASSERT_EQ(filled.size(), 2u);
    ASSERT_EQ(arrows.size(), 2u);
    // The minimum, 0, lies at the right end (view 400) on this reversed range: its arrow points right.
    EXPECT_EQ(filled[0].color, CPTColor::redColor()->cgColor());
    EXPECT_NEAR(arrows[0].first, 400, 1);
    EXPECT_GT(arrows[0].first, arrows[0].second);
    // The maximum, 4, lies at the left end: its arrow points left.
    EXPECT_EQ(filled[1].color, CPTColor::blueColor()->cgColor());
    EXPECT_NEAR(arrows[1].first, 0, 1);
    EXPECT_LT(arrows[1].first, arrows[1].second);
}

TEST(CPTXYAxis, VisibleRangeLimitsDrawnTicksOnlyForTheCallersLocations) {
    struct Case {
        CPTAxisLabelingPolicy policy;
        std::size_t ticks;
    };
    const Case cases[] = {{CPTAxisLabelingPolicyNone, 2}, {CPTAxisLabelingPolicyLocationsProvided, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.policy);
        auto chart = axistest::chart(400, 300, range(0, 4), range(0, 3));
        auto& x = *chart.x;
        x.setAxisLineStyle(nullptr);
        x.setMinorTickLineStyle(nullptr);
        x.setLabelingPolicy(c.policy);
        x.setMajorTickLocations({Value(0.0), Value(1.0), Value(2.0), Value(3.0), Value(4.0)});
        x.setVisibleRange(range(1, 1));
        auto rc = gfx::makeRecordingContext(CGRect(-100, -100, 600, 500));
        x.renderAsVectorInContext(*rc.context);
        EXPECT_EQ(segments(*rc.recorder).size(), c.ticks);
    }
    // Under a generating policy the same locations, set after the relabel, are all drawn.
    auto chart = axistest::chart(400, 300, range(0, 4), range(0, 3));
    auto& x = *chart.x;
    x.setAxisLineStyle(nullptr);
    x.setMinorTickLineStyle(nullptr);
    x.setVisibleRange(range(1, 1));
    x.relabel();
    auto rc = gfx::makeRecordingContext(CGRect(-100, -100, 600, 500));
    x.drawTicksInContext(*rc.context, {Value(0.0), Value(1.0), Value(2.0), Value(3.0)}, 5, nullptr, true);
    EXPECT_EQ(segments(*rc.recorder).size(), 4u);
}

TEST(CPTXYAxis, GridLinesSpanTheirRange) {
    auto chart = axistest::chart(400, 300, range(0, 4), range(0, 3));
    auto& x = *chart.x;
    auto style = CPTMutableLineStyle::lineStyle();
    style->setLineWidth(1);
    x.setContentsScale(2);
    x.setMajorGridLineStyle(style);
    auto rc = gfx::makeRecordingContext(CGRect(-100, -100, 600, 500));
    x.drawGridLinesInContext(*rc.context, true);
    EXPECT_EQ(segments(*rc.recorder), (std::vector<std::string>{"0 0 0 300", "100 0 100 300", "200 0 200 300",
                                                                 "300 0 300 300", "400 0 400 300"}));
    x.setGridLinesRange(range(1, 1));
    rc.recorder->clear();
    x.drawGridLinesInContext(*rc.context, true);
    EXPECT_EQ(segments(*rc.recorder).front(), "0 100 0 200");
    rc.recorder->clear();
    x.drawGridLinesInContext(*rc.context, false);
    EXPECT_TRUE(rc.recorder->lines().empty()) << "no minor style, no minor lines";
}

TEST(CPTXYAxis, BandsAlternateFromTheAnchor) {
    struct Case {
        const char* name;
        Value anchor;
        const char* firstWholeBand; // colour of the band 0..1
    };
    const Case cases[] = {
        {"no anchor: the first band takes the first fill", Value(), "blue"},
        {"anchored at 0: the band from 0 takes the first fill", Value(0.0), "red"},
        {"anchored at 1: the band from 1 takes the first fill", Value(1.0), "blue"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto chart = axistest::chart(400, 300, range(0, 4), range(0, 3));
        auto& x = *chart.x;
        x.setAlternatingBandFills({CPTColor::redColor(), CPTColor::blueColor()});
        x.setAlternatingBandAnchor(c.anchor);
        axistest::relabelNow(x);
        auto rc = gfx::makeRecordingContext(CGRect(-100, -100, 600, 500));
        x.drawBackgroundBandsInContext(*rc.context);
        std::map<double, std::string> byStart;
        for (const auto& f : fills(*rc.recorder)) {
            if (f.rect.size.width < 1)
                continue; // the empty band from the range start to the first tick
            byStart[f.rect.origin.x] = f.color == CPTColor::redColor()->cgColor() ? "red" : "blue";
            EXPECT_EQ(f.rect.size.height, 300);
        }
        ASSERT_EQ(byStart.size(), 4u);
        EXPECT_EQ(byStart[0], c.firstWholeBand);
        EXPECT_NE(byStart[100], byStart[0]) << "consecutive bands alternate";
        EXPECT_EQ(byStart[200], byStart[0]);
    }
}

TEST(CPTXYAxis, LimitBandsAreCutToTheVisibleRange) {
    auto chart = axistest::chart(400, 300, range(0, 4), range(0, 3));
    auto& x = *chart.x;
    x.addBackgroundLimitBand(
        CPTLimitBand::limitBandWithRange(range(-1, 3), CPTFill::fillWithColor(CPTColor::greenColor())));
    x.addBackgroundLimitBand(
        CPTLimitBand::limitBandWithRange(range(10, 1), CPTFill::fillWithColor(CPTColor::redColor())));
    x.setVisibleRange(range(1, 2));
    auto rc = gfx::makeRecordingContext(CGRect(-100, -100, 600, 500));
    x.drawBackgroundLimitsInContext(*rc.context);
    const auto filled = fills(*rc.recorder);
    ASSERT_EQ(filled.size(), 1u) << "a band outside the range draws nothing";
    EXPECT_EQ(filled[0].rect, gfx::Rect(100, 0, 100, 300));
}

TEST(CPTXYAxisSet, AxesCoverThePlotAreaFrameAndTheBorderNeedsAStyle) {
    axistest::pinLocale();
    auto graph = CPTXYGraph::graphWithFrame(CGRect(0, 0, 400, 300));
    graph->plotAreaFrame()->setPaddingLeft(30);
    graph->plotAreaFrame()->setPaddingBottom(20);
    graph->layoutIfNeeded();
    auto axisSet = std::dynamic_pointer_cast<CPTXYAxisSet>(graph->axisSet());
    auto* frame = graph->plotAreaFrame().get();
    const CGSize frameSize = frame->bounds().size;
    for (const auto& axis : axisSet->axes()) {
        EXPECT_EQ(axis->frame().size, frameSize);
        EXPECT_EQ(axis->convertPointToLayer(CGPoint{0, 0}, frame), frame->bounds().origin);
    }
    auto* area = frame->plotArea().get();
    auto rc = gfx::makeRecordingContext();
    axisSet->renderAsVectorInContext(*rc.context);
    EXPECT_TRUE(rc.recorder->lines().empty()) << "no style, no border";

    auto style = CPTMutableLineStyle::lineStyle();
    style->setLineColor(CPTColor::redColor());
    axisSet->setBorderLineStyle(style);
    graph->layoutIfNeeded();
    axisSet->renderAsVectorInContext(*rc.context);
    const auto lines = rc.recorder->lines();
    ASSERT_EQ(lines.size(), 1u);
    const CGRect outline = axisSet->convertRectFromLayer(area->bounds(), area);
    EXPECT_NE(lines[0].find("M " + gfx::formatNumber(outline.origin.x + 0.5)), std::string::npos) << lines[0];
    EXPECT_EQ(lines[0].find(" C "), std::string::npos) << "square corners";

    area->setCornerRadius(8);
    rc.recorder->clear();
    axisSet->renderAsVectorInContext(*rc.context);
    ASSERT_EQ(rc.recorder->lines().size(), 1u);
    EXPECT_NE(rc.recorder->lines()[0].find(" C "), std::string::npos) << "rounded with the plot area";
}

TEST(CPTXYAxis, AFormatterThatRaisesEndsOnlyThatChartsFrame) {
    auto chart = axistest::chart(400, 300, range(0, 4), range(0, 3));
    auto formatter = std::make_shared<CPTCalendarFormatter>();
    formatter->setReferenceCalendarUnit(256);
    chart.x->setLabelFormatter(formatter);
    auto rc = gfx::makeRecordingContext();
    foundation::LogCapture log;
    EXPECT_NO_THROW(chart.graph->layoutAndRenderInContext(*rc.context));
    EXPECT_TRUE(log.contains("Unsupported calendar unit")) << "logged at the render entry";
    // The next frame with a sound formatter draws the labels.
    chart.x->setLabelFormatter(std::make_shared<foundation::NumberFormatter>());
    EXPECT_NO_THROW(chart.graph->layoutAndRenderInContext(*rc.context));
    EXPECT_FALSE(chart.x->axisLabels().empty());
}
