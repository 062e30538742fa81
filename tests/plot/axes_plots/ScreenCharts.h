// The charts of the analysis screens: the variable detail page's histograms, box plots with outliers
// and QQ plots (over numbers and over dates), its bars of levels with slanted labels and its pie, and
// the two-way table's stacked percent bars with a legend, each drawn by its screen's own chart code;
// the hypothesis-test boxes, proportions and densities, the residual plots and ROC curves, by their
// screens' code too; correlation scatters with fit lines, and a pie of the plotting library in odd sizes
// and data. Each chart says where
// its bars, slices, symbols, lines and swatches land and in which colour, and which texts it shows.
#pragma once

#include "PlotTypeCharts.h"
#include "analysis/FitScreenParts.h"
#include "analysis/HypothesisTestViewController.h"
#include "analysis/TwoWayTabController.h"
#include "analysis/VariableDetailCharts.h"
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
    // The share of pixels in which the rasterised PDF may differ from the PNG: the blends of edges
    // between strongly different colours are the two rasterisers' own.
    double rasterShare = 0.02;
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

inline const gfx::Color kSymbolColor{0.15, 0.15, 0.55, 1};
inline const gfx::Color kLineBlue{0.0, 0.0, 1.0, 1};

// --- 1, 2, 3: the variable detail page's histogram, box plot with its outliers and QQ plot, over numbers
// and over dates, drawn by the page's own chart code from a result of its shape

inline const std::vector<double> kHistCounts{2, 5, 9, 12, 8, 4, 2, 1};
struct BoxStats {
    double lowerFence, q1, median, q3, upperFence;
};
inline const BoxStats kBox{0.4, 2.6, 3.5, 4.6, 6.8};
inline const std::vector<double> kOutliers{7.5, 7.9};
constexpr double kJanuary1st2021 = 1609459200; // 00:00 UTC
constexpr double kDay = 86400;
inline const std::vector<std::string> kLevels{"Cherries", "Apples", "Bananas", "Dates"};
inline const std::vector<int64_t> kLevelCounts{15, 12, 7, 4};
constexpr double kPieRadius = 100;

using PageChartData = VariableDetailViewController::ChartData;

// The page's records, keeping the chart data they read.
class PageRecords : public variableDetailCharts::BarRecords {
  public:
    explicit PageRecords(std::shared_ptr<const PageChartData> data) : BarRecords(data.get()), kept(std::move(data)) {}
    std::shared_ptr<const PageChartData> kept;
};
class PageSlices : public variableDetailCharts::PieRecords {
  public:
    explicit PageSlices(std::shared_ptr<const PageChartData> data)
        : PieRecords(data.get(), 11), kept(std::move(data)) {}
    std::shared_ptr<const PageChartData> kept;
};

// The normal quantile of p, by bisection on the normal distribution.
inline double normalQuantile(double p) {
    double lo = -10, hi = 10;
    for (int i = 0; i < 100; ++i) {
        const double mid = (lo + hi) / 2;
        (0.5 * std::erfc(-mid / std::numbers::sqrt2) < p ? lo : hi) = mid;
    }
    return (lo + hi) / 2;
}

// A number (or date) column's result: one value in the middle of each bin as many times as its count,
// the outliers, their quantiles, the box's five numbers and the line through the quartiles. Over dates
// the values are days from 1 January 2021, in seconds.
inline std::shared_ptr<PageChartData> numbersPage(bool dates) {
    const double origin = dates ? kJanuary1st2021 : 0, unit = dates ? kDay : 1;
    auto at = [&](double v) { return origin + v * unit; };
    auto data = std::make_shared<PageChartData>();
    data->type = dates ? 4 : 3;
    HistogramBins bins;
    std::vector<double> values;
    for (std::size_t i = 0; i < kHistCounts.size(); ++i) {
        bins.edges.push_back(at(double(i)));
        bins.contents.push_back(kHistCounts[i]);
        for (int k = 0; k < int(kHistCounts[i]); ++k)
            values.push_back(at(double(i) + 0.5));
    }
    for (double v : kOutliers)
        values.push_back(at(v));
    std::sort(values.begin(), values.end());
    VariableDetailResult r;
    r.graph = bins;
    std::vector<double> quantiles;
    for (std::size_t i = 0; i < values.size(); ++i)
        quantiles.push_back(normalQuantile((double(i) + 0.5) / double(values.size())));
    r.sorted = values;
    r.qnorm = quantiles;
    r.qqline = std::array<std::array<double, 2>, 2>{{{-2.5, 2.5}, {at(3.6 - 2.5 * 1.6), at(3.6 + 2.5 * 1.6)}}};
    r.lower_fence = at(kBox.lowerFence);
    r.pc25 = at(kBox.q1);
    r.pc50 = at(kBox.median);
    r.pc75 = at(kBox.q3);
    r.upper_fence = at(kBox.upperFence);
    std::vector<double> outliers;
    for (double v : kOutliers)
        outliers.push_back(at(v));
    r.outliers = outliers;
    r.range = values.back() - values.front();
    data->graph = bins;
    data->results = std::move(r);
    return data;
}

// The page's three graphs of a number or date column: 0 the histogram, 1 the box plot, 2 the QQ plot.
inline ScreenChart numbersPageChart(bool dates, int which) {
    auto data = numbersPage(dates);
    auto records = std::make_shared<PageRecords>(data);
    const CGSize size = {plotcharts::kWidth, plotcharts::kHeight};
    auto main = variableDetailCharts::makeGraph({size.width, size.height}, 30, variableDetailCharts::kLeftPadding, 8, false);
    auto qq = variableDetailCharts::makeGraph({size.width, size.height}, 50, variableDetailCharts::kLeftPadding, 8, false);
    auto box = variableDetailCharts::makeGraph({size.width, 80}, 0, variableDetailCharts::kLeftPadding, 0, false);
    variableDetailCharts::drawMain(*main, records);
    const std::string name = dates ? "Visit date" : "Weight";
    variableDetailCharts::drawHistogramAndQQ(*main, *qq, *data, records, name, false);
    variableDetailCharts::drawBox(*box, *main, records, false);
    const std::string suffix = dates ? "-dates" : "";
    const gfx::Color bar = VariableDetailViewController::barColor();
    ScreenChart c;
    c.sources = {records};
    const VariableDetailResult& r = *data->results;
    if (which == 0) {
        c.name = "screen-histogram" + suffix;
        c.size = size;
        c.graph = main;
        settle(*c.graph);
        const auto& bins = std::get<HistogramBins>(*data->graph);
        const double width = bins.edges[1] - bins.edges[0];
        for (std::size_t i = 0; i < bins.edges.size(); ++i)
            c.probes.push_back({"bar " + std::to_string(i),
                                graphPointOf(*c.graph, bins.edges[i] + width / 2, bins.contents[i] / 2), bar});
        c.words = {"Frequency"};
        if (dates)
            c.words.push_back("1/3/21");
        c.fills = {{bar, int(bins.edges.size())}};
    } else if (which == 1) {
        c.name = "screen-box-plot" + suffix;
        c.size = {size.width, 80};
        c.graph = box;
        settle(*c.graph);
        c.probes.push_back({"lower box", graphPointOf(*c.graph, (*r.pc25 + *r.pc50) / 2, 0.5), bar});
        c.probes.push_back({"upper box", graphPointOf(*c.graph, (*r.pc50 + *r.pc75) / 2, 0.5), bar});
        c.fills = {{bar, 2}};
    } else {
        c.name = "screen-qq" + suffix;
        c.size = size;
        c.graph = qq;
        settle(*c.graph);
        // The points' plus signs are single strokes that rasterise between pixels: the line is probed.
        const auto& line = *r.qqline;
        c.probes.push_back({"line",
                            graphPointOf(*c.graph, (line[0][0] + line[0][1]) / 2 + 0.3,
                                         (line[1][0] + line[1][1]) / 2 + 0.3 * (line[1][1] - line[1][0]) /
                                                                             (line[0][1] - line[0][0])),
                            kLineBlue, 0.35});
        c.words = {"Theoretical", "Quantiles", dates ? "Visit" : "Weight"};
    }
    return c;
}

// --- 4, 5: the page's bar per level, each level's name slanted below its bar, and its pie of the levels

inline std::shared_ptr<PageChartData> levelsPage() {
    auto data = std::make_shared<PageChartData>();
    data->type = 1;
    TopFrequencies top;
    top.levels = kLevels;
    top.counts = kLevelCounts;
    data->graph = top;
    VariableDetailResult r;
    r.graph = top;
    data->results = std::move(r);
    return data;
}

inline ScreenChart levelBarChart() {
    auto data = levelsPage();
    auto records = std::make_shared<PageRecords>(data);
    auto slices = std::make_shared<PageSlices>(data);
    ScreenChart c;
    c.name = "screen-level-bars";
    c.size = {plotcharts::kWidth, plotcharts::kHeight};
    c.graph = variableDetailCharts::makeGraph({c.size.width, c.size.height}, 30, variableDetailCharts::kLeftPadding, 8, false);
    auto pie = variableDetailCharts::makeGraph({c.size.width, c.size.height}, 0, 0, 8, false);
    c.sources = {records, slices};
    variableDetailCharts::drawMain(*c.graph, records);
    variableDetailCharts::drawBarsAndPie(*c.graph, *pie, *data, slices, kPieRadius);
    settle(*c.graph);
    const gfx::Color bar = VariableDetailViewController::barColor();
    for (std::size_t i = 0; i < kLevels.size(); ++i)
        c.probes.push_back({kLevels[i], graphPointOf(*c.graph, double(i), double(kLevelCounts[i]) / 2), bar});
    c.fills.push_back({bar, int(kLevels.size())});
    c.words = {"Frequency"};
    return c;
}

inline ScreenChart levelPieChart() {
    auto data = levelsPage();
    auto records = std::make_shared<PageRecords>(data);
    auto slices = std::make_shared<PageSlices>(data);
    ScreenChart c;
    c.name = "screen-level-pie";
    c.size = {plotcharts::kWidth, plotcharts::kHeight};
    auto main = variableDetailCharts::makeGraph({c.size.width, c.size.height}, 30, variableDetailCharts::kLeftPadding, 8, false);
    c.graph = variableDetailCharts::makeGraph({c.size.width, c.size.height}, 0, 0, 8, false);
    c.sources = {records, slices};
    variableDetailCharts::drawMain(*main, records);
    variableDetailCharts::drawBarsAndPie(*main, *c.graph, *data, slices, kPieRadius);
    settle(*c.graph);
    auto pie = std::dynamic_pointer_cast<CPTPieChart>(c.graph->plotWithIdentifier(foundation::Value("piePlot")));
    CGPoint center;
    if (pie && pie->centerPoint(center)) {
        center = pie->convertPointToLayer(center, c.graph.get());
        for (std::size_t i = 0; i < kLevels.size(); ++i) {
            const double m = pie->medianAngleForPieSliceIndex(i);
            const gfx::Color color = *VariableDetailViewController::sliceColor(i);
            c.probes.push_back({"slice " + kLevels[i],
                                {center.x + kPieRadius / 2 * std::cos(m), center.y + kPieRadius / 2 * std::sin(m)},
                                color});
            c.fills.push_back({color, 1});
            c.words.push_back(kLevels[i]);
        }
    }
    return c;
}

// --- a pie of the plotting library: thirteen levels from pi/4, labelled, in the default colours

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

// Scatter plots of symbols without a line, and of a line without symbols.

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

// --- 8: stacked percent bars of three answers per level and in total, with a legend row per answer,
// drawn by the two-way table screen's own chart code from a table of its shape

inline const std::vector<std::string> kAnswers{"Yes", "No", "Undecided"};
inline const std::vector<std::string> kGroups{"North", "South", "East", "Total"};
// Shares of each answer per group, the margin shares last; each group sums to 1.
inline const std::vector<std::vector<double>> kShares{
    {0.50, 0.20, 0.40, 0.37}, {0.30, 0.50, 0.40, 0.40}, {0.20, 0.30, 0.20, 0.23}};

// The groups (rows) by the answers (columns) with the shares of each row, as a run of the screen finds
// them in row mode.
inline TwoWayTableResult stackedPercentTable() {
    TwoWayTableResult r;
    r.arrayA.levels = {kGroups.begin(), kGroups.end() - 1};
    r.arrayA.counts = {100, 100, 100};
    r.arrayB.levels = kAnswers;
    r.sumTotal = 300;
    for (std::size_t g = 0; g + 1 < kGroups.size(); ++g) {
        r.percs.emplace_back();
        r.freqs.emplace_back();
        for (std::size_t s = 0; s < kAnswers.size(); ++s) {
            r.percs[g].push_back(kShares[s][g]);
            r.freqs[g].push_back(int64_t(std::lround(kShares[s][g] * 100)));
        }
        r.percsA.push_back(1.0 / 3);
    }
    for (std::size_t s = 0; s < kAnswers.size(); ++s) {
        r.percsB.push_back(kShares[s].back());
        r.arrayB.counts.push_back(int64_t(std::lround(kShares[s].back() * 300)));
    }
    return r;
}

inline ScreenChart stackedPercentChart() {
    ScreenChart c;
    c.name = "screen-stacked-percent";
    c.size = {plotcharts::kWidth, plotcharts::kHeight};
    const TwoWayTableResult table = stackedPercentTable();
    c.graph = TwoWayStackedBars::makeGraph({c.size.width, c.size.height}, false);
    auto source = std::make_shared<TwoWayStackedBars::Source>();
    source->setTable(table, 1);
    c.sources = {source};
    const TwoWayStackedBars bars(table, 1);
    bars.draw(*c.graph, source, "Region", false);

    settle(*c.graph);
    // The legend stands over the first bar's top: the pieces it covers are not probed.
    auto legend = c.graph->legend();
    const CGPoint corner1 = legend->convertPointToLayer({0, 0}, c.graph.get());
    const CGPoint corner2 =
        legend->convertPointToLayer({legend->bounds().size.width, legend->bounds().size.height}, c.graph.get());
    auto underLegend = [&](CGPoint p) {
        return p.x >= std::min(corner1.x, corner2.x) && p.x <= std::max(corner1.x, corner2.x) &&
               p.y >= std::min(corner1.y, corner2.y) && p.y <= std::max(corner1.y, corner2.y);
    };
    for (std::size_t s = 0; s < kAnswers.size(); ++s) {
        for (std::size_t g = 0; g < kGroups.size(); ++g) {
            const CGPoint at = graphPointOf(*c.graph, double(g), (bars.base(s, g) + bars.tip(s, g)) / 2);
            if (!underLegend(at))
                c.probes.push_back({kAnswers[s] + " in " + kGroups[g], at, TwoWayStackedBars::colorOfSeries(s)});
        }
        c.fills.push_back({TwoWayStackedBars::colorOfSeries(s), int(kGroups.size()) + 1}); // the bars and the swatch
    }
    for (const auto& entry : legend->legendEntries()) {
        auto geometry = legend->geometryOfEntry(*entry);
        if (!geometry)
            continue;
        const CGPoint mid =
            legend->convertPointToLayer({geometry->swatch.midX(), geometry->swatch.midY()}, c.graph.get());
        const auto s = std::size_t(entry->plot()->identifier().toInt64());
        c.probes.push_back({"swatch of " + kAnswers.at(s), mid, TwoWayStackedBars::colorOfSeries(s)});
    }
    c.words = {"Stacked", "Percent", "Region", "0%", "100%"};
    // Every bar's outlined edge stands between two saturated colours.
    c.rasterShare = 0.04;
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
    return {[] { return numbersPageChart(false, 0); },
            [] { return numbersPageChart(false, 1); },
            [] { return numbersPageChart(false, 2); },
            [] { return numbersPageChart(true, 0); },
            [] { return numbersPageChart(true, 1); },
            [] { return numbersPageChart(true, 2); },
            levelBarChart,
            levelPieChart,
            correlationChart,
            residualsChart,
            stackedPercentChart,
            hypothesisChart,
            proportionsChart,
            rocChart,
            densitiesChart};
}

} // namespace screencharts
