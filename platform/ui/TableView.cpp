// Table geometry from row heights, cells made only for the visible rows, reuse, selection and deletion.
#include "platform/ui/TableView.h"

#include "platform/foundation/Tr.h"
#include "platform/ui/Control.h"

#include <algorithm>

namespace ui {

// --- TableViewCell

TableViewCell::TableViewCell(TableViewCellStyle style, std::string reuseIdentifier)
    : View(Rect{0, 0, 320, 44}), style_(style), reuseIdentifier_(std::move(reuseIdentifier)),
      content_(View::make(Rect{0, 0, 320, 44})), text_(std::make_shared<Label>()),
      detail_(std::make_shared<Label>()) {
    setBackgroundColor(Color::white());
    content_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    addSubview(content_);
    content_->addSubview(text_);
    content_->addSubview(detail_);
    detail_->setFont(gfx::Font::system(style == TableViewCellStyle::Subtitle ? 12 : 17));
    detail_->setTextColor(Color::gray(0.5));
    if (style == TableViewCellStyle::Value1)
        detail_->setTextAlignment(gfx::TextAlignment::Right);
}

void TableViewCell::setAccessoryType(TableViewCellAccessory a) {
    accessory_ = a;
    setNeedsLayout();
    setNeedsDisplay();
}

void TableViewCell::setSelected(bool selected, bool animated) {
    selected_ = selected;
    setBackgroundColor(selected ? Color::gray(0.85) : Color::white());
}

void TableViewCell::setEditingControl(TableViewCellEditingStyle style, std::function<void()> action) {
    editingAction_ = std::move(action);
    if (style == editingStyle_)
        return;
    editingStyle_ = style;
    if (style == TableViewCellEditingStyle::None) {
        if (editingButton_)
            editingButton_->removeFromSuperview();
        setNeedsLayout();
        return;
    }
    if (!editingButton_) {
        editingButton_ = std::make_shared<Button>(Rect{}, ButtonType::Custom);
        editingButton_->addTarget(TouchUpInside, [this](Control&) {
            if (editingAction_)
                editingAction_();
        });
        editingButton_->layer().setCornerRadius(11);
    }
    bool del = style == TableViewCellEditingStyle::Delete;
    editingButton_->setTitle(del ? "-" : "+");
    editingButton_->setIdentifier(del ? "editingDelete" : "editingInsert");
    editingButton_->setBackgroundColor(del ? Color{1, 0.23, 0.19, 1} : Color{0.3, 0.85, 0.39, 1});
    if (editingButton_->superview() != this)
        addSubview(editingButton_);
    setNeedsLayout();
}

void TableViewCell::layoutSubviews() {
    Rect b = bounds();
    double lead = editingStyle_ == TableViewCellEditingStyle::None ? 0 : 38;
    if (editingButton_ && lead > 0)
        editingButton_->setFrame({8, b.midY() - 11, 22, 22});
    content_->setFrame({lead, 0, std::max(0.0, b.width() - lead), b.height()});
    b = content_->bounds();
    double right = accessory_ == TableViewCellAccessory::None ? 15 : 35;
    double width = std::max(0.0, b.width() - 15 - right);
    bool hasDetail = !detail_->text().empty();
    switch (style_) {
    case TableViewCellStyle::Default:
        text_->setFrame({15, 0, width, b.height()});
        detail_->setHidden(true);
        break;
    case TableViewCellStyle::Value1:
    case TableViewCellStyle::Value2:
        text_->setFrame({15, 0, hasDetail ? width / 2 : width, b.height()});
        detail_->setFrame({15 + width / 2, 0, width / 2, b.height()});
        detail_->setHidden(!hasDetail);
        break;
    case TableViewCellStyle::Subtitle:
        text_->setFrame({15, 0, width, hasDetail ? b.height() * 0.6 : b.height()});
        detail_->setFrame({15, b.height() * 0.55, width, b.height() * 0.4});
        detail_->setHidden(!hasDetail);
        break;
    }
}

void TableViewCell::drawRect(gfx::Context& ctx, const Rect& rect) {
    Rect b = bounds();
    ctx.setFillColor(Color::gray(0.8));
    ctx.fillRect({15, b.maxY() - 0.5, b.width() - 15, 0.5});
    if (accessory_ == TableViewCellAccessory::None)
        return;
    ctx.setStrokeColor(accessory_ == TableViewCellAccessory::Checkmark ? tintColor().value_or(Color::black())
                                                                       : Color::gray(0.7));
    ctx.setLineWidth(2);
    double x = b.maxX() - 20, y = b.midY();
    if (accessory_ == TableViewCellAccessory::Checkmark)
        ctx.addLines({{x - 6, y}, {x - 2, y + 4}, {x + 5, y - 5}});
    else
        ctx.addLines({{x - 3, y - 6}, {x + 3, y}, {x - 3, y + 6}});
    ctx.strokePath();
}

// --- TableView

TableView::TableView(const Rect& frame, TableViewStyle style)
    : ScrollView(frame), cells_([](const std::string& id) {
          return std::make_shared<TableViewCell>(TableViewCellStyle::Default, id);
      }) {
    setBackgroundColor(style == TableViewStyle::Grouped ? Color::gray(0.94) : Color::white());
    swipe_ = std::make_shared<SwipeGestureRecognizer>([this](GestureRecognizer& g) {
        auto ip = indexPathForRowAtPoint(g.locationInView(this));
        if (!ip || !dataSource_ || !dataSource_->canEditRowAtIndexPath(*this, *ip))
            return;
        if (delegate_ &&
            delegate_->editingStyleForRowAtIndexPath(*this, *ip) != TableViewCellEditingStyle::Delete)
            return;
        deleteRow_ = ip;
        setNeedsLayout();
    });
    swipe_->setDirection(SwipeLeft);
    addGestureRecognizer(swipe_);
}

void TableView::setDataSource(TableViewDataSource* d) {
    dataSource_ = d;
    reloadData();
}

void TableView::setTableDelegate(TableViewDelegate* d) {
    delegate_ = d;
    setDelegate(d);
    reloadData();
}

void TableView::setRowHeight(double h) {
    rowHeight_ = h;
    reloadData();
}

void TableView::setTableHeaderView(std::shared_ptr<View> header) {
    if (header_)
        header_->removeFromSuperview();
    header_ = std::move(header);
    if (header_)
        addSubview(header_);
    reloadData();
}

void TableView::setEditing(bool editing, bool animated) {
    editing_ = editing;
    deleteRow_.reset();
    setNeedsLayout();
}

void TableView::registerCellFactory(const std::string& reuseIdentifier, CellFactory factory) {
    cells_.registerFactory(reuseIdentifier, std::move(factory));
}

std::shared_ptr<TableViewCell>
TableView::dequeueReusableCellWithIdentifier(const std::string& reuseIdentifier,
                                             std::optional<IndexPath> indexPath) {
    auto cell = cells_.dequeue(reuseIdentifier, indexPath);
    double height = indexPath ? rectForRowAtIndexPath(*indexPath).height() : rowHeight_;
    cell->setFrame({0, cell->frame().origin.y, bounds().width(), height > 0 ? height : rowHeight_});
    cell->layoutIfNeeded();
    return cell;
}

void TableView::rebuildGeometry() {
    rows_.clear();
    double y = header_ ? header_->frame().height() : 0;
    if (header_)
        header_->setFrame({0, 0, bounds().width(), header_->frame().height()});
    int sections = dataSource_ ? std::max(0, dataSource_->numberOfSectionsInTableView(*this)) : 0;
    for (int s = 0; s < sections; ++s) {
        std::vector<double> tops;
        int n = std::max(0, dataSource_->numberOfRowsInSection(*this, s));
        tops.reserve(size_t(n) + 1);
        for (int r = 0; r < n; ++r) {
            tops.push_back(y);
            double h = delegate_ ? delegate_->heightForRowAtIndexPath(*this, {s, r}) : -1;
            y += h >= 0 ? h : rowHeight_;
        }
        tops.push_back(y);
        rows_.push_back(std::move(tops));
    }
    setContentSize({bounds().width(), y});
}

void TableView::reloadData() {
    cells_.recycleAll();
    deleteRow_.reset();
    rebuildGeometry();
    // Selections of rows that no longer exist go.
    std::erase_if(selected_,
                  [&](const IndexPath& ip) { return ip.row >= numberOfRowsInSection(ip.section); });
    setNeedsLayout();
}

int TableView::numberOfRowsInSection(int section) const {
    if (section < 0 || size_t(section) >= rows_.size())
        return 0;
    return int(rows_[size_t(section)].size()) - 1;
}

Rect TableView::rectForRowAtIndexPath(IndexPath ip) const {
    if (ip.row < 0 || ip.row >= numberOfRowsInSection(ip.section))
        return Rect::null();
    const auto& tops = rows_[size_t(ip.section)];
    return {0, tops[size_t(ip.row)], bounds().width(), tops[size_t(ip.row) + 1] - tops[size_t(ip.row)]};
}

std::optional<IndexPath> TableView::indexPathForRowAtPoint(Point p) const {
    for (size_t s = 0; s < rows_.size(); ++s) {
        const auto& tops = rows_[s];
        if (tops.size() < 2 || p.y < tops.front() || p.y >= tops.back())
            continue;
        auto it = std::upper_bound(tops.begin(), tops.end(), p.y);
        return IndexPath{int(s), int(it - tops.begin()) - 1};
    }
    return std::nullopt;
}

TableViewCell* TableView::cellForRowAtIndexPath(IndexPath ip) const {
    return cells_.cellAt(ip);
}

std::vector<TableViewCell*> TableView::visibleCells() const {
    return cells_.visibleCells();
}

std::vector<IndexPath> TableView::indexPathsForVisibleRows() const {
    std::vector<IndexPath> out;
    for (auto& [ip, cell] : cells_.visible())
        out.push_back(ip);
    return out;
}

size_t TableView::cellCount() const {
    return cells_.cellCount();
}

void TableView::layoutSubviews() {
    ScrollView::layoutSubviews();
    if (rows_.empty() && dataSource_)
        rebuildGeometry();
    Rect visible = bounds();
    // Rows that scrolled away give their cells back first, so the new rows can reuse them.
    cells_.recycleIf([&](const IndexPath& ip) {
        Rect r = rectForRowAtIndexPath(ip);
        return r.isNull() || !r.intersects(visible);
    });
    for (size_t s = 0; s < rows_.size() && dataSource_; ++s) {
        const auto& tops = rows_[s];
        if (tops.size() < 2)
            continue;
        auto first = std::upper_bound(tops.begin(), tops.end(), visible.minY());
        size_t r = first == tops.begin() ? 0 : size_t(first - tops.begin()) - 1;
        for (; r + 1 < tops.size() && tops[r] < visible.maxY(); ++r) {
            IndexPath ip{int(s), int(r)};
            Rect rect = rectForRowAtIndexPath(ip);
            if (!rect.intersects(visible))
                continue;
            TableViewCell* cell = cells_.cellAt(ip);
            if (!cell) {
                auto made = dataSource_->cellForRowAtIndexPath(*this, ip);
                if (!made)
                    continue;
                cell = cells_.show(ip, made);
                insertSubviewAtIndex(made, 0);
                if (delegate_)
                    delegate_->willDisplayCell(*this, *cell, ip);
            }
            cell->setFrame(rect);
            cell->setSelected(selected_.count(ip) > 0, false);
            TableViewCellEditingStyle style = TableViewCellEditingStyle::None;
            if (editing_ && dataSource_->canEditRowAtIndexPath(*this, ip))
                style = delegate_ ? delegate_->editingStyleForRowAtIndexPath(*this, ip)
                                  : TableViewCellEditingStyle::Delete;
            cell->setEditingControl(style, [this, ip, style] {
                if (style == TableViewCellEditingStyle::Delete) {
                    deleteRow_ = ip;
                    setNeedsLayout();
                } else if (style == TableViewCellEditingStyle::Insert && dataSource_) {
                    dataSource_->commitEditingStyle(*this, TableViewCellEditingStyle::Insert, ip);
                }
            });
        }
    }
    // The delete button of a swiped row sits over the cell's right end. Changing subviews asks for
    // layout again, so a pass that finds everything in place must change nothing.
    if (deleteRow_ && rectForRowAtIndexPath(*deleteRow_).isNull())
        deleteRow_.reset();
    if (!deleteRow_ && deleteButton_ && deleteButton_->superview())
        deleteButton_->removeFromSuperview();
    if (deleteRow_) {
        Rect r = rectForRowAtIndexPath(*deleteRow_);
        if (!deleteButton_) {
            auto button = std::make_shared<Button>(Rect{}, ButtonType::Custom);
            button->setTitle(foundation::tr("Delete"));
            button->setBackgroundColor(Color{1, 0.23, 0.19, 1});
            button->setIdentifier("deleteConfirmation");
            button->addTarget(TouchUpInside, [this](Control&) {
                if (!deleteRow_ || !dataSource_)
                    return;
                IndexPath ip = *deleteRow_;
                deleteRow_.reset();
                dataSource_->commitEditingStyle(*this, TableViewCellEditingStyle::Delete, ip);
                setNeedsLayout();
            });
            deleteButton_ = button;
        }
        deleteButton_->setFrame({r.maxX() - 82, r.origin.y, 82, r.height()});
        if (deleteButton_->superview() != this)
            addSubview(deleteButton_);
    }
}

void TableView::selectRowAtIndexPath(std::optional<IndexPath> ip, bool animated,
                                     TableViewScrollPosition position) {
    if (!selectsMultiple() || !ip)
        selected_.clear();
    if (ip && ip->row < numberOfRowsInSection(ip->section)) {
        selected_.insert(*ip);
        if (position != TableViewScrollPosition::None)
            scrollToRowAtIndexPath(*ip, position, animated);
    }
    for (auto& [vip, cell] : cells_.visible())
        cell->setSelected(selected_.count(vip) > 0, animated);
}

void TableView::deselectRowAtIndexPath(IndexPath ip, bool animated) {
    selected_.erase(ip);
    if (auto* cell = cellForRowAtIndexPath(ip))
        cell->setSelected(false, animated);
}

std::optional<IndexPath> TableView::indexPathForSelectedRow() const {
    if (selected_.empty())
        return std::nullopt;
    return *selected_.begin();
}

std::vector<IndexPath> TableView::indexPathsForSelectedRows() const {
    return {selected_.begin(), selected_.end()};
}

void TableView::scrollToRowAtIndexPath(IndexPath ip, TableViewScrollPosition position, bool animated) {
    Rect r = rectForRowAtIndexPath(ip);
    if (r.isNull())
        return;
    double h = bounds().height();
    Point o = contentOffset();
    switch (position) {
    case TableViewScrollPosition::Top:
        o.y = r.minY();
        break;
    case TableViewScrollPosition::Middle:
        o.y = r.midY() - h / 2;
        break;
    case TableViewScrollPosition::Bottom:
        o.y = r.maxY() - h;
        break;
    case TableViewScrollPosition::None:
        scrollRectToVisible(r, animated);
        return;
    }
    setContentOffset(clampedOffset(o), animated);
}

void TableView::deleteRowsAtIndexPaths(const std::vector<IndexPath>& indexPaths, bool animated) {
    // Selections below a deleted row move up with their rows.
    std::set<IndexPath> moved;
    for (IndexPath ip : selected_) {
        bool deleted = false;
        int shift = 0;
        for (const IndexPath& d : indexPaths) {
            if (d == ip)
                deleted = true;
            else if (d.section == ip.section && d.row < ip.row)
                ++shift;
        }
        if (!deleted)
            moved.insert({ip.section, ip.row - shift});
    }
    selected_ = std::move(moved);
    reloadData();
}

void TableView::insertRowsAtIndexPaths(const std::vector<IndexPath>& indexPaths, bool animated) {
    std::set<IndexPath> moved;
    for (IndexPath ip : selected_) {
        int shift = 0;
        for (const IndexPath& d : indexPaths)
            if (d.section == ip.section && d.row <= ip.row + shift)
                ++shift;
        moved.insert({ip.section, ip.row + shift});
    }
    selected_ = std::move(moved);
    reloadData();
}

void TableView::touchesBegan(const Touches& touches, const Event& event) {
    touchOnDeleteRow_ = deleteRow_.has_value();
}

void TableView::touchesEnded(const Touches& touches, const Event& event) {
    if (touches.empty())
        return;
    // A tap anywhere while a delete button shows only hides it.
    if (touchOnDeleteRow_) {
        deleteRow_.reset();
        setNeedsLayout();
        return;
    }
    auto ip = indexPathForRowAtPoint(touches.front()->locationInView(this));
    if (ip)
        userTapped(*ip);
}

void TableView::userTapped(IndexPath ip) {
    if (!allowsSelection_ || (editing_ && !allowsMultipleDuringEditing_))
        return;
    if (selectsMultiple() && selected_.count(ip)) {
        deselectRowAtIndexPath(ip, false);
        if (delegate_)
            delegate_->didDeselectRowAtIndexPath(*this, ip);
        return;
    }
    auto previous = indexPathForSelectedRow();
    selectRowAtIndexPath(ip, false, TableViewScrollPosition::None);
    if (!selectsMultiple() && previous && *previous != ip && delegate_)
        delegate_->didDeselectRowAtIndexPath(*this, *previous);
    if (delegate_)
        delegate_->didSelectRowAtIndexPath(*this, ip);
}

} // namespace ui
