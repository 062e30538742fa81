// The bar and scatter charts the rendered checks look at, on XY graphs with axes: their data, colours and ranges are spelled
// out so the checks can say where each bar, label, symbol, line and fill lands.
#pragma once

#include "tests/plot/ChartStyles.h"

#include "plot/axes_plots/CPTBarPlot.h"
#include "plot/axes_plots/CPTScatterPlot.h"
#include "plot/axes_plots/CPTXYAxisSet.h"
#include "plot/axes_plots/CPTXYGraph.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTConstraints.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTPlotArea.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "plot/graph/CPTXYPlotSpace.h"

#include <array>
#include <cmath>
#include <memory>
#include <vector>

namespace plotcharts {

constexpr double kWidth = 400, kHeight = 300;
inline const gfx::Color kPlotAreaColor{0.97, 0.97, 0.92, 1};
inline const gfx::Color kOutline{0.15, 0.15, 0.15, 1};
inline const gfx::Color kAxisColor{0.25, 0.25, 0.30, 1};

using chartstyles::range;

inline std::shared_ptr<CPTLineStyle> lineOf(const gfx::Color& color, double width) {
    return chartstyles::line(color, width);
}

inline std::shared_ptr<CPTTextStyle> axisText() {
    auto style = chartstyles::text(10);
    style->setColor(CPTColor::darkGrayColor());
    return style;
}

// A white graph with both axes along the plot area's left and bottom edges, ticked every unit and
// labelled with whole numbers outside the plot area, where they cross nothing the checks look at.
inline std::shared_ptr<CPTXYGraph> graphWithRanges(std::shared_ptr<CPTPlotRange> x, std::shared_ptr<CPTPlotRange> y) {
    auto graph = chartstyles::whiteGraph(kWidth, kHeight, {.left = 24, .top = 8, .right = 10, .bottom = 20});
    graph->plotAreaFrame()->setFill(CPTFill::fillWithColor(CPTColor::colorWithCGColor(kPlotAreaColor)));
    auto space = std::dynamic_pointer_cast<CPTXYPlotSpace>(graph->defaultPlotSpace());
    space->setXRange(std::move(x));
    space->setYRange(std::move(y));
    auto axes = std::dynamic_pointer_cast<CPTXYAxisSet>(graph->axisSet());
    auto wholeNumbers = std::make_shared<foundation::NumberFormatter>();
    wholeNumbers->setMaximumFractionDigits(0);
    for (const auto& axis : {axes->xAxis(), axes->yAxis()}) {
        axis->setAxisConstraints(CPTConstraints::constraintWithLowerOffset(0));
        axis->setMajorIntervalLength(foundation::Value(1.0));
        axis->setMinorTicksPerInterval(0);
        axis->setAxisLineStyle(lineOf(kAxisColor, 1));
        axis->setMajorTickLineStyle(lineOf(kAxisColor, 1));
        axis->setLabelTextStyle(axisText());
        axis->setLabelFormatter(wholeNumbers);
    }
    return graph;
}

// Where a plot point lands in the graph's (y-up) coordinates.
inline CGPoint graphPointOf(CPTGraph& graph, double x, double y) {
    std::array<double, 2> p{x, y};
    CGPoint v = graph.defaultPlotSpace()->plotAreaViewPointForDoublePrecisionPlotPoint(std::span<const double>(p));
    return graph.plotAreaFrame()->plotArea()->convertPointToLayer(v, &graph);
}

// --- the bar chart: five bars with a fill each, the third pointing down, each with its value above
// (or below) its tip.

inline const std::vector<double> kBarTips{3, 5.5, -2, 4, 1.5};
inline const std::vector<gfx::Color> kBarColors{
    {0.85, 0.20, 0.20, 1}, {0.20, 0.55, 0.85, 1}, {0.30, 0.70, 0.30, 1}, {0.90, 0.60, 0.10, 1}, {0.55, 0.30, 0.70, 1}};
constexpr double kBarWidth = 0.5;

class BarChartSource : public CPTBarPlotDataSource {
  public:
    std::uint64_t numberOfRecordsForPlot(CPTPlot&) override { return kBarTips.size(); }
    std::optional<foundation::Value> numberForPlot(CPTPlot&, std::uint64_t field, std::uint64_t i) override {
        return field == CPTBarPlotFieldBarLocation ? foundation::Value(double(i)) : foundation::Value(kBarTips[i]);
    }
    std::optional<std::shared_ptr<CPTFill>> barFillForBarPlot(CPTBarPlot&, std::uint64_t i) override {
        return CPTFill::fillWithColor(CPTColor::colorWithCGColor(kBarColors[i]));
    }
};

struct BarChart {
    std::shared_ptr<CPTXYGraph> graph = graphWithRanges(range(-0.5, 5), range(-4, 11));
    std::shared_ptr<CPTBarPlot> plot = std::make_shared<CPTBarPlot>();
    std::shared_ptr<BarChartSource> source = std::make_shared<BarChartSource>();
    BarChart() {
        auto outline = CPTMutableLineStyle::lineStyle();
        outline->setLineColor(CPTColor::colorWithCGColor(kOutline));
        plot->setLineStyle(outline);
        auto labels = CPTMutableTextStyle::textStyle();
        labels->setFontSize(11);
        labels->setColor(CPTColor::blackColor());
        plot->setLabelTextStyle(labels);
        plot->setLabelOffset(4);
        plot->setDataSource(source);
        graph->addPlot(plot);
    }
};

// --- the scatter chart: 50 points marked with plus symbols on both sides of a blue fit line, over a
// stepped histogram filled down to 0 with a missing count that leaves a gap.

inline const gfx::Color kSymbolColor{0.80, 0.10, 0.10, 1};
inline const gfx::Color kFitColor{0.10, 0.20, 0.90, 1};
inline const gfx::Color kStepColor{0.10, 0.45, 0.10, 1};
inline const gfx::Color kAreaColor{0.65, 0.90, 0.65, 1};

inline double fitY(double x) {
    return 3 + 0.5 * x;
}
inline double pointX(std::size_t i) {
    return 0.1 + 0.2 * double(i);
}
inline double pointY(std::size_t i) {
    return fitY(pointX(i)) + (i % 2 ? 1.2 : -1.2);
}
// The counts at x = 0, 1, ..., 10; the one at 6 is missing.
inline const std::vector<double> kCounts{0.4, 1.0, 0.6, 1.2, 0.8, 0.5, NAN, 0.9, 1.1, 0.7, 0.3};

class ScatterChartSource : public CPTScatterPlotDataSource {
  public:
    std::uint64_t numberOfRecordsForPlot(CPTPlot& plot) override {
        const auto& id = plot.identifier().string();
        return id == "points" ? 50 : id == "fit" ? 2 : kCounts.size();
    }
    std::optional<foundation::Value> numberForPlot(CPTPlot& plot, std::uint64_t field, std::uint64_t i) override {
        const auto& id = plot.identifier().string();
        double v;
        if (id == "points")
            v = field == 0 ? pointX(i) : pointY(i);
        else if (id == "fit")
            v = field == 0 ? 10.0 * double(i) : fitY(10.0 * double(i));
        else
            v = field == 0 ? double(i) : kCounts[i];
        if (std::isnan(v))
            return foundation::Value();
        return foundation::Value(v);
    }
};

struct ScatterChart {
    std::shared_ptr<CPTXYGraph> graph = graphWithRanges(range(0, 10), range(0, 10));
    std::shared_ptr<CPTScatterPlot> steps = std::make_shared<CPTScatterPlot>();
    std::shared_ptr<CPTScatterPlot> fit = std::make_shared<CPTScatterPlot>();
    std::shared_ptr<CPTScatterPlot> points = std::make_shared<CPTScatterPlot>();
    std::shared_ptr<ScatterChartSource> source = std::make_shared<ScatterChartSource>();
    ScatterChart() {
        steps->setIdentifier(foundation::Value("steps"));
        steps->setInterpolation(CPTScatterPlotInterpolationStepped);
        steps->setDataLineStyle(lineOf(kStepColor, 1.5));
        steps->setAreaFill(CPTFill::fillWithColor(CPTColor::colorWithCGColor(kAreaColor)));
        steps->setAreaBaseValue(foundation::Value(0.0));

        fit->setIdentifier(foundation::Value("fit"));
        fit->setDataLineStyle(lineOf(kFitColor, 2));

        points->setIdentifier(foundation::Value("points"));
        points->setDataLineStyle(nullptr);
        auto plus = CPTPlotSymbol::plusPlotSymbol();
        plus->setSize({8, 8});
        plus->setLineStyle(lineOf(kSymbolColor, 1.5));
        points->setPlotSymbol(plus);

        for (const auto& plot : {steps, fit, points}) {
            plot->setDataSource(source);
            graph->addPlot(plot);
        }
    }
};

} // namespace plotcharts
