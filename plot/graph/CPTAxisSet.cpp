// Holding and wiring the axes.
#include "plot/graph/CPTAxisSet.h"

#include "plot/foundation/CPTLineStyle.h"
#include "plot/graph/CPTPlotArea.h"

CPTAxisSet::CPTAxisSet(const CGRect& frame) : CPTLayer(frame) {
    setNeedsDisplayOnBoundsChange(true);
}

CPTAxisSet::~CPTAxisSet() = default;

void CPTAxisSet::setAxes(const Axes& axes) {
    if (axes == axes_)
        return;
    for (const auto& axis : axes_) {
        axis->removeFromSuperlayer();
        axis->setPlotArea(nullptr);
        axis->setGraph(nullptr);
    }
    axes_ = axes;
    auto* plotArea = dynamic_cast<CPTPlotArea*>(superlayer());
    CPTGraph* graph = plotArea ? plotArea->graph() : nullptr;
    for (const auto& axis : axes_) {
        addSublayer(axis);
        axis->setPlotArea(plotArea);
        axis->setGraph(graph);
    }
    setNeedsLayout();
    setNeedsDisplay();
}

void CPTAxisSet::setBorderLineStyle(const std::shared_ptr<CPTLineStyle>& style) {
    if (style == borderLineStyle_)
        return;
    borderLineStyle_ = style ? style->copy() : nullptr;
    setNeedsLayout();
    setNeedsDisplay();
}

std::shared_ptr<CPTAxis> CPTAxisSet::axisForCoordinate(CPTCoordinate coordinate, std::size_t index) const {
    std::size_t seen = 0;
    for (const auto& axis : axes_) {
        if (axis->coordinate() != coordinate)
            continue;
        if (seen == index)
            return axis;
        ++seen;
    }
    return nullptr;
}

void CPTAxisSet::relabelAxes() {
    for (const auto& axis : axes_)
        axis->setNeedsLayout();
    for (const auto& axis : axes_)
        axis->setNeedsRelabel();
}

void CPTAxisSet::display() {
    if (!borderLineStyle_)
        return;
    CPTLayer::display();
}
