// A table of rows in sections that makes cells only for the visible rows and reuses them by
// identifier; selection, swipe-to-delete, row deletion and insertion, scrolling to a row.
#pragma once

#include "platform/ui/CellReusePool.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace ui {

struct IndexPath {
    int section = 0;
    int row = 0;
    friend bool operator==(const IndexPath&, const IndexPath&) = default;
    friend auto operator<=>(const IndexPath&, const IndexPath&) = default;
};

enum class TableViewCellStyle { Default, Value1, Value2, Subtitle };
enum class TableViewCellAccessory { None, DisclosureIndicator, DetailDisclosureButton, Checkmark };
enum class TableViewCellEditingStyle { None, Delete, Insert };
enum class TableViewScrollPosition { None, Top, Middle, Bottom };
enum class TableViewStyle { Plain, Grouped };

class TableViewCell : public View {
  public:
    TableViewCell(TableViewCellStyle style, std::string reuseIdentifier);
    const std::string& reuseIdentifier() const { return reuseIdentifier_; }
    View& contentView() { return *content_; }
    Label& textLabel() { return *text_; }
    Label& detailTextLabel() { return *detail_; }
    TableViewCellAccessory accessoryType() const { return accessory_; }
    void setAccessoryType(TableViewCellAccessory a);
    bool isSelected() const { return selected_; }
    virtual void setSelected(bool selected, bool animated);
    // Called before the table hands the cell out again.
    virtual void prepareForReuse() {}
    // The control shown at the leading edge while the table edits (none, a delete or an insert button);
    // the table sets it and what a tap on it does.
    TableViewCellEditingStyle editingControl() const { return editingStyle_; }
    void setEditingControl(TableViewCellEditingStyle style, std::function<void()> action);
    void layoutSubviews() override;
    void drawRect(gfx::Context& ctx, const Rect& rect) override;
    std::string displayedText() const override { return text_->text(); }

  private:
    TableViewCellStyle style_;
    std::string reuseIdentifier_;
    std::shared_ptr<View> content_;
    std::shared_ptr<Label> text_;
    std::shared_ptr<Label> detail_;
    TableViewCellAccessory accessory_ = TableViewCellAccessory::None;
    bool selected_ = false;
    TableViewCellEditingStyle editingStyle_ = TableViewCellEditingStyle::None;
    std::shared_ptr<class Button> editingButton_;
    std::function<void()> editingAction_;
};

class TableView;

class TableViewDataSource {
  public:
    virtual ~TableViewDataSource() = default;
    virtual int numberOfSectionsInTableView(TableView& tableView) { return 1; }
    virtual int numberOfRowsInSection(TableView& tableView, int section) = 0;
    virtual std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& tableView,
                                                                 IndexPath indexPath) = 0;
    virtual bool canEditRowAtIndexPath(TableView& tableView, IndexPath indexPath) { return false; }
    virtual void commitEditingStyle(TableView& tableView, TableViewCellEditingStyle style,
                                    IndexPath indexPath) {}
};

class TableViewDelegate : public ScrollViewDelegate {
  public:
    // Negative: the table's rowHeight.
    virtual double heightForRowAtIndexPath(TableView& tableView, IndexPath indexPath) { return -1; }
    virtual void didSelectRowAtIndexPath(TableView& tableView, IndexPath indexPath) {}
    virtual void didDeselectRowAtIndexPath(TableView& tableView, IndexPath indexPath) {}
    // A cell is about to be shown for a row (after the data source made or reused it, before the
    // table shows the row's selection).
    virtual void willDisplayCell(TableView& tableView, TableViewCell& cell, IndexPath indexPath) {}
    virtual TableViewCellEditingStyle editingStyleForRowAtIndexPath(TableView& tableView,
                                                                    IndexPath indexPath) {
        return TableViewCellEditingStyle::Delete;
    }
};

class TableView : public ScrollView {
  public:
    using CellFactory = std::function<std::shared_ptr<TableViewCell>(const std::string& reuseIdentifier)>;
    explicit TableView(const Rect& frame = {}, TableViewStyle style = TableViewStyle::Plain);

    TableViewDataSource* dataSource() const { return dataSource_; }
    void setDataSource(TableViewDataSource* d);
    TableViewDelegate* tableDelegate() const { return delegate_; }
    void setTableDelegate(TableViewDelegate* d);
    double rowHeight() const { return rowHeight_; }
    void setRowHeight(double h);
    View* tableHeaderView() const { return header_.get(); }
    void setTableHeaderView(std::shared_ptr<View> header);
    bool allowsSelection() const { return allowsSelection_; }
    void setAllowsSelection(bool on) { allowsSelection_ = on; }
    bool allowsMultipleSelection() const { return allowsMultiple_; }
    void setAllowsMultipleSelection(bool on) { allowsMultiple_ = on; }
    // While editing, taps select nothing unless this is on; then they tick and untick rows.
    bool allowsMultipleSelectionDuringEditing() const { return allowsMultipleDuringEditing_; }
    void setAllowsMultipleSelectionDuringEditing(bool on) { allowsMultipleDuringEditing_ = on; }
    bool isEditing() const { return editing_; }
    void setEditing(bool editing, bool animated);

    // How a cell is made when none waits for reuse (default: a plain cell).
    void registerCellFactory(const std::string& reuseIdentifier, CellFactory factory);
    // A waiting cell (prepared for reuse) or a new one from the factory, sized to the table's width and
    // the row's height and laid out.
    std::shared_ptr<TableViewCell> dequeueReusableCellWithIdentifier(const std::string& reuseIdentifier,
                                                                     std::optional<IndexPath> indexPath = {});

    void reloadData();
    int numberOfSections() const { return int(rows_.size()); }
    int numberOfRowsInSection(int section) const;
    Rect rectForRowAtIndexPath(IndexPath indexPath) const;
    std::optional<IndexPath> indexPathForRowAtPoint(Point p) const;
    // The cell shown for a row, or null when the row is not visible.
    TableViewCell* cellForRowAtIndexPath(IndexPath indexPath) const;
    std::vector<TableViewCell*> visibleCells() const;
    std::vector<IndexPath> indexPathsForVisibleRows() const;
    // Every cell the table holds, shown or waiting for reuse.
    size_t cellCount() const;

    void selectRowAtIndexPath(std::optional<IndexPath> indexPath, bool animated,
                              TableViewScrollPosition position);
    void deselectRowAtIndexPath(IndexPath indexPath, bool animated);
    std::optional<IndexPath> indexPathForSelectedRow() const;
    std::vector<IndexPath> indexPathsForSelectedRows() const;
    void scrollToRowAtIndexPath(IndexPath indexPath, TableViewScrollPosition position, bool animated);
    // The data source has already removed / added the rows.
    void deleteRowsAtIndexPaths(const std::vector<IndexPath>& indexPaths, bool animated);
    void insertRowsAtIndexPaths(const std::vector<IndexPath>& indexPaths, bool animated);
    // The row showing its delete button after a swipe, if any.
    std::optional<IndexPath> rowShowingDelete() const { return deleteRow_; }

    void layoutSubviews() override;
    void touchesBegan(const Touches& touches, const Event& event) override;
    void touchesEnded(const Touches& touches, const Event& event) override;
    void touchesCancelled(const Touches& touches, const Event& event) override {}

  private:
    void rebuildGeometry();
    void userTapped(IndexPath ip);
    // Whether selecting a row keeps the others selected, in the present mode.
    bool selectsMultiple() const { return editing_ ? allowsMultipleDuringEditing_ : allowsMultiple_; }
    TableViewDataSource* dataSource_ = nullptr;
    TableViewDelegate* delegate_ = nullptr;
    double rowHeight_ = 44;
    std::shared_ptr<View> header_;
    bool allowsSelection_ = true;
    bool allowsMultiple_ = false;
    bool allowsMultipleDuringEditing_ = false;
    bool editing_ = false;
    // Per section, the top of each row and one past the last (content coordinates).
    std::vector<std::vector<double>> rows_;
    CellReusePool<IndexPath, TableViewCell> cells_;
    std::set<IndexPath> selected_;
    std::optional<IndexPath> deleteRow_;
    std::shared_ptr<View> deleteButton_;
    std::shared_ptr<SwipeGestureRecognizer> swipe_;
    bool touchOnDeleteRow_ = false;
};

} // namespace ui
