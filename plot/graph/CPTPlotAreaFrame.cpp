// The plot area frame: its plot area and what it forwards to it.
#include "plot/graph/CPTPlotAreaFrame.h"

#include "plot/graph/CPTAxisSet.h"
#include "plot/graph/CPTPlotArea.h"

CPTPlotAreaFrame::CPTPlotAreaFrame(const CGRect& frame) : CPTBorderedLayer(frame) {
    setPlotArea(std::make_shared<CPTPlotArea>(frame));
    setMasksToBorder(true);
    setNeedsDisplayOnBoundsChange(true);
}

CPTPlotAreaFrame::~CPTPlotAreaFrame() = default;

void CPTPlotAreaFrame::setPlotArea(const std::shared_ptr<CPTPlotArea>& plotArea) {
    if (plotArea == plotArea_)
        return;
    if (plotArea_)
        plotArea_->removeFromSuperlayer();
    plotArea_ = plotArea;
    if (plotArea_) {
        insertSublayerAtIndex(plotArea_, 0);
        plotArea_->setGraph(graph());
    }
    setNeedsLayout();
}

std::shared_ptr<CPTAxisSet> CPTPlotAreaFrame::axisSet() const {
    return plotArea_ ? plotArea_->axisSet() : nullptr;
}

void CPTPlotAreaFrame::setAxisSet(const std::shared_ptr<CPTAxisSet>& axisSet) {
    if (plotArea_)
        plotArea_->setAxisSet(axisSet);
}

std::shared_ptr<CPTPlotGroup> CPTPlotAreaFrame::plotGroup() const {
    return plotArea_ ? plotArea_->plotGroup() : nullptr;
}

void CPTPlotAreaFrame::setPlotGroup(const std::shared_ptr<CPTPlotGroup>& group) {
    if (plotArea_)
        plotArea_->setPlotGroup(group);
}

void CPTPlotAreaFrame::setGraph(CPTGraph* graph) {
    if (graph == this->graph())
        return;
    CPTBorderedLayer::setGraph(graph);
    if (plotArea_)
        plotArea_->setGraph(graph);
}
