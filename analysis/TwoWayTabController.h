// The two-way table screen: the counts of two variables' levels crossed (the first variable's levels as
// rows, the second's as columns) with their totals and, on request, cell, row or column percentages;
// the chi-squared test of independence with Phi or Cramer's V and a one-sentence reading; and, with
// row or column percentages, stacked percent bars.
#pragma once

#include "analysis/AnalysisDetailViewController.h"
#include "controls/HorizontalTableView.h"
#include "model/SummaryResults.h"
#include "plot/axes_plots/CPTBarPlot.h"
#include "plot/axes_plots/CPTXYGraph.h"
#include "plot/hosting/CPTGraphHostingView.h"
#include "platform/ui/Control.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TableView.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What one run found: the table, or nothing before the first run ends.
struct TwoWayGraphData {
    std::optional<TwoWayTableResult> result;
};

// The stacked percent bars of a two-way table. Row mode (1) stands one bar per level of the first
// variable, stacked by the levels of the second; column mode (2) the other way round; both end with a
// "Total" bar from the margin shares of the stacked side. Mode 0 has no bars.
class TwoWayStackedBars {
  public:
    TwoWayStackedBars(const TwoWayTableResult& result, int64_t mode) : result_(result), mode_(mode) {}

    // The bars' categories (without "Total") and the stacked series, by level name.
    const std::vector<std::string>& categories() const;
    const std::vector<std::string>& series() const;
    // Records of every series: one per category, then the "Total" bar.
    size_t records() const;
    // Where series s's piece of bar r begins and ends (running sums of the shares before it and up to it).
    double base(size_t s, size_t r) const;
    double tip(size_t s, size_t r) const;

    // The chart's ten colours, reused from the first for further series.
    static gfx::Color colorOfSeries(size_t s);
    // A category label on the chart: the level's name (levelName) whole up to 16 characters, otherwise its
    // first 16 and "…".
    static std::string chartLabel(const std::string& level);
    // How a level is named to the user: the empty text (the missing values, counted when the table
    // includes them) reads "(missing)"; any other level is its own text.
    static std::string levelName(const std::string& level);

    // A graph for the bars: no paddings of its own, the plot area inset 20 at the top, 50 at the bottom,
    // 10 at the right and 60 at the left, black axis lines. Smaller type on a report page.
    static std::shared_ptr<CPTXYGraph> makeGraph(gfx::Size size, bool report);
    // Draws the bars on a graph made by makeGraph, in place of any plots it had: the titles, the
    // categories' labels with "Total" last, one bar plot per series (identifier its index, titled by its
    // level) whose records `source` gives, a legend row per series, and the percent axis.
    // The legend stands above the plot area (beside it on a report): the answer is the height it takes
    // there, which a chart grows by to keep its bars' height.
    double draw(CPTXYGraph& graph, const std::shared_ptr<CPTBarPlotDataSource>& source, const std::string& xTitle,
                bool report) const;

    // The records of the bars drawn from a table it keeps.
    class Source : public CPTBarPlotDataSource {
      public:
        void setTable(std::optional<TwoWayTableResult> result, int64_t mode);
        uint64_t numberOfRecordsForPlot(CPTPlot& plot) override;
        std::optional<double> doubleForPlot(CPTPlot& plot, uint64_t field, uint64_t idx) override;

      private:
        std::optional<TwoWayTableResult> result_;
        int64_t mode_ = 0;
    };

  private:
    double share(size_t s, size_t r) const;
    const TwoWayTableResult& result_;
    int64_t mode_;
};

class TwoWayTabController : public AnalysisDetailScreen<TwoWayGraphData>,
                            public ui::TableViewDataSource,
                            public ui::TableViewDelegate,
                            public HorizontalTableViewDelgate {
  public:
    TwoWayTabController();
    ~TwoWayTabController() override;

    // The significance stars of a p-value, each set with a leading blank: " *", " **", " ***" or "".
    static std::string stars(double p);
    // The p line: "p < 0.001***" below 0.001, otherwise "p = " with the number and its stars.
    static std::string pText(double p);
    // "Phi = …" for a table of two levels on each side, otherwise "Cramer's V = …".
    static std::string associationText(const TwoWayTableResult& result);
    // Whether the table has two kept levels on each side (and so a Phi).
    static bool isTwoByTwo(const TwoWayTableResult& result);
    static std::string interpretation(double p, const std::string& left, const std::string& right);
    // A whole percentage ("33%") in the user's locale.
    static std::string percentText(double fraction);

    void loadView() override;
    void viewDidLoad() override;
    void displayInitial() override;
    void displayFinal() override;
    bool isValid(AnalysisError& error) const override;
    void showMessage(const std::string& text) override;
    std::shared_ptr<AnalysisDetailViewController> viewControllerForOutput() const override;
    std::string fileNameOutput() const override;
    void writeCSVLines(CHCSVWriter& writer) override;
    void hideResults(bool hide);

    // --- Choices ---
    // The percentage segment: "None" (3) stores mode 0 without percentages, any other its mode with them.
    void changePerc(ui::SegmentedControl& sender);
    void changeIncludeMissing(ui::Switch& sender);

    // --- Grid metrics (the report's page layout makes them smaller) ---
    virtual int yOffset() const { return 120; }
    double rowHeaderWidth() const override { return 150; }
    virtual int colHeaderWidth() const { return 150; }
    virtual int cellWidth() const { return 50; }
    virtual int cellHeight() const { return 40; }
    virtual int colHeaderHeight() const { return 35; }
    virtual gfx::Font fontTable() const { return gfx::Font::system(17); }
    // The room kept between a cell's numbers and its right border.
    virtual double cellPadding() const { return 5; }

    // --- Outlets (each carries its name as identifier) ---
    ui::Button& buttonLeft() { return *buttonLeft_; }
    ui::Button& buttonRight() { return *buttonRight_; }
    ui::Label& labelRowCol() { return *labelRowCol_; }
    ui::SegmentedControl& segmentPerc() { return *segmentPerc_; }
    ui::View& viewTable() { return *viewTable_; }
    ui::ScrollView* scrollTable() { return scrollTable_.get(); }
    ui::Switch& switchIncludeMissing() { return *switchIncludeMissing_; }
    ui::Label& labelIncludeMissing() { return *labelIncludeMissing_; }
    ui::Label& labelChi() { return *labelChi_; }
    ui::Label& labelV() { return *labelV_; }
    ui::Label& labelP() { return *labelP_; }
    ui::Label& labelInterpret() { return *labelInterpret_; }
    ui::Label& labelChiHeadline() { return *labelChiHeadline_; }
    ui::Label& labelSigLegend() { return *labelSigLegend_; }
    CPTGraphHostingView& viewGraph() { return *viewGraph_; }
    ui::TableView& tableResults() { return *tableResults_; }
    HorizontalTableView& header() { return *header_; }
    ui::Label& labelHeaderRight() { return *labelHeaderRight_; }
    ui::View& stackCompactTable() { return *stackCompactTable_; }
    ui::ScrollView* scrollMain() { return scrollMain_.get(); }
    CPTXYGraph& graph() { return *graph_; }

    // --- The compact table: one sideways row per level of the first variable, then the totals ---
    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             ui::IndexPath indexPath) override;
    double heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
    void layoutCell(ui::TableViewCell& cell, ui::TableView& table) override;
    void configureCell(ui::TableViewCell& cell, const foundation::Value& item, ui::TableView& table) override;
    // Moves the header strip and every visible row to the sideways offset of whichever of them scrolled.
    void scrollViewDidScroll(ui::ScrollView& scrollView) override;

    // Tags: every view of the grid, the compact table and its parts.
    static constexpr int kTagGrid = 101, kTagHeaderInner = 102, kTagHeaderMoving = 103, kTagInner = 104,
                         kTagInnerMoving = 105, kTagRow = 66, kTagCount = 67, kTagPercent = 68, kTagResults = 200,
                         kTagRowHeader = 201;

  protected:
    Computation computation() const override;
    bool isCompact() const;

  private:
    void buildGraph();
    // The chart's height without its legend.
    double chartHeight() const { return isForOutput() ? 260 : 380; }
    void layoutResults();
    void buildGrid(const TwoWayTableResult& result);
    void clearGrid();
    void showChart(const TwoWayTableResult& result);
    // A cell of the grid: a bordered view with its count and, with percentages, its percentage.
    void addCell(double x, double y, const std::string& count, const std::optional<double>& share);
    // A header of the grid, turned a quarter of a half turn upwards when `turned`.
    // Right-aligned unless turned (left) or told otherwise.
    void addHeader(const ui::Rect& frame, const std::string& text, const gfx::Color& color, bool turned,
                   bool bordered, std::optional<gfx::TextAlignment> alignment = std::nullopt);
    bool showsPercentages() const;
    int64_t mode() const;
    // The cells of the compact row (or of the header strip) of `row`: counts and percentages as
    // "count\npercentage" items, "Total" last.
    std::vector<foundation::Value> compactItems(size_t row) const;
    // The grid's views, kept from one display to the next in the order the grid adds them: a result
    // shown again (a rerun, a choice changed) hands them back, so labels whose text and size stay keep
    // their laid-out text instead of laying out hundreds of new labels at the next drawing.
    struct GridCell {
        std::shared_ptr<ui::View> box;
        std::shared_ptr<ui::Label> count, percent;
    };
    ui::View& nextGridBox(const ui::Rect& frame);
    ui::Label& nextGridLabel();
    GridCell& nextGridCell();
    std::vector<std::shared_ptr<ui::View>> gridBoxes_;
    std::vector<std::shared_ptr<ui::Label>> gridLabels_;
    std::vector<GridCell> gridCells_;
    size_t boxesUsed_ = 0, labelsUsed_ = 0, cellsUsed_ = 0;

    std::shared_ptr<TwoWayStackedBars::Source> source_;
    std::shared_ptr<ui::Button> buttonLeft_, buttonRight_;
    std::shared_ptr<ui::Label> labelRowCol_, labelIncludeMissing_, labelChi_, labelV_, labelP_, labelInterpret_,
        labelChiHeadline_, labelSigLegend_, labelHeaderRight_;
    std::shared_ptr<ui::SegmentedControl> segmentPerc_;
    std::shared_ptr<ui::Switch> switchIncludeMissing_;
    std::shared_ptr<ui::View> viewTable_, stackCompactTable_;
    std::shared_ptr<ui::ScrollView> scrollMain_, scrollTable_;
    std::shared_ptr<ui::TableView> tableResults_;
    std::shared_ptr<HorizontalTableView> header_;
    std::shared_ptr<CPTGraphHostingView> viewGraph_;
    std::shared_ptr<CPTXYGraph> graph_;
};

// The report's page layout: a smaller grid in 10-point type, always the wide grid.
class TwoWayTabController_PDF : public TwoWayTabController {
  public:
    int yOffset() const override { return 72; }
    double rowHeaderWidth() const override { return 100; }
    int colHeaderWidth() const override { return 100; }
    int cellWidth() const override { return 30; }
    int cellHeight() const override { return 25; }
    int colHeaderHeight() const override { return 22; }
    gfx::Font fontTable() const override { return gfx::Font::system(10); }
    double cellPadding() const override { return 2; }
};
