// The axes of the plot benchmarks' graphs, set as a chart on screen has them: along the plot area's
// left and bottom edges, a readable number of labelled ticks chosen for the range, and room outside the
// plot area for the labels.
#pragma once

#include "plot/axes_plots/CPTXYAxisSet.h"
#include "plot/axes_plots/CPTXYGraph.h"
#include "plot/foundation/CPTConstraints.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTPlotAreaFrame.h"

namespace benchaxes {

inline void alongThePlotArea(CPTXYGraph& graph) {
    auto& frame = *graph.plotAreaFrame();
    frame.setPaddingLeft(60);
    frame.setPaddingBottom(40);
    frame.setPaddingTop(20);
    frame.setPaddingRight(40);
    auto axes = std::dynamic_pointer_cast<CPTXYAxisSet>(graph.axisSet());
    auto text = CPTMutableTextStyle::textStyle();
    text->setFontSize(14);
    for (const auto& axis : {axes->xAxis(), axes->yAxis()}) {
        axis->setAxisConstraints(CPTConstraints::constraintWithLowerOffset(0));
        axis->setLabelingPolicy(CPTAxisLabelingPolicyAutomatic);
        axis->setLabelTextStyle(text);
    }
}

} // namespace benchaxes
