// Touches on an axis's labels: major labels first, then minor ones. The delegate hears a press, a
// release and a selection, the last only when the release lands on the label that took the press.
#include "plot/graph/CPTAxis.h"

#include "plot/graph/CPTAxisLabel.h"
#include "plot/graph/CPTGraph.h"

namespace {

bool isUnder(const CPTGraph& graph, const CPTAxisLabel& label, CGPoint interactionPoint) {
    const auto& content = label.contentLayer();
    return content && !content->isHidden() &&
           content->containsPoint(graph.convertPointToLayer(interactionPoint, content.get()));
}

// Offers every label under the point to visit, in order, until visit takes one.
template <class Visit>
bool visitLabelsUnder(const CPTGraph& graph, const CPTAxis::AxisLabels& labels, CGPoint point, Visit visit) {
    for (const auto& label : CPTAxis::AxisLabels(labels)) {
        if (label && isUnder(graph, *label, point) && visit(label))
            return true;
    }
    return false;
}

} // namespace

bool CPTAxis::pointingDeviceDownEvent(const CPTEvent& event, CGPoint point) {
    CPTGraph* g = graph();
    if (!g || isHidden())
        return false;
    if (auto d = delegate()) {
        const bool major = visitLabelsUnder(*g, axisLabels(), point, [&](const std::shared_ptr<CPTAxisLabel>& label) {
            pointingDeviceDownLabel_ = label;
            const bool down = d->axisLabelTouchDown(*this, *label);
            const bool downWithEvent = d->axisLabelTouchDownWithEvent(*this, *label, event);
            return down || downWithEvent;
        });
        if (major)
            return true;
        const bool minor =
            visitLabelsUnder(*g, minorTickAxisLabels(), point, [&](const std::shared_ptr<CPTAxisLabel>& label) {
                pointingDeviceDownTickLabel_ = label;
                const bool down = d->axisMinorTickTouchDown(*this, *label);
                const bool downWithEvent = d->axisMinorTickTouchDownWithEvent(*this, *label, event);
                return down || downWithEvent;
            });
        if (minor)
            return true;
    }
    return CPTLayer::pointingDeviceDownEvent(event, point);
}

bool CPTAxis::pointingDeviceUpEvent(const CPTEvent& event, CGPoint point) {
    const auto downLabel = pointingDeviceDownLabel_.lock();
    const auto downTickLabel = pointingDeviceDownTickLabel_.lock();
    pointingDeviceDownLabel_.reset();
    pointingDeviceDownTickLabel_.reset();
    CPTGraph* g = graph();
    if (!g || isHidden())
        return false;
    if (auto d = delegate()) {
        const bool major = visitLabelsUnder(*g, axisLabels(), point, [&](const std::shared_ptr<CPTAxisLabel>& label) {
            bool sent = d->axisLabelTouchUp(*this, *label);
            sent = d->axisLabelTouchUpWithEvent(*this, *label, event) || sent;
            if (label == downLabel) {
                sent = d->axisLabelWasSelected(*this, *label) || sent;
                sent = d->axisLabelWasSelectedWithEvent(*this, *label, event) || sent;
            }
            return sent;
        });
        if (major)
            return true;
        const bool minor =
            visitLabelsUnder(*g, minorTickAxisLabels(), point, [&](const std::shared_ptr<CPTAxisLabel>& label) {
                bool sent = d->axisMinorTickTouchUp(*this, *label);
                sent = d->axisMinorTickTouchUpWithEvent(*this, *label, event) || sent;
                if (label == downTickLabel) {
                    sent = d->axisMinorTickLabelWasSelected(*this, *label) || sent;
                    sent = d->axisMinorTickLabelWasSelectedWithEvent(*this, *label, event) || sent;
                }
                return sent;
            });
        if (minor)
            return true;
    }
    return CPTLayer::pointingDeviceUpEvent(event, point);
}
