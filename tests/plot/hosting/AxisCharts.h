// Four charts that show what axes draw: ticks under the automatic and fixed-interval policies with
// titles, grid lines, bands, a limit band and a dashed zero line; a caller's rotated labels; dates; and
// categories. Their geometry is spelled out so the checks can say where each thing lands.
#pragma once

#include "tests/plot/ChartStyles.h"

#include "plot/axes_plots/CPTTimeFormatter.h"
#include "plot/axes_plots/CPTXYAxisSet.h"
#include "plot/axes_plots/CPTXYGraph.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTLimitBand.h"
#include "plot/graph/CPTPlotArea.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "plot/graph/CPTXYPlotSpace.h"
#include "platform/foundation/Locale.h"

#include <cstdlib>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace axischarts {

// Every chart: 480 x 320 points, the plot area 400 x 250 from (60, 50) in the graph's y-up coordinates.
constexpr double kWidth = 480, kHeight = 320;
constexpr double kLeft = 60, kBottom = 50, kPlotWidth = 400, kPlotHeight = 250;

inline const gfx::Color kAxisColor{0.10, 0.10, 0.45, 1};
inline const gfx::Color kMajorGridColor{0.00, 0.60, 0.00, 1};
inline const gfx::Color kMinorGridColor{0.95, 0.55, 0.00, 1};
inline const gfx::Color kBandA{1.00, 0.95, 0.75, 1};
inline const gfx::Color kBandB{0.80, 0.92, 1.00, 1};
inline const gfx::Color kLimitColor{0.85, 0.75, 0.95, 1};
inline const gfx::Color kZeroColor{1.00, 0.00, 0.00, 1};

using chartstyles::line;
using chartstyles::range;
using chartstyles::text;

inline std::shared_ptr<foundation::NumberFormatter> digits(int fraction) {
    auto formatter = std::make_shared<foundation::NumberFormatter>();
    formatter->setMinimumIntegerDigits(1);
    formatter->setMinimumFractionDigits(fraction);
    formatter->setMaximumFractionDigits(fraction);
    return formatter;
}

struct Chart {
    std::shared_ptr<CPTXYGraph> graph;
    std::shared_ptr<CPTXYPlotSpace> space;
    std::shared_ptr<CPTXYAxis> x, y;
};

// A white graph with the plot area in place and both axes in the axis colour.
inline Chart base(CPTScaleType xScale = CPTScaleTypeLinear) {
    setenv("TZ", "UTC", 1);
    foundation::reloadLocalTimeZone();
    foundation::setCurrentLocale("en_US");
    Chart c;
    c.graph = chartstyles::whiteGraph(kWidth, kHeight,
                                      {.left = kLeft,
                                       .top = kHeight - kBottom - kPlotHeight,
                                       .right = kWidth - kLeft - kPlotWidth,
                                       .bottom = kBottom},
                                      xScale);
    chartstyles::pad(*c.graph, {.left = 0, .top = 0, .right = 0, .bottom = 0});
    c.space = std::dynamic_pointer_cast<CPTXYPlotSpace>(c.graph->defaultPlotSpace());
    auto axes = std::dynamic_pointer_cast<CPTXYAxisSet>(c.graph->axisSet());
    c.x = axes->xAxis();
    c.y = axes->yAxis();
    for (auto* axis : {c.x.get(), c.y.get()}) {
        axis->setAxisLineStyle(line(kAxisColor, 2));
        axis->setMajorTickLineStyle(line(kAxisColor, 1));
        axis->setMinorTickLineStyle(line(kAxisColor, 0.5));
        axis->setLabelTextStyle(text(11));
        axis->setTitleTextStyle(text(12));
    }
    return c;
}

// Where a plot point lands in the graph (y up) for the linear charts.
inline CGPoint graphPoint(const Chart& c, double x, double y) {
    const auto xr = c.space->xRange();
    const auto yr = c.space->yRange();
    return {kLeft + (x - xr->locationDouble()) / xr->lengthDouble() * kPlotWidth,
            kBottom + (y - yr->locationDouble()) / yr->lengthDouble() * kPlotHeight};
}

// 0..97 x -0.25..1: x automatic, y every 0.25 with minor ticks and labels, titles, grid lines, bands
// anchored at 0, a limit band over 60..80 and a dashed red zero line.
inline Chart ticksChart() {
    Chart c = base();
    c.space->setXRange(range(0, 97));
    c.space->setYRange(range(-0.25, 1.25));
    auto& x = *c.x;
    x.setLabelingPolicy(CPTAxisLabelingPolicyAutomatic);
    x.setOrthogonalPosition(foundation::Value(-0.25));
    x.setLabelFormatter(digits(0));
    x.setTitle(std::string("Score"));
    x.setMajorGridLineStyle(line(kMajorGridColor, 1));
    x.addBackgroundLimitBand(
        CPTLimitBand::limitBandWithRange(range(60, 20), CPTFill::fillWithColor(CPTColor::colorWithCGColor(kLimitColor))));
    auto& y = *c.y;
    y.setMajorIntervalLength(foundation::Value(0.25));
    y.setMinorTicksPerInterval(1);
    y.setLabelFormatter(digits(2));
    y.setMinorTickLabelFormatter(digits(3));
    y.setMinorTickLabelTextStyle(text(7));
    y.setTitle(std::string("Share"));
    y.setMinorGridLineStyle(line(kMinorGridColor, 1));
    y.setAlternatingBandFills({CPTColor::colorWithCGColor(kBandA), CPTColor::colorWithCGColor(kBandB)});
    y.setAlternatingBandAnchor(foundation::Value(0.0));

    auto zero = std::make_shared<CPTXYAxis>();
    zero->setPlotSpace(c.space);
    zero->setCoordinate(CPTCoordinateX);
    zero->setLabelingPolicy(CPTAxisLabelingPolicyNone);
    zero->setMajorTickLineStyle(nullptr);
    zero->setMinorTickLineStyle(nullptr);
    auto dashed = line(kZeroColor, 2);
    dashed->setDashPattern({6, 4});
    zero->setAxisLineStyle(dashed);
    auto axes = c.graph->axisSet();
    axes->setAxes({c.x, c.y, zero});
    return c;
}

constexpr double kRotatedBottom = 120;
inline const std::vector<std::string> kRotatedNames{"Alpha", "Beta release", "Gamma ray burst", "Delta"};

// A caller's labels (policy 0) turned by pi/4, set after an axis label rotation of pi/8.
inline Chart rotatedChart() {
    Chart c = base();
    // Room below the axis for the turned labels and the title under them.
    c.graph->plotAreaFrame()->setPaddingBottom(kRotatedBottom);
    c.graph->plotAreaFrame()->setPaddingTop(kHeight - kRotatedBottom - 180);
    c.space->setXRange(range(0, 4));
    c.space->setYRange(range(0, 10));
    auto& x = *c.x;
    x.setLabelRotation(std::numbers::pi / 8);
    x.setLabelingPolicy(CPTAxisLabelingPolicyNone);
    CPTAxis::AxisLabels labels;
    CPTAxis::TickLocations ticks;
    for (std::size_t i = 0; i < kRotatedNames.size(); ++i) {
        auto label = std::make_shared<CPTAxisLabel>(kRotatedNames[i], text(10));
        label->setTickLocation(foundation::Value(static_cast<double>(i) + 0.5));
        label->setRotation(std::numbers::pi / 4);
        label->setOffset(x.labelOffset() + x.majorTickLength());
        labels.push_back(label);
        ticks.push_back(label->tickLocation());
    }
    x.setAxisLabels(labels);
    x.setMajorTickLocations(ticks);
    x.setTitle(std::string("Release"));
    x.setTitleOffset(95);
    c.y->setMajorIntervalLength(foundation::Value(2.0));
    c.y->setLabelFormatter(digits(0));
    return c;
}

constexpr double kJanuary1st2021 = 1609459200; // 00:00 UTC
constexpr double kDay = 86400;

// January 2021 in seconds since 1970, a tick every Sunday, labelled by the time formatter.
inline Chart dateChart() {
    Chart c = base();
    c.space->setXRange(range(kJanuary1st2021, 31 * kDay));
    c.space->setYRange(range(0, 10));
    auto& x = *c.x;
    x.setMajorIntervalLength(foundation::Value(7 * kDay));
    x.setLabelingOrigin(foundation::Value(kJanuary1st2021 + 2 * kDay));
    x.setMinorTicksPerInterval(6);
    auto dates = std::make_shared<foundation::DateFormatter>(foundation::DateFormatter::Style::Short,
                                                             foundation::DateFormatter::Style::None);
    auto formatter = std::make_shared<CPTTimeFormatter>(dates);
    formatter->setReferenceDate(0.0);
    x.setLabelFormatter(formatter);
    x.setTitle(std::string("Day"));
    c.y->setOrthogonalPosition(foundation::Value(kJanuary1st2021));
    c.y->setMajorIntervalLength(foundation::Value(2.0));
    c.y->setLabelFormatter(digits(0));
    return c;
}

inline const std::vector<std::string> kCategories{"North", "South", "East"};

// Three categories along x, one tick in the middle of each.
inline Chart categoryChart() {
    Chart c = base(CPTScaleTypeCategory);
    c.space->setCategories(kCategories, CPTCoordinateX);
    c.space->setXRange(range(0, 3));
    c.space->setYRange(range(0, 10));
    auto& x = *c.x;
    x.setLabelingPolicy(CPTAxisLabelingPolicyLocationsProvided);
    x.setMajorTickLocations({foundation::Value(0.5), foundation::Value(1.5), foundation::Value(2.5)});
    x.setTitle(std::string("Region"));
    c.y->setMajorIntervalLength(foundation::Value(2.0));
    c.y->setLabelFormatter(digits(0));
    return c;
}

} // namespace axischarts
