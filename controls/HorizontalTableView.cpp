// The sideways table's layout, its turned cells and its reading of the wheel.
#include "controls/HorizontalTableView.h"

#include <algorithm>

using ui::Rect;

namespace {

const std::string kCellIdentifier = "HorizontalCell";

// A quarter turn (+1 towards +y, -1 back) with exact components, so that frames stay whole numbers.
ui::AffineTransform quarterTurn(int direction) {
    return {0, double(direction), double(-direction), 0, 0, 0};
}

} // namespace

HorizontalTableView::HorizontalTableView(const Rect& frame, double rowHeaderWidth)
    : View(frame), headerWidth_(rowHeaderWidth) {
    const double W = frame.size.width, H = frame.size.height;
    label_ = std::make_shared<ui::Label>(Rect{0, 0, headerWidth_, H});
    addSubview(label_);
    // Clear, so that whatever lies behind shows where the columns end.
    container_ = View::make(Rect{headerWidth_, 0, W - headerWidth_, H});
    addSubview(container_);
    const double cw = container_->bounds().size.width, ch = container_->bounds().size.height;
    // A plain table, not a subclass, so that a report draws it as the table it is.
    table_ = std::make_shared<ui::TableView>(Rect{0, 0, ch, cw}, ui::TableViewStyle::Plain);
    table_->setWheelReadsSideways(true);
    table_->setTransform(quarterTurn(-1));
    table_->setFrame({0, 0, cw, ch});
    table_->registerCellFactory(kCellIdentifier, [this](const std::string& id) { return makeCell(id); });
    table_->setDataSource(this);
    table_->setShowsVerticalScrollIndicator(false);
    table_->setShowsHorizontalScrollIndicator(false);
    table_->setAllowsSelection(false);
    container_->addSubview(table_);
    changeRowHeaderWidth(headerWidth_);
}

void HorizontalTableView::setContentArray(std::vector<foundation::Value> items) {
    content_ = std::move(items);
    table_->reloadData();
}

void HorizontalTableView::changeRowHeaderWidth(double width) {
    headerWidth_ = width;
    setNeedsLayout();
    layoutIfNeeded();
}

void HorizontalTableView::layoutSubviews() {
    const double W = bounds().size.width, H = bounds().size.height;
    label_->setFrame({0, 0, headerWidth_, H});
    container_->setFrame({headerWidth_, 0, std::max(0.0, W - headerWidth_), H});
    // The table fills the container turned: its width is the container's height and the other way round.
    Rect c = container_->bounds();
    Rect b = table_->bounds();
    table_->setBounds({b.origin, {c.size.height, c.size.width}});
    table_->setCenter({c.midX(), c.origin.y + c.size.height / 2});
}

HorizontalTableViewDelgate* HorizontalTableView::horizontalDelegate() const {
    return dynamic_cast<HorizontalTableViewDelgate*>(table_->tableDelegate());
}

int HorizontalTableView::numberOfRowsInSection(ui::TableView&, int) {
    return int(content_.size());
}

std::shared_ptr<ui::TableViewCell> HorizontalTableView::makeCell(const std::string& reuseIdentifier) {
    auto cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, reuseIdentifier);
    auto* delegate = horizontalDelegate();
    if (!delegate)
        return cell;
    delegate->layoutCell(*cell, *table_);
    // Turn the owner's views back upright; the cell's own labels are not the owner's and stay unused.
    for (const auto& sub : cell->contentView().subviews()) {
        if (sub.get() == &cell->textLabel() || sub.get() == &cell->detailTextLabel())
            continue;
        Rect f = sub->frame();
        sub->setTransform(quarterTurn(+1));
        sub->setFrame({{f.origin.y, f.origin.x}, {f.size.height, f.size.width}});
    }
    return cell;
}

std::shared_ptr<ui::TableViewCell> HorizontalTableView::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                              ui::IndexPath indexPath) {
    auto cell = tableView.dequeueReusableCellWithIdentifier(kCellIdentifier, indexPath);
    if (auto* delegate = horizontalDelegate(); delegate && size_t(indexPath.row) < content_.size())
        delegate->configureCell(*cell, content_[size_t(indexPath.row)], tableView);
    return cell;
}
