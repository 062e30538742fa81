// The axis set offers presses and releases to its axes in order; the first that takes one ends it.
#include "plot/graph/CPTAxisSet.h"

#include "plot/graph/CPTAxis.h"

bool CPTAxisSet::pointingDeviceDownEvent(const CPTEvent& event, CGPoint point) {
    for (const auto& axis : Axes(axes_)) {
        if (axis && axis->pointingDeviceDownEvent(event, point))
            return true;
    }
    return CPTLayer::pointingDeviceDownEvent(event, point);
}

bool CPTAxisSet::pointingDeviceUpEvent(const CPTEvent& event, CGPoint point) {
    for (const auto& axis : Axes(axes_)) {
        if (axis && axis->pointingDeviceUpEvent(event, point))
            return true;
    }
    return CPTLayer::pointingDeviceUpEvent(event, point);
}
