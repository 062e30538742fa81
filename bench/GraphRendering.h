// What the plot benchmarks share: a graph laid out and rendered into a bitmap context (whose y axis
// points down) the right way up, and where a layer's rectangle landed in that bitmap.
#pragma once

#include "platform/graphics/Context.h"
#include "plot/graph/CPTGraph.h"
#include "plot/graph/CPTPlotArea.h"
#include "plot/graph/CPTPlotAreaFrame.h"

namespace benchgraph {

// Lays out and renders the graph, flipped so that its y-up coordinates fill a bitmap `height` tall.
inline void renderFlipped(CPTGraph& graph, gfx::Context& ctx, double height) {
    ctx.saveGState();
    ctx.translateCTM(0, height);
    ctx.scaleCTM(1, -1);
    graph.layoutAndRenderInContext(ctx);
    ctx.restoreGState();
}

// A rectangle of a layer of the graph, in the bitmap's (y-down) coordinates, from the graph's own layout.
inline CGRect rectInBitmap(CPTGraph& graph, const CGRect& rect, const CPTLayer* layer, double height) {
    const CGRect inGraph = graph.convertRectFromLayer(rect, layer);
    return CGRect(inGraph.origin.x, height - inGraph.maxY(), inGraph.size.width, inGraph.size.height);
}

inline CGRect plotAreaInBitmap(CPTGraph& graph, double height) {
    const auto& area = *graph.plotAreaFrame()->plotArea();
    return rectInBitmap(graph, area.bounds(), &area, height);
}

} // namespace benchgraph
