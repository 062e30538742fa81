// The regression screen: a linear model of a numeric dependent variable, or a logistic model of the
// share of one level of a two-valued one, on any number of independent variables; the fit's statistics,
// a verdict on how well it explains the dependent, the fitted equation, the coefficient table, a
// histogram of the residuals and the residuals against fitted values (linear) or the ROC curve.
#pragma once

#include "analysis/AnalysisDetailViewController.h"
#include "analysis/FitScreenParts.h"
#include "controls/HorizontalTableView.h"
#include "model/ColumnStatistics.h"
#include "model/RegressionResult.h"
#include "plot/axes_plots/CPTBarPlot.h"
#include "plot/axes_plots/CPTScatterPlot.h"
#include "plot/axes_plots/CPTXYAxis.h"
#include "plot/axes_plots/CPTXYGraph.h"
#include "plot/hosting/CPTGraphHostingView.h"
#include "platform/graphics/Text.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextView.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What one run found: the fit (none when the choices did not allow one) and the independent columns
// in the order of the fit (by num), one table row each before the constant.
struct RegressionGraphData {
    std::optional<RegressionResult> result;
    std::vector<int64_t> columnNums;
    std::vector<std::string> columnNames;
};

class RegressionViewController : public AnalysisDetailScreen<RegressionGraphData, HistogramBins>,
                                 public ui::TableViewDataSource,
                                 public ui::TableViewDelegate,
                                 public HorizontalTableViewDelgate {
  public:
    RegressionViewController();
    ~RegressionViewController() override;

    // --- Texts (pure functions of a result) ---
    struct Interpretation {
        std::string text;
        bool warning = false; // shown in red: the fit is not to be trusted
    };
    // The first case that holds: no rows, a constant dependent, no convergence, perfect predictions,
    // a near-perfect fit on few rows, then the bands of the (pseudo) adjusted R².
    static Interpretation interpretation(const RegressionResult& result, bool logistic, const std::string& dependent,
                                         size_t regressors);
    static std::string statisticsText(const RegressionResult& result, bool logistic);
    static std::string equationText(const RegressionResult& result, bool logistic, const std::string& dependent,
                                    size_t regressors);
    static gfx::RichText coloured(const Interpretation& interpretation, double size);

    void loadView() override;
    void viewDidLoad() override;
    void displayInitial() override;
    void displayFinal() override;
    // Corrects the analysis where its dependent calls for it (clears an unusable dependent, switches
    // between linear and logistic), saving each change; true when there is a dependent.
    bool isValid(AnalysisError& error) const override;
    void showMessage(const std::string& text) override;
    void runAnalysis() override;
    std::shared_ptr<AnalysisDetailViewController> viewControllerForOutput() const override;
    std::string fileNameOutput() const override;
    void writeCSVLines(CHCSVWriter& writer) override;
    double rowHeaderWidth() const override;
    double colWidth() const override;
    double rowHeight() const override;
    double tableFontSize() const override;
    virtual double tableRowHeaderFontSize() const;
    void picker(ColumnPickerViewController& picker, const std::vector<std::shared_ptr<Column>>& pickedColumns,
                uint64_t position) override;

    // --- Actions ---
    void addAll();
    void chooseLevel1(ui::View& sender);

    bool isLogit() const { return isLogit_; }
    // The dependent's levels, once listed by a logistic run.
    const std::optional<std::vector<std::string>>& levelsLeft() const { return levelsLeft_; }

    // --- Outlets (each carries its name as identifier) ---
    ui::Button& buttonLeft() { return *buttonLeft_; }
    ui::Button& buttonRight() { return *buttonRight_; }
    ui::Button& buttonAll() { return *buttonAll_; }
    ui::Button& buttonLevel1() { return *buttonLevel1_; }
    ui::Label& labelLevel1() { return *labelLevel1_; }
    ui::TextView& textViewStats() { return *textViewStats_; }
    ui::TextView& textViewEquation() { return *textViewEquation_; }
    ui::TextView& textViewInterpret() { return *textViewInterpret_; }
    ui::TableView& tableResults() { return *tableResults_; }
    // The results' scroll view (none on a report page).
    ui::ScrollView* scrollMain() { return scrollMain_.get(); }
    HorizontalTableView& header() { return *header_; }
    CPTXYGraph& graph() { return *graph_; }
    CPTXYGraph& graphRight() { return *graphRight_; }
    CPTScatterPlot& scatterPlot() { return *fitChart_.scatter; }
    CPTScatterPlot& noDiscriminationPlot() { return *fitChart_.diagonal; }
    CPTBarPlot& barPlot() { return *barPlot_; }
    CPTXYAxis& zeroLine() { return *fitChart_.zeroLine; }
    CPTGraphHostingView& hostGraph() { return *hostGraph_; }
    CPTGraphHostingView& hostGraphRight() { return *hostGraphRight_; }
    // The level list while it shows.
    ui::TableView* levelList() const { return levelList_.get(); }

    // --- Tables: the results (tag 200) and the level list (tag 202) ---
    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             ui::IndexPath indexPath) override;
    double heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
    bool canEditRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
    void commitEditingStyle(ui::TableView& tableView, ui::TableViewCellEditingStyle style,
                            ui::IndexPath indexPath) override;
    void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
    void layoutCell(ui::TableViewCell& cell, ui::TableView& table) override;
    void configureCell(ui::TableViewCell& cell, const foundation::Value& item, ui::TableView& table) override;
    void scrollViewDidScroll(ui::ScrollView& scrollView) override;

    static constexpr int kTagLevelList = 202;

  protected:
    Computation computation() const override;
    bool computesWhenInvalid() const override { return true; }
    virtual bool notesAsLabels() const { return false; }
    bool isCompact() const;
    fitparts::TableMetrics tableMetrics() const;

  private:
    class ChartSource;
    void buildGraphs();
    void layoutResults();
    void hideResults(bool hide);
    void showHistogram();
    void showRight();
    void refresh();
    int64_t leftType() const;

    bool isLogit_ = false;
    std::optional<std::vector<std::string>> levelsLeft_;
    std::shared_ptr<ChartSource> source_;
    std::shared_ptr<ui::Button> buttonLeft_, buttonRight_, buttonAll_, buttonLevel1_;
    std::shared_ptr<ui::Label> labelLeftVar_, labelLevel1_, labelDelete_, labelRegression_, labelSigLegend_,
        labelObs_, labelR2_, labelRMSE_, labelInterpret_, labelHistogram_, labelROC_, labelResults_;
    std::shared_ptr<ui::TextView> textViewStats_, textViewEquation_, textViewInterpret_;
    std::shared_ptr<ui::ScrollView> scrollMain_;
    std::shared_ptr<ui::TableView> tableResults_;
    std::shared_ptr<HorizontalTableView> header_;
    std::shared_ptr<CPTGraphHostingView> hostGraph_, hostGraphRight_;
    std::shared_ptr<CPTXYGraph> graph_, graphRight_;
    std::shared_ptr<CPTBarPlot> barPlot_;
    fitparts::FitChart fitChart_;
    std::shared_ptr<ui::TableView> levelList_;
};

// The report's page layout: smaller table metrics, and notes as labels.
class RegressionViewController_PDF : public RegressionViewController {
  public:
    double rowHeaderWidth() const override { return 147; }
    double colWidth() const override { return 85; }
    double rowHeight() const override { return 20; }
    double tableFontSize() const override { return 12; }
    double tableRowHeaderFontSize() const override { return 13; }

  protected:
    bool notesAsLabels() const override { return true; }
};

// Makes the two regression kinds known to the new-analysis chooser and the analyses list: "Linear
// Regression Model" (type 4, distribution 0) and "Logistic Regression Model" (4, 2).
void registerRegressionKinds();
