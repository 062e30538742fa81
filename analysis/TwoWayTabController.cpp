// The two-way table screen's layout, run, texts, grid, compact table, chart and exports.
#include "analysis/TwoWayTabController.h"
#include "platform/foundation/DisplayFormatters.h"

#include "analysis/FitScreenParts.h"
#include "analysis/QVPDFWriter.h"
#include "analysis/ResultsScrollView.h"

#include "app/TextFormat.h"
#include "plot/axes_plots/CPTXYAxisSet.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTPlotRange.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTAxisLabel.h"
#include "plot/graph/CPTLegend.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "plot/graph/CPTXYPlotSpace.h"
#include "platform/foundation/IcuText.h"
#include "platform/foundation/Locale.h"
#include "platform/foundation/NumberFormatter.h"
#include "platform/foundation/Tr.h"
#include "platform/graphics/Text.h"

#include <algorithm>
#include <cmath>
#include <numbers>

using foundation::tr;
using foundation::Value;
using ui::Rect;
using fitparts::axesOf;
using fitparts::blackText;
using fitparts::lineOf;
using fitparts::makeLabel;
using fitparts::range;

namespace {

const gfx::Color kHeaderColor{1.0, 0.8, 0.4, 1.0};
const gfx::Color kGrey = gfx::Color::gray(0.9);
const gfx::Color kDarkGray = gfx::Color::gray(1.0 / 3.0);
constexpr double kMargin = 20;
constexpr int64_t kTop = 10;
constexpr size_t kLabelCharacters = 16;
// The plot area's inset from the chart's top (the title's band), and the room between the legend
// standing under it and the bars.
constexpr double kPlotTop = 20, kPlotRight = 10, kLegendGap = 8;
// The least height of the chart on a report page.
constexpr double kLeastReportChart = 170;
// The least width of a chart standing beside the grid.
constexpr double kChartBesideWidth = 420;

void setBorder(ui::View& view, double width) {
    view.layer().setBorderWidth(width);
    view.layer().setBorderColor(kDarkGray);
}

double textWidth(const std::string& text, const gfx::Font& font) {
    gfx::TextStyle style;
    style.font = font;
    return gfx::measureText(text, style).width;
}

// The largest size, up to the font's own, at which the text fits the width; a count is never cut.
gfx::Font fittingFont(const std::string& text, const gfx::Font& font, double width) {
    double size = font.size();
    while (size > 4 && textWidth(text, font.withSize(size)) > width)
        size -= 0.5;
    return font.withSize(size);
}

// A title cut, by whole characters, to what fits the width in the font.
std::string fittedTitle(const std::string& text, double width, const gfx::Font& font) {
    if (textWidth(text, font) <= width)
        return text;
    for (size_t n = text.size(); n > 0; --n) {
        std::string cut = foundation::truncatedToCharacters(text, n - 1);
        if (textWidth(cut, font) <= width)
            return cut;
    }
    return "…";
}

std::string countText(int64_t count) {
    return std::to_string(count);
}

// Whole percentages in the user's locale (the grid asks for one a cell, the chart's percent axis for
// its labels at every display).
std::shared_ptr<foundation::NumberFormatter> percentFormatter() {
    return foundation::display::wholePercentFormatter();
}

template <class T> T at(const std::vector<T>& values, size_t i) {
    return i < values.size() ? values[i] : T{};
}

} // namespace

// --- The stacked bars

const std::vector<std::string>& TwoWayStackedBars::categories() const {
    static const std::vector<std::string> none;
    return mode_ == 1 ? result_.arrayA.levels : mode_ == 2 ? result_.arrayB.levels : none;
}

const std::vector<std::string>& TwoWayStackedBars::series() const {
    static const std::vector<std::string> none;
    return mode_ == 1 ? result_.arrayB.levels : mode_ == 2 ? result_.arrayA.levels : none;
}

size_t TwoWayStackedBars::records() const {
    return mode_ == 1 || mode_ == 2 ? categories().size() + 1 : 0;
}

double TwoWayStackedBars::share(size_t s, size_t r) const {
    const size_t nCategories = categories().size();
    if (r == nCategories)
        return mode_ == 1 ? at(result_.percsB, s) : at(result_.percsA, s);
    // Row mode: category r is a row, series s a column; column mode the other way round.
    const size_t row = mode_ == 1 ? r : s, column = mode_ == 1 ? s : r;
    return row < result_.percs.size() ? at(result_.percs[row], column) : 0.0;
}

double TwoWayStackedBars::base(size_t s, size_t r) const {
    double sum = 0;
    for (size_t k = 0; k < s; ++k)
        sum += share(k, r);
    return sum;
}

double TwoWayStackedBars::tip(size_t s, size_t r) const {
    return base(s, r) + share(s, r);
}

gfx::Color TwoWayStackedBars::colorOfSeries(size_t s) {
    static const gfx::Color palette[] = {
        {1, 0, 127.0 / 255, 1}, {1, 0, 1, 1},     {127.0 / 255, 0, 1, 1}, {0, 128.0 / 255, 1, 1},
        {0, 1, 1, 1},           {0, 1, 128.0 / 255, 1}, {1, 1, 0, 1},     {1, 128.0 / 255, 0, 1},
        {1, 0, 0, 1},           {128.0 / 255, 128.0 / 255, 127.0 / 255, 1}};
    return palette[s % std::size(palette)];
}

std::string TwoWayStackedBars::chartLabel(const std::string& level) {
    return foundation::truncatedToCharacters(levelName(level), kLabelCharacters);
}

std::string TwoWayStackedBars::levelName(const std::string& level) {
    return level.empty() ? tr("(missing)") : level;
}

void TwoWayStackedBars::Source::setTable(std::optional<TwoWayTableResult> result, int64_t mode) {
    result_ = std::move(result);
    mode_ = mode;
}

uint64_t TwoWayStackedBars::Source::numberOfRecordsForPlot(CPTPlot&) {
    return result_ ? TwoWayStackedBars(*result_, mode_).records() : 0;
}

std::optional<double> TwoWayStackedBars::Source::doubleForPlot(CPTPlot& plot, uint64_t field, uint64_t idx) {
    if (!result_ || !plot.identifier().isNumber())
        return std::nullopt;
    const TwoWayStackedBars bars(*result_, mode_);
    const auto s = size_t(plot.identifier().toInt64());
    if (field == CPTBarPlotFieldBarLocation)
        return double(idx);
    if (field == CPTBarPlotFieldBarBase)
        return bars.base(s, size_t(idx));
    return bars.tip(s, size_t(idx));
}

std::shared_ptr<CPTXYGraph> TwoWayStackedBars::makeGraph(gfx::Size size, bool report) {
    auto graph = fitparts::makeGraph(size, {.top = kPlotTop, .right = kPlotRight, .bottom = 50, .left = 60});
    const double labelSize = report ? 8 : 11, titleSize = report ? 9 : 13;
    auto axisLine = lineOf(gfx::Color::black(), 1.0);
    for (const auto& axis : {axesOf(*graph).xAxis(), axesOf(*graph).yAxis()}) {
        axis->setAxisLineStyle(axisLine);
        axis->setMajorTickLineStyle(axisLine);
        axis->setMinorTickLineStyle(axisLine);
        axis->setLabelTextStyle(blackText(labelSize));
        axis->setTitleTextStyle(blackText(titleSize));
    }
    axesOf(*graph).yAxis()->setTitleOffset(40);
    graph->setTitleTextStyle(blackText(titleSize));
    return graph;
}

double TwoWayStackedBars::draw(CPTXYGraph& graph, const std::shared_ptr<CPTBarPlotDataSource>& source,
                             const std::string& xTitle, bool report) const {
    for (const auto& plot : graph.allPlots())
        graph.removePlot(plot);
    graph.setTitle(tr("Stacked Bar Plot"));
    auto& axes = axesOf(graph);
    auto x = axes.xAxis();
    auto y = axes.yAxis();
    y->setTitle(tr("Percent"));
    x->setTitle(xTitle);

    // The categories' labels, "Total" last, each turned a quarter of a half turn.
    std::vector<std::string> labels = categories();
    if (mode_ == 1 || mode_ == 2)
        labels.push_back(tr("Total"));
    x->setLabelingPolicy(CPTAxisLabelingPolicyNone);
    CPTAxis::AxisLabels axisLabels;
    CPTAxis::TickLocations ticks;
    const double labelSize = report ? 8 : 11;
    for (size_t i = 0; i < labels.size(); ++i) {
        auto label = std::make_shared<CPTAxisLabel>(chartLabel(labels[i]), blackText(labelSize));
        label->setTickLocation(Value(double(i)));
        label->setOffset(x->labelOffset() + x->majorTickLength());
        label->setRotation(std::numbers::pi / 4);
        axisLabels.push_back(label);
        ticks.push_back(label->tickLocation());
    }
    x->setAxisLabels(axisLabels);
    x->setMajorTickLocations(ticks);
    x->setLabelRotation(std::numbers::pi / 8);

    const auto& names = series();
    for (size_t s = 0; s < names.size(); ++s) {
        auto plot = std::make_shared<CPTBarPlot>();
        plot->setIdentifier(Value(int64_t(s)));
        plot->setBarBasesVary(true);
        plot->setDataSource(source);
        plot->setTitle(chartLabel(names[s]));
        plot->setFill(CPTFill::fillWithColor(CPTColor::colorWithCGColor(colorOfSeries(s))));
        plot->setBarWidth(Value(0.8));
        graph.addPlot(plot);
    }
    auto legend = CPTLegend::legendWithGraph(graph);
    legend->setNumberOfRows(std::max<size_t>(names.size(), 1));
    legend->setTextStyle(blackText(labelSize));
    legend->setFill(CPTFill::fillWithColor(CPTColor::whiteColor()));
    legend->setBorderLineStyle(lineOf(kDarkGray, 0.5));
    graph.setLegend(legend);
    graph.setLegendAnchor(CPTRectAnchorTopLeft);
    // Every bar reaches the top of the plot area, so the legend stands clear of it: on screen above it,
    // at its left under the graph's title, the plot area's top making room for it; on a report page,
    // whose height is short, beside the bars at the right, the plot area's right making room.
    if (report) {
        // Ten rows fit beside the shortest chart of a page.
        legend->setSwatchSize({8, 8});
        for (auto set : {&CPTLegend::setPaddingTop, &CPTLegend::setPaddingBottom, &CPTLegend::setPaddingLeft,
                         &CPTLegend::setPaddingRight})
            ((*legend).*set)(3);
        legend->setRowMargin(1);
    }
    legend->recalculateLayout();
    const gfx::Size legendSize = names.empty() ? gfx::Size{0, 0} : legend->bounds().size;
    auto frame = graph.plotAreaFrame();
    double room = 0;
    if (report) {
        frame->setPaddingTop(kPlotTop);
        frame->setPaddingRight(kPlotRight + (names.empty() ? 0.0 : legendSize.width + kLegendGap));
        graph.setLegendDisplacement({graph.bounds().size.width - legendSize.width - kPlotRight, -kPlotTop});
    } else {
        room = names.empty() ? 0.0 : legendSize.height + kLegendGap;
        frame->setPaddingTop(kPlotTop + room);
        graph.setLegendDisplacement({frame->paddingLeft(), -kPlotTop});
    }
    graph.reloadData();

    auto space = std::dynamic_pointer_cast<CPTXYPlotSpace>(graph.defaultPlotSpace());
    space->scaleToFitPlots(graph.allPlots());
    space->setXRange(range(-0.5, double(labels.size())));
    if (!(space->yRange()->lengthDouble() > 0))
        space->setYRange(range(0, 1));
    y->setOrthogonalPosition(Value(-0.5));
    y->setMinorTicksPerInterval(3);
    y->setLabelFormatter(percentFormatter());
    return room;
}

TwoWayTabController::TwoWayTabController() : source_(std::make_shared<TwoWayStackedBars::Source>()) {}
TwoWayTabController::~TwoWayTabController() = default;

// --- Texts

std::string TwoWayTabController::stars(double p) {
    if (p <= 0.001)
        return " ***";
    if (p <= 0.01)
        return " **";
    if (p <= 0.05)
        return " *";
    return "";
}

std::string TwoWayTabController::pText(double p) {
    if (p < 0.001)
        return tr("p < 0.001***");
    return formatText(tr("p = %@%@"), {Model::stringFromNumber(p), stars(p)});
}

bool TwoWayTabController::isTwoByTwo(const TwoWayTableResult& result) {
    return result.arrayA.levels.size() == 2 && result.arrayB.levels.size() == 2;
}

std::string TwoWayTabController::associationText(const TwoWayTableResult& result) {
    if (isTwoByTwo(result))
        return formatText(tr("Phi = %@"), {Model::stringFromNumber(result.phi)});
    return formatText(tr("Cramer's V = %@"), {Model::stringFromNumber(result.v)});
}

std::string TwoWayTabController::interpretation(double p, const std::string& left, const std::string& right) {
    if (p < 0.05)
        return formatText(tr("Distribution of %@ is significantly different by %@"), {left, right});
    return formatText(tr("Distribution of %@ is not significantly different by %@"), {left, right});
}

std::string TwoWayTabController::percentText(double fraction) {
    return percentFormatter()->format(fraction);
}

// --- Metrics and choices

bool TwoWayTabController::isCompact() const {
    return !isForOutput() && traitCollection().horizontalSizeClass == ui::SizeClass::Compact;
}

bool TwoWayTabController::showsPercentages() const {
    return analysis() && analysis()->twoWayPercDisplay() != 0;
}

int64_t TwoWayTabController::mode() const {
    return analysis() ? analysis()->twoWayPercAgg() : 0;
}

void TwoWayTabController::changePerc(ui::SegmentedControl& sender) {
    if (!analysis())
        return;
    const int index = sender.selectedSegmentIndex();
    if (index > 2 || index < 0) {
        analysis()->setTwoWayPercAgg(0);
        analysis()->setTwoWayPercDisplay(0);
    } else {
        analysis()->setTwoWayPercAgg(index);
        analysis()->setTwoWayPercDisplay(1);
    }
    if (model())
        model()->saveContext();
    viewWillAppear(true);
}

void TwoWayTabController::changeIncludeMissing(ui::Switch& sender) {
    if (!analysis())
        return;
    analysis()->setIncludeMissing(sender.isOn());
    if (model())
        model()->saveContext();
    viewWillAppear(true);
}

// --- Views

void TwoWayTabController::loadView() {
    AnalysisDetailViewController::loadView();
    auto& root = view();
    const double w = root.bounds().width();
    const bool report = isForOutput();
    const double body = report ? 12 : 15, heading = report ? 14 : 17;

    // The variable choosers sit on the frame's caption line, "And:" between them.
    addChooserPair(buttonLeft_, buttonRight_, 44);

    labelRowCol_ = makeLabel("labelRowCol", body);
    segmentPerc_ = std::make_shared<ui::SegmentedControl>(std::vector<std::string>{}, Rect{0, 0, 280, 30});
    segmentPerc_->setIdentifier("segmentPerc");
    labelIncludeMissing_ = makeLabel("labelIncludeMissing", body);
    switchIncludeMissing_ = std::make_shared<ui::Switch>(Rect{0, 0, 51, 31});
    switchIncludeMissing_->setIdentifier("switchIncludeMissing");
    labelChiHeadline_ = makeLabel("labelChiHeadline", heading, true);
    labelChi_ = makeLabel("labelChi", body);
    labelP_ = makeLabel("labelP", body);
    labelV_ = makeLabel("labelV", body);
    labelInterpret_ = makeLabel("labelInterpret", body);
    labelInterpret_->setNumberOfLines(0);
    labelInterpret_->setLineBreakMode(gfx::LineBreakMode::WordWrap);
    labelSigLegend_ = makeLabel("labelSigLegend", report ? 9 : 12);
    labelSigLegend_->setNumberOfLines(0);
    labelSigLegend_->setLineBreakMode(gfx::LineBreakMode::WordWrap);

    viewTable_ = std::make_shared<ui::View>(Rect{0, 0, 100, 100});
    viewTable_->setIdentifier("viewTable");
    viewGraph_ = std::make_shared<CPTGraphHostingView>(Rect{0, 0, std::min(w - 2 * kMargin, report ? 440.0 : 640.0),
                                                            chartHeight()});
    viewGraph_->setIdentifier("viewGraph");

    // The compact layout: the right variable's name over the header strip, then a sideways row per level.
    stackCompactTable_ = std::make_shared<ui::View>(Rect{0, 0, 100, 100});
    stackCompactTable_->setIdentifier("stackCompactTable");
    labelHeaderRight_ = makeLabel("labelHeaderRight", 14);
    labelHeaderRight_->setTextAlignment(gfx::TextAlignment::Center);
    header_ = std::make_shared<HorizontalTableView>(Rect{0, 0, 100, 50}, 76);
    header_->setIdentifier("header");
    tableResults_ = std::make_shared<ui::TableView>(Rect{0, 0, 100, 100}, ui::TableViewStyle::Plain);
    tableResults_->setIdentifier("tableResults");
    tableResults_->setScrollEnabled(false);
    tableResults_->setShowsVerticalScrollIndicator(false);
    for (const auto& part : std::initializer_list<ui::View::Ptr>{labelHeaderRight_, header_, tableResults_})
        stackCompactTable_->addSubview(part);

    // On screen the results scroll under the fixed title lines, and a wide grid scrolls on its own; the
    // report, whose writer leaves scroll views out, holds them on its page directly.
    ui::View* parent = &root;
    ui::View* gridParent = &root;
    if (!report) {
        scrollMain_ = ResultsScrollView::addTo(
            root, Rect{0, contentTop(), w, std::max(0.0, root.bounds().height() - contentTop())}, "scrollMain",
            [this] { layoutResults(); });
        parent = scrollMain_.get();
        scrollTable_ = std::make_shared<ui::ScrollView>(Rect{0, 0, 100, 100});
        scrollTable_->setIdentifier("scrollTable");
        parent->addSubview(scrollTable_);
        gridParent = scrollTable_.get();
    }
    gridParent->addSubview(viewTable_);
    for (const auto& v : std::initializer_list<ui::View::Ptr>{labelRowCol_, segmentPerc_, labelIncludeMissing_,
                                                               switchIncludeMissing_, labelChiHeadline_, labelChi_,
                                                               labelP_, labelV_, labelInterpret_, labelSigLegend_,
                                                               viewGraph_, stackCompactTable_})
        parent->addSubview(v);
    if (report) {
        // The report shows results, not the controls that chose them.
        labelRowCol_->setHidden(true);
        labelIncludeMissing_->setHidden(true);
    }
    layoutResults();
}

void TwoWayTabController::viewDidLoad() {
    AnalysisDetailViewController::viewDidLoad();
    for (const char* title : {"Cell", "Row", "Column", "None"})
        segmentPerc_->insertSegmentWithTitle(tr(title), segmentPerc_->numberOfSegments());
    segmentPerc_->addTarget(ui::ValueChanged, [this](ui::Control& sender) {
        changePerc(static_cast<ui::SegmentedControl&>(sender));
    });
    switchIncludeMissing_->addTarget(ui::ValueChanged, [this](ui::Control& sender) {
        changeIncludeMissing(static_cast<ui::Switch&>(sender));
    });
    labelSigLegend_->setText(fitparts::significanceLegend());
    labelRowCol_->setText(tr("Calculate percentages by "));
    labelChiHeadline_->setText(tr("Chi-squared test:"));
    labelIncludeMissing_->setText(tr("Include missing values:"));
    viewTable_->setBackgroundColor(gfx::Color::white());
    buildGraph();

    tableResults_->setTag(kTagResults);
    tableResults_->setAllowsSelection(false);
    tableResults_->registerCellFactory("Cell", [this](const std::string& id) {
        auto cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, id);
        auto row = std::make_shared<HorizontalTableView>(
            Rect{0, 0, tableResults_->bounds().width(), double(cellHeight())}, 76);
        row->setTag(kTagRow);
        auto& table = row->horizontalTable();
        table.setTag(kTagInner);
        table.setTableDelegate(this);
        table.setRowHeight(50);
        auto& label = row->labelRowHeader();
        label.setBackgroundColor(kGrey);
        setBorder(label, 0.5);
        label.setFont(gfx::Font::system(14));
        label.setTextAlignment(gfx::TextAlignment::Right);
        cell->contentView().addSubview(row);
        return cell;
    });
    tableResults_->setDataSource(this);
    tableResults_->setTableDelegate(this);

    auto& inner = header_->horizontalTable();
    inner.setTag(kTagHeaderInner);
    inner.setTableDelegate(this);
    inner.setRowHeight(50);
    header_->setContentArray({});
    header_->setBackgroundColor(kGrey);
    auto& rowHeader = header_->labelRowHeader();
    rowHeader.setTag(kTagRowHeader);
    rowHeader.setBackgroundColor(kHeaderColor);
    setBorder(rowHeader, 0.5);
    rowHeader.setFont(gfx::Font::system(14));
    setBorder(*labelHeaderRight_, 0.5);
    labelHeaderRight_->setBackgroundColor(kHeaderColor);
}

void TwoWayTabController::buildGraph() {
    graph_ = TwoWayStackedBars::makeGraph(viewGraph_->bounds().size, isForOutput());
    viewGraph_->setHostedGraph(graph_);
}

void TwoWayTabController::hideResults(bool hide) {
    for (ui::View* view : std::initializer_list<ui::View*>{
             labelChi_.get(), labelChiHeadline_.get(), labelP_.get(), labelRowCol_.get(), labelSigLegend_.get(),
             labelV_.get(), segmentPerc_.get(), tableResults_.get(), header_.get(), labelHeaderRight_.get()})
        view->setHidden(hide);
    if (isForOutput())
        labelRowCol_->setHidden(true);
}

// Frames of the result views for the width they have, one under another, hidden ones taking no room.
void TwoWayTabController::layoutResults() {
    const bool report = isForOutput();
    const double w = report ? view().bounds().width() : scrollMain_->bounds().width();
    const double cw = std::max(0.0, w - 2 * kMargin);
    const double line = report ? 17 : 24;
    double y = report ? contentTop() - 26 : 10;
    auto place = [&](ui::View& v, double x, double width, double height) {
        v.setFrame({x, y, width, height});
    };
    if (!report) {
        // The choices: the percentage segment beside its caption, or under it where the width is short.
        const double caption = std::min(cw, 230.0);
        place(*labelRowCol_, kMargin, caption, 30);
        if (cw - caption >= 280) {
            place(*segmentPerc_, kMargin + caption, 280, 30);
        } else {
            y += 34;
            place(*segmentPerc_, kMargin, std::min(cw, 280.0), 30);
        }
        y += 40;
        place(*labelIncludeMissing_, kMargin, caption, 31);
        place(*switchIncludeMissing_, kMargin + caption, 51, 31);
        y += 42;
    }
    for (ui::Label* label : {labelChiHeadline_.get(), labelChi_.get(), labelP_.get(), labelV_.get()}) {
        if (label->isHidden())
            continue;
        place(*label, kMargin, cw, line);
        y += line;
    }
    // The reading wraps onto as many lines as long variable names need.
    const double interpretHeight = std::max(line, std::ceil(labelInterpret_->sizeThatFits({cw, 1e6}).height));
    place(*labelInterpret_, kMargin, cw, interpretHeight);
    y += interpretHeight + 4;
    if (!labelSigLegend_->isHidden()) {
        const double legendLines = report ? 2 : (cw < 500 ? 3 : 2);
        const double legendLine = report ? 11 : 16;
        place(*labelSigLegend_, kMargin, cw, legendLines * legendLine);
        y += legendLines * legendLine + 8;
    }

    const gfx::Size grid = viewTable_->bounds().size;
    if (isCompact()) {
        // The right variable's name, the header strip, then one row per level and the totals.
        stackCompactTable_->setHidden(false);
        const int rows = numberOfRowsInSection(*tableResults_, 0);
        const double headerHeight = 50, nameHeight = 28;
        place(*stackCompactTable_, kMargin, cw, nameHeight + headerHeight + rows * cellHeight());
        labelHeaderRight_->setFrame({76, 0, std::max(0.0, cw - 76), nameHeight});
        header_->setFrame({0, nameHeight, cw, headerHeight});
        tableResults_->setFrame({0, nameHeight + headerHeight, cw, double(rows * cellHeight())});
        y += stackCompactTable_->frame().height() + 16;
    } else if (report) {
        stackCompactTable_->setHidden(true);
        // The turned headers reach a little above the grid's own top.
        y += 12;
        viewTable_->setFrame({kMargin, y, grid.width, grid.height});
        y += grid.height + 12;
    } else {
        stackCompactTable_->setHidden(true);
        const double top = 6;
        // Where the grid leaves room at its right for the chart, the chart stands beside it, in the first
        // screenful with the grid; a wider grid has the chart under it.
        const double beside = cw - grid.width - kMargin;
        if (!viewGraph_->isHidden() && beside >= kChartBesideWidth) {
            const double chartWidth = std::min(beside, 640.0);
            const double gridHeight = grid.height + top;
            place(*scrollTable_, 0, grid.width + 2 * kMargin, gridHeight);
            viewTable_->setFrame({kMargin, top, grid.width, grid.height});
            scrollTable_->setContentSize({grid.width + 2 * kMargin, gridHeight});
            // The chart's top meets the grid's, level with the turned headers.
            const double chartTop = y + top;
            viewGraph_->setFrame({w - kMargin - chartWidth, chartTop, chartWidth, viewGraph_->bounds().height()});
            y = std::max(y + gridHeight, chartTop + viewGraph_->frame().height()) + 16;
            if (scrollMain_)
                scrollMain_->setContentSize({w, y + 20});
            scrollTable_->setHidden(false);
            viewTable_->setHidden(false);
            return;
        }
        place(*scrollTable_, 0, w, std::min(grid.height + top, 620.0));
        viewTable_->setFrame({kMargin, top, grid.width, grid.height});
        scrollTable_->setContentSize({grid.width + 2 * kMargin, grid.height + top});
        y += scrollTable_->frame().height() + 16;
    }
    if (scrollTable_)
        scrollTable_->setHidden(isCompact());
    viewTable_->setHidden(isCompact());

    if (!viewGraph_->isHidden()) {
        // A report page has one height: under a tall grid the chart takes what is left of it, down to
        // a least height its ten legend rows still fit.
        const double height = report ? std::clamp(QVPDFWriter::kPageHeight - kMargin - y, kLeastReportChart,
                                                  chartHeight())
                                     : viewGraph_->bounds().height();
        const double chartWidth = std::min(cw, report ? 440.0 : 640.0);
        place(*viewGraph_, kMargin, chartWidth, height);
        y += height + 16;
    }
    if (scrollMain_)
        scrollMain_->setContentSize({w, y + 20});
}

// --- Run

bool TwoWayTabController::isValid(AnalysisError& error) const {
    return hasVariablePair(error);
}

void TwoWayTabController::showMessage(const std::string& text) {
    if (labelInterpret_)
        labelInterpret_->setText(text);
}

TwoWayTabController::Computation TwoWayTabController::computation() const {
    return [](AnalysisRunner::Run& run, Analysis& analysis, const std::optional<std::vector<int64_t>>& rows, bool) {
        Results results;
        auto left = analysis.left();
        auto right = analysis.right();
        if (left && right)
            results.graphData.result = run.model().twoWayTabOfColumn(
                *left, *right, kTop, analysis.twoWayPercAgg(), analysis.includeMissing(), rows);
        return results;
    };
}

void TwoWayTabController::displayInitial() {
    AnalysisDetailViewController::displayInitial();
    hideResults(true);
    labelType()->setText(tr("Two way table of:"));
    labelRightVar()->setText(tr("And:"));
    titleChooserPair(*buttonLeft_, *buttonRight_);
    labelSingleTitle()->setText(fileNameOutput());
    segmentPerc_->setSelectedSegmentIndex(showsPercentages() ? int(mode()) : 3);
    switchIncludeMissing_->setOn(analysis() && analysis()->includeMissing());
    viewGraph_->setHidden(!(showsPercentages() && mode() != 0));
    header_->labelRowHeader().setText(leftName());
    labelHeaderRight_->setText(rightName());
    // Without both variables no earlier table stands for the choices.
    AnalysisError unchosen;
    if (!hasVariablePair(unchosen)) {
        setGraphData({});
        clearGrid();
        viewGraph_->setHidden(true);
        tableResults_->reloadData();
    }
    layoutResults();
}

void TwoWayTabController::displayFinal() {
    const auto& data = graphData();
    if (!data.result) {
        // Nothing computed (an export before the first run ends): the placeholders stay.
        return;
    }
    const TwoWayTableResult& result = *data.result;
    hideResults(false);
    labelChi_->setText(formatText(tr("Chi-squared = %@"), {Model::stringFromNumber(result.chisq)}));
    labelP_->setText(pText(result.p));
    labelV_->setText(associationText(result));
    labelInterpret_->setText(interpretation(result.p, leftName(), rightName()));
    buildGrid(result);
    header_->setContentArray(compactItems(size_t(-1)));
    tableResults_->reloadData();
    // Laid out first: the chart's title is fitted to the width the chart gets.
    layoutResults();
    showChart(result);
}

// --- The grid

void TwoWayTabController::clearGrid() {
    std::vector<ui::View*> old;
    for (const auto& sub : viewTable_->subviews())
        if (sub->tag() == kTagGrid)
            old.push_back(sub.get());
    for (ui::View* v : old)
        v->removeFromSuperview();
    viewTable_->setFrame({viewTable_->frame().origin.x, viewTable_->frame().origin.y, 0, 0});
    boxesUsed_ = labelsUsed_ = cellsUsed_ = 0;
}

// Each of these hands back the view the grid added at the same turn last time, or a new one; the grid
// sets every property it shows, so a view kept from another table shows nothing of it.
ui::View& TwoWayTabController::nextGridBox(const Rect& frame) {
    if (boxesUsed_ == gridBoxes_.size()) {
        gridBoxes_.push_back(std::make_shared<ui::View>(frame));
        gridBoxes_.back()->setTag(kTagGrid);
    }
    ui::View& box = *gridBoxes_[boxesUsed_++];
    box.setFrame(frame);
    viewTable_->addSubview(box.shared_from_this());
    return box;
}

ui::Label& TwoWayTabController::nextGridLabel() {
    if (labelsUsed_ == gridLabels_.size()) {
        gridLabels_.push_back(std::make_shared<ui::Label>());
        gridLabels_.back()->setTag(kTagGrid);
    }
    return *gridLabels_[labelsUsed_++];
}

TwoWayTabController::GridCell& TwoWayTabController::nextGridCell() {
    if (cellsUsed_ == gridCells_.size()) {
        GridCell cell{std::make_shared<ui::View>(), std::make_shared<ui::Label>(), std::make_shared<ui::Label>()};
        cell.box->setTag(kTagGrid);
        for (ui::Label* line : {cell.count.get(), cell.percent.get()}) {
            line->setTag(kTagGrid);
            line->setTextAlignment(gfx::TextAlignment::Right);
        }
        cell.box->addSubview(cell.count);
        gridCells_.push_back(std::move(cell));
    }
    return gridCells_[cellsUsed_++];
}

void TwoWayTabController::addHeader(const Rect& frame, const std::string& text, const gfx::Color& color,
                                   bool turned, bool bordered, std::optional<gfx::TextAlignment> alignment) {
    ui::Label& label = nextGridLabel();
    // Placed by its bounds and centre under its turn: the frame it stands in before being turned.
    label.setTransform(turned ? gfx::AffineTransform::rotation(-std::numbers::pi / 4)
                              : gfx::AffineTransform::identity());
    label.setBounds({0, 0, frame.width(), frame.height()});
    label.setCenter({frame.midX(), frame.midY()});
    label.setText(text);
    label.setFont(fontTable());
    label.setBackgroundColor(color);
    label.setTextAlignment(alignment.value_or(turned ? gfx::TextAlignment::Left : gfx::TextAlignment::Right));
    if (bordered)
        setBorder(label, 1.0);
    else
        label.layer().setBorderWidth(0);
    viewTable_->addSubview(label.shared_from_this());
}

void TwoWayTabController::addCell(double x, double y, const std::string& count, const std::optional<double>& share) {
    const double cw = cellWidth(), ch = cellHeight();
    GridCell& cell = nextGridCell();
    cell.box->setFrame({x, y, cw, ch});
    setBorder(*cell.box, 1.0);
    // The numbers keep clear of the right border.
    const double inner = std::max(1.0, cw - cellPadding());
    auto line = [&](ui::Label& label, const std::string& text, double top) {
        label.setFrame({0, top, inner, ch / 2});
        label.setText(text);
        // A number is never cut: a wide one gets a smaller type.
        label.setFont(fittingFont(text, fontTable(), inner));
    };
    line(*cell.count, count, 0);
    if (share) {
        line(*cell.percent, percentText(*share), ch / 2);
        if (!cell.percent->superview())
            cell.box->addSubview(cell.percent);
    } else {
        cell.percent->removeFromSuperview();
    }
    viewTable_->addSubview(cell.box);
}

void TwoWayTabController::buildGrid(const TwoWayTableResult& result) {
    clearGrid();
    const size_t nA = result.arrayA.levels.size(), nB = result.arrayB.levels.size();
    const double y0 = yOffset(), W = rowHeaderWidth(), cw = cellWidth(), ch = cellHeight(), hw = colHeaderWidth(),
                 hh = colHeaderHeight();
    const double turnedTop = y0 - double(colHeaderWidth() / 2);
    const bool percentages = showsPercentages();
    auto percent = [&](double share) { return percentages ? std::optional<double>(share) : std::nullopt; };

    nextGridBox({W, y0 - 20, cw + cw * double(nB), 20}).setBackgroundColor(kGrey);
    // The left variable's name in its box: the turned right name covers the box's right end, from where
    // it stands, so a long name ends (cut) before it rather than running under the other's first letters.
    nextGridBox({0, y0 - ch, W, ch}).setBackgroundColor(kHeaderColor);
    addHeader({0, y0 - ch, W - 0.8 * cw, ch}, leftName(), kHeaderColor, false, false, gfx::TextAlignment::Left);
    addHeader({W - 0.8 * cw, turnedTop, hw, hh}, rightName(), kHeaderColor, true, false);
    addHeader({0, y0 + double(nA) * ch, W, ch}, tr("Total"), kGrey, false, true);
    addHeader({W + (double(nB) + 0.2) * cw, turnedTop, hw, hh}, tr("Total"), kGrey, true, false);
    for (size_t i = 0; i < nA; ++i) {
        for (size_t j = 0; j < nB; ++j) {
            if (i == 0) {
                addHeader({W + (double(j) + 0.2) * cw, turnedTop, hw, hh},
                          TwoWayStackedBars::levelName(result.arrayB.levels[j]), kGrey, true, false);
                addCell(W + double(j) * cw, y0 + double(nA) * ch, countText(at(result.arrayB.counts, j)) + " ",
                        percent(at(result.percsB, j)));
            }
            const int64_t count = i < result.freqs.size() ? at(result.freqs[i], j) : 0;
            const double share = i < result.percs.size() ? at(result.percs[i], j) : 0.0;
            addCell(W + double(j) * cw, y0 + double(i) * ch, countText(count) + " ", percent(share));
        }
        addHeader({0, y0 + double(i) * ch, W, ch}, TwoWayStackedBars::levelName(result.arrayA.levels[i]), kGrey,
                  false, true);
        addCell(W + double(nB) * cw, y0 + double(i) * ch, countText(at(result.arrayA.counts, i)),
                percent(at(result.percsA, i)));
    }
    addCell(W + double(nB) * cw, y0 + double(nA) * ch, countText(int64_t(std::llround(result.sumTotal))),
            percent(1.0));
    // Views a larger table had and this one does not use go.
    gridBoxes_.resize(boxesUsed_);
    gridLabels_.resize(labelsUsed_);
    gridCells_.resize(cellsUsed_);

    // The grid's extent: the last turned header reaches furthest right, the first ones highest.
    const double reach = (hw + hh) * std::numbers::sqrt2 / 4;
    const double width = std::max(W + (double(nB) + 0.2) * cw + hw / 2 + reach, W + (double(nB) + 1) * cw);
    viewTable_->setFrame({viewTable_->frame().origin.x, viewTable_->frame().origin.y, std::ceil(width),
                          y0 + (double(nA) + 1) * ch});
}

// --- The chart

void TwoWayTabController::showChart(const TwoWayTableResult& result) {
    const int64_t m = mode();
    source_->setTable(result, m);
    const gfx::Font titleFont = gfx::Font::system(isForOutput() ? 9 : 13);
    const double across = std::max(40.0, viewGraph_->bounds().width() - 80);
    const std::string name = m == 2 ? rightName() : m == 1 ? leftName() : std::string();
    const double room =
        TwoWayStackedBars(result, m).draw(*graph_, source_, fittedTitle(name, across, titleFont), isForOutput());
    // The chart grows by its legend's room, so many levels do not squeeze the bars.
    const Rect frame = viewGraph_->frame();
    if (!isForOutput() && std::fabs(frame.height() - (chartHeight() + room)) > 0.5) {
        viewGraph_->setFrame({frame.origin.x, frame.origin.y, frame.width(), chartHeight() + room});
        layoutResults();
    }
}

// --- The compact table

std::vector<Value> TwoWayTabController::compactItems(size_t row) const {
    std::vector<Value> items;
    const auto& data = graphData();
    if (!data.result)
        return items;
    const TwoWayTableResult& r = *data.result;
    const size_t nA = r.arrayA.levels.size(), nB = r.arrayB.levels.size();
    // The header strip: the levels' names and "Total".
    if (row == size_t(-1)) {
        for (const auto& level : r.arrayB.levels)
            items.emplace_back(TwoWayStackedBars::levelName(level));
        items.emplace_back(tr("Total"));
        return items;
    }
    const bool percentages = showsPercentages();
    auto item = [&](const std::string& count, double share) {
        items.emplace_back(percentages ? count + "\n" + percentText(share) : count);
    };
    for (size_t j = 0; j < nB; ++j) {
        if (row < nA)
            item(countText(at(r.freqs[row], j)) + " ", at(r.percs[row], j));
        else
            item(countText(at(r.arrayB.counts, j)) + " ", at(r.percsB, j));
    }
    if (row < nA)
        item(countText(at(r.arrayA.counts, row)), at(r.percsA, row));
    else
        item(countText(int64_t(std::llround(r.sumTotal))), 1.0);
    return items;
}

int TwoWayTabController::numberOfRowsInSection(ui::TableView& tableView, int) {
    if (&tableView != tableResults_.get() || !graphData().result)
        return 0;
    return int(graphData().result->arrayA.levels.size()) + 1;
}

double TwoWayTabController::heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath) {
    return tableView.tag() == kTagResults ? cellHeight() : -1;
}

std::shared_ptr<ui::TableViewCell> TwoWayTabController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                              ui::IndexPath indexPath) {
    auto cell = tableView.dequeueReusableCellWithIdentifier("Cell", indexPath);
    auto* row = dynamic_cast<HorizontalTableView*>(cell->contentView().viewWithTag(kTagRow));
    if (!row || !graphData().result)
        return cell;
    const auto& levels = graphData().result->arrayA.levels;
    const auto index = size_t(indexPath.row);
    row->setFrame({0, 0, tableView.bounds().width(), double(cellHeight())});
    row->labelRowHeader().setText(index < levels.size() ? TwoWayStackedBars::levelName(levels[index]) : tr("Total"));
    row->setContentArray(compactItems(index));
    // A new row starts where the others stand.
    row->horizontalTable().setContentOffset(header_->horizontalTable().contentOffset(), false);
    return cell;
}

void TwoWayTabController::layoutCell(ui::TableViewCell& cell, ui::TableView& table) {
    const bool header = table.tag() == kTagHeaderInner || table.tag() == kTagHeaderMoving;
    const double width = 50, height = header ? 50 : double(cellHeight());
    if (header) {
        auto label = std::make_shared<ui::Label>(Rect{0, 0, width, height});
        label->setTag(kTagCount);
        label->setFont(gfx::Font::system(12));
        label->setNumberOfLines(2);
        label->setLineBreakMode(gfx::LineBreakMode::TruncateTail);
        label->setTextAlignment(gfx::TextAlignment::Center);
        label->setBackgroundColor(kGrey);
        setBorder(*label, 0.5);
        cell.contentView().addSubview(label);
        return;
    }
    auto box = std::make_shared<ui::View>(Rect{0, 0, width, height});
    setBorder(*box, 0.5);
    box->setBackgroundColor(gfx::Color::white());
    for (int tag : {kTagCount, kTagPercent}) {
        auto label = std::make_shared<ui::Label>(
            Rect{0, tag == kTagCount ? 0 : height / 2, width - cellPadding(), height / 2});
        label->setTag(tag);
        label->setFont(gfx::Font::system(14));
        label->setTextAlignment(gfx::TextAlignment::Right);
        box->addSubview(label);
    }
    cell.contentView().addSubview(box);
}

void TwoWayTabController::configureCell(ui::TableViewCell& cell, const Value& item, ui::TableView& table) {
    const std::string text = item.string();
    auto* count = dynamic_cast<ui::Label*>(cell.contentView().viewWithTag(kTagCount));
    auto* percent = dynamic_cast<ui::Label*>(cell.contentView().viewWithTag(kTagPercent));
    const bool header = table.tag() == kTagHeaderInner || table.tag() == kTagHeaderMoving;
    if (header || !percent) {
        if (count) {
            count->setText(text);
            // A short name of one word a little wider than its cell gets a smaller type rather than a
            // break inside it; a longer one is cut.
            if (header) {
                const gfx::Font fitted = fittingFont(text, gfx::Font::system(12), count->bounds().width() - 2);
                const bool oneWord = text.find(' ') == std::string::npos;
                count->setFont(oneWord && fitted.size() >= 9 ? fitted : gfx::Font::system(12));
            }
        }
        return;
    }
    const size_t split = text.find('\n');
    const std::string first = text.substr(0, split);
    const std::string second = split == std::string::npos ? std::string() : text.substr(split + 1);
    if (count) {
        count->setText(first);
        count->setFont(fittingFont(first, gfx::Font::system(14), count->bounds().width()));
    }
    percent->setText(second);
}

void TwoWayTabController::scrollViewDidScroll(ui::ScrollView& scrollView) {
    const int tag = scrollView.tag();
    if (tag != kTagInner && tag != kTagHeaderInner)
        return;
    const ui::Point offset = scrollView.contentOffset();
    // Moving the others calls back here: the mover's tag says it is already under way.
    scrollView.setTag(tag == kTagInner ? kTagInnerMoving : kTagHeaderMoving);
    if (header_ && header_->horizontalTable().tag() == kTagHeaderInner)
        header_->horizontalTable().setContentOffset(offset, false);
    if (tableResults_) {
        for (ui::TableViewCell* cell : tableResults_->visibleCells())
            if (auto* inner = dynamic_cast<ui::TableView*>(cell->contentView().viewWithTag(kTagInner)))
                inner->setContentOffset(offset, false);
    }
    scrollView.setTag(tag);
}

// --- Output

std::shared_ptr<AnalysisDetailViewController> TwoWayTabController::viewControllerForOutput() const {
    return std::make_shared<TwoWayTabController_PDF>();
}

std::string TwoWayTabController::fileNameOutput() const {
    return formatText(tr("Two way table of frequencies for %@ and %@"), {leftName(), rightName()});
}

void TwoWayTabController::writeCSVLines(CHCSVWriter& writer) {
    using Field = CHCSVWriter::Field;
    writer.writeLineOfFields({Field(fileNameOutput())});
    writer.finishLine();
    writer.writeLineOfFields(
        {Field(tr("Filters:")), Field(model() && analysis() ? model()->stringForWhereAnalysis(*analysis()) : "")});
    const TwoWayTableResult empty;
    const TwoWayTableResult& r = graphData().result ? *graphData().result : empty;
    writer.writeLineOfFields({Field(tr("Chi-squared")), Field(r.chisq)});
    writer.writeLineOfFields({Field(tr("p")), Field(r.p)});
    if (isTwoByTwo(r))
        writer.writeLineOfFields({Field(tr("Phi")), Field(Model::stringFromNumber(r.phi))});
    else
        writer.writeLineOfFields({Field(tr("Cramer's V")), Field(Model::stringFromNumber(r.v))});
    writer.finishLine();
    writer.writeLineOfFields({Field(rightName())});
    std::vector<Field> head{Field(leftName())};
    for (const auto& level : r.arrayB.levels)
        head.emplace_back(TwoWayStackedBars::levelName(level));
    head.emplace_back(tr("Total"));
    writer.writeLineOfFields(head);
    for (size_t i = 0; i < r.arrayA.levels.size(); ++i) {
        std::vector<Field> line{Field(TwoWayStackedBars::levelName(r.arrayA.levels[i]))};
        for (size_t j = 0; j < r.arrayB.levels.size(); ++j)
            line.emplace_back(i < r.freqs.size() ? at(r.freqs[i], j) : int64_t(0));
        line.emplace_back(at(r.arrayA.counts, i));
        writer.writeLineOfFields(line);
    }
    std::vector<Field> totals{Field(tr("Total"))};
    for (int64_t c : r.arrayB.counts)
        totals.emplace_back(c);
    totals.emplace_back(int64_t(std::llround(r.sumTotal)));
    writer.writeLineOfFields(totals);
}
