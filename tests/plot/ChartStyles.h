// What the test charts build their graphs from: ranges, line and text styles, and a white XY graph
// whose plot area sits at chosen paddings.
#pragma once

#include "plot/axes_plots/CPTXYGraph.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTPlotRange.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTPlotAreaFrame.h"

#include <memory>

namespace chartstyles {

inline std::shared_ptr<CPTPlotRange> range(double location, double length) {
    return CPTPlotRange::plotRangeWithLocation(foundation::Value(location), foundation::Value(length));
}

inline std::shared_ptr<CPTMutableLineStyle> line(const gfx::Color& color, double width) {
    auto style = CPTMutableLineStyle::lineStyle();
    style->setLineColor(CPTColor::colorWithCGColor(color));
    style->setLineWidth(width);
    return style;
}

inline std::shared_ptr<CPTMutableTextStyle> text(double size) {
    auto style = CPTMutableTextStyle::textStyle();
    style->setFontSize(size);
    return style;
}

struct Paddings {
    double left, top, right, bottom;
};

inline void pad(CPTLayer& layer, const Paddings& p) {
    layer.setPaddingLeft(p.left);
    layer.setPaddingTop(p.top);
    layer.setPaddingRight(p.right);
    layer.setPaddingBottom(p.bottom);
}

// A width x height XY graph filled white, its plot area frame at the given paddings.
inline std::shared_ptr<CPTXYGraph> whiteGraph(double width, double height, const Paddings& plotArea,
                                              CPTScaleType xScale = CPTScaleTypeLinear,
                                              CPTScaleType yScale = CPTScaleTypeLinear) {
    auto graph = CPTXYGraph::graphWithFrame(CGRect(0, 0, width, height), xScale, yScale);
    graph->setFill(CPTFill::fillWithColor(CPTColor::whiteColor()));
    pad(*graph->plotAreaFrame(), plotArea);
    return graph;
}

} // namespace chartstyles
