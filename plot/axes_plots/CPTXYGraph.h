// The graph of two-dimensional charts: its default plot space is an XY plot space with the scale
// types it was made with.
#pragma once

#include "plot/graph/CPTGraph.h"

class CPTXYGraph : public CPTGraph {
  public:
    CPTXYGraph(ConstructionKey key, const CGRect& frame, CPTScaleType xScaleType = CPTScaleTypeLinear,
               CPTScaleType yScaleType = CPTScaleTypeLinear);
    const char* className() const override { return "CPTXYGraph"; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    void decodeFields(foundation::KeyedUnarchiver& coder) override;

    static std::shared_ptr<CPTXYGraph> graphWithFrame(const CGRect& frame,
                                                      CPTScaleType xScaleType = CPTScaleTypeLinear,
                                                      CPTScaleType yScaleType = CPTScaleTypeLinear) {
        return make<CPTXYGraph>(frame, xScaleType, yScaleType);
    }

    // Plain stores: plot spaces that exist keep their scale types; the next new one takes these.
    CPTScaleType xScaleType() const { return xScaleType_; }
    void setXScaleType(CPTScaleType type) { xScaleType_ = type; }
    CPTScaleType yScaleType() const { return yScaleType_; }
    void setYScaleType(CPTScaleType type) { yScaleType_ = type; }

    std::shared_ptr<CPTPlotSpace> newPlotSpace() override;
    // An XY axis set whose x and y axes measure the default plot space.
    std::shared_ptr<CPTAxisSet> newAxisSet() override;

  private:
    CPTScaleType xScaleType_;
    CPTScaleType yScaleType_;
};

// An XY graph with nothing of its own.
class CPTDerivedXYGraph : public CPTXYGraph {
  public:
    using CPTXYGraph::CPTXYGraph;
    const char* className() const override { return "CPTDerivedXYGraph"; }
};
