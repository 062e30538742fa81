// The variable's detail page: its layout, run, statistic texts, frequency table, charts and exports.
#include "analysis/VariableDetailViewController.h"

#include "analysis/AnalysisDetailViewController.h"
#include "analysis/ChartRanges.h"
#include "analysis/VariableDetailCharts.h"
#include "analysis/FitScreenParts.h"
#include "analysis/ResultsScrollView.h"
#include "analysis/QVPDFWriter.h"
#include "analysis/ReportFiles.h"
#include "app/GlossaryViewController.h"
#include "app/MainStoryboard.h"
#include "app/PresentMailResult.h"
#include "app/TextFormat.h"
#include "app/VariableTypeText.h"
#include "model/CellReading.h"
#include "platform/foundation/DisplayFormatters.h"
#include "platform/foundation/Locale.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/NumberFormatter.h"
#include "platform/foundation/Tr.h"
#include "platform/graphics/Text.h"
#include "platform/host/PrintSheetViewController.h"
#include "platform/ui/Environment.h"
#include "platform/ui/TableViewController.h"
#include "plot/axes_plots/CPTTimeFormatter.h"
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
#include <filesystem>
#include <fstream>
#include <memory>
#include <numbers>
#include <span>
#include <unistd.h>

using foundation::tr;
using foundation::Value;
using ui::Rect;
namespace fs = std::filesystem;

namespace {

constexpr int64_t kNumeric = 3, kDate = 4;
constexpr double kMargin = 20;
const gfx::Color kDarkGray = gfx::Color::gray(1.0 / 3.0);

std::shared_ptr<ui::Label> makeLabel(const char* identifier, double size, bool bold = false) {
    auto label = std::make_shared<ui::Label>(Rect{0, 0, 10, 10});
    label->setIdentifier(identifier);
    label->setFont(bold ? gfx::Font::boldSystem(size) : gfx::Font::system(size));
    return label;
}

std::string countText(int64_t n) {
    foundation::NumberFormatter formatter;
    formatter.setMaximumFractionDigits(0);
    return formatter.format(static_cast<double>(n));
}

// A table of levels asks for two percents a row.
std::string percentText(double fraction) {
    return foundation::display::wholePercentFormatter()->format(fraction);
}

double valueAt(const std::vector<double>& values, uint64_t i) {
    return i < values.size() ? values[i] : NAN;
}

std::string joinLines(const std::vector<const std::string*>& lines, bool dropEmpty) {
    std::string text;
    bool first = true;
    for (const std::string* line : lines) {
        if (dropEmpty && line->empty())
            continue;
        if (!first)
            text += "\n";
        text += *line;
        first = false;
    }
    return text;
}

// The filter editor's container: however it closes (a tap outside, Done, or Apply, which closes the
// whole container), the page runs again with the filters as they now are.
class FilterNavigationController : public ui::NavigationController {
  public:
    using ui::NavigationController::NavigationController;
    std::function<void()> onClosed;
    void viewDidDisappear(bool animated) override {
        ui::NavigationController::viewDidDisappear(animated);
        if (onClosed)
            onClosed();
    }
};

host::PrintService& standardPrintService() {
    static host::QtPrintService service;
    return service;
}

} // namespace

// --- Chart records

bool VariableDetailViewController::ChartData::numericLike() const {
    return (type == kNumeric || type == kDate) && graph && std::holds_alternative<HistogramBins>(*graph);
}

std::vector<std::string> VariableDetailViewController::ChartData::levels() const {
    if (graph && std::holds_alternative<TopFrequencies>(*graph))
        return std::get<TopFrequencies>(*graph).levels;
    return {};
}

uint64_t VariableDetailViewController::ChartData::count(const std::string& plot) const {
    if (plot == "barPlot" || plot == "piePlot") {
        if (!graph)
            return 0;
        if (const auto* bins = std::get_if<HistogramBins>(&*graph))
            return plot == "piePlot" ? 0 : bins->edges.size();
        return std::get<TopFrequencies>(*graph).levels.size();
    }
    if (!results || !numericLike())
        return 0;
    if (plot == "outliers")
        return results->outliers ? results->outliers->size() : 0;
    if (plot == "qqplot")
        return results->sorted && results->qnorm ? std::min(results->sorted->size(), results->qnorm->size()) : 0;
    if (plot == "qqline")
        return results->qqline ? 2 : 0;
    if (plot == "topBox" || plot == "bottomBox" || plot == "topWhisker" || plot == "bottomWhisker" ||
        plot == "topWhiskerTip" || plot == "bottomWhiskerTip")
        return results->sorted && !results->sorted->empty() ? 1 : 0;
    return 0;
}

std::optional<double> VariableDetailViewController::ChartData::number(const std::string& plot, uint64_t field,
                                                                      uint64_t index) const {
    if (plot == "barPlot") {
        if (!graph)
            return std::nullopt;
        if (const auto* bins = std::get_if<HistogramBins>(&*graph)) {
            if (field == CPTBarPlotFieldBarLocation)
                return valueAt(bins->edges, index);
            if (field == CPTBarPlotFieldBarTip)
                return valueAt(bins->contents, index);
            return std::nullopt;
        }
        const auto& top = std::get<TopFrequencies>(*graph);
        if (field == CPTBarPlotFieldBarLocation)
            return static_cast<double>(index);
        if (field == CPTBarPlotFieldBarTip && index < top.counts.size())
            return static_cast<double>(top.counts[index]);
        return std::nullopt;
    }
    if (plot == "piePlot") {
        if (field != CPTPieChartFieldSliceWidth || !graph || !std::holds_alternative<TopFrequencies>(*graph))
            return std::nullopt;
        const auto& top = std::get<TopFrequencies>(*graph);
        return index < top.counts.size() ? std::optional<double>(static_cast<double>(top.counts[index]))
                                         : std::nullopt;
    }
    if (!results)
        return std::nullopt;
    const VariableDetailResult& r = *results;
    auto value = [](const std::optional<double>& v) { return v.value_or(NAN); };
    if (plot == "outliers") {
        if (field == CPTScatterPlotFieldX && r.outliers)
            return valueAt(*r.outliers, index);
        return field == CPTScatterPlotFieldY ? std::optional<double>(0.5) : std::nullopt;
    }
    if (plot == "qqplot") {
        if (field == CPTScatterPlotFieldX && r.qnorm)
            return valueAt(*r.qnorm, index);
        if (field == CPTScatterPlotFieldY && r.sorted)
            return valueAt(*r.sorted, index);
        return std::nullopt;
    }
    if (plot == "qqline") {
        if (!r.qqline || field > 1 || index > 1)
            return std::nullopt;
        return (*r.qqline)[field][index];
    }
    // The box plot's horizontal bars: one record each, standing at 0.
    struct Box {
        const char* id;
        std::optional<double> tip, base;
    };
    const Box boxes[] = {{"topBox", r.pc75, r.pc50},
                         {"bottomBox", r.pc50, r.pc25},
                         {"topWhisker", r.upper_fence, r.pc75},
                         {"bottomWhisker", r.pc25, r.lower_fence},
                         {"topWhiskerTip", r.upper_fence, r.upper_fence},
                         {"bottomWhiskerTip", r.lower_fence, r.lower_fence}};
    for (const Box& box : boxes) {
        if (plot != box.id)
            continue;
        if (field == CPTBarPlotFieldBarLocation)
            return 0.0;
        if (field == CPTBarPlotFieldBarTip)
            return value(box.tip);
        if (field == CPTBarPlotFieldBarBase)
            return value(box.base);
    }
    return std::nullopt;
}

gfx::Color VariableDetailViewController::barColor() {
    return {0.6, 0.6, 0.9, 1.0};
}

std::optional<gfx::Color> VariableDetailViewController::sliceColor(uint64_t index) {
    static const gfx::Color colors[] = {{0.9, 0.8, 0.8, 1}, {0.8, 0.9, 0.8, 1}, {0.8, 0.8, 0.9, 1}, {0.7, 0.6, 0.6, 1},
                                        {0.6, 0.7, 0.6, 1}, {0.6, 0.6, 0.7, 1}, {0.5, 0.4, 0.4, 1}, {0.4, 0.5, 0.4, 1},
                                        {0.4, 0.4, 0.5, 1}, {1.0, 1.0, 0.0, 1}};
    if (index >= std::size(colors))
        return std::nullopt;
    return colors[index];
}

// The charts' records, read from the page's last result in place.
class VariableDetailViewController::BarSource : public variableDetailCharts::BarRecords {
  public:
    using BarRecords::BarRecords;
};

class VariableDetailViewController::PieSource : public variableDetailCharts::PieRecords {
  public:
    using PieRecords::PieRecords;
};

// --- Life cycle

VariableDetailViewController::VariableDetailViewController()
    : barSource_(std::make_shared<BarSource>(&charts_)), pieSource_(std::make_shared<PieSource>(&charts_, 11.0)) {}

VariableDetailViewController::~VariableDetailViewController() = default;

int64_t VariableDetailViewController::type() const {
    return column_ ? column_->type().value_or(0) : 0;
}

std::vector<WhereClauseObj> VariableDetailViewController::whereClauses() const {
    std::vector<WhereClauseObj> clauses;
    if (wheres_)
        for (const auto& clause : *wheres_)
            if (clause)
                clauses.push_back(*clause);
    return clauses;
}

void VariableDetailViewController::loadView() {
    ui::ViewController::loadView();
    auto& root = view();
    const bool report = isForOutput();
    if (report)
        root.setFrame({0, 0, QVPDFWriter::kPageWidth, QVPDFWriter::kPageHeight});
    root.setBackgroundColor(ui::Color::white());
    const double body = report ? 10 : 15;

    labelName_ = makeLabel("labelName", report ? 16 : 20, true);
    labelName_->setNumberOfLines(2);
    labelName_->setLineBreakMode(gfx::LineBreakMode::TruncateTail);
    labelType_ = makeLabel("labelType", report ? 12 : 17);
    labelWhere_ = makeLabel("labelWhere", report ? 10 : 14);
    labelWhere_->setNumberOfLines(2);
    labelWhere_->setLineBreakMode(gfx::LineBreakMode::TruncateTail);
    labelWhereWithPrompt_ = makeLabel("labelWhereWithPrompt", report ? 10 : 14);
    labelWhereWithPrompt_->setNumberOfLines(2);
    labelWhereWithPrompt_->setLineBreakMode(gfx::LineBreakMode::TruncateTail);
    labelFreqTable_ = makeLabel("labelFreqTable", report ? 12 : 17, true);
    labelHistogram_ = makeLabel("labelHistogram", report ? 11 : 17, true);
    labelHistogram_->setLineBreakMode(gfx::LineBreakMode::TruncateTail);
    labelQQPlot_ = makeLabel("labelQQPlot", report ? 11 : 17, true);
    labelQQPlot_->setLineBreakMode(gfx::LineBreakMode::TruncateTail);
    labelValue_ = makeLabel("labelValue", tableFontSize(), true);
    labelObs_ = makeLabel("labelObs", tableFontSize(), true);
    labelPerc_ = makeLabel("labelPerc", tableFontSize(), true);
    labelCumPerc_ = makeLabel("labelCumPerc", tableFontSize(), true);
    for (auto* label : {labelObs_.get(), labelPerc_.get(), labelCumPerc_.get()})
        label->setTextAlignment(gfx::TextAlignment::Right);

    auto textView = [&](const char* id) {
        auto view = std::make_shared<ui::TextView>(Rect{0, 0, 10, 10});
        view->setIdentifier(id);
        view->setFont(gfx::Font::system(body - (report ? 1 : 2)));
        view->setEditable(false);
        view->setScrollEnabled(false);
        return view;
    };
    textViewLeft_ = textView("textViewLeft");
    textViewCenter_ = textView("textViewCenter");
    textViewRight_ = textView("textViewRight");

    buttonChangeType_ = std::make_shared<ui::Button>(Rect{0, 0, 10, 10});
    buttonChangeType_->setIdentifier("buttonChangeType");
    buttonChangeType_->addTarget(ui::TouchUpInside, [this](ui::Control& sender) { actionChangeType(sender); });
    buttonChangeType_->setHidden(report);
    buttonWhere_ = std::make_shared<ui::Button>(Rect{0, 0, 10, 10});
    buttonWhere_->setIdentifier("buttonWhere");
    buttonWhere_->titleLabel().setTextAlignment(gfx::TextAlignment::Left);
    buttonWhere_->addTarget(ui::TouchUpInside, [this](ui::Control&) { actionChangeFilter(); });
    buttonWhere_->setHidden(report);
    labelWhere_->setHidden(report);
    labelWhereWithPrompt_->setHidden(!report);

    tableTopValues_ = std::make_shared<ui::TableView>(Rect{0, 0, 10, 10}, ui::TableViewStyle::Plain);
    tableTopValues_->setIdentifier("tableTopValues");
    tableTopValues_->setScrollEnabled(false);
    tableTopValues_->setShowsVerticalScrollIndicator(false);

    auto host = [](const char* id) {
        auto view = std::make_shared<CPTGraphHostingView>(Rect{0, 0, 100, 100});
        view->setIdentifier(id);
        return view;
    };
    graphView_ = host("graphView");
    graphViewBox_ = host("graphViewBox");
    graphViewQQ_ = host("graphViewQQ");

    // On screen everything scrolls under the arrows; the report, whose writer leaves scroll views
    // out, holds the same views on its page directly.
    ui::View* parent = &root;
    if (!report) {
        scrollMain_ = ResultsScrollView::addTo(root, root.bounds(), "scrollMain", [this] { layoutResults(); });
        parent = scrollMain_.get();
    }
    for (const auto& label : {labelName_, labelType_, labelWhere_, labelWhereWithPrompt_, labelFreqTable_,
                              labelValue_, labelObs_, labelPerc_, labelCumPerc_, labelHistogram_, labelQQPlot_})
        parent->addSubview(label);
    for (const auto& text : {textViewLeft_, textViewCenter_, textViewRight_})
        parent->addSubview(text);
    parent->addSubview(buttonChangeType_);
    parent->addSubview(buttonWhere_);
    for (const auto& chart : {graphView_, graphViewBox_, graphViewQQ_})
        parent->addSubview(chart);
    parent->addSubview(tableTopValues_);

    // The arrows sit at the middle of either edge, over the scrolling page.
    const double h = root.bounds().height(), w = root.bounds().width();
    const unsigned middle = ui::FlexibleTopMargin | ui::FlexibleBottomMargin;
    labelLeft_ = makeLabel("labelLeft", 48);
    labelLeft_->setFrame({2, h / 2 - 30, 20, 60});
    labelLeft_->setAutoresizingMask(middle | ui::FlexibleRightMargin);
    labelRight_ = makeLabel("labelRight", 48);
    labelRight_->setFrame({w - 22, h / 2 - 30, 20, 60});
    labelRight_->setAutoresizingMask(middle | ui::FlexibleLeftMargin);
    labelLeft_->setText("‹");
    labelRight_->setText("›");
    for (auto* arrow : {labelLeft_.get(), labelRight_.get()}) {
        arrow->setTextAlignment(gfx::TextAlignment::Center);
        arrow->setTextColor(ui::Color::gray(0.5));
        arrow->setHidden(report);
    }
    root.addSubview(labelLeft_);
    root.addSubview(labelRight_);
    layoutResults();
}

// Frames for the width the page has: on a wide page the three statistics columns side by side and the
// two charts next to each other; on a narrow one everything in one column. The report page puts the
// table on the left and the charts on the right, under the statistics.
void VariableDetailViewController::layoutResults() {
    const bool report = isForOutput();
    const double w = report ? view().bounds().width() : scrollMain_->bounds().width();
    const double margin = report ? 36 : kMargin + 4;
    const double cw = std::max(0.0, w - 2 * margin);
    const bool narrow = !report && cw < 600;
    double y = report ? 30 : 8;
    auto place = [&](ui::View& view, double x, double width, double height) { view.setFrame({x, y, width, height}); };

    place(*labelName_, margin, cw, report ? 20 : 52);
    y += report ? 22 : 54;
    const double typeButton = narrow ? 110 : 130;
    place(*labelType_, margin, cw - typeButton - 8, report ? 16 : 24);
    place(*buttonChangeType_, margin + cw - typeButton, typeButton, 28);
    y += report ? 18 : 32;
    place(*labelWhereWithPrompt_, margin, cw, report ? 28 : 36);
    place(*buttonWhere_, margin - 8, 72, 30);
    place(*labelWhere_, margin + 66, std::max(0.0, cw - 66), 36);
    y += report ? 30 : 42;

    const double line = report ? 12 : 17;
    if (narrow) {
        for (auto* text : {textViewLeft_.get(), textViewCenter_.get(), textViewRight_.get()}) {
            place(*text, margin, cw, 9 * line + 12);
            y += 9 * line + 16;
        }
    } else {
        const double gap = report ? 6 : 12, third = std::floor((cw - 2 * gap) / 3);
        for (size_t i = 0; i < 3; ++i) {
            ui::TextView* text = i == 0 ? textViewLeft_.get() : i == 1 ? textViewCenter_.get() : textViewRight_.get();
            place(*text, margin + double(i) * (third + gap), third, (report ? 10 : 9) * line + 12);
        }
        y += (report ? 10 : 9) * line + 20;
    }

    // The frequency table: its heading, the column titles at the cells' places, and its rows.
    const double tableWidth = cellRectCum().maxX();
    const double rowHeight = report ? 15 : 20;
    const double rows = report ? 20 : std::max<double>(1, double(frequencies_.levels.size()));
    const double tableTop = y;
    auto tableAt = [&](double x) {
        place(*labelFreqTable_, x, std::min(cw, tableWidth + 60), report ? 16 : 24);
        y += report ? 18 : 28;
        const std::pair<ui::Label*, Rect> titles[] = {{labelValue_.get(), cellRectValue()},
                                                      {labelObs_.get(), cellRectObs()},
                                                      {labelPerc_.get(), cellRectPerc()},
                                                      {labelCumPerc_.get(), cellRectCum()}};
        for (const auto& [label, cell] : titles)
            label->setFrame({x + cell.origin.x, y, cell.width(), cell.height()});
        y += cellRectValue().height();
        tableTopValues_->setFrame({x, y, tableWidth, rows * rowHeight});
        y += rows * rowHeight + 16;
    };

    // Beside the table the charts stand one above the other; on a narrow page they follow the table.
    const double chartLeft = narrow ? margin : margin + tableWidth + 24;
    const double chartWidth = narrow ? cw : std::min(600.0, std::max(0.0, cw - tableWidth - 24));
    const double chartHeight = report ? 170 : std::clamp(std::round(chartWidth * 0.55), 200.0, 330.0);
    const double boxHeight = report ? 40 : 60;
    const double heading = report ? 16 : 26;
    tableAt(margin);
    const double tableBottom = y;
    if (!narrow)
        y = tableTop;
    place(*labelHistogram_, chartLeft, chartWidth, heading);
    y += heading + 2;
    place(*graphView_, chartLeft, chartWidth, chartHeight);
    y += chartHeight;
    place(*graphViewBox_, chartLeft, chartWidth, boxHeight);
    y += boxHeight + 12;
    place(*labelQQPlot_, chartLeft, chartWidth, heading);
    y += heading + 2;
    place(*graphViewQQ_, chartLeft, chartWidth, chartHeight);
    y += chartHeight + 12;
    if (scrollMain_)
        scrollMain_->setContentSize({w, std::max(y, tableBottom) + 20});
}

void VariableDetailViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    setTitle(tr("Variable Detail Page"));
    tableTopValues_->setDataSource(this);
    tableTopValues_->setTableDelegate(this);
    tableTopValues_->setAllowsSelection(false);
    tableTopValues_->registerCellFactory("Levels", [this](const std::string& id) {
        auto cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, id);
        const std::pair<int, Rect> places[] = {
            {kTagValue, cellRectValue()}, {kTagObs, cellRectObs()}, {kTagPerc, cellRectPerc()}, {kTagCum, cellRectCum()}};
        for (const auto& [tag, rect] : places) {
            auto label = std::make_shared<ui::Label>(rect);
            label->setTag(tag);
            label->setBackgroundColor(gfx::Color::clear());
            label->setFont(gfx::Font::system(tableFontSize()));
            label->layer().setBorderColor(gfx::Color::gray(0.5));
            label->layer().setBorderWidth(1);
            label->setTextAlignment(tag == kTagValue ? gfx::TextAlignment::Left : gfx::TextAlignment::Right);
            label->setLineBreakMode(gfx::LineBreakMode::TruncateTail);
            cell->contentView().addSubview(label);
        }
        return cell;
    });
    buttonChangeType_->setTitle(tr("Change Type"));
    labelValue_->setText(tr("Value"));
    labelObs_->setText(tr("Observations"));
    labelPerc_->setText(tr("%"));
    labelCumPerc_->setText(tr("cum. %"));
    // The column titles in the table's type, smaller where a title would not fit its cell.
    for (auto* label : {labelValue_.get(), labelObs_.get(), labelPerc_.get(), labelCumPerc_.get()}) {
        label->layer().setBorderColor(kDarkGray);
        label->layer().setBorderWidth(0.5);
        double size = tableFontSize();
        gfx::TextStyle style;
        style.font = gfx::Font::boldSystem(size);
        while (size > 6 && gfx::measureText(label->text(), style).width > label->bounds().width() - 3) {
            size -= 0.5;
            style.font = gfx::Font::boldSystem(size);
        }
        label->setFont(style.font);
    }
    labelFreqTable_->setText(tr("Most Frequent Values"));
    buttonWhere_->setTitle(tr("Filters:"));
    buildGraphs();
    digits_ = 7;
    if (!wheres_)
        wheres_ = std::make_shared<WhereClauseSet>();

    shareItem_ = std::make_shared<ui::BarButtonItem>(ui::BarButtonItem::SystemItem::Action,
                                                     [this](ui::BarButtonItem& item) { share(item); });
    glossaryItem_ = std::make_shared<ui::BarButtonItem>(ui::BarButtonItem::SystemItem::Bookmarks,
                                                        [this](ui::BarButtonItem& item) { glossary(item); });
    registerSegue("where", [] {
        auto editor = std::make_shared<WheresViewController>(ui::TableViewStyle::Plain);
        auto nav = std::make_shared<FilterNavigationController>(editor);
        nav->setModalPresentationStyle(ui::ModalPresentationStyle::Popover);
        return nav;
    });
}

void VariableDetailViewController::buildGraphs() {
    const bool report = isForOutput();
    pieSource_->setLabelSize(report ? 8 : 11);
    graph_ = variableDetailCharts::makeGraph(graphView_->bounds().size, 30, variableDetailCharts::kLeftPadding, 8, report);
    graphQQ_ = variableDetailCharts::makeGraph(graphViewQQ_->bounds().size, 50, variableDetailCharts::kLeftPadding, 8, report);
    graphBox_ = variableDetailCharts::makeGraph(graphViewBox_->bounds().size, 0, variableDetailCharts::kLeftPadding, 0, report);
    graphView_->setHostedGraph(graph_);
    graphViewQQ_->setHostedGraph(graphQQ_);
    graphViewBox_->setHostedGraph(graphBox_);
}

void VariableDetailViewController::setBarItemsEnabled(bool enabled) {
    if (buttonChangeType_)
        buttonChangeType_->setEnabled(enabled);
    if (shareItem_)
        shareItem_->setEnabled(enabled);
}

void VariableDetailViewController::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    view();
    // The pager holds the page, so the bar shows the pager's item: it carries the page's items.
    if (auto* nav = navigationController(); nav && nav->topViewController()) {
        auto& item = nav->topViewController()->navigationItem();
        item.rightBarButtonItems = {shareItem_, glossaryItem_};
        if (nav->topViewController() != this)
            item.title = title();
        nav->updateBar();
    }
    column_ = nullptr;
    if (model_ && model_->managedObjectContext() && objectIDColumn_)
        column_ = model_->managedObjectContext()->existingObject<Column>(objectIDColumn_);
    if (!column_) {
        columnGone();
        return;
    }
    gone_ = false;
    if (!columnRemoved_.isActive())
        columnRemoved_ = foundation::NotificationCenter::defaultCenter().observe(
            Model::ColumnRemovedNotification, nullptr, [this](const foundation::Notification&) {
                // A run begun before the removal may have read the column; the page asks again.
                runner_.invalidate();
                if (isViewLoaded() && view().window())
                    viewWillAppear(false);
            });
    displayInitial();
    startRun();
}

void VariableDetailViewController::viewWillDisappear(bool animated) {
    ui::ViewController::viewWillDisappear(animated);
    if (auto sheet = std::move(printSheet_)) {
        ui::ViewController* container = sheet.get();
        while (container->parentViewController())
            container = container->parentViewController();
        if (ui::ViewController* presenter = container->presentingViewController())
            presenter->dismissViewController(animated);
    }
}

void VariableDetailViewController::startRun() {
    if (!model_ || !column_)
        return;
    setBarItemsEnabled(false);
    const store::ObjectId id = objectIDColumn_;
    // The filters as they stand now: the editor may change the set while the worker reads.
    const std::vector<WhereClauseObj> clauses = whereClauses();
    std::weak_ptr<ui::ViewController> weak = weak_from_this();
    auto page = [weak] { return std::dynamic_pointer_cast<VariableDetailViewController>(weak.lock()); };
    runner_.begin(*model_, [id, clauses, page](AnalysisRunner::Run& run) {
        auto column = run.model().managedObjectContext()->existingObject<Column>(id);
        if (!column) {
            run.onMain([&] {
                if (auto self = page())
                    self->columnGone();
            });
            return;
        }
        const auto rows = run.model().rowsWhere(clauses);
        VariableDetailResult result = run.model().varDetailForColumn(*column, rows);
        run.onMain([&] {
            if (auto self = page())
                self->runEnded(std::move(result));
        });
    });
}

void VariableDetailViewController::runEnded(VariableDetailResult&& result) {
    frequencies_ = result.top.value_or(TopFrequencies{});
    charts_.type = type();
    charts_.graph = result.graph;
    charts_.results = std::move(result);
    displayFinal();
}

void VariableDetailViewController::hideResults(bool hide) {
    for (ui::View* v : std::initializer_list<ui::View*>{
             labelType_.get(), textViewLeft_.get(), textViewCenter_.get(), textViewRight_.get(),
             labelFreqTable_.get(), labelValue_.get(), labelObs_.get(), labelPerc_.get(), labelCumPerc_.get(),
             tableTopValues_.get(), labelHistogram_.get(), labelQQPlot_.get(), graphView_.get(),
             graphViewQQ_.get(), graphViewBox_.get(), labelWhere_.get(), buttonWhere_.get(),
             buttonChangeType_.get()})
        v->setHidden(hide);
}

void VariableDetailViewController::columnGone() {
    runner_.invalidate();
    gone_ = true;
    column_ = nullptr;
    charts_ = {};
    frequencies_ = {};
    if (!isViewLoaded())
        return;
    hideResults(true);
    labelName_->setText(tr("This variable was deleted."));
    setBarItemsEnabled(false);
    tableTopValues_->reloadData();
}

// --- Displays

void VariableDetailViewController::displayInitial() {
    if (!column_)
        return;
    const bool report = isForOutput();
    for (ui::View* v : std::initializer_list<ui::View*>{
             labelType_.get(), textViewLeft_.get(), labelFreqTable_.get(), labelValue_.get(), labelObs_.get(),
             labelPerc_.get(), labelCumPerc_.get(), tableTopValues_.get(), labelHistogram_.get(),
             labelQQPlot_.get(), graphView_.get(), graphViewQQ_.get()})
        v->setHidden(false);
    buttonChangeType_->setHidden(report);
    buttonWhere_->setHidden(report);
    labelWhere_->setHidden(report);
    const Column& c = *column_;
    const int64_t t = type();
    labelName_->setText(formatText(tr("Variable: %@"), {c.name()}));

    variableDetailCharts::removePlots(*graph_, *graphQQ_, *graphBox_);
    texts_ = {};

    const bool numericLike = t == kNumeric || t == kDate;
    if (numericLike) {
        labelHistogram_->setText(formatText(tr("Histogram and Box Plot of %@"), {c.name()}));
        labelQQPlot_->setText(tr("QQ Plot"));
        graphQQ_->plotAreaFrame()->setPaddingBottom(50);
        graphQQ_->plotAreaFrame()->setPaddingLeft(variableDetailCharts::kLeftPadding);
    } else {
        labelHistogram_->setText(formatText(tr("Bar Plot of %@"), {c.name()}));
        labelQQPlot_->setText(formatText(tr("Pie Chart of %@"), {c.name()}));
        graphQQ_->plotAreaFrame()->setPaddingBottom(0);
        graphQQ_->plotAreaFrame()->setPaddingLeft(0);
    }
    graphViewBox_->setHidden(!numericLike);
    textViewCenter_->setHidden(!numericLike);
    textViewRight_->setHidden(!numericLike);

    if (auto text = variableTypeText(t)) {
        labelType_->setText(*text);
        if (t <= 2) {
            texts_.obs = formatText(tr("Observations: %@"), {countText(c.obs().value_or(0))});
            texts_.levels = formatText(tr("Unique Values: %@"), {countText(c.levels().value_or(0))});
        } else if (t == kNumeric) {
            texts_.obs = formatText(tr("Observations: %@"), {countText(c.obsNumeric().value_or(0))});
            texts_.levels = formatText(tr("Unique Values: %@"), {countText(c.levels().value_or(0))});
            // The cache keeps the extremes as the cells' own decimal digits, not in the workspace's
            // notation.
            if (auto v = cellreading::storedNumber(c.min()))
                texts_.min = formatText(tr("Minimum: %@"), {Model::stringFromNumber(*v, unsigned(digits_))});
            if (auto v = cellreading::storedNumber(c.max()))
                texts_.max = formatText(tr("Maximum: %@"), {Model::stringFromNumber(*v, unsigned(digits_))});
        } else {
            texts_.obs = formatText(tr("Observations: %@"), {countText(c.obsDate().value_or(0))});
            texts_.levels = formatText(tr("Unique Values: %@"), {countText(c.levelsDate().value_or(0))});
            if (auto v = c.minDate())
                texts_.min = formatText(tr("Minimum: %@"), {Model::stringFromNumberOfType(*v, kDate)});
            if (auto v = c.maxDate())
                texts_.max = formatText(tr("Maximum: %@"), {Model::stringFromNumberOfType(*v, kDate)});
        }
        const std::string empty;
        textViewLeft_->setText(joinLines({&texts_.obs, &texts_.levels, &empty, &texts_.mean, &texts_.med,
                                          &texts_.rms, &empty, &texts_.var, &texts_.std, &texts_.mad,
                                          &texts_.range, &texts_.coeffVar},
                                         false));
        textViewCenter_->setText(joinLines(
            {&texts_.min, &texts_.pc25, &texts_.med, &texts_.pc75, &texts_.max, &empty, &texts_.sum}, false));
        textViewRight_->setText(joinLines({&texts_.ciMean, &texts_.ciStd, &texts_.ciVar}, false));
    }
    setBarItemsEnabled(false);
    const std::string where = model_ ? model_->stringForWhereSet(whereClauses()) : std::string();
    const std::string filters = where.empty() ? tr("No filters") : where;
    labelWhere_->setText(filters);
    labelWhereWithPrompt_->setText(formatText(tr("Filters: %@"), {filters}));
    labelLeft_->setHidden(hideLeftArrow_ || report);
    labelRight_->setHidden(hideRightArrow_ || report);
    layoutResults();
}

void VariableDetailViewController::displayFinal() {
    if (!column_ || !charts_.results)
        return;
    const VariableDetailResult& r = *charts_.results;
    const int64_t t = type();
    auto value = [](const std::optional<double>& v) { return v.value_or(NAN); };
    auto bound = [](const std::optional<std::array<double, 2>>& ci, size_t i) { return ci ? (*ci)[i] : NAN; };
    auto line = [](const char* format, const std::string& text) { return formatText(tr(format), {text}); };
    auto interval = [](const char* format, const std::string& low, const std::string& high) {
        return formatText(tr(format), {low, high});
    };
    const unsigned digits = unsigned(digits_);
    texts_ = {};
    // A number or date column whose cells held no number or date is summarised by its texts.
    const bool summarised = r.sorted.has_value();
    if (t == kDate && summarised) {
        const double range = value(r.range);
        auto date = [&](const std::optional<double>& v) {
            return Model::stringFromNumberOfTypeTimeScale(value(v), kDate, range);
        };
        texts_.mean = line("Mean: %@", date(r.mean));
        texts_.rms = line("Root Mean Square: %@", date(r.rms));
        texts_.midRange = line("Mid-Range: %@", date(r.midrange));
        texts_.ciMean = interval("95%% CI of Mean: [%@,%@]", date(bound(r.ciMean, 0)), date(bound(r.ciMean, 1)));
        texts_.mode = line("Mode: %@", date(r.mode));
        texts_.skew = line("Skew: %@", Model::stringFromNumber(value(r.skew), digits));
        texts_.kurtosis = line("Excess Kurtosis: %@", Model::stringFromNumber(value(r.kurtosis), digits));
        texts_.obs = line("Observations: %@", countText(r.obsDate.value_or(0)));
        texts_.levels = line("Unique Values: %@", countText(r.levels.value_or(0)));
        const bool shortTime = Model::dateTimeStylesForInterval(range).timeStyle == 1;
        auto fiveNumber = [&](const std::optional<double>& v) {
            if (shortTime)
                return foundation::display::date(value(v), foundation::DateFormatter::Style::Short,
                                                 foundation::DateFormatter::Style::Short);
            return date(v);
        };
        texts_.pc25 = line("1st Quartile: %@", fiveNumber(r.pc25));
        texts_.med = line("Median: %@", fiveNumber(r.pc50));
        texts_.pc75 = line("3rd Quartile: %@", fiveNumber(r.pc75));
        texts_.min = line("Minimum: %@", fiveNumber(r.min));
        texts_.max = line("Maximum: %@", fiveNumber(r.max));
    } else if (t == kNumeric && summarised) {
        auto number = [&](const std::optional<double>& v) { return Model::stringFromNumber(value(v), digits); };
        auto numberAt = [&](double v) { return Model::stringFromNumber(v, digits); };
        texts_.pc25 = line("1st Quartile: %@", number(r.pc25));
        texts_.med = line("Median: %@", number(r.pc50));
        texts_.pc75 = line("3rd Quartile: %@", number(r.pc75));
        texts_.mean = line("Mean: %@", number(r.mean));
        texts_.std = line("Standard Deviation: %@", number(r.sd));
        texts_.ciMean =
            interval("95%% CI of Mean: [%@,%@]", numberAt(bound(r.ciMean, 0)), numberAt(bound(r.ciMean, 1)));
        texts_.ciStd =
            interval("95%% CI of Std Dev: [%@,%@]", numberAt(bound(r.ciStd, 0)), numberAt(bound(r.ciStd, 1)));
        texts_.ciVar = interval("95%% CI of Variance: [%@,%@]", numberAt(bound(r.ciVariance, 0)),
                                numberAt(bound(r.ciVariance, 1)));
        texts_.coeffVar = line("Coeff. Variation: %@", number(r.coeffVar));
        texts_.mad = line("Mean Abs Dev: %@", number(r.meanAbsDev));
        texts_.rms = line("Root Mean Square: %@", number(r.rms));
        texts_.range = line("Range: %@", number(r.range));
        texts_.midRange = line("Mid-Range: %@", number(r.midrange));
        texts_.sum = line("Sum: %@", number(r.sum));
        texts_.var = line("Variance: %@", number(r.variance));
        texts_.mode = line("Mode: %@", number(r.mode));
        texts_.skew = line("Skew: %@", number(r.skew));
        texts_.kurtosis = line("Excess Kurtosis: %@", number(r.kurtosis));
        texts_.min = line("Minimum: %@", number(r.min));
        texts_.max = line("Maximum: %@", number(r.max));
        texts_.obs = line("Observations: %@", countText(r.obsNumeric.value_or(0)));
        texts_.levels = line("Unique Values: %@", countText(r.levels.value_or(0)));
    } else {
        texts_.obs = line("Observations: %@", countText(r.obs.value_or(0)));
        texts_.levels = line("Unique Values: %@", countText(r.levels.value_or(0)));
    }
    const std::string empty;
    textViewLeft_->setText(joinLines({&texts_.obs, &texts_.levels, &texts_.mean, &texts_.ciMean, &texts_.med,
                                      &texts_.rms, &texts_.mode, &texts_.sum},
                                     true));
    std::string center =
        joinLines({&texts_.min, &texts_.pc25, &texts_.med, &texts_.pc75, &texts_.max}, true) + "\n\n" +
        joinLines({&texts_.range, &texts_.midRange}, true);
    textViewCenter_->setText(center);
    textViewRight_->setText(joinLines({&texts_.var, &texts_.ciVar, &texts_.std, &texts_.ciStd, &texts_.mad,
                                       &texts_.coeffVar, &texts_.skew, &texts_.kurtosis},
                                      true));
    const bool numericLike = chartData().numericLike();
    graphViewBox_->setHidden(!numericLike);
    textViewCenter_->setHidden(!numericLike);
    textViewRight_->setHidden(!numericLike);

    layoutResults();
    tableTopValues_->reloadData();

    // The charts.
    variableDetailCharts::drawMain(*graph_, barSource_);
    if (numericLike) {
        variableDetailCharts::drawHistogramAndQQ(*graph_, *graphQQ_, charts_, barSource_,
                                                 column_ ? column_->name() : std::string(), isForOutput());
        variableDetailCharts::drawBox(*graphBox_, *graph_, barSource_, isForOutput());
    } else {
        variableDetailCharts::drawBarsAndPie(*graph_, *graphQQ_, charts_, pieSource_, pieRadius());
    }
    setBarItemsEnabled(true);
}

// --- Tables

int VariableDetailViewController::numberOfRowsInSection(ui::TableView& tableView, int) {
    if (tableView.tag() == kTagTypes)
        return column_ ? int(Model::variableTypesForColumn(*column_).size()) : 0;
    return int(frequencies_.levels.size());
}

double VariableDetailViewController::heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath) {
    return tableView.tag() == kTagTypes ? 50.0 : 20.0;
}

std::shared_ptr<ui::TableViewCell> VariableDetailViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                       ui::IndexPath indexPath) {
    const auto row = size_t(indexPath.row);
    if (tableView.tag() == kTagTypes) {
        auto cell = tableView.dequeueReusableCellWithIdentifier("Types", indexPath);
        const auto types = column_ ? Model::variableTypesForColumn(*column_) : std::vector<int64_t>{};
        std::string text;
        if (row < types.size()) {
            switch (types[row]) {
            case 1: text = tr("Categorical"); break;
            case 2: text = tr("Binary"); break;
            case 3: text = tr("Numeric"); break;
            case 4: text = tr("Date / Time"); break;
            default: break;
            }
        }
        cell->textLabel().setText(text);
        return cell;
    }
    auto cell = tableView.dequeueReusableCellWithIdentifier("Levels", indexPath);
    if (row >= frequencies_.levels.size())
        return cell;
    auto& content = cell->contentView();
    const int64_t count = row < frequencies_.counts.size() ? frequencies_.counts[row] : 0;
    // The share of the rows the page counts, the denominator of the cumulative column too.
    const int64_t obs = charts_.results ? charts_.results->obs.value_or(0) : 0;
    const std::pair<int, std::string> texts[] = {
        {kTagValue, frequencies_.levels[row]},
        {kTagObs, formatText("%@ ", {std::to_string(count)})},
        {kTagPerc, obs > 0 ? percentText(double(count) / double(obs)) : std::string()},
        {kTagCum, row < frequencies_.shares.size() ? percentText(frequencies_.shares[row]) : std::string()}};
    for (const auto& [tag, text] : texts) {
        if (auto* label = dynamic_cast<ui::Label*>(content.viewWithTag(tag))) {
            content.bringSubviewToFront(label);
            label->setText(text);
        }
    }
    return cell;
}

void VariableDetailViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
    if (tableView.tag() != kTagTypes || !column_ || !model_)
        return;
    const auto types = Model::variableTypesForColumn(*column_);
    if (size_t(indexPath.row) >= types.size())
        return;
    model_->changeColumn(*column_, types[size_t(indexPath.row)]);
    dismissViewController(true);
    viewWillAppear(true);
}

// --- Actions

void VariableDetailViewController::actionChangeType(ui::View& sender) {
    if (!column_)
        return;
    auto chooser = std::make_shared<ui::TableViewController>(ui::TableViewStyle::Plain);
    auto& table = chooser->tableView();
    table.setTag(kTagTypes);
    table.setDataSource(this);
    table.setTableDelegate(this);
    table.reloadData();
    chooser->setPreferredContentSize({200, 100});
    auto nav = std::make_shared<ui::NavigationController>(chooser);
    nav->setModalPresentationStyle(ui::ModalPresentationStyle::Popover);
    nav->setPreferredContentSize({200, 100 + ui::NavigationController::BarHeight});
    nav->popoverPresentationController().sourceView = &sender;
    presentViewController(nav, true);
}

void VariableDetailViewController::actionChangeFilter() {
    performSegueWithIdentifier("where");
}

void VariableDetailViewController::prepareForSegue(const std::string& identifier, ui::ViewController& destination) {
    if (identifier != "where")
        return;
    auto* nav = dynamic_cast<FilterNavigationController*>(&destination);
    if (!nav)
        return;
    nav->popoverPresentationController().sourceView = buttonWhere_.get();
    std::weak_ptr<ui::ViewController> weak = weak_from_this();
    nav->onClosed = [weak] {
        if (auto self = weak.lock())
            self->viewWillAppear(false);
    };
    if (auto* editor = dynamic_cast<WheresViewController*>(nav->viewControllers().back().get())) {
        editor->setSetWheres(wheres_);
        editor->setModel(model_);
        editor->view();
        ui::Size size = editor->preferredContentSize();
        nav->setPreferredContentSize({size.width, size.height + ui::NavigationController::BarHeight});
    }
}

const std::vector<std::string>& VariableDetailViewController::glossaryTerms() {
    static const std::vector<std::string> terms{
        "observations", "levels",   "mean",     "meanCI",   "median",     "rms",  "mode",     "sum",
        "minimum",      "pc25",     "pc75",     "maximum",  "range",      "midrange", "variance", "varianceCI",
        "sd",           "sdCI",     "mad",      "coeffvar", "skew",       "kurtosis", "qqplot"};
    return terms;
}

void VariableDetailViewController::glossary(ui::BarButtonItem& sender) {
    GlossaryViewController::presentFromBarButtonItem(*this, sender, glossaryTerms());
}

void VariableDetailViewController::share(ui::BarButtonItem& sender) {
    auto sheet = std::make_shared<ui::AlertController>(tr("Share"), "", ui::AlertControllerStyle::ActionSheet);
    std::weak_ptr<ui::ViewController> weak = weak_from_this();
    auto self = [weak] { return std::dynamic_pointer_cast<VariableDetailViewController>(weak.lock()); };
    sheet->addAction({tr("Cancel"), ui::AlertActionStyle::Cancel, [](const ui::AlertAction& action) {
                          foundation::log(formatText("Cancel: %@", {action.title}));
                      }});
    sheet->addAction({tr("Email"), ui::AlertActionStyle::Default, [self](const ui::AlertAction&) {
                          if (auto page = self())
                              page->mailOutput();
                      }});
    sheet->addAction({tr("Print"), ui::AlertActionStyle::Default, [self](const ui::AlertAction&) {
                          if (auto page = self())
                              page->printOutput();
                      }});
    sheet->setModalPresentationStyle(ui::ModalPresentationStyle::Popover);
    sheet->popoverPresentationController().barButtonItem = &sender;
    presentViewController(sheet, true);
}

std::string VariableDetailViewController::fileNameOutput() const {
    return formatText(tr("Summary of %@"), {column_ ? column_->name() : std::string()});
}

void VariableDetailViewController::mailOutput() {
    auto failed = [this] {
        foundation::log("Export failed: the report could not be written");
        auto alert = std::make_shared<ui::AlertController>(tr("Export Failed"), tr("The report could not be written."),
                                                           ui::AlertControllerStyle::Alert);
        alert->addAction({tr("OK"), ui::AlertActionStyle::Default, {}});
        presentViewController(alert, true);
    };
    const std::string folder = ui::Environment::shared().temporaryFolder;
    auto pdf = dataForExport();
    auto csv = pdf ? dataForCSVExport() : std::nullopt;
    if (!pdf || !csv || folder.empty()) {
        failed();
        return;
    }
    // The mail service names attachments after their files: copies named after the summary, in a
    // folder of their own so that two summaries of one name never meet.
    std::string pattern = (fs::path(folder) / "mail-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        failed();
        return;
    }
    const std::string base = AnalysisDetailViewController::safeFileName(fileNameOutput());
    host::MailMessage message;
    message.subject = fileNameOutput();
    for (const auto& [bytes, ending] : {std::pair{&*pdf, ".pdf"}, std::pair{&*csv, ".csv"}}) {
        const std::string file = (fs::path(pattern) / (base + ending)).string();
        std::ofstream out(file, std::ios::binary);
        out << *bytes;
        out.close();
        if (!out) {
            failed();
            return;
        }
        message.attachments.push_back(file);
    }
    host::MailService& mail = mail_ ? *mail_ : MainStoryboard::Services::standard().mail;
    presentMailResult(*this, mail.send(message));
}

void VariableDetailViewController::printOutput() {
    host::PrintService& service = print_ ? *print_ : standardPrintService();
    std::weak_ptr<ui::ViewController> weak = weak_from_this();
    auto sheet = std::make_shared<host::PrintSheetViewController>(
        service.printers(), service.defaultPrinter(), [weak, &service](const std::string& printer, int copies) {
            auto self = std::dynamic_pointer_cast<VariableDetailViewController>(weak.lock());
            if (!self)
                return;
            self->printSheet_.reset();
            auto output = self->makeOutputController();
            host::PrintJob job;
            job.options.printerName = printer;
            job.options.documentName = "Ovrida";
            job.options.copies = copies;
            job.pageBox = {0, 0, QVPDFWriter::kPageWidth, QVPDFWriter::kPageHeight};
            const gfx::Size page = job.pageBox.size;
            job.draw = [output, page](gfx::Context& context) {
                gfx::Size paper = context.deviceBounds().size;
                if (!(paper.width > 0 && paper.height > 0))
                    paper = page;
                QVPDFWriter writer;
                writer.drawPages(output->view(), context, paper);
            };
            if (!service.print(job))
                foundation::log("Error printing");
        });
    auto nav = std::make_shared<ui::NavigationController>(sheet);
    if (traitCollection().idiom == ui::UserInterfaceIdiom::Pad) {
        nav->setModalPresentationStyle(ui::ModalPresentationStyle::Popover);
        ui::Size size = sheet->preferredContentSize();
        nav->setPreferredContentSize({size.width, size.height + ui::NavigationController::BarHeight});
        nav->popoverPresentationController().barButtonItem = shareItem_.get();
    }
    printSheet_ = sheet;
    presentViewController(nav, true);
}

// --- Exports

void VariableDetailViewController::passResultsTo(VariableDetailViewController& output) const {
    output.model_ = model_;
    output.column_ = column_;
    output.objectIDColumn_ = objectIDColumn_;
    output.charts_ = charts_;
    output.frequencies_ = frequencies_;
    output.wheres_ = wheres_;
}

std::shared_ptr<VariableDetailViewController> VariableDetailViewController::makeOutputController() const {
    auto output = std::make_shared<VariableDetailViewController_PDF>();
    passResultsTo(*output);
    output->view();
    output->displayInitial();
    output->displayFinal();
    return output;
}

bool VariableDetailViewController::writePDFOutputAtPath(const std::string& path) {
    return reportfiles::writeFresh(path, [this](const std::string& fresh) {
        auto output = makeOutputController();
        QVPDFWriter writer;
        return writer.pdfOfView(output->view(), fresh);
    });
}

bool VariableDetailViewController::writeCSVOutputAtPath(const std::string& path) {
    return reportfiles::writeCSV(path, [this](CHCSVWriter& writer) { writeCSVLines(writer); });
}

std::optional<std::string> VariableDetailViewController::dataForExport() {
    return reportfiles::exportData("export.pdf", "Rendering PDF to: %@",
                                   [this](const std::string& path) { return writePDFOutputAtPath(path); });
}

std::optional<std::string> VariableDetailViewController::dataForCSVExport() {
    return reportfiles::exportData("results.csv", "Writing CSV to: %@",
                                   [this](const std::string& path) { return writeCSVOutputAtPath(path); });
}

void VariableDetailViewController::writeCSVLines(CHCSVWriter& writer) {
    using Field = CHCSVWriter::Field;
    const int64_t t = type();
    writer.writeLineOfFields({Field(tr("Variable")), Field(column_ ? column_->name() : std::string())});
    writer.writeLineOfFields({Field(tr("Filters:")),
                              Field(model_ ? model_->stringForWhereSet(whereClauses()) : std::string())});
    writer.finishLine();
    static const char* const kTypes[] = {"Categorical", "Binary", "Numeric", "Date / Time"};
    writer.writeLineOfFields({Field(tr("Type")), Field(t >= 1 && t <= 4 ? tr(kTypes[t - 1]) : tr("Unknown"))});
    const VariableDetailResult empty;
    const VariableDetailResult& r = charts_.results ? *charts_.results : empty;
    writer.writeLineOfFields({Field(tr("Observations")), Field(r.obs.value_or(0))});
    writer.writeLineOfFields({Field(tr("Unique Values")), Field(r.levels.value_or(0))});
    auto value = [](const std::optional<double>& v) { return v.value_or(NAN); };
    if (t == kDate && r.sorted) {
        const std::pair<const char*, std::optional<double>> lines[] = {
            {"Mean", r.mean},  {"Minimum", r.min},      {"1st Quartile", r.pc25},
            {"Median", r.pc50}, {"3rd Quartile", r.pc75}, {"Maximum", r.max}};
        // With the time of day always: the date alone would write one text for values minutes apart.
        for (const auto& [name, v] : lines)
            writer.writeLineOfFields({Field(tr(name)), Field(foundation::display::date(
                                                           value(v), foundation::DateFormatter::Style::Short,
                                                           foundation::DateFormatter::Style::Short))});
    } else if (t == kNumeric && r.sorted) {
        const std::pair<const char*, std::optional<double>> lines[] = {
            {"Mean", r.mean},         {"Standard Deviation", r.sd}, {"Minimum", r.min}, {"1st Quartile", r.pc25},
            {"Median", r.pc50},       {"3rd Quartile", r.pc75},     {"Maximum", r.max}};
        for (const auto& [name, v] : lines)
            writer.writeLineOfFields({Field(tr(name)), Field(value(v))});
    } else if (t == 2 && r.mean) {
        writer.writeLineOfFields({Field(tr("Mean")), Field(value(r.mean))});
        writer.writeLineOfFields({Field(tr("Standard Deviation")), Field(value(r.sd))});
    }
    writer.finishLine();
    writer.writeLineOfFields({Field(tr("Value")), Field(tr("Observations")), Field(tr("%")), Field(tr("cum. %"))});
    const int64_t obs = r.obs.value_or(0);
    for (size_t i = 0; i < frequencies_.levels.size(); ++i) {
        const int64_t count = i < frequencies_.counts.size() ? frequencies_.counts[i] : 0;
        writer.writeLineOfFields({Field(frequencies_.levels[i]), Field(count),
                                  obs > 0 ? Field(double(count) / double(obs)) : Field(),
                                  Field(valueAt(frequencies_.shares, i))});
    }
}
