// Presses and releases on the records of a plot type that hit-tests them (bars, pie slices): the
// record under a press is remembered, and a release on the same record is its selection.
#pragma once

#include "platform/foundation/NotFound.h"
#include "plot/graph/CPTGraph.h"
#include "plot/graph/CPTPlotArea.h"
#include "plot/graph/CPTPlotAreaFrame.h"

#include <cstdint>
#include <memory>
#include <optional>

// The six operations of a plot type's delegate, each answering whether it is implemented.
template <class Plot, class Delegate> struct CPTRecordTouchOperations {
    bool (Delegate::*down)(Plot&, std::uint64_t);
    bool (Delegate::*downWithEvent)(Plot&, std::uint64_t, const CPTEvent&);
    bool (Delegate::*up)(Plot&, std::uint64_t);
    bool (Delegate::*upWithEvent)(Plot&, std::uint64_t, const CPTEvent&);
    bool (Delegate::*selected)(Plot&, std::uint64_t);
    bool (Delegate::*selectedWithEvent)(Plot&, std::uint64_t, const CPTEvent&);
};

namespace cpt_record_touches {
inline CPTPlotArea* plotAreaOf(const CPTPlot& plot) {
    CPTGraph* g = plot.graph();
    return g && g->plotAreaFrame() ? g->plotAreaFrame()->plotArea().get() : nullptr;
}
} // namespace cpt_record_touches

// The answer to a press: false without a graph or plot area or when hidden, true when an
// implemented operation heard it; none leaves it to the plot's data labels.
template <class Plot, class Delegate>
std::optional<bool> CPTRecordTouchDown(Plot& plot, const CPTEvent& event, CGPoint point, std::uint64_t& downIndex,
                                       const CPTRecordTouchOperations<Plot, Delegate>& ops) {
    CPTPlotArea* area = cpt_record_touches::plotAreaOf(plot);
    if (!plot.graph() || !area || plot.isHidden())
        return false;
    downIndex = foundation::notFound;
    auto d = std::dynamic_pointer_cast<Delegate>(plot.delegate());
    if (!d)
        return std::nullopt;
    downIndex = plot.dataIndexFromInteractionPoint(area->convertPointFromLayer(point, plot.graph()));
    if (downIndex == foundation::notFound)
        return std::nullopt;
    const bool sent = ((*d).*ops.down)(plot, downIndex);
    if (((*d).*ops.downWithEvent)(plot, downIndex, event) || sent)
        return true;
    return std::nullopt;
}

// The answer to a release, as for a press; the remembered record is forgotten.
template <class Plot, class Delegate>
std::optional<bool> CPTRecordTouchUp(Plot& plot, const CPTEvent& event, CGPoint point, std::uint64_t& downIndex,
                                     const CPTRecordTouchOperations<Plot, Delegate>& ops) {
    const std::uint64_t pressed = downIndex;
    downIndex = foundation::notFound;
    CPTPlotArea* area = cpt_record_touches::plotAreaOf(plot);
    if (!plot.graph() || !area || plot.isHidden())
        return false;
    auto d = std::dynamic_pointer_cast<Delegate>(plot.delegate());
    if (!d)
        return std::nullopt;
    const std::uint64_t idx = plot.dataIndexFromInteractionPoint(area->convertPointFromLayer(point, plot.graph()));
    if (idx == foundation::notFound)
        return std::nullopt;
    bool sent = ((*d).*ops.up)(plot, idx);
    sent = ((*d).*ops.upWithEvent)(plot, idx, event) || sent;
    if (idx == pressed) {
        sent = ((*d).*ops.selected)(plot, idx) || sent;
        sent = ((*d).*ops.selectedWithEvent)(plot, idx, event) || sent;
    }
    return sent ? std::optional<bool>(true) : std::nullopt;
}
