// The column picker: single and multi choice, search by name, Save and Add All.
#include "app/ColumnPickerViewController.h"

#include "app/CheckmarkCell.h"
#include "platform/foundation/IcuText.h"
#include "platform/foundation/Tr.h"

ColumnPickerViewController::ColumnPickerViewController(
    ui::TableViewStyle style, std::vector<std::shared_ptr<Column>> columns,
    const std::optional<std::vector<std::shared_ptr<Column>>>& selectedColumns, uint64_t position)
    : ui::TableViewController(style), columns_(std::move(columns)), searchColumns_(columns_),
      position_(position) {
    if (selectedColumns)
        selected_.insert(selectedColumns->begin(), selectedColumns->end());
}

ui::NavigationController* ColumnPickerViewController::navigationController() const {
    if (position_ == PickerPositionFurther)
        return nullptr;
    return ui::TableViewController::navigationController();
}

void ColumnPickerViewController::viewDidLoad() {
    ui::TableViewController::viewDidLoad();
    // The list starts below the navigation bar already: nothing extends under the bars here.
    search_ = std::make_unique<ui::SearchController>();
    search_->obscuresBackgroundDuringPresentation = false;
    search_->setSearchResultsUpdater(this);
    ui::SearchBar& bar = search_->searchBar();
    // The bar tells its controller of each change; the cancel button reaches the picker as well.
    bar.cancelButton().addTarget(
        ui::TouchUpInside, [this](ui::Control&) { searchBarCancelButtonClicked(search_->searchBar()); });
    // Kept as written: the placeholder came with the search from the glossary.
    bar.setPlaceholder(foundation::tr("Search help terms"));
    tableView().setTableHeaderView(search_->searchBarPtr());
    if (position_ != PickerPositionFurther)
        return;
    // Ticks stand for the choice, so they stay when the picker shows again.
    setClearsSelectionOnViewWillAppear(false);
    CheckmarkCell::registerIn(tableView(), "Cell");
    tableView().setAllowsMultipleSelectionDuringEditing(true);
    setEditing(true, false);
    navigationItem().setRightBarButtonItem(std::make_shared<ui::BarButtonItem>(
        ui::BarButtonItem::SystemItem::Save, [this](ui::BarButtonItem&) { done(); }));
    navigationItem().setLeftBarButtonItem(std::make_shared<ui::BarButtonItem>(
        foundation::tr("Add All"), [this](ui::BarButtonItem&) { addAll(); }));
    navigationItem().leftItemsSupplementBackButton = true;
}

void ColumnPickerViewController::done() {
    // Every ticked column goes, listed or not (a search may hide some, and rows never shown were ticked
    // before the picker opened), in the caller's order.
    std::vector<std::shared_ptr<Column>> picked;
    for (const auto& column : columns_)
        if (selected_.count(column))
            picked.push_back(column);
    auto keep = shared_from_this();
    if (delegate_)
        delegate_->picker(*this, picked, position_);
}

void ColumnPickerViewController::addAll() {
    ui::TableView& table = tableView();
    for (int row = 0; row < table.numberOfRowsInSection(0); ++row) {
        table.selectRowAtIndexPath(ui::IndexPath{0, row}, false, ui::TableViewScrollPosition::None);
        if (size_t(row) < searchColumns_.size())
            selected_.insert(searchColumns_[size_t(row)]);
    }
}

void ColumnPickerViewController::filterColumnsForString(const std::string& text) {
    if (text.empty()) {
        searchColumns_ = columns_;
        return;
    }
    const std::string wanted = foundation::foldForSearch(text);
    searchColumns_.clear();
    for (const auto& column : columns_)
        if (foundation::foldForSearch(column->name()).find(wanted) != std::string::npos)
            searchColumns_.push_back(column);
}

void ColumnPickerViewController::updateSearchResultsForSearchController(
    ui::SearchController& searchController) {
    filterColumnsForString(searchController.searchBar().text());
    reloadList();
}

void ColumnPickerViewController::searchBarCancelButtonClicked(ui::SearchBar&) {
    searchColumns_ = columns_;
    reloadList();
}

void ColumnPickerViewController::reloadList() {
    // The table keeps selections by row, and rows now hold other columns: the ticks come back from
    // `selected` as the rows show.
    ui::TableView& table = tableView();
    for (ui::IndexPath ip : table.indexPathsForSelectedRows())
        table.deselectRowAtIndexPath(ip, false);
    table.reloadData();
}

int ColumnPickerViewController::numberOfRowsInSection(ui::TableView&, int) {
    return int(searchColumns_.size());
}

std::shared_ptr<ui::TableViewCell>
ColumnPickerViewController::cellForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
    auto cell = tableView.dequeueReusableCellWithIdentifier("Cell", indexPath);
    if (size_t(indexPath.row) < searchColumns_.size())
        cell->textLabel().setText(searchColumns_[size_t(indexPath.row)]->name());
    return cell;
}

void ColumnPickerViewController::willDisplayCell(ui::TableView& tableView, ui::TableViewCell&,
                                                 ui::IndexPath indexPath) {
    if (size_t(indexPath.row) < searchColumns_.size() &&
        selected_.count(searchColumns_[size_t(indexPath.row)]))
        tableView.selectRowAtIndexPath(indexPath, false, ui::TableViewScrollPosition::None);
}

void ColumnPickerViewController::didSelectRowAtIndexPath(ui::TableView&, ui::IndexPath indexPath) {
    if (size_t(indexPath.row) >= searchColumns_.size())
        return;
    const auto& column = searchColumns_[size_t(indexPath.row)];
    if (position_ != PickerPositionFurther) {
        auto keep = shared_from_this();
        if (delegate_)
            delegate_->picker(*this, {column}, position_);
        return;
    }
    selected_.insert(column);
}

void ColumnPickerViewController::didDeselectRowAtIndexPath(ui::TableView&, ui::IndexPath indexPath) {
    if (position_ == PickerPositionFurther && size_t(indexPath.row) < searchColumns_.size())
        selected_.erase(searchColumns_[size_t(indexPath.row)]);
}
