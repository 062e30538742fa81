// The XY axis set: its two axes, their frames and the plot area's outline.
#include "plot/axes_plots/CPTXYAxisSet.h"

#include "plot/foundation/CPTDrawingUtilities.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/graph/CPTGuards.h"

CPTXYAxisSet::CPTXYAxisSet(const CGRect& frame) : CPTAxisSet(frame) {
    auto x = std::make_shared<CPTXYAxis>(frame);
    x->setCoordinate(CPTCoordinateX);
    x->setTickDirection(CPTSignNegative);
    auto y = std::make_shared<CPTXYAxis>(frame);
    y->setCoordinate(CPTCoordinateY);
    y->setTickDirection(CPTSignNegative);
    setAxes({x, y});
}

std::shared_ptr<CPTXYAxis> CPTXYAxisSet::xAxis() const {
    return std::dynamic_pointer_cast<CPTXYAxis>(axisForCoordinate(CPTCoordinateX, 0));
}

std::shared_ptr<CPTXYAxis> CPTXYAxisSet::yAxis() const {
    return std::dynamic_pointer_cast<CPTXYAxis>(axisForCoordinate(CPTCoordinateY, 0));
}

void CPTXYAxisSet::layoutSublayers() {
    if (borderLineStyle()) {
        CPTLayer::layoutSublayers();
        return;
    }
    layers::Layer* area = superlayer();
    layers::Layer* frameLayer = area ? area->superlayer() : nullptr;
    if (!frameLayer)
        return;
    // The plot area frame, in this layer's coordinates: the axes and the label groups share it, so a
    // view point of an axis is also a position in the label groups.
    const CGPoint origin = convertPointToLayer(bounds().origin, frameLayer);
    const CGSize size = convertRectFromLayer(frameLayer->bounds(), frameLayer).size;
    const CGRect cover(CGPoint{-origin.x, -origin.y}, size);
    const LayerSet excluded = sublayersExcludedFromAutomaticLayout();
    for (const auto& sublayer : sublayers()) {
        auto* layer = CPTLayer::fromLayer(sublayer.get());
        if (!layer || excluded.count(layer))
            continue;
        layer->setFrame(cover);
    }
}

void CPTXYAxisSet::renderAsVectorInContext(gfx::Context& ctx) {
    if (isHidden() || !borderLineStyle())
        return;
    CPTAxisSet::renderAsVectorInContext(ctx);
    layers::Layer* area = superlayer();
    if (!area)
        return;
    const auto& style = borderLineStyle();
    const CGRect outline = CPTRectAlignedToPixelCenter(ctx, convertRectFromLayer(area->bounds(), area));
    CPTGStateGuard state(ctx);
    style->setLineStyleInContext(ctx);
    if (area->cornerRadius() > 0) {
        ctx.beginPath();
        CPTContextAddRoundedRect(ctx, outline, area->cornerRadius());
        style->strokePathInContext(ctx);
    } else {
        style->strokeRect(outline, ctx);
    }
}
