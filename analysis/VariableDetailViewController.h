// The detail page of one variable as the Variables screen's pager shows it: its statistics in three text
// columns, its most frequent values, and charts by its type (a histogram with a box plot and a normal QQ
// plot for numbers and dates, a bar chart and a pie chart for the others), computed on a worker over the
// rows the page's own filters pass; with its type chooser, glossary, and a PDF and CSV summary.
#pragma once

#include "analysis/AnalysisRunner.h"
#include "app/VariableDetailPage.h"
#include "app/WheresViewController.h"
#include "import/CHCSVWriter.h"
#include "model/SummaryResults.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/host/Services.h"
#include "platform/ui/Control.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextView.h"
#include "platform/ui/ViewController.h"
#include "plot/axes_plots/CPTBarPlot.h"
#include "plot/axes_plots/CPTPieChart.h"
#include "plot/axes_plots/CPTScatterPlot.h"
#include "plot/axes_plots/CPTXYGraph.h"
#include "plot/hosting/CPTGraphHostingView.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class VariableDetailViewController : public ui::ViewController,
                                     public VariableDetailPage,
                                     public ui::TableViewDataSource,
                                     public ui::TableViewDelegate {
  public:
    VariableDetailViewController();
    ~VariableDetailViewController() override;

    // --- Set by the pager
    void setModel(Model* model) override { model_ = model; }
    void setObjectIDColumn(store::ObjectId id) override { objectIDColumn_ = id; }
    void setHideLeftArrow(bool hide) override { hideLeftArrow_ = hide; }
    void setHideRightArrow(bool hide) override { hideRightArrow_ = hide; }
    std::shared_ptr<Column> column() const override { return column_; }
    Model* model() const { return model_; }
    store::ObjectId objectIDColumn() const { return objectIDColumn_; }
    bool hideLeftArrow() const { return hideLeftArrow_; }
    bool hideRightArrow() const { return hideRightArrow_; }
    // Where mail and print go: the desktop's services unless a test gives its own (not owned).
    void setMailService(host::MailService* mail) { mail_ = mail; }
    void setPrintService(host::PrintService* print) { print_ = print; }

    // --- What the last run found (empty before it ends)
    const std::optional<VariableDetailResult>& results() const { return charts_.results; }
    const TopFrequencies& frequencies() const { return frequencies_; }
    const std::optional<std::variant<HistogramBins, TopFrequencies>>& frequenciesGraph() const {
        return charts_.graph;
    }
    // The page's own filters, shared with the filter editor while it shows; never stored.
    const std::shared_ptr<WhereClauseSet>& wheres() const { return wheres_; }
    std::vector<WhereClauseObj> whereClauses() const;
    int digits() const { return digits_; }

    // --- Life cycle
    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void prepareForSegue(const std::string& identifier, ui::ViewController& destination) override;
    // Everything from the column's cached statistics, before a run ends.
    virtual void displayInitial();
    // Everything from the run's result.
    virtual void displayFinal();

    // --- Actions
    void actionChangeType(ui::View& sender);
    void actionChangeFilter();
    void glossary(ui::BarButtonItem& sender);
    void share(ui::BarButtonItem& sender);
    void mailOutput();
    void printOutput();
    static const std::vector<std::string>& glossaryTerms();

    // --- Exports (main thread). Each writes a fresh file beside `path` and renames it onto the path;
    // false (the path untouched) when anything failed.
    bool writePDFOutputAtPath(const std::string& path);
    bool writeCSVOutputAtPath(const std::string& path);
    std::optional<std::string> dataForExport();
    std::optional<std::string> dataForCSVExport();
    void writeCSVLines(CHCSVWriter& writer);
    // "Summary of <name>": the mail's subject and the attachments' names.
    std::string fileNameOutput() const;
    // The report's page-layout controller, given this page's column, model, results and filters, laid
    // out and filled, never appeared.
    std::shared_ptr<VariableDetailViewController> makeOutputController() const;

    // --- Layout metrics; the report's page layout makes them smaller
    virtual double pieRadius() const { return 100.0; }
    virtual ui::Rect cellRectValue() const { return {0, 0, 150, 20}; }
    virtual ui::Rect cellRectObs() const { return {150, 0, 75, 20}; }
    virtual ui::Rect cellRectPerc() const { return {225, 0, 40, 20}; }
    virtual ui::Rect cellRectCum() const { return {265, 0, 50, 20}; }
    virtual double tableFontSize() const { return 14.0; }
    virtual bool isForOutput() const { return false; }

    // --- Tables: the frequency table and the type chooser (tag 201)
    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             ui::IndexPath indexPath) override;
    double heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
    void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
    static constexpr int kTagTypes = 201;
    static constexpr int kTagValue = 99, kTagObs = 100, kTagPerc = 101, kTagCum = 102;

    // --- Outlets (each carries its name as identifier)
    ui::Label& labelName() { return *labelName_; }
    ui::Label& labelType() { return *labelType_; }
    ui::Label& labelLeft() { return *labelLeft_; }
    ui::Label& labelRight() { return *labelRight_; }
    ui::Label& labelValue() { return *labelValue_; }
    ui::Label& labelObs() { return *labelObs_; }
    ui::Label& labelPerc() { return *labelPerc_; }
    ui::Label& labelCumPerc() { return *labelCumPerc_; }
    ui::Label& labelFreqTable() { return *labelFreqTable_; }
    ui::Label& labelHistogram() { return *labelHistogram_; }
    ui::Label& labelQQPlot() { return *labelQQPlot_; }
    ui::Label& labelWhere() { return *labelWhere_; }
    ui::Label& labelWhereWithPrompt() { return *labelWhereWithPrompt_; }
    ui::TextView& textViewLeft() { return *textViewLeft_; }
    ui::TextView& textViewCenter() { return *textViewCenter_; }
    ui::TextView& textViewRight() { return *textViewRight_; }
    ui::Button& buttonChangeType() { return *buttonChangeType_; }
    ui::Button& buttonWhere() { return *buttonWhere_; }
    ui::ScrollView* scrollMain() { return scrollMain_.get(); }
    ui::TableView& tableTopValues() { return *tableTopValues_; }
    CPTGraphHostingView& graphView() { return *graphView_; }
    CPTGraphHostingView& graphViewQQ() { return *graphViewQQ_; }
    CPTGraphHostingView& graphViewBox() { return *graphViewBox_; }
    CPTXYGraph& graph() { return *graph_; }
    CPTXYGraph& graphQQ() { return *graphQQ_; }
    CPTXYGraph& graphBox() { return *graphBox_; }
    // The pager's items while this page shows: share first, then the glossary.
    const std::shared_ptr<ui::BarButtonItem>& shareItem() const { return shareItem_; }
    const std::shared_ptr<ui::BarButtonItem>& glossaryItem() const { return glossaryItem_; }

    // The statistic lines, each a whole line or "".
    struct StatisticTexts {
        std::string obs, levels, min, pc25, med, pc75, max, mean, std, rms, mode, var, mad, range, midRange,
            coeffVar, skew, kurtosis, sum, ciMean, ciStd, ciVar;
    };
    const StatisticTexts& statisticTexts() const { return texts_; }

    // The charts' records (fields: bar 0 location, 1 tip, 2 base; scatter 0 x, 1 y; pie 0 slice width),
    // read from a result and its graph; nothing where a plot has no such field.
    struct ChartData {
        int64_t type = 0;
        std::optional<VariableDetailResult> results;
        std::optional<std::variant<HistogramBins, TopFrequencies>> graph;
        bool numericLike() const;
        uint64_t count(const std::string& plot) const;
        std::optional<double> number(const std::string& plot, uint64_t field, uint64_t index) const;
        std::vector<std::string> levels() const;
    };
    // The fill of every bar, and of the pie's slices by index (none from index 10 on).
    static gfx::Color barColor();
    static std::optional<gfx::Color> sliceColor(uint64_t index);

  protected:
    // Gives the report's controller what this page shows.
    void passResultsTo(VariableDetailViewController& output) const;
    // Hides or shows the statistics, table and charts (a column that is gone shows only its message).
    void hideResults(bool hide);

  private:
    class BarSource;
    class PieSource;
    void layoutResults();
    void buildGraphs();
    void startRun();
    void runEnded(VariableDetailResult&& result);
    void columnGone();
    void setBarItemsEnabled(bool enabled);
    int64_t type() const;
    // What the charts draw: the last result with the type it was computed for, read in place.
    const ChartData& chartData() const { return charts_; }

    Model* model_ = nullptr;
    store::ObjectId objectIDColumn_;
    bool hideLeftArrow_ = false;
    bool hideRightArrow_ = false;
    std::shared_ptr<Column> column_;
    host::MailService* mail_ = nullptr;
    host::PrintService* print_ = nullptr;

    ChartData charts_;
    TopFrequencies frequencies_;
    std::shared_ptr<WhereClauseSet> wheres_;
    int digits_ = 7;
    StatisticTexts texts_;
    AnalysisRunner runner_;

    std::shared_ptr<BarSource> barSource_;
    std::shared_ptr<PieSource> pieSource_;
    std::shared_ptr<ui::Label> labelName_, labelType_, labelLeft_, labelRight_, labelValue_, labelObs_,
        labelPerc_, labelCumPerc_, labelFreqTable_, labelHistogram_, labelQQPlot_, labelWhere_,
        labelWhereWithPrompt_;
    std::shared_ptr<ui::TextView> textViewLeft_, textViewCenter_, textViewRight_;
    std::shared_ptr<ui::Button> buttonChangeType_, buttonWhere_;
    std::shared_ptr<ui::ScrollView> scrollMain_;
    std::shared_ptr<ui::TableView> tableTopValues_;
    std::shared_ptr<CPTGraphHostingView> graphView_, graphViewQQ_, graphViewBox_;
    std::shared_ptr<CPTXYGraph> graph_, graphQQ_, graphBox_;
    std::shared_ptr<ui::BarButtonItem> shareItem_, glossaryItem_;
    std::shared_ptr<ui::ViewController> printSheet_;
    bool gone_ = false;
    foundation::ObserverToken columnRemoved_;
};

// The report's page layout: smaller cells, type and pie, every table row 15 points high.
class VariableDetailViewController_PDF : public VariableDetailViewController {
  public:
    double pieRadius() const override { return 80.0; }
    ui::Rect cellRectValue() const override { return {0, 0, 120, 15}; }
    ui::Rect cellRectObs() const override { return {120, 0, 60, 15}; }
    ui::Rect cellRectPerc() const override { return {180, 0, 30, 15}; }
    ui::Rect cellRectCum() const override { return {210, 0, 40, 15}; }
    double tableFontSize() const override { return 10.0; }
    bool isForOutput() const override { return true; }
    double heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override { return 15.0; }
};
