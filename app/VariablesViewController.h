// The Variables tab: the open workspace's variables in a searchable list, each row with its type and
// a small summary (computed in the background when the cache cannot give it), swipe-delete, the way
// to the derived-variable editor within the variable limit, and a pager of variable detail pages.
#pragma once

#include "app/VariableDetailPage.h"
#include "model/Model.h"
#include "platform/ui/Label.h"
#include "platform/ui/PageViewController.h"
#include "platform/ui/SearchController.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CMPopTipView;

// A row of the list: the type colour bar, name, type, counts and a grid of three by three figures.
class VariableCell : public ui::TableViewCell {
  public:
    // The nine grid labels in reading order: labelMin, labelMed, labelMax, label3_1 ... label4_3.
    enum Grid { Min, Med, Max, R3C1, R3C2, R3C3, R4C1, R4C2, R4C3 };
    // Figures computed away from the main thread, by label: labelObs, labelLevels, then the grid.
    struct Figures {
        std::optional<std::string> obs, levels;
        std::array<std::optional<std::string>, 9> grid;
    };

    explicit VariableCell(const std::string& reuseIdentifier);
    ui::View& viewLeftShaded() { return *viewLeftShaded_; }
    ui::Label& labelName() { return *labelName_; }
    ui::Label& labelType() { return *labelType_; }
    ui::Label& labelObs() { return *labelObs_; }
    ui::Label& labelLevels() { return *labelLevels_; }
    ui::Label& grid(Grid g) { return *grid_[g]; }
    ui::Label& labelMin() { return grid(Min); }
    ui::Label& labelMed() { return grid(Med); }
    ui::Label& labelMax() { return grid(Max); }
    ui::Label& label3_1() { return grid(R3C1); }
    ui::Label& label3_2() { return grid(R3C2); }
    ui::Label& label3_3() { return grid(R3C3); }
    ui::Label& label4_1() { return grid(R4C1); }
    ui::Label& label4_2() { return grid(R4C2); }
    ui::Label& label4_3() { return grid(R4C3); }

    // The num of the column the cell was last configured for; late figures of another are not shown.
    std::optional<int64_t> shownColumn() const { return shownColumn_; }
    void setShownColumn(std::optional<int64_t> num) { shownColumn_ = num; }
    void apply(const Figures& figures);

    // Blank texts, no borders, no shading: nothing of the previous column stays.
    void prepareForReuse() override;
    void layoutSubviews() override;

  private:
    std::shared_ptr<ui::View> viewLeftShaded_;
    std::shared_ptr<ui::Label> labelName_, labelType_, labelObs_, labelLevels_;
    std::array<std::shared_ptr<ui::Label>, 9> grid_;
    std::optional<int64_t> shownColumn_;
};

// A row of the list of saved analyses: its kind, its variables and its filter.
class AnalysisCell : public ui::TableViewCell {
  public:
    explicit AnalysisCell(const std::string& reuseIdentifier);
    ui::Label& labelType() { return *labelType_; }
    ui::Label& labelDescription() { return *labelDescription_; }
    ui::Label& labelWhere() { return *labelWhere_; }
    void layoutSubviews() override;

  private:
    std::shared_ptr<ui::Label> labelType_, labelDescription_, labelWhere_;
};

class VariablesViewController : public ui::ViewController,
                                public ui::TableViewDataSource,
                                public ui::TableViewDelegate,
                                public ui::SearchResultsUpdating,
                                public ui::PageViewControllerDataSource {
  public:
    static constexpr uint64_t kVariableLimit = 500;

    VariablesViewController();
    ~VariablesViewController() override;

    Model* model() const { return model_; }
    const std::vector<std::shared_ptr<Column>>& columns() const { return columns_; }
    const std::vector<std::shared_ptr<Column>>& searchColumns() const { return searchColumns_; }
    ui::SearchController& searchController() { return *search_; }
    ui::TableView& tableView() { return *tableView_; }
    ui::Label& labelFileInfo() { return *labelFileInfo_; }
    ui::BarButtonItem& addButton() { return *addButton_; }
    // The help tip while one is shown (null otherwise).
    CMPopTipView* ptv() const { return ptv_.get(); }

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewWillTransitionToSize(ui::Size size) override;
    void setEditing(bool editing, bool animated) override;
    void prepareForSegue(const std::string& identifier, ui::ViewController& destination) override;

    void updateAddButton();
    void addAnalysis();
    void warnManyVariables();
    void filterColumnsForString(const std::string& text);
    void searchBarCancelButtonClicked();

    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             ui::IndexPath indexPath) override;
    bool canEditRowAtIndexPath(ui::TableView&, ui::IndexPath) override { return true; }
    void commitEditingStyle(ui::TableView& tableView, ui::TableViewCellEditingStyle style,
                            ui::IndexPath indexPath) override;
    void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
    void updateSearchResultsForSearchController(ui::SearchController& controller) override;
    ui::ViewController::Ptr viewControllerBeforeViewController(ui::PageViewController& pages,
                                                               ui::ViewController& current) override;
    ui::ViewController::Ptr viewControllerAfterViewController(ui::PageViewController& pages,
                                                              ui::ViewController& current) override;

    // For tests: runs on the worker with the column's num before a row's figures go back to the main
    // thread (delivered false) and once they have been handed over there (delivered true).
    void setFiguresHook(std::function<void(int64_t num, bool delivered)> hook) {
        figuresHook_ = std::move(hook);
    }

  private:
    // Shows the tip when the Add button is on screen; false when it is not there yet.
    bool presentTip(bool animated);
    void configure(VariableCell& cell, Column& column);
    void startFigures(VariableCell& cell, const Column& column);
    // A detail page for the entry of searchColumns at `index`; null when none can be made.
    ui::ViewController::Ptr pageAt(size_t index, bool hideLeft, bool hideRight);
    std::optional<size_t> positionOfPage(ui::ViewController& page) const;

    Model* model_ = nullptr;
    std::vector<std::shared_ptr<Column>> columns_, searchColumns_;
    std::unique_ptr<ui::SearchController> search_;
    std::shared_ptr<ui::TableView> tableView_;
    std::shared_ptr<ui::Label> labelFileInfo_;
    std::shared_ptr<ui::BarButtonItem> addButton_, editButton_;
    std::shared_ptr<CMPopTipView> ptv_;
    bool atLimit_ = false;
    double rowHeight_ = 100;
    std::function<void(int64_t, bool)> figuresHook_;
};
