// Touches on bars: the delegate hears a press, a release and a selection, the last only when the
// release lands on the bar that took the press; anything else goes to the data labels.
#include "plot/axes_plots/CPTBarPlot.h"

#include "plot/graph/CPTGraph.h"
#include "plot/graph/CPTPlotArea.h"
#include "plot/graph/CPTPlotAreaFrame.h"

namespace {
CPTPlotArea* plotAreaOf(const CPTPlot& plot) {
    CPTGraph* g = plot.graph();
    return g && g->plotAreaFrame() ? g->plotAreaFrame()->plotArea().get() : nullptr;
}
} // namespace

bool CPTBarPlot::pointingDeviceDownEvent(const CPTEvent& event, CGPoint point) {
    CPTPlotArea* area = plotAreaOf(*this);
    if (!graph() || !area || isHidden())
        return false;
    pointingDeviceDownIndex_ = foundation::notFound;
    if (auto d = std::dynamic_pointer_cast<CPTBarPlotDelegate>(delegate())) {
        pointingDeviceDownIndex_ = dataIndexFromInteractionPoint(area->convertPointFromLayer(point, graph()));
        if (pointingDeviceDownIndex_ != foundation::notFound) {
            const bool down = d->barPlotBarTouchDownAtRecordIndex(*this, pointingDeviceDownIndex_);
            const bool downWithEvent = d->barPlotBarTouchDownAtRecordIndexWithEvent(*this, pointingDeviceDownIndex_, event);
            if (down || downWithEvent)
                return true;
        }
    }
    return CPTPlot::pointingDeviceDownEvent(event, point);
}

bool CPTBarPlot::pointingDeviceUpEvent(const CPTEvent& event, CGPoint point) {
    const std::uint64_t downIndex = pointingDeviceDownIndex_;
    pointingDeviceDownIndex_ = foundation::notFound;
    CPTPlotArea* area = plotAreaOf(*this);
    if (!graph() || !area || isHidden())
        return false;
    if (auto d = std::dynamic_pointer_cast<CPTBarPlotDelegate>(delegate())) {
        const std::uint64_t idx = dataIndexFromInteractionPoint(area->convertPointFromLayer(point, graph()));
        if (idx != foundation::notFound) {
            bool sent = d->barPlotBarTouchUpAtRecordIndex(*this, idx);
            sent = d->barPlotBarTouchUpAtRecordIndexWithEvent(*this, idx, event) || sent;
            if (idx == downIndex) {
                sent = d->barPlotBarWasSelectedAtRecordIndex(*this, idx) || sent;
                sent = d->barPlotBarWasSelectedAtRecordIndexWithEvent(*this, idx, event) || sent;
            }
            if (sent)
                return true;
        }
    }
    return CPTPlot::pointingDeviceUpEvent(event, point);
}
