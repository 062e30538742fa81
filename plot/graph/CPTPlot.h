// A plot as the graph and its plot spaces see it: the plot space it draws through, its data reload,
// and the extents of its data that plot spaces fit themselves to.
#pragma once

#include "plot/foundation/CPTPlotRange.h"
#include "plot/graph/CPTAnnotationHostLayer.h"

#include <memory>

class CPTPlotArea;
class CPTPlotSpace;

class CPTPlot : public CPTAnnotationHostLayer {
  public:
    explicit CPTPlot(const CGRect& frame = {});
    ~CPTPlot() override;
    const char* className() const override { return "CPTPlot"; }

    // Set by the graph when the plot is added; shared.
    const std::shared_ptr<CPTPlotSpace>& plotSpace() const { return plotSpace_; }
    virtual void setPlotSpace(const std::shared_ptr<CPTPlotSpace>& space) { plotSpace_ = space; }
    // The graph's plot area, or null.
    CPTPlotArea* plotArea() const;

    // Rebuilds the data now; only when marked stale.
    virtual void reloadData() {}
    virtual void reloadDataIfNeeded() {}

    // The extent of the data along a coordinate (none: nothing to measure); the enclosing form
    // includes what the plot draws around its points.
    virtual std::shared_ptr<CPTPlotRange> plotRangeForCoordinate(CPTCoordinate coordinate) { return nullptr; }
    virtual std::shared_ptr<CPTPlotRange> plotRangeEnclosingCoordinate(CPTCoordinate coordinate) {
        return plotRangeForCoordinate(coordinate);
    }

  private:
    std::shared_ptr<CPTPlotSpace> plotSpace_;
};
