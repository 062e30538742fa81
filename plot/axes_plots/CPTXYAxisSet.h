// The axis set of an XY graph: an x and a y axis, laid over the plot area frame, and the plot area's
// outline when it has a border line style.
#pragma once

#include "plot/axes_plots/CPTXYAxis.h"
#include "plot/graph/CPTAxisSet.h"

class CPTXYAxisSet : public CPTAxisSet {
  public:
    // An x axis (coordinate 0) and then a y axis (coordinate 1), both with ticks below or left.
    explicit CPTXYAxisSet(const CGRect& frame = {});
    const char* className() const override { return "CPTXYAxisSet"; }

    // The first axis of each coordinate; none when there is no such XY axis.
    std::shared_ptr<CPTXYAxis> xAxis() const;
    std::shared_ptr<CPTXYAxis> yAxis() const;

    // Without a border line style every axis covers the plot area frame.
    void layoutSublayers() override;
    // The border around the plot area, rounded with its corners.
    void renderAsVectorInContext(gfx::Context& ctx) override;
};
