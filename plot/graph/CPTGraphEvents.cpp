// The graph's dispatch of pointing-device events: plots topmost first, the axis set, the plot area
// frame and the legend until one takes the event; then every plot space; then the annotations.
#include "plot/graph/CPTGraph.h"

#include "plot/graph/CPTAxisSet.h"
#include "plot/graph/CPTLegend.h"
#include "plot/graph/CPTPlot.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "plot/graph/CPTPlotSpace.h"

namespace {

// One of the four operations, applied to any responder.
using Offer = std::function<bool(CPTResponder&)>;

bool offerToParts(const CPTGraph& graph, const Offer& offer) {
    const auto plots = graph.allPlots();
    for (auto it = plots.rbegin(); it != plots.rend(); ++it) {
        if (*it && offer(**it))
            return true;
    }
    if (auto axisSet = graph.axisSet(); axisSet && offer(*axisSet))
        return true;
    if (auto frame = graph.plotAreaFrame(); frame && offer(*frame))
        return true;
    if (auto legend = graph.legend(); legend && offer(*legend))
        return true;
    return false;
}

// Every plot space hears the event, whatever the others answered.
bool offerToEverySpace(const CPTGraph& graph, const Offer& offer) {
    bool handled = false;
    for (const auto& space : graph.allPlotSpaces()) {
        if (space)
            handled = offer(*space) || handled;
    }
    return handled;
}

} // namespace

bool CPTGraph::pointingDeviceDownEvent(const CPTEvent& event, CGPoint point) {
    const Offer offer = [&](CPTResponder& r) { return r.pointingDeviceDownEvent(event, point); };
    if (offerToParts(*this, offer) || offerToEverySpace(*this, offer))
        return true;
    return CPTBorderedLayer::pointingDeviceDownEvent(event, point);
}

bool CPTGraph::pointingDeviceDraggedEvent(const CPTEvent& event, CGPoint point) {
    const Offer offer = [&](CPTResponder& r) { return r.pointingDeviceDraggedEvent(event, point); };
    if (offerToParts(*this, offer) || offerToEverySpace(*this, offer))
        return true;
    return CPTBorderedLayer::pointingDeviceDraggedEvent(event, point);
}

bool CPTGraph::pointingDeviceCancelledEvent(const CPTEvent& event) {
    const Offer offer = [&](CPTResponder& r) { return r.pointingDeviceCancelledEvent(event); };
    if (offerToParts(*this, offer) || offerToEverySpace(*this, offer))
        return true;
    return CPTBorderedLayer::pointingDeviceCancelledEvent(event);
}

bool CPTGraph::pointingDeviceUpEvent(const CPTEvent& event, CGPoint point) {
    const Offer offer = [&](CPTResponder& r) { return r.pointingDeviceUpEvent(event, point); };
    bool handled = offerToParts(*this, offer);
    // A space that is dragging always gets the release, so its drag ends.
    for (const auto& space : allPlotSpaces()) {
        if (!space || (handled && !space->isDragging()))
            continue;
        handled = offer(*space) || handled;
    }
    if (handled)
        return true;
    return CPTBorderedLayer::pointingDeviceUpEvent(event, point);
}
