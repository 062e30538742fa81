// Views: rectangles on a layer that draw, lay out their subviews, and answer touches. A view's frame
// follows its layer's rule (a quarter-turned view given a frame gets the swapped bounds size).
#pragma once

#include "platform/graphics/Color.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Geometry.h"
#include "platform/layers/Layer.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {

using gfx::AffineTransform;
using gfx::Color;
using gfx::EdgeInsets;
using gfx::Point;
using gfx::Rect;
using gfx::Size;

class View;
class Window;
class GestureRecognizer;

enum class TouchPhase { Began, Moved, Stationary, Ended, Cancelled };

struct Touch {
    std::weak_ptr<View> view; // the view hit when the touch began
    Point locationInWindow;
    Point previousLocationInWindow;
    TouchPhase phase = TouchPhase::Began;
    int tapCount = 1;
    double timestamp = 0;
    Window* window = nullptr;
    Point locationInView(const View* view) const;
    Point previousLocationInView(const View* view) const;
};

struct Event {
    std::vector<Touch*> allTouches;
    double timestamp = 0;
};

using Touches = std::vector<Touch*>;

// Flexible margins and sizes as bits, as the platform numbers them.
enum Autoresizing : unsigned {
    AutoresizingNone = 0,
    FlexibleLeftMargin = 1,
    FlexibleWidth = 2,
    FlexibleRightMargin = 4,
    FlexibleTopMargin = 8,
    FlexibleHeight = 16,
    FlexibleBottomMargin = 32,
};

// Animation options: the curve in bits 16-19, as the platform numbers them.
enum AnimationOptions : unsigned {
    AnimationOptionNone = 0,
    AnimationOptionRepeat = 1 << 3,
    AnimationOptionAutoreverse = 1 << 4,
    AnimationOptionBeginFromCurrentState = 1 << 2,
    AnimationOptionCurveEaseInOut = 0 << 16,
    AnimationOptionCurveEaseIn = 1 << 16,
    AnimationOptionCurveEaseOut = 2 << 16,
    AnimationOptionCurveLinear = 3 << 16,
};

class View : public std::enable_shared_from_this<View> {
  public:
    using Ptr = std::shared_ptr<View>;

    explicit View(const Rect& frame = {});
    virtual ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;
    template <class T = View, class... Args> static std::shared_ptr<T> make(Args&&... args) {
        return std::make_shared<T>(std::forward<Args>(args)...);
    }

    layers::Layer& layer() const { return *layer_; }
    const layers::Layer::Ptr& layerPtr() const { return layer_; }

    // --- geometry
    Rect frame() const { return layer_->frame(); }
    void setFrame(const Rect& frame);
    Rect bounds() const { return layer_->bounds(); }
    void setBounds(const Rect& bounds);
    Point center() const { return layer_->position(); }
    void setCenter(Point center);
    AffineTransform transform() const { return layer_->transform(); }
    void setTransform(const AffineTransform& transform);
    unsigned autoresizingMask() const { return autoresizingMask_; }
    void setAutoresizingMask(unsigned mask) { autoresizingMask_ = mask; }
    bool autoresizesSubviews() const { return autoresizesSubviews_; }
    void setAutoresizesSubviews(bool on) { autoresizesSubviews_ = on; }

    // --- the tree
    const std::vector<Ptr>& subviews() const { return subviews_; }
    View* superview() const { return superview_; }
    void addSubview(const Ptr& view);
    void insertSubviewAtIndex(const Ptr& view, size_t index);
    void insertSubviewBelow(const Ptr& view, const View* sibling);
    void insertSubviewAbove(const Ptr& view, const View* sibling);
    void bringSubviewToFront(const View* view);
    void sendSubviewToBack(const View* view);
    void removeFromSuperview();
    bool isDescendantOfView(const View* view) const;
    // The window this view is in (null off-screen).
    Window* window() const;
    virtual void didMoveToSuperview() {}
    virtual void didMoveToWindow() {}

    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    // This view or the first descendant (depth first) with the tag.
    View* viewWithTag(int tag);
    // The outlet name the driver finds a view by.
    const std::string& identifier() const { return identifier_; }
    void setIdentifier(std::string id);
    View* viewWithIdentifier(const std::string& id);

    // --- appearance
    std::optional<Color> backgroundColor() const { return layer_->backgroundColor(); }
    // Virtual: a view whose companions take its colour follows changes.
    virtual void setBackgroundColor(std::optional<Color> color);
    bool isHidden() const { return layer_->isHidden(); }
    void setHidden(bool hidden) { layer_->setHidden(hidden); }
    double alpha() const { return layer_->opacity(); }
    void setAlpha(double alpha);
    bool clipsToBounds() const { return layer_->masksToBounds(); }
    void setClipsToBounds(bool clips) { layer_->setMasksToBounds(clips); }
    bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
    void setUserInteractionEnabled(bool on) { userInteractionEnabled_ = on; }
    bool isMultipleTouchEnabled() const { return multipleTouchEnabled_; }
    void setMultipleTouchEnabled(bool on) { multipleTouchEnabled_ = on; }
    std::optional<Color> tintColor() const;
    void setTintColor(std::optional<Color> color) { tintColor_ = color; }

    // --- conversion (null: the window, or the root of an off-screen tree)
    Point convertPointToView(Point p, const View* to) const;
    Point convertPointFromView(Point p, const View* from) const;
    Rect convertRectToView(const Rect& r, const View* to) const;
    Rect convertRectFromView(const Rect& r, const View* from) const;

    // --- hit testing: `p` in this view's coordinates. The default skips hidden, transparent and
    // non-interactive views and asks the subviews front to back; an override may answer null.
    virtual View* hitTest(Point p, const Event* event);
    virtual bool pointInside(Point p, const Event* event) const;

    // --- layout
    virtual void layoutSubviews() {}
    void setNeedsLayout() { layer_->setNeedsLayout(); }
    void layoutIfNeeded() { layer_->layoutIfNeeded(); }
    virtual Size sizeThatFits(Size size) const { return bounds().size; }
    void sizeToFit();

    // --- drawing: `rect` in this view's coordinates; the context is already in them.
    virtual void drawRect(gfx::Context& ctx, const Rect& rect) {}
    void setNeedsDisplay() { layer_->setNeedsDisplay(); }
    // How many times drawRect ran (for checks that a redraw happened).
    int drawCount() const { return drawCount_; }

    // --- responder: the default passes touches on to the superview.
    virtual void touchesBegan(const Touches& touches, const Event& event);
    virtual void touchesMoved(const Touches& touches, const Event& event);
    virtual void touchesEnded(const Touches& touches, const Event& event);
    virtual void touchesCancelled(const Touches& touches, const Event& event);
    virtual bool canBecomeFirstResponder() const { return false; }
    virtual bool becomeFirstResponder();
    virtual bool resignFirstResponder();
    bool isFirstResponder() const;
    // Makes the first responder inside this view resign; `force` clears it even when it refuses.
    bool endEditing(bool force);

    // --- gestures
    void addGestureRecognizer(std::shared_ptr<GestureRecognizer> recognizer);
    void removeGestureRecognizer(const GestureRecognizer* recognizer);
    const std::vector<std::shared_ptr<GestureRecognizer>>& gestureRecognizers() const { return recognizers_; }

    // --- for the driver and the tree dump
    // The text this view shows (a label's text, a button's title, a field's text); empty by default.
    virtual std::string displayedText() const { return {}; }
    // The class name (demangled) and details for the tree dump.
    std::string className() const;
    virtual std::string describe() const;

    // --- animation blocks: property changes inside `animations` (frame, bounds, center, transform,
    // alpha, background colour) animate on the host's clock; `completion` runs on the main queue afterwards
    // (true when all ran to their end). A zero duration or a view with no clock changes at once.
    static void animate(double duration, double delay, unsigned options,
                        const std::function<void()>& animations, std::function<void(bool)> completion = {});
    static void animate(double duration, const std::function<void()>& animations,
                        std::function<void(bool)> completion = {}) {
        animate(duration, 0, AnimationOptionNone, animations, std::move(completion));
    }
    // Changes made inside run without animation even inside an animation block.
    static void performWithoutAnimation(const std::function<void()>& changes);

  protected:
    // The layer asks these; overrides of drawRect/layoutSubviews normally suffice.
    friend class ViewLayer;
    virtual void boundsSizeDidChange(Size old);

  private:
    void attach(const Ptr& view, size_t index);
    void detachFromSuperview();
    void animateChange(const char* keyPath, layers::AnimatedValue from, layers::AnimatedValue to);
    void resizeSubviews(Size old);
    void notifyWindowChange();

    layers::Layer::Ptr layer_;
    std::vector<Ptr> subviews_;
    View* superview_ = nullptr;
    int tag_ = 0;
    std::string identifier_;
    unsigned autoresizingMask_ = 0;
    bool autoresizesSubviews_ = true;
    bool userInteractionEnabled_ = true;
    bool multipleTouchEnabled_ = false;
    std::optional<Color> tintColor_;
    int drawCount_ = 0;
    std::vector<std::shared_ptr<GestureRecognizer>> recognizers_;
};

} // namespace ui
