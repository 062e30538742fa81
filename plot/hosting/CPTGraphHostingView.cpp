// Attaching, sizing and drawing a hosted graph in both modes.
#include "plot/hosting/CPTGraphHostingView.h"

#include "platform/graphics/Screen.h"
#include "plot/graph/CPTGuards.h"

CPTGraphHostingView::CPTGraphHostingView(const ui::Rect& frame) : ui::View(frame) {
    setBackgroundColor(gfx::Color::clear());
    // Graph layers grow upward; the flip makes them read upright in the view.
    layer().setSublayerTransform(gfx::AffineTransform::scale(1, -1));
    setAllowPinchScaling(true);
}

CPTGraphHostingView::~CPTGraphHostingView() {
    redrawObservation_.reset();
    if (hostedGraph_) {
        if (hostedGraph_->hostingView() == this)
            hostedGraph_->setHostingView(nullptr);
        if (hostedGraph_->superlayer() == &layer())
            hostedGraph_->removeFromSuperlayer();
    }
}

void CPTGraphHostingView::observeGraph() {
    redrawObservation_ = foundation::NotificationCenter::defaultCenter().observe(
        CPTGraphNeedsRedrawNotification, static_cast<const void*>(hostedGraph_.get()),
        [this](const foundation::Notification&) { graphNeedsRedraw(); });
}

void CPTGraphHostingView::setHostedGraph(const std::shared_ptr<CPTGraph>& graph) {
    if (graph == hostedGraph_)
        return;
    if (hostedGraph_) {
        hostedGraph_->removeFromSuperlayer();
        hostedGraph_->setHostingView(nullptr);
        redrawObservation_.reset();
    }
    hostedGraph_ = graph;
    if (!hostedGraph_) {
        if (collapsesLayers_)
            setNeedsDisplay();
        return;
    }
    hostedGraph_->setContentsScale(gfx::largestScreenScale());
    hostedGraph_->setHostingView(this);
    if (collapsesLayers_) {
        setNeedsDisplay();
        observeGraph();
        return;
    }
    hostedGraph_->setFrame(layer().bounds());
    layer().addSublayer(hostedGraph_);
}

void CPTGraphHostingView::setCollapsesLayers(bool collapses) {
    if (collapses == collapsesLayers_)
        return;
    collapsesLayers_ = collapses;
    setNeedsDisplay();
    if (collapses) {
        if (hostedGraph_) {
            hostedGraph_->removeFromSuperlayer();
            observeGraph();
        }
        return;
    }
    if (hostedGraph_)
        layer().addSublayer(hostedGraph_);
    redrawObservation_.reset();
}

void CPTGraphHostingView::boundsSizeDidChange(ui::Size old) {
    ui::View::boundsSizeDidChange(old);
    if (!hostedGraph_)
        return;
    hostedGraph_->setNeedsLayout();
    if (collapsesLayers_)
        setNeedsDisplay();
    else
        hostedGraph_->setFrame(bounds());
}

void CPTGraphHostingView::drawRect(gfx::Context& ctx, const ui::Rect&) {
    if (!collapsesLayers_ || !hostedGraph_)
        return;
    CPTGStateGuard state(ctx);
    ui::Rect b = bounds();
    ctx.translateCTM(0, b.size.height);
    ctx.scaleCTM(1, -1);
    hostedGraph_->setFrame(b);
    hostedGraph_->layoutAndRenderInContext(ctx);
}

void CPTGraphHostingView::traitCollectionDidChange() {
    if (hostedGraph_)
        hostedGraph_->setNeedsDisplayAllLayers();
}

void CPTGraphHostingView::graphNeedsRedraw() {
    setNeedsDisplay();
}
