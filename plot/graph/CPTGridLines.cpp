// Grid-line layers: they draw nothing of their own, the axes draw into them.
#include "plot/graph/CPTGridLines.h"

#include "plot/graph/CPTAxisSet.h"
#include "plot/graph/CPTPlotArea.h"

CPTGridLineGroup::CPTGridLineGroup(const CGRect& frame) : CPTLayer(frame) {
    setNeedsDisplayOnBoundsChange(true);
}

void CPTGridLineGroup::setPlotArea(CPTPlotArea* plotArea) {
    if (plotArea == plotArea_)
        return;
    plotArea_ = plotArea;
    if (plotArea_)
        setNeedsDisplay();
}

void CPTGridLineGroup::renderAsVectorInContext(gfx::Context& ctx) {
    if (isHidden() || !plotArea_)
        return;
    CPTLayer::renderAsVectorInContext(ctx);
    const auto& axisSet = plotArea_->axisSet();
    if (!axisSet)
        return;
    for (const auto& axis : CPTAxisSet::Axes(axisSet->axes()))
        if (!axis->separateLayers())
            axis->drawGridLinesInContext(ctx, major_);
}

CPTGridLines::CPTGridLines(const CGRect& frame) : CPTLayer(frame) {
    setNeedsDisplayOnBoundsChange(true);
}

void CPTGridLines::setAxis(const std::shared_ptr<CPTAxis>& axis) {
    if (axis == axis_.lock())
        return;
    axis_ = axis;
    setNeedsDisplay();
}

void CPTGridLines::renderAsVectorInContext(gfx::Context& ctx) {
    if (isHidden())
        return;
    auto axis = axis_.lock();
    if (!axis)
        return;
    CPTLayer::renderAsVectorInContext(ctx);
    axis->drawGridLinesInContext(ctx, major_);
}
