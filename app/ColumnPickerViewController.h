// The list of columns to choose from, with a search bar: in single-choice positions a tap hands one
// column over at once; in the multi-choice position rows are ticked, "Add All" ticks what is listed, and
// Save hands the ticked columns over. The picker never closes itself: its delegate does.
#pragma once

#include "model/Model.h"
#include "platform/ui/SearchController.h"
#include "platform/ui/TableViewController.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

// What a picker is choosing.
enum PickerPosition : uint64_t {
    PickerPositionFilterColumn = 0, // the column of a filter clause
    PickerPositionLeft = 1,         // the first (left) variable
    PickerPositionRight = 2,        // the second (right) variable
    PickerPositionFurther = 3,      // the multi-choice list of further variables
};

class ColumnPickerViewController;

class ColumnPickerDelegate {
  public:
    virtual ~ColumnPickerDelegate() = default;
    virtual void picker(ColumnPickerViewController& picker,
                        const std::vector<std::shared_ptr<Column>>& pickedColumns, uint64_t position) = 0;
};

class ColumnPickerViewController : public ui::TableViewController,
                                   public ui::SearchResultsUpdating,
                                   public ui::SearchBarDelegate {
  public:
    // selectedColumns: the columns ticked at first (nothing for none).
    ColumnPickerViewController(ui::TableViewStyle style, std::vector<std::shared_ptr<Column>> columns,
                               const std::optional<std::vector<std::shared_ptr<Column>>>& selectedColumns,
                               uint64_t position);

    const std::vector<std::shared_ptr<Column>>& columns() const { return columns_; }
    const std::vector<std::shared_ptr<Column>>& searchColumns() const { return searchColumns_; }
    const std::set<std::shared_ptr<Column>>& selected() const { return selected_; }
    uint64_t position() const { return position_; }
    ui::SearchController& mySearchDisplayController() { return *search_; }
    // Not owned: the delegate shows the picker and outlives it.
    ColumnPickerDelegate* delegate() const { return delegate_; }
    void setDelegate(ColumnPickerDelegate* delegate) { delegate_ = delegate; }

    // In the multi-choice position the picker answers no navigation controller, so a delegate cannot
    // reach its own navigation through the picker there. (Hides the inherited accessor.)
    ui::NavigationController* navigationController() const;

    void viewDidLoad() override;

    // The Save item: every ticked column, in the order of `columns`.
    void done();
    // The "Add All" item: ticks every listed row.
    void addAll();
    // Lists the columns whose names contain the text, ignoring case and accents; all for no text.
    void filterColumnsForString(const std::string& text);
    void updateSearchResultsForSearchController(ui::SearchController& searchController) override;
    void searchBarCancelButtonClicked(ui::SearchBar& searchBar) override;

    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             ui::IndexPath indexPath) override;
    void willDisplayCell(ui::TableView& tableView, ui::TableViewCell& cell, ui::IndexPath indexPath) override;
    void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
    void didDeselectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

  private:
    void reloadList();

    std::vector<std::shared_ptr<Column>> columns_;
    std::vector<std::shared_ptr<Column>> searchColumns_;
    std::set<std::shared_ptr<Column>> selected_;
    uint64_t position_;
    std::unique_ptr<ui::SearchController> search_;
    ColumnPickerDelegate* delegate_ = nullptr;
};
