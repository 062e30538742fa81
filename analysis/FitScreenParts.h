// What the screens of fitted models share: the coefficient table (a header strip of five titles over one
// row per regressor and the constant, each row scrolling sideways in step with the others, a dropped
// regressor covered by its note), the significance stars, the residuals-against-fitted chart with its
// dashed zero line, and the small view and chart helpers their layouts use.
#pragma once

#include "controls/HorizontalTableView.h"
#include "import/CHCSVWriter.h"
#include "model/ColumnStatistics.h"
#include "plot/axes_plots/CPTBarPlot.h"
#include "plot/axes_plots/CPTScatterPlot.h"
#include "plot/axes_plots/CPTXYAxis.h"
#include "plot/axes_plots/CPTXYGraph.h"
#include "plot/axes_plots/CPTTimeFormatter.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTPlotRange.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTXYPlotSpace.h"
#include "plot/axes_plots/CPTXYAxisSet.h"
#include "platform/foundation/NumberFormatter.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TableView.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fitparts {

// --- Views and charts

std::shared_ptr<ui::Label> makeLabel(const char* identifier, double size, bool bold = false);
// A thin dark-grey border, as every table cell has.
void setBorder(ui::View& view);
std::shared_ptr<CPTPlotRange> range(double location, double length);
std::shared_ptr<CPTLineStyle> lineOf(const gfx::Color& color, double width);
// Red, width 1, dashes of 3 and gaps of 3.
std::shared_ptr<CPTLineStyle> redDashed();
// Black text of this size, for axis labels and titles and legends.
std::shared_ptr<CPTTextStyle> blackText(double size);
// Where a graph's plot area stands inside the graph.
struct PlotInsets {
    double top = 0, right = 0, bottom = 0, left = 0;
};
// A graph of this size without paddings of its own, its plot area inset as given.
std::shared_ptr<CPTXYGraph> makeGraph(gfx::Size size, const PlotInsets& plotArea);
// Both axes drawn with black lines and major ticks of width 1 and labelled automatically, the labels in
// black text of `labelSize` and, when a size is given, the titles too.
void useBlackAxes(CPTXYGraph& graph, double labelSize, std::optional<double> titleSize);
CPTXYPlotSpace& spaceOf(CPTXYGraph& graph);
CPTXYAxisSet& axesOf(CPTXYGraph& graph);
// A formatter that writes axis values as dates and times, detailed enough for a range of this length.
std::shared_ptr<CPTTimeFormatter> timeFormatterFor(double seconds);
// Where a date axis over [minimum, maximum] (seconds from 1970-01-01 00:00 UTC) has its ticks: about five,
// a whole calendar step apart in the local time zone (seconds, minutes or hours from midnight; days;
// the first of every month or every few months; the first of January of every year or few years),
// so that their dates read as evenly spaced as the ticks stand.
std::vector<double> dateTicks(double minimum, double maximum);
// The axis labelled at the dateTicks of the range.
void useDateTicks(CPTAxis& axis, const CPTPlotRange& range);
std::shared_ptr<foundation::NumberFormatter> significantDigits(int digits);
// Labels of counts: whole numbers only, so that ticks between them carry no label rather than a
// rounded copy of their neighbour's.
std::shared_ptr<foundation::NumberFormatter> wholeCounts();
// The text cut at its end (with an ellipsis) to fit `width` points in the system font of `size`.
std::string fitted(const std::string& text, double width, double size);
// Plus-shaped black symbols, smaller on a report page.
std::shared_ptr<CPTPlotSymbol> plusSymbols(bool report);
// A third axis of the graph's x coordinate at y = 0, drawn as a red dashed line without ticks or labels;
// added to the graph's axis set after its x and y axes, hidden until shown.
std::shared_ptr<CPTXYAxis> addZeroLine(CPTXYGraph& graph);
// The chart of a fitted model's residuals against its fitted values, or of a logistic model's ROC curve:
// "scatterPlot" over a zero line, and "noDiscriminationPlot" (red dashed; its source gives the records
// (0, 0) and (1, 1) only for a ROC curve).
struct FitChart {
    std::shared_ptr<CPTScatterPlot> scatter, diagonal;
    std::shared_ptr<CPTXYAxis> zeroLine;
};
// Adds the zero line and both plots, in this order, with the data source.
FitChart addFitPlots(CPTXYGraph& graph, const std::shared_ptr<CPTPlotDataSource>& source);
// Residuals: plus-shaped symbols without a line, the zero line shown.
void showAsResiduals(const FitChart& chart, bool report);
// A ROC curve: a blue line of width 1 without symbols, the zero line hidden.
void showAsRoc(const FitChart& chart);
// Fits the graph's plot space to the plot alone: each coordinate's range is the plot's own, united
// with the current one when its length is below 1e-7 (or the plot has none), then 1.05 times as long;
// the axes cross at the ranges' starts. The points at the starts are drawn whole, over the axes.
void fitToPlot(CPTXYGraph& graph, CPTScatterPlot& plot);
// Scales a histogram's bar plot over bins with these lower edges: from 0 up to the tallest bar, bars
// as wide as a bin and centred on it (the frame's width for fewer than two bins), then widened.
void fitHistogram(CPTXYGraph& graph, const std::shared_ptr<CPTBarPlot>& bars, const std::vector<double>& edges);

// --- The coefficient table

inline constexpr int kTagRow = 66, kTagCellLabel = 67, kTagNoteLabel = 68, kTagNote = 102, kTagNoteMoving = 106,
                     kTagInner = 104, kTagInnerMoving = 105, kTagResults = 200, kTagRowHeader = 201;

struct TableMetrics {
    double rowHeaderWidth = 0, colWidth = 0, rowHeight = 0, tableFontSize = 0, tableRowHeaderFontSize = 0;
    // A report draws no scroll view: its notes are plain labels over the value cells.
    bool notesAsLabels = false;
};

// What the table shows: per regressor in the order given, the constant last; a dropped regressor has
// NaN numbers and its reason in `drop` ("keep", "constant", "collinear").
struct CoefficientRows {
    std::vector<std::string> names;
    std::vector<double> coeffs, variance, t, p;
    std::vector<std::string> drop;
    size_t columns = 0; // rows before the constant
};

// "*** " up to p 0.001, "** " up to 0.01, "* " up to 0.05, otherwise (NaN included) nothing.
std::string stars(double p);
std::string significanceLegend();
// A CSV line of one coefficient: its name, the coefficient, standard error, t (or z) and p as numbers
// (a -0.0 as the 0 it is) and the stars.
void writeCoefficientLine(CHCSVWriter& writer, const std::string& name, double coefficient, double standardError,
                          double t, double p);

// The header strip: the row header (bold, orange) and the five titles; its inner table tagged 102.
void setUpHeader(HorizontalTableView& header, ui::TableViewDelegate* delegate, const TableMetrics& metrics,
                 const std::string& rowHeader, const std::vector<std::string>& titles);
// Rows of reuse identifier "Cell": a sideways row (tag 66) whose inner table (tag 104) the delegate
// fills, and over it the note strip (tag 102; a label on a report).
void registerRows(ui::TableView& table, ui::TableViewDelegate* delegate, std::function<TableMetrics()> metrics);
// Shows row `index` of the rows (nothing when there are none yet) in a cell the table handed out.
void fillRow(ui::TableViewCell& cell, ui::TableView& table, const CoefficientRows* rows, size_t index,
             const TableMetrics& metrics);
// A value cell's label (tag 67): orange and centred in the header, white and right-aligned in a row.
void layoutValueCell(ui::TableViewCell& cell, ui::TableView& table, const TableMetrics& metrics);
void configureValueCell(ui::TableViewCell& cell, const foundation::Value& item);
// Moves the header and every visible row to the sideways offset of whichever of them scrolled.
void scrollTogether(ui::ScrollView& scrolled, HorizontalTableView* header, ui::TableView* table);

} // namespace fitparts
