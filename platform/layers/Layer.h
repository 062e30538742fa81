// The layer tree: geometry (bounds, position, anchor point, transforms), sublayers, appearance,
// layout and display flags, keyed animations, and rendering by a recursive vector walk.
//
// Geometry: a point p of a layer maps into its superlayer as
//   position + transform(p - anchorInBounds), then through the superlayer's sublayerTransform about
//   the superlayer's anchorInBounds; anchorInBounds = bounds.origin + anchorPoint * bounds.size.
// Rendering order per layer: shadow (of the whole layer), background, content, sublayers, then the
// border inset inside the bounds on top. Opacity below 1 applies to the layer and its subtree as a group.
// A background is not filled when nothing of it would show: when it lies outside the clip, or when the
// opaque square-cornered backgrounds drawn after it cover every pixel it touches (a window, the view
// of its screen and a table under rows that fill it). See renderInContext.
#pragma once

#include "platform/graphics/Color.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Geometry.h"
#include "platform/layers/Animation.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace layers {

using gfx::AffineTransform;
using gfx::Color;
using gfx::Point;
using gfx::Rect;
using gfx::Size;

class Layer : public std::enable_shared_from_this<Layer> {
  public:
    using Ptr = std::shared_ptr<Layer>;

    Layer();
    virtual ~Layer();
    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;
    static Ptr make() { return std::make_shared<Layer>(); }

    // --- geometry. Subclasses may override the accessors marked virtual; the layer's own rendering,
    // hit testing and conversions read the stored values, while setFrame and the tree go through them.
    virtual Rect bounds() const { return bounds_; }
    virtual void setBounds(const Rect& bounds);
    virtual Point position() const { return position_; }
    virtual void setPosition(Point position);
    virtual Point anchorPoint() const { return anchorPoint_; }
    virtual void setAnchorPoint(Point anchor);
    // The box of the transformed bounds in the superlayer (its sublayerTransform not included).
    Rect frame() const;
    // Sets position and bounds size so that frame() answers `frame`; a quarter turn swaps the size.
    void setFrame(const Rect& frame);
    virtual AffineTransform transform() const { return transform_; }
    virtual void setTransform(const AffineTransform& t);
    AffineTransform sublayerTransform() const { return sublayerTransform_; }
    void setSublayerTransform(const AffineTransform& t);
    // Maps this layer's points into its superlayer's (including the superlayer's sublayerTransform).
    AffineTransform transformToSuperlayer() const;

    // --- the tree
    const std::vector<Ptr>& sublayers() const { return sublayers_; }
    Layer* superlayer() const { return superlayer_; }
    virtual void addSublayer(const Ptr& layer);
    virtual void insertSublayerAtIndex(const Ptr& layer, size_t index);
    virtual void insertSublayerAbove(const Ptr& layer, const Layer* sibling);
    virtual void insertSublayerBelow(const Ptr& layer, const Layer* sibling);
    // Answers false when `old` is not a sublayer.
    virtual bool replaceSublayer(const Layer* old, const Ptr& with);
    virtual void setSublayers(const std::vector<Ptr>& layers);
    virtual void removeFromSuperlayer();
    bool isDescendantOf(const Layer* other) const;

    // --- appearance
    virtual bool isHidden() const { return hidden_; }
    virtual void setHidden(bool hidden);
    double opacity() const { return opacity_; }
    void setOpacity(double opacity);
    bool isOpaque() const { return opaque_; }
    void setOpaque(bool opaque) { opaque_ = opaque; }
    bool masksToBounds() const { return masksToBounds_; }
    void setMasksToBounds(bool masks);
    virtual double cornerRadius() const { return cornerRadius_; }
    virtual void setCornerRadius(double radius);
    double borderWidth() const { return borderWidth_; }
    void setBorderWidth(double width);
    std::optional<Color> borderColor() const { return borderColor_; }
    void setBorderColor(std::optional<Color> color);
    virtual std::optional<Color> backgroundColor() const { return backgroundColor_; }
    virtual void setBackgroundColor(std::optional<Color> color);
    std::optional<Color> shadowColor() const { return shadowColor_; }
    void setShadowColor(std::optional<Color> color) { shadowColor_ = color; }
    Size shadowOffset() const { return shadowOffset_; }
    void setShadowOffset(Size offset) { shadowOffset_ = offset; }
    double shadowRadius() const { return shadowRadius_; }
    void setShadowRadius(double radius) { shadowRadius_ = radius; }
    double shadowOpacity() const { return shadowOpacity_; }
    void setShadowOpacity(double opacity) { shadowOpacity_ = opacity; }
    virtual double contentsScale() const { return contentsScale_; }
    virtual void setContentsScale(double scale) { contentsScale_ = scale; }
    bool needsDisplayOnBoundsChange() const { return needsDisplayOnBoundsChange_; }
    void setNeedsDisplayOnBoundsChange(bool on) { needsDisplayOnBoundsChange_ = on; }
    // A layer whose drawn area clips this layer and its subtree (its fills make the mask). It lives in
    // this layer's coordinates and has no superlayer.
    Ptr mask() const { return mask_; }
    void setMask(Ptr mask);
    // A name for debugging and tests.
    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }

    // --- conversion between layers (null: the root of this layer's tree)
    Point convertPointFromLayer(Point p, const Layer* from) const;
    Point convertPointToLayer(Point p, const Layer* to) const;
    Rect convertRectFromLayer(const Rect& r, const Layer* from) const;
    Rect convertRectToLayer(const Rect& r, const Layer* to) const;
    // This layer's points mapped into its root's coordinates.
    AffineTransform transformToRoot() const;
    // The deepest visible layer whose bounds contain `p` (in the superlayer's coordinates), or null.
    Layer* hitTest(Point p);
    bool containsPoint(Point p) const { return bounds_.contains(p); }

    // --- layout: top-down, from the highest ancestor that needs it
    virtual void setNeedsLayout();
    bool needsLayout() const { return needsLayout_; }
    void layoutIfNeeded();
    // Positions the sublayers; the default calls the layout hook when one is set.
    virtual void layoutSublayers();
    std::function<void(Layer&)> layoutHook;

    // --- display: a dirty flag; every observer of this layer or an ancestor hears of each request
    virtual void setNeedsDisplay();
    bool needsDisplay() const { return needsDisplay_; }
    void displayIfNeeded();
    // Brings the content up to date; the default only clears the flag (content is drawn when rendered).
    virtual void display();
    std::function<void(Layer&)> displayObserver;

    // --- drawing
    // Draws the layer's own content in its coordinates; the default calls the draw hook when set.
    virtual void drawInContext(gfx::Context& ctx);
    std::function<void(Layer&, gfx::Context&)> drawHook;
    // Renders this layer and its subtree in this layer's own coordinates.
    void renderInContext(gfx::Context& ctx);
    // A layer may take over the drawing of itself and its whole subtree: when the walk reaches a
    // layer that answers true, it calls renderSubtreeInContext (the context already in the layer's
    // own coordinates) instead of drawing the layer and descending. Masks, shadows, opacity and
    // borders of the platform are then the layer's own business.
    virtual bool rendersOwnSubtree() const { return false; }
    virtual void renderSubtreeInContext(gfx::Context& ctx) {}

    // --- animations
    void addAnimation(Animation animation, const std::string& key);
    void removeAnimation(const std::string& key);
    void removeAllAnimations();
    const Animation* animationForKey(const std::string& key) const;
    std::vector<std::string> animationKeys() const;
    // The clock of this layer, or of its nearest ancestor that has one.
    void setClock(std::shared_ptr<Clock> clock) { clock_ = std::move(clock); }
    const Clock* clock() const;
    // Removes finished animations in the subtree (calling their completions); true while any runs.
    bool tickAnimations();
    // Model values overridden by running animations.
    double presentationOpacity() const;
    Point presentationPosition() const;
    Rect presentationBounds() const;
    Point presentationAnchorPoint() const;
    AffineTransform presentationTransform() const;

  protected:
    // Called when the bounds change, after the flags are set.
    virtual void boundsDidChange() {}

  private:
    std::optional<AnimatedValue> animated(const char* keyPath) const;
    double animatedDouble(const char* keyPath, double model) const;
    std::optional<Color> animatedColor(const char* keyPath, std::optional<Color> model) const;
    void attach(const Ptr& layer, size_t index);
    // Unlinks from the superlayer without the overridable removeFromSuperlayer: moving a layer
    // inside the tree is not a removal a subclass should react to.
    void unlink();
    // The backgrounds of one rendering that later opaque backgrounds paint over entirely.
    struct HiddenBackgrounds;
    HiddenBackgrounds planBackgrounds(const gfx::Context& ctx) const;
    void planSelf(const AffineTransform& ctm, const Rect& clip, bool mayHide, bool mayCover,
                  HiddenBackgrounds& plan) const;
    // Where this layer is drawn in its superlayer's space; nothing when hidden or squashed flat.
    std::optional<AffineTransform> placementInSuperlayer() const;
    // The corner radius as drawn within bounds `b` (at most half its shorter side).
    double cornerRadiusWithin(const Rect& b) const;
    // The transform its sublayers are drawn under within bounds `b`; nothing when it is the identity.
    std::optional<AffineTransform> sublayerTransformWithin(const Rect& b) const;
    // Clips all it draws to its bounds and casts no shadow beyond them.
    bool confinedToBounds() const;
    void planSublayer(const AffineTransform& ctm, const Rect& clip, const Layer& sub, bool mayHide,
                      bool mayCover, HiddenBackgrounds& plan) const;
    void renderSublayer(gfx::Context& ctx, Layer& sub, const HiddenBackgrounds* hidden);
    void renderSelf(gfx::Context& ctx, const HiddenBackgrounds* hidden = nullptr);
    void notifyNeedsDisplay();

    Rect bounds_;
    Point position_;
    Point anchorPoint_{0.5, 0.5};
    AffineTransform transform_;
    AffineTransform sublayerTransform_;
    std::vector<Ptr> sublayers_;
    Layer* superlayer_ = nullptr;
    bool hidden_ = false;
    double opacity_ = 1;
    bool opaque_ = false;
    bool masksToBounds_ = false;
    double cornerRadius_ = 0;
    double borderWidth_ = 0;
    std::optional<Color> borderColor_ = Color::black();
    std::optional<Color> backgroundColor_;
    std::optional<Color> shadowColor_ = Color::black();
    Size shadowOffset_{0, -3};
    double shadowRadius_ = 3;
    double shadowOpacity_ = 0;
    double contentsScale_ = 1;
    bool needsDisplayOnBoundsChange_ = false;
    bool needsLayout_ = false;
    bool needsDisplay_ = false;
    std::string name_;
    std::vector<std::pair<std::string, Animation>> animations_;
    std::shared_ptr<Clock> clock_;
    Ptr mask_;
};

} // namespace layers
