// Touches on legend entries: the delegate hears a press, a release and a selection, the last only when
// the release lands on the entry that took the press.
#include "plot/graph/CPTLegend.h"

#include "plot/graph/CPTPlot.h"

// The first entry in the cell under the point; null when none.
std::shared_ptr<CPTLegendEntry> CPTLegend::legendEntryAtInteractionPoint(CGPoint point) {
    std::uint64_t row = 0, col = 0;
    if (!legendEntryForInteractionPoint(point, row, col))
        return nullptr;
    for (const auto& entry : Entries(legendEntries_)) {
        if (entry && entry->row() == row && entry->column() == col)
            return entry;
    }
    return nullptr;
}

bool CPTLegend::pointingDeviceDownEvent(const CPTEvent& event, CGPoint point) {
    if (isHidden() || plots_.empty())
        return false;
    if (auto d = delegate()) {
        if (auto entry = legendEntryAtInteractionPoint(point)) {
            pointingDeviceDownEntry_ = entry;
            if (auto plot = entry->plot()) {
                const bool down = d->legendLegendEntryForPlotTouchDownAtIndex(*this, *plot, entry->index());
                const bool downWithEvent =
                    d->legendLegendEntryForPlotTouchDownAtIndexWithEvent(*this, *plot, entry->index(), event);
                if (down || downWithEvent)
                    return true;
            }
        }
    }
    return CPTBorderedLayer::pointingDeviceDownEvent(event, point);
}

bool CPTLegend::pointingDeviceUpEvent(const CPTEvent& event, CGPoint point) {
    const auto downEntry = pointingDeviceDownEntry_.lock();
    pointingDeviceDownEntry_.reset();
    if (isHidden() || plots_.empty())
        return false;
    if (auto d = delegate()) {
        auto entry = legendEntryAtInteractionPoint(point);
        auto plot = entry ? entry->plot() : nullptr;
        if (plot) {
            bool sent = d->legendLegendEntryForPlotTouchUpAtIndex(*this, *plot, entry->index());
            sent = d->legendLegendEntryForPlotTouchUpAtIndexWithEvent(*this, *plot, entry->index(), event) || sent;
            if (entry == downEntry) {
                sent = d->legendLegendEntryForPlotWasSelectedAtIndex(*this, *plot, entry->index()) || sent;
                sent = d->legendLegendEntryForPlotWasSelectedAtIndexWithEvent(*this, *plot, entry->index(), event) ||
                       sent;
            }
            if (sent)
                return true;
        }
    }
    return CPTBorderedLayer::pointingDeviceUpEvent(event, point);
}
