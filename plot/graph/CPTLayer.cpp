// Framework layers: geometry with the shadow margin, the default layout, masks, the recursive vector
// rendering and its outputs.
#include "plot/graph/CPTLayer.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/graphics/Output.h"
#include "platform/graphics/Screen.h"
#include "plot/foundation/CPTDrawingUtilities.h"
#include "plot/foundation/CPTException.h"
#include "plot/foundation/CPTShadow.h"
#include "plot/graph/CPTGraph.h"
#include "plot/graph/CPTGuards.h"

#include <cmath>

namespace {

void postRedraw(CPTGraph* graph) {
    if (graph)
        foundation::NotificationCenter::defaultCenter().post(CPTGraphNeedsRedrawNotification,
                                                             static_cast<const void*>(graph));
}

// Pushes a context as the current drawing context for the scope.
class CurrentContextGuard {
  public:
    explicit CurrentContextGuard(gfx::Context& ctx) { CPTPushGraphicsContext(ctx); }
    ~CurrentContextGuard() { CPTPopGraphicsContext(); }
    CurrentContextGuard(const CurrentContextGuard&) = delete;
    CurrentContextGuard& operator=(const CurrentContextGuard&) = delete;
};

// A margin that is not a number lays out as none.
CGFloat finiteOrZero(CGFloat v) {
    return std::isfinite(v) ? v : 0;
}

} // namespace

CPTLayer::CPTLayer(const CGRect& frame) {
    setFrame(frame);
    setNeedsDisplayOnBoundsChange(false);
    setOpaque(false);
    setMasksToBounds(false);
}

CPTLayer::~CPTLayer() = default;

CPTLayer* CPTLayer::fromLayer(const layers::Layer* layer) {
    return dynamic_cast<CPTLayer*>(const_cast<layers::Layer*>(layer));
}

std::shared_ptr<CPTLayer> CPTLayer::fromLayer(const layers::Layer::Ptr& layer) {
    return std::dynamic_pointer_cast<CPTLayer>(layer);
}

// --- paddings and properties

void CPTLayer::setPaddingLeft(CGFloat value) {
    if (value == paddingLeft_)
        return;
    paddingLeft_ = value;
    setNeedsLayout();
}

void CPTLayer::setPaddingTop(CGFloat value) {
    if (value == paddingTop_)
        return;
    paddingTop_ = value;
    setNeedsLayout();
}

void CPTLayer::setPaddingRight(CGFloat value) {
    if (value == paddingRight_)
        return;
    paddingRight_ = value;
    setNeedsLayout();
}

void CPTLayer::setPaddingBottom(CGFloat value) {
    if (value == paddingBottom_)
        return;
    paddingBottom_ = value;
    setNeedsLayout();
}

void CPTLayer::setShadow(const std::shared_ptr<CPTShadow>& shadow) {
    if (shadow == shadow_)
        return;
    shadow_ = shadow ? shadow->copy() : nullptr;
    setNeedsLayout();
    setNeedsDisplay();
}

void CPTLayer::setOuterBorderPath(std::optional<gfx::Path> path) {
    outerBorderPath_ = std::move(path);
}

void CPTLayer::setInnerBorderPath(std::optional<gfx::Path> path) {
    if (path == innerBorderPath_)
        return;
    innerBorderPath_ = std::move(path);
    if (const auto& m = mask())
        m->setNeedsDisplay();
}

// --- geometry

CGSize CPTLayer::shadowMargin() const {
    if (!shadow_)
        return {};
    CGSize offset = shadow_->shadowOffset();
    CGFloat blur = std::fabs(shadow_->shadowBlurRadius());
    return {std::ceil(std::fabs(offset.width) + blur), std::ceil(std::fabs(offset.height) + blur)};
}

CGRect CPTLayer::bounds() const {
    CGRect b = layers::Layer::bounds();
    if (!shadow_)
        return b;
    CGSize m = shadowMargin();
    return CGRect(b.origin.x + m.width, b.origin.y + m.height, b.size.width - 2 * m.width,
                  b.size.height - 2 * m.height);
}

void CPTLayer::setPlatformBounds(const CGRect& newBounds) {
    CGRect b = newBounds;
    if (shadow_) {
        CGSize m = shadowMargin();
        b = CGRect(b.origin.x - m.width, b.origin.y - m.height, b.size.width + 2 * m.width,
                   b.size.height + 2 * m.height);
    }
    layers::Layer::setBounds(b);
}

void CPTLayer::setBounds(const CGRect& newBounds) {
    if (newBounds == bounds())
        return;
    setPlatformBounds(newBounds);
    outerBorderPath_.reset();
    setInnerBorderPath(std::nullopt);
    foundation::NotificationCenter::defaultCenter().post(CPTLayerBoundsDidChangeNotification,
                                                         static_cast<const void*>(this));
}

CGPoint CPTLayer::anchorPoint() const {
    CGPoint a = layers::Layer::anchorPoint();
    if (!shadow_)
        return a;
    CGSize m = shadowMargin();
    CGRect b = bounds();
    if (b.size.width > 0)
        a.x = (a.x - 0.5) * (b.size.width + 2 * m.width) / b.size.width + 0.5;
    if (b.size.height > 0)
        a.y = (a.y - 0.5) * (b.size.height + 2 * m.height) / b.size.height + 0.5;
    return a;
}

void CPTLayer::setAnchorPoint(CGPoint anchor) {
    CGPoint a = anchor;
    if (shadow_) {
        CGSize m = shadowMargin();
        CGRect b = bounds();
        if (b.size.width + 2 * m.width > 0)
            a.x = (a.x - 0.5) * b.size.width / (b.size.width + 2 * m.width) + 0.5;
        if (b.size.height + 2 * m.height > 0)
            a.y = (a.y - 0.5) * b.size.height / (b.size.height + 2 * m.height) + 0.5;
    }
    layers::Layer::setAnchorPoint(a);
}

void CPTLayer::setHidden(bool hidden) {
    if (hidden == isHidden())
        return;
    layers::Layer::setHidden(hidden);
    if (!hidden)
        setNeedsDisplay();
}

void CPTLayer::setCornerRadius(CGFloat radius) {
    if (radius == cornerRadius())
        return;
    layers::Layer::setCornerRadius(radius);
    setNeedsDisplay();
    outerBorderPath_.reset();
    setInnerBorderPath(std::nullopt);
}

void CPTLayer::setContentsScale(CGFloat scale) {
    if (scale == contentsScale())
        return;
    layers::Layer::setContentsScale(scale);
    setNeedsDisplay();
    for (const auto& sub : std::vector<layers::Layer::Ptr>(sublayers()))
        if (CPTLayer* c = fromLayer(sub.get()))
            c->setContentsScale(scale);
}

// --- the tree

void CPTLayer::giveContentsScale(const layers::Layer::Ptr& layer) {
    if (CPTLayer* c = fromLayer(layer.get()))
        c->setContentsScale(contentsScale());
}

void CPTLayer::setSublayers(const std::vector<layers::Layer::Ptr>& layers) {
    layers::Layer::setSublayers(layers);
    for (const auto& l : layers)
        giveContentsScale(l);
}

void CPTLayer::addSublayer(const layers::Layer::Ptr& layer) {
    layers::Layer::addSublayer(layer);
    giveContentsScale(layer);
}

void CPTLayer::insertSublayerAtIndex(const layers::Layer::Ptr& layer, size_t index) {
    layers::Layer::insertSublayerAtIndex(layer, index);
    giveContentsScale(layer);
}

void CPTLayer::insertSublayerBelow(const layers::Layer::Ptr& layer, const layers::Layer* sibling) {
    layers::Layer::insertSublayerBelow(layer, sibling);
    giveContentsScale(layer);
}

void CPTLayer::insertSublayerAbove(const layers::Layer::Ptr& layer, const layers::Layer* sibling) {
    layers::Layer::insertSublayerAbove(layer, sibling);
    giveContentsScale(layer);
}

bool CPTLayer::replaceSublayer(const layers::Layer* old, const layers::Layer::Ptr& with) {
    bool replaced = layers::Layer::replaceSublayer(old, with);
    giveContentsScale(with);
    return replaced;
}

void CPTLayer::setNeedsLayout() {
    layers::Layer::setNeedsLayout();
    postRedraw(graph_);
}

void CPTLayer::setNeedsDisplay() {
    layers::Layer::setNeedsDisplay();
    postRedraw(graph_);
}

void CPTLayer::setNeedsDisplayAllLayers() {
    setNeedsDisplay();
    for (const auto& sub : std::vector<layers::Layer::Ptr>(sublayers())) {
        if (CPTLayer* c = fromLayer(sub.get()))
            c->setNeedsDisplayAllLayers();
        else
            sub->setNeedsDisplay();
    }
}

// --- layout

void CPTLayer::sublayerMargin(CGFloat& left, CGFloat& top, CGFloat& right, CGFloat& bottom) const {
    left = paddingLeft_;
    top = paddingTop_;
    right = paddingRight_;
    bottom = paddingBottom_;
}

void CPTLayer::layoutSublayers() {
    if (sublayers().empty())
        return;
    CGFloat left = 0, top = 0, right = 0, bottom = 0;
    sublayerMargin(left, top, right, bottom);
    CGRect b = bounds();
    // fmax drops a NaN side, so a size that is not a number lays out as zero, and an origin that is
    // not a number as the bounds' own.
    CGFloat width = std::round(std::fmax(b.size.width - (left + right), 0));
    CGFloat height = std::round(std::fmax(b.size.height - (top + bottom), 0));
    CGRect frame(std::round(finiteOrZero(left)), std::round(finiteOrZero(bottom)), width, height);
    LayerSet excluded = sublayersExcludedFromAutomaticLayout();
    for (const auto& sub : std::vector<layers::Layer::Ptr>(sublayers())) {
        CPTLayer* c = fromLayer(sub.get());
        if (!c || excluded.count(sub.get()))
            continue;
        c->setFrame(frame);
    }
}

void CPTLayer::pixelAlign() {
    CGFloat scale = contentsScale();
    CGPoint p = layers::Layer::position();
    CGSize size = bounds().size;
    CGSize frameSize = frame().size;
    CGPoint anchor = anchorPoint();
    auto align = [scale](CGFloat v) {
        return scale == 1.0 ? std::ceil(v - 0.5) : std::ceil(v * scale - 0.5) / scale;
    };
    CGPoint aligned = p;
    if (size.width == frameSize.width && size.height == frameSize.height) {
        aligned.x = size.width * anchor.x + align(p.x - size.width * anchor.x);
        aligned.y = size.height * anchor.y + align(p.y - size.height * anchor.y);
    } else if (size.width == frameSize.height && size.height == frameSize.width) {
        aligned.x = size.height * anchor.y + align(p.x - size.height * anchor.y);
        aligned.y = size.width * anchor.x + align(p.y - size.width * anchor.x);
    } else {
        aligned.x = scale == 1.0 ? std::round(p.x) : std::round(p.x * scale) / scale;
        aligned.y = scale == 1.0 ? std::round(p.y) : std::round(p.y * scale) / scale;
    }
    setPosition(aligned);
}

// --- masks

const gfx::Path* CPTLayer::maskingPath() {
    if (!masksToBounds())
        return nullptr;
    if (!outerBorderPath_)
        outerBorderPath_ = CPTPathCreateRoundedRect(bounds(), cornerRadius());
    return &*outerBorderPath_;
}

const gfx::Path* CPTLayer::sublayerMaskingPath() {
    return innerBorderPath_ ? &*innerBorderPath_ : nullptr;
}

void CPTLayer::applyTransform(const gfx::AffineTransform& transform, gfx::Context& ctx) {
    if (transform.isIdentity())
        return;
    // The transform turns the layer about its anchor point. The caller has moved the context to
    // (frame origin - bounds origin); taking the transformed bounds' origin back out, and the bounds
    // origin in again, leaves the anchor point where the layer's position puts it.
    CGRect b = layers::Layer::bounds();
    CGRect transformed = transform.apply(b);
    ctx.translateCTM(b.origin.x - transformed.origin.x, b.origin.y - transformed.origin.y);
    ctx.concatCTM(transform);
}

void CPTLayer::applyMaskToContext(gfx::Context& ctx) {
    if (CPTLayer* super = fromLayer(superlayer()))
        super->applySublayerMaskToContext(ctx, this, {0, 0});
    if (const gfx::Path* path = maskingPath()) {
        ctx.addPath(*path);
        ctx.clip();
    }
}

void CPTLayer::applySublayerMaskToContext(gfx::Context& ctx, CPTLayer* sublayer, CGPoint offset) {
    // While this layer draws its sublayers its clip, and the clips above it, are in force already.
    if (!sublayer || renderingSublayers_)
        return;
    CGPoint accumulated = offset;
    if (!renderingRecursively_) {
        CGPoint origin = convertPointFromLayer(sublayer->bounds().origin, sublayer);
        accumulated.x += origin.x;
        accumulated.y += origin.y;
    }
    gfx::AffineTransform sublayerTransform = sublayer->transform();
    auto inverse = sublayerTransform.inverted();
    if (inverse)
        ctx.concatCTM(*inverse);
    if (CPTLayer* super = fromLayer(superlayer()))
        super->applySublayerMaskToContext(ctx, this, accumulated);
    if (const gfx::Path* path = sublayerMaskingPath()) {
        ctx.translateCTM(-accumulated.x, -accumulated.y);
        ctx.addPath(*path);
        ctx.clip();
        ctx.translateCTM(accumulated.x, accumulated.y);
    }
    if (inverse)
        ctx.concatCTM(sublayerTransform);
}

// --- drawing

void CPTLayer::display() {
    if (isHidden())
        return;
    layers::Layer::display();
}

void CPTLayer::drawInContext(gfx::Context& ctx) {
    CPTFlagGuard fast(useFastRendering_, true);
    renderAsVectorInContext(ctx);
}

void CPTLayer::renderAsVectorInContext(gfx::Context& ctx) {
    if (renderingRecursively_)
        applyMaskToContext(ctx);
    if (shadow_)
        shadow_->setShadowInContext(ctx);
}

void CPTLayer::recursivelyRenderInContext(gfx::Context& ctx) {
    if (isHidden())
        return;
    CPTGStateGuard state(ctx);
    applyTransform(transform(), ctx);
    renderLayerAndSublayers(ctx);
}

void CPTLayer::renderLayerAndSublayers(gfx::Context& ctx) {
    {
        CPTFlagGuard recursive(renderingRecursively_, true);
        if (masksToBounds()) {
            // The mask clips the sublayers too, so it stays in force after this layer's drawing.
            renderAsVectorInContext(ctx);
        } else {
            CPTGStateGuard own(ctx);
            renderAsVectorInContext(ctx);
        }
    }
    if (sublayers().empty())
        return;
    // The clips that every sublayer's drawing needs are set once here, for the whole subtree, rather
    // than again by each layer below: clipping to a curved path is dear, and a chart's plot area
    // holds a layer per label. Above the first layer of this render they are the ancestors'.
    CPTGStateGuard clipped(ctx);
    if (CPTLayer* super = fromLayer(superlayer()))
        super->applySublayerMaskToContext(ctx, this, {0, 0});
    if (const gfx::Path* path = sublayerMaskingPath()) {
        ctx.addPath(*path);
        ctx.clip();
    }
    CPTFlagGuard drawingSublayers(renderingSublayers_, true);
    for (const auto& sub : std::vector<layers::Layer::Ptr>(sublayers()))
        renderSublayerRecursively(ctx, *sub);
}

void CPTLayer::renderSublayerRecursively(gfx::Context& ctx, layers::Layer& sublayer) {
    CPTGStateGuard state(ctx);
    // The platform bounds: with a shadow they are where the sublayer's coordinates start.
    CGRect frame = sublayer.frame();
    CGRect platformBounds = sublayer.layers::Layer::bounds();
    ctx.translateCTM(frame.origin.x - platformBounds.origin.x, frame.origin.y - platformBounds.origin.y);
    applyTransform(sublayerTransform(), ctx);
    if (CPTLayer* c = fromLayer(&sublayer)) {
        c->recursivelyRenderInContext(ctx);
        return;
    }
    if (masksToBounds())
        ctx.clipToRect(sublayer.bounds());
    sublayer.drawInContext(ctx);
}

void CPTLayer::layoutAndRenderInContext(gfx::Context& ctx) {
    try {
        prepareForRendering();
        layoutIfNeeded();
        recursivelyRenderInContext(ctx);
    } catch (const std::exception& e) {
        logRenderFailure(e);
    }
}

void CPTLayer::renderSubtreeInContext(gfx::Context& ctx) {
    // The platform walk has already placed the context in this layer's coordinates.
    try {
        prepareForRendering();
        layoutIfNeeded();
        renderLayerAndSublayers(ctx);
    } catch (const std::exception& e) {
        logRenderFailure(e);
    }
}

void CPTLayer::logRenderFailure(const std::exception& e) const {
    const auto* framework = dynamic_cast<const CPTException*>(&e);
    std::string name = framework ? framework->name() : "exception";
    std::string chart = graph_ ? graph_->description() : description();
    foundation::log(chart + ": drawing stopped by " + name + ": " + e.what());
}

std::vector<std::uint8_t> CPTLayer::dataForPDFRepresentationOfLayer() {
    auto data = std::make_shared<std::vector<std::uint8_t>>();
    CGRect b = bounds();
    CGRect mediaBox(0, 0, b.size.width, b.size.height);
    {
        auto pdf = gfx::makePDFDataContext(data, mediaBox);
        CurrentContextGuard current(*pdf);
        pdf->beginPage(mediaBox);
        {
            // Our PDF pages start y-down from the top-left; layers draw y-up.
            CPTGStateGuard state(*pdf);
            pdf->translateCTM(0, b.size.height);
            pdf->scaleCTM(1, -1);
            layoutAndRenderInContext(*pdf);
        }
        pdf->endPage();
        pdf->finish();
    }
    return *data;
}

gfx::Image CPTLayer::imageOfLayer() {
    CGSize size = bounds().size;
    std::optional<gfx::Color> background;
    if (isOpaque())
        background = gfx::Color::black();
    auto bitmap = gfx::BitmapContext::pointsContext(size, gfx::largestScreenScale(), background);
    gfx::Context& ctx = bitmap->context();
    CurrentContextGuard current(ctx);
    CPTGStateGuard state(ctx);
    ctx.setShouldAntialias(true);
    ctx.translateCTM(0, size.height);
    ctx.scaleCTM(1, -1);
    layoutAndRenderInContext(ctx);
    gfx::Image image = bitmap->image();
    ctx.setShouldAntialias(false);
    return image;
}

// --- events

bool CPTLayer::pointingDeviceDownEvent(const CPTEvent&, CGPoint) {
    return false;
}
bool CPTLayer::pointingDeviceUpEvent(const CPTEvent&, CGPoint) {
    return false;
}
bool CPTLayer::pointingDeviceDraggedEvent(const CPTEvent&, CGPoint) {
    return false;
}
bool CPTLayer::pointingDeviceCancelledEvent(const CPTEvent&) {
    return false;
}

// --- debugging

std::string CPTLayer::description() const {
    return "<" + CPTObjectDescription(className(), this) + " bounds: " + CPTStringFromRect(bounds()) + ">";
}

std::string CPTLayer::subLayersAtIndex(std::size_t depth) const {
    std::string out;
    for (std::size_t i = 0; i < depth; ++i)
        out += ".   ";
    out += description();
    for (const auto& sub : sublayers()) {
        out += "\n";
        if (const CPTLayer* c = fromLayer(sub.get()))
            out += c->subLayersAtIndex(depth + 1);
        else
            out += CPTObjectDescription("Layer", sub.get());
    }
    return out;
}

void CPTLayer::logLayers() const {
    foundation::log("Layer tree:\n" + subLayersAtIndex(0));
}
