// The layer that holds the axes of a graph and wires each one to the plot area and the graph.
#pragma once

#include "plot/graph/CPTAxis.h"

#include <memory>
#include <vector>

class CPTAxisSet : public CPTLayer {
  public:
    using Axes = std::vector<std::shared_ptr<CPTAxis>>;

    explicit CPTAxisSet(const CGRect& frame = {});
    ~CPTAxisSet() override;
    const char* className() const override { return "CPTAxisSet"; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    void decodeFields(foundation::KeyedUnarchiver& coder) override;

    // The old axes leave the set and lose their plot area and graph; the new ones become sublayers
    // and take the plot area this set sits in and its graph.
    const Axes& axes() const { return axes_; }
    virtual void setAxes(const Axes& axes);
    // Copied; with one, the set is displayed and a subclass draws the plot area's outline.
    const std::shared_ptr<CPTLineStyle>& borderLineStyle() const { return borderLineStyle_; }
    virtual void setBorderLineStyle(const std::shared_ptr<CPTLineStyle>& style);

    // The index-th axis (from 0) among those of the coordinate; null when there are not so many.
    std::shared_ptr<CPTAxis> axisForCoordinate(CPTCoordinate coordinate, std::size_t index) const;
    void relabelAxes();

    // Displayed only with a border line style: the axes draw themselves.
    void display() override;

    // Offered to the axes in order; the first that takes the event ends it.
    bool pointingDeviceDownEvent(const CPTEvent& event, CGPoint interactionPoint) override;
    bool pointingDeviceUpEvent(const CPTEvent& event, CGPoint interactionPoint) override;

  private:
    Axes axes_;
    std::shared_ptr<CPTLineStyle> borderLineStyle_;
};
