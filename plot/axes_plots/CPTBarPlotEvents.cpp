// Touches on bars: the delegate hears a press, a release and a selection, the last only when the
// release lands on the bar that took the press; anything else goes to the data labels.
#include "plot/axes_plots/CPTBarPlot.h"

#include "plot/axes_plots/CPTRecordTouches.h"

namespace {
const CPTRecordTouchOperations<CPTBarPlot, CPTBarPlotDelegate> kBarTouches{
    &CPTBarPlotDelegate::barPlotBarTouchDownAtRecordIndex,
    &CPTBarPlotDelegate::barPlotBarTouchDownAtRecordIndexWithEvent,
    &CPTBarPlotDelegate::barPlotBarTouchUpAtRecordIndex,
    &CPTBarPlotDelegate::barPlotBarTouchUpAtRecordIndexWithEvent,
    &CPTBarPlotDelegate::barPlotBarWasSelectedAtRecordIndex,
    &CPTBarPlotDelegate::barPlotBarWasSelectedAtRecordIndexWithEvent,
};
} // namespace

bool CPTBarPlot::pointingDeviceDownEvent(const CPTEvent& event, CGPoint point) {
    if (auto answer = CPTRecordTouchDown(*this, event, point, pointingDeviceDownIndex_, kBarTouches))
        return *answer;
    return CPTPlot::pointingDeviceDownEvent(event, point);
}

bool CPTBarPlot::pointingDeviceUpEvent(const CPTEvent& event, CGPoint point) {
    if (auto answer = CPTRecordTouchUp(*this, event, point, pointingDeviceDownIndex_, kBarTouches))
        return *answer;
    return CPTPlot::pointingDeviceUpEvent(event, point);
}
