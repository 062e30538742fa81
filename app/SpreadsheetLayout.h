// The Browse grid's layout: every section is a grid row and every item of a section a grid column;
// section 0 (column names) stays at the top, item 0 (row numbers) at the left and the corner cell at
// the top-left while the body scrolls under them. Sizes come from a delegate; origins, the content
// size and the last answer for a rectangle are cached.
#pragma once

#include "platform/ui/CollectionView.h"

#include <cstdint>
#include <vector>

class SpreadsheetLayoutDelegate {
  public:
    virtual ~SpreadsheetLayoutDelegate() = default;
    // Points.
    virtual double width(uint64_t column, ui::CollectionView* collectionView) = 0;
    virtual double height(uint64_t row, ui::CollectionView* collectionView) = 0;
};

class SpreadsheetLayout : public ui::CollectionViewLayout {
  public:
    SpreadsheetLayoutDelegate* delegate() const { return delegate_; }
    void setDelegate(SpreadsheetLayoutDelegate* d) { delegate_ = d; }

    ui::Size collectionViewContentSize() const override;
    ui::LayoutAttributesPtr layoutAttributesForItemAtIndexPath(ui::IndexPath indexPath) const override;
    // Every item of the grid, whatever the rectangle; the same objects again for the same rectangle.
    std::vector<ui::LayoutAttributesPtr> layoutAttributesForElementsInRect(const ui::Rect& rect) const override;
    // Every scroll step re-pins the headers.
    bool shouldInvalidateLayoutForBoundsChange(const ui::Rect&) const override { return true; }
    // Drops the attributes, keeps the origins and the content size.
    void invalidateLayout() override;
    // A change in the number of rows or columns makes the next content-size request rebuild the origins.
    void prepareLayout() override;

    double originForColumn(uint64_t i) const;
    double originForRow(uint64_t i) const;

    // The caches. Sizes are never asked again while the counts stay: a delegate whose sizes change
    // clears the content size itself (setContentSizeCache with the zero size) and invalidates.
    const std::vector<ui::LayoutAttributesPtr>& layoutAttributesCache() const { return layoutAttributesCache_; }
    ui::Rect layoutAttributesInRectCache() const { return layoutAttributesInRectCache_; }
    ui::Size contentSizeCache() const { return contentSizeCache_; }
    void setContentSizeCache(ui::Size size) { contentSizeCache_ = size; }
    uint64_t columnCountCache() const { return columnCountCache_; }
    uint64_t rowCountCache() const { return rowCountCache_; }
    const std::vector<double>& columnOrigins() const { return columnOrigins_; }
    const std::vector<double>& rowOrigins() const { return rowOrigins_; }

  private:
    double width(uint64_t column) const;
    double height(uint64_t row) const;
    // Appends the missing origins up to index i, each the one before plus that one's extent; iterative,
    // so the first request deep in a long grid costs no deep recursion.
    template <class Extent> static double origin(std::vector<double>& origins, uint64_t i, Extent extent);
    void fill(ui::CollectionViewLayoutAttributes& a, ui::IndexPath ip) const;

    SpreadsheetLayoutDelegate* delegate_ = nullptr;
    mutable std::vector<ui::LayoutAttributesPtr> layoutAttributesCache_;
    // The attributes of the answer before an invalidation, for the next answer to fill again.
    mutable std::vector<ui::LayoutAttributesPtr> spare_;
    mutable ui::Rect layoutAttributesInRectCache_;
    mutable ui::Size contentSizeCache_;
    mutable uint64_t columnCountCache_ = 0;
    mutable uint64_t rowCountCache_ = 0;
    mutable std::vector<double> columnOrigins_;
    mutable std::vector<double> rowOrigins_;
};
