// Placing content at a plot point mapped through the plot space into the host layer.
#include "plot/graph/CPTPlotSpaceAnnotation.h"

#include "plot/foundation/CPTException.h"
#include "plot/graph/CPTAnnotationHostLayer.h"
#include "plot/graph/CPTGraph.h"
#include "plot/graph/CPTPlotArea.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "plot/graph/CPTPlotSpace.h"

CPTPlotSpaceAnnotation::CPTPlotSpaceAnnotation(const std::shared_ptr<CPTPlotSpace>& plotSpace,
                                               std::optional<std::vector<foundation::Value>> anchorPlotPoint)
    : plotSpace_(plotSpace) {
    if (!plotSpace_)
        throw CPTException(CPTExceptionName,
                           std::string(className()) + " must be initialized with a plot space.");
    setAnchorPlotPoint(std::move(anchorPlotPoint));
    observePlotSpace();
}

void CPTPlotSpaceAnnotation::observePlotSpace() {
    mappingObservation_ = foundation::NotificationCenter::defaultCenter().observe(
        CPTPlotSpaceCoordinateMappingDidChangeNotification, static_cast<const void*>(plotSpace_.get()),
        [this](const foundation::Notification&) { setContentNeedsLayout(); });
}

CPTPlotSpaceAnnotation::~CPTPlotSpaceAnnotation() = default;

void CPTPlotSpaceAnnotation::setAnchorPlotPoint(std::optional<std::vector<foundation::Value>> point) {
    if (point == anchorPlotPoint_)
        return;
    anchorPlotPoint_ = std::move(point);
    decimalAnchor_.clear();
    if (anchorPlotPoint_)
        for (const auto& v : *anchorPlotPoint_)
            decimalAnchor_.push_back(v.isNumber() ? v.toDecimal() : NSDecimal());
    setContentNeedsLayout();
}

void CPTPlotSpaceAnnotation::setContentNeedsLayout() {
    contentSuperlayerNeedsLayout();
}

void CPTPlotSpaceAnnotation::positionContentLayer() {
    CPTAnnotationHostLayer* host = annotationHostLayer();
    if (!contentLayer() || !host || !anchorPlotPoint_ || !plotSpace_)
        return;
    CGPoint point = plotSpace_->plotAreaViewPointForPlotPoint(std::span<const NSDecimal>(decimalAnchor_));
    CPTGraph* graph = plotSpace_->graph();
    CPTPlotArea* plotArea =
        graph && graph->plotAreaFrame() ? graph->plotAreaFrame()->plotArea().get() : nullptr;
    point = plotArea ? host->convertPointFromLayer(point, plotArea) : CGPoint{};
    placeContentLayer(point);
}
