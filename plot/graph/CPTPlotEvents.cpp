// Touches on a plot's data labels: the delegate hears a press, a release and a selection, the last
// only when the release lands on the label that took the press.
#include "plot/graph/CPTPlot.h"

#include "plot/graph/CPTGraph.h"
#include "plot/graph/CPTPlotSpaceAnnotation.h"

namespace {

// Offers every shown label under the point to visit, in order, until visit takes one.
template <class Visit>
bool visitLabelsUnder(const CPTPlot& plot, CGPoint interactionPoint, Visit visit) {
    const auto& labels = plot.labelAnnotations();
    CPTGraph* graph = plot.graph();
    if (!labels || !graph)
        return false;
    const auto snapshot = *labels;
    for (std::size_t i = 0; i < snapshot.size(); ++i) {
        const auto& annotation = snapshot[i];
        const auto& content = annotation ? annotation->contentLayer() : nullptr;
        if (!content || content->isHidden())
            continue;
        const CGPoint point = graph->convertPointToLayer(interactionPoint, content.get());
        if (content->containsPoint(point) && visit(static_cast<std::uint64_t>(i)))
            return true;
    }
    return false;
}

} // namespace

bool CPTPlot::pointingDeviceDownEvent(const CPTEvent& event, CGPoint point) {
    pointingDeviceDownLabelIndex_ = foundation::notFound;
    if (!graph() || isHidden())
        return false;
    if (auto d = delegate()) {
        const bool handled = visitLabelsUnder(*this, point, [&](std::uint64_t idx) {
            pointingDeviceDownLabelIndex_ = idx;
            const bool down = d->plotDataLabelTouchDownAtRecordIndex(*this, idx);
            const bool downWithEvent = d->plotDataLabelTouchDownAtRecordIndexWithEvent(*this, idx, event);
            return down || downWithEvent;
        });
        if (handled)
            return true;
    }
    return CPTAnnotationHostLayer::pointingDeviceDownEvent(event, point);
}

bool CPTPlot::pointingDeviceUpEvent(const CPTEvent& event, CGPoint point) {
    const std::uint64_t downIndex = pointingDeviceDownLabelIndex_;
    pointingDeviceDownLabelIndex_ = foundation::notFound;
    if (!graph() || isHidden())
        return false;
    if (auto d = delegate()) {
        const bool handled = visitLabelsUnder(*this, point, [&](std::uint64_t idx) {
            bool sent = d->plotDataLabelTouchUpAtRecordIndex(*this, idx);
            sent = d->plotDataLabelTouchUpAtRecordIndexWithEvent(*this, idx, event) || sent;
            if (idx == downIndex) {
                sent = d->plotDataLabelWasSelectedAtRecordIndex(*this, idx) || sent;
                sent = d->plotDataLabelWasSelectedAtRecordIndexWithEvent(*this, idx, event) || sent;
            }
            return sent;
        });
        if (handled)
            return true;
    }
    return CPTAnnotationHostLayer::pointingDeviceUpEvent(event, point);
}

bool CPTPlot::pointingDeviceDraggedEvent(const CPTEvent& event, CGPoint point) {
    if (!graph() || isHidden())
        return false;
    return CPTAnnotationHostLayer::pointingDeviceDraggedEvent(event, point);
}

bool CPTPlot::pointingDeviceCancelledEvent(const CPTEvent& event) {
    if (!graph() || isHidden())
        return false;
    return CPTAnnotationHostLayer::pointingDeviceCancelledEvent(event);
}
