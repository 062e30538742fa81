// The variable detail page's charts, drawn from the records of its last result: over numbers and dates a
// histogram, the box plot of the same values with its outliers, and the normal QQ plot; over the other
// types one bar per level and a pie of the levels. The page and the plot gallery draw them through these.
#pragma once

#include "analysis/VariableDetailViewController.h"
#include "plot/axes_plots/CPTBarPlot.h"
#include "plot/axes_plots/CPTPieChart.h"
#include "plot/axes_plots/CPTXYGraph.h"

#include <memory>
#include <optional>
#include <span>
#include <string>

namespace variableDetailCharts {

using ChartData = VariableDetailViewController::ChartData;

// The records of the bar and scatter plots (the histogram or the level bars, the box plot's pieces, the
// outliers, the QQ points and line), read in place from a ChartData that outlives the source.
class BarRecords : public CPTBarPlotDataSource {
  public:
    explicit BarRecords(const ChartData* data) : data_(data) {}
    uint64_t numberOfRecordsForPlot(CPTPlot& plot) override;
    std::optional<double> doubleForPlot(CPTPlot& plot, uint64_t field, uint64_t idx) override;
    std::optional<foundation::Value> numberForPlot(CPTPlot& plot, uint64_t field, uint64_t idx) override;
    // The QQ points read in one block: 100,000 of them are no reason for 200,000 calls.
    std::optional<std::span<const double>> doublesForPlot(CPTPlot& plot, uint64_t field, NSRange range) override;
    std::optional<std::shared_ptr<CPTFill>> barFillForBarPlot(CPTBarPlot& plot, uint64_t idx) override;

  private:
    const ChartData* data_;
};

// The pie's slices, labelled with their levels, in the page's ten fills.
class PieRecords : public CPTPieChartDataSource {
  public:
    PieRecords(const ChartData* data, double labelSize) : data_(data), labelSize_(labelSize) {}
    void setLabelSize(double size) { labelSize_ = size; }
    uint64_t numberOfRecordsForPlot(CPTPlot& plot) override;
    std::optional<foundation::Value> numberForPlot(CPTPlot& plot, uint64_t field, uint64_t idx) override;
    std::optional<std::shared_ptr<CPTLayer>> dataLabelForPlot(CPTPlot& plot, uint64_t idx) override;
    std::optional<std::shared_ptr<CPTFill>> sliceFillForPieChart(CPTPieChart& pie, uint64_t idx) override;

  private:
    const ChartData* data_;
    double labelSize_;
};

// The plot areas' least left padding: room for short value labels and, left of them, the axis title at
// its least offset of 35, clear of the graph's edge.
constexpr double kLeftPadding = 58;

// A graph with no paddings of its own, its plot area's paddings (12 at the right), and the labels and
// titles of the page (11 and 13 points) or of the report (8 and 9).
std::shared_ptr<CPTXYGraph> makeGraph(gfx::Size size, double bottom, double left, double top, bool report);

// Takes every plot off the three graphs, before a new result is drawn.
void removePlots(CPTXYGraph& main, CPTXYGraph& qq, CPTXYGraph& box);

// The main graph's black axes, its "Frequency" title and whole counts, and its bar plot "barPlot".
void drawMain(CPTXYGraph& main, const std::shared_ptr<CPTPlotDataSource>& bars);

// Over numbers and dates: the histogram's ranges and bar width from the bins (whole-number labels
// over a span above 2, dates from the result's range), and the QQ plot titled with the variable's name.
void drawHistogramAndQQ(CPTXYGraph& main, CPTXYGraph& qq, const ChartData& data,
                        const std::shared_ptr<CPTPlotDataSource>& records, const std::string& name, bool report);

// The box plot's six horizontal bars and its outliers, over the main graph's value range.
void drawBox(CPTXYGraph& box, CPTXYGraph& main, const std::shared_ptr<CPTPlotDataSource>& records, bool report);

// Over the other types: one bar per level with its name slanted below, and the pie of the levels.
void drawBarsAndPie(CPTXYGraph& main, CPTXYGraph& pie, const ChartData& data,
                    const std::shared_ptr<CPTPlotDataSource>& slices, double pieRadius);

// Labels the y axis for its range now and sets its title beyond the widest label (never nearer than
// 35), the plot area's left padding wide enough for the title (never below kLeftPadding): counts such
// as "40,000" and dates are wider than the least room. The draw functions above end with it; the box
// plot takes the histogram's paddings.
void makeRoomForYTitle(CPTXYGraph& graph);

} // namespace variableDetailCharts
