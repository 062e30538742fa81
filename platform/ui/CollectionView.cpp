// Collection layout passes, cell reuse for the visible rect, zIndex order, and the flow layout.
#include "platform/ui/CollectionView.h"

#include "platform/foundation/Dispatch.h"

#include <algorithm>

namespace ui {

void CollectionViewLayout::invalidateLayout() {
    if (collectionView_)
        collectionView_->markNeedsPrepare();
}

void CollectionViewCell::applyLayoutAttributes(const CollectionViewLayoutAttributes& a) {
    setFrame(a.frame);
    if (alpha() != a.alpha)
        setAlpha(a.alpha);
    if (isHidden() != a.hidden)
        setHidden(a.hidden);
}

// --- flow layout

void CollectionViewFlowLayout::prepareLayout() {
    frames_.clear();
    CollectionView* view = collectionView();
    if (!view)
        return;
    CollectionViewDelegate* delegate = view->collectionDelegate();
    const bool horizontal = scrollDirection == ScrollDirection::Horizontal;
    // Worked in line coordinates: "along" runs down a line's items, "across" from one line to the next.
    // A row of a vertical layout runs along x; a column of a horizontal one along y.
    const Size bounds = view->bounds().size;
    const double extent = horizontal ? bounds.height : bounds.width;
    auto along = [&](Size s) { return horizontal ? s.height : s.width; };
    auto across = [&](Size s) { return horizontal ? s.width : s.height; };
    double position = 0; // where the next section starts, across the lines
    for (int s = 0; s < view->numberOfSections(); ++s) {
        EdgeInsets inset = sectionInset;
        if (delegate)
            if (auto answered = delegate->insetForSectionAtIndex(*view, *this, s))
                inset = *answered;
        const double alongStart = horizontal ? inset.top : inset.left;
        const double alongEnd = extent - (horizontal ? inset.bottom : inset.right);
        position += horizontal ? inset.left : inset.top;
        std::vector<Rect> frames;
        std::vector<size_t> line; // indices of the items on the line being filled
        double cursor = alongStart, thickness = 0;
        bool anyLine = false;
        // Items of one line are centred on the line's thickness.
        auto closeLine = [&] {
            for (size_t i : line) {
                Rect& f = frames[i];
                const double offset = (thickness - across(f.size)) / 2;
                if (horizontal)
                    f.origin.x += offset;
                else
                    f.origin.y += offset;
            }
            position += thickness;
            line.clear();
            cursor = alongStart;
            thickness = 0;
        };
        const int n = view->numberOfItemsInSection(s);
        for (int i = 0; i < n; ++i) {
            Size size = itemSize;
            if (delegate)
                if (auto answered = delegate->sizeForItemAtIndexPath(*view, *this, {s, i}))
                    size = *answered;
            if (!line.empty() && cursor + along(size) > alongEnd) {
                closeLine();
                position += minimumLineSpacing;
            }
            anyLine = true;
            frames.push_back(horizontal ? Rect{position, cursor, size.width, size.height}
                                        : Rect{cursor, position, size.width, size.height});
            line.push_back(frames.size() - 1);
            cursor += along(size) + minimumInteritemSpacing;
            thickness = std::max(thickness, across(size));
        }
        if (anyLine)
            closeLine();
        position += horizontal ? inset.right : inset.bottom;
        frames_.push_back(std::move(frames));
    }
    contentSize_ = horizontal ? Size{position, bounds.height} : Size{bounds.width, position};
}

std::vector<LayoutAttributesPtr>
CollectionViewFlowLayout::layoutAttributesForElementsInRect(const Rect& rect) const {
    std::vector<LayoutAttributesPtr> out;
    for (size_t s = 0; s < frames_.size(); ++s)
        for (size_t i = 0; i < frames_[s].size(); ++i)
            if (frames_[s][i].intersects(rect))
                out.push_back(layoutAttributesForItemAtIndexPath({int(s), int(i)}));
    return out;
}

LayoutAttributesPtr CollectionViewFlowLayout::layoutAttributesForItemAtIndexPath(IndexPath ip) const {
    if (ip.section < 0 || size_t(ip.section) >= frames_.size() || ip.row < 0 ||
        size_t(ip.row) >= frames_[size_t(ip.section)].size())
        return nullptr;
    auto a = makeLayoutAttributes();
    a->indexPath = ip;
    a->frame = frames_[size_t(ip.section)][size_t(ip.row)];
    return a;
}

// --- CollectionView

CollectionView::CollectionView(const Rect& frame, std::shared_ptr<CollectionViewLayout> layout)
    : ScrollView(frame),
      cells_([](const std::string& id) { return std::make_shared<CollectionViewCell>(id); }) {
    setCollectionViewLayout(std::move(layout));
}

void CollectionView::setCollectionViewLayout(std::shared_ptr<CollectionViewLayout> layout) {
    if (layout_)
        layout_->collectionView_ = nullptr;
    layout_ = layout ? std::move(layout) : std::make_shared<CollectionViewFlowLayout>();
    layout_->collectionView_ = this;
    invalidateLayout();
}

void CollectionView::setDataSource(CollectionViewDataSource* d) {
    dataSource_ = d;
    reloadData();
}

void CollectionView::setCollectionDelegate(CollectionViewDelegate* d) {
    delegate_ = d;
    setDelegate(d);
}

void CollectionView::registerCellFactory(const std::string& reuseIdentifier, CellFactory factory) {
    cells_.registerFactory(reuseIdentifier, std::move(factory));
}

std::shared_ptr<CollectionViewCell>
CollectionView::dequeueReusableCellWithReuseIdentifier(const std::string& id, IndexPath ip) {
    auto cell = cells_.dequeue(id, ip);
    if (auto a = layout_->layoutAttributesForItemAtIndexPath(ip))
        cell->applyLayoutAttributes(*a);
    return cell;
}

int CollectionView::numberOfSections() const {
    return dataSource_
               ? std::max(0,
                          dataSource_->numberOfSectionsInCollectionView(const_cast<CollectionView&>(*this)))
               : 0;
}

int CollectionView::numberOfItemsInSection(int section) const {
    if (!dataSource_ || section < 0 || section >= numberOfSections())
        return 0;
    return std::max(0, dataSource_->numberOfItemsInSection(const_cast<CollectionView&>(*this), section));
}

void CollectionView::markNeedsPrepare() {
    needsPrepare_ = true;
    // Inside a layout pass the prepare follows in this same pass.
    if (!inLayout_)
        setNeedsLayout();
}

void CollectionView::invalidateLayout() {
    layout_->invalidateLayout();
    // A layout whose override forgets the base still gets its prepare.
    markNeedsPrepare();
}

void CollectionView::reloadData() {
    cells_.recycleAll();
    selected_.clear();
    invalidateLayout();
}

void CollectionView::performBatchUpdates(const std::function<void()>& updates,
                                         std::function<void(bool)> completion) {
    if (updates)
        updates();
    reloadData();
    layoutIfNeeded();
    if (completion)
        dispatch::mainQueue().async([completion] { completion(true); });
}

void CollectionView::deleteItemsAtIndexPaths(const std::vector<IndexPath>& indexPaths) {
    for (const auto& ip : indexPaths)
        cells_.recycle(ip);
    invalidateLayout();
}

void CollectionView::layoutSubviews() {
    ScrollView::layoutSubviews();
    Rect b = bounds();
    if (b != lastBounds_ && layout_->shouldInvalidateLayoutForBoundsChange(b)) {
        inLayout_ = true;
        invalidateLayout();
        inLayout_ = false;
    }
    lastBounds_ = b;
    if (needsPrepare_) {
        needsPrepare_ = false;
        layout_->prepareLayout();
        Size content = layout_->collectionViewContentSize();
        if (content != contentSize())
            setContentSize(content);
    }
    if (!dataSource_)
        return;
    // A layout may answer more than the rect (one answers every item): cells only for what shows.
    auto attrs = layout_->layoutAttributesForElementsInRect(b);
    std::erase_if(attrs, [&](const LayoutAttributesPtr& a) { return !a || !a->frame.intersects(b); });
    std::stable_sort(attrs.begin(), attrs.end(),
                     [](const auto& x, const auto& y) { return x->zIndex < y->zIndex; });
    std::set<IndexPath> wanted;
    for (const auto& a : attrs)
        wanted.insert(a->indexPath);
    cells_.recycleIf([&](const IndexPath& ip) { return !wanted.count(ip); });
    std::vector<View*> order;
    for (const auto& a : attrs) {
        CollectionViewCell* cell = cells_.cellAt(a->indexPath);
        if (!cell) {
            auto made = dataSource_->cellForItemAtIndexPath(*this, a->indexPath);
            if (!made)
                continue;
            cell = cells_.show(a->indexPath, made);
            addSubview(made);
        }
        cell->applyLayoutAttributes(*a);
        cell->setSelected(selected_.count(a->indexPath) > 0);
        order.push_back(cell);
    }
    // Cells in zIndex order; reordering only when it differs, since it asks for layout again.
    std::vector<View*> current;
    for (const auto& sub : subviews())
        if (dynamic_cast<CollectionViewCell*>(sub.get()))
            current.push_back(sub.get());
    if (current != order)
        for (View* v : order)
            bringSubviewToFront(v);
}

std::optional<IndexPath> CollectionView::indexPathForItemAtPoint(Point p) const {
    auto attrs = layout_->layoutAttributesForElementsInRect({p.x, p.y, 1, 1});
    LayoutAttributesPtr best;
    for (const auto& a : attrs)
        if (a && !a->hidden && a->frame.contains(p) && (!best || a->zIndex >= best->zIndex))
            best = a;
    if (!best)
        return std::nullopt;
    return best->indexPath;
}

CollectionViewCell* CollectionView::cellForItemAtIndexPath(IndexPath ip) const {
    return cells_.cellAt(ip);
}

std::optional<IndexPath> CollectionView::indexPathForCell(const CollectionViewCell* cell) const {
    for (const auto& [ip, shown] : cells_.visible())
        if (shown.get() == cell)
            return ip;
    return std::nullopt;
}

std::vector<CollectionViewCell*> CollectionView::visibleCells() const {
    return cells_.visibleCells();
}

size_t CollectionView::cellCount() const {
    return cells_.cellCount();
}

void CollectionView::scrollToItemAtIndexPath(IndexPath ip, bool animated) {
    if (needsPrepare_)
        layoutIfNeeded();
    if (auto a = layout_->layoutAttributesForItemAtIndexPath(ip))
        scrollRectToVisible(a->frame, animated);
}

void CollectionView::touchesEnded(const Touches& touches, const Event& event) {
    if (touches.empty())
        return;
    auto ip = indexPathForItemAtPoint(touches.front()->locationInView(this));
    if (!ip)
        return;
    if (delegate_ && !delegate_->shouldSelectItemAtIndexPath(*this, *ip))
        return;
    selected_ = {*ip};
    setNeedsLayout();
    if (delegate_)
        delegate_->didSelectItemAtIndexPath(*this, *ip);
}

} // namespace ui
