// A row of a result table that scrolls sideways: a fixed header label at the left and, beside it, a
// table turned a quarter turn so that its rows run left to right as columns, their content upright.
#pragma once

#include "platform/foundation/Value.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"

#include <memory>
#include <vector>

// What the owner of the inner table's delegate answers (spelled so): the cell's content once per new
// cell, and its filling each time it is shown.
class HorizontalTableViewDelgate {
  public:
    virtual ~HorizontalTableViewDelgate() = default;
    virtual void layoutCell(ui::TableViewCell& cell, ui::TableView& table) = 0;
    virtual void configureCell(ui::TableViewCell& cell, const foundation::Value& item, ui::TableView& table) = 0;
};

class HorizontalTableView : public ui::View, private ui::TableViewDataSource {
  public:
    explicit HorizontalTableView(const ui::Rect& frame = {}, double rowHeaderWidth = 100);

    ui::Label& labelRowHeader() { return *label_; }
    // The turned table; its delegate, when it also implements HorizontalTableViewDelgate, fills the cells.
    ui::TableView& horizontalTable() { return *table_; }
    const std::vector<foundation::Value>& contentArray() const { return content_; }
    // One item per column, in order; the table reloads.
    void setContentArray(std::vector<foundation::Value> items);
    double rowHeaderWidth() const { return headerWidth_; }
    void changeRowHeaderWidth(double width);

    void layoutSubviews() override;

  private:
    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             ui::IndexPath indexPath) override;
    HorizontalTableViewDelgate* horizontalDelegate() const;
    std::shared_ptr<ui::TableViewCell> makeCell(const std::string& reuseIdentifier);

    double headerWidth_;
    std::shared_ptr<ui::Label> label_;
    std::shared_ptr<ui::View> container_;
    std::shared_ptr<ui::TableView> table_;
    std::vector<foundation::Value> content_;
};
