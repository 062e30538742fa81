// The correlation screen's layout, run, texts, charts, coefficient table and exports.
#include "analysis/CorrelationViewController.h"

#include "analysis/ChartRanges.h"
#include "analysis/FitScreenParts.h"
#include "analysis/ResultsScrollView.h"
#include "app/TextFormat.h"
#include "plot/axes_plots/CPTTimeFormatter.h"
#include "plot/axes_plots/CPTXYAxisSet.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTPlotRange.h"
#include "plot/foundation/CPTPlotSymbol.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "plot/graph/CPTXYPlotSpace.h"
#include "platform/foundation/DateFormatter.h"
#include "platform/foundation/Tr.h"
#include "platform/graphics/Text.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

using foundation::tr;
using foundation::Value;
using ui::Rect;
using namespace fitparts;

namespace {

constexpr int64_t kDateType = 4;
const gfx::Color kBarColor{0.8588235294117647, 0.5450980392156862, 0.4549019607843137, 1.0};
const gfx::Color kFitColor{0, 0, 1, 1};
constexpr double kMargin = 20;

ChartRange chartRangeOf(const CPTPlotRange& r) {
    return chartRange(r.locationDouble(), r.lengthDouble());
}

double at(const std::vector<double>& values, size_t i) {
    return i < values.size() ? values[i] : NAN;
}

// The height of a line of text in the system font of this size.
double lineHeightOf(double size) {
    gfx::TextStyle style;
    style.font = gfx::Font::system(size);
    return gfx::measureText("Ag", style).height;
}

// The largest bold size up to `size`, in half points down to 8, at which the text fits the width whole.
double fittingSize(const std::string& text, double width, double size) {
    gfx::TextStyle style;
    for (; size > 8; size -= 0.5) {
        style.font = gfx::Font::boldSystem(size);
        if (gfx::measureText(text, style).width <= width)
            break;
    }
    return size;
}

// The least room a chart keeps around its plot area.
struct ChartRoom {
    double left, right, yTitleOffset;
};

ChartRoom baseRoom(bool report) {
    return report ? ChartRoom{44, 8, 30} : ChartRoom{60, 10, 42};
}

// The width of the widest label an axis may show over its range, in its label style: the range's ends and
// middle as its formatter writes them, with a digit to spare (a rounder tick may take one more).
double widestLabel(const CPTAxis& axis, const CPTPlotRange& range) {
    const auto& formatter = axis.labelFormatter();
    const auto& textStyle = axis.labelTextStyle();
    if (!formatter || !textStyle)
        return 0;
    gfx::TextStyle style;
    style.font = textStyle->font().value_or(gfx::Font::system(textStyle->fontSize()));
    const double from = range.locationDouble(), length = range.lengthDouble();
    double most = 0;
    for (double v : {from, from + length / 2, from + length})
        if (auto text = formatter->stringForObjectValue(Value(v)))
            most = std::max(most, gfx::measureText(*text + "0", style).width);
    return most;
}

// Room around a chart's plot area for the labels its axes show over its ranges: left of it the y axis's
// widest label with the axis title beyond it, right of it half of the widest x label (the last one is
// centred on the end of the axis), and no more x labels than fit side by side. Never less than the chart's
// base room. Set before the chart is drawn.
void makeRoomForLabels(CPTXYGraph& graph, const ChartRoom& base, double titleSize) {
    auto& axes = axesOf(graph);
    auto& space = spaceOf(graph);
    CPTAxis& y = *axes.yAxis();
    const double yLabels = widestLabel(y, *space.yRange()), xLabels = widestLabel(*axes.xAxis(), *space.xRange());
    const double offset = std::max(base.yTitleOffset, y.majorTickLength() + y.labelOffset() + yLabels + 4);
    y.setTitleOffset(offset);
    auto& frame = *graph.plotAreaFrame();
    frame.setPaddingLeft(std::max(base.left, offset + lineHeightOf(titleSize) + 2));
    frame.setPaddingRight(std::max(base.right, xLabels / 2 + 2));
    // A narrow chart asks for fewer x ticks than the usual five, so that their labels stay apart.
    const double plotWidth = graph.bounds().size.width - frame.paddingLeft() - frame.paddingRight();
    const double fits = xLabels > 0 ? std::floor(plotWidth / (xLabels + 6)) : 5;
    axes.xAxis()->setPreferredNumberOfMajorTicks(fits >= 5 ? 0 : uint64_t(std::max(3.0, fits)));
}

} // namespace

// The three charts' records, read from the screen's last result.
class CorrelationViewController::ChartSource : public CPTBarPlotDataSource {
  public:
    explicit ChartSource(CorrelationViewController& screen) : screen_(screen) {}

    uint64_t numberOfRecordsForPlot(CPTPlot& plot) override {
        const auto& data = screen_.graphData();
        const Value& id = plot.identifier();
        if (id.string() == "barPlot")
            return data.histogram.edges.size();
        if (!data.result)
            return 0;
        if (id.string() == "scatterPlot")
            return data.result->residuals.size();
        if (!id.isNumber())
            return 0;
        if (id.toInt64() == 1)
            return 2;
        if (id.toInt64() == 0)
            return screen_.arrayResults().empty() ? 0 : screen_.arrayResults()[0].size();
        return 0;
    }

    std::optional<double> doubleForPlot(CPTPlot& plot, uint64_t field, uint64_t idx) override {
        const auto& data = screen_.graphData();
        const Value& id = plot.identifier();
        if (id.string() == "barPlot")
            return field == CPTBarPlotFieldBarLocation ? at(data.histogram.edges, idx)
                                                       : at(data.histogram.contents, idx);
        if (!data.result)
            return std::nullopt;
        if (id.string() == "scatterPlot") {
            if (field == CPTScatterPlotFieldX)
                return at(data.result->yhat, idx);
            if (field == CPTScatterPlotFieldY)
                return at(data.result->residuals, idx);
            return 0.0;
        }
        if (!id.isNumber())
            return std::nullopt;
        if (id.toInt64() == 1)
            return idx < 2 ? data.result->dataFit[field == CPTScatterPlotFieldY ? 1 : 0][idx] : NAN;
        if (id.toInt64() == 0) {
            const auto& columns = screen_.arrayResults();
            const size_t k = field == CPTScatterPlotFieldY ? 1 : 0;
            return k < columns.size() ? at(columns[k], idx) : NAN;
        }
        return std::nullopt;
    }

    std::optional<Value> numberForPlot(CPTPlot& plot, uint64_t field, uint64_t idx) override {
        if (auto v = doubleForPlot(plot, field, idx); v && !std::isnan(*v))
            return Value(*v);
        return std::nullopt;
    }

    // The points read in one block: 100,000 of them are no reason for 200,000 calls.
    std::optional<std::span<const double>> doublesForPlot(CPTPlot& plot, uint64_t field, NSRange range) override {
        const Value& id = plot.identifier();
        const std::vector<double>* column = nullptr;
        if (id.isNumber() && id.toInt64() == 0 && field <= 1 && field < screen_.arrayResults().size())
            column = &screen_.arrayResults()[field];
        else if (id.string() == "scatterPlot" && screen_.graphData().result && field <= 1)
            column = field == 0 ? &screen_.graphData().result->yhat : &screen_.graphData().result->residuals;
        if (!column || range.location + range.length > column->size())
            return std::nullopt;
        return std::span<const double>(column->data() + range.location, range.length);
    }

    std::optional<std::shared_ptr<CPTFill>> barFillForBarPlot(CPTBarPlot&, uint64_t) override {
        return CPTFill::fillWithColor(CPTColor::colorWithCGColor(kBarColor)->colorWithAlphaComponent(0.25));
    }

    std::optional<std::shared_ptr<CPTLineStyle>> barLineStyleForBarPlot(CPTBarPlot&, uint64_t) override {
        auto style = CPTMutableLineStyle::lineStyle();
        style->setLineColor(CPTColor::colorWithCGColor(kBarColor));
        return style;
    }

  private:
    CorrelationViewController& screen_;
};

CorrelationViewController::CorrelationViewController() : source_(std::make_shared<ChartSource>(*this)) {}

CorrelationViewController::~CorrelationViewController() = default;

// --- Texts

std::string CorrelationViewController::interpretation(double p, double r, int64_t df) {
    std::string text;
    if (std::isnan(p))
        text = tr("Correlation is exact.");
    else if (p < 0.05)
        text = tr("Correlation is significantly different than zero (p<0.05).");
    else
        text = tr("Correlation is not significantly different than zero (p>0.05).");
    if (df == -2)
        return tr("Variables have no numeric rows in common.");
    if (std::isnan(r))
        return tr("Correlation is not defined. This most often happens if one or both of the variables is "
                  "constant on all rows they have in common.");
    if (r <= -0.5)
        text += tr(" Variables have strong negative correlation.");
    else if (r <= -0.3)
        text += tr(" Variables have medium negative correlation.");
    else if (r <= -0.1)
        text += tr(" Variables have weak negative correlation.");
    else if (r >= 0.5)
        text += tr(" Variables have strong positive correlation.");
    else if (r >= 0.3)
        text += tr(" Variables have medium positive correlation.");
    else if (r >= 0.1)
        text += tr(" Variables have weak positive correlation.");
    return text;
}

std::string CorrelationViewController::equationText(const std::string& responseName, const CorrelationResult& result,
                                                    size_t columnCount) {
    std::string text = formatText(tr("%@ = "), {responseName});
    if (result.coeffs.empty())
        return text;
    bool written = false;
    auto joiner = [&](double coefficient) { return written && coefficient >= 0 ? " + " : " "; };
    for (size_t i = 0; i < columnCount; ++i) {
        const double coefficient = at(result.coeffs, i);
        if (std::isnan(coefficient))
            continue;
        const std::string name = i < result.names.size() ? result.names[i] : std::string();
        text += formatText("%@%@ * %@", {joiner(coefficient), Model::stringFromNumber(coefficient), name});
        written = true;
    }
    const double constant = at(result.coeffs, columnCount);
    text += formatText(tr("%@%@ + ϵ"), {joiner(constant), Model::stringFromNumber(constant)});
    return text;
}

std::string CorrelationViewController::significanceLegend() {
    return fitparts::significanceLegend();
}

std::string CorrelationViewController::stars(double p) {
    return fitparts::stars(p);
}

// --- Metrics

bool CorrelationViewController::isCompact() const {
    return traitCollection().horizontalSizeClass == ui::SizeClass::Compact;
}
double CorrelationViewController::rowHeaderWidth() const {
    return isCompact() ? 80 : 153;
}
double CorrelationViewController::colWidth() const {
    return isCompact() ? 72 : 111;
}
double CorrelationViewController::rowHeight() const {
    return isCompact() ? 25 : 40;
}
double CorrelationViewController::tableFontSize() const {
    return isCompact() ? 12 : 17;
}
double CorrelationViewController::tableRowHeaderFontSize() const {
    return isCompact() ? 14 : 18;
}

fitparts::TableMetrics CorrelationViewController::tableMetrics() const {
    return {rowHeaderWidth(), colWidth(), rowHeight(), tableFontSize(), tableRowHeaderFontSize(), notesAsLabels()};
}

int64_t CorrelationViewController::leftType() const {
    auto left = analysis() ? analysis()->left() : nullptr;
    return left ? left->type().value_or(0) : 0;
}
int64_t CorrelationViewController::rightType() const {
    auto right = analysis() ? analysis()->right() : nullptr;
    return right ? right->type().value_or(0) : 0;
}

// --- Views

void CorrelationViewController::loadView() {
    AnalysisDetailViewController::loadView();
    auto& root = view();
    const double w = root.bounds().width();
    const bool report = isForOutput();
    const double body = report ? 12 : 15, heading = report ? 14 : 17;

    // The variable choosers sit on the frame's caption line, "and" between them.
    addChooserPair(buttonLeft_, buttonRight_, 40);

    labelError_ = makeLabel("labelError", body);
    labelError_->setNumberOfLines(2);
    labelError_->setTextColor(gfx::Color{0.75, 0, 0, 1});
    labelHeaderCorrelation_ = makeLabel("labelHeaderCorrelation", heading, true);
    labelCorrelation_ = makeLabel("labelCorrelation", body);
    labelConf_ = makeLabel("labelConf", body);
    labelConfInterval_ = makeLabel("labelConfInterval", body);
    labelInterpret_ = makeLabel("labelInterpret", body);
    labelInterpret_->setNumberOfLines(0);
    labelInterpret_->setLineBreakMode(gfx::LineBreakMode::WordWrap);
    labelHeaderPlot_ = makeLabel("labelHeaderPlot", heading, true);
    labelFitLine_ = makeLabel("labelFitLine", report ? 10 : 14);
    labelHeaderRegression_ = makeLabel("labelHeaderRegression", heading, true);
    labelRegression_ = makeLabel("labelRegression", body);
    labelRegression_->setNumberOfLines(2);
    labelRegression_->setLineBreakMode(gfx::LineBreakMode::WordWrap);
    labelObs_ = makeLabel("labelObs", body);
    labelR2Unadj_ = makeLabel("labelR2Unadj", body);
    labelR2_ = makeLabel("labelR2", body);
    labelRMSE_ = makeLabel("labelRMSE", body);
    labelSigLegend_ = makeLabel("labelSigLegend", report ? 9 : 12);
    labelSigLegend_->setNumberOfLines(0);
    labelSigLegend_->setLineBreakMode(gfx::LineBreakMode::WordWrap);
    labelHistogram_ = makeLabel("labelHistogram", heading, true);
    labelResidualsFitted_ = makeLabel("labelResidualsFitted", heading, true);
    // Titled before the layout, which fits the report's chart headings to their width.
    labelHeaderPlot_->setText(tr("Scatter Plot"));
    labelHeaderCorrelation_->setText(tr("Correlation"));
    labelHeaderRegression_->setText(tr("Linear Regression"));
    labelHistogram_->setText(tr("Histogram of Residuals"));
    labelResidualsFitted_->setText(tr("Residuals against Fitted Values"));

    auto host = [](const char* id) {
        auto view = std::make_shared<CPTGraphHostingView>(Rect{0, 0, 100, 100});
        view->setIdentifier(id);
        // A chart draws within its view, so one scrolled out of sight costs nothing to draw.
        view->setClipsToBounds(true);
        return view;
    };
    viewHost_ = host("viewHost");
    viewHistogram_ = host("viewHistogram");
    viewResidualsFitted_ = host("viewResidualsFitted");

    tableResults_ = std::make_shared<ui::TableView>(Rect{0, 0, 100, 100}, ui::TableViewStyle::Plain);
    tableResults_->setIdentifier("tableResults");
    tableResults_->setTag(kTagResults);
    tableResults_->setAllowsSelection(false);
    tableResults_->setScrollEnabled(false);
    tableResults_->setShowsVerticalScrollIndicator(false);

    // On screen the results scroll under the fixed title lines; the report, whose writer leaves scroll
    // views out, holds them on its page directly.
    ui::View* parent = &root;
    if (!report) {
        scrollMain_ = ResultsScrollView::addTo(
            root, Rect{0, contentTop(), w, std::max(0.0, root.bounds().height() - contentTop())}, "scrollMain",
            [this] { layoutResults(); });
        parent = scrollMain_.get();
    }
    for (const auto& label : {labelError_, labelHeaderCorrelation_, labelCorrelation_, labelConf_, labelConfInterval_,
                              labelInterpret_, labelHeaderRegression_, labelRegression_, labelObs_, labelR2Unadj_,
                              labelR2_, labelRMSE_, labelSigLegend_, labelHeaderPlot_, labelFitLine_,
                              labelHistogram_, labelResidualsFitted_})
        parent->addSubview(label);
    for (const auto& chart : {viewHost_, viewHistogram_, viewResidualsFitted_})
        parent->addSubview(chart);
    header_ = std::make_shared<HorizontalTableView>(Rect{0, 0, rowHeaderWidth() + 5 * colWidth(), rowHeight()},
                                                    rowHeaderWidth());
    header_->setIdentifier("header");
    parent->addSubview(header_);
    parent->addSubview(tableResults_);
    layoutResults();
}

// Frames of the result views for the width they have: one column on screen; on the report page the
// texts and the table above three charts side by side.
void CorrelationViewController::layoutResults() {
    const bool report = isForOutput();
    const double w = report ? view().bounds().width() : scrollMain_->bounds().width();
    const double cw = std::max(0.0, w - 2 * kMargin);
    const double tableWidth = std::min(cw, rowHeaderWidth() + 5 * colWidth());
    const double line = report ? 17 : 22, headingLine = report ? 20 : 28;
    // The report has no choosers, so its results begin on their line.
    double y = report ? contentTop() - 26 : 8;
    auto place = [&](ui::View& view, double x, double width, double height) {
        view.setFrame({x, y, width, height});
    };
    place(*labelError_, kMargin, cw, 2 * line);
    place(*labelHeaderCorrelation_, kMargin, cw, headingLine - 4);
    y += headingLine;
    for (auto* label : {labelCorrelation_.get(), labelConf_.get(), labelConfInterval_.get()}) {
        place(*label, kMargin, cw, line);
        y += line;
    }
    const double interpretLines = report ? 2 : (cw < 500 ? 4 : 2);
    place(*labelInterpret_, kMargin, cw, interpretLines * line);
    y += interpretLines * line + 6;

    auto regression = [&] {
        place(*labelHeaderRegression_, kMargin, cw, headingLine - 4);
        y += headingLine;
        const double equationLines = report ? 1 : 2;
        place(*labelRegression_, kMargin, cw, equationLines * line);
        y += equationLines * line;
        const double half = std::floor(cw / 2);
        place(*labelObs_, kMargin, half, line);
        place(*labelR2Unadj_, kMargin + half, half, line);
        y += line;
        place(*labelR2_, kMargin, half, line);
        place(*labelRMSE_, kMargin + half, half, line);
        y += line + 6;
        header_->setFrame({kMargin, y, tableWidth, rowHeight()});
        y += rowHeight();
        tableResults_->setFrame({kMargin, y, tableWidth, 2 * rowHeight()});
        y += 2 * rowHeight() + 4;
        const double legendLines = report ? 2 : (cw < 500 ? 3 : 2);
        const double legendLine = report ? 11 : 16;
        place(*labelSigLegend_, kMargin, cw, legendLines * legendLine);
        y += legendLines * legendLine + 10;
    };

    if (report) {
        regression();
        // Three charts in a row, each under its heading.
        const double gap = 16, chartWidth = std::floor((cw - 2 * gap) / 3), chartHeight = 190;
        const std::pair<ui::Label*, CPTGraphHostingView*> charts[] = {{labelHeaderPlot_.get(), viewHost_.get()},
                                                                      {labelHistogram_.get(), viewHistogram_.get()},
                                                                      {labelResidualsFitted_.get(),
                                                                       viewResidualsFitted_.get()}};
        for (size_t i = 0; i < 3; ++i) {
            const double x = kMargin + double(i) * (chartWidth + gap);
            charts[i].first->setFont(gfx::Font::boldSystem(fittingSize(charts[i].first->text(), chartWidth, 12)));
            charts[i].first->setFrame({x, y, chartWidth, headingLine - 4});
            charts[i].second->setFrame({x, y + headingLine, chartWidth, chartHeight});
        }
        y += headingLine + chartHeight + 2;
        place(*labelFitLine_, kMargin, chartWidth, line);
        return;
    }

    const double chartWidth = std::min(cw, 640.0), chartHeight = std::max(220.0, std::round(chartWidth * 0.6));
    place(*labelHeaderPlot_, kMargin, cw, headingLine - 4);
    y += headingLine;
    place(*viewHost_, kMargin, chartWidth, chartHeight);
    y += chartHeight + 2;
    place(*labelFitLine_, kMargin, cw, line);
    y += line + 10;
    regression();
    for (const auto& [label, chart] : {std::pair{labelHistogram_.get(), viewHistogram_.get()},
                                       std::pair{labelResidualsFitted_.get(), viewResidualsFitted_.get()}}) {
        place(*label, kMargin, cw, headingLine - 4);
        y += headingLine;
        place(*chart, kMargin, chartWidth, chartHeight);
        y += chartHeight + 14;
    }
    scrollMain_->setContentSize({w, y + 20});
    applyTitles();
}

void CorrelationViewController::viewDidLoad() {
    AnalysisDetailViewController::viewDidLoad();
    labelFitLine_->setTextColor(kFitColor);
    labelFitLine_->setText(tr("— Best Fit Line"));
    buildGraphs();
    labelSigLegend_->setText(significanceLegend());

    // The header strip: its titles over the body's five cells, in the same order.
    setUpHeader(*header_, this, tableMetrics(), tr("Variable"),
                {tr("Coefficient"), tr("t"), tr("p > | t |"), tr("Significance"), tr("Std Err")});
    registerRows(*tableResults_, this, [this] { return tableMetrics(); });
    tableResults_->setDataSource(this);
    tableResults_->setTableDelegate(this);

}

void CorrelationViewController::buildGraphs() {
    const bool report = isForOutput();
    auto makeGraph = [&](CPTGraphHostingView& host) {
        auto graph = fitparts::makeGraph(host.bounds().size, {.top = report ? 6.0 : 10.0,
                                                              .right = baseRoom(report).right,
                                                              .bottom = report ? 34.0 : 50.0,
                                                              .left = baseRoom(report).left});
        useBlackAxes(*graph, report ? 8 : 11, titleSize());
        axesOf(*graph).xAxis()->setTitleOffset(report ? 20 : 30);
        axesOf(*graph).yAxis()->setTitleOffset(baseRoom(report).yTitleOffset);
        host.setHostedGraph(graph);
        return graph;
    };

    // The points and the fitted line, told apart by their identifiers 0 and 1.
    graph_ = makeGraph(*viewHost_);
    graph_->setPaddingTop(10);
    graph_->setTitleTextStyle(blackText(titleSize()));
    // The title has a band of its own above the plot area, clear of the axis line and the points.
    graph_->plotAreaFrame()->setPaddingTop(lineHeightOf(titleSize()) + (isForOutput() ? 4 : 6));
    pointsPlot_ = std::make_shared<CPTScatterPlot>();
    pointsPlot_->setIdentifier(Value(int64_t(0)));
    pointsPlot_->setDataLineStyle(nullptr);
    pointsPlot_->setPlotSymbol(plusSymbols(isForOutput()));
    fitPlot_ = std::make_shared<CPTScatterPlot>();
    fitPlot_->setIdentifier(Value(int64_t(1)));
    fitPlot_->setDataLineStyle(lineOf(kFitColor, 2.0));
    fitPlot_->setPlotSymbol(nullptr);
    for (const auto& plot : {pointsPlot_, fitPlot_}) {
        plot->setDataSource(source_);
        graph_->addPlot(plot);
    }

    graphHistogram_ = makeGraph(*viewHistogram_);
    axesOf(*graphHistogram_).xAxis()->setTitle(tr("Residual"));
    axesOf(*graphHistogram_).yAxis()->setTitle(tr("Frequency"));
    barPlot_ = std::make_shared<CPTBarPlot>();
    barPlot_->setIdentifier(Value("barPlot"));
    barPlot_->setDataSource(source_);
    graphHistogram_->addPlot(barPlot_);

    // Residuals against fitted values, over a dashed red line at zero.
    graphResidualsFitted_ = makeGraph(*viewResidualsFitted_);
    auto& axes = axesOf(*graphResidualsFitted_);
    axes.yAxis()->setTitle(tr("Residual"));
    zeroLine_ = addZeroLine(*graphResidualsFitted_);
    residualsPlot_ = std::make_shared<CPTScatterPlot>();
    residualsPlot_->setIdentifier(Value("scatterPlot"));
    residualsPlot_->setInterpolation(CPTScatterPlotInterpolationLinear);
    residualsPlot_->setDataSource(source_);
    graphResidualsFitted_->addPlot(residualsPlot_);
}

void CorrelationViewController::hideResults(bool hide) {
    for (ui::View* view :
         std::initializer_list<ui::View*>{labelConf_.get(), labelConfInterval_.get(), labelCorrelation_.get(),
                                          labelFitLine_.get(), labelHeaderCorrelation_.get(), labelHeaderPlot_.get(),
                                          labelInterpret_.get(), labelHeaderRegression_.get(), labelObs_.get(),
                                          labelR2_.get(), labelR2Unadj_.get(), labelRegression_.get(),
                                          labelRMSE_.get(), labelSigLegend_.get(), viewHost_.get(),
                                          tableResults_.get(), header_.get(), labelHistogram_.get(),
                                          viewHistogram_.get(), labelResidualsFitted_.get(),
                                          viewResidualsFitted_.get()})
        view->setHidden(hide);
    labelError_->setHidden(!hide);
}

// --- Run

bool CorrelationViewController::isValid(AnalysisError& error) const {
    return hasVariablePair(error);
}

void CorrelationViewController::showMessage(const std::string& text) {
    if (labelError_)
        labelError_->setText(text);
}

CorrelationViewController::Computation CorrelationViewController::computation() const {
    return [](AnalysisRunner::Run& run, Analysis& analysis, const std::optional<std::vector<int64_t>>& rows, bool) {
        Results results;
        auto left = analysis.left();
        auto right = analysis.right();
        auto& data = results.graphData;
        data.result = run.model().correlationResultsForColumn(left.get(), right.get(), rows);
        if (data.result) {
            data.histogram = Model::histogramOfVector(data.result->residuals, 10);
            results.arrayResults = data.result->data;
        }
        if (right)
            data.columns = {right->name()};
        return results;
    };
}

void CorrelationViewController::displayInitial() {
    AnalysisDetailViewController::displayInitial();
    hideResults(true);
    labelType()->setText(tr("Bivariate analysis of:"));
    labelRightVar()->setText(tr("and"));
    titleChooserPair(*buttonLeft_, *buttonRight_);
    labelSingleTitle()->setText(formatText(tr("Analysis of variables %@ and %@"), {leftName(), rightName()}));
    labelCorrelation_->setText(tr("Correlation:"));
    labelConf_->setText(tr("t =     , df =     , p ="));
    labelConfInterval_->setText(tr("95% Conf Interval:    to"));
    labelInterpret_->setText(tr("Calculating..."));
    applyTitles();
}

// Titles that carry column names, cut to the room their chart gives them.
void CorrelationViewController::applyTitles() {
    if (!graph_)
        return;
    const std::string leftName = this->leftName(), rightName = this->rightName();
    const double size = titleSize();
    auto across = [](CPTGraphHostingView& host) { return std::max(40.0, host.bounds().width() - 70); };
    auto upward = [](CPTGraphHostingView& host) { return std::max(40.0, host.bounds().height() - 60); };
    auto& scatter = axesOf(*graph_);
    scatter.xAxis()->setTitle(fitted(leftName, across(*viewHost_), size));
    scatter.yAxis()->setTitle(fitted(rightName, upward(*viewHost_), size));
    auto& residuals = axesOf(*graphResidualsFitted_);
    if (!graphData().result) {
        residuals.xAxis()->setTitle(fitted(leftName, across(*viewResidualsFitted_), size));
        return;
    }
    residuals.xAxis()->setTitle(
        fitted(formatText(tr("Predicted %@"), {rightName}), across(*viewResidualsFitted_), size));
    // Each name gets half of what the title's own words leave.
    const std::string format = tr("Scatter Plot of %@ and %@");
    gfx::TextStyle style;
    style.font = gfx::Font::system(size);
    const double room = (viewHost_->bounds().width() - gfx::measureText(formatText(format, {"", ""}), style).width) / 2;
    graph_->setTitle(formatText(format, {fitted(leftName, room, size), fitted(rightName, room, size)}));
}

void CorrelationViewController::displayFinal() {
    const auto& data = graphData();
    if (!data.result) {
        // Nothing computed (an export before the first run ends): the placeholders stay.
        return;
    }
    const CorrelationResult& result = *data.result;
    hideResults(false);
    labelCorrelation_->setText(formatText(tr("Correlation: %@"), {Model::stringFromNumber(result.r)}));
    labelConf_->setText(formatText(tr("t = %@, df = %@, p = %@"),
                                   {Model::stringFromNumber(result.t), Model::stringFromNumber(result.df),
                                    Model::stringFromNumber(result.p)}));
    labelConfInterval_->setText(formatText(tr("95%% Conf Interval: %@ to %@"),
                                           {Model::stringFromNumber(result.ci[0]), Model::stringFromNumber(result.ci[1])}));
    labelInterpret_->setText(interpretation(result.p, result.r, static_cast<int64_t>(result.df)));

    for (const auto& graph : {graph_, graphHistogram_, graphResidualsFitted_})
        graph->reloadData();
    showScatter(result);
    showHistogram();
    showResiduals(result);

    labelObs_->setText(formatText(tr("Obs = %@"), {std::to_string(result.N)}));
    labelR2_->setText(formatText(tr("Adjusted R² = %@"), {Model::stringFromNumber(result.r2adj)}));
    labelRMSE_->setText(formatText(tr("RMSE = %@"), {Model::stringFromNumber(result.rmse)}));

    tableResults_->reloadData();
    labelRegression_->setText(equationText(rightName(), result, data.columns.size()));
    labelR2Unadj_->setText(formatText(tr("R² = %@"), {Model::stringFromNumber(result.r2)}));
    applyTitles();
}

void CorrelationViewController::showScatter(const CorrelationResult&) {
    auto& space = spaceOf(*graph_);
    space.scaleToFitPlots({pointsPlot_});
    // A column of one value has points of no extent, which the fit would join with the old range and
    // so push to an edge: it gets the charts' unit range around its value instead.
    auto fitted = [&](CPTCoordinate coordinate, const CPTPlotRange& range) {
        auto own = pointsPlot_->plotRangeForCoordinate(coordinate);
        if (own && !(std::fabs(own->lengthDouble()) > 0))
            return chartRange(own->locationDouble(), 0);
        return chartRangeOf(range);
    };
    const ChartRange y = fitted(CPTCoordinateY, *space.yRange()), x = fitted(CPTCoordinateX, *space.xRange());
    space.setYRange(range(y.location - 0.1 * y.length, y.length * 1.2));
    space.setXRange(range(x.location - 0.1 * x.length, x.length * 1.2));
    auto& axes = axesOf(*graph_);
    axes.xAxis()->setOrthogonalPosition(space.yRange()->location());
    axes.yAxis()->setOrthogonalPosition(space.xRange()->location());

    auto numbers = std::make_shared<foundation::NumberFormatter>();
    numbers->setRoundingMode(foundation::NumberFormatter::RoundingMode::HalfUp);
    numbers->setMinimumFractionDigits(0);
    numbers->setMaximumFractionDigits(2);
    axes.xAxis()->setLabelFormatter(leftType() == kDateType ? timeFormatterFor(space.xRange()->lengthDouble())
                                                            : numbers);
    axes.yAxis()->setLabelFormatter(rightType() == kDateType ? timeFormatterFor(space.yRange()->lengthDouble())
                                                             : numbers);
    makeRoomForLabels(*graph_, baseRoom(isForOutput()), titleSize());
}

void CorrelationViewController::showHistogram() {
    auto& axes = axesOf(*graphHistogram_);
    axes.yAxis()->setLabelFormatter(wholeCounts());
    axes.xAxis()->setLabelFormatter(significantDigits(3));
    axes.xAxis()->setTitle(rightType() == kDateType ? tr("Residual (seconds)") : tr("Residual"));
    fitHistogram(*graphHistogram_, barPlot_, graphData().histogram.edges);
    makeRoomForLabels(*graphHistogram_, baseRoom(isForOutput()), titleSize());
}

void CorrelationViewController::showResiduals(const CorrelationResult&) {
    showAsResiduals({residualsPlot_, nullptr, zeroLine_}, isForOutput());
    fitToPlot(*graphResidualsFitted_, *residualsPlot_);
    auto& space = spaceOf(*graphResidualsFitted_);
    auto& axes = axesOf(*graphResidualsFitted_);
    const bool dates = rightType() == kDateType;
    axes.xAxis()->setLabelFormatter(dates ? std::shared_ptr<foundation::NumberFormatter>(
                                                timeFormatterFor(space.xRange()->lengthDouble()))
                                          : significantDigits(3));
    axes.yAxis()->setTitle(dates ? tr("Residual (seconds)") : tr("Residual"));
    makeRoomForLabels(*graphResidualsFitted_, baseRoom(isForOutput()), titleSize());
}

// --- The coefficient table

int CorrelationViewController::numberOfRowsInSection(ui::TableView& tableView, int) {
    if (&tableView != tableResults_.get() || !graphData().result)
        return 0;
    return int(graphData().columns.size()) + 1;
}

double CorrelationViewController::heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath) {
    return tableView.tag() == kTagResults ? rowHeight() : -1;
}

std::shared_ptr<ui::TableViewCell> CorrelationViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                    ui::IndexPath indexPath) {
    auto cell = tableView.dequeueReusableCellWithIdentifier("Cell", indexPath);
    std::optional<CoefficientRows> rows;
    if (const auto& result = graphData().result)
        rows = CoefficientRows{result->names, result->coeffs, result->variance, result->reg_t, result->reg_p,
                               result->drop, graphData().columns.size()};
    fillRow(*cell, tableView, rows ? &*rows : nullptr, size_t(indexPath.row), tableMetrics());
    return cell;
}

void CorrelationViewController::layoutCell(ui::TableViewCell& cell, ui::TableView& table) {
    layoutValueCell(cell, table, tableMetrics());
}

void CorrelationViewController::configureCell(ui::TableViewCell& cell, const Value& item, ui::TableView&) {
    configureValueCell(cell, item);
}

void CorrelationViewController::scrollViewDidScroll(ui::ScrollView& scrollView) {
    scrollTogether(scrollView, header_.get(), tableResults_.get());
}

// --- Output

std::shared_ptr<AnalysisDetailViewController> CorrelationViewController::viewControllerForOutput() const {
    return std::make_shared<CorrelationViewController_PDF>();
}

std::string CorrelationViewController::fileNameOutput() const {
    return formatText(tr("Analysis of variables %@ and %@"), {rightName(), leftName()});
}

void CorrelationViewController::writeCSVLines(CHCSVWriter& writer) {
    using Field = CHCSVWriter::Field;
    writer.writeLineOfFields({Field(fileNameOutput())});
    writer.finishLine();
    writer.writeLineOfFields(
        {Field(tr("Filters:")), Field(model() && analysis() ? model()->stringForWhereAnalysis(*analysis()) : "")});
    writer.finishLine();
    const auto& data = graphData();
    const CorrelationResult empty;
    const CorrelationResult& result = data.result ? *data.result : empty;
    writer.writeLineOfFields({Field(tr("Correlation"))});
    const std::pair<const char*, double> correlation[] = {{"r", result.r},
                                                          {"Degrees of Freedom", result.df},
                                                          {"t", result.t},
                                                          {"p", result.p},
                                                          {"95% conf lower bound", result.ci[0]},
                                                          {"95% conf upper bound", result.ci[1]}};
    for (const auto& [name, value] : correlation)
        writer.writeLineOfFields({Field(tr(name)), Field(value)});
    writer.finishLine();
    writer.writeLineOfFields({Field(tr("Linear Regression"))});
    writer.writeLineOfFields({Field(tr("Observations")), Field(result.N)});
    const std::pair<const char*, double> fit[] = {{"R²", result.r2}, {"Adjusted R²", result.r2adj}, {"RMSE", result.rmse}};
    for (const auto& [name, value] : fit)
        writer.writeLineOfFields({Field(tr(name)), Field(value)});
    writer.finishLine();
    writer.writeLineOfFields({Field(tr("Variable")), Field(tr("Coefficient")), Field(tr("Standard Error")),
                              Field(tr("t")), Field(tr("p > | t |")), Field(tr("Significance"))});
    if (data.result) {
        for (size_t i = 0; i <= data.columns.size(); ++i) {
            const std::string name = i == data.columns.size() ? tr("Constant")
                                     : i < result.names.size() ? result.names[i]
                                                               : std::string();
            writeCoefficientLine(writer, name, at(result.coeffs, i), at(result.variance, i), at(result.reg_t, i),
                                 at(result.reg_p, i));
        }
    }
    writer.finishLine();
    writer.writeLineOfFields({Field(significanceLegend())});
}
