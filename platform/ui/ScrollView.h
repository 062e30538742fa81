// A scroll view: its bounds origin is the content offset; dragged by touches, scrolled by the wheel
// (wheel deltas are mapped through the view's transform, so a rotated scroll view scrolls along its axes).
#pragma once

#include "platform/ui/View.h"

namespace ui {

class ScrollView;

class ScrollViewDelegate {
  public:
    virtual ~ScrollViewDelegate() = default;
    virtual void scrollViewDidScroll(ScrollView& scrollView) {}
    virtual void scrollViewWillBeginDragging(ScrollView& scrollView) {}
    virtual void scrollViewDidEndDragging(ScrollView& scrollView, bool willDecelerate) {}
    virtual void scrollViewDidEndScrollingAnimation(ScrollView& scrollView) {}
};

class ScrollView : public View {
  public:
    explicit ScrollView(const Rect& frame = {});

    Size contentSize() const { return contentSize_; }
    void setContentSize(Size size);
    Point contentOffset() const { return bounds().origin; }
    void setContentOffset(Point offset, bool animated = false);
    EdgeInsets contentInset() const { return inset_; }
    void setContentInset(EdgeInsets inset) { inset_ = inset; }
    ScrollViewDelegate* delegate() const { return delegate_; }
    void setDelegate(ScrollViewDelegate* d) { delegate_ = d; }
    bool isScrollEnabled() const { return scrollEnabled_; }
    void setScrollEnabled(bool on) { scrollEnabled_ = on; }
    bool isDragging() const { return dragging_; }
    bool bounces() const { return bounces_; }
    void setBounces(bool on) { bounces_ = on; }
    bool showsVerticalScrollIndicator() const { return showsVertical_; }
    void setShowsVerticalScrollIndicator(bool on) { showsVertical_ = on; }
    bool showsHorizontalScrollIndicator() const { return showsHorizontal_; }
    void setShowsHorizontalScrollIndicator(bool on) { showsHorizontal_ = on; }
    // The offset clamped to the scrollable range.
    Point clampedOffset(Point offset) const;
    // Scrolls so that `rect` (content coordinates) is visible.
    void scrollRectToVisible(const Rect& rect, bool animated);

    // From the window: a drag's total translation in window points since it began.
    void beginDrag();
    void dragBy(Size windowTranslation);
    void endDrag();
    // Wheel deltas in window points (positive: towards the content's end); false when nothing moved.
    // A subclass may read the wheel along another axis.
    virtual bool scrollByWheel(Size windowDelta);
    // A strip that scrolls sideways: the wheel's larger component moves it along the window's x, so
    // that an ordinary wheel turned up or down scrolls it.
    bool wheelReadsSideways() const { return wheelSideways_; }
    void setWheelReadsSideways(bool on) { wheelSideways_ = on; }

  private:
    Size toContentVector(Size windowVector) const;
    Size contentSize_;
    EdgeInsets inset_;
    ScrollViewDelegate* delegate_ = nullptr;
    bool scrollEnabled_ = true;
    bool dragging_ = false;
    bool bounces_ = true;
    bool showsVertical_ = true;
    bool showsHorizontal_ = true;
    bool wheelSideways_ = false;
    Point dragStartOffset_;
};

} // namespace ui
