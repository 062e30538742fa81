// The hypothesis-test screen: a mean or a proportion of one sample against an expected value, of two
// samples (each with its own filters) or of paired samples; the result as a short report with its data
// table beside four charts (the samples, their densities, the test's distribution, the difference).
#pragma once

#include "analysis/AnalysisDetailViewController.h"
#include "model/HypothesisTestResult.h"
#include "plot/axes_plots/CPTBarPlot.h"
#include "plot/axes_plots/CPTScatterPlot.h"
#include "plot/axes_plots/CPTXYGraph.h"
#include "plot/hosting/CPTGraphHostingView.h"
#include "platform/foundation/NumberFormatter.h"
#include "platform/graphics/Text.h"
#include "platform/ui/Control.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TableViewController.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TextView.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What one run found: the Model's result, nothing while no valid run has ended.
struct HypothesisTestGraphData {
    std::optional<HypothesisTestResult> result;
};

class HypothesisTestViewController : public AnalysisDetailScreen<HypothesisTestGraphData>,
                                     public ui::TableViewDataSource,
                                     public ui::TableViewDelegate,
                                     public ui::TextFieldDelegate {
  public:
    // Test codes of the list: determined by data, exact binomial, chi-square, McNemar.
    static constexpr int64_t kDeterminedByData = -1;
    // Tags of the list pop-overs.
    static constexpr int kTagTests = 201, kTagLevelsLeft = 202, kTagLevelsRight = 203;

    HypothesisTestViewController();
    ~HypothesisTestViewController() override;

    // The test a run of these choices uses: the stored one when it fits the design, otherwise the one the
    // data's design calls for.
    static uint64_t testForAnalysis(const Analysis& analysis);
    // Whether the stored test fits the design (and so is the one used).
    static bool storedTestFits(const Analysis& analysis);
    // The line naming the kind of test and the test a run of these choices uses, as the screen's type line
    // and the report's title show it ("Hypothesis Test of Means: z-test").
    static std::string typeLine(const Analysis& analysis);
    // The title naming the kind of test and the sampled variables, as the screen's subtitle and the report's
    // title show it ("Hypothesis Test of Means: x and y").
    static std::string titleLine(const Analysis& analysis);
    // The title of the test button for these choices.
    static std::string testButtonTitle(const Analysis& analysis);
    // An expected value as the store keeps it: the shortest digits that read back as the same number.
    static std::string expectedText(double value);
    static std::optional<double> expectedValue(const Analysis& analysis);
    // The list's order of levels: by code point, so the default success level is stable.
    static std::vector<std::string> sortedLevels(std::vector<std::string> levels);

    // --- Life cycle ---
    void loadView() override;
    void viewDidLoad() override;
    void displayInitial() override;
    void displayFinal() override;
    void displayPreRun();
    bool isValid(AnalysisError& error) const override;
    void showMessage(const std::string& text) override;
    std::shared_ptr<AnalysisDetailViewController> viewControllerForOutput() const override;
    std::string fileNameOutput() const override;
    void writeCSVLines(CHCSVWriter& writer) override;
    void picker(ColumnPickerViewController& picker, const std::vector<std::shared_ptr<Column>>& pickedColumns,
                uint64_t position) override;

    // --- Actions (each saves and runs again) ---
    void chooseSamples(int index);
    void enterExpected();
    void chooseDistribution(int index);
    void chooseTails(int index);
    void setWhereY(ui::View& sender);
    void chooseLevel1(ui::View& sender);
    void chooseTest(ui::View& sender);
    // What a row of a list pop-over stores (tag 201 tests, 202 and 203 levels).
    void selectListRow(int tag, int row);

    // --- The list pop-overs ---
    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             ui::IndexPath indexPath) override;
    void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
    bool textFieldShouldReturn(ui::TextField& field) override;

    // --- State ---
    double sizeBody() const { return sizeBody_; }
    void setSizeBody(double size) { sizeBody_ = size; }
    int digits() const { return digits_; }
    const std::vector<std::string>& levelsLeft() const { return levelsLeft_; }
    const std::vector<std::string>& levelsRight() const { return levelsRight_; }
    void setLevels(std::vector<std::string> left, std::vector<std::string> right) {
        levelsLeft_ = std::move(left);
        levelsRight_ = std::move(right);
    }
    double minTheoretical() const { return minTheoretical_; }
    double maxTheoretical() const { return maxTheoretical_; }
    double minTheoreticalDiff() const { return minTheoreticalDiff_; }
    double maxTheoreticalDiff() const { return maxTheoreticalDiff_; }
    uint64_t resolutionX() const { return resolutionX_; }
    uint64_t resolutionY() const { return resolutionY_; }
    // The result text's data table as it was last built (rows of plain cell texts).
    const std::vector<std::vector<std::string>>& dataTable() const { return dataTable_; }
    // The hypothesis statements of the last result (empty for an unknown design).
    const std::vector<std::string>& statements() const { return statements_; }
    // The statistic line and the decision heading of the last result.
    const std::string& statisticLine() const { return statisticLine_; }
    const std::string& decision() const { return decision_; }
    // Why a result's test cannot be carried out (a statistic or p-value that is not a number: no
    // observations, a single one, or values that do not vary), or nothing when it can.
    static std::optional<std::string> untestableReason(const HypothesisTestResult& result);

    // --- Outlets (each carries its name as identifier) ---
    ui::Button& buttonLeft() { return *buttonLeft_; }
    ui::Button& buttonRight() { return *buttonRight_; }
    ui::TextView& textViewResults() { return *textViewResults_; }
    ui::SegmentedControl& segmentSamples() { return *segmentSamples_; }
    ui::SegmentedControl& segmentDistribution() { return *segmentDistribution_; }
    ui::SegmentedControl& segmentTails() { return *segmentTails_; }
    ui::TextField& fieldExpected() { return *fieldExpected_; }
    ui::Label& labelWhereY() { return *labelWhereY_; }
    ui::Button& buttonWhereY() { return *buttonWhereY_; }
    ui::Button& buttonLevel1Left() { return *buttonLevel1Left_; }
    ui::Button& buttonLevel1Right() { return *buttonLevel1Right_; }
    ui::Button& buttonTest() { return *buttonTest_; }
    ui::Label& labelLevel1Left() { return *labelLevel1Left_; }
    ui::Label& labelLevel1Right() { return *labelLevel1Right_; }
    ui::Label& labelLeftVar() { return *labelLeftVar_; }
    ui::Label& labelSamples() { return *labelSamples_; }
    ui::Label& labelTails() { return *labelTails_; }
    ui::Label& labelGraph(int i) { return *labelGraph_[size_t(i)]; }
    ui::Label& legendSample1() { return *legendSample1_; }
    ui::Label& legendSample2() { return *legendSample2_; }
    ui::Label& labelPDFSample1() { return *labelPDFSample1_; }
    ui::Label& labelPDFSample2() { return *labelPDFSample2_; }
    ui::Label& labelLegendBoxSample1() { return *labelLegendBoxSample1_; }
    ui::Label& labelLegendBoxSample2() { return *labelLegendBoxSample2_; }
    ui::Label& labelLegendDensitySample1() { return *labelLegendDensitySample1_; }
    ui::Label& labelLegendDensitySample2() { return *labelLegendDensitySample2_; }
    ui::Label& labelLegendDiffAlt() { return *labelLegendDiffAlt_; }
    ui::Label& labelLegendDiffNull() { return *labelLegendDiffNull_; }
    ui::ScrollView* scrollView() { return scrollView_.get(); }
    CPTGraphHostingView& viewGraph(int i) { return *viewGraph_[size_t(i)]; }
    CPTXYGraph& graph() { return *graph_; }
    CPTXYGraph& graphDensity() { return *graphDensity_; }
    CPTXYGraph& graphTheoretical() { return *graphTheoretical_; }
    CPTXYGraph& graphTheoreticalDiff() { return *graphTheoreticalDiff_; }
    // The data source of every plot on the four graphs.
    CPTBarPlotDataSource& chartSource();

    static const gfx::Color colorSample1, colorSample2, colorTheoretical, colorActual;

    // The plots of the charts, each asking `source` for its records by its identifier: the six bars of the
    // box plots ("topBox", "bottomBox", the whiskers and their tips; locations, tips and bases), the two
    // pairs of proportion bars ("barProportions1", "barProportions2") and a curve. They draw in the
    // screen's fills and outlines where the source gives none.
    static std::vector<std::shared_ptr<CPTPlot>> makeBoxPlots(const std::shared_ptr<CPTPlotDataSource>& source);
    static std::vector<std::shared_ptr<CPTPlot>> makeProportionBars(const std::shared_ptr<CPTPlotDataSource>& source);
    static std::shared_ptr<CPTScatterPlot> makeCurve(const foundation::Value& id, const gfx::Color& color,
                                                     const std::shared_ptr<CPTPlotDataSource>& source);

  protected:
    Computation computation() const override;
    // The level set-up runs whether the choices are valid or not.
    bool computesWhenInvalid() const override { return true; }
    bool isPad() const;

  private:
    class ChartSource;
    void buildGraphs();
    static std::shared_ptr<CPTBarPlot> makeBars(const foundation::Value& id, double width, bool basesVary,
                                                const std::shared_ptr<CPTPlotDataSource>& source);
    void layoutViews();
    void applyLegends();
    void setReportLabels();
    void showCharts();
    void setPlots();
    void storeAndRerun();
    gfx::RichText resultText();
    std::vector<std::vector<std::string>> makeDataTable(const HypothesisTestResult& result) const;
    std::vector<std::string> makeStatements() const;
    void presentList(ui::View& sender, int tag, ui::Size size);
    int64_t leftType() const;
    int64_t samples() const;
    bool paired() const;
    bool proportions() const;

    std::shared_ptr<ChartSource> source_;
    // Whether the difference curves run in days (a date variable): read once as the charts are set.
    bool differenceInDays_ = false;
    // The axes' label formatter, kept from run to run (in the locale it was made in), so that a rerun
    // keeps the labels of ticks that stay where they were.
    std::shared_ptr<foundation::NumberFormatter> axisLabels_;
    uint64_t axisLabelsLocale_ = 0;
    double sizeBody_ = 14;
    int digits_ = 7;
    std::vector<int64_t> binomialTests_;
    std::vector<std::string> levelsLeft_, levelsRight_;
    double minTheoretical_ = 0, maxTheoretical_ = 1, minTheoreticalDiff_ = 0, maxTheoreticalDiff_ = 1;
    uint64_t resolutionX_ = 0, resolutionY_ = 0;
    std::vector<std::vector<std::string>> dataTable_;
    std::vector<std::string> statements_;
    std::string statisticLine_, decision_;
    // Why the result's test could not be carried out (no statistic or p-value), when it could not.
    std::optional<std::string> untestable_;

    std::shared_ptr<ui::Button> buttonLeft_, buttonRight_, buttonWhereY_, buttonLevel1Left_, buttonLevel1Right_,
        buttonTest_;
    std::shared_ptr<ui::TextView> textViewResults_;
    std::shared_ptr<ui::SegmentedControl> segmentSamples_, segmentDistribution_, segmentTails_;
    std::shared_ptr<ui::TextField> fieldExpected_;
    std::shared_ptr<ui::Label> labelWhereY_, labelLevel1Left_, labelLevel1Right_, labelLeftVar_, labelSamples_,
        labelTails_, labelTest_, legendSample1_, legendSample2_, labelPDFSample1_, labelPDFSample2_,
        labelLegendBoxSample1_, labelLegendBoxSample2_, labelLegendDensitySample1_, labelLegendDensitySample2_,
        labelLegendDiffAlt_, labelLegendDiffNull_;
    std::shared_ptr<ui::Label> labelGraph_[4];
    std::shared_ptr<ui::ScrollView> scrollView_;
    std::shared_ptr<CPTGraphHostingView> viewGraph_[4];
    std::shared_ptr<CPTXYGraph> graph_, graphDensity_, graphTheoretical_, graphTheoreticalDiff_;
    std::vector<std::shared_ptr<CPTPlot>> boxPlots_, proportionPlots_, densityPlots_, theoreticalPlots_, diffPlots_;
    std::shared_ptr<CPTScatterPlot> expectedBox_, expectedDensity_, density0_, density1_;
};

// The report page of a means test: the body text at 12 points.
class HypothesisTestMeansViewController_PDF : public HypothesisTestViewController {
  public:
    void viewDidLoad() override {
        HypothesisTestViewController::viewDidLoad();
        setSizeBody(12);
    }
};

// The report page of a proportions test keeps the screen's body size.
class HypothesisTestProportionsViewController_PDF : public HypothesisTestViewController {};
