// The variable detail page's charts: records read from the page's result, the graphs' set-up, and the
// histogram, box plot, QQ plot, level bars and pie.
#include "analysis/VariableDetailCharts.h"

#include "analysis/ChartRanges.h"
#include "analysis/FitScreenParts.h"
#include "platform/foundation/NumberFormatter.h"
#include "platform/foundation/Tr.h"
#include "plot/axes_plots/CPTScatterPlot.h"
#include "plot/axes_plots/CPTXYAxisSet.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTPlotRange.h"
#include "plot/foundation/CPTPlotSymbol.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTAxisLabel.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "plot/graph/CPTTextLayer.h"
#include "plot/graph/CPTXYPlotSpace.h"

#include <algorithm>
#include <cmath>
#include <numbers>

using foundation::tr;
using foundation::Value;
using fitparts::axesOf;
using fitparts::blackText;
using fitparts::lineOf;
using fitparts::range;
using fitparts::spaceOf;
using fitparts::timeFormatterFor;

namespace variableDetailCharts {

namespace {

constexpr int64_t kNumeric = 3, kDate = 4;

std::string idOf(CPTPlot& plot) {
    return plot.identifier().string();
}

ChartRange chartRangeOf(const std::shared_ptr<CPTPlotRange>& r) {
    return r ? chartRange(r->locationDouble(), r->lengthDouble()) : ChartRange{};
}

// The least distance of a y axis title from its axis.
constexpr double kTitleOffset = 35;
// Room between the widest y label and the title, and between the title and the graph's edge.
constexpr double kTitleGap = 4, kEdgeGap = 2;

// Widened by 5 % of its length on either side.
std::shared_ptr<CPTPlotRange> widened(const ChartRange& r) {
    return range(r.location - 0.05 * r.length, r.length * 1.1);
}

} // namespace

// --- Records

uint64_t BarRecords::numberOfRecordsForPlot(CPTPlot& plot) {
    return data_->count(idOf(plot));
}

std::optional<double> BarRecords::doubleForPlot(CPTPlot& plot, uint64_t field, uint64_t idx) {
    return data_->number(idOf(plot), field, idx);
}

std::optional<Value> BarRecords::numberForPlot(CPTPlot& plot, uint64_t field, uint64_t idx) {
    if (auto v = data_->number(idOf(plot), field, idx); v && !std::isnan(*v))
        return Value(*v);
    return std::nullopt;
}

std::optional<std::span<const double>> BarRecords::doublesForPlot(CPTPlot& plot, uint64_t field, NSRange range) {
    const auto& results = data_->results;
    if (idOf(plot) != "qqplot" || !results || !results->sorted || !results->qnorm || field > 1)
        return std::nullopt;
    const std::vector<double>& column = field == CPTScatterPlotFieldX ? *results->qnorm : *results->sorted;
    if (range.location + range.length > column.size())
        return std::nullopt;
    return std::span<const double>(column.data() + range.location, range.length);
}

std::optional<std::shared_ptr<CPTFill>> BarRecords::barFillForBarPlot(CPTBarPlot&, uint64_t) {
    return CPTFill::fillWithColor(CPTColor::colorWithCGColor(VariableDetailViewController::barColor()));
}

uint64_t PieRecords::numberOfRecordsForPlot(CPTPlot& plot) {
    return data_->count(idOf(plot));
}

std::optional<Value> PieRecords::numberForPlot(CPTPlot& plot, uint64_t field, uint64_t idx) {
    if (auto v = data_->number(idOf(plot), field, idx))
        return Value(*v);
    return std::nullopt;
}

std::optional<std::shared_ptr<CPTLayer>> PieRecords::dataLabelForPlot(CPTPlot& plot, uint64_t idx) {
    if (idOf(plot) != "piePlot")
        return std::nullopt;
    const auto levels = data_->levels();
    if (idx >= levels.size())
        return std::nullopt;
    return std::make_shared<CPTTextLayer>(levels[idx], blackText(labelSize_));
}

std::optional<std::shared_ptr<CPTFill>> PieRecords::sliceFillForPieChart(CPTPieChart&, uint64_t idx) {
    auto color = VariableDetailViewController::sliceColor(idx);
    if (!color)
        return std::nullopt;
    return CPTFill::fillWithColor(CPTColor::colorWithCGColor(*color));
}

// --- Graphs

std::shared_ptr<CPTXYGraph> makeGraph(gfx::Size size, double bottom, double left, double top, bool report) {
    const double labelSize = report ? 8 : 11, titleSize = report ? 9 : 13;
    // Room on the right for the last axis label and, on the pie, for its slices' labels.
    auto graph = fitparts::makeGraph(size, {.top = top, .right = 12, .bottom = bottom, .left = left});
    for (const auto& axis : {axesOf(*graph).xAxis(), axesOf(*graph).yAxis()}) {
        axis->setLabelTextStyle(blackText(labelSize));
        axis->setTitleTextStyle(blackText(titleSize));
    }
    return graph;
}

void removePlots(CPTXYGraph& main, CPTXYGraph& qq, CPTXYGraph& box) {
    main.removePlotWithIdentifier(Value("barPlot"));
    for (const char* id : {"piePlot", "qqplot", "qqline"})
        qq.removePlotWithIdentifier(Value(id));
    for (const auto& plot : box.allPlots())
        box.removePlot(plot);
}

void drawMain(CPTXYGraph& main, const std::shared_ptr<CPTPlotDataSource>& bars) {
    // Black axes and minor ticks, counts in whole numbers up the graph.
    auto black = lineOf(gfx::Color::black(), 1);
    auto& axes = axesOf(main);
    for (const auto& axis : {axes.xAxis(), axes.yAxis()}) {
        axis->setAxisLineStyle(black);
        axis->setMinorTickLineStyle(black);
    }
    axes.yAxis()->setTitle(tr("Frequency"));
    axes.yAxis()->setTitleOffset(kTitleOffset);
    axes.yAxis()->setLabelFormatter(fitparts::wholeCounts());
    auto plot = std::make_shared<CPTBarPlot>();
    plot->setIdentifier(Value("barPlot"));
    plot->setDataSource(bars);
    main.addPlot(plot);
}

void drawHistogramAndQQ(CPTXYGraph& main, CPTXYGraph& qq, const ChartData& data,
                        const std::shared_ptr<CPTPlotDataSource>& records, const std::string& name, bool report) {
    const int64_t t = data.type;
    const double timeRange = data.results ? data.results->range.value_or(0) : 0;
    static const std::vector<double> none;
    const auto* bins = data.graph ? std::get_if<HistogramBins>(&*data.graph) : nullptr;
    const std::vector<double>& edges = bins ? bins->edges : none;
    auto& axes = axesOf(main);
    auto& qqAxes = axesOf(qq);
    axes.xAxis()->setLabelingPolicy(CPTAxisLabelingPolicyAutomatic);
    axes.yAxis()->setLabelingPolicy(CPTAxisLabelingPolicyAutomatic);
    if (t == kNumeric && !edges.empty() && edges.back() - edges.front() > 2.0) {
        axes.xAxis()->setLabelFormatter(fitparts::wholeCounts());
        qqAxes.yAxis()->setLabelFormatter(fitparts::wholeCounts());
    } else if (t == kDate) {
        axes.xAxis()->setLabelFormatter(timeFormatterFor(timeRange));
        qqAxes.yAxis()->setLabelFormatter(timeFormatterFor(timeRange));
    }

    auto bars = std::dynamic_pointer_cast<CPTBarPlot>(main.plotWithIdentifier(Value("barPlot")));
    main.reloadData();
    auto& space = spaceOf(main);
    if (bars)
        space.scaleToFitPlots({bars});
    const double n = double(edges.size());
    const double first = edges.empty() ? 0 : edges.front(), last = edges.empty() ? 0 : edges.back();
    // A single bin, or bins of no span (a constant column), get a unit width rather than 0 / 0.
    const double width = chartBinWidth(edges);
    const ChartRange fittedY = chartRangeOf(space.yRange());
    space.setYRange(range(0, 1.05 * chartRange(0, fittedY.length + fittedY.location).length));
    const ChartRange x =
        chartRange(edges.empty() ? chartRangeOf(space.xRange()).location : first, last + width - first);
    if (n > 0 && bars) {
        bars->setBarWidth(Value(x.length / n));
        bars->setBarOffset(Value(0.5 * x.length / n));
    }
    space.setXRange(widened(x));
    axes.yAxis()->setOrthogonalPosition(space.xRange()->location());
    axes.xAxis()->setOrthogonalPosition(space.yRange()->location());

    // The QQ plot: the points against the normal quantiles, and the line through their quartiles.
    auto black = lineOf(gfx::Color::black(), 1);
    for (const auto& axis : {qqAxes.xAxis(), qqAxes.yAxis()}) {
        axis->setAxisLineStyle(black);
        axis->setMinorTickLineStyle(black);
        axis->setMajorTickLineStyle(black);
        axis->setLabelingPolicy(CPTAxisLabelingPolicyAutomatic);
    }
    qqAxes.xAxis()->setTitle(tr("Theoretical Quantiles"));
    qqAxes.xAxis()->setTitleOffset(report ? 20 : 30);
    qqAxes.yAxis()->setTitle(name);
    qqAxes.yAxis()->setTitleOffset(kTitleOffset);
    auto qqline = std::make_shared<CPTScatterPlot>();
    qqline->setIdentifier(Value("qqline"));
    qqline->setDataLineStyle(lineOf(gfx::Color{0, 0, 1, 1}, 1));
    qqline->setPlotSymbol(nullptr);
    qqline->setDataSource(records);
    auto qqplot = std::make_shared<CPTScatterPlot>();
    qqplot->setIdentifier(Value("qqplot"));
    qqplot->setDataLineStyle(nullptr);
    auto plus = CPTPlotSymbol::plusPlotSymbol();
    plus->setLineStyle(black);
    plus->setSize({report ? 4.0 : 6.0, report ? 4.0 : 6.0});
    qqplot->setPlotSymbol(plus);
    qqplot->setDataSource(records);
    qq.addPlot(qqline);
    qq.addPlot(qqplot);
    qq.reloadData();
    auto& qqSpace = spaceOf(qq);
    qqSpace.scaleToFitPlots({qqplot});
    qqSpace.setXRange(widened(chartRangeOf(qqSpace.xRange())));
    qqSpace.setYRange(widened(chartRangeOf(qqSpace.yRange())));
    qqAxes.yAxis()->setOrthogonalPosition(qqSpace.xRange()->location());
    qqAxes.xAxis()->setOrthogonalPosition(qqSpace.yRange()->location());
    // Dates are labelled at whole calendar steps: ticks a fixed number of seconds apart would read as
    // dates some days further apart than others.
    if (t == kDate) {
        fitparts::useDateTicks(*axes.xAxis(), *space.xRange());
        fitparts::useDateTicks(*qqAxes.yAxis(), *qqSpace.yRange());
    }
    makeRoomForYTitle(main);
    makeRoomForYTitle(qq);
}

void drawBox(CPTXYGraph& box, CPTXYGraph& main, const std::shared_ptr<CPTPlotDataSource>& records, bool report) {
    struct Piece {
        const char* id;
        double width;
    };
    const Piece pieces[] = {{"topBox", 0.5},        {"bottomBox", 0.5},   {"topWhiskerTip", 0.25},
                            {"bottomWhiskerTip", 0.25}, {"topWhisker", 0}, {"bottomWhisker", 0}};
    std::vector<std::shared_ptr<CPTPlot>> plots;
    for (const Piece& piece : pieces) {
        auto bar = std::make_shared<CPTBarPlot>();
        bar->setIdentifier(Value(piece.id));
        bar->setBarsAreHorizontal(true);
        bar->setBarBasesVary(true);
        bar->setBarOffset(Value(0.5));
        bar->setBarWidth(Value(piece.width));
        bar->setDataSource(records);
        box.addPlot(bar);
        plots.push_back(bar);
    }
    auto outliers = std::make_shared<CPTScatterPlot>();
    outliers->setIdentifier(Value("outliers"));
    outliers->setDataLineStyle(nullptr);
    auto ellipse = CPTPlotSymbol::ellipsePlotSymbol();
    ellipse->setSize({report ? 4.0 : 6.0, report ? 4.0 : 6.0});
    outliers->setPlotSymbol(ellipse);
    outliers->setDataSource(records);
    box.addPlot(outliers);
    plots.push_back(outliers);
    auto& axes = axesOf(box);
    for (const auto& axis : {axes.xAxis(), axes.yAxis()}) {
        axis->setLabelingPolicy(CPTAxisLabelingPolicyNone);
        axis->setMajorTickLocations({});
        axis->setMinorTickLocations({});
        axis->setLabelTextStyle(nullptr);
        axis->setAxisLineStyle(nullptr);
        axis->setMajorTickLineStyle(nullptr);
        axis->setMinorTickLineStyle(nullptr);
    }
    box.reloadData();
    auto& space = spaceOf(box);
    space.scaleToFitPlots(plots);
    // The box plot and the histogram share their value axis, their plot areas one above the other.
    box.plotAreaFrame()->setPaddingLeft(main.plotAreaFrame()->paddingLeft());
    box.plotAreaFrame()->setPaddingRight(main.plotAreaFrame()->paddingRight());
    auto shared = spaceOf(main).xRange();
    space.setXRange(range(shared->locationDouble(), shared->lengthDouble()));
    space.setYRange(range(0, 1));
    axes.xAxis()->setOrthogonalPosition(space.yRange()->location());
    axes.yAxis()->setOrthogonalPosition(space.xRange()->location());
}

void drawBarsAndPie(CPTXYGraph& main, CPTXYGraph& pie, const ChartData& data,
                    const std::shared_ptr<CPTPlotDataSource>& slices, double pieRadius) {
    auto& pieAxes = axesOf(pie);
    for (const auto& axis : {pieAxes.xAxis(), pieAxes.yAxis()}) {
        axis->setAxisLineStyle(nullptr);
        axis->setLabelingPolicy(CPTAxisLabelingPolicyNone);
        axis->setAxisLabels({});
        axis->setMajorTickLocations({});
        axis->setMinorTickLocations({});
        axis->setMinorTickLineStyle(nullptr);
        axis->setTitle("");
    }
    auto piePlot = std::make_shared<CPTPieChart>();
    piePlot->setIdentifier(Value("piePlot"));
    piePlot->setDataSource(slices);
    piePlot->setStartAngle(std::numbers::pi / 4);
    piePlot->setPieRadius(pieRadius);
    piePlot->setSliceDirection(CPTPieDirectionClockwise);
    pie.addPlot(piePlot);
    pie.defaultPlotSpace()->scaleToFitPlots({piePlot});
    pie.reloadData();

    auto& axes = axesOf(main);
    axes.xAxis()->setLabelingPolicy(CPTAxisLabelingPolicyNone);
    axes.yAxis()->setLabelingPolicy(CPTAxisLabelingPolicyAutomatic);
    auto bars = main.plotWithIdentifier(Value("barPlot"));
    main.reloadData();
    auto& space = spaceOf(main);
    if (bars)
        space.scaleToFitPlots({bars});
    const auto levels = data.levels();
    const double n = double(levels.size());
    const ChartRange fitted = chartRangeOf(space.yRange());
    space.setYRange(range(0, 1.05 * chartRange(0, fitted.location + fitted.length).length));
    space.setXRange(range(-0.5, n + 0.5));
    axes.yAxis()->setOrthogonalPosition(space.xRange()->location());
    axes.xAxis()->setOrthogonalPosition(space.yRange()->location());

    CPTAxis::AxisLabels labels;
    CPTAxis::TickLocations ticks;
    for (size_t i = 0; i < levels.size(); ++i) {
        auto label = std::make_shared<CPTAxisLabel>(levels[i], axes.xAxis()->labelTextStyle());
        label->setTickLocation(Value(double(i)));
        label->setRotation(0.20943951023931953);
        label->setOffset(5);
        labels.push_back(label);
        ticks.push_back(label->tickLocation());
    }
    axes.xAxis()->setAxisLabels(labels);
    axes.xAxis()->setMajorTickLocations(ticks);
    makeRoomForYTitle(main);
}

void makeRoomForYTitle(CPTXYGraph& graph) {
    CPTAxis& y = *axesOf(graph).yAxis();
    // The labels of the ranges just set, made now rather than at the next layout.
    y.relabel();
    double reach = 0;
    for (const auto& label : y.axisLabels()) {
        const auto& layer = label->contentLayer();
        if (!layer || layer->isHidden())
            continue;
        const gfx::Size size = layer->bounds().size;
        const double turn = std::isnan(label->rotation()) ? 0 : label->rotation();
        const double across = std::fabs(std::cos(turn)) * size.width + std::fabs(std::sin(turn)) * size.height;
        reach = std::max(reach, label->offset() + across);
    }
    const double offset = std::max(kTitleOffset, reach + kTitleGap);
    y.setTitleOffset(offset);
    // The title stands turned a quarter beside the axis: its height runs across the graph.
    double title = 0;
    if (const auto& axisTitle = y.axisTitle(); axisTitle && axisTitle->contentLayer())
        title = axisTitle->contentLayer()->bounds().size.height;
    graph.plotAreaFrame()->setPaddingLeft(std::max(kLeftPadding, offset + title + kEdgeGap));
}

} // namespace variableDetailCharts
