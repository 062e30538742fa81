// A controller whose view is a table and which serves that table as its data source and delegate;
// lists, pickers and choosers derive from it and answer the table's questions themselves.
#pragma once

#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"

#include <memory>

namespace ui {

class TableViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
  public:
    explicit TableViewController(TableViewStyle style = TableViewStyle::Plain) : style_(style) {}

    TableViewStyle style() const { return style_; }
    // The controller's view (loaded on first use).
    TableView& tableView();
    std::shared_ptr<TableView> tableViewPtr();
    // Whether the selected rows are deselected each time the screen is about to appear (default on).
    bool clearsSelectionOnViewWillAppear() const { return clearsSelection_; }
    void setClearsSelectionOnViewWillAppear(bool on) { clearsSelection_ = on; }

    // The table of the given style, with this controller as its data source and delegate.
    void loadView() override;
    // The first appearance loads the rows (a subclass sets its state in viewDidLoad, after the table
    // first asked); later ones only clear the selection.
    void viewWillAppear(bool animated) override;
    // The table follows the controller into and out of editing.
    void setEditing(bool editing, bool animated) override;

    // No rows until a subclass says otherwise.
    int numberOfRowsInSection(TableView& tableView, int section) override { return 0; }
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& tableView, IndexPath indexPath) override;

  private:
    TableViewStyle style_;
    std::shared_ptr<TableView> table_;
    bool clearsSelection_ = true;
    bool loadedRows_ = false;
};

} // namespace ui
