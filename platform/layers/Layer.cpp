// Layer geometry, tree, flags, animations and the recursive vector rendering.
#include "platform/layers/Layer.h"

#include "platform/foundation/Log.h"
#include "platform/graphics/Recorder.h"

#include <algorithm>
#include <cmath>

namespace layers {

namespace {

Point anchorIn(const Rect& bounds, Point anchor) {
    return {bounds.origin.x + anchor.x * bounds.size.width, bounds.origin.y + anchor.y * bounds.size.height};
}

// translate(-anchor), then t, then translate(offset): t applied about the anchor.
AffineTransform about(Point anchor, const AffineTransform& t, Point offset) {
    return AffineTransform::translation(-anchor.x, -anchor.y)
        .concat(t)
        .concat(AffineTransform::translation(offset.x, offset.y));
}

} // namespace

Layer::Layer() = default;

Layer::~Layer() {
    for (const Ptr& sub : sublayers_)
        sub->superlayer_ = nullptr;
}

// --- geometry

void Layer::setBounds(const Rect& bounds) {
    if (bounds == bounds_)
        return;
    bool sizeChanged = bounds.size != bounds_.size;
    bounds_ = bounds;
    if (sizeChanged) {
        setNeedsLayout();
        if (needsDisplayOnBoundsChange_)
            setNeedsDisplay();
    }
    boundsDidChange();
}

void Layer::setPosition(Point position) {
    position_ = position;
}
void Layer::setAnchorPoint(Point anchor) {
    anchorPoint_ = anchor;
}
void Layer::setTransform(const AffineTransform& t) {
    transform_ = t;
}
void Layer::setSublayerTransform(const AffineTransform& t) {
    sublayerTransform_ = t;
}

Rect Layer::frame() const {
    return about(anchorIn(bounds_, anchorPoint_), transform_, position_).apply(bounds_);
}

void Layer::setFrame(const Rect& frame) {
    // Through the overridable accessors, so a subclass that keeps its geometry in other terms (or
    // elsewhere) sees the frame as two ordinary setter calls.
    Rect f = frame.standardized();
    Size size = f.size;
    AffineTransform t = transform();
    Point anchor = anchorPoint();
    auto inverse = t.inverted();
    if (!t.isIdentity() && inverse)
        size = inverse->apply(Rect(0, 0, f.size.width, f.size.height)).size;
    Rect local(-anchor.x * size.width, -anchor.y * size.height, size.width, size.height);
    Rect box = inverse ? t.apply(local) : local;
    setPosition({f.origin.x - box.origin.x, f.origin.y - box.origin.y});
    setBounds(Rect(bounds().origin, size));
}

AffineTransform Layer::transformToSuperlayer() const {
    AffineTransform t = about(anchorIn(bounds_, anchorPoint_), transform_, position_);
    if (superlayer_ && !superlayer_->sublayerTransform_.isIdentity()) {
        Point a = anchorIn(superlayer_->bounds_, superlayer_->anchorPoint_);
        t = t.concat(about(a, superlayer_->sublayerTransform_, a));
    }
    return t;
}

AffineTransform Layer::transformToRoot() const {
    AffineTransform t;
    for (const Layer* l = this; l->superlayer_; l = l->superlayer_)
        t = t.concat(l->transformToSuperlayer());
    return t;
}

Point Layer::convertPointFromLayer(Point p, const Layer* from) const {
    if (from == this)
        return p;
    Point inRoot = from ? from->transformToRoot().apply(p) : p;
    auto inv = transformToRoot().inverted();
    return inv ? inv->apply(inRoot) : inRoot;
}

Point Layer::convertPointToLayer(Point p, const Layer* to) const {
    if (to == this)
        return p;
    Point inRoot = transformToRoot().apply(p);
    if (!to)
        return inRoot;
    auto inv = to->transformToRoot().inverted();
    return inv ? inv->apply(inRoot) : inRoot;
}

Rect Layer::convertRectFromLayer(const Rect& r, const Layer* from) const {
    if (from == this)
        return r;
    AffineTransform t = from ? from->transformToRoot() : AffineTransform{};
    auto inv = transformToRoot().inverted();
    if (inv)
        t = t.concat(*inv);
    return t.apply(r);
}

Rect Layer::convertRectToLayer(const Rect& r, const Layer* to) const {
    if (to == this)
        return r;
    AffineTransform t = transformToRoot();
    if (to) {
        if (auto inv = to->transformToRoot().inverted())
            t = t.concat(*inv);
    }
    return t.apply(r);
}

Layer* Layer::hitTest(Point p) {
    if (hidden_ || opacity_ <= 0)
        return nullptr;
    auto inv = about(anchorIn(bounds_, anchorPoint_), transform_, position_).inverted();
    if (!inv)
        return nullptr;
    Point local = inv->apply(p);
    if (masksToBounds_ && !containsPoint(local))
        return nullptr;
    Point forSubs = local;
    if (!sublayerTransform_.isIdentity()) {
        Point a = anchorIn(bounds_, anchorPoint_);
        if (auto si = about(a, sublayerTransform_, a).inverted())
            forSubs = si->apply(local);
    }
    for (auto it = sublayers_.rbegin(); it != sublayers_.rend(); ++it)
        if (Layer* hit = (*it)->hitTest(forSubs))
            return hit;
    return containsPoint(local) ? this : nullptr;
}

// --- tree

void Layer::attach(const Ptr& layer, size_t index) {
    if (!layer || layer.get() == this || isDescendantOf(layer.get())) {
        foundation::log("layers: a layer cannot become a sublayer of itself or of its own sublayer");
        return;
    }
    Ptr keep = layer; // it may be moving within this very list
    keep->unlink();
    index = std::min(index, sublayers_.size());
    sublayers_.insert(sublayers_.begin() + std::ptrdiff_t(index), keep);
    keep->superlayer_ = this;
    setNeedsLayout();
}

void Layer::addSublayer(const Ptr& layer) {
    attach(layer, sublayers_.size());
}
void Layer::insertSublayerAtIndex(const Ptr& layer, size_t index) {
    attach(layer, index);
}

void Layer::insertSublayerAbove(const Ptr& layer, const Layer* sibling) {
    Ptr keep = layer;
    if (keep)
        keep->unlink();
    auto it =
        std::find_if(sublayers_.begin(), sublayers_.end(), [&](const Ptr& l) { return l.get() == sibling; });
    attach(keep, it == sublayers_.end() ? sublayers_.size() : size_t(it - sublayers_.begin()) + 1);
}

void Layer::insertSublayerBelow(const Ptr& layer, const Layer* sibling) {
    Ptr keep = layer;
    if (keep)
        keep->unlink();
    auto it =
        std::find_if(sublayers_.begin(), sublayers_.end(), [&](const Ptr& l) { return l.get() == sibling; });
    attach(keep, it == sublayers_.end() ? 0 : size_t(it - sublayers_.begin()));
}

bool Layer::replaceSublayer(const Layer* old, const Ptr& with) {
    auto it =
        std::find_if(sublayers_.begin(), sublayers_.end(), [&](const Ptr& l) { return l.get() == old; });
    if (it == sublayers_.end())
        return false;
    size_t index = size_t(it - sublayers_.begin());
    if (with.get() == old)
        return true;
    Ptr gone = *it;
    gone->unlink();
    attach(with, index);
    return true;
}

void Layer::setSublayers(const std::vector<Ptr>& layers) {
    while (!sublayers_.empty())
        sublayers_.back()->unlink();
    for (const Ptr& l : layers)
        attach(l, sublayers_.size());
}

void Layer::removeFromSuperlayer() {
    unlink();
}

void Layer::unlink() {
    Layer* super = superlayer_;
    if (!super)
        return;
    Ptr self = shared_from_this(); // stay alive while unlinking
    auto& subs = super->sublayers_;
    subs.erase(std::remove_if(subs.begin(), subs.end(), [&](const Ptr& l) { return l.get() == this; }),
               subs.end());
    superlayer_ = nullptr;
    super->setNeedsLayout();
}

bool Layer::isDescendantOf(const Layer* other) const {
    for (const Layer* l = superlayer_; l; l = l->superlayer_)
        if (l == other)
            return true;
    return false;
}

// --- appearance

void Layer::setHidden(bool hidden) {
    hidden_ = hidden;
}
void Layer::setOpacity(double opacity) {
    opacity_ = std::clamp(opacity, 0.0, 1.0);
}
void Layer::setMasksToBounds(bool masks) {
    masksToBounds_ = masks;
}
void Layer::setCornerRadius(double radius) {
    cornerRadius_ = std::max(0.0, radius);
}
void Layer::setBorderWidth(double width) {
    borderWidth_ = std::max(0.0, width);
}
void Layer::setBorderColor(std::optional<Color> color) {
    borderColor_ = color;
}
void Layer::setBackgroundColor(std::optional<Color> color) {
    backgroundColor_ = color;
}

void Layer::setMask(Ptr mask) {
    if (mask && mask.get() == this)
        return;
    if (mask)
        mask->removeFromSuperlayer();
    mask_ = std::move(mask);
    setNeedsDisplay();
}

// --- layout and display

void Layer::setNeedsLayout() {
    needsLayout_ = true;
}

void Layer::layoutIfNeeded() {
    // Start from the highest ancestor that needs layout, so a superlayer places us first.
    Layer* top = this;
    for (Layer* l = superlayer_; l; l = l->superlayer_)
        if (l->needsLayout_)
            top = l;
    if (top != this) {
        top->layoutIfNeeded();
        return;
    }
    if (needsLayout_) {
        needsLayout_ = false;
        layoutSublayers();
    }
    // A copy: layout may change the list.
    std::vector<Ptr> subs = sublayers_;
    for (const Ptr& sub : subs)
        if (sub->superlayer_ == this)
            sub->layoutIfNeeded();
}

void Layer::layoutSublayers() {
    if (layoutHook)
        layoutHook(*this);
}

void Layer::setNeedsDisplay() {
    needsDisplay_ = true;
    notifyNeedsDisplay();
}

void Layer::notifyNeedsDisplay() {
    for (Layer* l = this; l; l = l->superlayer_)
        if (l->displayObserver)
            l->displayObserver(*this);
}

void Layer::displayIfNeeded() {
    if (needsDisplay_)
        display();
}

void Layer::display() {
    needsDisplay_ = false;
}

// --- drawing

void Layer::drawInContext(gfx::Context& ctx) {
    if (drawHook)
        drawHook(*this, ctx);
}

// --- backgrounds that would not show
//
// Before a tree is drawn, a walk in drawing order (the same geometry, clips and skips as the drawing
// itself) notes each background fill in device space: the whole pixels it touches, and the whole pixels
// it paints fully and opaquely when it is a square-cornered opaque colour outside any group, mask,
// rounded or turned clip and animation. A fill whose touched pixels the later fills' opaque pixels cover
// together, or that touches none within the clip, would change no pixel of the finished picture: it is
// left out. Fills inside a group (opacity, shadow) are always drawn: the group's image and shadow are
// made of them. Text and other content drawn over a left-out background are painted over by the same
// later fills, so they do not show either way.

struct Layer::HiddenBackgrounds {
    struct Fill {
        const Layer* layer;
        Rect touched; // device pixels it touches; null when it touches none
        Rect painted; // device pixels it paints fully and opaquely; null when none (or it may not count)
        bool mayHide; // it may be left out
    };
    std::vector<Fill> fills;
    std::vector<const Layer*> hidden; // sorted

    bool hides(const Layer* layer) const { return std::binary_search(hidden.begin(), hidden.end(), layer); }
};

namespace {

// Transforms that map an upright rect onto an upright rect exactly (moves, scales, flips, quarter turns).
bool keepsRectsUpright(const AffineTransform& t) {
    return (t.b == 0 && t.c == 0) || (t.a == 0 && t.d == 0);
}

// The whole pixels a rect touches, and those it lies over entirely; null when there are none.
Rect touchedPixels(const Rect& r) {
    if (r.isEmpty() || !gfx::isFinite(r))
        return Rect::null();
    return r.integral();
}

Rect coveredPixels(const Rect& r) {
    if (r.isEmpty() || !gfx::isFinite(r))
        return Rect::null();
    double x0 = std::ceil(r.minX()), y0 = std::ceil(r.minY());
    double x1 = std::floor(r.maxX()), y1 = std::floor(r.maxY());
    if (x1 <= x0 || y1 <= y0)
        return Rect::null();
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

// The parts of `r` outside `cut` (at most four), added to `out`.
void subtract(const Rect& r, const Rect& cut, std::vector<Rect>& out) {
    Rect common = r.intersection(cut);
    if (common.isEmpty()) {
        out.push_back(r);
        return;
    }
    if (common.minY() > r.minY())
        out.emplace_back(r.minX(), r.minY(), r.width(), common.minY() - r.minY());
    if (common.maxY() < r.maxY())
        out.emplace_back(r.minX(), common.maxY(), r.width(), r.maxY() - common.maxY());
    if (common.minX() > r.minX())
        out.emplace_back(r.minX(), common.minY(), common.minX() - r.minX(), common.height());
    if (common.maxX() < r.maxX())
        out.emplace_back(common.maxX(), common.minY(), r.maxX() - common.maxX(), common.height());
}

// True when the rects of `by` together cover `r`. Gives up (false) when what is left of `r` falls into
// many pieces: a pattern of small fills is cheaper to paint than to reason about.
bool coveredBy(const Rect& r, const std::vector<Rect>& by) {
    constexpr size_t kPieces = 32;
    std::vector<Rect> left{r}, next;
    for (const Rect& cut : by) {
        next.clear();
        for (const Rect& piece : left)
            subtract(piece, cut, next);
        left.swap(next);
        if (left.empty())
            return true;
        if (left.size() > kPieces)
            return false;
    }
    return false;
}

// Fills smaller than this many pixels are drawn without asking what covers them: painting them costs
// about as little as the asking.
constexpr double kFillWorthAsking = 4096;

} // namespace

Layer::HiddenBackgrounds Layer::planBackgrounds(const gfx::Context& ctx) const {
    HiddenBackgrounds plan;
    const gfx::GraphicsState& st = ctx.state();
    // A shadow set by the caller falls from every fill, and a group's pixels are composited later,
    // perhaps off the pixel grid: then every fill is drawn.
    if (st.shadow.isVisible() || st.clears || ctx.drawsIntoGroup())
        return plan;
    const Rect clip = st.clipBox.isNull() ? ctx.deviceBounds() : st.clipBox;
    planSelf(st.ctm, clip, true, true, plan);
    std::vector<Rect> later;
    for (size_t i = plan.fills.size(); i-- > 0;) {
        const HiddenBackgrounds::Fill& f = plan.fills[i];
        if (f.mayHide && (f.touched.isNull() || (f.touched.width() * f.touched.height() >= kFillWorthAsking &&
                                                 coveredBy(f.touched, later))))
            plan.hidden.push_back(f.layer);
        if (!f.painted.isNull())
            later.push_back(f.painted);
    }
    std::sort(plan.hidden.begin(), plan.hidden.end());
    return plan;
}

// Follows renderSelf: what it would fill as background, under which clip, and with what in force.
void Layer::planSelf(const AffineTransform& ctm, const Rect& clip, bool mayHide, bool mayCover,
                     HiddenBackgrounds& plan) const {
    double opacity = presentationOpacity();
    if (hidden_ || opacity <= 0)
        return;
    // What moves may be elsewhere when drawn; groups are composited as a whole.
    if (!animations_.empty() || opacity < 1 ||
        (animatedDouble("shadowOpacity", shadowOpacity_) > 0 && shadowColor_))
        mayHide = mayCover = false;
    // A mask's outline is not a rect.
    if (mask_)
        mayCover = false;
    Rect b = presentationBounds();
    double radius = cornerRadiusWithin(b);
    const bool upright = keepsRectsUpright(ctm);
    if (auto bg = animatedColor("backgroundColor", backgroundColor_); bg && bg->alpha > 0) {
        Rect area = ctm.apply(b).intersection(clip);
        HiddenBackgrounds::Fill f{this, touchedPixels(area), Rect::null(), mayHide};
        if (mayCover && bg->alpha >= 1 && !(radius > 0) && upright)
            f.painted = coveredPixels(area);
        plan.fills.push_back(f);
    }
    if (sublayers_.empty())
        return;
    Rect inner = clip;
    if (masksToBounds_) {
        inner = clip.intersection(ctm.apply(b));
        if (inner.isNull())
            inner = Rect(0, 0, 0, 0);
        if (radius > 0 || !upright)
            mayCover = false;
    }
    AffineTransform subCtm = ctm;
    if (auto t = sublayerTransformWithin(b))
        subCtm = t->concat(ctm);
    for (const Ptr& sub : sublayers_)
        planSublayer(subCtm, inner, *sub, mayHide, mayCover, plan);
}

std::optional<AffineTransform> Layer::placementInSuperlayer() const {
    if (hidden_)
        return std::nullopt;
    AffineTransform t =
        about(anchorIn(presentationBounds(), presentationAnchorPoint()), presentationTransform(), presentationPosition());
    if (!t.isInvertible())
        return std::nullopt;
    return t;
}

double Layer::cornerRadiusWithin(const Rect& b) const {
    return std::min(animatedDouble("cornerRadius", cornerRadius_), std::min(b.width(), b.height()) / 2);
}

std::optional<AffineTransform> Layer::sublayerTransformWithin(const Rect& b) const {
    if (sublayerTransform_.isIdentity())
        return std::nullopt;
    const Point a = anchorIn(b, anchorPoint_);
    return about(a, sublayerTransform_, a);
}

bool Layer::confinedToBounds() const {
    return masksToBounds_ && !(shadowOpacity_ > 0);
}

// Follows renderSublayer.
void Layer::planSublayer(const AffineTransform& ctm, const Rect& clip, const Layer& sub, bool mayHide,
                         bool mayCover, HiddenBackgrounds& plan) const {
    const auto t = sub.placementInSuperlayer();
    if (!t)
        return;
    const Rect b = sub.presentationBounds();
    AffineTransform subCtm = t->concat(ctm);
    if (sub.confinedToBounds()) {
        auto inverse = subCtm.inverted();
        Rect userClip = inverse ? inverse->apply(clip) : clip.standardized();
        if (!userClip.intersects(b))
            return;
    }
    // What draws itself is not followed: its fills stay as they are and cover nothing.
    if (sub.rendersOwnSubtree())
        return;
    sub.planSelf(subCtm, clip, mayHide, mayCover, plan);
}

void Layer::renderInContext(gfx::Context& ctx) {
    if (rendersOwnSubtree()) {
        if (!hidden_)
            renderSubtreeInContext(ctx);
        return;
    }
    const HiddenBackgrounds plan = planBackgrounds(ctx);
    renderSelf(ctx, plan.hidden.empty() ? nullptr : &plan);
}

void Layer::renderSublayer(gfx::Context& ctx, Layer& sub, const HiddenBackgrounds* hidden) {
    const auto t = sub.placementInSuperlayer();
    if (!t)
        return;
    ctx.saveGState();
    ctx.concatCTM(*t);
    // A layer that clips all it draws to its bounds (and casts no shadow beyond them) draws nothing when
    // its bounds lie outside the clip, as the content of a scroll view far from its visible part does.
    if (!sub.confinedToBounds() || ctx.clipBoundingBox().intersects(sub.presentationBounds())) {
        if (sub.rendersOwnSubtree())
            sub.renderSubtreeInContext(ctx);
        else
            sub.renderSelf(ctx, hidden);
    }
    ctx.restoreGState();
}

void Layer::renderSelf(gfx::Context& ctx, const HiddenBackgrounds* hidden) {
    double opacity = presentationOpacity();
    if (hidden_ || opacity <= 0)
        return;
    Rect b = presentationBounds();
    double radius = cornerRadiusWithin(b);
    auto addShape = [&](const Rect& r, double rad) {
        if (rad > 0)
            ctx.addRoundedRect(r, rad, rad);
        else
            ctx.addRect(r);
    };
    ctx.saveGState();
    double shadowOpacity = animatedDouble("shadowOpacity", shadowOpacity_);
    bool shadow = shadowOpacity > 0 && shadowColor_;
    if (shadow) {
        // The offset is in layer coordinates; the context takes it in device space.
        Size offset = ctx.convertSizeToDeviceSpace(shadowOffset_);
        Size blur = ctx.convertSizeToDeviceSpace(Size{shadowRadius_, 0});
        ctx.setShadow(offset, 2 * std::hypot(blur.width, blur.height),
                      shadowColor_->withAlpha(shadowColor_->alpha * shadowOpacity));
    }
    ctx.setAlpha(opacity);
    bool group = shadow || opacity < 1;
    if (group)
        ctx.beginTransparencyLayer();

    if (mask_) {
        // The mask's fills, drawn where the mask lies in this layer, become the clip.
        auto rc = gfx::makeRecordingContext(Rect(-1e6, -1e6, 2e6, 2e6));
        rc.context->concatCTM(ctx.ctm());
        Rect mb = mask_->presentationBounds();
        rc.context->concatCTM(about(anchorIn(mb, mask_->presentationAnchorPoint()),
                                    mask_->presentationTransform(), mask_->presentationPosition()));
        if (!mask_->hidden_)
            mask_->renderSelf(*rc.context);
        gfx::Path area;
        for (const auto& r : rc.recorder->records())
            if (r.op == gfx::Recorder::Op::Fill)
                area = area.isEmpty() ? r.path.transformed({})
                                      : area.united(gfx::FillRule::Winding, r.path, r.rule);
        if (auto inv = ctx.ctm().inverted())
            ctx.addPath(area.transformed(*inv));
        ctx.clip();
    }
    if (auto bg = animatedColor("backgroundColor", backgroundColor_);
        bg && bg->alpha > 0 && !(hidden && hidden->hides(this))) {
        ctx.setFillColor(*bg);
        addShape(b, radius);
        ctx.fillPath();
    }
    ctx.saveGState();
    if (masksToBounds_) {
        addShape(b, radius);
        ctx.clip();
    }
    ctx.saveGState();
    drawInContext(ctx);
    ctx.restoreGState();
    if (!sublayers_.empty()) {
        ctx.saveGState();
        if (auto t = sublayerTransformWithin(b))
            ctx.concatCTM(*t);
        std::vector<Ptr> subs = sublayers_;
        for (const Ptr& sub : subs)
            renderSublayer(ctx, *sub, hidden);
        ctx.restoreGState();
    }
    ctx.restoreGState();

    double borderWidth = animatedDouble("borderWidth", borderWidth_);
    if (auto bc = animatedColor("borderColor", borderColor_); bc && borderWidth > 0) {
        // The border lies inside the bounds, over everything else.
        Rect inner = b.insetBy(borderWidth / 2, borderWidth / 2);
        if (!inner.isNull()) {
            ctx.setStrokeColor(*bc);
            ctx.setLineWidth(borderWidth);
            ctx.setLineDash(0, {});
            addShape(inner, std::max(0.0, radius - borderWidth / 2));
            ctx.strokePath();
        }
    }
    if (group)
        ctx.endTransparencyLayer();
    ctx.restoreGState();
}

// --- animations

void Layer::addAnimation(Animation animation, const std::string& key) {
    if (!animation.beginTime) {
        const Clock* c = clock();
        animation.beginTime = c ? c->now() : 0.0;
    }
    removeAnimation(key);
    animations_.emplace_back(key, std::move(animation));
    setNeedsDisplay();
}

void Layer::removeAnimation(const std::string& key) {
    auto it =
        std::find_if(animations_.begin(), animations_.end(), [&](const auto& a) { return a.first == key; });
    if (it == animations_.end())
        return;
    auto done = std::move(it->second.completion);
    animations_.erase(it);
    if (done)
        done(false);
}

void Layer::removeAllAnimations() {
    while (!animations_.empty())
        removeAnimation(animations_.front().first);
}

const Animation* Layer::animationForKey(const std::string& key) const {
    for (const auto& a : animations_)
        if (a.first == key)
            return &a.second;
    return nullptr;
}

std::vector<std::string> Layer::animationKeys() const {
    std::vector<std::string> keys;
    for (const auto& a : animations_)
        keys.push_back(a.first);
    return keys;
}

const Clock* Layer::clock() const {
    for (const Layer* l = this; l; l = l->superlayer_)
        if (l->clock_)
            return l->clock_.get();
    return nullptr;
}

bool Layer::tickAnimations() {
    bool running = false;
    const Clock* c = clock();
    double now = c ? c->now() : 0;
    for (size_t i = 0; i < animations_.size();) {
        const Animation& a = animations_[i].second;
        bool over = now - a.beginTime.value_or(now) >= a.activeDuration();
        if (over && a.removedOnCompletion) {
            auto done = std::move(animations_[i].second.completion);
            animations_.erase(animations_.begin() + std::ptrdiff_t(i));
            if (done)
                done(true);
            continue;
        }
        running = running || !over;
        ++i;
    }
    if (!animations_.empty())
        setNeedsDisplay();
    std::vector<Ptr> subs = sublayers_;
    for (const Ptr& sub : subs)
        running = sub->tickAnimations() || running;
    return running;
}

std::optional<AnimatedValue> Layer::animated(const char* keyPath) const {
    if (animations_.empty())
        return std::nullopt;
    const Clock* c = clock();
    if (!c)
        return std::nullopt;
    // The last added animation of a key path wins.
    for (auto it = animations_.rbegin(); it != animations_.rend(); ++it) {
        if (it->second.keyPath != keyPath)
            continue;
        if (auto v = it->second.valueAt(c->now()))
            return v;
        // A finished animation that stays shows its final value.
        const Animation& a = it->second;
        if (!a.removedOnCompletion && c->now() - a.beginTime.value_or(0) >= a.activeDuration())
            return a.autoreverses ? a.from : a.to;
    }
    return std::nullopt;
}

double Layer::animatedDouble(const char* keyPath, double model) const {
    auto v = animated(keyPath);
    if (v && std::holds_alternative<double>(*v))
        return std::get<double>(*v);
    return model;
}

std::optional<Color> Layer::animatedColor(const char* keyPath, std::optional<Color> model) const {
    auto v = animated(keyPath);
    if (v && std::holds_alternative<Color>(*v))
        return std::get<Color>(*v);
    return model;
}

double Layer::presentationOpacity() const {
    return std::clamp(animatedDouble("opacity", opacity_), 0.0, 1.0);
}

Point Layer::presentationPosition() const {
    auto v = animated("position");
    return v && std::holds_alternative<Point>(*v) ? std::get<Point>(*v) : position_;
}

Rect Layer::presentationBounds() const {
    auto v = animated("bounds");
    return v && std::holds_alternative<Rect>(*v) ? std::get<Rect>(*v) : bounds_;
}

Point Layer::presentationAnchorPoint() const {
    auto v = animated("anchorPoint");
    return v && std::holds_alternative<Point>(*v) ? std::get<Point>(*v) : anchorPoint_;
}

AffineTransform Layer::presentationTransform() const {
    AffineTransform t = transform_;
    if (auto whole = animated("transform"); whole && std::holds_alternative<AffineTransform>(*whole))
        t = std::get<AffineTransform>(*whole);
    if (auto r = animated("transform.rotation.z"); r && std::holds_alternative<double>(*r))
        t = AffineTransform::rotation(std::get<double>(*r)).concat(t);
    if (auto s = animated("transform.scale"); s && std::holds_alternative<double>(*s))
        t = AffineTransform::scale(std::get<double>(*s), std::get<double>(*s)).concat(t);
    return t;
}

} // namespace layers
