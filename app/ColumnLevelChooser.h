// The list of one column's levels, ticked to choose any number of them. The levels are read on a
// background Model; until they arrive the list is empty, and a chooser closed meanwhile drops them.
#pragma once

#include "model/Model.h"
#include "platform/ui/TableViewController.h"

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

class ColumnLevelChooserDelegate {
  public:
    virtual ~ColumnLevelChooserDelegate() = default;
    virtual void choseLevels(const std::set<std::string>& levels) = 0;
};

class ColumnLevelChooser : public ui::TableViewController {
  public:
    ColumnLevelChooser() = default;

    Model* model() const { return model_; }
    // The column's levels in code-point order ("1", "10", "2"), once read.
    const std::vector<std::string>& levels() const { return levels_; }
    int64_t colNum() const { return colNum_; }
    void setColNum(int64_t n) { colNum_ = n; }
    const std::set<std::string>& selectedLevels() const { return selectedLevels_; }
    void setSelectedLevels(std::set<std::string> levels) { selectedLevels_ = std::move(levels); }
    ColumnLevelChooserDelegate* delegate() const { return delegate_; }
    void setDelegate(ColumnLevelChooserDelegate* delegate) { delegate_ = delegate; }

    void viewDidLoad() override;
    // The Done item: the ticked levels to the delegate, which closes the chooser.
    void done();

    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             ui::IndexPath indexPath) override;
    void willDisplayCell(ui::TableView& tableView, ui::TableViewCell& cell, ui::IndexPath indexPath) override;
    void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
    void didDeselectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

    // For tests: runs on the worker before the levels are read (done false) and after their answer
    // reached the main queue (done true).
    void setLoadHook(std::function<void(bool done)> hook) { loadHook_ = std::move(hook); }

  private:
    Model* model_ = nullptr;
    std::vector<std::string> levels_;
    int64_t colNum_ = 0;
    std::set<std::string> selectedLevels_;
    ColumnLevelChooserDelegate* delegate_ = nullptr;
    std::function<void(bool)> loadHook_;
};
