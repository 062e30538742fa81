// Fill and border drawing, the clipping shapes, and the wrapping of a clipping layer in its border
// layer.
#include "plot/graph/CPTBorderedLayer.h"

#include "plot/foundation/CPTDrawingUtilities.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"

namespace {

// Puts a layer's masksToBounds back at the end of the scope.
class MasksToBoundsGuard {
  public:
    MasksToBoundsGuard(layers::Layer& layer, bool value) : layer_(layer), old_(layer.masksToBounds()) {
        layer_.setMasksToBounds(value);
    }
    ~MasksToBoundsGuard() { layer_.setMasksToBounds(old_); }
    MasksToBoundsGuard(const MasksToBoundsGuard&) = delete;
    MasksToBoundsGuard& operator=(const MasksToBoundsGuard&) = delete;

  private:
    layers::Layer& layer_;
    bool old_;
};

} // namespace

CPTBorderedLayer::CPTBorderedLayer(const CGRect& frame) : CPTAnnotationHostLayer(frame) {
    setNeedsDisplayOnBoundsChange(true);
}

CPTBorderedLayer::~CPTBorderedLayer() = default;

CGFloat CPTBorderedLayer::borderWidth() const {
    return borderLineStyle_ ? borderLineStyle_->lineWidth() : 0;
}

// --- wrapping

CPTLayer* CPTBorderedLayer::borderLayer() {
    layers::Layer* super = superlayer();
    auto* superBorder = dynamic_cast<CPTBorderLayer*>(super);
    if (masksToBorder()) {
        if (!super)
            return nullptr;
        if (superBorder)
            return superBorder;
        // A layer with a superlayer is owned, so it can be handed to the border layer.
        auto self = std::static_pointer_cast<CPTBorderedLayer>(shared_from_this());
        // The border layer takes this layer's place exactly: its geometry in the same terms (the
        // shadow first, so both measure their bounds alike) rather than the frame's box, which a
        // turned layer would have grown.
        auto border = std::make_shared<CPTBorderLayer>();
        border->setShadow(shadow());
        border->setAnchorPoint(anchorPoint());
        border->setBounds(bounds());
        border->setPosition(position());
        border->setMaskedLayer(self);
        super->replaceSublayer(this, border);
        border->addSublayer(self);
        border->setTransform(transform());
        border->setOpaque(isOpaque());
        border->setBackgroundColor(backgroundColor());
        border->setGraph(graph());
        layers::Layer::setTransform({});
        layers::Layer::setBackgroundColor(std::nullopt);
        super->setNeedsLayout();
        return border.get();
    }
    if (superBorder && superBorder->maskedLayer().get() == this) {
        auto self = std::static_pointer_cast<CPTBorderedLayer>(shared_from_this());
        auto border = std::static_pointer_cast<CPTBorderLayer>(superBorder->shared_from_this());
        layers::Layer::setTransform(border->transform());
        setOpaque(border->isOpaque());
        layers::Layer::setBackgroundColor(border->backgroundColor());
        // The border layer carried this layer's place while it stood in for it.
        CPTLayer::setAnchorPoint(border->anchorPoint());
        CPTLayer::setBounds(border->bounds());
        layers::Layer::setPosition(border->position());
        if (layers::Layer* grand = border->superlayer())
            grand->replaceSublayer(border.get(), self);
        else
            layers::Layer::removeFromSuperlayer();
        setNeedsLayout();
    }
    return this;
}

CPTLayer* CPTBorderedLayer::routeTarget(bool geometry) {
    if (!masksToBorder() || (geometry && inLayout_))
        return nullptr;
    CPTLayer* border = borderLayer();
    // Without a superlayer there is no border layer yet: the layer keeps the value itself.
    if (!border || border == this)
        return nullptr;
    return border;
}

void CPTBorderedLayer::setBounds(const CGRect& bounds) {
    if (CPTLayer* border = routeTarget(true)) {
        border->setBounds(bounds);
        return;
    }
    CPTAnnotationHostLayer::setBounds(bounds);
}

void CPTBorderedLayer::setPosition(CGPoint position) {
    if (CPTLayer* border = routeTarget(true)) {
        border->setPosition(position);
        return;
    }
    CPTAnnotationHostLayer::setPosition(position);
}

void CPTBorderedLayer::setAnchorPoint(CGPoint anchor) {
    if (CPTLayer* border = routeTarget(true)) {
        border->setAnchorPoint(anchor);
        return;
    }
    CPTAnnotationHostLayer::setAnchorPoint(anchor);
}

void CPTBorderedLayer::setHidden(bool hidden) {
    if (CPTLayer* border = routeTarget(false)) {
        border->setHidden(hidden);
        return;
    }
    CPTAnnotationHostLayer::setHidden(hidden);
}

void CPTBorderedLayer::setTransform(const gfx::AffineTransform& transform) {
    if (CPTLayer* border = routeTarget(false)) {
        border->setTransform(transform);
        return;
    }
    CPTAnnotationHostLayer::setTransform(transform);
}

void CPTBorderedLayer::setBackgroundColor(std::optional<gfx::Color> color) {
    if (CPTLayer* border = routeTarget(false)) {
        border->setBackgroundColor(color);
        return;
    }
    CPTAnnotationHostLayer::setBackgroundColor(color);
}

void CPTBorderedLayer::setShadow(const std::shared_ptr<CPTShadow>& shadow) {
    if (shadow == this->shadow())
        return;
    CPTAnnotationHostLayer::setShadow(shadow);
    if (CPTLayer* border = routeTarget(false))
        border->setShadow(shadow);
}

void CPTBorderedLayer::setGraph(CPTGraph* graph) {
    CPTAnnotationHostLayer::setGraph(graph);
    // A border layer standing in for this one announces its redraws to the same graph.
    auto* border = dynamic_cast<CPTBorderLayer*>(superlayer());
    if (border && border->maskedLayer().get() == this)
        border->setGraph(graph);
}

void CPTBorderedLayer::removeFromSuperlayer() {
    auto* border = dynamic_cast<CPTBorderLayer*>(superlayer());
    if (border && border->maskedLayer().get() == this)
        border->removeFromSuperlayer();
    CPTAnnotationHostLayer::removeFromSuperlayer();
}

// --- properties

void CPTBorderedLayer::setBorderLineStyle(const std::shared_ptr<CPTLineStyle>& style) {
    if (style == borderLineStyle_)
        return;
    CGFloat newWidth = style ? style->lineWidth() : 0;
    if (newWidth != borderWidth()) {
        setOuterBorderPath(std::nullopt);
        setInnerBorderPath(std::nullopt);
        setNeedsLayout();
    }
    borderLineStyle_ = style ? style->copy() : nullptr;
    updateOpacity();
    if (CPTLayer* border = borderLayer())
        border->setNeedsDisplay();
}

void CPTBorderedLayer::setFill(const std::shared_ptr<CPTFill>& fill) {
    if (fill == fill_)
        return;
    fill_ = fill ? fill->copy() : nullptr;
    if (CPTLayer* border = borderLayer()) {
        std::optional<gfx::Color> plain;
        if (fill_ && cornerRadius() == 0)
            plain = fill_->cgColor();
        border->setBackgroundColor(plain);
        border->setNeedsDisplay();
    }
    updateOpacity();
}

void CPTBorderedLayer::setCornerRadius(CGFloat radius) {
    if (radius == cornerRadius())
        return;
    CPTAnnotationHostLayer::setCornerRadius(radius);
    if (CPTLayer* border = borderLayer())
        border->setBackgroundColor(std::nullopt);
    updateOpacity();
}

void CPTBorderedLayer::setMasksToBorder(bool value) {
    if (value == masksToBorder())
        return;
    CPTAnnotationHostLayer::setMasksToBorder(value);
    if (value) {
        auto mask = std::make_shared<CPTMaskLayer>(bounds());
        mask->setNeedsDisplay();
        setMask(mask);
    } else {
        setMask(nullptr);
    }
    if (CPTLayer* border = borderLayer())
        border->setNeedsDisplay();
    setNeedsDisplay();
}

void CPTBorderedLayer::updateOpacity() {
    CPTLayer* border = borderLayer();
    if (!border)
        return;
    bool fillOpaque = !fill_ || (fill_->isOpaque() && !fill_->cgColor());
    bool lineOpaque = !borderLineStyle_ || borderLineStyle_->isOpaque();
    border->setOpaque(cornerRadius() <= 0 && fillOpaque && lineOpaque);
}

// --- layout and shapes

void CPTBorderedLayer::sublayerMargin(CGFloat& left, CGFloat& top, CGFloat& right, CGFloat& bottom) const {
    CPTAnnotationHostLayer::sublayerMargin(left, top, right, bottom);
    CGFloat inset = borderWidth() / 2;
    if (inset > 0) {
        left += inset;
        top += inset;
        right += inset;
        bottom += inset;
    }
}

void CPTBorderedLayer::layoutSublayers() {
    CPTAnnotationHostLayer::layoutSublayers();
    if (const auto& m = mask())
        m->setFrame(bounds());
}

const gfx::Path* CPTBorderedLayer::maskingPath() {
    if (!masksToBounds())
        return nullptr;
    if (!outerBorderPath())
        setOuterBorderPath(CPTPathCreateRoundedRect(bounds(), cornerRadius() + borderWidth() / 2));
    return &*outerBorderPath();
}

const gfx::Path* CPTBorderedLayer::sublayerMaskingPath() {
    if (!masksToBorder())
        return nullptr;
    if (!innerBorderPath()) {
        CGFloat w = borderWidth();
        setInnerBorderPath(CPTPathCreateRoundedRect(bounds().insetBy(w, w), cornerRadius() - w / 2));
    }
    return &*innerBorderPath();
}

// --- drawing

void CPTBorderedLayer::renderAsVectorInContext(gfx::Context& ctx) {
    if (isHidden() || masksToBorder())
        return;
    CPTAnnotationHostLayer::renderAsVectorInContext(ctx);
    renderBorderedLayerAsVectorInContext(ctx);
}

void CPTBorderedLayer::renderBorderedLayerAsVectorInContext(gfx::Context& ctx) {
    // On screen a plain colour fill already shows as the platform background colour.
    bool skipFill = backgroundColor() && useFastRendering();
    if (fill_ && !skipFill) {
        MasksToBoundsGuard outer(*this, true);
        ctx.beginPath();
        if (const gfx::Path* shape = maskingPath())
            ctx.addPath(*shape);
        fill_->fillPathInContext(ctx);
    }
    if (borderLineStyle_) {
        CGFloat half = borderLineStyle_->lineWidth() / 2;
        CGRect r = bounds().insetBy(half, half);
        borderLineStyle_->setLineStyleInContext(ctx);
        if (cornerRadius() > 0) {
            ctx.beginPath();
            CPTContextAddRoundedRect(ctx, r, cornerRadius());
            borderLineStyle_->strokePathInContext(ctx);
        } else {
            borderLineStyle_->strokeRect(r, ctx);
        }
    }
}

// --- the border layer

CPTBorderLayer::CPTBorderLayer(const CGRect& frame) : CPTLayer(frame) {
    setNeedsDisplayOnBoundsChange(true);
}

void CPTBorderLayer::setMaskedLayer(const std::shared_ptr<CPTBorderedLayer>& layer) {
    if (layer == maskedLayer_)
        return;
    maskedLayer_ = layer;
    setNeedsDisplay();
}

void CPTBorderLayer::renderAsVectorInContext(gfx::Context& ctx) {
    if (isHidden() || !maskedLayer_)
        return;
    CPTLayer::renderAsVectorInContext(ctx);
    maskedLayer_->renderBorderedLayerAsVectorInContext(ctx);
}

void CPTBorderLayer::layoutSublayers() {
    CPTLayer::layoutSublayers();
    if (!maskedLayer_)
        return;
    // The masked layer covers this layer's visible bounds. It carries the same shadow, so framing
    // it with them gives it the same platform bounds too; framing it with the bounds grown by the
    // margin would grow it twice.
    maskedLayer_->setInLayout(true);
    maskedLayer_->setFrame(bounds());
    maskedLayer_->setInLayout(false);
}

CPTLayer::LayerSet CPTBorderLayer::sublayersExcludedFromAutomaticLayout() const {
    LayerSet excluded = CPTLayer::sublayersExcludedFromAutomaticLayout();
    if (maskedLayer_)
        excluded.insert(maskedLayer_.get());
    return excluded;
}

void CPTBorderLayer::setBounds(const CGRect& bounds) {
    if (bounds == this->bounds())
        return;
    CPTLayer::setBounds(bounds);
    setNeedsLayout();
}

// --- the mask layer

CPTMaskLayer::CPTMaskLayer(const CGRect& frame) : CPTLayer(frame) {
    setNeedsDisplayOnBoundsChange(true);
}

void CPTMaskLayer::renderAsVectorInContext(gfx::Context& ctx) {
    CPTLayer::renderAsVectorInContext(ctx);
    layers::Layer* super = superlayer();
    if (!super)
        return;
    ctx.setFillColor(gfx::Color{0, 0, 0, 1});
    if (CPTLayer* owner = CPTLayer::fromLayer(super)) {
        if (const gfx::Path* path = owner->sublayerMaskingPath()) {
            ctx.beginPath();
            ctx.addPath(*path);
            ctx.fillPath();
        }
        return;
    }
    ctx.fillRect(bounds());
}
