// The Browse grid's cells: row numbers, column names with their filter button, and the edit fields of
// names and values, which remember where in the grid they sit. Outlets carry their names as identifiers.
#pragma once

#include "platform/ui/CollectionView.h"
#include "platform/ui/Control.h"
#include "platform/ui/Label.h"
#include "platform/ui/TextField.h"

#include <cstdint>
#include <memory>
#include <string>

// A row's number; under the identifier "Data" the same cell shows one value, on white.
class RowHeaderCell : public ui::CollectionViewCell {
  public:
    explicit RowHeaderCell(std::string reuseIdentifier);
    ui::Label& label() { return *label_; }
    void layoutSubviews() override;

  private:
    std::shared_ptr<ui::Label> label_;
};

class ColHeaderCell : public ui::CollectionViewCell {
  public:
    explicit ColHeaderCell(std::string reuseIdentifier);
    ui::Label& label() { return *label_; }
    // The filter button; its tag is the column's index among the screen's columns.
    ui::Button& button() { return *button_; }
    void layoutSubviews() override;

  private:
    std::shared_ptr<ui::Label> label_;
    std::shared_ptr<ui::Button> button_;
};

class EditCell : public ui::CollectionViewCell {
  public:
    explicit EditCell(std::string reuseIdentifier);
    ui::TextField& field() { return *field_; }
    // Where the cell sits in the grid: section s, item c.
    ui::IndexPath indexPath() const { return indexPath_; }
    void setIndexPath(ui::IndexPath ip) { indexPath_ = ip; }
    void layoutSubviews() override;

  private:
    std::shared_ptr<ui::TextField> field_;
    ui::IndexPath indexPath_;
};

class EditColumnCell : public EditCell {
  public:
    explicit EditColumnCell(std::string reuseIdentifier);
    // The column's index among the screen's columns (item - 1).
    uint64_t columnIndex() const { return columnIndex_; }
    void setColumnIndex(uint64_t i) { columnIndex_ = i; }
    void layoutSubviews() override;

  private:
    uint64_t columnIndex_ = 0;
};

class EditDataCell : public EditCell {
  public:
    using EditCell::EditCell;
    // Into the fetched results: section s - 1, item c - 1.
    ui::IndexPath dataIndex() const { return dataIndex_; }
    void setDataIndex(ui::IndexPath ip) { dataIndex_ = ip; }

  private:
    ui::IndexPath dataIndex_;
};

// The add-row item (under the row numbers) and the add-column item (after the column names) of edit
// mode: a "+" button filling the cell.
class AddCell : public ui::CollectionViewCell {
  public:
    explicit AddCell(std::string reuseIdentifier);
    ui::Button& button() { return *button_; }
    void layoutSubviews() override;

  private:
    std::shared_ptr<ui::Button> button_;
};
