// Touches on slices: the delegate hears a press, a release and a selection, the last only when the
// release lands on the slice that took the press; anything else goes to the data labels.
#include "plot/axes_plots/CPTPieChart.h"

#include "plot/axes_plots/CPTRecordTouches.h"

namespace {
const CPTRecordTouchOperations<CPTPieChart, CPTPieChartDelegate> kSliceTouches{
    &CPTPieChartDelegate::pieChartSliceTouchDownAtRecordIndex,
    &CPTPieChartDelegate::pieChartSliceTouchDownAtRecordIndexWithEvent,
    &CPTPieChartDelegate::pieChartSliceTouchUpAtRecordIndex,
    &CPTPieChartDelegate::pieChartSliceTouchUpAtRecordIndexWithEvent,
    &CPTPieChartDelegate::pieChartSliceWasSelectedAtRecordIndex,
    &CPTPieChartDelegate::pieChartSliceWasSelectedAtRecordIndexWithEvent,
};
} // namespace

bool CPTPieChart::pointingDeviceDownEvent(const CPTEvent& event, CGPoint point) {
    if (auto answer = CPTRecordTouchDown(*this, event, point, pointingDeviceDownIndex_, kSliceTouches))
        return *answer;
    return CPTPlot::pointingDeviceDownEvent(event, point);
}

bool CPTPieChart::pointingDeviceUpEvent(const CPTEvent& event, CGPoint point) {
    if (auto answer = CPTRecordTouchUp(*this, event, point, pointingDeviceDownIndex_, kSliceTouches))
        return *answer;
    return CPTPlot::pointingDeviceUpEvent(event, point);
}
