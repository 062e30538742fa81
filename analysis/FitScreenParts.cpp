// The coefficient table, residual chart and helpers the fitted-model screens share.
#include "analysis/FitScreenParts.h"

#include "analysis/ChartRanges.h"
#include "model/Model.h"
#include "plot/axes_plots/CPTBarPlot.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTPlotSymbol.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "platform/foundation/DateFormatter.h"
#include "platform/foundation/Tr.h"
#include "platform/graphics/Text.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <numbers>

using foundation::tr;
using foundation::Value;
using ui::Rect;

namespace fitparts {

namespace {

const gfx::Color kHeaderColor{1.0, 0.8, 0.4, 1.0};
const gfx::Color kDarkGray = gfx::Color::gray(1.0 / 3.0);
const gfx::Color kOrange{1.0, 0.5, 0.0, 1.0};

double at(const std::vector<double>& values, size_t i) {
    return i < values.size() ? values[i] : NAN;
}

ChartRange chartRangeOf(const CPTPlotRange& r) {
    return chartRange(r.locationDouble(), r.lengthDouble());
}

class WholeCountFormatter : public foundation::NumberFormatter {
  public:
    WholeCountFormatter() { setMaximumFractionDigits(0); }
    std::optional<std::string> stringForObjectValue(const Value& value) const override {
        if (value.isNumber() && std::floor(value.toDouble()) != value.toDouble())
            return std::nullopt;
        return foundation::NumberFormatter::stringForObjectValue(value);
    }
};

ui::Point turned(ui::Point p, double angle) {
    // Whole quarter turns only, so the components stay exact.
    const double c = std::round(std::cos(angle)), s = std::round(std::sin(angle));
    return {p.x * c - p.y * s, p.x * s + p.y * c};
}

} // namespace

std::shared_ptr<ui::Label> makeLabel(const char* identifier, double size, bool bold) {
    auto label = std::make_shared<ui::Label>(Rect{0, 0, 10, 10});
    label->setIdentifier(identifier);
    label->setFont(bold ? gfx::Font::boldSystem(size) : gfx::Font::system(size));
    label->setAutoresizingMask(ui::FlexibleWidth);
    return label;
}

void setBorder(ui::View& view) {
    view.layer().setBorderWidth(0.5);
    view.layer().setBorderColor(kDarkGray);
}

std::shared_ptr<CPTPlotRange> range(double location, double length) {
    return CPTPlotRange::plotRangeWithLocation(Value(location), Value(length));
}

std::shared_ptr<CPTLineStyle> lineOf(const gfx::Color& color, double width) {
    auto style = CPTMutableLineStyle::lineStyle();
    style->setLineColor(CPTColor::colorWithCGColor(color));
    style->setLineWidth(width);
    return style;
}

std::shared_ptr<CPTLineStyle> redDashed() {
    auto dashed = CPTMutableLineStyle::lineStyle();
    dashed->setLineColor(CPTColor::redColor());
    dashed->setLineWidth(1.0);
    dashed->setDashPattern({3, 3});
    return dashed;
}

std::shared_ptr<CPTTextStyle> blackText(double size) {
    auto style = CPTMutableTextStyle::textStyle();
    style->setFontSize(size);
    style->setColor(CPTColor::blackColor());
    return style;
}

std::shared_ptr<CPTXYGraph> makeGraph(gfx::Size size, const PlotInsets& plotArea) {
    auto graph = CPTXYGraph::graphWithFrame(CGRect(0, 0, size.width, size.height));
    graph->setPaddingLeft(0);
    graph->setPaddingRight(0);
    graph->setPaddingTop(0);
    graph->setPaddingBottom(0);
    auto frame = graph->plotAreaFrame();
    frame->setPaddingTop(plotArea.top);
    frame->setPaddingRight(plotArea.right);
    frame->setPaddingBottom(plotArea.bottom);
    frame->setPaddingLeft(plotArea.left);
    return graph;
}

void useBlackAxes(CPTXYGraph& graph, double labelSize, std::optional<double> titleSize) {
    auto axisLine = lineOf(gfx::Color::black(), 1.0);
    for (const auto& axis : {axesOf(graph).xAxis(), axesOf(graph).yAxis()}) {
        axis->setAxisLineStyle(axisLine);
        axis->setMajorTickLineStyle(axisLine);
        axis->setLabelingPolicy(CPTAxisLabelingPolicyAutomatic);
        axis->setLabelTextStyle(blackText(labelSize));
        if (titleSize)
            axis->setTitleTextStyle(blackText(*titleSize));
    }
}

CPTXYPlotSpace& spaceOf(CPTXYGraph& graph) {
    return *std::dynamic_pointer_cast<CPTXYPlotSpace>(graph.defaultPlotSpace());
}

CPTXYAxisSet& axesOf(CPTXYGraph& graph) {
    return *std::dynamic_pointer_cast<CPTXYAxisSet>(graph.axisSet());
}

std::shared_ptr<CPTTimeFormatter> timeFormatterFor(double seconds) {
    const auto styles = Model::dateTimeStylesForInterval(seconds);
    auto dates = std::make_shared<foundation::DateFormatter>(
        static_cast<foundation::DateFormatter::Style>(styles.dateStyle),
        static_cast<foundation::DateFormatter::Style>(styles.timeStyle));
    auto formatter = std::make_shared<CPTTimeFormatter>(dates);
    formatter->setReferenceDate(0.0);
    return formatter;
}

std::vector<double> dateTicks(double minimum, double maximum) {
    std::vector<double> ticks;
    if (!(maximum > minimum) || !std::isfinite(minimum) || !std::isfinite(maximum))
        return ticks;
    enum Unit { Second, Day, Month, Year };
    struct Step {
        Unit unit;
        int64_t amount;
        double seconds; // about
    };
    static const std::vector<Step> steps = [] {
        std::vector<Step> out;
        for (int64_t s : {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200})
            out.push_back({Second, s, double(s)});
        for (int64_t d : {1, 2, 3, 7, 14})
            out.push_back({Day, d, 86400.0 * double(d)});
        for (int64_t m : {1, 2, 3, 6})
            out.push_back({Month, m, 86400.0 * 30.44 * double(m)});
        for (int64_t y = 1; y <= 100000; y *= 10)
            for (int64_t k : {1, 2, 5})
                out.push_back({Year, y * k, 86400.0 * 365.25 * double(y * k)});
        return out;
    }();
    // The step that gives the nearest to four intervals (the larger one of two as near).
    auto step = steps.end();
    double best = HUGE_VAL;
    for (auto s = steps.begin(); s != steps.end(); ++s) {
        const double off = std::fabs((maximum - minimum) / s->seconds - 4);
        if (off <= best) {
            best = off;
            step = s;
        }
    }
    if (step == steps.end())
        return ticks;
    // The calendar of the local time zone, which the axis's date formatter writes in.
    const auto first = static_cast<std::time_t>(std::floor(minimum));
    std::tm start{};
    if (!localtime_r(&first, &start))
        return ticks;
    start.tm_sec = 0;
    start.tm_min = 0;
    start.tm_hour = 0;
    if (step->unit == Day) {
        // Counted from the first day of 1970, so the same days carry ticks whatever the range.
        std::tm copy = start;
        copy.tm_isdst = -1;
        const std::time_t midnight = std::mktime(&copy);
        const auto dayNumber = int64_t(std::floor((double(midnight) + double(copy.tm_gmtoff)) / 86400.0 + 0.5));
        start.tm_mday -= int(((dayNumber % step->amount) + step->amount) % step->amount);
    } else if (step->unit == Month || step->unit == Year) {
        start.tm_mday = 1;
        start.tm_mon -= start.tm_mon % int(step->unit == Month ? step->amount : 12);
        if (step->unit == Year)
            start.tm_year -= int((start.tm_year + 1900) % step->amount);
    }
    start.tm_isdst = -1;
    std::tm day = start;
    const double midnight = double(std::mktime(&day));
    // Steps within a day count from its midnight, beginning at the last one before the minimum.
    const int64_t k0 = step->unit == Second ? int64_t(std::floor((minimum - midnight) / double(step->amount))) : 0;
    for (int64_t k = k0; ticks.size() < 64 && k < k0 + 1000; ++k) {
        std::tm t = start;
        double at = 0;
        if (step->unit == Second) {
            at = midnight + double(k * step->amount);
        } else {
            if (step->unit == Day)
                t.tm_mday += int(k * step->amount);
            else if (step->unit == Month)
                t.tm_mon += int(k * step->amount);
            else
                t.tm_year += int(k * step->amount);
            at = double(std::mktime(&t));
        }
        if (at > maximum)
            break;
        if (at >= minimum)
            ticks.push_back(at);
    }
    return ticks;
}

void useDateTicks(CPTAxis& axis, const CPTPlotRange& range) {
    const std::vector<double> ticks = dateTicks(range.minLimitDouble(), range.maxLimitDouble());
    const CPTAxis::TickLocations locations(ticks.begin(), ticks.end());
    axis.setLabelingPolicy(CPTAxisLabelingPolicyLocationsProvided);
    axis.setMajorTickLocations(locations);
}

std::shared_ptr<foundation::NumberFormatter> significantDigits(int digits) {
    auto formatter = std::make_shared<foundation::NumberFormatter>();
    formatter->setUsesSignificantDigits(true);
    formatter->setMaximumSignificantDigits(digits);
    return formatter;
}

std::shared_ptr<foundation::NumberFormatter> wholeCounts() {
    return std::make_shared<WholeCountFormatter>();
}

std::string fitted(const std::string& text, double width, double size) {
    gfx::TextStyle style;
    style.font = gfx::Font::system(size);
    auto fits = [&](const std::string& t) { return gfx::measureText(t, style).width <= width; };
    if (fits(text))
        return text;
    std::string cut = text;
    while (!cut.empty()) {
        // Back by one whole character.
        size_t end = cut.size() - 1;
        while (end > 0 && (static_cast<unsigned char>(cut[end]) & 0xC0) == 0x80)
            --end;
        cut.resize(end);
        if (fits(cut + "…"))
            return cut + "…";
    }
    return "…";
}

std::shared_ptr<CPTPlotSymbol> plusSymbols(bool report) {
    auto plus = CPTPlotSymbol::plusPlotSymbol();
    plus->setSize({report ? 5.0 : 8.0, report ? 5.0 : 8.0});
    plus->setLineStyle(lineOf(gfx::Color::black(), 1.0));
    return plus;
}

std::shared_ptr<CPTXYAxis> addZeroLine(CPTXYGraph& graph) {
    auto& axes = axesOf(graph);
    auto zeroLine = std::make_shared<CPTXYAxis>();
    zeroLine->setCoordinate(CPTCoordinateX);
    zeroLine->setOrthogonalPosition(Value(0.0));
    zeroLine->setAxisLineStyle(redDashed());
    zeroLine->setMajorTickLineStyle(nullptr);
    zeroLine->setMinorTickLineStyle(nullptr);
    zeroLine->setPlotSpace(axes.xAxis()->plotSpace());
    zeroLine->setLabelingPolicy(CPTAxisLabelingPolicyNone);
    zeroLine->setHidden(true);
    axes.setAxes({axes.xAxis(), axes.yAxis(), zeroLine});
    return zeroLine;
}

FitChart addFitPlots(CPTXYGraph& graph, const std::shared_ptr<CPTPlotDataSource>& source) {
    FitChart chart;
    chart.zeroLine = addZeroLine(graph);
    chart.scatter = std::make_shared<CPTScatterPlot>();
    chart.scatter->setIdentifier(Value("scatterPlot"));
    chart.scatter->setInterpolation(CPTScatterPlotInterpolationLinear);
    chart.scatter->setDataSource(source);
    chart.diagonal = std::make_shared<CPTScatterPlot>();
    chart.diagonal->setIdentifier(Value("noDiscriminationPlot"));
    chart.diagonal->setInterpolation(CPTScatterPlotInterpolationLinear);
    chart.diagonal->setDataLineStyle(redDashed());
    chart.diagonal->setDataSource(source);
    graph.addPlot(chart.scatter);
    graph.addPlot(chart.diagonal);
    return chart;
}

void showAsResiduals(const FitChart& chart, bool report) {
    chart.scatter->setDataLineStyle(nullptr);
    chart.scatter->setPlotSymbol(plusSymbols(report));
    chart.zeroLine->setHidden(false);
}

void showAsRoc(const FitChart& chart) {
    chart.scatter->setDataLineStyle(lineOf(gfx::Color{0, 0, 1, 1}, 1.0));
    chart.scatter->setPlotSymbol(nullptr);
    chart.zeroLine->setHidden(true);
}

void fitToPlot(CPTXYGraph& graph, CPTScatterPlot& plot) {
    // The smallest values lie on the axes, at the plot's edges: their symbols are drawn whole, over the
    // axis lines, rather than cut in half at the plot's bounds.
    plot.setMasksToBounds(false);
    auto& space = spaceOf(graph);
    auto unionOf = [&](CPTCoordinate coordinate, const std::shared_ptr<CPTPlotRange>& current) {
        auto joined = CPTMutablePlotRange::plotRangeWithLocation(Value(0.0), Value(0.0));
        bool first = true;
        if (auto own = plot.plotRangeForCoordinate(coordinate)) {
            joined = CPTMutablePlotRange::plotRangeWithLocation(own->location(), own->length());
            first = false;
        }
        if (first || std::fabs(joined->lengthDouble()) < 1e-7)
            joined->unionPlotRange(current.get());
        const ChartRange r = chartRangeOf(*joined);
        return range(r.location, r.length * 1.05);
    };
    space.setXRange(unionOf(CPTCoordinateX, space.xRange()));
    space.setYRange(unionOf(CPTCoordinateY, space.yRange()));
    auto& axes = axesOf(graph);
    axes.xAxis()->setOrthogonalPosition(space.yRange()->location());
    axes.yAxis()->setOrthogonalPosition(space.xRange()->location());
}

void fitHistogram(CPTXYGraph& graph, const std::shared_ptr<CPTBarPlot>& bars, const std::vector<double>& edges) {
    auto& space = spaceOf(graph);
    space.scaleToFitPlots({bars});
    const double first = edges.empty() ? 0 : edges.front();
    const double last = edges.empty() ? 0 : edges.back();
    // Fewer than two bins have no step between them: the charts' unit width stands in.
    const double step = chartBinWidth(edges);
    const ChartRange oldY = chartRangeOf(*space.yRange());
    const ChartRange yr = chartRange(0, oldY.length + oldY.location);
    const ChartRange xr = chartRange(space.xRange()->locationDouble(), last + step - first);
    const auto n = double(edges.size());
    if (!edges.empty()) {
        bars->setBarWidth(Value(xr.length / n));
        bars->setBarOffset(Value(xr.length * 0.5 / n));
    }
    space.setXRange(range(xr.location - 0.05 * xr.length, xr.length * 1.1));
    space.setYRange(range(yr.location, yr.length * 1.05));
    axesOf(graph).yAxis()->setOrthogonalPosition(space.xRange()->location());
}

// --- The coefficient table

std::string stars(double p) {
    if (p <= 0.001)
        return "*** ";
    if (p <= 0.01)
        return "** ";
    if (p <= 0.05)
        return "* ";
    return "";
}

void writeCoefficientLine(CHCSVWriter& writer, const std::string& name, double coefficient, double standardError,
                          double t, double p) {
    using Field = CHCSVWriter::Field;
    auto number = [](double x) { return Field(x == 0 ? 0.0 : x); };
    writer.writeLineOfFields({Field(name), number(coefficient), number(standardError), number(t), number(p),
                              Field(stars(p))});
}

std::string significanceLegend() {
    return tr("Legend for significance: * - significant (p<0.05), ** - high significance (p<0.01), *** - very "
              "high significance (p<0.001)");
}

void setUpHeader(HorizontalTableView& header, ui::TableViewDelegate* delegate, const TableMetrics& metrics,
                 const std::string& rowHeader, const std::vector<std::string>& titles) {
    header.changeRowHeaderWidth(metrics.rowHeaderWidth);
    auto& inner = header.horizontalTable();
    inner.setTag(kTagNote);
    inner.setTableDelegate(delegate);
    inner.setRowHeight(metrics.colWidth);
    auto& label = header.labelRowHeader();
    label.setText(rowHeader);
    label.setTag(kTagRowHeader);
    label.setBackgroundColor(kHeaderColor);
    setBorder(label);
    label.setFont(gfx::Font::boldSystem(metrics.tableRowHeaderFontSize));
    std::vector<Value> items;
    for (const auto& title : titles)
        items.emplace_back(title);
    header.setContentArray(std::move(items));
}

void registerRows(ui::TableView& table, ui::TableViewDelegate* delegate, std::function<TableMetrics()> metrics) {
    ui::TableView* owner = &table;
    table.registerCellFactory("Cell", [owner, delegate, metrics](const std::string& id) {
        const TableMetrics m = metrics();
        auto cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, id);
        const double width = owner->bounds().width();
        auto row = std::make_shared<HorizontalTableView>(Rect{0, 0, width, m.rowHeight}, m.rowHeaderWidth);
        row->setTag(kTagRow);
        auto& inner = row->horizontalTable();
        inner.setTableDelegate(delegate);
        inner.setRowHeight(m.colWidth);
        inner.setTag(kTagInner);
        auto& label = row->labelRowHeader();
        label.setBackgroundColor(gfx::Color::gray(0.9));
        setBorder(label);
        label.setFont(gfx::Font::system(m.tableFontSize));
        cell->contentView().addSubview(row);
        const Rect over{m.rowHeaderWidth, 0, std::max(0.0, width - m.rowHeaderWidth), m.rowHeight};
        auto note = std::make_shared<ui::Label>(m.notesAsLabels ? over : Rect{0, 0, 5 * m.colWidth, m.rowHeight});
        note->setTag(kTagNoteLabel);
        note->setBackgroundColor(gfx::Color::white());
        note->setTextColor(kOrange);
        note->setTextAlignment(gfx::TextAlignment::Left);
        note->setFont(gfx::Font::system(12));
        setBorder(*note);
        if (m.notesAsLabels) {
            note->setHidden(true);
            row->addSubview(note);
            return cell;
        }
        auto overlay = std::make_shared<ui::ScrollView>(over);
        overlay->setTag(kTagNote);
        overlay->setContentSize({5 * m.colWidth, m.rowHeight});
        overlay->setShowsHorizontalScrollIndicator(false);
        overlay->setBounces(false);
        overlay->setDelegate(delegate);
        overlay->addSubview(note);
        overlay->setHidden(true);
        row->addSubview(overlay);
        return cell;
    });
}

void fillRow(ui::TableViewCell& cell, ui::TableView& table, const CoefficientRows* rows, size_t index,
             const TableMetrics& m) {
    auto* row = dynamic_cast<HorizontalTableView*>(cell.contentView().viewWithTag(kTagRow));
    if (!row || !rows)
        return;
    ui::View* note = row->viewWithTag(m.notesAsLabels ? kTagNoteLabel : kTagNote);
    auto* noteLabel = dynamic_cast<ui::Label*>(row->viewWithTag(kTagNoteLabel));
    // The row spans the table as it is now, whatever width the cell was made at.
    const double width = table.bounds().width();
    row->setFrame({0, 0, width, m.rowHeight});
    if (note) {
        note->setFrame({m.rowHeaderWidth, 0, std::max(0.0, width - m.rowHeaderWidth), m.rowHeight});
        row->bringSubviewToFront(note);
    }
    row->labelRowHeader().setText(" " + (index == rows->columns ? tr("Constant")
                                         : index < rows->names.size() ? rows->names[index]
                                                                       : std::string()));
    std::vector<Value> cells;
    if (rows->coeffs.empty()) {
        if (note)
            note->setHidden(true);
        cells.assign(5, Value(std::string()));
        row->setContentArray(std::move(cells));
        return;
    }
    const std::string drop = index < rows->drop.size() ? rows->drop[index] : std::string();
    if (note && noteLabel) {
        if (drop == "constant") {
            note->setHidden(false);
            noteLabel->setText(tr(" Variable dropped because it has only one value."));
        } else if (drop == "collinear") {
            note->setHidden(false);
            noteLabel->setText(tr(" Variable dropped because it is collinear with another variable."));
        } else {
            note->setHidden(true);
        }
    }
    // The report's note is a label over the cells, and a report keeps the text beneath a label: the
    // dropped variable's cells stay empty there rather than read "NaN" around the note.
    if (m.notesAsLabels && note && !note->isHidden()) {
        cells.assign(5, Value(std::string()));
        row->setContentArray(std::move(cells));
        return;
    }
    const double p = at(rows->p, index);
    cells = {Value(Model::stringFromNumber(at(rows->coeffs, index))), Value(Model::stringFromNumber(at(rows->t, index))),
             Value(Model::stringFromNumber(p)), Value(stars(p)),
             Value(Model::stringFromNumber(at(rows->variance, index)))};
    row->setContentArray(std::move(cells));
}

void layoutValueCell(ui::TableViewCell& cell, ui::TableView& table, const TableMetrics& m) {
    auto label = std::make_shared<ui::Label>(Rect{0, 0, m.colWidth, m.rowHeight});
    label->setTag(kTagCellLabel);
    setBorder(*label);
    label->setFont(gfx::Font::system(m.tableFontSize));
    if (table.tag() == kTagNote || table.tag() == kTagNoteMoving) {
        label->setTextAlignment(gfx::TextAlignment::Center);
        label->setBackgroundColor(kHeaderColor);
    } else {
        label->setTextAlignment(gfx::TextAlignment::Right);
        label->setBackgroundColor(gfx::Color::white());
    }
    cell.contentView().addSubview(label);
}

void configureValueCell(ui::TableViewCell& cell, const Value& item) {
    if (auto* label = dynamic_cast<ui::Label*>(cell.contentView().viewWithTag(kTagCellLabel)))
        label->setText(item.string());
}

void scrollTogether(ui::ScrollView& scrolled, HorizontalTableView* header, ui::TableView* table) {
    const int tag = scrolled.tag();
    if (tag != kTagInner && tag != kTagNote)
        return;
    // A note strip scrolls along its own x; the turned tables along their y.
    const bool strip = dynamic_cast<ui::TableView*>(&scrolled) == nullptr;
    const ui::Point offset = strip ? turned(scrolled.contentOffset(), std::numbers::pi / 2) : scrolled.contentOffset();
    scrolled.setTag(tag == kTagNote ? kTagNoteMoving : kTagInnerMoving);
    if (header && header->horizontalTable().tag() == kTagNote)
        header->horizontalTable().setContentOffset(offset, false);
    if (table) {
        for (ui::TableViewCell* cell : table->visibleCells()) {
            if (auto* inner = dynamic_cast<ui::TableView*>(cell->contentView().viewWithTag(kTagInner)))
                inner->setContentOffset(offset, false);
            if (auto* note = dynamic_cast<ui::ScrollView*>(cell->contentView().viewWithTag(kTagNote)))
                note->setContentOffset(turned(offset, -std::numbers::pi / 2), false);
        }
    }
    scrolled.setTag(tag);
}

} // namespace fitparts
