// The plot base: the links the graph sets.
#include "plot/graph/CPTPlot.h"

#include "plot/graph/CPTGraph.h"
#include "plot/graph/CPTPlotAreaFrame.h"

CPTPlot::CPTPlot(const CGRect& frame) : CPTAnnotationHostLayer(frame) {
    // A plot draws only inside its own bounds.
    setMasksToBounds(true);
    setNeedsDisplayOnBoundsChange(true);
}

CPTPlot::~CPTPlot() = default;

CPTPlotArea* CPTPlot::plotArea() const {
    CPTGraph* g = graph();
    return g && g->plotAreaFrame() ? g->plotAreaFrame()->plotArea().get() : nullptr;
}
