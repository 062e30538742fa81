// Origins, content size, pinned header attributes and the rectangle cache of the Browse grid.
#include "app/SpreadsheetLayout.h"

using ui::IndexPath;
using ui::LayoutAttributesPtr;
using ui::Rect;
using ui::Size;

double SpreadsheetLayout::width(uint64_t column) const {
    return delegate_ ? delegate_->width(column, collectionView()) : 0;
}

double SpreadsheetLayout::height(uint64_t row) const {
    return delegate_ ? delegate_->height(row, collectionView()) : 0;
}

Size SpreadsheetLayout::collectionViewContentSize() const {
    if (contentSizeCache_ != Size{})
        return contentSizeCache_;
    ui::CollectionView* view = collectionView();
    columnCountCache_ = view ? uint64_t(view->numberOfItemsInSection(0)) : 0;
    rowCountCache_ = view ? uint64_t(view->numberOfSections()) : 0;
    columnOrigins_.clear();
    rowOrigins_.clear();
    columnOrigins_.reserve(columnCountCache_);
    rowOrigins_.reserve(rowCountCache_);
    double x = 0;
    for (uint64_t c = 0; c < columnCountCache_; ++c) {
        columnOrigins_.push_back(x);
        x += width(c);
    }
    double y = 0;
    for (uint64_t r = 0; r < rowCountCache_; ++r) {
        rowOrigins_.push_back(y);
        y += height(r);
    }
    contentSizeCache_ = {x, y};
    return contentSizeCache_;
}

template <class Extent>
double SpreadsheetLayout::origin(std::vector<double>& origins, uint64_t i, Extent extent) {
    if (i == 0)
        return 0;
    if (origins.empty())
        origins.push_back(0);
    while (origins.size() <= i)
        origins.push_back(origins.back() + extent(origins.size() - 1));
    return origins[i];
}

double SpreadsheetLayout::originForColumn(uint64_t i) const {
    return origin(columnOrigins_, i, [this](uint64_t c) { return width(c); });
}

double SpreadsheetLayout::originForRow(uint64_t i) const {
    return origin(rowOrigins_, i, [this](uint64_t r) { return height(r); });
}

LayoutAttributesPtr SpreadsheetLayout::layoutAttributesForItemAtIndexPath(IndexPath ip) const {
    if (ip.section < 0 || ip.row < 0)
        return nullptr;
    auto a = std::make_shared<ui::CollectionViewLayoutAttributes>();
    fill(*a, ip);
    return a;
}

void SpreadsheetLayout::fill(ui::CollectionViewLayoutAttributes& a, IndexPath ip) const {
    const auto s = uint64_t(ip.section), c = uint64_t(ip.row);
    double x = originForColumn(c), y = originForRow(s);
    const double w = width(c), h = height(s);
    ui::Point offset = collectionView() ? collectionView()->contentOffset() : ui::Point{};
    a.indexPath = ip;
    a.zIndex = 0;
    // The corner over the headers, the headers over the body.
    if (s == 0 && c == 0) {
        a.zIndex = 2;
        x = offset.x;
        y = offset.y;
    } else if (s == 0) {
        a.zIndex = 1;
        y = offset.y;
    } else if (c == 0) {
        a.zIndex = 1;
        x = offset.x;
    }
    a.frame = Rect{x, y, w, h}.integral();
}

std::vector<LayoutAttributesPtr> SpreadsheetLayout::layoutAttributesForElementsInRect(const Rect& rect) const {
    if (rect == layoutAttributesInRectCache_)
        return layoutAttributesCache_;
    layoutAttributesInRectCache_ = rect;
    // A scroll step rebuilds every item: objects of earlier answers that nobody holds any more are
    // filled again rather than made anew.
    std::vector<LayoutAttributesPtr> spare = std::move(spare_);
    if (spare.empty())
        spare = std::move(layoutAttributesCache_);
    std::erase_if(spare, [](const LayoutAttributesPtr& a) { return a.use_count() != 1; });
    std::vector<LayoutAttributesPtr> all;
    all.reserve(layoutAttributesCache_.size());
    ui::CollectionView* view = collectionView();
    for (uint64_t s = 0; view && s < rowCountCache_; ++s) {
        const int items = view->numberOfItemsInSection(int(s));
        for (int item = 0; item < items; ++item) {
            LayoutAttributesPtr a;
            if (!spare.empty()) {
                a = std::move(spare.back());
                spare.pop_back();
                *a = ui::CollectionViewLayoutAttributes();
            } else {
                a = std::make_shared<ui::CollectionViewLayoutAttributes>();
            }
            fill(*a, {int(s), item});
            all.push_back(std::move(a));
        }
    }
    layoutAttributesCache_ = std::move(all);
    return layoutAttributesCache_;
}

void SpreadsheetLayout::invalidateLayout() {
    ui::CollectionViewLayout::invalidateLayout();
    spare_ = std::move(layoutAttributesCache_);
    layoutAttributesCache_.clear();
    layoutAttributesInRectCache_ = Rect{};
}

void SpreadsheetLayout::prepareLayout() {
    ui::CollectionViewLayout::prepareLayout();
    ui::CollectionView* view = collectionView();
    if (!view)
        return;
    if (uint64_t(view->numberOfItemsInSection(0)) != columnCountCache_ ||
        uint64_t(view->numberOfSections()) != rowCountCache_)
        contentSizeCache_ = Size{};
}
