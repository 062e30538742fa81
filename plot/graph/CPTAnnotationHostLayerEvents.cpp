// The annotation host offers a press, drag or release first to the content layers under the point and
// a cancel to all of them, before its own handling.
#include "plot/graph/CPTAnnotationHostLayer.h"

#include "plot/graph/CPTGraph.h"

namespace {

// The snapshot's first content layer under the point that takes the event. The point, in the graph
// layer's coordinates, is brought into this layer to compare it with the content layers' frames.
template <class Offer>
bool offerToContent(const CPTAnnotationHostLayer& host, CGPoint interactionPoint, Offer offer) {
    const CGPoint point = host.graph() ? host.convertPointFromLayer(interactionPoint, host.graph()) : interactionPoint;
    for (const auto& annotation : host.annotations()) {
        const auto& content = annotation ? annotation->contentLayer() : nullptr;
        if (content && content->frame().contains(point) && offer(*content))
            return true;
    }
    return false;
}

} // namespace

bool CPTAnnotationHostLayer::pointingDeviceDownEvent(const CPTEvent& event, CGPoint point) {
    if (offerToContent(*this, point, [&](CPTLayer& layer) { return layer.pointingDeviceDownEvent(event, point); }))
        return true;
    return CPTLayer::pointingDeviceDownEvent(event, point);
}

bool CPTAnnotationHostLayer::pointingDeviceDraggedEvent(const CPTEvent& event, CGPoint point) {
    if (offerToContent(*this, point, [&](CPTLayer& layer) { return layer.pointingDeviceDraggedEvent(event, point); }))
        return true;
    return CPTLayer::pointingDeviceDraggedEvent(event, point);
}

bool CPTAnnotationHostLayer::pointingDeviceUpEvent(const CPTEvent& event, CGPoint point) {
    if (offerToContent(*this, point, [&](CPTLayer& layer) { return layer.pointingDeviceUpEvent(event, point); }))
        return true;
    return CPTLayer::pointingDeviceUpEvent(event, point);
}

bool CPTAnnotationHostLayer::pointingDeviceCancelledEvent(const CPTEvent& event) {
    bool handled = false;
    for (const auto& annotation : annotations()) {
        if (annotation && annotation->contentLayer())
            handled = annotation->contentLayer()->pointingDeviceCancelledEvent(event) || handled;
    }
    return handled || CPTLayer::pointingDeviceCancelledEvent(event);
}
