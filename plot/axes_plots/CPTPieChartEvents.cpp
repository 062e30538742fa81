// Touches on slices: the delegate hears a press, a release and a selection, the last only when the
// release lands on the slice that took the press; anything else goes to the data labels.
#include "plot/axes_plots/CPTPieChart.h"

#include "plot/graph/CPTGraph.h"
#include "plot/graph/CPTPlotArea.h"
#include "plot/graph/CPTPlotAreaFrame.h"

namespace {
CPTPlotArea* plotAreaOf(const CPTPlot& plot) {
    CPTGraph* g = plot.graph();
    return g && g->plotAreaFrame() ? g->plotAreaFrame()->plotArea().get() : nullptr;
}
} // namespace

bool CPTPieChart::pointingDeviceDownEvent(const CPTEvent& event, CGPoint point) {
    CPTPlotArea* area = plotAreaOf(*this);
    if (!graph() || !area || isHidden())
        return false;
    pointingDeviceDownIndex_ = foundation::notFound;
    if (auto d = std::dynamic_pointer_cast<CPTPieChartDelegate>(delegate())) {
        pointingDeviceDownIndex_ = dataIndexFromInteractionPoint(area->convertPointFromLayer(point, graph()));
        if (pointingDeviceDownIndex_ != foundation::notFound) {
            const bool down = d->pieChartSliceTouchDownAtRecordIndex(*this, pointingDeviceDownIndex_);
            const bool downWithEvent = d->pieChartSliceTouchDownAtRecordIndexWithEvent(*this, pointingDeviceDownIndex_, event);
            if (down || downWithEvent)
                return true;
        }
    }
    return CPTPlot::pointingDeviceDownEvent(event, point);
}

bool CPTPieChart::pointingDeviceUpEvent(const CPTEvent& event, CGPoint point) {
    const std::uint64_t downIndex = pointingDeviceDownIndex_;
    pointingDeviceDownIndex_ = foundation::notFound;
    CPTPlotArea* area = plotAreaOf(*this);
    if (!graph() || !area || isHidden())
        return false;
    if (auto d = std::dynamic_pointer_cast<CPTPieChartDelegate>(delegate())) {
        const std::uint64_t idx = dataIndexFromInteractionPoint(area->convertPointFromLayer(point, graph()));
        if (idx != foundation::notFound) {
            bool sent = d->pieChartSliceTouchUpAtRecordIndex(*this, idx);
            sent = d->pieChartSliceTouchUpAtRecordIndexWithEvent(*this, idx, event) || sent;
            if (idx == downIndex) {
                sent = d->pieChartSliceWasSelectedAtRecordIndex(*this, idx) || sent;
                sent = d->pieChartSliceWasSelectedAtRecordIndexWithEvent(*this, idx, event) || sent;
            }
            if (sent)
                return true;
        }
    }
    return CPTPlot::pointingDeviceUpEvent(event, point);
}
