// The create-workspace sheet, shown in a navigation controller by the Workspaces screen's segues
// "newBlank", "example" and "import": the new workspace's name and, for a data file, the import options
// (header row, delimiter or workbook sheet, decimal point). Confirming hands one request back to the
// Workspaces screen once the sheet has gone.
#pragma once

#include "import/FileImporter.h"
#include "platform/ui/Control.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class FilesViewController;
class Model;

class NewFileViewController : public ui::ViewController,
                              public ui::TableViewDataSource,
                              public ui::TableViewDelegate {
  public:
    // The chooser's table tags.
    static constexpr int tagSheets = 101, tagDelimiters = 102;

    // The source: the data file, the blank text resource, or the example workspace resource.
    const std::string& url() const { return url_; }
    void setUrl(std::string url) { url_ = std::move(url); }
    // The workspace file to make, set when the user confirms.
    const std::string& urlOut() const { return urlOut_; }
    Model* model() const { return model_; }
    void setModel(Model* model) { model_ = model; }
    // The screen that carries out the request (not owned: it is a tab and outlives the sheet).
    FilesViewController* filesViewController() const { return filesViewController_; }
    void setFilesViewController(FilesViewController* controller) { filesViewController_ = controller; }
    // Which request this is; neither: an import.
    bool isBlank() const { return isBlank_; }
    void setIsBlank(bool on) { isBlank_ = on; }
    bool isExample() const { return isExample_; }
    void setIsExample(bool on) { isExample_ = on; }

    // --- the options
    bool hasHeader() const { return hasHeader_; }
    std::size_t indexDelim() const { return indexDelim_; }
    std::size_t indexSheet() const { return indexSheet_; }
    // The workbook's sheets once the inspection has reported; nothing before, or for a text file, or when
    // the workbook could not be read.
    const std::optional<std::vector<WorkbookSheet>>& sheets() const { return sheets_; }
    const std::vector<std::string>& delims() const { return delims_; }
    const std::string& decimalSeparator() const { return decimalSeparator_; }
    // The delimiter character of a delimiter index: comma, tab, space; any other index a tab.
    static std::uint16_t delimiterForIndex(std::size_t index);
    // Why a typed name cannot name a workspace file, or nothing when it can.
    static std::optional<std::string> nameProblem(const std::string& name);

    // --- outlets
    ui::Label& labelInput() { return *labelInput_; }
    ui::TextField& fieldOutput() { return *fieldOutput_; }
    ui::Label& labelNameProblem() { return *labelNameProblem_; }
    ui::Label& labelDescribeSource() { return *labelDescribeSource_; }
    ui::Label& labelPromptName() { return *labelPromptName_; }
    ui::Button& buttonCreate() { return *buttonCreate_; }
    ui::Button& buttonAdvanced() { return *buttonAdvanced_; }
    ui::Switch& switchHeader() { return *switchHeader_; }
    ui::Label& labelOptions() { return *labelOptions_; }
    ui::Label& labelHeader() { return *labelHeader_; }
    ui::View& horizontalRule() { return *horizontalRule_; }
    ui::SegmentedControl& segmentDecimal() { return *segmentDecimal_; }
    ui::Button& buttonAdvOptions() { return *buttonAdvOptions_; }
    ui::Label& labelDecimal() { return *labelDecimal_; }
    ui::Label& labelDecimalExplain() { return *labelDecimalExplain_; }

    // --- screen events and actions
    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void updateHeader();
    void updateLabelAdvanced();
    void cancel();
    void createFile();
    void chooseAdvanced();
    void toggleHeader();
    void changeDecimal();
    void showAdvOptions();
    // Dismisses the sheet, then sends the request.
    void finish();
    void returnToFilesView();
    // The inspection's report, on the main thread.
    void didInspectURL(const std::optional<std::vector<WorkbookSheet>>& sheets);

    // --- the chooser
    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath ip) override;
    void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath ip) override;

  private:
    bool isWorkbook() const;
    void startInspection();
    // Create is offered only for a name that can name a file; the line under the field says why not.
    void updateName();
    void layoutScreen();

    std::string url_, urlOut_;
    Model* model_ = nullptr;
    FilesViewController* filesViewController_ = nullptr;
    bool isBlank_ = false;
    bool isExample_ = false;
    bool hasHeader_ = true;
    std::size_t indexDelim_ = 0;
    std::size_t indexSheet_ = 0;
    bool inspected_ = false;
    bool closed_ = false; // dismissed: a late report of the inspection is dropped
    std::optional<std::vector<WorkbookSheet>> sheets_;
    std::vector<std::string> delims_;
    std::string decimalSeparator_ = ".";

    std::shared_ptr<ui::Label> labelInput_, labelNameProblem_, labelDescribeSource_, labelPromptName_, labelOptions_,
        labelHeader_, labelDecimal_, labelDecimalExplain_;
    std::shared_ptr<ui::TextField> fieldOutput_;
    std::shared_ptr<ui::Button> buttonCreate_, buttonAdvanced_, buttonAdvOptions_;
    std::shared_ptr<ui::Switch> switchHeader_;
    std::shared_ptr<ui::View> horizontalRule_;
    std::shared_ptr<ui::SegmentedControl> segmentDecimal_;
};
