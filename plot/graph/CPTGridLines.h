// The layers grid lines are drawn in, below the plots: one group per plot area for each of minor and
// major lines, in which every axis draws, and one layer per axis that keeps its own grid layers.
// Both hand the drawing back to the axes.
#pragma once

#include "plot/graph/CPTLayer.h"

class CPTAxis;
class CPTPlotArea;

class CPTGridLineGroup : public CPTLayer {
  public:
    explicit CPTGridLineGroup(const CGRect& frame = {});
    const char* className() const override { return "CPTGridLineGroup"; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    void decodeFields(foundation::KeyedUnarchiver& coder) override;

    // Never owning; a new plot area marks the group for display.
    CPTPlotArea* plotArea() const { return plotArea_; }
    void setPlotArea(CPTPlotArea* plotArea);
    bool major() const { return major_; }
    void setMajor(bool major) { major_ = major; }

    // Every axis of the plot area's axis set that does not keep separate layers draws its lines.
    void renderAsVectorInContext(gfx::Context& ctx) override;

  private:
    CPTPlotArea* plotArea_ = nullptr;
    bool major_ = false;
};

class CPTGridLines : public CPTLayer {
  public:
    explicit CPTGridLines(const CGRect& frame = {});
    const char* className() const override { return "CPTGridLines"; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    void decodeFields(foundation::KeyedUnarchiver& coder) override;

    // Never owning; held weakly so an axis that has gone draws nothing.
    std::shared_ptr<CPTAxis> axis() const { return axis_.lock(); }
    void setAxis(const std::shared_ptr<CPTAxis>& axis);
    bool major() const { return major_; }
    void setMajor(bool major) { major_ = major; }

    void renderAsVectorInContext(gfx::Context& ctx) override;

  private:
    std::weak_ptr<CPTAxis> axis_;
    bool major_ = false;
};
