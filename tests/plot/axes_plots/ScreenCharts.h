// The charts of the analysis screens, built the way the screens build them: histograms with box
// plots and outliers (over numbers and over dates), bar charts of levels with slanted labels, pies,
// QQ plots, correlation scatters with fit lines, residual plots, stacked percent bars with a legend,
// the hypothesis-test boxes, proportions and densities, and ROC curves. Each chart says where its
// bars, slices, symbols, lines and swatches land and in which colour, and which texts it shows.
#pragma once

#include "PlotTypeCharts.h"
#include "analysis/FitScreenParts.h"
#include "analysis/HypothesisTestViewController.h"
#include "platform/graphics/Recorder.h"
#include "plot/axes_plots/CPTFunctionDataSource.h"
#include "plot/axes_plots/CPTPieChart.h"
#include "plot/axes_plots/CPTTimeFormatter.h"
#include "plot/graph/CPTAxisLabel.h"
#include "plot/graph/CPTLayerAnnotation.h"
#include "plot/graph/CPTLegend.h"
#include "plot/graph/CPTTextLayer.h"

#include <cmath>
#include <functional>
#include <map>
#include <numbers>
#include <string>
#include <vector>

namespace screencharts {

using plotcharts::graphPointOf;
using plotcharts::lineOf;
using plotcharts::range;

// A colour expected at a graph point (points, y up).
struct Probe {
    std::string what;
    CGPoint at;
    gfx::Color color;
    double tolerance = 3.0 / 255;
    // How far from `at` the colour may lie instead (0: exactly there).
    double reach = 0;
};

struct ScreenChart {
    std::string name; // the gallery page
    CGSize size;
    std::shared_ptr<CPTXYGraph> graph;
    // Plots hold their data sources weakly: the chart keeps them.
    std::vector<std::shared_ptr<CPTPlotDataSource>> sources;
    std::vector<Probe> probes;
    // Horizontal texts a PDF of the chart holds.
    std::vector<std::string> words;
    // Colours of filled shapes with the least number of them: one per bar or slice.
    std::vector<std::pair<gfx::Color, int>> fills;
};

inline std::shared_ptr<CPTFill> fillOf(const gfx::Color& color) {
    return CPTFill::fillWithColor(CPTColor::colorWithCGColor(color));
}

inline std::shared_ptr<CPTTextStyle> textOf(double size,
                                            const std::shared_ptr<CPTColor>& color = CPTColor::blackColor()) {
    auto style = CPTMutableTextStyle::textStyle();
    style->setFontSize(size);
    style->setColor(color);
    return style;
}

// Records per plot identifier, one column per field; NaN is a missing value.
template <class Base> class ColumnSource : public Base {
  public:
    std::map<std::string, std::vector<std::vector<double>>> columns;
    std::uint64_t numberOfRecordsForPlot(CPTPlot& plot) override {
        auto it = columns.find(plot.identifier().string());
        return it == columns.end() || it->second.empty() ? 0 : it->second[0].size();
    }
    std::optional<foundation::Value> numberForPlot(CPTPlot& plot, std::uint64_t field,
                                                   std::uint64_t i) override {
        const auto& fields = columns.at(plot.identifier().string());
        if (field >= fields.size() || i >= fields[field].size() || std::isnan(fields[field][i]))
            return foundation::Value();
        return foundation::Value(fields[field][i]);
    }
};

// Bars with a fill per bar when the plot has colours listed.
class BarSource : public ColumnSource<CPTBarPlotDataSource> {
  public:
    std::map<std::string, std::vector<gfx::Color>> colors;
    std::optional<std::shared_ptr<CPTFill>> barFillForBarPlot(CPTBarPlot& plot, std::uint64_t i) override {
        auto it = colors.find(plot.identifier().string());
        if (it == colors.end())
            return std::nullopt;
        return fillOf(it->second[i % it->second.size()]);
    }
};

class ScatterSource : public ColumnSource<CPTScatterPlotDataSource> {};

// Slices in the default colours, each labelled with its level.
class PieSource : public ColumnSource<CPTPieChartDataSource> {
  public:
    std::vector<std::string> labels;
    std::optional<std::shared_ptr<CPTFill>> sliceFillForPieChart(CPTPieChart&, std::uint64_t i) override {
        return CPTFill::fillWithColor(CPTPieChart::defaultPieSliceColorForIndex(i));
    }
    std::optional<std::shared_ptr<CPTLayer>> dataLabelForPlot(CPTPlot&, std::uint64_t i) override {
        if (i >= labels.size())
            return std::nullopt;
        return std::make_shared<CPTTextLayer>(labels[i], textOf(9));
    }
    std::optional<std::string> legendTitleForPieChart(CPTPieChart&, std::uint64_t i) override {
        if (i >= labels.size())
            return std::nullopt;
        return labels[i];
    }
};

// Lays the chart out, loads its data and labels, as a first drawing does.
inline void settle(CPTGraph& graph) {
    auto rec =
        gfx::makeRecordingContext(gfx::Rect(0, 0, graph.bounds().size.width, graph.bounds().size.height));
    graph.layoutAndRenderInContext(*rec.context);
}

inline std::shared_ptr<CPTXYAxis> xAxisOf(CPTGraph& graph) {
    return std::dynamic_pointer_cast<CPTXYAxisSet>(graph.axisSet())->xAxis();
}
inline std::shared_ptr<CPTXYAxis> yAxisOf(CPTGraph& graph) {
    return std::dynamic_pointer_cast<CPTXYAxisSet>(graph.axisSet())->yAxis();
}

inline void titleAxes(CPTGraph& graph, const std::string& x, const std::string& y) {
    auto xAxis = xAxisOf(graph);
    auto yAxis = yAxisOf(graph);
    xAxis->setTitle(x);
    xAxis->setTitleTextStyle(textOf(11));
    xAxis->setTitleOffset(18);
    yAxis->setTitle(y);
    yAxis->setTitleTextStyle(textOf(11));
    yAxis->setTitleOffset(22);
}

inline const gfx::Color kHistColor{0.45, 0.62, 0.85, 1};
inline const gfx::Color kWhiskerColor{0.20, 0.20, 0.20, 1};
inline const gfx::Color kBoxLowColor{0.95, 0.75, 0.30, 1};
inline const gfx::Color kBoxHighColor{0.90, 0.55, 0.20, 1};
inline const gfx::Color kOutlierColor{0.85, 0.10, 0.10, 1};
inline const gfx::Color kSymbolColor{0.15, 0.15, 0.55, 1};
inline const gfx::Color kLineBlue{0.0, 0.0, 1.0, 1};

// --- 1, 2: a histogram with a horizontal box plot above it and the outliers beyond its whiskers

inline const std::vector<double> kHistCounts{2, 5, 9, 12, 8, 4, 2, 1};
struct BoxStats {
    double min, q1, median, q3, max;
};
inline const BoxStats kBox{0.4, 2.6, 3.5, 4.6, 6.8};
inline const std::vector<double> kOutliers{7.5, 7.9};
constexpr double kBoxLevel = 14.5;
constexpr double kJanuary1st2021 = 1609459200; // 00:00 UTC
constexpr double kDay = 86400;

// Over dates the values are days from 1 January 2021, in seconds.
inline ScreenChart histogramChart(bool dates) {
    const double origin = dates ? kJanuary1st2021 : 0, unit = dates ? kDay : 1;
    auto at = [&](double v) { return origin + v * unit; };
    ScreenChart c;
    c.name = dates ? "screen-histogram-dates" : "screen-histogram";
    c.size = {plotcharts::kWidth, plotcharts::kHeight};
    c.graph = plotcharts::graphWithRanges(range(origin, 8 * unit), range(0, 16));
    c.graph->plotAreaFrame()->setPaddingBottom(40);
    c.graph->plotAreaFrame()->setPaddingLeft(40);
    c.graph->plotAreaFrame()->setPaddingRight(dates ? 26 : 10);
    titleAxes(*c.graph, dates ? "Date" : "Value", "Count");
    auto x = xAxisOf(*c.graph);
    x->setMajorIntervalLength(foundation::Value(2 * unit));
    if (dates) {
        auto formatter = std::make_shared<CPTTimeFormatter>(std::make_shared<foundation::DateFormatter>(
            foundation::DateFormatter::Style::Short, foundation::DateFormatter::Style::None, "en_US", "UTC"));
        formatter->setReferenceDate(0.0);
        x->setLabelFormatter(formatter);
    }
    yAxisOf(*c.graph)->setMajorIntervalLength(foundation::Value(4.0));

    auto bars = std::make_shared<BarSource>();
    auto points = std::make_shared<ScatterSource>();
    c.sources = {bars, points};

    auto histogram = std::make_shared<CPTBarPlot>();
    histogram->setIdentifier(foundation::Value("histogram"));
    histogram->setBarWidth(foundation::Value(unit * 0.96));
    histogram->setFill(fillOf(kHistColor));
    histogram->setLineStyle(lineOf(plotcharts::kOutline, 0.5));
    std::vector<double> locations, counts;
    for (std::size_t i = 0; i < kHistCounts.size(); ++i) {
        locations.push_back(at(double(i) + 0.5));
        counts.push_back(kHistCounts[i]);
    }
    bars->columns["histogram"] = {locations, counts};
    histogram->setDataSource(bars);
    c.graph->addPlot(histogram);

    // Six horizontal bars whose bases vary: the whiskers, the two halves of the box and the caps.
    struct Part {
        const char* id;
        double base, tip, width;
        gfx::Color color;
    };
    const Part parts[] = {
        {"whisker-low", kBox.min, kBox.q1, 0.2, kWhiskerColor},
        {"box-low", kBox.q1, kBox.median, 1.6, kBoxLowColor},
        {"box-high", kBox.median, kBox.q3, 1.6, kBoxHighColor},
        {"whisker-high", kBox.q3, kBox.max, 0.2, kWhiskerColor},
        {"cap-low", kBox.min - 0.04, kBox.min + 0.04, 1.0, kWhiskerColor},
        {"cap-high", kBox.max - 0.04, kBox.max + 0.04, 1.0, kWhiskerColor},
    };
    for (const Part& p : parts) {
        auto bar = std::make_shared<CPTBarPlot>();
        bar->setIdentifier(foundation::Value(p.id));
        bar->setBarsAreHorizontal(true);
        bar->setBarBasesVary(true);
        bar->setBarWidth(foundation::Value(p.width));
        bar->setFill(fillOf(p.color));
        bar->setLineStyle(nullptr);
        bars->columns[p.id] = {{kBoxLevel}, {at(p.tip)}, {at(p.base)}};
        bar->setDataSource(bars);
        c.graph->addPlot(bar);
    }

    auto outliers = std::make_shared<CPTScatterPlot>();
    outliers->setIdentifier(foundation::Value("outliers"));
    outliers->setDataLineStyle(nullptr);
    auto ellipse = CPTPlotSymbol::ellipsePlotSymbol();
    ellipse->setSize({9, 9});
    ellipse->setFill(fillOf(kOutlierColor));
    ellipse->setLineStyle(nullptr);
    outliers->setPlotSymbol(ellipse);
    std::vector<double> ox, oy;
    for (double v : kOutliers) {
        ox.push_back(at(v));
        oy.push_back(kBoxLevel);
    }
    points->columns["outliers"] = {ox, oy};
    outliers->setDataSource(points);
    c.graph->addPlot(outliers);

    settle(*c.graph);
    for (std::size_t i = 0; i < kHistCounts.size(); ++i)
        c.probes.push_back(
            {"bar " + std::to_string(i), graphPointOf(*c.graph, locations[i], counts[i] / 2), kHistColor});
    c.probes.push_back(
        {"lower box", graphPointOf(*c.graph, at((kBox.q1 + kBox.median) / 2), kBoxLevel), kBoxLowColor});
    c.probes.push_back(
        {"upper box", graphPointOf(*c.graph, at((kBox.median + kBox.q3) / 2), kBoxLevel), kBoxHighColor});
    c.probes.push_back(
        {"upper whisker", graphPointOf(*c.graph, at((kBox.q3 + kBox.max) / 2), kBoxLevel), kWhiskerColor});
    for (std::size_t i = 0; i < kOutliers.size(); ++i)
        c.probes.push_back(
            {"outlier " + std::to_string(i), graphPointOf(*c.graph, ox[i], oy[i]), kOutlierColor});
    c.words = {dates ? "Date" : "Value", "Count"};
    if (dates)
        c.words.push_back("1/3/21");
    c.fills = {
        {kHistColor, int(kHistCounts.size())}, {kBoxLowColor, 1}, {kBoxHighColor, 1}, {kOutlierColor, 2}};
    return c;
}

// --- 3: one bar per level, each level's name slanted below its bar

inline const std::vector<std::string> kLevels{"Apples", "Bananas", "Cherries", "Dates"};
inline const std::vector<double> kLevelCounts{12, 7, 15, 4};
inline const std::vector<gfx::Color> kLevelColors{
    {0.80, 0.25, 0.25, 1}, {0.95, 0.80, 0.25, 1}, {0.55, 0.15, 0.35, 1}, {0.45, 0.30, 0.15, 1}};

inline ScreenChart levelBarChart() {
    ScreenChart c;
    c.name = "screen-level-bars";
    c.size = {plotcharts::kWidth, plotcharts::kHeight};
    c.graph = plotcharts::graphWithRanges(range(0, 4), range(0, 16));
    c.graph->plotAreaFrame()->setPaddingBottom(70);
    c.graph->plotAreaFrame()->setPaddingLeft(40);
    titleAxes(*c.graph, "Fruit", "Count");
    xAxisOf(*c.graph)->setTitleOffset(55);
    yAxisOf(*c.graph)->setMajorIntervalLength(foundation::Value(4.0));
    auto x = xAxisOf(*c.graph);
    x->setLabelingPolicy(CPTAxisLabelingPolicyNone);
    CPTAxis::AxisLabels labels;
    CPTAxis::TickLocations ticks;
    for (std::size_t i = 0; i < kLevels.size(); ++i) {
        auto label = std::make_shared<CPTAxisLabel>(kLevels[i], textOf(10));
        label->setTickLocation(foundation::Value(double(i) + 0.5));
        label->setRotation(std::numbers::pi / 4);
        label->setOffset(x->labelOffset() + x->majorTickLength());
        labels.push_back(label);
        ticks.push_back(label->tickLocation());
    }
    x->setAxisLabels(labels);
    x->setMajorTickLocations(ticks);

    auto bars = std::make_shared<BarSource>();
    c.sources = {bars};
    auto plot = std::make_shared<CPTBarPlot>();
    plot->setIdentifier(foundation::Value("levels"));
    plot->setBarWidth(foundation::Value(0.6));
    plot->setLineStyle(lineOf(plotcharts::kOutline, 0.5));
    std::vector<double> locations;
    for (std::size_t i = 0; i < kLevels.size(); ++i)
        locations.push_back(double(i) + 0.5);
    bars->columns["levels"] = {locations, kLevelCounts};
    bars->colors["levels"] = kLevelColors;
    plot->setDataSource(bars);
    c.graph->addPlot(plot);

    settle(*c.graph);
    for (std::size_t i = 0; i < kLevels.size(); ++i) {
        c.probes.push_back(
            {kLevels[i], graphPointOf(*c.graph, locations[i], kLevelCounts[i] / 2), kLevelColors[i]});
        c.fills.push_back({kLevelColors[i], 1});
    }
    c.words = {"Fruit", "Count"};
    return c;
}

// --- 4: a pie of thirteen levels from pi/4, labelled, in the default colours

inline const std::vector<double> kSlices{5, 3, 8, 2, 6, 4, 7, 1.5, 9, 3, 5, 2.5, 6};

inline ScreenChart pieChart(CGSize size = {plotcharts::kWidth, plotcharts::kHeight},
                            const std::vector<double>& values = kSlices,
                            const std::string& name = "screen-pie",
                            const std::optional<std::string>& title = std::nullopt) {
    ScreenChart c;
    c.name = name;
    c.size = size;
    c.graph = CPTXYGraph::graphWithFrame(CGRect(0, 0, size.width, size.height));
    c.graph->setFill(CPTFill::fillWithColor(CPTColor::whiteColor()));
    c.graph->setAxisSet(nullptr);
    c.graph->plotAreaFrame()->setBorderLineStyle(nullptr);
    if (title) {
        c.graph->setTitle(title);
        auto style = CPTMutableTextStyle::textStyle();
        style->setFontSize(13);
        style->setTextAlignment(gfx::TextAlignment::Center);
        c.graph->setTitleTextStyle(style);
        // A long title wraps within the graph's width.
        if (auto annotation = c.graph->titleAnnotation())
            if (auto text = std::dynamic_pointer_cast<CPTTextLayer>(annotation->contentLayer()))
                text->setMaximumSize({size.width - 40, 0});
    }
    auto source = std::make_shared<PieSource>();
    c.sources = {source};
    std::vector<double> column = values;
    source->columns["pie"] = {column};
    for (std::size_t i = 0; i < values.size(); ++i)
        source->labels.push_back("L" + std::to_string(i + 1));
    auto pie = std::make_shared<CPTPieChart>();
    pie->setIdentifier(foundation::Value("pie"));
    const double radius = std::min(size.width, size.height) * 0.3;
    pie->setPieRadius(radius);
    pie->setStartAngle(std::numbers::pi / 4);
    pie->setSliceDirection(CPTPieDirectionClockwise);
    pie->setBorderLineStyle(lineOf({1, 1, 1, 1}, 1));
    pie->setDataSource(source);
    c.graph->addPlot(pie);

    settle(*c.graph);
    CGPoint center;
    if (pie->centerPoint(center)) {
        center = pie->convertPointToLayer(center, c.graph.get());
        for (std::size_t i = 0; i < values.size(); ++i) {
            const double m = pie->medianAngleForPieSliceIndex(i);
            if (std::isnan(m))
                continue;
            const gfx::Color color = CPTPieChart::defaultPieSliceColorForIndex(i)->cgColor();
            c.probes.push_back({"slice " + std::to_string(i),
                                {center.x + radius / 2 * std::cos(m), center.y + radius / 2 * std::sin(m)},
                                color});
            c.fills.push_back({color, 1});
            c.words.push_back(source->labels[i]);
        }
    }
    if (title)
        c.words.push_back(title->substr(0, title->find(' ')));
    return c;
}

// --- 5: a QQ plot, plus symbols without a line beside the blue line of equal quantiles

inline double qqX(std::size_t i) {
    return -1.9 + 0.2 * double(i);
}
inline double qqY(std::size_t i) {
    return 1.25 * qqX(i) + 0.6;
}

inline std::shared_ptr<CPTScatterPlot>
symbolPlot(const char* id, const std::shared_ptr<CPTPlotSymbol>& symbol, const gfx::Color& color) {
    auto plot = std::make_shared<CPTScatterPlot>();
    plot->setIdentifier(foundation::Value(id));
    plot->setDataLineStyle(nullptr);
    symbol->setSize({8, 8});
    symbol->setLineStyle(lineOf(color, 1.5));
    plot->setPlotSymbol(symbol);
    return plot;
}

inline std::shared_ptr<CPTScatterPlot> linePlot(const char* id, const std::shared_ptr<CPTLineStyle>& style) {
    auto plot = std::make_shared<CPTScatterPlot>();
    plot->setIdentifier(foundation::Value(id));
    plot->setDataLineStyle(style);
    return plot;
}

inline ScreenChart qqChart() {
    ScreenChart c;
    c.name = "screen-qq";
    c.size = {plotcharts::kWidth, plotcharts::kHeight};
    c.graph = plotcharts::graphWithRanges(range(-2, 4), range(-2.5, 6));
    c.graph->plotAreaFrame()->setPaddingBottom(40);
    c.graph->plotAreaFrame()->setPaddingLeft(40);
    titleAxes(*c.graph, "Theoretical", "Sample");
    yAxisOf(*c.graph)->setMajorIntervalLength(foundation::Value(2.0));
    auto source = std::make_shared<ScatterSource>();
    c.sources = {source};
    std::vector<double> xs, ys;
    for (std::size_t i = 0; i < 20; ++i) {
        xs.push_back(qqX(i));
        ys.push_back(qqY(i));
    }
    source->columns["points"] = {xs, ys};
    source->columns["line"] = {{-2, 2}, {-2, 2}};
    auto line = linePlot("line", lineOf(kLineBlue, 1.5));
    auto points = symbolPlot("points", CPTPlotSymbol::plusPlotSymbol(), kSymbolColor);
    for (const auto& plot : {line, points}) {
        plot->setDataSource(source);
        c.graph->addPlot(plot);
    }
    settle(*c.graph);
    for (std::size_t i = 0; i < 20; i += 3)
        c.probes.push_back(
            {"point " + std::to_string(i), graphPointOf(*c.graph, xs[i], ys[i]), kSymbolColor, 0.15});
    for (double v : {-1.0, 0.5, 1.5})
        c.probes.push_back({"line at " + std::to_string(v), graphPointOf(*c.graph, v, v), kLineBlue, 0.15});
    c.words = {"Theoretical", "Sample"};
    return c;
}

// --- 6: a correlation scatter with its fit line under a graph title

inline double fitY(double x) {
    return 1.0 + 0.8 * x;
}

inline ScreenChart correlationChart() {
    ScreenChart c;
    c.name = "screen-correlation";
    c.size = {plotcharts::kWidth, plotcharts::kHeight};
    c.graph = plotcharts::graphWithRanges(range(0, 10), range(0, 12));
    c.graph->plotAreaFrame()->setPaddingBottom(40);
    c.graph->plotAreaFrame()->setPaddingLeft(40);
    c.graph->plotAreaFrame()->setPaddingTop(30);
    c.graph->setTitle(std::string("Height against weight"));
    c.graph->setTitleTextStyle(textOf(13));
    titleAxes(*c.graph, "Weight", "Height");
    xAxisOf(*c.graph)->setMajorIntervalLength(foundation::Value(2.0));
    yAxisOf(*c.graph)->setMajorIntervalLength(foundation::Value(2.0));
    auto source = std::make_shared<ScatterSource>();
    c.sources = {source};
    std::vector<double> xs, ys;
    for (std::size_t i = 0; i < 25; ++i) {
        xs.push_back(0.3 + 0.38 * double(i));
        ys.push_back(fitY(xs.back()) + (i % 2 ? -1.4 : 1.4));
    }
    source->columns["points"] = {xs, ys};
    source->columns["fit"] = {{0, 10}, {fitY(0), fitY(10)}};
    auto fit = linePlot("fit", lineOf(kLineBlue, 2));
    auto points = symbolPlot("points", CPTPlotSymbol::ellipsePlotSymbol(), kSymbolColor);
    points->plotSymbol()->setFill(fillOf(kSymbolColor));
    auto filled = points->plotSymbol()->copy();
    filled->setFill(fillOf(kSymbolColor));
    points->setPlotSymbol(filled);
    for (const auto& plot : {fit, points}) {
        plot->setDataSource(source);
        c.graph->addPlot(plot);
    }
    settle(*c.graph);
    for (std::size_t i = 0; i < xs.size(); i += 4)
        c.probes.push_back(
            {"point " + std::to_string(i), graphPointOf(*c.graph, xs[i], ys[i]), kSymbolColor, 0.1});
    for (double v : {1.0, 5.0, 9.0})
        c.probes.push_back(
            {"fit at " + std::to_string(v), graphPointOf(*c.graph, v, fitY(v)), kLineBlue, 0.15});
    c.words = {"Height", "against", "weight", "Weight"};
    c.fills = {{kSymbolColor, 25}};
    return c;
}

// --- 7: residuals against fitted values over a red dashed zero line (the fitted-model screens' own
// chart: black plus symbols, the plot space fitted to the points)

inline double residual(std::size_t i) {
    return (i % 2 ? 1.0 : -1.0) * (0.5 + 0.1 * double(i % 7));
}

inline const gfx::Color kZeroRed{1.0, 0.0, 0.0, 1};

inline ScreenChart residualsChart() {
    ScreenChart c;
    c.name = "screen-residuals";
    c.size = {plotcharts::kWidth, plotcharts::kHeight};
    c.graph = plotcharts::graphWithRanges(range(0, 1), range(0, 1));
    c.graph->plotAreaFrame()->setPaddingBottom(40);
    c.graph->plotAreaFrame()->setPaddingLeft(40);
    titleAxes(*c.graph, "Fitted", "Residual");
    xAxisOf(*c.graph)->setMajorIntervalLength(foundation::Value(2.0));
    yAxisOf(*c.graph)->setMajorIntervalLength(foundation::Value(0.5));
    for (const auto& axis : {xAxisOf(*c.graph), yAxisOf(*c.graph)})
        axis->setLabelFormatter(fitparts::significantDigits(3));

    auto source = std::make_shared<ScatterSource>();
    c.sources = {source};
    std::vector<double> xs, ys;
    for (std::size_t i = 0; i < 24; ++i) {
        xs.push_back(0.3 + 0.4 * double(i));
        ys.push_back(residual(i));
    }
    source->columns["scatterPlot"] = {xs, ys};
    const fitparts::FitChart chart = fitparts::addFitPlots(*c.graph, source);
    fitparts::showAsResiduals(chart, false);
    settle(*c.graph);
    fitparts::fitToPlot(*c.graph, *chart.scatter);
    settle(*c.graph);
    // The plot space starts at the smallest residual and fitted value: points there sit on the axes, half
    // hidden, so the probed ones lie inside.
    for (std::size_t i = 1; i < xs.size(); i += 3)
        c.probes.push_back(
            {"point " + std::to_string(i), graphPointOf(*c.graph, xs[i], ys[i]), gfx::Color::black(), 0.7, 1});
    // The first dash runs 3 points from the left end of the line, which starts where the x range does.
    const auto space = std::dynamic_pointer_cast<CPTXYPlotSpace>(c.graph->defaultPlotSpace());
    const CGPoint start = graphPointOf(*c.graph, space->xRange()->locationDouble(), 0);
    c.probes.push_back({"zero line", {start.x + 1.5, start.y}, kZeroRed, 0.7, 1});
    c.words = {"Fitted", "Residual"};
    return c;
}

// --- 8: stacked percent bars of three answers per level and in total, with a legend row per answer

inline const std::vector<std::string> kAnswers{"Yes", "No", "Undecided"};
inline const std::vector<std::string> kGroups{"North", "South", "East", "Total"};
// Shares of each answer per group; each group sums to 1.
inline const std::vector<std::vector<double>> kShares{
    {0.50, 0.20, 0.40, 0.37}, {0.30, 0.50, 0.40, 0.40}, {0.20, 0.30, 0.20, 0.23}};
inline const std::vector<gfx::Color> kAnswerColors{
    {0.20, 0.60, 0.30, 1}, {0.80, 0.25, 0.20, 1}, {0.60, 0.60, 0.65, 1}};

inline ScreenChart stackedPercentChart() {
    ScreenChart c;
    c.name = "screen-stacked-percent";
    c.size = {plotcharts::kWidth, plotcharts::kHeight};
    c.graph = plotcharts::graphWithRanges(range(0, 4), range(0, 1));
    c.graph->plotAreaFrame()->setPaddingLeft(150);
    c.graph->plotAreaFrame()->setPaddingBottom(40);
    titleAxes(*c.graph, "Region", "Share");
    auto y = yAxisOf(*c.graph);
    y->setMajorIntervalLength(foundation::Value(0.25));
    auto percent =
        std::make_shared<foundation::NumberFormatter>(foundation::NumberFormatter::Style::Percent, "en_US");
    y->setLabelFormatter(percent);
    y->setTitleOffset(36);
    auto x = xAxisOf(*c.graph);
    x->setLabelingPolicy(CPTAxisLabelingPolicyNone);
    CPTAxis::AxisLabels labels;
    for (std::size_t i = 0; i < kGroups.size(); ++i) {
        auto label = std::make_shared<CPTAxisLabel>(kGroups[i], textOf(10));
        label->setTickLocation(foundation::Value(double(i) + 0.5));
        label->setOffset(x->labelOffset() + x->majorTickLength());
        labels.push_back(label);
    }
    x->setAxisLabels(labels);

    auto bars = std::make_shared<BarSource>();
    c.sources = {bars};
    std::vector<double> base(kGroups.size(), 0.0);
    std::vector<double> locations;
    for (std::size_t i = 0; i < kGroups.size(); ++i)
        locations.push_back(double(i) + 0.5);
    std::vector<std::vector<double>> bottoms, tops;
    for (std::size_t s = 0; s < kAnswers.size(); ++s) {
        std::vector<double> top(kGroups.size());
        for (std::size_t g = 0; g < kGroups.size(); ++g)
            top[g] = base[g] + kShares[s][g];
        auto plot = std::make_shared<CPTBarPlot>();
        plot->setIdentifier(foundation::Value(kAnswers[s]));
        plot->setTitle(kAnswers[s]);
        plot->setBarBasesVary(true);
        plot->setBarWidth(foundation::Value(0.6));
        plot->setFill(fillOf(kAnswerColors[s]));
        plot->setLineStyle(lineOf({1, 1, 1, 1}, 1));
        bars->columns[kAnswers[s]] = {locations, top, base};
        plot->setDataSource(bars);
        c.graph->addPlot(plot);
        bottoms.push_back(base);
        tops.push_back(top);
        base = top;
    }
    auto legend = CPTLegend::legendWithGraph(*c.graph);
    legend->setNumberOfRows(kAnswers.size());
    legend->setTextStyle(textOf(11));
    legend->setTitleOffset(6);
    legend->setSwatchCornerRadius(3);
    legend->setFill(CPTFill::fillWithColor(CPTColor::whiteColor()));
    legend->setBorderLineStyle(lineOf(plotcharts::kAxisColor, 1));
    c.graph->setLegend(legend);
    c.graph->setLegendAnchor(CPTRectAnchorTopLeft);
    c.graph->setLegendDisplacement({10, -10});

    settle(*c.graph);
    for (std::size_t s = 0; s < kAnswers.size(); ++s) {
        for (std::size_t g = 0; g < kGroups.size(); ++g)
            c.probes.push_back({kAnswers[s] + " in " + kGroups[g],
                                graphPointOf(*c.graph, locations[g], (bottoms[s][g] + tops[s][g]) / 2),
                                kAnswerColors[s]});
        c.fills.push_back({kAnswerColors[s], int(kGroups.size()) + 1}); // the bars and the swatch
    }
    for (const auto& entry : legend->legendEntries()) {
        auto geometry = legend->geometryOfEntry(*entry);
        if (!geometry)
            continue;
        const CGPoint mid =
            legend->convertPointToLayer({geometry->swatch.midX(), geometry->swatch.midY()}, c.graph.get());
        const std::string answer = entry->plot()->identifier().string();
        for (std::size_t s = 0; s < kAnswers.size(); ++s)
            if (kAnswers[s] == answer)
                c.probes.push_back({"swatch of " + answer, mid, kAnswerColors[s]});
    }
    c.words = {"Region", "Share", "North", "Total", "0%", "100%"};
    for (const auto& a : kAnswers)
        c.words.push_back(a);
    return c;
}

// --- 9: the hypothesis test of two means: the samples' boxes, each drawn from clear bars with 2-point
// outlines in its sample's colour (the screen's own plots); the samples' density curves (the screen's
// curves over function data)

inline double density(double x, double mean, double sd) {
    const double z = (x - mean) / sd;
    return std::exp(-0.5 * z * z) / (sd * std::sqrt(2 * std::numbers::pi));
}
inline double sample1(double x) {
    return density(x, 0, 1);
}
inline double sample2(double x) {
    return density(x, 2, 1.2);
}
// Minimum, quartiles and maximum of each sample, at 0 and 1.
struct SampleBox {
    double min, q1, median, q3, max;
};
inline const std::vector<SampleBox> kSampleBoxes{{-1.6, -0.67, 0, 0.67, 1.8}, {-0.2, 1.2, 2, 2.8, 4.1}};

// The box parts' records by the screen's identifiers, outlined in the sample's colour.
class BoxSource : public BarSource {
  public:
    std::optional<std::shared_ptr<CPTLineStyle>> barLineStyleForBarPlot(CPTBarPlot&, std::uint64_t i) override {
        return lineOf(i == 0 ? HypothesisTestViewController::colorSample1 : HypothesisTestViewController::colorSample2,
                      2);
    }
};

inline ScreenChart hypothesisChart() {
    ScreenChart c;
    c.name = "screen-hypothesis-means";
    c.size = {plotcharts::kWidth, plotcharts::kHeight};
    c.graph = plotcharts::graphWithRanges(range(-0.6, 2.2), range(-2.5, 7.5));
    c.graph->plotAreaFrame()->setPaddingBottom(40);
    c.graph->plotAreaFrame()->setPaddingLeft(44);
    titleAxes(*c.graph, "Sample", "Value");
    xAxisOf(*c.graph)->setLabelingPolicy(CPTAxisLabelingPolicyNone);
    yAxisOf(*c.graph)->setMajorIntervalLength(foundation::Value(2.0));
    yAxisOf(*c.graph)->setTitleOffset(30);
    auto bars = std::make_shared<BoxSource>();
    c.sources = {bars};
    auto column = [](double SampleBox::*tip, double SampleBox::*base) {
        std::vector<std::vector<double>> fields{{0, 1}, {}, {}};
        for (const SampleBox& b : kSampleBoxes) {
            fields[1].push_back(b.*tip);
            fields[2].push_back(b.*base);
        }
        return fields;
    };
    bars->columns["topBox"] = column(&SampleBox::q3, &SampleBox::median);
    bars->columns["bottomBox"] = column(&SampleBox::median, &SampleBox::q1);
    bars->columns["topWhisker"] = column(&SampleBox::max, &SampleBox::q3);
    bars->columns["bottomWhisker"] = column(&SampleBox::q1, &SampleBox::min);
    bars->columns["topWhiskerTip"] = column(&SampleBox::max, &SampleBox::max);
    bars->columns["bottomWhiskerTip"] = column(&SampleBox::min, &SampleBox::min);
    for (const auto& plot : HypothesisTestViewController::makeBoxPlots(bars))
        c.graph->addPlot(plot);
    settle(*c.graph);
    const gfx::Color colors[] = {HypothesisTestViewController::colorSample1, HypothesisTestViewController::colorSample2};
    for (size_t i = 0; i < kSampleBoxes.size(); ++i) {
        const SampleBox& b = kSampleBoxes[i];
        const double x = double(i);
        const std::string name = "box " + std::to_string(i + 1);
        c.probes.push_back({name + " inside", graphPointOf(*c.graph, x + 0.1, (b.q1 + b.median) / 2),
                            plotcharts::kPlotAreaColor});
        c.probes.push_back({name + " outline", graphPointOf(*c.graph, x - 0.2, (b.median + b.q3) / 2), colors[i], 0.15});
        c.probes.push_back({name + " median", graphPointOf(*c.graph, x + 0.1, b.median), colors[i], 0.15});
        c.probes.push_back({name + " whisker", graphPointOf(*c.graph, x, (b.q3 + b.max) / 2), colors[i], 0.15});
        c.probes.push_back({name + " whisker end", graphPointOf(*c.graph, x + 0.07, b.max), colors[i], 0.15});
    }
    c.words = {"Sample", "Value"};
    return c;
}

inline ScreenChart densitiesChart() {
    ScreenChart c;
    c.name = "screen-hypothesis-densities";
    c.size = {plotcharts::kWidth, plotcharts::kHeight};
    c.graph = plotcharts::graphWithRanges(range(-4, 10), range(0, 0.55));
    c.graph->plotAreaFrame()->setPaddingBottom(40);
    c.graph->plotAreaFrame()->setPaddingLeft(44);
    titleAxes(*c.graph, "Value", "Density");
    xAxisOf(*c.graph)->setMajorIntervalLength(foundation::Value(2.0));
    auto y = yAxisOf(*c.graph);
    y->setMajorIntervalLength(foundation::Value(0.1));
    auto digits = std::make_shared<foundation::NumberFormatter>();
    digits->setMinimumFractionDigits(1);
    digits->setMaximumFractionDigits(1);
    y->setLabelFormatter(digits);
    y->setTitleOffset(30);
    auto curve1 = HypothesisTestViewController::makeCurve(foundation::Value("sample1"), HypothesisTestViewController::colorSample1, nullptr);
    auto curve2 = HypothesisTestViewController::makeCurve(foundation::Value("sample2"), HypothesisTestViewController::colorSample2, nullptr);
    c.graph->addPlot(curve1);
    c.graph->addPlot(curve2);
    c.graph->layoutIfNeeded();
    auto f1 = CPTFunctionDataSource::dataSourceForPlotWithFunction(curve1, &sample1);
    auto f2 = CPTFunctionDataSource::dataSourceForPlotWithBlock(curve2, [](double x) { return sample2(x); });
    c.sources = {f1, f2};
    settle(*c.graph);
    for (double v : {-2.0, -1.0, 0.0})
        c.probes.push_back(
            {"density 1 at " + std::to_string(v), graphPointOf(*c.graph, v, sample1(v)), HypothesisTestViewController::colorSample1, 0.15});
    for (double v : {3.5, 5.0})
        c.probes.push_back(
            {"density 2 at " + std::to_string(v), graphPointOf(*c.graph, v, sample2(v)), HypothesisTestViewController::colorSample2, 0.15});
    c.words = {"Value", "Density"};
    return c;
}

// --- 9b: the hypothesis test of two proportions: each sample's share of successes and of failures, the
// samples' bars side by side at each outcome (the screen's own plots)

inline const std::vector<double> kProportions{0.62, 0.41};

inline ScreenChart proportionsChart() {
    ScreenChart c;
    c.name = "screen-hypothesis-proportions";
    c.size = {plotcharts::kWidth, plotcharts::kHeight};
    c.graph = plotcharts::graphWithRanges(range(-0.5, 1.8), range(0, 1));
    c.graph->plotAreaFrame()->setPaddingBottom(40);
    c.graph->plotAreaFrame()->setPaddingLeft(44);
    titleAxes(*c.graph, "Outcome", "Proportion");
    xAxisOf(*c.graph)->setLabelingPolicy(CPTAxisLabelingPolicyNone);
    yAxisOf(*c.graph)->setMajorIntervalLength(foundation::Value(0.25));
    yAxisOf(*c.graph)->setLabelFormatter(
        std::make_shared<foundation::NumberFormatter>(foundation::NumberFormatter::Style::Percent, "en_US"));
    yAxisOf(*c.graph)->setTitleOffset(32);
    auto bars = std::make_shared<BarSource>();
    c.sources = {bars};
    bars->columns["barProportions1"] = {{-0.2, 0.8}, {kProportions[0], 1 - kProportions[0]}};
    bars->columns["barProportions2"] = {{0, 1}, {kProportions[1], 1 - kProportions[1]}};
    for (const auto& plot : HypothesisTestViewController::makeProportionBars(bars))
        c.graph->addPlot(plot);
    settle(*c.graph);
    const gfx::Color one = HypothesisTestViewController::colorSample1, two = HypothesisTestViewController::colorSample2;
    c.probes.push_back({"sample 1 successes", graphPointOf(*c.graph, -0.2, kProportions[0] / 2), one});
    c.probes.push_back({"sample 2 successes", graphPointOf(*c.graph, 0, kProportions[1] / 2), two});
    c.probes.push_back({"sample 1 failures", graphPointOf(*c.graph, 0.8, (1 - kProportions[0]) / 2), one});
    c.probes.push_back({"sample 2 failures", graphPointOf(*c.graph, 1, (1 - kProportions[1]) / 2), two});
    c.probes.push_back({"above the bars", graphPointOf(*c.graph, -0.2, 0.9), plotcharts::kPlotAreaColor});
    c.fills = {{one, 2}, {two, 2}};
    c.words = {"Outcome", "Proportion", "50%"};
    return c;
}

// --- 10: a ROC curve (blue) above its red dashed diagonal (the logistic model screen's own chart)

inline const std::vector<double> kFalsePositives{0, 0, 0.1, 0.1, 0.3, 0.3, 0.6, 0.6, 1};
inline const std::vector<double> kTruePositives{0, 0.2, 0.2, 0.5, 0.5, 0.8, 0.8, 1, 1};
inline const gfx::Color kRocBlue{0, 0, 1, 1};

inline ScreenChart rocChart() {
    ScreenChart c;
    c.name = "screen-roc";
    c.size = {plotcharts::kWidth, plotcharts::kHeight};
    c.graph = plotcharts::graphWithRanges(range(0, 1), range(0, 1));
    c.graph->plotAreaFrame()->setPaddingBottom(40);
    c.graph->plotAreaFrame()->setPaddingLeft(56);
    c.graph->plotAreaFrame()->setPaddingRight(24);
    titleAxes(*c.graph, "False positive rate", "True positive rate");
    for (const auto& axis : {xAxisOf(*c.graph), yAxisOf(*c.graph)}) {
        axis->setMajorIntervalLength(foundation::Value(0.25));
        auto digits = std::make_shared<foundation::NumberFormatter>();
        digits->setMinimumFractionDigits(2);
        digits->setMaximumFractionDigits(2);
        axis->setLabelFormatter(digits);
    }
    yAxisOf(*c.graph)->setTitleOffset(38);
    auto source = std::make_shared<ScatterSource>();
    c.sources = {source};
    source->columns["scatterPlot"] = {kFalsePositives, kTruePositives};
    source->columns["noDiscriminationPlot"] = {{0, 1}, {0, 1}};
    const fitparts::FitChart chart = fitparts::addFitPlots(*c.graph, source);
    fitparts::showAsRoc(chart);
    settle(*c.graph);
    fitparts::fitToPlot(*c.graph, *chart.scatter);
    settle(*c.graph);
    // On the curve's vertical steps.
    c.probes.push_back({"curve", graphPointOf(*c.graph, 0.1, 0.35), kRocBlue, 0.7, 1});
    c.probes.push_back({"curve", graphPointOf(*c.graph, 0.3, 0.65), kRocBlue, 0.7, 1});
    // Dashes of 3 points, gaps of 3, from the lower end: the middle of the fourth dash, clear of the axes.
    const CGPoint start = graphPointOf(*c.graph, 0, 0), end = graphPointOf(*c.graph, 1, 1);
    const double along = 19.5 / std::hypot(end.x - start.x, end.y - start.y);
    c.probes.push_back({"diagonal",
                        {start.x + along * (end.x - start.x), start.y + along * (end.y - start.y)},
                        kZeroRed,
                        0.7,
                        1});
    c.words = {"False", "True", "rate"};
    return c;
}

// Every chart the analysis screens draw, in the order of the gallery.
inline std::vector<std::function<ScreenChart()>> allCharts() {
    return {[] { return histogramChart(false); },
            [] { return histogramChart(true); },
            levelBarChart,
            [] { return pieChart(); },
            qqChart,
            correlationChart,
            residualsChart,
            stackedPercentChart,
            hypothesisChart,
            proportionsChart,
            rocChart,
            densitiesChart};
}

} // namespace screencharts
