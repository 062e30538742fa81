// One row of the Browse screen's row table (BrowseCell) and the column-name strip above it
// (BrowseHeader): a row-number label on the left and an inner table turned a quarter turn so that it
// scrolls sideways, one inner row per column. The two are one implementation (BrowseStrip) that
// differs in the points its virtual members name.
#pragma once

#include "model/Entities.h"
#include "model/WhereClauseObj.h"
#include "platform/ui/Control.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

// What the strips need of their inner table's delegate (the Browse screen), found on that delegate.
class BrowseCellDelegate {
  public:
    virtual ~BrowseCellDelegate() = default;
    // The nums of the columns whose cells were edited since edit mode began.
    virtual std::set<int64_t>& changedColumns() = 0;
    // The Browse filter, keyed by the column's num.
    virtual const std::map<int64_t, WhereClauseObj>& wheres() const = 0;
    virtual void popWhereForColumn(Column& column, ui::Button& button) = 0;
    virtual void addEmptyColumn() = 0;
};

// The shared construction, inner data source and editing. Base is the view class the strip is (a table
// cell or a plain view); Item the kind of its entries (the cells of a row, or the columns).
template <class Base, class Item>
class BrowseStrip : public Base, public ui::TableViewDataSource, public ui::TextFieldDelegate {
  public:
    // Tags and identifiers of the strip's parts.
    static constexpr int kInnerTableTag = 104;
    static constexpr int kDisplayTag = 201;
    static constexpr int kFieldTag = 202;
    static constexpr int kAddButtonTag = 205;
    static constexpr int kFilterButtonTag = 301;
    static constexpr double kLabelWidth = 50;

    ui::TableView& horizontalTableView() { return *horizontalTableView_; }
    ui::Label& labelRow() { return *labelRow_; }
    const std::vector<std::shared_ptr<Item>>& contentArray() const { return contentArray_; }
    void setContentArray(std::vector<std::shared_ptr<Item>> items) { contentArray_ = std::move(items); }
    bool modeEdit() const { return modeEdit_; }
    void setModeEdit(bool on) { modeEdit_ = on; }

    // Height of the strip, and width of every inner row before the turn.
    virtual double externalRowHeight() const = 0;
    virtual gfx::Font fontForCells() const = 0;
    virtual gfx::TextAlignment alignmentForCells() const = 0;
    // Whether the "+" of the last inner row in edit mode stays hidden.
    virtual bool hideButton() const = 0;
    virtual std::string textForIndexPath(ui::IndexPath indexPath) const = 0;
    virtual void updateValue(const std::string& text, size_t index) = 0;
    // The end-of-editing action of the inner edit fields: commits the field's text.
    virtual void editingEnded(ui::TextField& field) = 0;
    void dismissKeyboard(ui::Control&) {}

    // Return moves the editing onto the next inner row (the "+" row included).
    bool textFieldShouldReturn(ui::TextField& field) override;

    int numberOfSectionsInTableView(ui::TableView&) override { return 1; }
    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             ui::IndexPath indexPath) override;

  protected:
    using Base::Base;
    // Run by each strip's own constructor, once its virtual members answer.
    void construct();
    // The delegate of the inner table, when it is a Browse screen (else nothing).
    BrowseCellDelegate* stripDelegate() const;
    // The entry an inner row or a field's tag names; null beyond the entries (the "+" row, a stale tag).
    Item* entryAt(int index) const {
        return index >= 0 && size_t(index) < contentArray_.size() ? contentArray_[size_t(index)].get() : nullptr;
    }
    // The first element built into an inner cell's content view (the field, the "+", the display).
    static ui::View* firstElement(ui::TableViewCell& cell);
    // Made at (0, 0, W, H), turned upright against the inner table's turn and placed at (0, 0, H, W).
    static void placeTurned(ui::View& element, double W, double H);

    virtual ui::KeyboardType keyboardForFields() const = 0;
    // The elements of an inner cell when not editing, and how they are filled for inner row i.
    virtual void buildDisplay(ui::TableViewCell& cell, double W, double H) = 0;
    virtual void fillDisplay(ui::TableViewCell& cell, int i) = 0;

  private:
    void buildEditField(ui::TableViewCell& cell, double W, double H);
    void buildAddButton(ui::TableViewCell& cell, double W, double H);

    std::shared_ptr<ui::TableView> horizontalTableView_;
    std::shared_ptr<ui::Label> labelRow_;
    std::vector<std::shared_ptr<Item>> contentArray_;
    bool modeEdit_ = false;
};

class BrowseCell : public BrowseStrip<ui::TableViewCell, Cell> {
  public:
    BrowseCell(ui::TableViewCellStyle style, std::string reuseIdentifier);

    double externalRowHeight() const override { return 40; }
    gfx::Font fontForCells() const override { return gfx::Font::system(12); }
    gfx::TextAlignment alignmentForCells() const override { return gfx::TextAlignment::Right; }
    bool hideButton() const override { return true; }
    // The cell's data.
    std::string textForIndexPath(ui::IndexPath indexPath) const override;
    void updateValue(const std::string& text, size_t index) override;
    // A changed value marks its column as changed; the same value again changes nothing.
    void editingEnded(ui::TextField& field) override;

  protected:
    ui::KeyboardType keyboardForFields() const override { return ui::KeyboardType::NumbersAndPunctuation; }
    void buildDisplay(ui::TableViewCell& cell, double W, double H) override;
    void fillDisplay(ui::TableViewCell& cell, int i) override;
};

class BrowseHeader : public BrowseStrip<ui::View, Column> {
  public:
    explicit BrowseHeader(const ui::Rect& frame = {});

    double externalRowHeight() const override { return 50; }
    gfx::Font fontForCells() const override { return gfx::Font::boldSystem(12); }
    gfx::TextAlignment alignmentForCells() const override { return gfx::TextAlignment::Center; }
    bool hideButton() const override { return false; }
    // The column's name.
    std::string textForIndexPath(ui::IndexPath indexPath) const override;
    void updateValue(const std::string& text, size_t index) override;
    // A new name is taken unless it is empty or another column's; else the field shows the name again.
    void editingEnded(ui::TextField& field) override;

    // The filter button of an inner row: the screen's filter editor for that column.
    void popWhere(ui::Button& button);
    // Green with a Browse filter on the column, orange without.
    ui::Color colorForIndexPath(ui::IndexPath indexPath) const;

  protected:
    ui::KeyboardType keyboardForFields() const override { return ui::KeyboardType::Default; }
    void buildDisplay(ui::TableViewCell& cell, double W, double H) override;
    void fillDisplay(ui::TableViewCell& cell, int i) override;
};
