// The bivariate analysis screen: the correlation of two columns with its test and interpretation, the
// straight-line fit of the second on the first with its coefficient table, and three charts (the points
// with the fitted line, a histogram of the residuals, residuals against fitted values).
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
#include "platform/ui/ScrollView.h"
#include "platform/ui/TableView.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What one run of the screen found: the Model's result, the histogram of its residuals (10 bins) and the
// names of the columns the fit explains (the right column), one table row each before the constant.
struct CorrelationGraphData {
    std::optional<CorrelationResult> result;
    HistogramBins histogram;
    std::vector<std::string> columns;
};

class CorrelationViewController
    : public AnalysisDetailScreen<CorrelationGraphData, std::vector<std::vector<double>>>,
      public ui::TableViewDataSource,
      public ui::TableViewDelegate,
      public HorizontalTableViewDelgate {
  public:
    CorrelationViewController();
    ~CorrelationViewController() override;

    // The plain-language reading of a correlation: the p sentence (or the no-rows or not-defined text)
    // followed by one strength band.
    static std::string interpretation(double p, double r, int64_t df);
    // The fitted line as a sentence: "y =  2.6 * x + 0.6 + ϵ" (an empty right side without coefficients).
    static std::string equationText(const std::string& responseName, const CorrelationResult& result,
                                    size_t columnCount);
    // The significance stars of a p-value: "* ", "** ", "*** " or nothing.
    static std::string stars(double p);
    static std::string significanceLegend();

    void loadView() override;
    void viewDidLoad() override;
    void displayInitial() override;
    void displayFinal() override;
    bool isValid(AnalysisError& error) const override;
    void showMessage(const std::string& text) override;
    std::shared_ptr<AnalysisDetailViewController> viewControllerForOutput() const override;
    std::string fileNameOutput() const override;
    void writeCSVLines(CHCSVWriter& writer) override;
    double rowHeaderWidth() const override;
    double colWidth() const override;
    double rowHeight() const override;
    double tableFontSize() const override;
    virtual double tableRowHeaderFontSize() const;
    // Every result view hidden (or shown), the message line the other way round.
    void hideResults(bool hide);

    // --- Outlets (each carries its name as identifier) ---
    ui::Button& buttonLeft() { return *buttonLeft_; }
    ui::Button& buttonRight() { return *buttonRight_; }
    ui::Label& labelCorrelation() { return *labelCorrelation_; }
    ui::Label& labelConf() { return *labelConf_; }
    ui::Label& labelConfInterval() { return *labelConfInterval_; }
    ui::Label& labelInterpret() { return *labelInterpret_; }
    ui::Label& labelFitLine() { return *labelFitLine_; }
    ui::Label& labelObs() { return *labelObs_; }
    ui::Label& labelR2() { return *labelR2_; }
    ui::Label& labelRMSE() { return *labelRMSE_; }
    ui::Label& labelR2Unadj() { return *labelR2Unadj_; }
    ui::Label& labelRegression() { return *labelRegression_; }
    ui::Label& labelSigLegend() { return *labelSigLegend_; }
    ui::Label& labelError() { return *labelError_; }
    ui::Label& labelHeaderPlot() { return *labelHeaderPlot_; }
    ui::Label& labelHistogram() { return *labelHistogram_; }
    ui::Label& labelResidualsFitted() { return *labelResidualsFitted_; }
    ui::ScrollView* scrollMain() { return scrollMain_.get(); }
    ui::TableView& tableResults() { return *tableResults_; }
    HorizontalTableView& header() { return *header_; }
    CPTGraphHostingView& viewHost() { return *viewHost_; }
    CPTGraphHostingView& viewHistogram() { return *viewHistogram_; }
    CPTGraphHostingView& viewResidualsFitted() { return *viewResidualsFitted_; }
    CPTXYGraph& graph() { return *graph_; }
    CPTXYGraph& graphHistogram() { return *graphHistogram_; }
    CPTXYGraph& graphResidualsFitted() { return *graphResidualsFitted_; }

    // --- The regression table and the header strip ---
    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             ui::IndexPath indexPath) override;
    double heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
    void layoutCell(ui::TableViewCell& cell, ui::TableView& table) override;
    void configureCell(ui::TableViewCell& cell, const foundation::Value& item, ui::TableView& table) override;
    // Moves the header strip and every visible row to the sideways offset of whichever of them scrolled.
    void scrollViewDidScroll(ui::ScrollView& scrollView) override;

    // Tags of the table's parts.
    static constexpr int kTagRow = 66, kTagCellLabel = 67, kTagNoteLabel = 68, kTagNote = 102,
                         kTagNoteMoving = 106, kTagInner = 104, kTagInnerMoving = 105, kTagResults = 200,
                         kTagRowHeader = 201;

  protected:
    Computation computation() const override;
    // The page layout shows a dropped variable's note as a plain label (a report draws no scroll view).
    virtual bool notesAsLabels() const { return false; }
    bool isCompact() const;
    fitparts::TableMetrics tableMetrics() const;

  private:
    class ChartSource;
    void buildGraphs();
    void applyTitles();
    double titleSize() const { return isForOutput() ? 9 : 13; }
    void layoutResults();
    void showScatter(const CorrelationResult& result);
    void showHistogram();
    void showResiduals(const CorrelationResult& result);
    int64_t leftType() const;
    int64_t rightType() const;

    std::shared_ptr<ChartSource> source_;
    std::shared_ptr<ui::Button> buttonLeft_, buttonRight_;
    std::shared_ptr<ui::Label> labelCorrelation_, labelConf_, labelConfInterval_, labelInterpret_, labelFitLine_,
        labelObs_, labelR2_, labelRMSE_, labelSigLegend_, labelRegression_, labelR2Unadj_, labelHeaderPlot_,
        labelHeaderCorrelation_, labelHeaderRegression_, labelError_, labelHistogram_, labelResidualsFitted_;
    std::shared_ptr<ui::ScrollView> scrollMain_;
    std::shared_ptr<ui::TableView> tableResults_;
    std::shared_ptr<HorizontalTableView> header_;
    std::shared_ptr<CPTGraphHostingView> viewHost_, viewHistogram_, viewResidualsFitted_;
    std::shared_ptr<CPTXYGraph> graph_, graphHistogram_, graphResidualsFitted_;
    std::shared_ptr<CPTScatterPlot> pointsPlot_, fitPlot_, residualsPlot_;
    std::shared_ptr<CPTBarPlot> barPlot_;
    std::shared_ptr<CPTXYAxis> zeroLine_;
};

// The report's page layout: smaller table metrics, and notes as labels.
class CorrelationViewController_PDF : public CorrelationViewController {
  public:
    double rowHeaderWidth() const override { return 147; }
    double colWidth() const override { return 85; }
    double rowHeight() const override { return 20; }
    double tableFontSize() const override { return 12; }
    double tableRowHeaderFontSize() const override { return 13; }

  protected:
    bool notesAsLabels() const override { return true; }
};
