// The regression screen's layout, validation, run, texts, coefficient table, charts and exports.
#include "analysis/RegressionViewController.h"

#include "analysis/AnalysisKinds.h"
#include "analysis/ResultsScrollView.h"
#include "app/TextFormat.h"
#include "plot/axes_plots/CPTXYAxisSet.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTPlotSymbol.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "platform/foundation/Tr.h"
#include "platform/graphics/Text.h"
#include "platform/ui/TableViewController.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <span>

using foundation::tr;
using foundation::Value;
using ui::Rect;
using namespace fitparts;

namespace {

constexpr int64_t kBinaryType = 2, kNumericType = 3, kDateType = 4;
constexpr int64_t kLinear = 0, kLogistic = 2;
const gfx::Color kBarColor{0.8588235294117647, 0.5450980392156862, 0.4549019607843137, 1.0};
const gfx::Color kWarning{1, 0, 0, 1};
constexpr double kMargin = 20;

double at(const std::vector<double>& values, size_t i) {
    return i < values.size() ? values[i] : NAN;
}

std::string eightDigits(double x) {
    return Model::stringFromNumberOfTypeWithSigDigits(x, 3, 8);
}

// The independent columns in the order of the fit.
std::vector<std::shared_ptr<Column>> byNum(std::vector<std::shared_ptr<Column>> columns) {
    std::sort(columns.begin(), columns.end(), [](const auto& a, const auto& b) { return a->num() < b->num(); });
    return columns;
}

} // namespace

// The charts' records, read from the screen's last result.
class RegressionViewController::ChartSource : public CPTBarPlotDataSource {
  public:
    explicit ChartSource(RegressionViewController& screen) : screen_(screen) {}

    uint64_t numberOfRecordsForPlot(CPTPlot& plot) override {
        const std::string id = plot.identifier().string();
        if (id == "barPlot")
            return screen_.arrayResults().edges.size();
        const auto& result = screen_.graphData().result;
        if (id == "scatterPlot") {
            if (!result)
                return 0;
            if (screen_.isLogit())
                return result->roc ? result->roc->size() : 0;
            return result->residuals.size();
        }
        return screen_.isLogit() ? 2 : 0;
    }

    std::optional<double> doubleForPlot(CPTPlot& plot, uint64_t field, uint64_t idx) override {
        const std::string id = plot.identifier().string();
        if (id == "barPlot") {
            const auto& bins = screen_.arrayResults();
            return field == CPTBarPlotFieldBarLocation ? at(bins.edges, idx) : at(bins.contents, idx);
        }
        if (id == "scatterPlot") {
            const auto& result = screen_.graphData().result;
            if (!result)
                return std::nullopt;
            if (field != CPTScatterPlotFieldX && field != CPTScatterPlotFieldY)
                return 0.0;
            if (screen_.isLogit()) {
                if (!result->roc || idx >= result->roc->size())
                    return std::nullopt;
                // Each point holds the true-positive rate, then the false-positive rate.
                return (*result->roc)[idx][field == CPTScatterPlotFieldX ? 1 : 0];
            }
            return field == CPTScatterPlotFieldX ? at(result->yhat, idx) : at(result->residuals, idx);
        }
        // The no-discrimination diagonal: (0, 0) and (1, 1).
        return double(idx);
    }

    // The residual points read in one block, straight from the result: 100,000 of them are no reason for
    // 200,000 calls. The ROC curve's pairs and the other plots go record by record.
    std::optional<std::span<const double>> doublesForPlot(CPTPlot& plot, uint64_t field,
                                                          NSRange range) override {
        const auto& result = screen_.graphData().result;
        const bool point = field == CPTScatterPlotFieldX || field == CPTScatterPlotFieldY;
        if (screen_.isLogit() || !result || !point || plot.identifier().string() != "scatterPlot")
            return std::nullopt;
        const std::vector<double>& column = field == CPTScatterPlotFieldX ? result->yhat : result->residuals;
        if (range.location + range.length > column.size())
            return std::nullopt;
        return std::span<const double>(column.data() + range.location, range.length);
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
    RegressionViewController& screen_;
};

RegressionViewController::RegressionViewController() : source_(std::make_shared<ChartSource>(*this)) {}

RegressionViewController::~RegressionViewController() = default;

// --- Texts

RegressionViewController::Interpretation RegressionViewController::interpretation(const RegressionResult& result,
                                                                                bool logistic,
                                                                                const std::string& dependent,
                                                                                size_t regressors) {
    if (result.N == 0)
        return {tr("No observations in model. One or more variables in the model may have no numeric observations. "
                   "To improve try removing variables that have none or few numeric observations."),
                true};
    if (result.varianceDep == 0)
        return {formatText(tr("Dependent variable %@ is constant on all rows in regression. There is no variation "
                              "to explain."),
                           {dependent}),
                true};
    if (logistic && result.converged.has_value() && !*result.converged)
        return {tr("Model did not converge. Coefficients may not be trustworthy."), true};
    if (logistic && result.numPerfectPredict.value_or(0) >= 1)
        return {formatText(tr("Predicted probabilities exactly 0 or 1 for %@ observations. Coefficients may not be "
                              "trustworthy. One or more variables may be causing this."),
                           {std::to_string(*result.numPerfectPredict)}),
                true};
    // The bands compare in single precision: 0.9 read as a float lies just below 0.9 as a double.
    const float r = static_cast<float>(result.r2adj);
    const std::string improve =
        tr("Try removing variables with insignificant coefficients, or adding in variables that haven't been tried "
           "yet.");
    if (static_cast<double>(r) >= 0.9 && uint64_t(regressors) + 10 >= uint64_t(result.N))
        return {formatText(tr("The model appears to explain variation in %@ very well. However, the small number of "
                              "observations mean this may be overfitting. Try finding more observations for your "
                              "dataset."),
                           {dependent}),
                false};
    // A number that cannot be formed (no more rows than parameters) tells nothing good about the fit.
    if (std::isnan(r) || r < 0.3f)
        return {formatText(tr("Model doesn't explain variation in %@ very well."), {dependent}) + " " + improve, false};
    if (r < 0.5f)
        return {formatText(tr("Model explains some of the variation in %@."), {dependent}) + " " + improve, false};
    if (r < 0.9f)
        return {formatText(tr("Model explains most of the variation in %@."), {dependent}) + " " + improve, false};
    return {formatText(tr("Model does a good job explaining variation in %@. Consider removing variables with "
                          "insignificant coefficients as they may hurt more than they help."),
                       {dependent}),
            false};
}

std::string RegressionViewController::statisticsText(const RegressionResult& result, bool logistic) {
    std::vector<std::string> lines{formatText(tr("Obs = %@"), {std::to_string(result.N)})};
    if (logistic) {
        lines.push_back(formatText(tr("Log-likelihood: %@"), {eightDigits(result.LL.value_or(NAN))}));
        lines.push_back(formatText(tr("Pseudo-R² = %@"), {eightDigits(result.r2adj)}));
        lines.push_back(formatText(tr("AUC: %@"), {eightDigits(result.AUC.value_or(NAN))}));
        lines.push_back(formatText(tr("AIC: %@"), {eightDigits(result.AIC.value_or(NAN))}));
    } else {
        lines.push_back(formatText(tr("RMSE = %@"), {eightDigits(result.rmse.value_or(NAN))}));
        lines.push_back(formatText(tr("R² = %@"), {eightDigits(result.r2.value_or(NAN))}));
        lines.push_back(formatText(tr("Adjusted R² = %@"), {eightDigits(result.r2adj)}));
    }
    std::string text;
    for (const auto& line : lines)
        text += (text.empty() ? "" : "\n") + line;
    return text;
}

std::string RegressionViewController::equationText(const RegressionResult& result, bool logistic,
                                                   const std::string& dependent, size_t regressors) {
    std::string text = logistic ? formatText(tr("%@ ~ "), {result.nameLHS}) : formatText(tr("%@ = "), {dependent});
    if (result.coeffs.empty())
        return text;
    bool written = false;
    // A negative coefficient brings its own minus sign.
    auto joiner = [&](double coefficient) { return written && coefficient >= 0 ? " + " : " "; };
    for (size_t i = 0; i < regressors; ++i) {
        const double coefficient = at(result.coeffs, i);
        if (std::isnan(coefficient))
            continue;
        const std::string name = i < result.names.size() ? result.names[i] : std::string();
        text += formatText("%@%@ * %@", {joiner(coefficient), Model::stringFromNumber(coefficient), name});
        written = true;
    }
    const double constant = at(result.coeffs, regressors);
    text += formatText(tr("%@%@ + ϵ"), {joiner(constant), Model::stringFromNumber(constant)});
    return text;
}

gfx::RichText RegressionViewController::coloured(const Interpretation& interpretation, double size) {
    gfx::TextAttributes attributes;
    attributes.size = size;
    attributes.color = interpretation.warning ? kWarning : gfx::Color::black();
    gfx::RichText text;
    text.append(interpretation.text, attributes);
    return text;
}

// --- Metrics

bool RegressionViewController::isCompact() const {
    return traitCollection().horizontalSizeClass == ui::SizeClass::Compact;
}
double RegressionViewController::rowHeaderWidth() const {
    return isCompact() ? 80 : 153;
}
double RegressionViewController::colWidth() const {
    return isCompact() ? 72 : 111;
}
double RegressionViewController::rowHeight() const {
    return isCompact() ? 25 : 40;
}
double RegressionViewController::tableFontSize() const {
    return isCompact() ? 12 : 17;
}
double RegressionViewController::tableRowHeaderFontSize() const {
    return isCompact() ? 14 : 18;
}
fitparts::TableMetrics RegressionViewController::tableMetrics() const {
    return {rowHeaderWidth(), colWidth(), rowHeight(), tableFontSize(), tableRowHeaderFontSize(), notesAsLabels()};
}

int64_t RegressionViewController::leftType() const {
    auto left = analysis() ? analysis()->left() : nullptr;
    return left ? left->type().value_or(0) : 0;
}

// --- Views

void RegressionViewController::loadView() {
    AnalysisDetailViewController::loadView();
    auto& root = view();
    const bool report = isForOutput();
    const double body = report ? 11 : 15, heading = report ? 13 : 17;

    buttonLeft_ = addVariableChooser("buttonLeft", PickerPositionLeft, {0, 0, 100, 28});
    buttonLeft_->titleLabel().setTextAlignment(gfx::TextAlignment::Left);
    buttonRight_ = addVariableChooser("buttonRight", PickerPositionFurther, {0, 0, 100, 28});
    buttonRight_->setTitle(tr("Add / Change"));
    auto button = [&](const char* id) {
        auto b = std::make_shared<ui::Button>(Rect{0, 0, 100, 28});
        b->setIdentifier(id);
        b->titleLabel().setLineBreakMode(gfx::LineBreakMode::TruncateMiddle);
        b->setHidden(report);
        root.addSubview(b);
        return b;
    };
    buttonAll_ = button("buttonAll");
    buttonLevel1_ = button("buttonLevel1");
    labelLeftVar_ = makeLabel("labelLeftVar", 14);
    labelLevel1_ = makeLabel("labelLevel1", 14);
    for (const auto& label : {labelLeftVar_, labelLevel1_}) {
        label->setHidden(report);
        root.addSubview(label);
    }
    labelRightVar()->setFont(gfx::Font::system(14));
    labelRightVar()->setAutoresizingMask(0);
    labelRightVar()->setHidden(report);

    auto textView = [&](const char* id, double size) {
        auto t = std::make_shared<ui::TextView>(Rect{0, 0, 100, 40});
        t->setIdentifier(id);
        t->setFont(gfx::Font::system(size));
        t->setScrollEnabled(false);
        t->setTextContainerInset({2, 0, 2, 0});
        return t;
    };
    textViewEquation_ = textView("textViewEquation", body);
    textViewStats_ = textView("textViewStats", body);
    textViewInterpret_ = textView("textViewInterpret", body);
    labelDelete_ = makeLabel("labelDelete", report ? 9 : 12);
    labelDelete_->setHidden(report);
    labelRegression_ = makeLabel("labelRegression", heading, true);
    labelResults_ = makeLabel("labelResults", heading, true);
    labelObs_ = makeLabel("labelObs", body);
    labelR2_ = makeLabel("labelR2", body);
    labelRMSE_ = makeLabel("labelRMSE", body);
    labelInterpret_ = makeLabel("labelInterpret", body);
    // The statistics text carries the values; these captions are not shown.
    for (const auto& label : {labelObs_, labelR2_, labelRMSE_, labelInterpret_})
        label->setHidden(true);
    labelSigLegend_ = makeLabel("labelSigLegend", report ? 9 : 12);
    labelSigLegend_->setNumberOfLines(0);
    labelSigLegend_->setLineBreakMode(gfx::LineBreakMode::WordWrap);
    labelHistogram_ = makeLabel("labelHistogram", heading, true);
    labelROC_ = makeLabel("labelROC", heading, true);

    auto host = [](const char* id) {
        auto view = std::make_shared<CPTGraphHostingView>(Rect{0, 0, 100, 100});
        view->setIdentifier(id);
        return view;
    };
    hostGraph_ = host("hostGraph");
    hostGraphRight_ = host("hostGraphRight");

    tableResults_ = std::make_shared<ui::TableView>(Rect{0, 0, 100, 100}, ui::TableViewStyle::Plain);
    tableResults_->setIdentifier("tableResults");
    tableResults_->setTag(kTagResults);
    tableResults_->setAllowsSelection(false);
    tableResults_->setScrollEnabled(false);
    tableResults_->setShowsVerticalScrollIndicator(false);
    tableResults_->layer().setBorderWidth(2.0);
    tableResults_->layer().setBorderColor(gfx::Color::gray(1.0 / 3.0));

    // On screen the results scroll under the fixed choosers; the report, whose writer leaves scroll
    // views out, holds them on its page directly.
    ui::View* parent = &root;
    if (!report) {
        scrollMain_ = ResultsScrollView::addTo(root, Rect{0, 0, root.bounds().width(), 100}, "scrollMain",
                                               [this] { layoutResults(); });
        parent = scrollMain_.get();
    }
    for (const auto& label : {labelDelete_, labelRegression_, labelResults_, labelObs_, labelR2_, labelRMSE_,
                              labelInterpret_, labelSigLegend_, labelHistogram_, labelROC_})
        parent->addSubview(label);
    for (const auto& text : {textViewEquation_, textViewStats_, textViewInterpret_})
        parent->addSubview(text);
    for (const auto& chart : {hostGraph_, hostGraphRight_})
        parent->addSubview(chart);
    header_ = std::make_shared<HorizontalTableView>(Rect{0, 0, rowHeaderWidth() + 5 * colWidth(), rowHeight()},
                                                    rowHeaderWidth());
    header_->setIdentifier("header");
    parent->addSubview(header_);
    parent->addSubview(tableResults_);
    layoutResults();
}

// Frames for the width the screen has: the choosers on fixed lines, the results in one column (the two
// charts side by side where there is room); on the report page the texts and table above the charts.
void RegressionViewController::layoutResults() {
    const bool report = isForOutput();
    auto& root = view();
    const double rootWidth = root.bounds().width();
    const double cw = std::max(0.0, rootWidth - 2 * kMargin);
    const bool narrow = cw < 560;

    double top = 100;
    if (!report) {
        // Dependent, its counted level, then the independents.
        const double labelWidth = narrow ? 152 : 172, rowHeight = 30;
        for (auto* label : {labelLeftVar_.get(), labelLevel1_.get(), labelRightVar()})
            label->setFont(gfx::Font::system(narrow ? 13 : 14));
        labelLeftVar_->setFrame({kMargin, top, labelWidth, 28});
        buttonLeft_->setFrame({kMargin + labelWidth, top, std::min(240.0, cw - labelWidth), 28});
        double levelX = kMargin + labelWidth + std::min(240.0, cw - labelWidth) + 12;
        if (narrow) {
            top += rowHeight;
            levelX = kMargin;
        }
        labelLevel1_->setFrame({levelX, top, 104, 28});
        buttonLevel1_->setFrame({levelX + 104, top, 140, 28});
        if (narrow && labelLevel1_->isHidden())
            top -= rowHeight;
        top += rowHeight;
        labelRightVar()->setFrame({kMargin, top, labelWidth, 28});
        const double rest = std::max(0.0, cw - labelWidth);
        const double allWidth = std::min(90.0, 66.0 + std::max(0.0, rest - 196));
        const double changeWidth = std::max(0.0, std::min(130.0, rest - allWidth));
        buttonRight_->setFrame({kMargin + labelWidth, top, changeWidth, 28});
        buttonAll_->setFrame({kMargin + labelWidth + changeWidth, top, allWidth, 28});
        top += rowHeight + 4;
        scrollMain_->setFrame({0, top, rootWidth, std::max(0.0, root.bounds().height() - top)});
    }

    const double w = report ? rootWidth : scrollMain_->bounds().width();
    const double width = std::max(0.0, w - 2 * kMargin);
    const double line = report ? 15 : 21, headingLine = report ? 18 : 26;
    double y = report ? 100 : 4;
    auto place = [&](ui::View& view, double x, double wide, double height) { view.setFrame({x, y, wide, height}); };
    if (!report) {
        place(*labelDelete_, kMargin, width, 18);
        y += 22;
    }
    place(*labelRegression_, kMargin, width, headingLine - 4);
    y += headingLine;
    // Each text view as tall as its text at this width, at least `lines` lines.
    auto fit = [&](ui::TextView& text, double wide, double lines) {
        const ui::EdgeInsets inset = text.textContainerInset();
        const double needed = text.attributedText().isEmpty()
                                  ? 0
                                  : gfx::measureRichText(text.attributedText(), {wide - inset.left - inset.right, 1e6})
                                            .height;
        return std::ceil(std::max(lines * line, needed) + inset.top + inset.bottom);
    };
    const double equationHeight = fit(*textViewEquation_, width, report ? 1 : 2);
    place(*textViewEquation_, kMargin, width, equationHeight);
    y += equationHeight + 6;
    const double statsWidth = narrow ? width : std::min(300.0, width * 0.4);
    const double statsHeight = fit(*textViewStats_, statsWidth, 4);
    place(*textViewStats_, kMargin, statsWidth, statsHeight);
    if (narrow) {
        y += statsHeight + 4;
        const double interpretHeight = fit(*textViewInterpret_, width, 2);
        place(*textViewInterpret_, kMargin, width, interpretHeight);
        y += interpretHeight + 8;
    } else {
        const double interpretWidth = width - statsWidth - 12;
        const double height = std::max(statsHeight, fit(*textViewInterpret_, interpretWidth, 2));
        place(*textViewInterpret_, kMargin + statsWidth + 12, interpretWidth, height);
        y += height + 8;
    }

    place(*labelResults_, kMargin, width, headingLine - 4);
    y += headingLine;
    const double tableWidth = std::min(width, rowHeaderWidth() + 5 * colWidth());
    header_->setFrame({kMargin, y, tableWidth, rowHeight()});
    y += rowHeight();
    const auto rows = double(graphData().columnNames.size() + 1);
    tableResults_->setFrame({kMargin, y, tableWidth, rows * rowHeight()});
    y += rows * rowHeight() + 4;
    const double legendLines = report ? 2 : (narrow ? 3 : 2);
    const double legendLine = report ? 11 : 16;
    place(*labelSigLegend_, kMargin, width, legendLines * legendLine);
    y += legendLines * legendLine + 10;

    const double gap = 20;
    const bool sideBySide = report || !narrow;
    const double chartWidth = sideBySide ? std::floor((width - gap) / 2) : width;
    const double chartHeight = report ? 200 : std::max(220.0, std::round(std::min(chartWidth, 480.0) * 0.7));
    const std::pair<ui::Label*, CPTGraphHostingView*> charts[] = {{labelHistogram_.get(), hostGraph_.get()},
                                                                  {labelROC_.get(), hostGraphRight_.get()}};
    for (size_t i = 0; i < 2; ++i) {
        const double x = sideBySide ? kMargin + double(i) * (chartWidth + gap) : kMargin;
        charts[i].first->setFrame({x, y, chartWidth, headingLine - 4});
        charts[i].second->setFrame({x, y + headingLine, chartWidth, chartHeight});
        if (!sideBySide)
            y += headingLine + chartHeight + 14;
    }
    if (sideBySide)
        y += headingLine + chartHeight + 14;
    if (scrollMain_)
        scrollMain_->setContentSize({w, y + 20});
}

void RegressionViewController::viewDidLoad() {
    AnalysisDetailViewController::viewDidLoad();
    buttonAll_->setTitle(tr("Add All"));
    buttonAll_->addTarget(ui::TouchUpInside, [this](ui::Control&) { addAll(); });
    buttonLevel1_->addTarget(ui::TouchUpInside, [this](ui::Control& sender) { chooseLevel1(sender); });
    labelDelete_->setText(tr("Swipe a variable in the table to delete it."));
    labelSigLegend_->setText(significanceLegend());
    labelLeftVar_->setText(tr("Dependent Variable:"));
    labelRightVar()->setText(tr("Independent Variables:"));
    labelLevel1_->setText(tr("proportion of:"));
    labelResults_->setText(tr("Coefficients"));

    setUpHeader(*header_, this, tableMetrics(), tr("Variable"),
                {tr("Coefficient"), tr("t"), tr("p > | t |"), tr("Significance"), tr("Std Err")});
    registerRows(*tableResults_, this, [this] { return tableMetrics(); });
    tableResults_->setDataSource(this);
    tableResults_->setTableDelegate(this);
    buildGraphs();
}

void RegressionViewController::buildGraphs() {
    const bool report = isForOutput();
    auto makeGraph = [&](CPTGraphHostingView& host) {
        auto graph = fitparts::makeGraph(host.bounds().size, {.top = report ? 6.0 : 10.0,
                                                              .right = report ? 10.0 : 14.0,
                                                              .bottom = report ? 34.0 : 50.0,
                                                              .left = report ? 44.0 : 60.0});
        useBlackAxes(*graph, report ? 8 : 11, report ? 9 : 13);
        axesOf(*graph).xAxis()->setTitleOffset(report ? 20 : 30);
        axesOf(*graph).yAxis()->setTitleOffset(report ? 30 : 42);
        host.setHostedGraph(graph);
        return graph;
    };

    graph_ = makeGraph(*hostGraph_);
    axesOf(*graph_).xAxis()->setTitle(tr("Residual"));
    axesOf(*graph_).yAxis()->setTitle(tr("Frequency"));
    barPlot_ = std::make_shared<CPTBarPlot>();
    barPlot_->setIdentifier(Value("barPlot"));
    barPlot_->setDataSource(source_);
    graph_->addPlot(barPlot_);

    graphRight_ = makeGraph(*hostGraphRight_);
    axesOf(*graphRight_).xAxis()->setTitle(leftName());
    axesOf(*graphRight_).yAxis()->setTitle(tr("Residual"));
    fitChart_ = addFitPlots(*graphRight_, source_);
}

void RegressionViewController::hideResults(bool hide) {
    for (ui::View* view : std::initializer_list<ui::View*>{
             textViewStats_.get(), textViewInterpret_.get(), labelResults_.get(), header_.get(), tableResults_.get(),
             labelSigLegend_.get(), labelHistogram_.get(), hostGraph_.get(), labelROC_.get(), hostGraphRight_.get()})
        view->setHidden(hide);
    labelDelete_->setHidden(hide || isForOutput());
}

// --- Validation and run

bool RegressionViewController::isValid(AnalysisError& error) const {
    const std::shared_ptr<Analysis>& a = analysis();
    auto left = a ? a->left() : nullptr;
    if (left) {
        const int64_t type = left->type().value_or(0);
        const bool twoValued = type == kBinaryType || left->levels().value_or(0) == 2;
        const bool numericLike = type == kNumericType || type == kDateType || left->obsNumeric().value_or(0) > 0 ||
                                 left->obsDate().value_or(0) > 0;
        const int64_t d = a->distribution();
        if (type != kNumericType && type != kDateType && !numericLike && !twoValued) {
            a->setLeft(nullptr);
            left = nullptr;
            if (model())
                model()->saveContext();
        } else if (d == kLogistic && !twoValued) {
            a->setDistribution(kLinear);
            if (model())
                model()->saveContext();
        } else if (d == kLinear && !numericLike) {
            a->setDistribution(kLogistic);
            if (model())
                model()->saveContext();
        }
    }
    if (left)
        return true;
    error = {errorDomain, -1, tr("Choose a dependent variable.")};
    return false;
}

void RegressionViewController::runAnalysis() {
    // Validation may correct the analysis; the texts follow what it left.
    AnalysisError error;
    const bool valid = isValid(error);
    displayInitial();
    showMessage(valid ? tr("Calculating...") : error.message);
    startComputation(valid);
}

void RegressionViewController::showMessage(const std::string& text) {
    if (textViewEquation_)
        textViewEquation_->setText(text);
}

RegressionViewController::Computation RegressionViewController::computation() const {
    const bool logistic = isLogit_;
    const std::optional<std::vector<std::string>> known = levelsLeft_;
    // The level set-up hops to the screen through this, never keeping it alive.
    std::weak_ptr<const ui::ViewController> weak = weak_from_this();
    return [logistic, known, weak](AnalysisRunner::Run& run, Analysis& analysis,
                                   const std::optional<std::vector<int64_t>>& rows, bool valid) {
        Results results;
        auto left = analysis.left();
        std::optional<FactorCodes> levels;
        if (analysis.distribution() == kLogistic && left) {
            // The counted level: the stored one while the dependent has it, else the last in code-point
            // order (so "yes" over "no", "1" over "0").
            std::vector<std::string> list;
            if (known) {
                list = *known;
            } else {
                list = run.model().distinctValuesForColumn(left.get()).value_or(std::vector<std::string>{});
                std::sort(list.begin(), list.end());
            }
            const std::optional<std::string> stored = analysis.leftLevel1();
            std::optional<std::string> counted = stored;
            if (!counted || std::find(list.begin(), list.end(), *counted) == list.end())
                counted = list.empty() ? std::nullopt : std::optional<std::string>(list.back());
            // With the screen's own list and its stored level kept, the hop would change nothing (the
            // list is the screen's, nothing is to be saved, the button shows the level): the worker
            // does not wait for the main thread.
            const bool unchanged = known && counted == stored;
            if (!unchanged)
                run.onMain([&] {
                    auto self = std::dynamic_pointer_cast<RegressionViewController>(
                        std::const_pointer_cast<ui::ViewController>(weak.lock()));
                    if (!self || !self->analysis() || self->analysis()->isDeleted() ||
                        self->analysis()->isDetached())
                        return;
                    self->levelsLeft_ = list;
                    if (self->analysis()->leftLevel1() != counted) {
                        self->analysis()->setLeftLevel1(counted);
                        if (self->model())
                            self->model()->saveContext();
                    }
                    self->buttonLevel1_->setTitle(counted.value_or(std::string()));
                    if (self->levelList_)
                        self->levelList_->reloadData();
                });
            if (valid) {
                levels.emplace();
                for (const auto& level : list)
                    (*levels)[level] = level == counted ? 1 : 0;
            }
        }
        if (!valid || !left)
            return results;
        const auto columns = byNum(analysis.columns());
        for (const auto& column : columns) {
            results.graphData.columnNums.push_back(column->num());
            results.graphData.columnNames.push_back(column->name());
        }
        results.graphData.result = run.model().ols(*left, columns, rows, logistic, levels ? &*levels : nullptr);
        results.arrayResults = Model::histogramOfVector(results.graphData.result->residuals, 10);
        return results;
    };
}

void RegressionViewController::picker(ColumnPickerViewController& picker,
                                      const std::vector<std::shared_ptr<Column>>& pickedColumns, uint64_t position) {
    if (position == PickerPositionLeft) {
        // A new dependent brings its own levels.
        levelsLeft_.reset();
        if (analysis())
            analysis()->setLeftLevel1(std::nullopt);
    }
    AnalysisDetailViewController::picker(picker, pickedColumns, position);
}

void RegressionViewController::addAll() {
    if (!model() || !analysis())
        return;
    for (const auto& column : model()->columnsToAddToAnalysis(*analysis(), PickerPositionFurther))
        model()->addColumn(*column, *analysis(), PickerPositionFurther);
    viewWillAppear(true);
}

void RegressionViewController::chooseLevel1(ui::View& sender) {
    auto list = std::make_shared<ui::TableViewController>(ui::TableViewStyle::Plain);
    levelList_ = list->tableViewPtr();
    levelList_->setTag(kTagLevelList);
    levelList_->setDataSource(this);
    levelList_->setTableDelegate(this);
    levelList_->reloadData();
    list->setPreferredContentSize({200, 100});
    list->setModalPresentationStyle(ui::ModalPresentationStyle::Popover);
    list->popoverPresentationController().sourceView = &sender;
    presentViewController(list, true);
}

// --- Display

void RegressionViewController::displayInitial() {
    AnalysisDetailViewController::displayInitial();
    isLogit_ = analysis() && Model::regressionTypeOfAnalysis(*analysis());
    auto left = analysis() ? analysis()->left() : nullptr;
    buttonLeft_->setTitle(left ? left->name() : tr("Choose Variable"));
    textViewInterpret_->setText(std::string());
    textViewStats_->setText(std::string());
    labelObs_->setText(tr("Obs = "));
    labelHistogram_->setText(tr("Histogram of Residuals"));
    const std::string name = leftName();
    if (isLogit_) {
        labelType()->setText(tr("Logistic Regression Model"));
        labelRegression_->setText(formatText(tr("%@ ~ ..."), {name}));
        labelR2_->setText(tr("Pseudo-R² = "));
        labelRMSE_->setText(tr("Log-likelihood: "));
        labelSingleTitle()->setText(formatText(tr("Logistic regression model for variable %@"), {name}));
        labelROC_->setText(tr("ROC Curve"));
    } else {
        labelType()->setText(tr("Linear Regression Model"));
        labelRegression_->setText(formatText(tr("%@ = ..."), {name}));
        labelR2_->setText(tr("Adjusted R² = "));
        labelRMSE_->setText(tr("RMSE = "));
        labelSingleTitle()->setText(formatText(tr("Linear regression model for variable %@"), {name}));
        labelROC_->setText(tr("Residuals vs Fitted"));
    }
    header_->setContentArray({Value(tr("Coefficient")), Value(isLogit_ ? tr("z") : tr("t")),
                              Value(isLogit_ ? tr("p > | z |") : tr("p > | t |")), Value(tr("Significance")),
                              Value(tr("Std Err"))});
    labelLevel1_->setHidden(!isLogit_ || isForOutput());
    buttonLevel1_->setHidden(!isLogit_ || isForOutput());
    if (isLogit_ && analysis() && analysis()->leftLevel1())
        buttonLevel1_->setTitle(*analysis()->leftLevel1());
    hideResults(true);
    layoutResults();
}

void RegressionViewController::displayFinal() {
    const auto& data = graphData();
    if (!data.result) {
        // Nothing computed (choices not valid, or an export before the first run ends).
        return;
    }
    const RegressionResult& result = *data.result;
    const size_t regressors = data.columnNames.size();
    const std::string name = leftName();
    hideResults(false);
    const double size = textViewStats_->font().size();
    textViewStats_->setText(statisticsText(result, isLogit_));
    textViewInterpret_->setAttributedText(coloured(interpretation(result, isLogit_, name, regressors), size));
    textViewEquation_->setText(equationText(result, isLogit_, name, regressors));
    layoutResults();
    tableResults_->reloadData();
    showHistogram();
    showRight();
}

void RegressionViewController::showHistogram() {
    graph_->reloadData();
    auto& axes = axesOf(*graph_);
    axes.yAxis()->setLabelFormatter(wholeCounts());
    axes.xAxis()->setLabelFormatter(significantDigits(3));
    axes.xAxis()->setTitle(leftType() == kDateType ? tr("Residual (seconds)") : tr("Residual"));
    fitHistogram(*graph_, barPlot_, arrayResults().edges);
}

void RegressionViewController::showRight() {
    graphRight_->reloadData();
    if (isLogit_)
        showAsRoc(fitChart_);
    else
        showAsResiduals(fitChart_, isForOutput());
    fitToPlot(*graphRight_, *fitChart_.scatter);
    auto& space = spaceOf(*graphRight_);
    auto& axes = axesOf(*graphRight_);
    const bool dates = leftType() == kDateType;
    axes.xAxis()->setLabelFormatter(dates && !isLogit_ ? std::shared_ptr<foundation::NumberFormatter>(
                                                             timeFormatterFor(space.xRange()->lengthDouble()))
                                                       : significantDigits(3));
    const double titleSize = isForOutput() ? 9 : 13;
    const double across = std::max(40.0, hostGraphRight_->bounds().width() - 70);
    if (isLogit_) {
        axes.xAxis()->setTitle(tr("False Positive Rate"));
        axes.yAxis()->setTitle(tr("True Positive Rate"));
    } else {
        axes.xAxis()->setTitle(fitted(formatText(tr("Predicted %@"), {leftName()}), across, titleSize));
        axes.yAxis()->setTitle(dates ? tr("Residual (seconds)") : tr("Residual"));
    }
}

// --- Tables

int RegressionViewController::numberOfRowsInSection(ui::TableView& tableView, int) {
    if (tableView.tag() == kTagLevelList)
        return levelsLeft_ ? int(levelsLeft_->size()) : 0;
    if (&tableView != tableResults_.get() || !graphData().result)
        return 0;
    return int(graphData().columnNames.size()) + 1;
}

double RegressionViewController::heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath) {
    return tableView.tag() == kTagResults ? rowHeight() : -1;
}

std::shared_ptr<ui::TableViewCell> RegressionViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                   ui::IndexPath indexPath) {
    if (tableView.tag() == kTagLevelList) {
        auto cell = tableView.dequeueReusableCellWithIdentifier("LevelLeft", indexPath);
        if (levelsLeft_ && size_t(indexPath.row) < levelsLeft_->size())
            cell->textLabel().setText((*levelsLeft_)[size_t(indexPath.row)]);
        return cell;
    }
    auto cell = tableView.dequeueReusableCellWithIdentifier("Cell", indexPath);
    std::optional<CoefficientRows> rows;
    if (const auto& result = graphData().result)
        rows = CoefficientRows{result->names, result->coeffs, result->variance, result->t,
                               result->p,     result->drop,   graphData().columnNames.size()};
    fillRow(*cell, tableView, rows ? &*rows : nullptr, size_t(indexPath.row), tableMetrics());
    return cell;
}

bool RegressionViewController::canEditRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
    // The constant's row stays.
    return tableView.tag() == kTagResults && size_t(indexPath.row) < graphData().columnNums.size();
}

void RegressionViewController::commitEditingStyle(ui::TableView& tableView, ui::TableViewCellEditingStyle style,
                                                  ui::IndexPath indexPath) {
    if (style != ui::TableViewCellEditingStyle::Delete || !canEditRowAtIndexPath(tableView, indexPath) ||
        !analysis())
        return;
    const int64_t num = graphData().columnNums[size_t(indexPath.row)];
    for (const auto& column : analysis()->columns()) {
        if (column->num() == num) {
            analysis()->removeColumnsObject(*column);
            break;
        }
    }
    if (model())
        model()->saveContext();
    viewWillAppear(true);
}

void RegressionViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
    if (tableView.tag() == kTagLevelList && levelsLeft_ && size_t(indexPath.row) < levelsLeft_->size() &&
        analysis()) {
        analysis()->setLeftLevel1((*levelsLeft_)[size_t(indexPath.row)]);
        if (model())
            model()->saveContext();
    }
    viewWillAppear(true);
    dismissViewController(true);
    levelList_.reset();
}

void RegressionViewController::layoutCell(ui::TableViewCell& cell, ui::TableView& table) {
    layoutValueCell(cell, table, tableMetrics());
}

void RegressionViewController::configureCell(ui::TableViewCell& cell, const Value& item, ui::TableView&) {
    configureValueCell(cell, item);
}

void RegressionViewController::scrollViewDidScroll(ui::ScrollView& scrollView) {
    scrollTogether(scrollView, header_.get(), tableResults_.get());
}

// --- Output

std::shared_ptr<AnalysisDetailViewController> RegressionViewController::viewControllerForOutput() const {
    return std::make_shared<RegressionViewController_PDF>();
}

std::string RegressionViewController::fileNameOutput() const {
    const bool logistic = analysis() && Model::regressionTypeOfAnalysis(*analysis());
    return formatText(logistic ? tr("Logistic regression model for variable %@")
                               : tr("Linear regression model for variable %@"),
                      {leftName()});
}

void RegressionViewController::writeCSVLines(CHCSVWriter& writer) {
    using Field = CHCSVWriter::Field;
    const bool logistic = isLogit_;
    writer.writeLineOfFields({Field(fileNameOutput())});
    writer.finishLine();
    writer.writeLineOfFields(
        {Field(tr("Filters:")), Field(model() && analysis() ? model()->stringForWhereAnalysis(*analysis()) : "")});
    const auto& data = graphData();
    const RegressionResult empty;
    const RegressionResult& result = data.result ? *data.result : empty;
    writer.writeLineOfFields({Field(tr("Observations")), Field(result.N)});
    if (logistic) {
        writer.writeLineOfFields({Field(tr("Pseudo-R²")), Field(result.r2adj)});
        writer.writeLineOfFields({Field(tr("Log-likelihood")), Field(result.LL.value_or(NAN))});
        writer.writeLineOfFields({Field(tr("AUC")), Field(result.AUC.value_or(NAN))});
        writer.writeLineOfFields({Field(tr("AIC")), Field(result.AIC.value_or(NAN))});
    } else {
        writer.writeLineOfFields({Field(tr("Adjusted R²")), Field(result.r2adj)});
        writer.writeLineOfFields({Field(tr("RMSE")), Field(result.rmse.value_or(NAN))});
    }
    writer.finishLine();
    writer.writeLineOfFields({Field(tr("Variable")), Field(tr("Coefficient")), Field(tr("Standard Error")),
                              Field(logistic ? tr("z") : tr("t")), Field(logistic ? tr("p > | z |") : tr("p > | t |")),
                              Field(tr("Significance"))});
    for (size_t i = 0; i < result.coeffs.size(); ++i) {
        const std::string name = i < result.names.size() ? result.names[i] : tr("Constant");
        writeCoefficientLine(writer, name, result.coeffs[i], at(result.variance, i), at(result.t, i), at(result.p, i));
    }
    writer.finishLine();
    writer.writeLineOfFields({Field(significanceLegend())});
}

void registerRegressionKinds() {
    auto make = [] { return std::make_shared<RegressionViewController>(); };
    AnalysisKinds::shared().add({"Linear Regression Model", 4, kLinear, make});
    AnalysisKinds::shared().add({"Logistic Regression Model", 4, kLogistic, make});
}
