// Scrolling: offsets clamped to the content, drags and wheel deltas turned into offsets.
#include "platform/ui/ScrollView.h"

#include <algorithm>
#include <cmath>

namespace ui {

ScrollView::ScrollView(const Rect& frame) : View(frame) {
    setClipsToBounds(true);
}

void ScrollView::setContentSize(Size size) {
    contentSize_ = size;
    setNeedsLayout();
}

Point ScrollView::clampedOffset(Point offset) const {
    Size b = bounds().size;
    double maxX = std::max(-inset_.left, contentSize_.width + inset_.right - b.width);
    double maxY = std::max(-inset_.top, contentSize_.height + inset_.bottom - b.height);
    return {std::clamp(offset.x, -inset_.left, maxX), std::clamp(offset.y, -inset_.top, maxY)};
}

void ScrollView::setContentOffset(Point offset, bool animated) {
    Rect b = bounds();
    if (b.origin == offset)
        return;
    auto apply = [this, offset] {
        Rect now = bounds();
        setBounds({offset, now.size});
    };
    if (animated) {
        animate(0.3, apply, [this, keep = weak_from_this()](bool) {
            if (!keep.expired() && delegate_)
                delegate_->scrollViewDidEndScrollingAnimation(*this);
        });
    } else {
        performWithoutAnimation(apply);
    }
    // Content that depends on the offset (visible cells) is laid out again.
    setNeedsLayout();
    if (delegate_)
        delegate_->scrollViewDidScroll(*this);
}

void ScrollView::scrollRectToVisible(const Rect& rect, bool animated) {
    Rect b = bounds();
    Point o = b.origin;
    if (rect.minX() < o.x)
        o.x = rect.minX();
    else if (rect.maxX() > o.x + b.width())
        o.x = rect.maxX() - b.width();
    if (rect.minY() < o.y)
        o.y = rect.minY();
    else if (rect.maxY() > o.y + b.height())
        o.y = rect.maxY() - b.height();
    setContentOffset(clampedOffset(o), animated);
}

Size ScrollView::toContentVector(Size v) const {
    // The linear part of the window-to-view mapping: translations do not apply to vectors.
    AffineTransform toRoot = layer().transformToRoot();
    toRoot.tx = toRoot.ty = 0;
    auto inverse = toRoot.inverted();
    if (!inverse)
        return {};
    return inverse->apply(v);
}

void ScrollView::beginDrag() {
    dragging_ = true;
    dragStartOffset_ = contentOffset();
    if (delegate_)
        delegate_->scrollViewWillBeginDragging(*this);
}

void ScrollView::dragBy(Size windowTranslation) {
    // The content follows the finger: moving down shows what is above.
    Size d = toContentVector(windowTranslation);
    setContentOffset(clampedOffset({dragStartOffset_.x - d.width, dragStartOffset_.y - d.height}));
}

void ScrollView::endDrag() {
    dragging_ = false;
    if (delegate_)
        delegate_->scrollViewDidEndDragging(*this, false);
}

bool ScrollView::scrollByWheel(Size windowDelta) {
    if (wheelSideways_) {
        double along = std::fabs(windowDelta.height) > std::fabs(windowDelta.width) ? windowDelta.height
                                                                                     : windowDelta.width;
        windowDelta = {along, 0};
    }
    Size d = toContentVector(windowDelta);
    Point before = contentOffset();
    Point after = clampedOffset({before.x + d.width, before.y + d.height});
    if (after == before)
        return false;
    setContentOffset(after);
    return true;
}

} // namespace ui
