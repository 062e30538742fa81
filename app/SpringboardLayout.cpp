// The Workspaces grids' layout: the flow's places, with the delete badge shown in deletion mode.
#include "app/SpringboardLayout.h"

bool SpringboardLayoutAttributes::isEqual(const ui::CollectionViewLayoutAttributes& other) const {
    if (&other == this)
        return true;
    auto* same = dynamic_cast<const SpringboardLayoutAttributes*>(&other);
    return same && typeid(other) == typeid(*this) && CollectionViewLayoutAttributes::isEqual(other) &&
           same->deleteButtonHidden == deleteButtonHidden;
}

SpringboardLayout::SpringboardLayout() {
    itemSize = {144, 144};
    minimumInteritemSpacing = 48;
    minimumLineSpacing = 48;
    scrollDirection = ui::ScrollDirection::Horizontal;
    sectionInset = {32, 32, 32, 32};
}

bool SpringboardLayout::isDeletionModeOn() const {
    ui::CollectionView* view = collectionView();
    if (!view)
        return false;
    auto* delegate = dynamic_cast<SpringboardLayoutDelegate*>(view->collectionDelegate());
    if (!delegate)
        return false;
    return delegate->isDeletionModeActiveForCollectionView(*view, const_cast<SpringboardLayout&>(*this));
}

void SpringboardLayout::markBadges(const ui::LayoutAttributesPtr& attributes, bool deletionMode) const {
    if (auto* a = dynamic_cast<SpringboardLayoutAttributes*>(attributes.get()))
        a->deleteButtonHidden = !deletionMode;
}

ui::LayoutAttributesPtr SpringboardLayout::layoutAttributesForItemAtIndexPath(ui::IndexPath indexPath) const {
    auto attributes = CollectionViewFlowLayout::layoutAttributesForItemAtIndexPath(indexPath);
    if (attributes)
        markBadges(attributes, isDeletionModeOn());
    return attributes;
}

std::vector<ui::LayoutAttributesPtr> SpringboardLayout::layoutAttributesForElementsInRect(const ui::Rect& rect) const {
    auto all = CollectionViewFlowLayout::layoutAttributesForElementsInRect(rect);
    const bool deletionMode = isDeletionModeOn();
    for (const auto& attributes : all)
        markBadges(attributes, deletionMode);
    return all;
}
