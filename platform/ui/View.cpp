// Views over layers: geometry, the tree, hit testing, responders and animation blocks.
#include "platform/ui/View.h"

#include "platform/foundation/Dispatch.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cxxabi.h>
#include <typeinfo>

namespace ui {

// The layer of a view: it asks the view to lay out and draw, and tells it when its size changed.
class ViewLayer : public layers::Layer {
  public:
    explicit ViewLayer(View* view) : view_(view) {}
    void detach() { view_ = nullptr; }
    void layoutSublayers() override {
        if (view_)
            view_->layoutSubviews();
        Layer::layoutSublayers();
    }
    void drawInContext(gfx::Context& ctx) override {
        Layer::drawInContext(ctx);
        if (!view_)
            return;
        ++view_->drawCount_;
        view_->drawRect(ctx, bounds());
    }

  protected:
    void boundsDidChange() override {
        Size now = bounds().size;
        if (now == lastSize_)
            return;
        Size old = lastSize_;
        lastSize_ = now;
        if (view_)
            view_->boundsSizeDidChange(old);
    }

  private:
    View* view_;
    Size lastSize_;
};

namespace {

struct AnimationGroup {
    int pending = 0;
    bool closed = false;
    bool finished = true;
    std::function<void(bool)> completion;
};

struct AnimationBlock {
    double duration = 0;
    double delay = 0;
    unsigned options = 0;
    std::shared_ptr<AnimationGroup> group;
};

// The open animation blocks (main thread only, as all view work is).
std::vector<AnimationBlock>& openBlocks() {
    static std::vector<AnimationBlock> blocks;
    return blocks;
}
int& withoutAnimationDepth() {
    static int depth = 0;
    return depth;
}

void finishGroup(const std::shared_ptr<AnimationGroup>& group) {
    if (!group->closed || group->pending > 0 || !group->completion)
        return;
    auto completion = std::move(group->completion);
    group->completion = nullptr;
    bool finished = group->finished;
    // Later: completions often start the next animation, which must not happen inside a tick.
    dispatch::mainQueue().async([completion, finished] { completion(finished); });
}

std::function<double(double)> curveFor(unsigned options) {
    switch ((options >> 16) & 0xF) {
    case 1:
        return [](double t) { return t * t; };
    case 2:
        return [](double t) { return 1 - (1 - t) * (1 - t); };
    case 3:
        return {};
    default:
        return [](double t) { return t * t * (3 - 2 * t); };
    }
}

} // namespace

Point Touch::locationInView(const View* view) const {
    if (!view)
        return locationInWindow;
    return view->convertPointFromView(locationInWindow, nullptr);
}

Point Touch::previousLocationInView(const View* view) const {
    if (!view)
        return previousLocationInWindow;
    return view->convertPointFromView(previousLocationInWindow, nullptr);
}

View::View(const Rect& frame) : layer_(std::make_shared<ViewLayer>(this)) {
    layer_->setFrame(frame);
}

View::~View() {
    static_cast<ViewLayer&>(*layer_).detach();
    for (auto& sub : subviews_)
        sub->superview_ = nullptr;
}

void View::animateChange(const char* keyPath, layers::AnimatedValue from, layers::AnimatedValue to) {
    auto& blocks = openBlocks();
    if (blocks.empty() || withoutAnimationDepth() > 0 || !layer_->clock())
        return;
    const AnimationBlock& block = blocks.back();
    if (block.duration <= 0)
        return;
    layers::Animation a;
    a.keyPath = keyPath;
    a.from = from;
    a.to = to;
    a.duration = block.duration;
    a.beginTime = layer_->clock()->now() + block.delay;
    a.timing = curveFor(block.options);
    if (block.options & AnimationOptionRepeat)
        a.repeatCount = INFINITY;
    a.autoreverses = (block.options & AnimationOptionAutoreverse) != 0;
    auto group = block.group;
    ++group->pending;
    a.completion = [group](bool finished) {
        --group->pending;
        group->finished = group->finished && finished;
        finishGroup(group);
    };
    layer_->addAnimation(std::move(a), keyPath);
}

void View::setFrame(const Rect& frame) {
    Point oldPosition = layer_->presentationPosition();
    Rect oldBounds = layer_->presentationBounds();
    layer_->setFrame(frame);
    if (oldPosition != layer_->position())
        animateChange("position", oldPosition, layer_->position());
    if (oldBounds != layer_->bounds())
        animateChange("bounds", oldBounds, layer_->bounds());
}

void View::setBounds(const Rect& bounds) {
    Rect old = layer_->presentationBounds();
    layer_->setBounds(bounds);
    if (old != bounds)
        animateChange("bounds", old, bounds);
}

void View::setCenter(Point center) {
    Point old = layer_->presentationPosition();
    layer_->setPosition(center);
    if (old != center)
        animateChange("position", old, center);
}

void View::setTransform(const AffineTransform& transform) {
    AffineTransform old = layer_->presentationTransform();
    layer_->setTransform(transform);
    if (old != transform)
        animateChange("transform", old, transform);
}

void View::setAlpha(double alpha) {
    double old = layer_->presentationOpacity();
    layer_->setOpacity(alpha);
    if (old != alpha)
        animateChange("opacity", old, alpha);
}

void View::setBackgroundColor(std::optional<Color> color) {
    auto old = layer_->backgroundColor();
    layer_->setBackgroundColor(color);
    if (old != color)
        animateChange("backgroundColor", old.value_or(Color::clear()), color.value_or(Color::clear()));
}

std::optional<Color> View::tintColor() const {
    for (const View* v = this; v; v = v->superview_)
        if (v->tintColor_)
            return v->tintColor_;
    return Color{0, 0.478, 1, 1};
}

void View::boundsSizeDidChange(Size old) {
    if (autoresizesSubviews_)
        resizeSubviews(old);
    setNeedsLayout();
}

namespace {

// Spreads `delta` over the flexible parts of one axis in proportion to their present lengths.
void spread(double delta, bool flexLead, bool flexSize, bool flexTrail, double lead, double size,
            double trail, double& newLead, double& newSize) {
    newLead = lead;
    newSize = size;
    double total = (flexLead ? lead : 0) + (flexSize ? size : 0) + (flexTrail ? trail : 0);
    int count = int(flexLead) + int(flexSize) + int(flexTrail);
    if (count == 0)
        return;
    auto share = [&](bool flex, double length) {
        if (!flex)
            return 0.0;
        return total > 0 ? delta * length / total : delta / count;
    };
    newLead = lead + share(flexLead, lead);
    newSize = std::max(0.0, size + share(flexSize, size));
}

} // namespace

void View::resizeSubviews(Size old) {
    Size now = bounds().size;
    double dw = now.width - old.width;
    double dh = now.height - old.height;
    if (dw == 0 && dh == 0)
        return;
    for (const Ptr& sub : subviews_) {
        unsigned m = sub->autoresizingMask_;
        if (m == 0)
            continue;
        Rect f = sub->frame();
        Rect r = f;
        spread(dw, m & FlexibleLeftMargin, m & FlexibleWidth, m & FlexibleRightMargin, f.origin.x,
               f.size.width, old.width - f.maxX(), r.origin.x, r.size.width);
        spread(dh, m & FlexibleTopMargin, m & FlexibleHeight, m & FlexibleBottomMargin, f.origin.y,
               f.size.height, old.height - f.maxY(), r.origin.y, r.size.height);
        if (r != f)
            sub->setFrame(r);
    }
}

void View::attach(const Ptr& view, size_t index) {
    if (!view || view.get() == this)
        return;
    Window* oldWindow = view->window();
    view->detachFromSuperview();
    index = std::min(index, subviews_.size());
    subviews_.insert(subviews_.begin() + std::ptrdiff_t(index), view);
    view->superview_ = this;
    layer_->insertSublayerAtIndex(view->layer_, index);
    view->didMoveToSuperview();
    if (oldWindow != view->window())
        view->notifyWindowChange();
}

void View::detachFromSuperview() {
    if (!superview_)
        return;
    auto& siblings = superview_->subviews_;
    auto it = std::find_if(siblings.begin(), siblings.end(), [&](const Ptr& p) { return p.get() == this; });
    superview_ = nullptr;
    layer_->removeFromSuperlayer();
    if (it != siblings.end())
        siblings.erase(it); // may release this view: touch nothing after
}

void View::notifyWindowChange() {
    didMoveToWindow();
    for (const Ptr& sub : std::vector<Ptr>(subviews_))
        sub->notifyWindowChange();
}

void View::addSubview(const Ptr& view) {
    attach(view, subviews_.size());
}

void View::insertSubviewAtIndex(const Ptr& view, size_t index) {
    attach(view, index);
}

namespace {
size_t indexOf(const std::vector<View::Ptr>& views, const View* v) {
    for (size_t i = 0; i < views.size(); ++i)
        if (views[i].get() == v)
            return i;
    return views.size();
}
} // namespace

void View::insertSubviewBelow(const Ptr& view, const View* sibling) {
    if (view && view->superview_ == this)
        view->detachFromSuperview();
    attach(view, indexOf(subviews_, sibling) == subviews_.size() ? 0 : indexOf(subviews_, sibling));
}

void View::insertSubviewAbove(const Ptr& view, const View* sibling) {
    Ptr keep = view;
    if (view && view->superview_ == this)
        view->detachFromSuperview();
    size_t i = indexOf(subviews_, sibling);
    attach(keep, i == subviews_.size() ? subviews_.size() : i + 1);
}

void View::bringSubviewToFront(const View* view) {
    size_t i = indexOf(subviews_, view);
    if (i == subviews_.size())
        return;
    Ptr keep = subviews_[i];
    attach(keep, subviews_.size());
}

void View::sendSubviewToBack(const View* view) {
    size_t i = indexOf(subviews_, view);
    if (i == subviews_.size())
        return;
    Ptr keep = subviews_[i];
    attach(keep, 0);
}

void View::removeFromSuperview() {
    if (!superview_)
        return;
    Ptr keep = shared_from_this();
    Window* oldWindow = window();
    // The first responder leaving the window resigns as it would for a tap elsewhere, so a field
    // taken away while edited (a cell scrolled out and reused) commits its text before it goes.
    if (oldWindow)
        if (View* fr = oldWindow->firstResponder(); fr && fr->isDescendantOfView(this)) {
            fr->resignFirstResponder();
            if (oldWindow->firstResponder() == fr)
                oldWindow->clearFirstResponder();
        }
    if (!superview_)
        return;
    detachFromSuperview();
    didMoveToSuperview();
    if (oldWindow)
        notifyWindowChange();
}

bool View::isDescendantOfView(const View* view) const {
    for (const View* v = this; v; v = v->superview_)
        if (v == view)
            return true;
    return false;
}

Window* View::window() const {
    const View* v = this;
    while (v->superview_)
        v = v->superview_;
    return dynamic_cast<Window*>(const_cast<View*>(v));
}

View* View::viewWithTag(int tag) {
    if (tag_ == tag)
        return this;
    for (const Ptr& sub : subviews_)
        if (View* found = sub->viewWithTag(tag))
            return found;
    return nullptr;
}

void View::setIdentifier(std::string id) {
    identifier_ = std::move(id);
    layer_->setName(identifier_);
}

View* View::viewWithIdentifier(const std::string& id) {
    if (identifier_ == id)
        return this;
    for (const Ptr& sub : subviews_)
        if (View* found = sub->viewWithIdentifier(id))
            return found;
    return nullptr;
}

Point View::convertPointToView(Point p, const View* to) const {
    return layer_->convertPointToLayer(p, to ? to->layer_.get() : nullptr);
}

Point View::convertPointFromView(Point p, const View* from) const {
    return layer_->convertPointFromLayer(p, from ? from->layer_.get() : nullptr);
}

Rect View::convertRectToView(const Rect& r, const View* to) const {
    return layer_->convertRectToLayer(r, to ? to->layer_.get() : nullptr);
}

Rect View::convertRectFromView(const Rect& r, const View* from) const {
    return layer_->convertRectFromLayer(r, from ? from->layer_.get() : nullptr);
}

bool View::pointInside(Point p, const Event*) const {
    return bounds().contains(p);
}

View* View::hitTest(Point p, const Event* event) {
    if (isHidden() || !userInteractionEnabled_ || alpha() < 0.01)
        return nullptr;
    if (!pointInside(p, event))
        return nullptr;
    for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
        View* sub = it->get();
        Point q = sub->convertPointFromView(p, this);
        if (View* hit = sub->hitTest(q, event))
            return hit;
    }
    return this;
}

void View::sizeToFit() {
    Size s = sizeThatFits(bounds().size);
    Rect f = frame();
    setFrame({f.origin, s});
}

void View::touchesBegan(const Touches& touches, const Event& event) {
    if (superview_)
        superview_->touchesBegan(touches, event);
}

void View::touchesMoved(const Touches& touches, const Event& event) {
    if (superview_)
        superview_->touchesMoved(touches, event);
}

void View::touchesEnded(const Touches& touches, const Event& event) {
    if (superview_)
        superview_->touchesEnded(touches, event);
}

void View::touchesCancelled(const Touches& touches, const Event& event) {
    if (superview_)
        superview_->touchesCancelled(touches, event);
}

bool View::becomeFirstResponder() {
    Window* w = window();
    if (!w || !canBecomeFirstResponder())
        return false;
    if (w->firstResponder() == this)
        return true;
    if (View* current = w->firstResponder(); current && !current->resignFirstResponder())
        return false;
    w->setFirstResponder(this);
    return true;
}

bool View::resignFirstResponder() {
    Window* w = window();
    if (w && w->firstResponder() == this)
        w->clearFirstResponder();
    return true;
}

bool View::isFirstResponder() const {
    Window* w = window();
    return w && w->firstResponder() == this;
}

bool View::endEditing(bool force) {
    Window* w = window();
    if (!w)
        return true;
    View* fr = w->firstResponder();
    if (!fr || !fr->isDescendantOfView(this))
        return true;
    if (fr->resignFirstResponder())
        return true;
    if (force)
        w->clearFirstResponder();
    return force;
}

void View::addGestureRecognizer(std::shared_ptr<GestureRecognizer> recognizer) {
    if (!recognizer)
        return;
    if (View* old = recognizer->view(); old && old != this)
        old->removeGestureRecognizer(recognizer.get());
    recognizer->view_ = this;
    recognizers_.push_back(std::move(recognizer));
}

void View::removeGestureRecognizer(const GestureRecognizer* recognizer) {
    auto it = std::find_if(recognizers_.begin(), recognizers_.end(),
                           [&](const auto& r) { return r.get() == recognizer; });
    if (it == recognizers_.end())
        return;
    (*it)->view_ = nullptr;
    recognizers_.erase(it);
}

std::string View::className() const {
    int status = 0;
    const char* mangled = typeid(*this).name();
    char* name = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string out = status == 0 && name ? name : mangled;
    std::free(name);
    return out;
}

std::string View::describe() const {
    Rect f = frame();
    char buf[160];
    std::snprintf(buf, sizeof buf, "(%g %g; %g %g)", f.origin.x, f.origin.y, f.size.width, f.size.height);
    std::string out = className() + " " + buf;
    if (!identifier_.empty())
        out += " id=" + identifier_;
    if (tag_ != 0)
        out += " tag=" + std::to_string(tag_);
    if (isHidden())
        out += " hidden";
    std::string text = displayedText();
    if (!text.empty())
        out += " \"" + text + "\"";
    return out;
}

void View::animate(double duration, double delay, unsigned options, const std::function<void()>& animations,
                   std::function<void(bool)> completion) {
    auto group = std::make_shared<AnimationGroup>();
    group->completion = std::move(completion);
    openBlocks().push_back({duration, delay, options, group});
    if (animations)
        animations();
    openBlocks().pop_back();
    group->closed = true;
    finishGroup(group);
}

void View::performWithoutAnimation(const std::function<void()>& changes) {
    ++withoutAnimationDepth();
    changes();
    --withoutAnimationDepth();
}

} // namespace ui
