// The level chooser: the background read of the levels, ticks and Done.
#include "app/ColumnLevelChooser.h"

#include "app/CheckmarkCell.h"
#include "platform/foundation/Dispatch.h"

#include <algorithm>

void ColumnLevelChooser::viewDidLoad() {
    ui::TableViewController::viewDidLoad();
    model_ = &Model::sharedModel();
    levels_.clear();
    setClearsSelectionOnViewWillAppear(false);
    CheckmarkCell::registerIn(tableView(), "Cell");
    tableView().setAllowsMultipleSelectionDuringEditing(true);
    setEditing(true, false);
    navigationItem().hidesBackButton = true;
    navigationItem().setRightBarButtonItem(std::make_shared<ui::BarButtonItem>(
        ui::BarButtonItem::SystemItem::Done, [this](ui::BarButtonItem&) { done(); }));

    std::weak_ptr<ViewController> weak = weak_from_this();
    auto coordinator = model_->persistentStoreCoordinator();
    dispatch::globalQueue(dispatch::Priority::high)
        .async([weak, coordinator, colNum = colNum_, hook = loadHook_] {
            if (hook)
                hook(false);
            Model background;
            background.setPersistentStoreCoordinator(coordinator);
            background.setManagedObjectContext(std::make_shared<store::Context>(coordinator));
            std::vector<std::string> found;
            if (auto column = colNum >= 0 ? background.columnNumber(uint64_t(colNum)) : nullptr)
                for (const auto& [level, count] : background.frequenciesOfColumn(*column))
                    found.push_back(level);
            // Byte order of UTF-8 is code-point order: "1", "10", "2".
            std::sort(found.begin(), found.end());
            dispatch::mainQueue().sync([&] {
                auto chooser = std::static_pointer_cast<ColumnLevelChooser>(weak.lock());
                if (!chooser)
                    return;
                // The levels and the trimmed ticks are in place before the list shows any row, so no
                // row can be ticked during the load.
                std::set<std::string> kept;
                for (const auto& level : chooser->selectedLevels_)
                    if (std::binary_search(found.begin(), found.end(), level))
                        kept.insert(level);
                chooser->selectedLevels_ = std::move(kept);
                chooser->levels_ = std::move(found);
                chooser->tableView().reloadData();
            });
            if (hook)
                hook(true);
        });
}

void ColumnLevelChooser::done() {
    auto keep = shared_from_this();
    if (delegate_)
        delegate_->choseLevels(selectedLevels_);
}

int ColumnLevelChooser::numberOfRowsInSection(ui::TableView&, int) {
    return int(levels_.size());
}

std::shared_ptr<ui::TableViewCell> ColumnLevelChooser::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                             ui::IndexPath indexPath) {
    auto cell = tableView.dequeueReusableCellWithIdentifier("Cell", indexPath);
    if (size_t(indexPath.row) < levels_.size())
        cell->textLabel().setText(levels_[size_t(indexPath.row)]);
    return cell;
}

void ColumnLevelChooser::willDisplayCell(ui::TableView& tableView, ui::TableViewCell&,
                                         ui::IndexPath indexPath) {
    if (size_t(indexPath.row) < levels_.size() && selectedLevels_.count(levels_[size_t(indexPath.row)]))
        tableView.selectRowAtIndexPath(indexPath, false, ui::TableViewScrollPosition::None);
}

void ColumnLevelChooser::didSelectRowAtIndexPath(ui::TableView&, ui::IndexPath indexPath) {
    if (size_t(indexPath.row) < levels_.size())
        selectedLevels_.insert(levels_[size_t(indexPath.row)]);
}

void ColumnLevelChooser::didDeselectRowAtIndexPath(ui::TableView&, ui::IndexPath indexPath) {
    if (size_t(indexPath.row) < levels_.size())
        selectedLevels_.erase(levels_[size_t(indexPath.row)]);
}
