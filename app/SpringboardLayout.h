// The layout of the Workspaces screen's grids: a sideways-scrolling flow whose attributes tell each cell
// whether to show its delete badge, asked of the grid's delegate (deletion mode per grid).
#pragma once

#include "platform/ui/CollectionView.h"

class SpringboardLayout;

class SpringboardLayoutDelegate {
  public:
    virtual ~SpringboardLayoutDelegate() = default;
    virtual bool isDeletionModeActiveForCollectionView(ui::CollectionView& collectionView,
                                                       SpringboardLayout& layout) = 0;
};

struct SpringboardLayoutAttributes : ui::CollectionViewLayoutAttributes {
    bool deleteButtonHidden = false;
    bool isDeleteButtonHidden() const { return deleteButtonHidden; }

    ui::LayoutAttributesPtr copy() const override { return std::make_shared<SpringboardLayoutAttributes>(*this); }
    // Equal to itself; otherwise only to attributes of this class in the same place with the same badge.
    bool isEqual(const ui::CollectionViewLayoutAttributes& other) const override;
};

class SpringboardLayout : public ui::CollectionViewFlowLayout {
  public:
    // Items 144 x 144, 48 apart both ways, insets of 32, scrolling sideways.
    SpringboardLayout();

    // What the grid's delegate answers, when it is a SpringboardLayoutDelegate; otherwise off.
    bool isDeletionModeOn() const;

    ui::LayoutAttributesPtr layoutAttributesForItemAtIndexPath(ui::IndexPath indexPath) const override;
    std::vector<ui::LayoutAttributesPtr> layoutAttributesForElementsInRect(const ui::Rect& rect) const override;

  protected:
    ui::LayoutAttributesPtr makeLayoutAttributes() const override {
        return std::make_shared<SpringboardLayoutAttributes>();
    }

  private:
    void markBadges(const ui::LayoutAttributesPtr& attributes, bool deletionMode) const;
};
