// The plot-area layer that holds the label (or title) layers of every axis. It never draws and never
// moves its sublayers: each label places its own layer, and the plot area frames the group.
#pragma once

#include "plot/graph/CPTLayer.h"

class CPTAxisLabelGroup : public CPTLayer {
  public:
    explicit CPTAxisLabelGroup(const CGRect& frame = {}) : CPTLayer(frame) {}
    const char* className() const override { return "CPTAxisLabelGroup"; }
    void display() override {}
    void renderAsVectorInContext(gfx::Context&) override {}
    void layoutSublayers() override {}
};
