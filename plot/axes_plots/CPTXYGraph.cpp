// The XY graph's factories.
#include "plot/axes_plots/CPTXYGraph.h"

#include "plot/axes_plots/CPTXYAxisSet.h"
#include "plot/graph/CPTXYPlotSpace.h"

CPTXYGraph::CPTXYGraph(ConstructionKey key, const CGRect& frame, CPTScaleType xScaleType,
                       CPTScaleType yScaleType)
    : CPTGraph(key, frame), xScaleType_(xScaleType), yScaleType_(yScaleType) {}

std::shared_ptr<CPTPlotSpace> CPTXYGraph::newPlotSpace() {
    auto space = std::make_shared<CPTXYPlotSpace>();
    space->setXScaleType(xScaleType_);
    space->setYScaleType(yScaleType_);
    return space;
}

std::shared_ptr<CPTAxisSet> CPTXYGraph::newAxisSet() {
    auto axisSet = std::make_shared<CPTXYAxisSet>(bounds());
    axisSet->xAxis()->setPlotSpace(defaultPlotSpace());
    axisSet->yAxis()->setPlotSpace(defaultPlotSpace());
    return axisSet;
}
