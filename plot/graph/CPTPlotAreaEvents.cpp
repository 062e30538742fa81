// Touches on the plot area's data region: a press remembers where it landed and tells the delegate;
// a release within five points of it selects the plot area. Both let the event go on to the legend
// and the plot spaces.
#include "plot/graph/CPTPlotArea.h"

#include "plot/graph/CPTGraph.h"

#include <limits>

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}

bool CPTPlotArea::pointingDeviceDownEvent(const CPTEvent& event, CGPoint interactionPoint) {
    CPTGraph* g = graph();
    if (!g || isHidden())
        return false;
    auto d = delegate();
    if (d) {
        const CGPoint point = g->convertPointToLayer(interactionPoint, this);
        if (containsPoint(point)) {
            touchedPoint_ = point;
            d->plotAreaTouchDown(*this);
            d->plotAreaTouchDownWithEvent(*this, event);
            return false;
        }
    }
    return CPTAnnotationHostLayer::pointingDeviceDownEvent(event, interactionPoint);
}

bool CPTPlotArea::pointingDeviceUpEvent(const CPTEvent& event, CGPoint interactionPoint) {
    CPTGraph* g = graph();
    if (!g || isHidden())
        return false;
    const CGPoint touched = touchedPoint_;
    touchedPoint_ = CGPoint{kNaN, kNaN};
    auto d = delegate();
    if (d) {
        const CGPoint point = g->convertPointToLayer(interactionPoint, this);
        if (containsPoint(point) && CPTPointDistanceSquared(point, touched) <= 25.0) {
            d->plotAreaTouchUp(*this);
            d->plotAreaTouchUpWithEvent(*this, event);
            d->plotAreaWasSelected(*this);
            d->plotAreaWasSelectedWithEvent(*this, event);
            return false;
        }
    }
    return CPTAnnotationHostLayer::pointingDeviceUpEvent(event, interactionPoint);
}
