// The legend of a graph: a bordered layer that the graph places with an annotation at its legend
// anchor. The entries, their layout and drawing live with the legend's own code.
#pragma once

#include "plot/graph/CPTBorderedLayer.h"

class CPTLegend : public CPTBorderedLayer {
  public:
    explicit CPTLegend(const CGRect& frame = {}) : CPTBorderedLayer(frame) {}
    const char* className() const override { return "CPTLegend"; }
};
