// The bordered layer the graph lays out inside its padding; it holds the plot area and clips it to
// the inside of its border.
#pragma once

#include "plot/graph/CPTBorderedLayer.h"

#include <memory>

class CPTAxisSet;
class CPTPlotArea;
class CPTPlotGroup;

class CPTPlotAreaFrame : public CPTBorderedLayer {
  public:
    explicit CPTPlotAreaFrame(const CGRect& frame = {});
    ~CPTPlotAreaFrame() override;
    const char* className() const override { return "CPTPlotAreaFrame"; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    void decodeFields(foundation::KeyedUnarchiver& coder) override;

    const std::shared_ptr<CPTPlotArea>& plotArea() const { return plotArea_; }
    void setPlotArea(const std::shared_ptr<CPTPlotArea>& plotArea);

    // Through the plot area.
    std::shared_ptr<CPTAxisSet> axisSet() const;
    void setAxisSet(const std::shared_ptr<CPTAxisSet>& axisSet);
    std::shared_ptr<CPTPlotGroup> plotGroup() const;
    void setPlotGroup(const std::shared_ptr<CPTPlotGroup>& group);

    void setGraph(CPTGraph* graph) override;

    // The plot area's answer when it takes the event; else this layer's annotations'.
    bool pointingDeviceDownEvent(const CPTEvent& event, CGPoint interactionPoint) override;
    bool pointingDeviceUpEvent(const CPTEvent& event, CGPoint interactionPoint) override;
    bool pointingDeviceDraggedEvent(const CPTEvent& event, CGPoint interactionPoint) override;
    bool pointingDeviceCancelledEvent(const CPTEvent& event) override;

  private:
    std::shared_ptr<CPTPlotArea> plotArea_;
};
