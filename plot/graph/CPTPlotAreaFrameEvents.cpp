// The plot area frame hands every event to its plot area first, then to its own annotations.
#include "plot/graph/CPTPlotAreaFrame.h"

#include "plot/graph/CPTPlotArea.h"

bool CPTPlotAreaFrame::pointingDeviceDownEvent(const CPTEvent& event, CGPoint point) {
    if (plotArea_ && plotArea_->pointingDeviceDownEvent(event, point))
        return true;
    return CPTBorderedLayer::pointingDeviceDownEvent(event, point);
}

bool CPTPlotAreaFrame::pointingDeviceUpEvent(const CPTEvent& event, CGPoint point) {
    if (plotArea_ && plotArea_->pointingDeviceUpEvent(event, point))
        return true;
    return CPTBorderedLayer::pointingDeviceUpEvent(event, point);
}

bool CPTPlotAreaFrame::pointingDeviceDraggedEvent(const CPTEvent& event, CGPoint point) {
    if (plotArea_ && plotArea_->pointingDeviceDraggedEvent(event, point))
        return true;
    return CPTBorderedLayer::pointingDeviceDraggedEvent(event, point);
}

bool CPTPlotAreaFrame::pointingDeviceCancelledEvent(const CPTEvent& event) {
    if (plotArea_ && plotArea_->pointingDeviceCancelledEvent(event))
        return true;
    return CPTBorderedLayer::pointingDeviceCancelledEvent(event);
}
