// The frame every analysis result screen stands on: the bar's share and glossary items, the filter
// line, the pop-overs that choose columns and edit filters, the run (validate, compute on a worker,
// show on the main thread), and the share flow: a PDF report and a CSV file, mailed or printed.
#pragma once

#include "analysis/AnalysisRunner.h"
#include "app/ColumnPickerViewController.h"
#include "import/CHCSVWriter.h"
#include "model/Model.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/host/Services.h"
#include "platform/ui/Control.h"
#include "platform/ui/Label.h"
#include "platform/ui/ViewController.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace host {
class PrintSheetViewController;
}

// Why an analysis's choices do not allow a run: the message is what the screen shows.
struct AnalysisError {
    std::string domain;
    int code = 0;
    std::string message;
};

class AnalysisDetailViewController : public ui::ViewController,
                                     public ColumnPickerDelegate,
                                     public ui::PopoverPresentationControllerDelegate {
  public:
    static constexpr const char* errorDomain = "org.ovrida.analysis";

    AnalysisDetailViewController();
    ~AnalysisDetailViewController() override;

    // The shared Model, set by whoever opens the screen (not owned).
    Model* model() const { return model_; }
    void setModel(Model* model) { model_ = model; }
    const std::shared_ptr<Analysis>& analysis() const { return analysis_; }
    void setAnalysis(std::shared_ptr<Analysis> analysis) { analysis_ = std::move(analysis); }

    // Where mail and print go: the desktop's services unless a test gives its own (not owned).
    void setMailService(host::MailService* mail) { mail_ = mail; }
    void setPrintService(host::PrintService* print) { print_ = print; }

    // Outlets, made by loadView; each carries its name as identifier.
    ui::Label* labelType() const { return labelType_.get(); }
    ui::Label* labelRightVar() const { return labelRightVar_.get(); }
    ui::Label* labelWhere() const { return labelWhere_.get(); }
    ui::Label* labelSingleTitle() const { return labelSingleTitle_.get(); }
    ui::Label* labelWhereWithPrompt() const { return labelWhereWithPrompt_.get(); }
    ui::Button* buttonWhere() const { return buttonWhere_.get(); }
    const std::shared_ptr<ui::BarButtonItem>& shareItem() const { return shareItem_; }
    const std::shared_ptr<ui::BarButtonItem>& glossaryItem() const { return glossaryItem_; }
    // The print sheet while it shows.
    host::PrintSheetViewController* printInteraction() const { return printSheet_.get(); }

    // A page-layout controller: laid out for the report page rather than the window.
    bool isForOutput() const { return forOutput_; }
    void setForOutput(bool on) { forOutput_ = on; }

    // --- Life cycle ---
    // The frame's views: the kind line, the filter button and line, the title lines. Screens add theirs
    // below contentTop().
    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

    // --- What a screen fills in ---
    virtual void displayInitial();
    virtual void displayFinal() {}
    virtual std::optional<std::vector<std::string>> glossaryTerms() const { return std::nullopt; }
    // True when the analysis's choices allow a run; otherwise `error` says why (domain errorDomain,
    // code -1, the message to show).
    virtual bool isValid(AnalysisError& error) const;
    // The screen's message view shows this ("Calculating...", or why nothing is computed).
    virtual void showMessage(const std::string& text) {}
    // Validates and starts a run (screens call it from viewWillAppear); the base only validates.
    virtual void runAnalysis();
    virtual std::shared_ptr<AnalysisDetailViewController> viewControllerForOutput() const;
    virtual std::string fileNameOutput() const;
    virtual void writeCSVLines(CHCSVWriter& writer);
    // Table metrics, read by a screen's layout code; page-layout variants make them smaller.
    virtual double rowHeaderWidth() const { return 150; }
    virtual double colWidth() const { return 90; }
    virtual double rowHeight() const { return 30; }
    virtual double tableFontSize() const { return 14; }

    // --- Actions ---
    // The column pop-over; the sender's tag is the position (1 left, 2 right, 3 the further columns).
    void chooseVariable(ui::View& sender);
    // A variable chooser on the root view: a button titled "Choose Variable" (cut in the middle when a
    // long name takes its place) with the picker position as its tag, opening the column pop-over;
    // hidden on a report page.
    std::shared_ptr<ui::Button> addVariableChooser(const char* identifier, int position, const ui::Rect& frame);
    // The two choosers of a pair of variables on the caption line, `labelRightVar` (`between` wide)
    // centred between them.
    void addChooserPair(std::shared_ptr<ui::Button>& left, std::shared_ptr<ui::Button>& right, double between);
    // Titles the pair's choosers with the chosen variables' names; an unchosen one keeps its title.
    void titleChooserPair(ui::Button& left, ui::Button& right) const;
    // The names of the chosen first and second variables, empty when unchosen.
    std::string leftName() const;
    std::string rightName() const;
    // For a screen of a pair of variables: true when both are chosen, otherwise `error` asks for them.
    bool hasVariablePair(AnalysisError& error) const;
    void setWhere(ui::View& sender);
    void glossary(ui::BarButtonItem& sender);
    void share(ui::BarButtonItem& sender);
    void mailOutput();
    void printOutput();
    void popoverPresentationControllerDidDismissPopover(ui::ViewController& presented) override;
    void picker(ColumnPickerViewController& picker, const std::vector<std::shared_ptr<Column>>& pickedColumns,
                uint64_t position) override;

    // --- Exports (main thread) ---
    // Each writes a new file beside `path`, checks it and renames it onto the path; false (with the
    // file at the path untouched) when anything failed.
    bool writePDFOutputAtPath(const std::string& path);
    bool writeCSVOutputAtPath(const std::string& path);
    // "export.pdf" and "results.csv" in the temporary folder, written afresh; nothing when either failed.
    struct ExportedFiles {
        std::string pdf, csv;
    };
    std::optional<ExportedFiles> exportFiles();
    // The bytes of a fresh export; nothing when it failed.
    std::optional<std::string> dataForExport();
    std::optional<std::string> dataForCSVExport();
    // The page-layout controller of an export, given this screen's analysis, model and results, laid
    // out for the report page and filled (displayInitial, displayFinal), never appeared.
    std::shared_ptr<AnalysisDetailViewController> makeOutputController() const;
    // An attachment's file name from a report name: "/", NUL and control characters become "-", and it
    // is cut to 200 bytes on a character boundary.
    static std::string safeFileName(const std::string& name);
    // Where the frame's views end and a screen's own begin.
    double contentTop() const { return contentTop_; }

  protected:
    // Gives the page-layout controller this screen's results (a screen with results copies them).
    virtual void passResultsTo(AnalysisDetailViewController& output) const {}
    // Draws the page-layout controller's view into a PDF file; tests put a failing writer here.
    virtual bool writePDF(ui::View& view, const std::string& path);
    // Starts the worker of a run; the base has no computation.
    virtual void startComputation(bool valid) {}
    AnalysisRunner& runner() { return runner_; }
    // Whether the screen starts its worker when the choices are not valid (it then shows the message).
    virtual bool computesWhenInvalid() const { return false; }

    // Shows the content in a navigation container as a pop-over; when rerunsOnClose, the screen runs
    // again however the pop-over closes.
    void presentPopover(const std::shared_ptr<ui::ViewController>& content, ui::View* sourceView,
                        ui::BarButtonItem* item, bool rerunsOnClose);

  private:
    void exportFailed();
    void printTo(const std::string& printer, int copies);
    void columnRemoved();

    Model* model_ = nullptr;
    std::shared_ptr<Analysis> analysis_;
    host::MailService* mail_ = nullptr;
    host::PrintService* print_ = nullptr;
    std::shared_ptr<host::PrintSheetViewController> printSheet_;
    std::shared_ptr<ui::Label> labelType_, labelRightVar_, labelWhere_, labelSingleTitle_, labelWhereWithPrompt_;
    std::shared_ptr<ui::Button> buttonWhere_;
    std::shared_ptr<ui::BarButtonItem> shareItem_, glossaryItem_;
    bool forOutput_ = false;
    bool showing_ = false;
    double contentTop_ = 0;
    AnalysisRunner runner_;
    foundation::ObserverToken columnRemoved_;
};

// A result screen whose run gives a result of type GraphData (and, where it has one, a second list of
// type ArrayResults): both empty until the first run ends, and copied into the report's controller.
template <class GraphData, class ArrayResults = std::vector<std::string>>
class AnalysisDetailScreen : public AnalysisDetailViewController {
  public:
    struct Results {
        GraphData graphData{};
        ArrayResults arrayResults{};
    };

    const GraphData& graphData() const { return graphData_; }
    void setGraphData(GraphData data) { graphData_ = std::move(data); }
    const ArrayResults& arrayResults() const { return arrayResults_; }
    void setArrayResults(ArrayResults results) { arrayResults_ = std::move(results); }

    // Every appearance runs the analysis.
    void viewWillAppear(bool animated) override {
        AnalysisDetailViewController::viewWillAppear(animated);
        runAnalysis();
    }

  protected:
    // What a run computes, on the worker, from its own Model, the analysis fetched there, the rows its
    // filters pass and the validity of the choices. Made on the main thread for each run: it holds
    // copies of whatever it needs and never the screen, which may be gone before it ends.
    using Computation = std::function<Results(AnalysisRunner::Run&, Analysis&,
                                              const std::optional<std::vector<int64_t>>&, bool)>;
    virtual Computation computation() const = 0;

    void startComputation(bool valid) override {
        if (!model() || !analysis())
            return;
        std::weak_ptr<ui::ViewController> weak = weak_from_this();
        runner().template startAnalysis<Results>(*model(), *analysis(), valid, computation(),
                                                 [weak](Results&& results) {
                                                     auto self = std::dynamic_pointer_cast<AnalysisDetailScreen>(weak.lock());
                                                     // A screen gone, or whose analysis was deleted
                                                     // meanwhile, shows nothing.
                                                     if (!self || !self->analysis() || self->analysis()->isDeleted() ||
                                                         self->analysis()->isDetached())
                                                         return;
                                                     self->graphData_ = std::move(results.graphData);
                                                     self->arrayResults_ = std::move(results.arrayResults);
                                                     self->displayFinal();
                                                 });
    }

    void passResultsTo(AnalysisDetailViewController& output) const override {
        if (auto* same = dynamic_cast<AnalysisDetailScreen*>(&output)) {
            same->graphData_ = graphData_;
            same->arrayResults_ = arrayResults_;
        }
    }

  private:
    GraphData graphData_{};
    ArrayResults arrayResults_{};
};
