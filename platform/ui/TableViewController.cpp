// The table controller's view, first load and editing.
#include "platform/ui/TableViewController.h"

namespace ui {

TableView& TableViewController::tableView() {
    return *tableViewPtr();
}

std::shared_ptr<TableView> TableViewController::tableViewPtr() {
    viewPtr();
    return table_;
}

void TableViewController::loadView() {
    auto table = View::make<TableView>(Rect{0, 0, 320, 480}, style_);
    table->setBackgroundColor(Color::white());
    table->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    table->setDataSource(this);
    table->setTableDelegate(this);
    table_ = table;
    setView(table);
}

void TableViewController::viewWillAppear(bool animated) {
    TableView& table = tableView();
    if (!loadedRows_) {
        loadedRows_ = true;
        table.reloadData();
        return;
    }
    if (!clearsSelection_)
        return;
    for (IndexPath ip : table.indexPathsForSelectedRows())
        table.deselectRowAtIndexPath(ip, animated);
}

void TableViewController::setEditing(bool editing, bool animated) {
    ViewController::setEditing(editing, animated);
    tableView().setEditing(editing, animated);
}

std::shared_ptr<TableViewCell> TableViewController::cellForRowAtIndexPath(TableView& tableView,
                                                                          IndexPath indexPath) {
    return tableView.dequeueReusableCellWithIdentifier("Cell", indexPath);
}

} // namespace ui
