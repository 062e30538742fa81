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
    double width = view->bounds().width();
    double y = 0;
    for (int s = 0; s < view->numberOfSections(); ++s) {
        y += sectionInset.top;
        double usable = width - sectionInset.left - sectionInset.right;
        int perRow =
            std::max(1, int((usable + minimumInteritemSpacing) / (itemSize.width + minimumInteritemSpacing)));
        std::vector<Rect> frames;
        int n = view->numberOfItemsInSection(s);
        for (int i = 0; i < n; ++i) {
            int row = i / perRow, col = i % perRow;
            frames.push_back({sectionInset.left + col * (itemSize.width + minimumInteritemSpacing),
                              y + row * (itemSize.height + minimumLineSpacing), itemSize.width,
                              itemSize.height});
        }
        int rows = (n + perRow - 1) / perRow;
        y += rows * itemSize.height + std::max(0, rows - 1) * minimumLineSpacing + sectionInset.bottom;
        frames_.push_back(std::move(frames));
    }
    contentSize_ = {width, y};
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
    auto a = std::make_shared<CollectionViewLayoutAttributes>();
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
    auto cell = cells_.dequeue(id);
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
    selected_ = {*ip};
    setNeedsLayout();
    if (delegate_)
        delegate_->didSelectItemAtIndexPath(*this, *ip);
}

} // namespace ui
