// A collection of items placed by a layout object (prepare, content size, attributes in a rect,
// attributes for an item), drawing cells in zIndex order and making cells only for the attributes whose
// frames meet the visible bounds, whatever else the layout returns. A flow layout places items in lines:
// rows that grow downwards, or columns that grow sideways.
#pragma once

#include "platform/ui/CellReusePool.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TableView.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace ui {

class CollectionView;

// Where one item goes; layouts may extend it with their own fields (the cell receives the same object).
struct CollectionViewLayoutAttributes {
    IndexPath indexPath;
    Rect frame;
    int zIndex = 0;
    double alpha = 1;
    bool hidden = false;
    virtual ~CollectionViewLayoutAttributes() = default;
    // A copy of the same class, with the layout's own fields.
    virtual std::shared_ptr<CollectionViewLayoutAttributes> copy() const {
        return std::make_shared<CollectionViewLayoutAttributes>(*this);
    }
    // The same place and look; a layout's own class also compares its own fields.
    virtual bool isEqual(const CollectionViewLayoutAttributes& other) const {
        return indexPath == other.indexPath && frame == other.frame && zIndex == other.zIndex &&
               alpha == other.alpha && hidden == other.hidden;
    }
};
using LayoutAttributesPtr = std::shared_ptr<CollectionViewLayoutAttributes>;

class CollectionViewLayout {
  public:
    virtual ~CollectionViewLayout() = default;
    CollectionView* collectionView() const { return collectionView_; }
    // Asked first after every invalidation, then the content size, then attributes.
    virtual void prepareLayout() {}
    virtual Size collectionViewContentSize() const = 0;
    virtual std::vector<LayoutAttributesPtr> layoutAttributesForElementsInRect(const Rect& rect) const = 0;
    virtual LayoutAttributesPtr layoutAttributesForItemAtIndexPath(IndexPath indexPath) const = 0;
    // True asks for a fresh prepareLayout when the visible bounds move (a frozen header does).
    virtual bool shouldInvalidateLayoutForBoundsChange(const Rect& newBounds) const { return false; }
    // Marks the view for a new prepareLayout. The view also calls it, before that prepare, for each
    // invalidation of its own (a bounds change the layout accepts, a reload, batch updates), so a
    // layout that keeps caches overrides it to drop them, calling this base.
    virtual void invalidateLayout();

  private:
    friend class CollectionView;
    CollectionView* collectionView_ = nullptr;
};

enum class ScrollDirection { Vertical, Horizontal };

// Items go one after another along a line while they fit: across a row (vertical scrolling), or down
// a column of the view's height (horizontal scrolling). Lines are `minimumLineSpacing` apart, items in
// a line `minimumInteritemSpacing`. The view's delegate may answer an item's size and a section's
// insets in place of the layout's own.
class CollectionViewFlowLayout : public CollectionViewLayout {
  public:
    Size itemSize{50, 50};
    double minimumLineSpacing = 10;
    double minimumInteritemSpacing = 10;
    EdgeInsets sectionInset;
    ScrollDirection scrollDirection = ScrollDirection::Vertical;

    void prepareLayout() override;
    Size collectionViewContentSize() const override { return contentSize_; }
    std::vector<LayoutAttributesPtr> layoutAttributesForElementsInRect(const Rect& rect) const override;
    LayoutAttributesPtr layoutAttributesForItemAtIndexPath(IndexPath indexPath) const override;

  protected:
    // The attributes object the layout fills: a subclass answers its own class.
    virtual LayoutAttributesPtr makeLayoutAttributes() const {
        return std::make_shared<CollectionViewLayoutAttributes>();
    }

  private:
    std::vector<std::vector<Rect>> frames_;
    Size contentSize_;
};

class CollectionViewCell : public View {
  public:
    explicit CollectionViewCell(std::string reuseIdentifier) : reuseIdentifier_(std::move(reuseIdentifier)) {}
    const std::string& reuseIdentifier() const { return reuseIdentifier_; }
    virtual void prepareForReuse() {}
    // The default applies frame, alpha and hidden; subclasses read their layout's own fields.
    virtual void applyLayoutAttributes(const CollectionViewLayoutAttributes& attributes);
    bool isSelected() const { return selected_; }
    virtual void setSelected(bool on) { selected_ = on; }

  private:
    std::string reuseIdentifier_;
    bool selected_ = false;
};

class CollectionViewDataSource {
  public:
    virtual ~CollectionViewDataSource() = default;
    virtual int numberOfSectionsInCollectionView(CollectionView& view) { return 1; }
    virtual int numberOfItemsInSection(CollectionView& view, int section) = 0;
    virtual std::shared_ptr<CollectionViewCell> cellForItemAtIndexPath(CollectionView& view,
                                                                       IndexPath ip) = 0;
};

class CollectionViewDelegate : public ScrollViewDelegate {
  public:
    // False keeps a tap on the item from selecting it (didSelect is not sent).
    virtual bool shouldSelectItemAtIndexPath(CollectionView& view, IndexPath ip) { return true; }
    virtual void didSelectItemAtIndexPath(CollectionView& view, IndexPath ip) {}
    // For a flow layout: nothing keeps the layout's own item size and section insets.
    virtual std::optional<Size> sizeForItemAtIndexPath(CollectionView& view, CollectionViewLayout& layout,
                                                       IndexPath ip) {
        return std::nullopt;
    }
    virtual std::optional<EdgeInsets> insetForSectionAtIndex(CollectionView& view, CollectionViewLayout& layout,
                                                             int section) {
        return std::nullopt;
    }
};

class CollectionView : public ScrollView {
  public:
    using CellFactory = std::function<std::shared_ptr<CollectionViewCell>(const std::string&)>;
    CollectionView(const Rect& frame, std::shared_ptr<CollectionViewLayout> layout);

    CollectionViewLayout& collectionViewLayout() { return *layout_; }
    void setCollectionViewLayout(std::shared_ptr<CollectionViewLayout> layout);
    CollectionViewDataSource* dataSource() const { return dataSource_; }
    void setDataSource(CollectionViewDataSource* d);
    CollectionViewDelegate* collectionDelegate() const { return delegate_; }
    void setCollectionDelegate(CollectionViewDelegate* d);

    void registerCellFactory(const std::string& reuseIdentifier, CellFactory factory);
    std::shared_ptr<CollectionViewCell>
    dequeueReusableCellWithReuseIdentifier(const std::string& reuseIdentifier, IndexPath indexPath);
    int numberOfSections() const;
    int numberOfItemsInSection(int section) const;
    void reloadData();
    // The data source changes inside `updates`; the items go and the layout is asked again; the
    // completion runs on the main queue afterwards.
    void performBatchUpdates(const std::function<void()>& updates, std::function<void(bool)> completion = {});
    void deleteItemsAtIndexPaths(const std::vector<IndexPath>& indexPaths);
    std::optional<IndexPath> indexPathForItemAtPoint(Point p) const;
    CollectionViewCell* cellForItemAtIndexPath(IndexPath ip) const;
    // Where a shown cell is; nothing for a cell that is not shown in this view.
    std::optional<IndexPath> indexPathForCell(const CollectionViewCell* cell) const;
    std::vector<CollectionViewCell*> visibleCells() const;
    // Every cell the view holds, shown or waiting for reuse.
    size_t cellCount() const;
    void scrollToItemAtIndexPath(IndexPath ip, bool animated);
    // Tells the layout (its invalidateLayout) and prepares it again at the next layout pass.
    void invalidateLayout();

    void layoutSubviews() override;
    void touchesBegan(const Touches& touches, const Event& event) override {}
    void touchesEnded(const Touches& touches, const Event& event) override;
    void touchesCancelled(const Touches& touches, const Event& event) override {}

  private:
    friend class CollectionViewLayout;
    // A new prepareLayout at the next pass, without telling the layout (it asked for it).
    void markNeedsPrepare();
    std::shared_ptr<CollectionViewLayout> layout_;
    CollectionViewDataSource* dataSource_ = nullptr;
    CollectionViewDelegate* delegate_ = nullptr;
    bool needsPrepare_ = true;
    bool inLayout_ = false;
    Rect lastBounds_ = Rect::null();
    CellReusePool<IndexPath, CollectionViewCell> cells_;
    std::set<IndexPath> selected_;
};

} // namespace ui
